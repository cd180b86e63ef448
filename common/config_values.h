// How configuration values look to the operator and how typed text enters the byte images: the
// text of each value kind, the temperature units, the network option boxes. The configuration
// dialog and quorvelctl both use these, so a value reads the same in either.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace quorvel {

// What the protected text fields show without the developer flag.
inline constexpr std::u16string_view kMaskedText = u"**********";
// Celsius hundredths that stand for "not set" (the Fahrenheit form of "not set" is 0).
constexpr std::int32_t kCelsiusNotSet = -20000;

// The text of one element of kinds 0 to 6: decimal numbers, dotted IP and colon MAC addresses,
// wide text up to its terminator, hundredths as "%.1f". Kind 7 and above give empty text.
std::u16string FormatConfigElement(std::uint8_t kind, std::uint32_t size,
                                   const std::uint8_t* element);
// Enters text into one element of kinds 0 to 6. Numbers that do not parse enter as 0; addresses
// fill a cleared element; a text keeps at most maxChars characters (and never more than the
// element holds), the rest of the element zeros.
void ParseConfigElement(std::uint8_t kind, std::uint32_t size, std::u16string_view text,
                        std::uint8_t* element, std::size_t maxChars);
// maxChars for the general text fields: room is always left for the terminator.
constexpr std::size_t TerminatedTextChars(std::uint32_t size) {
    return size >= 2 ? size / 2 - 1 : 0;
}

// A decimal integer as typed: blanks, an optional sign, digits up to the first non-digit
// (none give 0).
std::int64_t ParseDecimalInteger(std::u16string_view text);
// A decimal number times 100, truncated toward zero, computed exactly from its digits.
std::int32_t HundredthsTruncated(std::u16string_view text);
// A hundredths field as entered: number × 100 + 0.0001, truncated toward zero; empty gives 0.
std::int32_t HundredthsEntered(std::u16string_view text);
// A hundredths field as shown: "%.1f" of value / 100 after adding 0.0001.
std::u16string FormatHundredths(std::uint16_t value);

// The numbers a numeric field accepts: what its element holds, in hundredths for the
// hundredths fields and the temperature limits. A value outside is refused, never wrapped.
struct EntryRange {
    std::int64_t low = 0;
    std::int64_t high = 0;
    bool hundredths = false;

    bool operator==(const EntryRange&) const = default;
};
// The range of kinds 0, 1, 5 and 6; false for the kinds that are not numbers.
bool ConfigEntryRange(std::uint8_t kind, EntryRange& range);
// Whether typed text enters an element of the kind within its range. Text that is not a
// number enters as 0, so it fits; kinds that are not numbers always fit.
bool ConfigEntryFits(std::uint8_t kind, std::u16string_view text);
// A temperature limit typed in the given unit: the range that keeps its Fahrenheit form
// within the field, and whether the text fits it (empty text is "not set" and fits).
EntryRange TemperatureEntryRange(bool celsius);
bool TemperatureEntryFits(std::u16string_view text, bool celsius);
// Text of the form a field takes, its range checked apart: a sign and digits; a decimal number
// (an optional minus, digits and at most one point); dotted IPv4 text of four numbers 0..255.
bool IsIntegerText(std::string_view text);
bool IsDecimalText(std::string_view text);
bool IsIpText(std::string_view text);
// "0 to 65535", "0.00 to 655.35".
std::u16string EntryRangeText(const EntryRange& range);
// "<field>: <typed> is outside the accepted range <range>".
std::u16string RefusedEntryText(std::u16string_view field, std::u16string_view typed,
                                const EntryRange& range);

// Set Defaults' current rating of circuit 0..5 in whole amperes from the profile's rating:
// the rating itself, or for 223 ("20/20/30 A") 20, 20 and 30 on the first three circuits.
// 0 where the rating gives none.
int CircuitDefaultRating(std::uint8_t rating, int circuit);

// Temperatures in hundredths of a degree. Fahrenheit 0 and Celsius -20000 mean "not set".
std::int32_t FahrenheitToCelsius(std::uint16_t fahrenheit);
std::uint16_t CelsiusToFahrenheit(std::int32_t celsius);
// Empty for "not set", else "%.1f" of value / 100.
std::u16string FormatTemperature(std::int32_t value, bool celsius);
// The Fahrenheit hundredths of a temperature typed in the given unit; empty text is "not set".
std::uint16_t TemperatureEntered(std::u16string_view text, bool celsius);
// Humidity limits: empty for 0, else as a hundredths field.
std::u16string FormatHumidity(std::uint16_t value);

// The device password, KOVA name and KOVA password: shown, edited and saved only with the
// developer flag.
bool IsProtectedItem(std::uint8_t code);

// The network option check boxes over the 16-bit cNetOptions value.
struct NetOptionBox {
    const char16_t* label;
    const char* name;  // quorvelctl's name of the box
    std::uint16_t bit;
    bool checkedWhenSet;  // "SWU" is checked while its bit is clear
    bool defaultChecked;  // state after Set Defaults
};
inline constexpr std::array<NetOptionBox, 5> kNetOptionBoxes{{
    {u"AutoIP", "AutoIP", 0x01, true, true},
    {u"Hosts", "Hosts", 0x02, true, false},
    {u"WEB", "WEB", 0x10, true, false},
    {u"SWU", "SWU", 0x20, false, false},
    {u"C", "C", 0x40, true, false},
}};
constexpr int kNetBoxAutoIp = 0;
constexpr int kNetBoxCelsius = 4;
constexpr std::uint16_t kNetCelsiusBit = 0x40;

bool NetOptionChecked(std::uint16_t value, const NetOptionBox& box);
// value with the box's bit as the box's state says; other bits are kept.
std::uint16_t WithNetOption(std::uint16_t value, const NetOptionBox& box, bool checked);

// UTF-16 and UTF-8 for the command line and JSON (unpaired surrogates become U+FFFD).
std::string ToUtf8(std::u16string_view text);
std::u16string FromUtf8(std::string_view text);

}  // namespace quorvel
