// Model code string <-> words: field checks, the encoder's special cases and round trips.
#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <string>

#include "catalogue/model_code.h"

namespace quorvel {
namespace {

ModelCode decoded(std::string text) {
    ModelCode code{0x1111, 0x22222222, 0x3333};
    EXPECT_TRUE(decodeModelCode(text, code)) << text;
    return code;
}

bool decodes(std::string text) {
    ModelCode code;
    return decodeModelCode(text, code);
}

TEST(ModelCodeDecode, ExampleCodeGivesEveryField) {
    // Series QB (27), Vertical, 208 V, single phase, 2 breakers, 30 A, 4 meters, serial only.
    const ModelCode c = decoded("SQV21230410BA-0");
    EXPECT_EQ(c, (ModelCode{0x0080, 0x146C0312, 0x0000}));
    EXPECT_EQ(seriesIndexOf(c), 27);
    EXPECT_EQ(encodeModelCode(c), "SQV21230410BA-0");
}

TEST(ModelCodeDecode, BitPositionsOfEveryField) {
    // Three phase, 208/120 V, Wedge2U, 20/20/30 A, features D, sensors 3, inlet 6 extension B,
    // third letter Z (series 25 * 676 + 27), TLD 8 (its bit 3 lies in the ExtensionWord).
    const ModelCode c = decoded("SQX436AA6D3B6-8BZ");
    EXPECT_EQ(c.feature, kFeatThreePhase | kFeatSerial | kFeatEthernet | kFeatVoltMeter |
                             kFeatSocketControl | kFeatSocketMeter | kFeatEnvSensor);
    EXPECT_EQ(seriesIndexOf(c), 25 * 676 + 27);
    EXPECT_EQ(inletIndexOf(c), 63);
    EXPECT_EQ(currentCode(c), 7u);
    EXPECT_EQ(c.extension & kExtSecondSensor, kExtSecondSensor);
    EXPECT_EQ(c.extension & 0x100, 0x100);     // TLD bit 3
    EXPECT_EQ(c.attribute & 0xC0000008u, 0u);  // TLD bits 0..2
    EXPECT_EQ(c.extension & 0xFF, (25 * 676 + 27) >> 7);
}

TEST(ModelCodeDecode, UpperCasesTheCallersBuffer) {
    char buf[32] = "sqv21230410ba-0";
    std::uint16_t f = 0;
    ASSERT_TRUE(decodeModelCode(buf, sizeof buf, &f, nullptr, nullptr));
    EXPECT_STREQ(buf, "SQV21230410BA-0");
    EXPECT_EQ(f, kFeatSerial);

    char16_t wide[32] = u"sqv21230410ba-0";
    std::uint32_t a = 0;
    ASSERT_TRUE(decodeModelCode(wide, 32, nullptr, &a, nullptr));
    EXPECT_EQ(std::u16string(wide), u"SQV21230410BA-0");
    EXPECT_EQ(a, 0x146C0312u);
}

TEST(ModelCodeDecode, RejectsMalformedTextsAndLeavesOutputsAlone) {
    const char* bad[] = {
        "SQV21230410BA-",      // 14 characters
        "SQV21230410BA-0C",    // position 15 not A or B
        "SQV21230410BA-0A1",   // digit as third letter
        "SQV21230410BA-0AAX",  // longer than any code
        "XQV21230410BA-0",     // prefix
        "S1V21230410BA-0",     // first letter
        "SQV21230410B7-0",     // inlet 7
        "SQV21230410BA-9",     // TLD digit 9
        "SQV21230710BA-0",     // meters 7
        "SQV71230410BA-0",     // voltage 7
        "SQV21730410BA-0",     // breakers 7
        "SQV21230414BA-0",     // sensors 4
        "SQY21230410BA-0",     // form factor
        "SQV51230410BA-0",     // voltage 5
        "SQV22230410BA-0",     // phase 2
        "SQV21225410BA-0",     // current 25
        "SQV21230410B?-0",     // inlet ?
        "SQV212304I0BA-0",     // feature I
        "SQV21230430BA-0",     // TLD 0 with feature 3 (socket control)
        "SQV21230420BA-2",     // TLD 2 without socket control or meter
    };
    for (const char* text : bad) {
        std::uint16_t f = 0xAAAA, e = 0xBBBB;
        std::uint32_t a = 0xCCCCCCCC;
        char buf[32];
        std::snprintf(buf, sizeof buf, "%s", text);
        EXPECT_FALSE(decodeModelCode(buf, sizeof buf, &f, &a, &e)) << text;
        EXPECT_EQ(f, 0xAAAA);
        EXPECT_EQ(a, 0xCCCCCCCCu);
        EXPECT_EQ(e, 0xBBBB);
    }
    char buf[32] = "SQV21230410BA-0";
    EXPECT_FALSE(decodeModelCode(buf, 12, nullptr, nullptr, nullptr));
    EXPECT_FALSE(decodeModelCode(static_cast<char*>(nullptr), 32, nullptr, nullptr, nullptr));
}

TEST(ModelCodeDecode, ReadsNoFurtherThanTheCapacity) {
    char buf[17];
    std::memcpy(buf, "SQV21230410BA-0AZ", 17);  // no terminator inside the buffer
    ModelCode c;
    ASSERT_TRUE(decodeModelCode(buf, 15, &c.feature, &c.attribute, &c.extension));
    EXPECT_EQ(seriesIndexOf(c), 27);  // the third letter lay beyond the capacity
}

TEST(ModelCodeDecode, LenientPositions) {
    // "2" at position 10 reads as "1" and writes back as "1"; position 13 is not read.
    EXPECT_EQ(encodeModelCode(decoded("SQV21230412BA-0")), "SQV21230411BA-0");
    EXPECT_EQ(decoded("SQV21230410BAX0"), decoded("SQV21230410BA-0"));
    // An explicit "A" extension or third letter "A" adds nothing.
    EXPECT_EQ(decoded("SQV21230410BA-0AA"), decoded("SQV21230410BA-0"));
}

TEST(ModelCodeEncode, SpecialCases) {
    EXPECT_EQ(encodeModelCode(kNoModel), "");
    char buf[8] = "xxxxxxx";
    EXPECT_EQ(encodeModelCode(kNoModel, buf, sizeof buf), 0u);
    EXPECT_STREQ(buf, "");

    // Socket control with TLD bits 0 writes 4.
    ModelCode c = decoded("SQV21230430BA-1");
    c.attribute &= ~0xC0000008u;
    EXPECT_EQ(encodeModelCode(c), "SQV21230430BA-4");
    EXPECT_EQ(tldCount(c), 4u);

    // TLD count above 9 writes two digits, and that string does not decode.
    c.attribute |= 0x40000008u;  // 1 + 4
    c.extension |= 0x100;        // + 8
    EXPECT_EQ(encodeModelCode(c), "SQV21230430BA-13");
    EXPECT_FALSE(decodes(encodeModelCode(c)));

    // Fields without a character; the current keeps both of its positions.
    ModelCode bad{static_cast<std::uint16_t>(0x8000 | kFeatSerial), 0x00000F77u, 0};
    EXPECT_EQ(encodeModelCode(bad), "SP???0??010AA-0");

    // Position 15 is "A" when a third letter follows, "B" for the inlet extension.
    EXPECT_EQ(encodeModelCode(decoded("SQV21230410BA-0AC")), "SQV21230410BA-0AC");
    EXPECT_EQ(encodeModelCode(decoded("SQV21230410BA-0B")), "SQV21230410BA-0B");
    EXPECT_EQ(encodeModelCode(decoded("SQV21230410BA-0BC")), "SQV21230410BA-0BC");

    // A series index beyond 17575 writes "?" for all three letters.
    ModelCode far = decoded("SQV21230410BA-0");
    far.extension = 0xFF;
    EXPECT_EQ(encodeModelCode(far), "S?V21230410?A-0A?");

    // Ethernet alone writes like serial and Ethernet; neither of them writes "0".
    ModelCode f = decoded("SQV21230410BA-0");
    f.feature = kFeatEthernet;
    EXPECT_EQ(modelCodeField(f, 7), "2");
    f.feature = kFeatVoltMeter | kFeatSocketControl;
    EXPECT_EQ(modelCodeField(f, 7), "0");

    // Cut to the capacity, the full length returned.
    char small[8];
    EXPECT_EQ(encodeModelCode(decoded("SQV21230410BA-0"), small, sizeof small), 15u);
    EXPECT_STREQ(small, "SQV2123");
}

TEST(ModelCodeFields, QueriesMatchTheEncoder) {
    const ModelCode c = decoded("SQX436AA6D3B6-8BZ");
    const std::string expect[] = {"S", "X", "4", "3", "6", "AA", "6", "D",
                                  "3", "B", "6", "8", "Q", "B",  "Z"};
    for (int f = 0; f <= 14; ++f)
        EXPECT_EQ(modelCodeField(c, f), expect[f]) << f;
    EXPECT_EQ(modelCodeField(c, 15), "?");
    EXPECT_EQ(modelCodeField(c, -1), "?");

    const ModelCode p = decoded("SPV21230410AA-0");  // series index 0
    EXPECT_EQ(modelCodeField(p, 12), "P");
    EXPECT_EQ(modelCodeField(p, 13), "");
    EXPECT_EQ(modelCodeField(p, 14), "");

    for (int f = 0; f <= 15; ++f)
        EXPECT_EQ(modelCodeField(kNoModel, f), "");
}

TEST(ModelCodeQueries, LettersInletsTldAndClass) {
    char first = 0, third = 0;
    EXPECT_EQ(seriesLetters(27, &first, &third), 'B');
    EXPECT_EQ(first, 'Q');
    EXPECT_EQ(third, 'A');
    EXPECT_EQ(seriesLetters(0, &first), 'A');
    EXPECT_EQ(first, 'P');
    EXPECT_EQ(seriesLetters(17575, &first, &third), 'Z');
    EXPECT_EQ(first, 'O');
    EXPECT_EQ(third, 'Z');
    EXPECT_EQ(seriesLetters(17576, &first, &third), '?');
    EXPECT_EQ(first, '?');
    EXPECT_EQ(seriesIndexOfLetters('Q', 'B'), 27);
    EXPECT_EQ(seriesIndexOfLetters('Q', 'B', 'Z'), 25 * 676 + 27);
    EXPECT_EQ(seriesIndexOfLetters('q', 'B'), -1);

    char ext = 0;
    EXPECT_EQ(inletChars(0, &ext), 'A');
    EXPECT_EQ(ext, ' ');
    EXPECT_EQ(inletChars(26), '1');
    EXPECT_EQ(inletChars(63, &ext), '6');
    EXPECT_EQ(ext, 'B');
    EXPECT_EQ(inletIndexOfChars('6', 'B'), 63);
    EXPECT_EQ(inletIndexOfChars('7'), -1);

    ModelCode c{kFeatSerial, 0xC0000008u, 0x0100};  // TLD bits 15, no socket control or meter
    EXPECT_EQ(tldCount(c), 0u);
    EXPECT_EQ(encodeModelCode(c).substr(13), "-15");  // the encoder writes the bits regardless
    c.feature |= kFeatSocketMeter;
    EXPECT_EQ(tldCount(c), 15u);

    EXPECT_EQ(managementClass(0xFFFF), 0xFFFF);
    EXPECT_EQ(managementClass(kFeatSerial), 0);
    EXPECT_EQ(managementClass(kFeatSerial | kFeatEthernet), 1);
    EXPECT_EQ(managementClass(kFeatSerial | kFeatSocketMeter), 2);
    EXPECT_EQ(managementClass(kFeatThreePhase | kFeatEthernet), 3);
    EXPECT_EQ(managementClass(kFeatThreePhase | kFeatSocketControl), 4);
    EXPECT_EQ(managementClass(0x8000 | kFeatSerial), 0xFFFF);
}

// Words built from field values by their documented bit positions, independently of the decoder.
ModelCode randomValidWords(std::mt19937& rng) {
    static const std::uint16_t kFeatureBits[] = {0x000, 0x080, 0x0C0, 0x1C0, 0x3C0, 0x2C0,
                                                 0x180, 0x380, 0x280, 0x0A0, 0x0E0, 0x1E0,
                                                 0x3E0, 0x2E0, 0x1A0, 0x3A0, 0x2A0};
    auto pick = [&](unsigned n) { return static_cast<unsigned>(rng() % n); };
    ModelCode c{};
    c.feature = kFeatureBits[pick(17)];
    if (pick(2))
        c.feature |= kFeatThreePhase;
    const unsigned sensors = pick(3);
    if (sensors)
        c.feature |= kFeatEnvSensor;
    if (sensors == 2)
        c.extension |= kExtSecondSensor;
    const unsigned series = pick(kSeriesCount);
    const unsigned tld = (c.feature & 0x300) ? 1 + pick(8) : 0;
    c.attribute = pick(7) | pick(4) << 4 | (series >> 6 & 1) << 7 | pick(9) << 8 | pick(64) << 12 |
                  (series & 63) << 18 | pick(7) << 24 | pick(7) << 27 | (tld & 3u) << 30 |
                  (tld >> 2 & 1) << 3;
    c.extension |= static_cast<std::uint16_t>(series >> 7 | (tld >> 3) << 8);
    return c;
}

TEST(ModelCodeRoundTrip, EveryValidWordTripleComesBack) {
    std::mt19937 rng(20240611);
    for (int i = 0; i < 20000; ++i) {
        const ModelCode c = randomValidWords(rng);
        const std::string text = encodeModelCode(c);
        ModelCode back;
        std::string copy = text;
        ASSERT_TRUE(decodeModelCode(copy, back)) << text;
        ASSERT_EQ(back, c) << text;
    }
}

// What the encoder writes back for a decodable text: upper case, "2" at position 10 read as
// "1", "-" at position 13, and no "A" extension or "A" third letter that adds nothing.
std::string canonical(std::string s) {
    for (char& ch : s)
        ch = static_cast<char>(std::toupper(static_cast<unsigned char>(ch)));
    if (s[10] == '2')
        s[10] = '1';
    s[13] = '-';
    if (s.size() == 17 && s[16] == 'A')
        s.resize(16);
    if (s.size() == 16 && s[15] == 'A')
        s.resize(15);
    return s;
}

TEST(ModelCodeRoundTrip, EveryDecodableTextEncodesBackToItsUpperCaseForm) {
    // Mostly valid characters at every position, with a sprinkling of wrong ones.
    const std::string pools[] = {"Ss",     "AZqpBO", "12VDWSXY", "12345", "13",    "06",
                                 "1234AX", "0562A",  "0615",     "0H8a9", "01235", "AZbq",
                                 "AZ16x7", "-X",     "0189",     "ABC",   "AZq1"};
    std::mt19937 rng(77);
    int decodable = 0;
    for (int i = 0; i < 50000; ++i) {
        const std::size_t len = 15 + rng() % 3;
        std::string s;
        for (std::size_t p = 0; p < len; ++p)
            s += pools[p][rng() % pools[p].size()];
        std::string copy = s;
        ModelCode c;
        if (!decodeModelCode(copy, c))
            continue;
        ++decodable;
        ASSERT_EQ(encodeModelCode(c), canonical(s)) << s;
    }
    EXPECT_GT(decodable, 1000);
}

}  // namespace
}  // namespace quorvel
