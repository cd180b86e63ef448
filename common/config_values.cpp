// Display and entry rules of configuration values. Numbers are formatted and parsed without the
// program's locale, so a value reads "32.0" whatever the operator's settings.
#include "common/config_values.h"

#include <algorithm>
#include <charconv>
#include <cstring>

#include "common/address_text.h"
#include "common/config_item.h"
#include "common/model_profile.h"

namespace quorvel {

namespace {

constexpr int kMaxIntegerDigits = 12;  // keeps every parse inside 64 bits
constexpr int kFractionDigits = 6;     // micro-units: enough for the 0.0001 of a hundredth

std::u16string widen(std::string_view text) {
    return std::u16string(text.begin(), text.end());
}

std::string narrowAscii(std::u16string_view text) {
    std::string s;
    for (char16_t c : text) {
        s += c < 0x80 ? static_cast<char>(c) : '?';
    }
    return s;
}

std::u16string fixed1(double value) {
    char buf[64];
    const auto r = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::fixed, 1);
    return widen(std::string_view(buf, static_cast<std::size_t>(r.ptr - buf)));
}

bool isBlank(char16_t c) {
    return c == u' ' || c == u'\t';
}

// A decimal number in millionths, truncated toward zero; false when it has no digits.
bool parseMicro(std::u16string_view text, std::int64_t& micro) {
    std::size_t i = 0;
    while (i < text.size() && isBlank(text[i])) {
        ++i;
    }
    bool negative = false;
    if (i < text.size() && (text[i] == u'+' || text[i] == u'-')) {
        negative = text[i] == u'-';
        ++i;
    }
    std::int64_t whole = 0;
    int digits = 0;
    int integerDigits = 0;
    for (; i < text.size() && text[i] >= u'0' && text[i] <= u'9'; ++i, ++digits) {
        if (integerDigits < kMaxIntegerDigits) {
            whole = whole * 10 + (text[i] - u'0');
            integerDigits += whole > 0 ? 1 : 0;
        }
    }
    std::int64_t fraction = 0;
    int fractionDigits = 0;
    if (i < text.size() && text[i] == u'.') {
        for (++i; i < text.size() && text[i] >= u'0' && text[i] <= u'9'; ++i, ++digits) {
            if (fractionDigits < kFractionDigits) {
                fraction = fraction * 10 + (text[i] - u'0');
                ++fractionDigits;
            }
        }
    }
    for (; fractionDigits < kFractionDigits; ++fractionDigits) {
        fraction *= 10;
    }
    micro = whole * 1000000 + fraction;
    if (negative) {
        micro = -micro;
    }
    return digits > 0;
}

// Typed text in hundredths, truncated toward zero, without the 32-bit cut.
std::int64_t hundredthsOf(std::u16string_view text) {
    std::int64_t micro = 0;
    parseMicro(text, micro);
    return micro / 10000;
}

// The value a hundredths field enters: number × 100 + 0.0001, truncated; no digits give 0.
std::int64_t hundredthsEntered(std::u16string_view text) {
    std::int64_t micro = 0;
    return parseMicro(text, micro) ? (micro + 1) / 10000 : 0;
}

void storeText(std::u16string_view text, std::uint8_t* element, std::uint32_t size,
               std::size_t maxChars) {
    std::memset(element, 0, size);
    const std::size_t n = std::min({text.size(), maxChars, std::size_t{size / 2}});
    for (std::size_t i = 0; i < n; ++i) {
        element[2 * i] = static_cast<std::uint8_t>(text[i] & 0xFF);
        element[2 * i + 1] = static_cast<std::uint8_t>(text[i] >> 8);
    }
}

std::u16string loadText(const std::uint8_t* element, std::uint32_t size) {
    std::u16string s;
    for (std::uint32_t i = 0; i + 1 < size; i += 2) {
        const auto c = static_cast<char16_t>(element[i] | element[i + 1] << 8);
        if (c == u'\0') {
            break;
        }
        s += c;
    }
    return s;
}

std::uint16_t load16(const std::uint8_t* p) {
    return static_cast<std::uint16_t>(p[0] | p[1] << 8);
}

void store16(std::uint8_t* p, std::int64_t v) {
    p[0] = static_cast<std::uint8_t>(v & 0xFF);
    p[1] = static_cast<std::uint8_t>((v >> 8) & 0xFF);
}

}  // namespace

std::u16string FormatConfigElement(std::uint8_t kind, std::uint32_t size, const std::uint8_t* e) {
    switch (kind) {
        case kKindSigned16:
            return widen(std::to_string(static_cast<std::int16_t>(load16(e))));
        case kKindUnsigned16:
            return widen(std::to_string(load16(e)));
        case kKindIpAddress: {
            std::uint8_t ip[4];
            std::memcpy(ip, e, sizeof ip);
            return widen(FormatIpAddress(ip));
        }
        case kKindMacAddress: {
            std::uint8_t mac[6];
            std::memcpy(mac, e, sizeof mac);
            return widen(FormatMacAddress(mac));
        }
        case kKindText:
            return loadText(e, size);
        case kKindHundredths:
            return FormatHundredths(load16(e));
        case kKindByte:
            return widen(std::to_string(unsigned{e[0]}));
        default:
            return {};
    }
}

void ParseConfigElement(std::uint8_t kind, std::uint32_t size, std::u16string_view text,
                        std::uint8_t* e, std::size_t maxChars) {
    switch (kind) {
        case kKindSigned16:
        case kKindUnsigned16:
            store16(e, ParseDecimalInteger(text));
            break;
        case kKindIpAddress: {
            std::uint8_t ip[4] = {};
            ParseIpAddress(narrowAscii(text), ip);
            std::memcpy(e, ip, sizeof ip);
            break;
        }
        case kKindMacAddress: {
            std::uint8_t mac[6] = {};
            ParseMacAddress(narrowAscii(text), mac);
            std::memcpy(e, mac, sizeof mac);
            break;
        }
        case kKindText:
            storeText(text, e, size, maxChars);
            break;
        case kKindHundredths:
            store16(e, HundredthsEntered(text));
            break;
        case kKindByte:
            e[0] = static_cast<std::uint8_t>(ParseDecimalInteger(text) & 0xFF);
            break;
        default:
            break;
    }
}

std::int64_t ParseDecimalInteger(std::u16string_view text) {
    std::size_t i = 0;
    while (i < text.size() && isBlank(text[i])) {
        ++i;
    }
    bool negative = false;
    if (i < text.size() && (text[i] == u'+' || text[i] == u'-')) {
        negative = text[i] == u'-';
        ++i;
    }
    std::int64_t value = 0;
    for (int digits = 0; i < text.size() && text[i] >= u'0' && text[i] <= u'9'; ++i) {
        if (digits < kMaxIntegerDigits) {
            value = value * 10 + (text[i] - u'0');
            digits += value > 0 ? 1 : 0;
        }
    }
    return negative ? -value : value;
}

std::int32_t HundredthsTruncated(std::u16string_view text) {
    return static_cast<std::int32_t>(hundredthsOf(text));
}

std::int32_t HundredthsEntered(std::u16string_view text) {
    return static_cast<std::int32_t>(hundredthsEntered(text));
}

std::u16string FormatHundredths(std::uint16_t value) {
    return fixed1(value / 100.0 + 0.0001);
}

namespace {

bool within(std::int64_t v, const EntryRange& r) {
    return v >= r.low && v <= r.high;
}

std::u16string numberText(std::int64_t v, bool hundredths) {
    if (!hundredths) {
        return widen(std::to_string(v));
    }
    const std::int64_t magnitude = v < 0 ? -v : v;
    std::string s = v < 0 ? "-" : "";
    s += std::to_string(magnitude / 100) + '.';
    s += static_cast<char>('0' + magnitude % 100 / 10);
    s += static_cast<char>('0' + magnitude % 10);
    return widen(s);
}

// The Celsius limits whose Fahrenheit form (C × 9 / 5 truncated, plus 3200) lies in 0..65535.
constexpr std::int64_t kCelsiusLowest = -1778;
constexpr std::int64_t kCelsiusHighest = 34631;

}  // namespace

bool ConfigEntryRange(std::uint8_t kind, EntryRange& range) {
    switch (kind) {
        case kKindSigned16:
            range = {-32768, 32767, false};
            return true;
        case kKindUnsigned16:
            range = {0, 65535, false};
            return true;
        case kKindHundredths:
            range = {0, 65535, true};
            return true;
        case kKindByte:
            range = {0, 255, false};
            return true;
        default:
            return false;
    }
}

bool ConfigEntryFits(std::uint8_t kind, std::u16string_view text) {
    EntryRange range;
    if (!ConfigEntryRange(kind, range)) {
        return true;
    }
    return within(range.hundredths ? hundredthsEntered(text) : ParseDecimalInteger(text), range);
}

EntryRange TemperatureEntryRange(bool celsius) {
    return celsius ? EntryRange{kCelsiusLowest, kCelsiusHighest, true} : EntryRange{0, 65535, true};
}

bool TemperatureEntryFits(std::u16string_view text, bool celsius) {
    return text.empty() || within(hundredthsOf(text), TemperatureEntryRange(celsius));
}

bool IsIntegerText(std::string_view s) {
    const std::size_t i = !s.empty() && (s[0] == '-' || s[0] == '+') ? 1 : 0;
    return i < s.size() && s.find_first_not_of("0123456789", i) == std::string_view::npos;
}

bool IsDecimalText(std::string_view s) {
    const std::size_t i = !s.empty() && s[0] == '-' ? 1 : 0;
    const std::size_t dot = s.find('.', i);
    const std::string_view whole = s.substr(i, dot == std::string_view::npos ? s.npos : dot - i);
    const std::string_view fraction = dot == std::string_view::npos ? "" : s.substr(dot + 1);
    return whole.size() + fraction.size() > 0 &&
           whole.find_first_not_of("0123456789") == std::string_view::npos &&
           fraction.find_first_not_of("0123456789") == std::string_view::npos;
}

bool IsIpText(std::string_view s) {
    int parts = 0;
    std::size_t start = 0;
    while (true) {
        const std::size_t dot = s.find('.', start);
        const std::string_view part = s.substr(start, dot == s.npos ? s.npos : dot - start);
        if (part.empty() || part.size() > 6 ||
            part.find_first_not_of("0123456789") != std::string_view::npos) {
            return false;
        }
        int v = 0;
        std::from_chars(part.data(), part.data() + part.size(), v);
        if (v > 255 || ++parts > 4) {
            return false;
        }
        if (dot == s.npos) {
            return parts == 4;
        }
        start = dot + 1;
    }
}

std::u16string EntryRangeText(const EntryRange& range) {
    return numberText(range.low, range.hundredths) + u" to " +
           numberText(range.high, range.hundredths);
}

std::u16string RefusedEntryText(std::u16string_view field, std::u16string_view typed,
                                const EntryRange& range) {
    std::u16string s(field);
    s += u": ";
    s += typed;
    s += u" is outside the accepted range ";
    s += EntryRangeText(range);
    return s;
}

int CircuitDefaultRating(std::uint8_t rating, int circuit) {
    constexpr std::uint8_t kSplitRating = 223;  // "20/20/30 A"
    constexpr int kSplit[] = {20, 20, 30};
    if (circuit < 0 || circuit >= kMaxCircuits) {
        return 0;
    }
    if (rating == kSplitRating) {
        return circuit < 3 ? kSplit[circuit] : 0;
    }
    return rating;
}

std::int32_t FahrenheitToCelsius(std::uint16_t fahrenheit) {
    if (fahrenheit == 0) {
        return kCelsiusNotSet;
    }
    return (5 * static_cast<std::int32_t>(fahrenheit) - 16000) / 9;
}

std::uint16_t CelsiusToFahrenheit(std::int32_t celsius) {
    if (celsius <= kCelsiusNotSet) {
        return 0;
    }
    // Wide enough for any typed value; the field keeps the low 16 bits.
    return static_cast<std::uint16_t>(static_cast<std::int64_t>(celsius) * 9 / 5 + 3200);
}

std::u16string FormatTemperature(std::int32_t value, bool celsius) {
    if (celsius ? value <= kCelsiusNotSet : value == 0) {
        return {};
    }
    return fixed1(value / 100.0);
}

std::uint16_t TemperatureEntered(std::u16string_view text, bool celsius) {
    if (text.empty()) {
        return 0;
    }
    const std::int32_t hundredths = HundredthsTruncated(text);
    return celsius ? CelsiusToFahrenheit(hundredths) : static_cast<std::uint16_t>(hundredths);
}

std::u16string FormatHumidity(std::uint16_t value) {
    return value == 0 ? std::u16string{} : FormatHundredths(value);
}

bool IsProtectedItem(std::uint8_t code) {
    return code == 42 || code == 43 || code == 44;
}

bool NetOptionChecked(std::uint16_t value, const NetOptionBox& box) {
    return ((value & box.bit) != 0) == box.checkedWhenSet;
}

std::uint16_t WithNetOption(std::uint16_t value, const NetOptionBox& box, bool checked) {
    const bool set = checked == box.checkedWhenSet;
    return static_cast<std::uint16_t>(set ? value | box.bit : value & ~box.bit);
}

std::string ToUtf8(std::u16string_view text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        std::uint32_t c = text[i];
        if (c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
            text[i + 1] <= 0xDFFF) {
            c = 0x10000 + ((c - 0xD800) << 10) + (text[++i] - 0xDC00u);
        } else if (c >= 0xD800 && c <= 0xDFFF) {
            c = 0xFFFD;
        }
        if (c < 0x80) {
            out += static_cast<char>(c);
        } else if (c < 0x800) {
            out += static_cast<char>(0xC0 | c >> 6);
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else if (c < 0x10000) {
            out += static_cast<char>(0xE0 | c >> 12);
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else {
            out += static_cast<char>(0xF0 | c >> 18);
            out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return out;
}

std::u16string FromUtf8(std::string_view text) {
    std::u16string out;
    for (std::size_t i = 0; i < text.size();) {
        const auto b = static_cast<unsigned char>(text[i]);
        const int extra = b < 0x80         ? 0
                          : (b >> 5) == 6  ? 1
                          : (b >> 4) == 14 ? 2
                          : (b >> 3) == 30 ? 3
                                           : -1;
        std::uint32_t c = extra == 0 ? b : extra == 1 ? b & 0x1F : extra == 2 ? b & 0x0F : b & 0x07;
        bool ok = extra >= 0 && i + static_cast<std::size_t>(extra) < text.size();
        for (int k = 1; ok && k <= extra; ++k) {
            const auto n = static_cast<unsigned char>(text[i + static_cast<std::size_t>(k)]);
            ok = (n & 0xC0) == 0x80;
            c = c << 6 | (n & 0x3F);
        }
        if (!ok) {
            out += u'\uFFFD';
            ++i;
            continue;
        }
        i += static_cast<std::size_t>(extra) + 1;
        if (c >= 0x10000) {
            c -= 0x10000;
            out += static_cast<char16_t>(0xD800 + (c >> 10));
            out += static_cast<char16_t>(0xDC00 + (c & 0x3FF));
        } else {
            out += static_cast<char16_t>(c);
        }
    }
    return out;
}

}  // namespace quorvel
