// Halvex's pure rules: the version export, the on-screen rule of dragged dialogs, the file name
// buffer handling, and the address text conversions.
#include <gtest/gtest.h>

#include <cstring>

#include "common/address_text.h"
#include "dialogs/logic/file_name_text.h"
#include "dialogs/halvex_exports.h"
#include "dialogs/logic/screen_placement.h"

namespace quorvel::dialogs {
namespace {

TEST(HalvexExports, VersionIsWrittenAndItsBufferReturned) {
    std::uint8_t v[3] = {};
    EXPECT_EQ(PduDLLVersion(v), v);
    EXPECT_EQ(v[0], 1);
    EXPECT_EQ(v[1], 1);
    EXPECT_EQ(v[2], 8);
    EXPECT_EQ(PduDLLVersion(nullptr), nullptr);
}

TEST(ScreenPlacement, OnScreenRule) {
    const int w = 800;
    const int h = 600;
    EXPECT_TRUE(IsSufficientlyOnScreen({100, 100, 300, 300}, w, h));
    // Entirely above the screen.
    EXPECT_FALSE(IsSufficientlyOnScreen({100, -300, 300, -100}, w, h));
    EXPECT_FALSE(IsSufficientlyOnScreen({100, -300, 300, 3}, w, h));  // bottom inside the margin
    // Half off the right edge with the left edge inside stays.
    EXPECT_TRUE(IsSufficientlyOnScreen({700, 100, 900, 300}, w, h));
    // Both vertical edges at or beyond width-4, or left of the margin.
    EXPECT_FALSE(IsSufficientlyOnScreen({796, 100, 1000, 300}, w, h));
    EXPECT_FALSE(IsSufficientlyOnScreen({-300, 100, 3, 300}, w, h));
    EXPECT_FALSE(IsSufficientlyOnScreen({100, 596, 300, 800}, w, h));
    // Larger than the screen on both axes: no edge inside, none both out: counts as on screen.
    EXPECT_TRUE(IsSufficientlyOnScreen({-10, -10, 900, 700}, w, h));
    // An edge exactly at the margin is inside; at width-4 it is not.
    EXPECT_TRUE(IsSufficientlyOnScreen({4, 4, 4, 4}, w, h));
    EXPECT_FALSE(IsSufficientlyOnScreen({796, 100, 796, 300}, w, h));
    EXPECT_TRUE(IsSufficientlyOnScreen({795, 100, 795, 300}, w, h));
}

TEST(FileNameText, CopyIsBoundedTerminatedAndWhole) {
    char16_t buf[8];
    std::memset(buf, 0x55, sizeof buf);
    EXPECT_EQ(CopyNameToBuffer(u"abc", buf, sizeof buf), 3u);
    EXPECT_EQ(std::u16string(buf), u"abc");

    // 16 bytes hold 7 characters and the terminator; the byte after them is untouched.
    char16_t wide[9];
    std::memset(wide, 0x55, sizeof wide);
    EXPECT_EQ(CopyNameToBuffer(u"0123456789", wide, 16), 7u);
    EXPECT_EQ(std::u16string(wide), u"0123456");
    EXPECT_EQ(wide[8], char16_t{0x5555});

    // An odd size rounds down; a buffer too small for anything is left alone.
    EXPECT_EQ(CopyNameToBuffer(u"xyz", buf, 5), 1u);
    EXPECT_EQ(std::u16string(buf), u"x");
    buf[0] = u'q';
    EXPECT_EQ(CopyNameToBuffer(u"xyz", buf, 1), 0u);
    EXPECT_EQ(buf[0], u'q');

    // Never half a surrogate pair at the cut.
    EXPECT_EQ(CopyNameToBuffer(u"ab\U0001F600", buf, 8), 2u);
    EXPECT_EQ(std::u16string(buf), u"ab");

    // At most 255 characters, whatever the buffer.
    std::u16string big(400, u'n');
    std::u16string out(512, u'\0');
    EXPECT_EQ(CopyNameToBuffer(big, out.data(), out.size() * 2), 255u);
}

TEST(FileNameText, BufferTextStopsAtTheBufferEnd) {
    const char16_t unterminated[4] = {u'a', u'b', u'c', u'd'};
    EXPECT_EQ(BufferText(unterminated, sizeof unterminated), u"abcd");
    EXPECT_EQ(BufferText(unterminated, 4), u"ab");
    EXPECT_EQ(BufferText(u"hi\0xx", 10), u"hi");
    EXPECT_EQ(BufferText(nullptr, 10), u"");
}

TEST(FileNameText, FolderEndsInOneSeparator) {
    EXPECT_EQ(FolderText(u"/tmp/mibs"), u"/tmp/mibs/");
    EXPECT_EQ(FolderText(u"/tmp/mibs/"), u"/tmp/mibs/");
    EXPECT_EQ(FolderText(u""), u"/");
}

TEST(AddressText, FormatsAndParsesBothWays) {
    const std::uint8_t ip[4] = {192, 168, 100, 200};
    const std::uint8_t mac[6] = {0x01, 0x23, 0x45, 0x67, 0x89, 0xAB};
    EXPECT_EQ(FormatIpAddress(ip), "192.168.100.200");
    EXPECT_EQ(FormatMacAddress(mac), "01:23:45:67:89:AB");

    std::uint8_t ipOut[4];
    std::uint8_t macOut[6];
    ParseIpAddress(FormatIpAddress(ip), ipOut);
    EXPECT_EQ(std::memcmp(ipOut, ip, 4), 0);
    ParseMacAddress("01-23-45-0x67:89:ab", macOut);
    EXPECT_EQ(std::memcmp(macOut, mac, 6), 0);
}

TEST(AddressText, ShortOrJunkTextLeavesZeros) {
    std::uint8_t ip[4] = {9, 9, 9, 9};
    ParseIpAddress("10.1", ip);
    EXPECT_EQ(ip[0], 10);
    EXPECT_EQ(ip[1], 1);
    EXPECT_EQ(ip[2], 0);
    EXPECT_EQ(ip[3], 0);
    std::uint8_t mac[6] = {9, 9, 9, 9, 9, 9};
    ParseMacAddress("zz", mac);
    for (std::uint8_t b : mac) {
        EXPECT_EQ(b, 0);
    }
    ParseIpAddress("256.1.2.3", ip);  // a byte keeps the low 8 bits of its number
    EXPECT_EQ(ip[0], 0);
}

TEST(AddressText, WideFieldsAreReadAndWrittenWithinTheirCapacity) {
    DeviceAddressBlock block;
    WriteWideText("192.168.100.200", block.ipAddress, kAddressTextChars);
    WriteWideText("01:23:45:67:89:AB", block.macAddress, kAddressTextChars);
    std::uint8_t ip[4];
    std::uint8_t mac[6];
    ParseIpAddress(block.ipAddress, kAddressTextChars, ip);
    ParseMacAddress(block.macAddress, kAddressTextChars, mac);
    EXPECT_EQ(FormatIpAddress(ip), "192.168.100.200");
    EXPECT_EQ(FormatMacAddress(mac), "01:23:45:67:89:AB");

    // A field filled to its end without a terminator is read no further.
    char16_t field[4] = {u'1', u'.', u'2', u'.'};
    ParseIpAddress(field, 3, ip);
    EXPECT_EQ(FormatIpAddress(ip), "1.2.0.0");
    char16_t small[4];
    WriteWideText("123456", small, 4);
    EXPECT_EQ(std::u16string(small), u"123");
}

}  // namespace
}  // namespace quorvel::dialogs
