// Taking replies apart: items, hexadecimal values and byte pairs, and the module line.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "link/module_line.h"
#include "link/reply_items.h"

namespace quorvel {
namespace {

std::vector<std::string> split(std::string text, int max) {
    char* items[kMaxReplyItems];
    int n = SplitReplyItems(text.data(), max, items);
    return {items, items + n};
}

TEST(ReplyItems, SplitsAtBlanksOnly) {
    using ::testing::ElementsAre;
    EXPECT_THAT(split("  1A  2B\t3 ", 8), ElementsAre("1A", "2B\t3", ""));
    EXPECT_THAT(split("", 4), ElementsAre(""));
    EXPECT_THAT(split("a b c d e", 2), ElementsAre("a", "b"));
    std::string many;
    for (int i = 0; i < 100; ++i) {
        many += "x ";
    }
    EXPECT_EQ(split(many, 1000).size(), 64u);
}

TEST(ReplyItems, HexItemsAcceptPrefixSignAndStopAtTheFirstNonDigit) {
    EXPECT_EQ(HexItem<std::uint16_t>(" 0x1fZ9"), 0x1F);
    EXPECT_EQ(HexItem<std::uint32_t>("DEADbeef"), 0xDEADBEEFu);
    EXPECT_EQ(HexItem<std::uint16_t>("123456"), 0x3456);  // truncated to the field
    EXPECT_EQ(HexItem<std::uint16_t>("zz"), 0);
    EXPECT_EQ(HexItem<std::uint8_t>("-1"), 0xFF);
    EXPECT_EQ(HexItem<std::uint16_t>("0x"), 0);
}

TEST(ReplyItems, HexPairsTreatBadDigitsAsTheConsoleDoes) {
    std::uint8_t out[4] = {9, 9, 9, 9};
    EXPECT_EQ(DecodeHexPairs("A1zFFz3", out, sizeof out), 3u);
    EXPECT_EQ(out[0], 0xA1);
    EXPECT_EQ(out[1], 0x0F);  // bad first digit counts as 0
    EXPECT_EQ(out[2], 0x00);  // bad second digit zeroes the byte
    std::string digits(200, '7');
    std::uint8_t layout[64];
    EXPECT_EQ(DecodeHexPairs(digits.c_str(), layout, sizeof layout), 64u);
    EXPECT_EQ(EncodeHexPairs(out, 3), "A10F00");
}

struct Modules {
    std::uint8_t bytes[kModuleSlots];
    std::uint16_t env = 0;
};

Modules parse(const char* line, int generation) {
    Modules m;
    std::fill(std::begin(m.bytes), std::end(m.bytes), 0xEE);
    ParseModuleLine(line, generation, m.bytes, m.env);
    return m;
}

TEST(ModuleLine, FewerThanEightItemsMeanNoModules) {
    Modules m = parse("A=HOJ-1 B=HOJ-2 C=TLD-0 D=ZOLT E=x F=y G=ENV-0", 2);
    EXPECT_THAT(m.bytes, ::testing::Each(0));
    EXPECT_EQ(m.env, 0);
}

TEST(ModuleLine, InstancesByGeneration) {
    const char* line = "D=HOJ-2 T=TLD-2 T=TLD-7 N=ZOLT Q=QEMB E=ENV-0 E=ENV-1 X=other\r D=HOJ-5";
    Modules g3 = parse(line, 3);
    EXPECT_EQ(g3.bytes[0], 0x12);  // HOJ takes its digit from generation 2 on
    EXPECT_EQ(g3.bytes[1], 0x20);  // TLD counts its position except on generation 2
    EXPECT_EQ(g3.bytes[2], 0x21);
    EXPECT_EQ(g3.bytes[3], 0x30);
    EXPECT_EQ(g3.bytes[4], 0x00);
    EXPECT_EQ(g3.bytes[8], 0x00);  // nothing after the carriage return
    EXPECT_EQ(g3.env, kEnvSensor0 | kEnvSensor1);

    Modules g2 = parse(line, 2);
    EXPECT_EQ(g2.bytes[1], 0x22);
    EXPECT_EQ(g2.bytes[2], 0x27);

    Modules g1 = parse("D=HOJ-7 D=HOJ-7 a=1 b=2 c=3 d=4 e=5 f=6", 1);
    EXPECT_EQ(g1.bytes[0], 0x10);
    EXPECT_EQ(g1.bytes[1], 0x11);
}

TEST(ModuleLine, OnlySixteenSlotsAndShortValuesAreSafe) {
    std::string line;
    for (int i = 0; i < 18; ++i) {
        line += "m=HOJ ";
    }
    line += "e=ENV-1";
    Modules m = parse(line.c_str(), 1);
    EXPECT_EQ(m.bytes[15], 0x1F);
    EXPECT_EQ(m.env, 0);  // the sensor item stands past the last slot
    Modules shortValues = parse("a=HOJ b=TLD c=ENV d=x e=x f=x g=x h=x", 2);
    EXPECT_EQ(shortValues.bytes[0], 0x10);
    EXPECT_EQ(shortValues.bytes[1], 0x20);
    EXPECT_EQ(shortValues.env, 0);
}

}  // namespace
}  // namespace quorvel
