// Configuration values on the console, both ways, and the 6-bit packing.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstring>

#include "link/value_codec.h"

namespace quorvel {
namespace {

TEST(ConfigValues, TextsAreAlwaysThirtyTwoGroupsLowByteFirst) {
    // A size-20 item holds 10 characters; the eleventh in memory lies beyond it.
    const char16_t chars[] = u"AB\u0141DEFGHIJK";
    std::uint8_t text[22];
    std::memcpy(text, chars, sizeof text);
    const std::string s = EncodeConfigValue(kKindText, 20, 1, text);
    EXPECT_EQ(s, "4100420041014400450046004700480049004A00" + std::string(88, '0'));

    std::uint8_t back[22];
    std::memset(back, 0xEE, sizeof back);
    DecodeConfigValue(kKindText, 20, "41004Z0041014200430044004500460047004800490000", back);
    char16_t decoded[11];
    std::memcpy(decoded, back, sizeof decoded);
    EXPECT_EQ(std::u16string(decoded, 10), u"A@\u0141BCDEFGH");  // a bad digit counts as 0
    EXPECT_EQ(decoded[10], 0xEEEE) << "cut at size / 2 characters, exactly size bytes stored";
    DecodeConfigValue(kKindText, 20, "4100420043", back);  // a short text clears the rest
    std::memcpy(decoded, back, sizeof decoded);
    EXPECT_EQ(std::u16string(decoded, 10), std::u16string(u"AB\0\0\0\0\0\0\0\0", 10));
    DecodeConfigValue(kKindText, 20, "41004200", back);  // the last group ends the reply
    std::memcpy(decoded, back, sizeof decoded);
    EXPECT_EQ(std::u16string(decoded, 3), std::u16string(u"AB\0", 3));
}

TEST(ConfigValues, ByteStringsGoOutLastByteFirst) {
    const std::uint8_t bytes[6] = {1, 2, 3, 4, 5, 6};
    EXPECT_EQ(EncodeConfigValue(kKindByteString, 1, 6, bytes), "060504030201");
    const std::uint8_t four[4] = {0xAB, 0, 0, 0x0C};
    EXPECT_EQ(EncodeConfigValue(kKindByteString, 1, 4, four), "0c0000ab");
}

TEST(ConfigValues, NumbersAndAddresses) {
    const std::uint8_t ip[4] = {192, 168, 1, 20};
    EXPECT_EQ(EncodeConfigValue(kKindIpAddress, 4, 1, ip), "192.168.1.20");
    const std::uint8_t mac[6] = {0, 0x1B, 0xC5, 0xA, 0xFF, 1};
    EXPECT_EQ(EncodeConfigValue(kKindMacAddress, 6, 1, mac), "00:1B:C5:0A:FF:01");
    std::uint8_t word[2];
    const std::int16_t minusOne = -1;
    std::memcpy(word, &minusOne, 2);
    EXPECT_EQ(EncodeConfigValue(kKindSigned16, 2, 1, word), "ffff");
    const std::uint8_t byte = 0x2A;
    EXPECT_EQ(EncodeConfigValue(kKindByte, 1, 1, &byte), "2a");
    EXPECT_EQ(EncodeConfigValue(8, 2, 1, word), "");

    std::uint8_t out[6];
    DecodeConfigValue(kKindIpAddress, 4, "10.0.300", out);
    EXPECT_THAT((std::vector<int>{out[0], out[1], out[2], out[3]}),
                ::testing::ElementsAre(10, 0, 44, 0));
    DecodeConfigValue(kKindMacAddress, 6, "0-1b:c5-a:ff:1", out);
    EXPECT_THAT(out, ::testing::ElementsAre(0, 0x1B, 0xC5, 0xA, 0xFF, 1));
    DecodeConfigValue(kKindHundredths, 2, "1f4", out);
    std::uint16_t v;
    std::memcpy(&v, out, 2);
    EXPECT_EQ(v, 500);
}

TEST(Sextets, PackLowBitsFirstInThreeSizes) {
    const std::uint8_t values[8] = {0x3F, 0, 1, 0x20, 7, 9, 0x15, 0x2A};
    std::uint8_t packed[6];
    PackSextets(values, 4, packed);
    EXPECT_THAT((std::vector<int>{packed[0], packed[1], packed[2]}),
                ::testing::ElementsAre(0x3F, 0x10, 0x80));
    EXPECT_EQ(PackedSextetBytes(4), 3);
    EXPECT_EQ(PackedSextetBytes(6), 5);
    EXPECT_EQ(PackedSextetBytes(8), 6);
    for (int count : {4, 6, 8}) {
        std::uint8_t back[8] = {};
        PackSextets(values, count, packed);
        UnpackSextets(packed, count, back);
        for (int i = 0; i < count; ++i) {
            EXPECT_EQ(back[i], values[i] & 0x3F) << "count " << count << " value " << i;
        }
    }
    PackSextets(values, 6, packed);
    EXPECT_EQ(packed[4] & 0xF0, 0);          // the fifth byte holds only bits 32 to 35
    const std::uint8_t wide[2] = {0xC1, 0};  // bits above the six are not packed
    PackSextets(wide, 2, packed);
    EXPECT_EQ(packed[0], 0x01);
    EXPECT_EQ(packed[1], 0x00);
}

}  // namespace
}  // namespace quorvel
