#include "link/status_reader.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <string>

#include "link/device_ops.h"
#include "link/pdu_ifce.h"
#include "link/reply_items.h"
#include "link/with_tries.h"

namespace quorvel {

namespace {

// Appends counts and big-endian values to the frame, refusing to run past its end.
class FrameWriter {
  public:
    explicit FrameWriter(std::span<std::uint8_t> frame) : frame_(frame) {}
    void byte(unsigned v) {
        if (pos_ < frame_.size()) {
            frame_[pos_] = static_cast<std::uint8_t>(v);
        } else {
            overflow_ = true;
        }
        ++pos_;
    }
    void word(unsigned v) {
        byte(v >> 8 & 0xFF);
        byte(v & 0xFF);
    }
    bool ok() const { return !overflow_; }

  private:
    std::span<std::uint8_t> frame_;
    std::size_t pos_ = 0;
    bool overflow_ = false;
};

// A query with five tries on the current interface.
template <typename Query>
bool query(char (&reply)[kReplyTextSize], Query q) {
    std::span<char> out(reply);
    return WithTries([&](PDUIfce& ifce) { return q(ifce, out); });
}

// The three groups of a "P"/"p" reply of up to 12 hexadecimal digits: w0 the last four, w1 the
// four before, w2 whatever precedes them.
struct Bitmap {
    unsigned w0 = 0, w1 = 0, w2 = 0;
};

Bitmap splitBitmap(const std::string& digits) {
    auto group = [&digits](std::size_t fromEnd, std::size_t length) -> unsigned {
        if (digits.size() <= fromEnd) {
            return 0;
        }
        const std::size_t end = digits.size() - fromEnd;
        const std::size_t start = end > length ? end - length : 0;
        return static_cast<unsigned>(ParseHexItem(digits.substr(start, end - start).c_str()));
    };
    return {group(0, 4), group(4, 4), group(8, digits.size())};
}

void writeBitmap(FrameWriter& w, const Bitmap& b, int length, unsigned w2LowMask) {
    w.byte(static_cast<unsigned>(length));
    if (length == 6) {
        w.byte(b.w2 >> 8 & 0xFF);
    }
    w.byte(b.w2 & w2LowMask);
    w.word(b.w1 & 0xFFFF);
    w.word(b.w0 & 0xFFFF);
}

bool readLaterGeneration(const PduRecord& rec, FrameWriter& w) {
    char reply[kReplyTextSize];
    char* items[kMaxReplyItems];
    const bool large = rec.extensionWord >= kExtendedExtension;

    if (!query(reply, [](PDUIfce& i, std::span<char> o) {
            return i.ReadMeasurement(2, false, 0xFF, o);
        })) {
        return false;
    }
    const int n = SplitReplyItems(reply, 10, items);
    if (n < 8) {
        return false;
    }
    const int v = n == 10 && large ? 4 : 2;
    w.byte(static_cast<unsigned>(v));
    for (int i = 0; i < v; ++i) {
        w.word(static_cast<unsigned>(IntegerReading(items[i])) & 0xFFFF);
    }
    w.byte(6);
    for (int i = 0; i < 6; ++i) {
        w.word(DecimalReading(items[v + i]));
    }
    w.byte(0);

    const int g = rec.receptacleGroups;
    if ((rec.featureWord & kFeatureReceptacleMeters) && g != 0) {
        const int r = g >= 7 && large ? 48 : g >= 5 ? 36 : g >= 3 ? 24 : 12;
        w.byte(static_cast<unsigned>(r));
        std::uint8_t selectors[4] = {0xF0};
        int sets = 1;
        if (g > 2) {
            selectors[sets++] = 0xF1;
        }
        if (g > 4) {
            selectors[sets++] = 0xF2;
        }
        if (g > 6 && large) {
            selectors[sets++] = 0xF3;
        }
        for (int s = 0; s < sets; ++s) {
            const std::uint8_t sel = selectors[s];
            if (!query(reply, [sel](PDUIfce& i, std::span<char> o) {
                    return i.ReadMeasurement(3, false, sel, o);
                })) {
                return false;
            }
            const int k = SplitReplyItems(reply, 12, items);
            for (int i = 0; i < 12; ++i) {
                w.word(k == 12 ? DecimalReading(items[i]) : 0);
            }
        }
    } else {
        w.byte(0);
    }

    if ((rec.featureWord & kFeatureSwitched) && g != 0) {
        if (!query(reply,
                   [](PDUIfce& i, std::span<char> o) { return i.ReadOutletStates(0xFF, o); })) {
            return false;
        }
        std::string digits = reply;
        int length = g > 6 && digits.size() == 12 && large ? 6 : 5;
        writeBitmap(w, splitBitmap(digits), length, 0xFF);
        if (!query(reply,
                   [](PDUIfce& i, std::span<char> o) { return i.ReadResetBlocked(0xFF, o); })) {
            return false;
        }
        digits = reply;
        length = g > 6 && digits.size() == 12 && large ? 6 : 5;
        writeBitmap(w, splitBitmap(digits), length, 0x0F);
    } else {
        w.byte(0);
        w.byte(0);
    }

    if (rec.featureWord & kFeatureEnvironment) {
        std::int16_t env[4] = {0, 0, 0, 0};
        if (!query(reply, [](PDUIfce& i, std::span<char> o) { return i.ReadEnvironment(o); })) {
            return false;
        }
        const int items4 = ParseEnvironment(reply, env);
        const int sensors = items4 == 4 ? 2 : items4 >= 2 ? 1 : 0;
        w.byte(static_cast<unsigned>(sensors));
        for (int s = 0; s < sensors; ++s) {
            w.word(static_cast<std::uint16_t>(env[2 * s]));
        }
        w.byte(static_cast<unsigned>(sensors));
        for (int s = 0; s < sensors; ++s) {
            w.word(static_cast<std::uint16_t>(env[2 * s + 1]));
        }
    } else {
        w.byte(0);
        w.byte(0);
    }

    w.byte(2);
    if (!query(reply, [](PDUIfce& i, std::span<char> o) { return i.ReadAlarms(o); })) {
        return false;
    }
    const int a = SplitReplyItems(reply, 2, items);
    w.word(a == 2 ? HexItem<std::uint16_t>(items[0]) : 0);
    w.word(a == 2 ? HexItem<std::uint16_t>(items[1]) : 0);
    return true;
}

// A first-generation voltage sample v as volts, v × 100 / 256, kept to what the frame's
// 16-bit field holds (a reading below zero as its two's complement): a sample too large for
// the arithmetic gives the largest value instead of overflowing.
long firstGenerationVolts(long sample) {
    constexpr long kLowest = -32768;
    constexpr long kHighest = 65535;
    constexpr long kSampleBound = (kHighest + 1) * 256 / 100 + 1;  // beyond it: clamped anyway
    const long v = std::clamp(sample, -kSampleBound, kSampleBound);
    return std::clamp(v * 100 / 256, kLowest, kHighest);
}

bool readFirstGeneration(const PduRecord& rec, FrameWriter& w) {
    char reply[kReplyTextSize];
    char* items[kMaxReplyItems];
    w.byte(2);
    for (int c = 0; c < 2; ++c) {
        unsigned volts = 0;
        if (rec.featureWord & kFeatureVoltageInputs) {
            if (!query(reply, [c](PDUIfce& i, std::span<char> o) {
                    return i.ReadCircuitVoltage(c, false, o);
                })) {
                return false;
            }
            SplitReplyItems(reply, 1, items);
            volts = static_cast<unsigned>(firstGenerationVolts(IntegerReading(items[0])));
        }
        w.word(volts & 0xFFFF);
    }

    // Circuits A, B and C: their letters are all the console knows.
    const int circuits = rec.circuitCount < 3 ? rec.circuitCount : 3;
    std::uint16_t circuitCurrent[3] = {};
    std::uint16_t receptacleCurrent[3][kMaxReceptacles] = {};
    std::uint32_t state = 0;
    int stateBit = 0;
    int totalReceptacles = 0;
    for (int c = 0; c < circuits; ++c) {
        const int count = rec.receptaclesPerCircuit[c];
        totalReceptacles += count;
        const bool metered = (rec.featureWord & kFeatureReceptacleMeters) && count > 0;
        const std::uint8_t selector = metered ? 0xFF : 0;
        if (!query(reply, [c, selector](PDUIfce& i, std::span<char> o) {
                return i.ReadCircuitCurrent(c, false, selector, o);
            })) {
            return false;
        }
        const int n = SplitReplyItems(reply, metered ? 13 : 1, items);
        circuitCurrent[c] = DecimalReading(items[0]);
        if (metered) {
            for (int k = 0; k < count && k < kMaxReceptacles; ++k) {
                receptacleCurrent[c][k] = k + 1 < n ? DecimalReading(items[k + 1]) : 0;
            }
        }
        if (rec.featureWord & kFeatureSwitched) {
            if (!query(reply, [c](PDUIfce& i, std::span<char> o) {
                    return i.ReadBranchStates(c, 0xFF, o);
                })) {
                return false;
            }
            const unsigned bits = HexItem<std::uint16_t>(reply);
            const unsigned kept = count >= 16 ? bits : bits & ((1u << count) - 1);
            if (stateBit < 32) {
                state |= kept << stateBit;
            }
        }
        stateBit += count;
    }
    state &= 0xFFFFFF;

    w.byte(6);
    for (int c = 0; c < 6; ++c) {
        w.word(c < circuits ? circuitCurrent[c] : 0);
    }
    w.byte(0);
    w.byte(static_cast<unsigned>(totalReceptacles));
    for (int c = 0; c < circuits; ++c) {
        for (int k = 0; k < rec.receptaclesPerCircuit[c] && k < kMaxReceptacles; ++k) {
            w.word(receptacleCurrent[c][k]);
        }
    }
    w.byte(3);
    w.byte(state >> 16 & 0xFF);
    w.byte(state >> 8 & 0xFF);
    w.byte(state & 0xFF);
    w.byte(0);

    std::int16_t env[4] = {0, 0, 0, 0};
    if (rec.featureWord & kFeatureEnvironment) {
        if (!query(reply, [](PDUIfce& i, std::span<char> o) { return i.ReadEnvironment(o); })) {
            return false;
        }
        ParseEnvironment(reply, env);
    }
    w.byte(1);
    w.word(static_cast<std::uint16_t>(env[0]));
    w.byte(1);
    w.word(static_cast<std::uint16_t>(env[1]));
    w.byte(0);
    return true;
}

}  // namespace

std::uint16_t DecimalReading(const char* item) {
    return HundredthsLow16(ParseDecimal(item));
}

long IntegerReading(const char* item) {
    return std::strtol(item, nullptr, 10);
}

bool ReadStatusFrame(const PduRecord& record, std::span<std::uint8_t> frame) {
    if (frame.size() < kMinStatusFrameSize) {
        return false;
    }
    std::memset(frame.data(), 0, kStatusFrameClearBytes);
    FrameWriter w(frame);
    w.byte(0xAA);
    w.byte(0x55);
    const bool read = record.generationNumber >= 2 ? readLaterGeneration(record, w)
                                                   : readFirstGeneration(record, w);
    return read && w.ok();
}

}  // namespace quorvel
