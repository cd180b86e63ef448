// How configuration values are shown and entered: kinds, hundredths, temperatures in both
// units, the network option boxes and the dialog's temperature state with its unit switch.
#include <gtest/gtest.h>

#include <array>
#include <cstring>

#include "common/config_item.h"
#include "common/config_values.h"
#include "dialogs/logic/config_temperature.h"

namespace quorvel {
namespace {

std::u16string show(std::uint8_t kind, std::uint32_t size, std::initializer_list<int> bytes) {
    std::uint8_t e[64] = {};
    std::size_t i = 0;
    for (int b : bytes) {
        e[i++] = static_cast<std::uint8_t>(b);
    }
    return FormatConfigElement(kind, size, e);
}

TEST(ConfigValues, EachKindShowsAndEntersItsOwnWay) {
    EXPECT_EQ(show(kKindSigned16, 2, {0xFB, 0xFF}), u"-5");
    EXPECT_EQ(show(kKindUnsigned16, 2, {0xD1, 0x07}), u"2001");
    EXPECT_EQ(show(kKindIpAddress, 4, {192, 168, 1, 20}), u"192.168.1.20");
    EXPECT_EQ(show(kKindMacAddress, 6, {0, 0x1A, 0x2B, 0x3C, 0x4D, 0x5E}), u"00:1A:2B:3C:4D:5E");
    EXPECT_EQ(show(kKindText, 64, {'P', 0, 'D', 0, 'U', 0, 0, 0, 'X', 0}), u"PDU");
    EXPECT_EQ(show(kKindHundredths, 2, {0xB8, 0x0B}), u"30.0");
    EXPECT_EQ(show(kKindHundredths, 2, {0x8B, 0x0B}), u"29.6");  // 2955: rounded for display
    EXPECT_EQ(show(kKindByte, 1, {200}), u"200");
    EXPECT_EQ(show(kKindByteString, 1, {1}), u"");

    std::uint8_t e[64];
    std::memset(e, 0xAA, sizeof e);
    ParseConfigElement(kKindIpAddress, 4, u"10.1", e, 0);  // a cleared element
    EXPECT_EQ(std::vector<int>(e, e + 4), (std::vector<int>{10, 1, 0, 0}));
    ParseConfigElement(kKindUnsigned16, 2, u"12abc", e, 0);
    EXPECT_EQ(e[0] | e[1] << 8, 12);
    ParseConfigElement(kKindByte, 1, u"junk", e, 0);  // unparsable enters as 0
    EXPECT_EQ(e[0], 0);
    ParseConfigElement(kKindHundredths, 2, u"", e, 0);
    EXPECT_EQ(e[0] | e[1] << 8, 0);
    ParseConfigElement(kKindHundredths, 2, u"29.999999", e, 0);  // + 0.0001 reaches 3000
    EXPECT_EQ(e[0] | e[1] << 8, 3000);
    ParseConfigElement(kKindHundredths, 2, u"0.29", e, 0);  // exact, not 28.999...
    EXPECT_EQ(e[0] | e[1] << 8, 29);
    // The 0.0001 added is one millionth of the number: 0.019998 stays 1, 0.019999 reaches 2.
    EXPECT_EQ(HundredthsEntered(u"0.019998"), 1);
    EXPECT_EQ(HundredthsEntered(u"0.019999"), 2);
    EXPECT_EQ(HundredthsEntered(u"100.9999"), 10099);
    // Twelve digits count, leading zeros not among them; more are ignored.
    EXPECT_EQ(ParseDecimalInteger(u"000123456789012"), 123456789012);
    EXPECT_EQ(ParseDecimalInteger(u"-1234567890123"), -123456789012);

    // A general text keeps room for its terminator; a name may fill all 32 characters.
    const std::u16string long40(40, u'n');
    ParseConfigElement(kKindText, 64, long40, e, TerminatedTextChars(64));
    EXPECT_EQ(FormatConfigElement(kKindText, 64, e).size(), 31u);
    EXPECT_EQ(e[62] | e[63], 0);
    ParseConfigElement(kKindText, 64, long40, e, 32);
    EXPECT_EQ(FormatConfigElement(kKindText, 64, e).size(), 32u);
    // Each character as two bytes, low byte first.
    ParseConfigElement(kKindText, 6, u"\u0141\u20ac", e, 3);
    EXPECT_EQ(std::vector<int>(e, e + 6), (std::vector<int>{0x41, 0x01, 0xAC, 0x20, 0, 0}));
}

TEST(ConfigValues, TemperaturesInBothUnits) {
    EXPECT_EQ(FormatTemperature(3200, false), u"32.0");
    EXPECT_EQ(FormatTemperature(FahrenheitToCelsius(3200), true), u"0.0");
    EXPECT_EQ(FormatTemperature(0, false), u"");
    EXPECT_EQ(FahrenheitToCelsius(0), kCelsiusNotSet);
    EXPECT_EQ(FormatTemperature(FahrenheitToCelsius(0), true), u"");
    EXPECT_EQ(FahrenheitToCelsius(9500), 3500);
    EXPECT_EQ(FahrenheitToCelsius(100), -1722);  // truncated toward zero
    EXPECT_EQ(FormatTemperature(-1722, true), u"-17.2");
    EXPECT_EQ(TemperatureEntered(u"-5", true), 2300);
    EXPECT_EQ(TemperatureEntered(u"98.6", false), 9860);
    EXPECT_EQ(TemperatureEntered(u"", true), 0);
    EXPECT_EQ(CelsiusToFahrenheit(-20000), 0);
    // An absurd Celsius limit wraps into the field like any other number (found by fuzzing:
    // the arithmetic used to overflow).
    EXPECT_EQ(CelsiusToFahrenheit(2065224228),
              static_cast<std::uint16_t>(2065224228LL * 9 / 5 + 3200));
    EXPECT_EQ(FormatHumidity(0), u"");
    EXPECT_EQ(FormatHumidity(4550), u"45.5");
}

TEST(ConfigValues, NumbersOutsideTheirFieldAreRefusedNeverWrapped) {
    const struct {
        std::uint8_t kind;
        const char16_t* text;
        bool fits;
    } cases[] = {
        {kKindUnsigned16, u"65535", true},  {kKindUnsigned16, u"70000", false},
        {kKindUnsigned16, u"-1", false},    {kKindUnsigned16, u"port", true},  // enters as 0
        {kKindSigned16, u"-32768", true},   {kKindSigned16, u"32768", false},
        {kKindSigned16, u"-32769", false},  {kKindByte, u"255", true},
        {kKindByte, u"256", false},         {kKindByte, u"-1", false},
        {kKindHundredths, u"655.35", true}, {kKindHundredths, u"655.36", false},
        {kKindHundredths, u"-1", false},    {kKindHundredths, u"-0.001", true},  // truncates to 0
        {kKindHundredths, u"", true},       {kKindHundredths, u"99999999999999", false},
        {kKindText, u"70000", true},        {kKindIpAddress, u"300.1.1.1", true},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ConfigEntryFits(c.kind, c.text), c.fits) << int{c.kind} << " " << ToUtf8(c.text);
    }
    // Temperature limits: Fahrenheit as the field holds it, Celsius as far as its Fahrenheit
    // form stays in the field; empty is "not set".
    EXPECT_TRUE(TemperatureEntryFits(u"655.35", false));
    EXPECT_FALSE(TemperatureEntryFits(u"655.36", false));
    EXPECT_FALSE(TemperatureEntryFits(u"-0.01", false));
    EXPECT_TRUE(TemperatureEntryFits(u"", true));
    for (bool celsius : {false, true}) {
        const EntryRange r = TemperatureEntryRange(celsius);
        for (std::int64_t c : {r.low, r.high}) {
            const std::int64_t f = celsius ? c * 9 / 5 + 3200 : c;
            EXPECT_TRUE(f >= 0 && f <= 65535) << c;
        }
        const std::int64_t below = celsius ? (r.low - 1) * 9 / 5 + 3200 : r.low - 1;
        const std::int64_t above = celsius ? (r.high + 1) * 9 / 5 + 3200 : r.high + 1;
        EXPECT_LT(below, 0);
        EXPECT_GT(above, 65535);
    }
    EXPECT_TRUE(TemperatureEntryFits(u"-17.78", true));
    EXPECT_FALSE(TemperatureEntryFits(u"-17.79", true));
    EXPECT_FALSE(TemperatureEntryFits(u"-200", true));  // not a way to say "not set"
    EXPECT_TRUE(TemperatureEntryFits(u"346.31", true));
    EXPECT_FALSE(TemperatureEntryFits(u"346.32", true));

    EntryRange port;
    ASSERT_TRUE(ConfigEntryRange(kKindUnsigned16, port));
    EXPECT_EQ(RefusedEntryText(u"PDU Connection Port", u"70000", port),
              u"PDU Connection Port: 70000 is outside the accepted range 0 to 65535");
    EXPECT_EQ(EntryRangeText(TemperatureEntryRange(true)), u"-17.78 to 346.31");
    EXPECT_EQ(EntryRangeText({-5, 7, true}), u"-0.05 to 0.07");
    EntryRange current;
    ASSERT_TRUE(ConfigEntryRange(kKindHundredths, current));
    EXPECT_EQ(EntryRangeText(current), u"0.00 to 655.35");
    EntryRange none;
    EXPECT_FALSE(ConfigEntryRange(kKindText, none));
}

TEST(ConfigValues, TheFormOfTypedText) {
    for (const char* ok : {"-5", "+5", "007"}) {
        EXPECT_TRUE(IsIntegerText(ok)) << ok;
    }
    for (const char* bad : {"", "-", "5a", "5.0", " 5"}) {
        EXPECT_FALSE(IsIntegerText(bad)) << bad;
    }
    for (const char* ok : {"-1.5", ".5", "5.", "12"}) {
        EXPECT_TRUE(IsDecimalText(ok)) << ok;
    }
    for (const char* bad : {"", ".", "-", "+1", "1.2.3", "1,5"}) {
        EXPECT_FALSE(IsDecimalText(bad)) << bad;
    }
    for (const char* ok : {"1.2.3.4", "255.255.255.0", "0.0.0.0"}) {
        EXPECT_TRUE(IsIpText(ok)) << ok;
    }
    for (const char* bad : {"", "1.2.3", "1.2.3.4.5", "256.1.1.1", "1..2.3", "1.2.3.", "a.b.c.d",
                            "-1.2.3.4", "1.2.3.4 ", "0000001.2.3.4"}) {
        EXPECT_FALSE(IsIpText(bad)) << bad;
    }
}

TEST(ConfigValues, DefaultRatingsPerCircuit) {
    EXPECT_EQ(CircuitDefaultRating(16, 0), 16);
    EXPECT_EQ(CircuitDefaultRating(16, 5), 16);
    // "20/20/30 A": the first three circuits; none for the others.
    for (int c = 0; c < 6; ++c) {
        EXPECT_EQ(CircuitDefaultRating(223, c), (std::array{20, 20, 30, 0, 0, 0})[c]) << c;
    }
    EXPECT_EQ(CircuitDefaultRating(0, 0), 0);  // an invalid current code: no rating
    EXPECT_EQ(CircuitDefaultRating(16, 6), 0);
    EXPECT_EQ(CircuitDefaultRating(16, -1), 0);
}

TEST(ConfigValues, NetworkOptionBoxes) {
    const NetOptionBox& swu = kNetOptionBoxes[3];
    EXPECT_TRUE(NetOptionChecked(0x0000, swu));  // checked while its bit is clear
    EXPECT_EQ(WithNetOption(0x0020, swu, true), 0x0000);
    EXPECT_EQ(WithNetOption(0x0000, swu, false), 0x0020);
    const NetOptionBox& c = kNetOptionBoxes[kNetBoxCelsius];
    EXPECT_EQ(WithNetOption(0x8008, c, true), 0x8048);  // bits without a box stay
    EXPECT_TRUE(kNetOptionBoxes[kNetBoxAutoIp].defaultChecked);
    for (const std::uint8_t code : {42, 43, 44}) {
        EXPECT_TRUE(IsProtectedItem(code)) << int{code};
    }
    EXPECT_FALSE(IsProtectedItem(41) || IsProtectedItem(45) || IsProtectedItem(17));
}

TEST(ConfigValues, Utf8BothWays) {
    const std::u16string text = u"Ra\u00fcm \u20ac \U0001F50C";
    EXPECT_EQ(FromUtf8(ToUtf8(text)), text);
    EXPECT_EQ(ToUtf8(u"\u00e9"), "\xC3\xA9");
    // The last code point of each length and the first of the next.
    EXPECT_EQ(ToUtf8(u"\u007f\u0080"), "\x7F\xC2\x80");
    EXPECT_EQ(ToUtf8(u"\u07ff\u0800"), "\xDF\xBF\xE0\xA0\x80");
    EXPECT_EQ(ToUtf8(u"\U0001F50C"), "\xF0\x9F\x94\x8C");
    EXPECT_EQ(FromUtf8("\xF0\x90\x80\x80"), u"\U00010000");
    EXPECT_EQ(ToUtf8(u"\U00010000"), "\xF0\x90\x80\x80");
    // A surrogate without its partner is the replacement character.
    EXPECT_EQ(ToUtf8(std::u16string(1, u'\xD800')), "\xEF\xBF\xBD");
    EXPECT_EQ(ToUtf8(std::u16string{u'a', u'\xDC00'}), "a\xEF\xBF\xBD");
    EXPECT_EQ(FromUtf8("a\xFF"
                       "b"),
              u"a\uFFFDb");
}

TEST(TemperatureLimits, UnitSwitchReadsOnlyTypedLimits) {
    dialogs::TemperatureLimits t;
    EXPECT_EQ(t.label(dialogs::TemperatureLimits::kMin), u"Min Temperature (F):");
    EXPECT_EQ(t.text(0), u"");  // not set at the start
    t.load(0, 3200);
    t.load(1, 0);
    EXPECT_EQ(t.text(0), u"32.0");
    t.switchUnit(true, {u"ignored", u"ignored"});  // nothing typed: the texts are not read
    EXPECT_EQ(t.text(0), u"0.0");
    EXPECT_EQ(t.text(1), u"");
    EXPECT_EQ(t.label(1), u"Max Temperature (C):");

    t.edited(0);
    t.edited(1);
    t.switchUnit(true, {u"-5", u""});  // saving brings the state up to date in the same unit
    EXPECT_EQ(t.fahrenheit(0), 2300);
    EXPECT_EQ(t.fahrenheit(1), 0);
    EXPECT_FALSE(t.changed(0));
    t.switchUnit(false, {u"", u""});
    EXPECT_EQ(t.text(0), u"23.0");

    t.edited(0);
    t.switchUnit(false, {u"", u""});  // an emptied limit is "not set" in both units
    EXPECT_EQ(t.fahrenheit(0), 0);
    EXPECT_EQ(t.celsiusValue(0), kCelsiusNotSet);

    // A typed limit outside the unit shown is refused and keeps its value; the other is read.
    t.load(0, 5000);
    t.load(1, 9500);
    t.edited(0);
    t.edited(1);
    EXPECT_EQ(t.switchUnit(true, {u"1000", u"90"}), (std::array<bool, 2>{true, false}));
    EXPECT_EQ(t.fahrenheit(0), 5000);
    EXPECT_EQ(t.fahrenheit(1), 9000);
    EXPECT_FALSE(t.changed(0));
    t.edited(1);
    EXPECT_EQ(t.switchUnit(true, {u"", u"-40"}), (std::array<bool, 2>{false, true}));  // in C
    EXPECT_EQ(t.fahrenheit(1), 9000);
}

}  // namespace
}  // namespace quorvel
