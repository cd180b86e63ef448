#include "link/calibration_math.h"

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "link/calibration_channels.h"
#include "link/reply_items.h"

namespace quorvel {

namespace {

constexpr long kWholeReferenceLimit = 1000000;
constexpr double kReferenceLimit = 1e30;
// Beyond this a float does not convert to a 64-bit integer safely; such values are invalid.
constexpr float kTruncLimit = 1e12f;

// trunc(x) for the arithmetic; false when x is not a number or out of range.
bool Trunc(float x, long long& out) {
    if (!std::isfinite(x) || x > kTruncLimit || x < -kTruncLimit) {
        return false;
    }
    out = static_cast<long long>(x);
    return true;
}

bool InRange(long long v, long long lo, long long hi) {
    return v >= lo && v <= hi;
}

std::u16string Widened(const char* text) {
    std::u16string s;
    while (*text != '\0') {
        s.push_back(static_cast<unsigned char>(*text++));
    }
    return s;
}

}  // namespace

float ReadCurrentReference(const std::string& text) {
    const double v = ParseDecimal(text.c_str()) + 0.0001;
    // Outside float's range the conversion itself would be undefined; such a reference is
    // absurd anyway and ends up refused by the validity ranges.
    if (!std::isfinite(v)) {
        return 0;
    }
    return static_cast<float>(std::fmax(-kReferenceLimit, std::fmin(v, kReferenceLimit)));
}

std::uint16_t CurrentReferenceHundredths(float reference) {
    long long v = 0;
    if (!Trunc(reference * 100 + 0.1f, v)) {
        return 0;
    }
    return static_cast<std::uint16_t>(v);
}

std::string CurrentReferenceText(std::uint16_t hundredths) {
    char text[32];
    std::snprintf(text, sizeof text, "%.2f", hundredths / 100.0);
    return text;
}

long ReadWholeReference(const std::string& text) {
    errno = 0;
    const long v = std::strtol(text.c_str(), nullptr, 10);
    if (errno == ERANGE || v > kWholeReferenceLimit) {
        return v < 0 ? -kWholeReferenceLimit : kWholeReferenceLimit;
    }
    return v < -kWholeReferenceLimit ? -kWholeReferenceLimit : v;
}

bool ReadRawSampleText(const std::string& text, std::uint16_t& value) {
    if (text.size() < 2 || text[0] != '0' || text[1] != 'x') {
        return false;
    }
    value = HexItem<std::uint16_t>(text.c_str());
    return true;
}

std::string RawSampleText(std::uint16_t raw) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%X", unsigned{raw});
    return text;
}

std::string CalibrationValueText(long long value) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%x", static_cast<unsigned>(value & 0xFFFF));
    return text;
}

CalibrationResult ComputeCurrentCalibration(std::uint16_t lowRaw, std::uint16_t highRaw,
                                            const CurrentReferences& refs) {
    CalibrationResult r;
    if (highRaw <= lowRaw) {
        return r;
    }
    const float span = static_cast<float>(highRaw - lowRaw);
    if (!Trunc((refs.high - refs.low) * 409500 / span, r.scale)) {
        r.scale = 0;
        return r;
    }
    if (r.scale <= 100) {
        return r;
    }
    const float scale = static_cast<float>(r.scale);
    const bool ok = Trunc(static_cast<float>(highRaw) - refs.high * 100 * 4095 / scale, r.offset) &&
                    Trunc(refs.threshold * 100 * 4096 / scale, r.threshold);
    r.valid = ok && r.scale <= 4096 && InRange(r.offset, -190, 190) && InRange(r.threshold, 0, 190);
    return r;
}

CalibrationResult ComputeVoltageCalibration(std::uint16_t lowRaw, std::uint16_t highRaw,
                                            const VoltageReferences& refs) {
    CalibrationResult r;
    if (highRaw <= lowRaw) {
        return r;
    }
    const long long span = highRaw - lowRaw;
    r.scale = (static_cast<long long>(refs.high) - refs.low) * 4096 / span;
    if (r.scale <= 100) {
        return r;
    }
    r.offset = highRaw - static_cast<long long>(refs.high) * 4096 / r.scale;
    r.threshold = refs.threshold;
    r.valid = r.scale <= 4096 && InRange(r.offset, -50, 50) && InRange(r.threshold, 0, 100);
    return r;
}

char16_t FirstGenCircuitLetter(const DescribedChannel& channel) {
    if (channel.reversedFamily && channel.index >= 1 && channel.index <= 6) {
        return static_cast<char16_t>(u'C' - (channel.index - 1) / 2);
    }
    return static_cast<char16_t>(u'A' + channel.kind);
}

std::u16string CalibrationDescription(const DescribedChannel& channel,
                                      const CalibrationResult& result) {
    char values[96];
    std::snprintf(values, sizeof values, "scale=%lld, offset=%lld, threshold=0x%llx", result.scale,
                  result.offset, static_cast<unsigned long long>(result.threshold) & 0xFFFFFFFFull);
    if (channel.generation <= 1) {
        return u"Circuit " + std::u16string(1, FirstGenCircuitLetter(channel)) + u" " +
               Widened(values);
    }
    const std::u16string head = channel.kind == kChannelReceptacle ? u"Receptacle " : u"";
    return head + channel.label + u" " + Widened(values);
}

}  // namespace quorvel
