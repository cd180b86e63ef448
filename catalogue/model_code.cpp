// Model code string <-> ModelCode words, and the per-field queries on the words.
#include "catalogue/model_code.h"

#include <array>
#include <cstdio>
#include <cstring>

namespace quorvel {
namespace {

constexpr std::array<char, 7> kFormFactorChars{'1', '2', 'V', 'D', 'W', 'S', 'X'};
constexpr std::array<const char*, 9> kCurrentCodes{"10", "15", "20", "30", "40",
                                                   "50", "16", "AA", "32"};

// Feature characters and the FeatureWord bits they stand for.
struct FeatureChar {
    char c;
    std::uint16_t bits;
};
constexpr std::uint16_t S = kFeatSerial, E = kFeatEthernet, C = kFeatSocketControl,
                        M = kFeatSocketMeter, V = kFeatVoltMeter;
constexpr std::array<FeatureChar, 17> kFeatureChars{{
    {'0', 0},
    {'1', S},
    {'2', S | E},
    {'3', S | E | C},
    {'4', S | E | C | M},
    {'5', S | E | M},
    {'6', S | C},
    {'7', S | C | M},
    {'8', S | M},
    {'A', S | V},
    {'B', S | E | V},
    {'C', S | E | V | C},
    {'D', S | E | V | C | M},
    {'E', S | E | V | M},
    {'F', S | V | C},
    {'G', S | V | C | M},
    {'H', S | V | M},
}};

constexpr std::size_t kMinLength = 15;  // up to and including the TLD digit
constexpr std::size_t kMaxLength = 17;  // with inlet extension and third letter

bool isUpperLetter(unsigned c) {
    return c >= 'A' && c <= 'Z';
}
bool isDigitIn(unsigned c, char lo, char hi) {
    return c >= static_cast<unsigned>(lo) && c <= static_cast<unsigned>(hi);
}
bool isInletChar(unsigned c) {
    return isUpperLetter(c) || isDigitIn(c, '1', '6');
}
unsigned inletValue(unsigned c) {
    return isUpperLetter(c) ? c - 'A' : c - '1' + 26;
}

template <typename Ch>
bool decodeText(Ch* text, std::size_t capacity, std::uint16_t* featureOut,
                std::uint32_t* attributeOut, std::uint16_t* extensionOut) {
    if (text == nullptr || capacity <= 12) {
        return false;
    }
    std::size_t len = 0;
    while (len < capacity && text[len] != 0) {
        if (text[len] >= 'a' && text[len] <= 'z') {
            text[len] = static_cast<Ch>(text[len] - 'a' + 'A');
        }
        ++len;
    }
    auto at = [&](std::size_t i) -> unsigned { return static_cast<unsigned>(text[i]); };

    // Texts shorter than the TLD digit fail on it; trailing characters beyond the third letter
    // are not part of any code.
    if (len < kMinLength || len > kMaxLength || at(0) != 'S') {
        return false;
    }
    if (len >= 17 && !isUpperLetter(at(16))) {
        return false;
    }
    if (!isUpperLetter(at(1)) || !isUpperLetter(at(11))) {
        return false;
    }
    if (len >= 16 && at(15) != 'A' && at(15) != 'B') {
        return false;
    }
    if (!isInletChar(at(12)) || !isDigitIn(at(14), '0', '8')) {
        return false;
    }
    if (!isDigitIn(at(5), '0', '6') || !isDigitIn(at(8), '0', '6') ||
        !isDigitIn(at(10), '0', '3')) {
        return false;
    }

    std::uint16_t feature = 0;
    std::uint32_t attribute = 0;
    std::uint16_t extension = 0;

    unsigned form = 0;
    while (form < kFormFactorChars.size() && at(2) != static_cast<unsigned>(kFormFactorChars[form]))
        ++form;
    if (form == kFormFactorChars.size() || !isDigitIn(at(3), '1', '4')) {
        return false;
    }
    attribute |= form;
    attribute |= (at(3) - '1') << 4;
    if (at(4) == '3') {
        feature |= kFeatThreePhase;
    } else if (at(4) != '1') {
        return false;
    }

    attribute |= (at(5) - '0') << 27;
    unsigned current = 0;
    while (current < kCurrentCodes.size() &&
           !(at(6) == static_cast<unsigned>(kCurrentCodes[current][0]) &&
             at(7) == static_cast<unsigned>(kCurrentCodes[current][1])))
        ++current;
    if (current == kCurrentCodes.size()) {
        return false;
    }
    attribute |= current << 8;
    attribute |= (at(8) - '0') << 24;

    const FeatureChar* fc = nullptr;
    for (const auto& f : kFeatureChars) {
        if (at(9) == static_cast<unsigned>(f.c))
            fc = &f;
    }
    if (fc == nullptr) {
        return false;
    }
    feature |= fc->bits;
    if (at(10) != '0') {
        feature |= kFeatEnvSensor;
        if (at(10) == '3')
            extension |= kExtSecondSensor;
    }

    unsigned series =
        static_cast<unsigned>(rotatedLetterValue(static_cast<char>(at(1)))) * 26 + (at(11) - 'A');
    if (len >= 17)
        series += (at(16) - 'A') * 676;
    attribute |= (series & 0x3Fu) << 18;
    attribute |= ((series >> 6) & 1u) << 7;
    extension |= static_cast<std::uint16_t>((series >> 7) & 0xFFu);

    attribute |= inletValue(at(12)) << 12;
    if (len >= 16 && at(15) == 'B')
        attribute |= 1u << 17;

    const unsigned tld = at(14) - '0';
    const bool managed = (feature & (kFeatSocketControl | kFeatSocketMeter)) != 0;
    if (managed ? tld == 0 : tld != 0) {
        return false;
    }
    attribute |= (tld & 3u) << 30;
    attribute |= ((tld >> 2) & 1u) << 3;
    extension |= static_cast<std::uint16_t>(((tld >> 3) & 1u) << 8);

    if (featureOut)
        *featureOut = feature;
    if (attributeOut)
        *attributeOut = attribute;
    if (extensionOut)
        *extensionOut = extension;
    return true;
}

char formFactorChar(const ModelCode& c) {
    unsigned v = formFactorCode(c);
    return v < kFormFactorChars.size() ? kFormFactorChars[v] : '?';
}
char voltageChar(const ModelCode& c) {
    unsigned v = voltageCode(c);
    return v <= 3 ? static_cast<char>('1' + v) : '?';
}
char phaseChar(const ModelCode& c) {
    unsigned v = phaseCode(c);
    return v == 0 ? '1' : v == 1 ? '3' : '?';
}
// The two current characters; an invalid code keeps both positions as "?".
const char* currentChars(const ModelCode& c) {
    unsigned v = currentCode(c);
    return v < kCurrentCodes.size() ? kCurrentCodes[v] : "??";
}
char featureChar(const ModelCode& c) {
    if ((c.feature & (kFeatSerial | kFeatEthernet)) == 0) {
        return '0';
    }
    const std::uint16_t mask =
        kFeatVoltMeter | kFeatEthernet | kFeatSocketControl | kFeatSocketMeter;
    const std::uint16_t bits = static_cast<std::uint16_t>((c.feature & mask) | kFeatSerial);
    for (const auto& f : kFeatureChars) {
        if (f.bits == bits)
            return f.c;
    }
    return '?';  // not reached: the table covers every combination with serial
}
char sensorChar(const ModelCode& c) {
    if ((c.feature & kFeatEnvSensor) == 0)
        return '0';
    return (c.extension & kExtSecondSensor) ? '3' : '1';
}
// The TLD number the encoder writes: the bits, or 4 for a managed code whose bits are 0.
unsigned encodedTld(const ModelCode& c) {
    unsigned bits = tldCountBits(c);
    if (bits == 0 && (c.feature & (kFeatSocketControl | kFeatSocketMeter)))
        return 4;
    return bits;
}

struct Letters {
    char first, second, third;  // third 0 = none
};
Letters lettersOf(const ModelCode& c) {
    SeriesIndex idx = seriesIndexOf(c);
    char first = 0, third = 0;
    char second = seriesLetters(idx, &first, &third);
    if (second == '?')
        return {'?', '?', '?'};
    return {first, second, idx >= 676 ? third : '\0'};
}

}  // namespace

bool isNoModel(const ModelCode& code) {
    return code.feature == 0xFFFF && code.attribute == 0xFFFFFFFFu;
}

bool decodeModelCode(char* text, std::size_t capacity, std::uint16_t* feature,
                     std::uint32_t* attribute, std::uint16_t* extension) {
    return decodeText(text, capacity, feature, attribute, extension);
}

bool decodeModelCode(char16_t* text, std::size_t capacity, std::uint16_t* feature,
                     std::uint32_t* attribute, std::uint16_t* extension) {
    return decodeText(text, capacity, feature, attribute, extension);
}

bool decodeModelCode(std::string& text, ModelCode& code) {
    // The string's own terminator bounds the text; an embedded NUL ends it early.
    return decodeText(text.data(), text.size() + 1, &code.feature, &code.attribute,
                      &code.extension);
}

std::size_t encodeModelCode(const ModelCode& code, char* out, std::size_t capacity) {
    if (isNoModel(code)) {
        if (out && capacity > 0)
            out[0] = '\0';
        return 0;
    }
    const Letters l = lettersOf(code);
    const bool ext = (code.attribute & (1u << 17)) != 0;
    const char extChar = ext ? 'B' : 'A';
    char buf[64];
    int n;
    if (l.third != 0) {
        n = std::snprintf(buf, sizeof buf, "%s%c%c%c%c%d%s%d%c%c%c%c-%d%c%c", "S", l.first,
                          formFactorChar(code), voltageChar(code), phaseChar(code),
                          static_cast<int>(breakerCount(code)), currentChars(code),
                          static_cast<int>(meterCount(code)), featureChar(code), sensorChar(code),
                          l.second, inletChars(inletIndexOf(code) & 31u),
                          static_cast<int>(encodedTld(code)), extChar, l.third);
    } else if (ext) {
        n = std::snprintf(buf, sizeof buf, "%s%c%c%c%c%d%s%d%c%c%c%c-%d%c", "S", l.first,
                          formFactorChar(code), voltageChar(code), phaseChar(code),
                          static_cast<int>(breakerCount(code)), currentChars(code),
                          static_cast<int>(meterCount(code)), featureChar(code), sensorChar(code),
                          l.second, inletChars(inletIndexOf(code) & 31u),
                          static_cast<int>(encodedTld(code)), extChar);
    } else {
        n = std::snprintf(buf, sizeof buf, "%s%c%c%c%c%d%s%d%c%c%c%c-%d", "S", l.first,
                          formFactorChar(code), voltageChar(code), phaseChar(code),
                          static_cast<int>(breakerCount(code)), currentChars(code),
                          static_cast<int>(meterCount(code)), featureChar(code), sensorChar(code),
                          l.second, inletChars(inletIndexOf(code) & 31u),
                          static_cast<int>(encodedTld(code)));
    }
    if (n < 0)
        n = 0;
    if (out && capacity > 0) {
        std::size_t copy = std::min<std::size_t>(static_cast<std::size_t>(n), capacity - 1);
        std::memcpy(out, buf, copy);
        out[copy] = '\0';
    }
    return static_cast<std::size_t>(n);
}

std::string encodeModelCode(const ModelCode& code) {
    char buf[32];
    std::size_t n = encodeModelCode(code, buf, sizeof buf);
    return std::string(buf, std::min(n, sizeof buf - 1));
}

std::string modelCodeField(const ModelCode& code, int field) {
    if (isNoModel(code))
        return {};
    if (field < 0 || field > 14)
        return "?";
    const Letters l = lettersOf(code);
    switch (static_cast<ModelCodeField>(field)) {
        case ModelCodeField::Prefix:
            return "S";
        case ModelCodeField::FormFactor:
            return std::string(1, formFactorChar(code));
        case ModelCodeField::Voltage:
            return std::string(1, voltageChar(code));
        case ModelCodeField::Phase:
            return std::string(1, phaseChar(code));
        case ModelCodeField::Breakers:
            return std::to_string(breakerCount(code));
        case ModelCodeField::Current:
            return currentChars(code);
        case ModelCodeField::Meters:
            return std::to_string(meterCount(code));
        case ModelCodeField::Features:
            return std::string(1, featureChar(code));
        case ModelCodeField::Sensors:
            return std::string(1, sensorChar(code));
        case ModelCodeField::SecondLetter:
            return std::string(1, l.second);
        case ModelCodeField::Inlet:
            return std::string(1, inletChars(inletIndexOf(code) & 31u));
        case ModelCodeField::TldCount:
            return std::to_string(encodedTld(code));
        case ModelCodeField::FirstLetter:
            return std::string(1, l.first);
        case ModelCodeField::InletExt:
            if (code.attribute & (1u << 17))
                return "B";
            return l.third != 0 ? "A" : "";
        case ModelCodeField::ThirdLetter:
            return l.third != 0 ? std::string(1, l.third) : std::string();
    }
    return "?";
}

int rotatedLetterValue(char c) {
    if (c < 'A' || c > 'Z')
        return -1;
    return (c - 'P' + 26) % 26;
}

char rotatedLetter(int value) {
    return static_cast<char>('A' + (value + 15) % 26);
}

char seriesLetters(SeriesIndex index, char* first, char* third) {
    if (index >= kSeriesCount) {
        if (first)
            *first = '?';
        if (third)
            *third = '?';
        return '?';
    }
    const unsigned pair = index % 676u;
    if (first)
        *first = rotatedLetter(static_cast<int>(pair / 26));
    if (third)
        *third = static_cast<char>('A' + index / 676u);
    return static_cast<char>('A' + pair % 26);
}

int seriesIndexOfLetters(char first, char second, char third) {
    int r = rotatedLetterValue(first);
    if (r < 0 || second < 'A' || second > 'Z')
        return -1;
    int idx = r * 26 + (second - 'A');
    if (third != 0) {
        if (third < 'A' || third > 'Z')
            return -1;
        idx += (third - 'A') * 676;
    }
    return idx;
}

char inletChars(InletIndex index, char* extension) {
    if (extension)
        *extension = (index & 32u) ? 'B' : ' ';
    const unsigned v = index & 31u;
    return static_cast<char>(v < 26 ? 'A' + v : '1' + (v - 26));
}

int inletIndexOfChars(char inlet, char extension) {
    const auto c = static_cast<unsigned char>(inlet);
    if (!isInletChar(c))
        return -1;
    return static_cast<int>(inletValue(c)) + (extension == 'B' ? 32 : 0);
}

SeriesIndex seriesIndexOf(std::uint32_t attribute, std::uint16_t extension) {
    return static_cast<SeriesIndex>(((attribute >> 18) & 0x3Fu) + 64u * ((attribute >> 7) & 1u) +
                                    128u * (extension & 0xFFu));
}

unsigned tldCountBits(const ModelCode& c) {
    return ((c.attribute >> 30) & 3u) + 4u * ((c.attribute >> 3) & 1u) +
           8u * ((c.extension >> 8) & 1u);
}

unsigned tldCount(const ModelCode& c) {
    if ((c.feature & (kFeatSocketControl | kFeatSocketMeter)) == 0)
        return 0;
    unsigned bits = tldCountBits(c);
    return bits == 0 ? 4 : bits;
}

std::uint16_t managementClass(std::uint16_t feature) {
    if (feature == 0xFFFF)
        return 0xFFFF;
    const bool managed = (feature & (kFeatSocketControl | kFeatSocketMeter)) != 0;
    switch ((feature >> 14) & 3u) {
        case 0:
            return managed ? 2 : ((feature & kFeatEthernet) ? 1 : 0);
        case 1:
            return managed ? 4 : 3;
        default:
            return 0xFFFF;
    }
}

}  // namespace quorvel
