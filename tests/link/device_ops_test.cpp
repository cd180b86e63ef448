// Device operations over a scripted console: the lines they send, their tries, and what they
// make of the replies.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <memory>

#include "catalogue/attribute_tables.h"
#include "link/device_ops.h"
#include "link/reply_items.h"
#include "support/published_console.h"

namespace quorvel {
namespace {

using test::queryAnswer;
using ::testing::ElementsAre;

class DeviceOpsTest : public test::PublishedConsole {};

TEST_F(DeviceOpsTest, WithoutACurrentInterfaceNothingIsSent) {
    PublishInterface(nullptr);
    const std::size_t before = mem.line->writes.size();
    PduRecord record;
    record.featureWord = kFeatureSwitched;
    record.generationNumber = 2;
    ConfigItemDescriptor item;
    item.code = 5;
    item.count = 1;
    std::uint8_t image[16] = {};
    char version[256];
    std::int16_t env[4] = {};
    EXPECT_FALSE(SetCalibMode(true));
    EXPECT_FALSE(SwitchOutlets(record, 0, 1, 0, 1));
    EXPECT_FALSE(DeviceDatabaseCommand(1));
    EXPECT_FALSE(ReadConfigItem(item, image));
    EXPECT_FALSE(WriteConfigItem(item, image));
    EXPECT_EQ(ReadIdentity(nullptr, nullptr, nullptr, nullptr), 0);
    EXPECT_EQ(ReadLayoutRecord(image), 0);
    EXPECT_EQ(ReadVersion(version, nullptr), 0);
    EXPECT_FALSE(StampModel(1, 2, 0, 0));
    RebootPdu();
    EXPECT_TRUE(ConsoleStoppedAnswering());  // no console counts as one that stopped answering
    EXPECT_EQ(ParseEnvironment("Temperature=1 Humidity=2", env), 2);  // needs no device
    EXPECT_EQ(mem.line->writes.size(), before);
}

TEST_F(DeviceOpsTest, FirstGenerationOutletsAreNamedByBranch) {
    PduRecord record;
    record.featureWord = kFeatureSwitched;
    record.generationNumber = 1;
    record.receptaclesPerCircuit[0] = 8;
    record.receptaclesPerCircuit[1] = 8;
    for (auto l : {"R A 1 1", "R B 8 0", "R C 1 1", "R C 8 0"}) {
        accept(l);
    }
    const std::uint32_t mask = 1u << 0 | 1u << 15 | 1u << 16 | 1u << 23 | 1u << 24;
    EXPECT_TRUE(SwitchOutlets(record, 0xFFFF, 1u << 0 | 1u << 16, 0xFFFF, mask));
    EXPECT_THAT(lines, ElementsAre("R A 1 1", "R B 8 0", "R C 1 1", "R C 8 0"));
}

TEST_F(DeviceOpsTest, AFirstGenerationBranchThatRefusesEndsTheSwitchingThere) {
    PduRecord record;
    record.featureWord = kFeatureSwitched;
    record.generationNumber = 1;
    record.receptaclesPerCircuit[0] = 8;
    accept("R A 1 1");  // "R A 2 1" is refused
    SwitchesLeft left;
    EXPECT_FALSE(SwitchOutlets(record, 0, 0x7, 0, 0x7, &left));
    EXPECT_EQ(left.outlets, 0x6u);  // outlets 2 and 3 were not told
    EXPECT_EQ(std::count(lines.begin(), lines.end(), "R A 3 1"), 0);
}

TEST_F(DeviceOpsTest, LaterGenerationsSwitchGroupsThenOutlets) {
    PduRecord record;
    record.featureWord = kFeatureSwitched;
    record.generationNumber = 3;
    for (auto l : {"R 21 1", "R 24 0", "R 1 0", "R 20 1"}) {
        accept(l);
    }
    // Four groups below ExtensionWord 0x1000: group bit 7 is not sent.
    EXPECT_TRUE(SwitchOutlets(record, 0x0001, 1u << 31, 0x0089, 1u << 0 | 1u << 31));
    EXPECT_THAT(lines, ElementsAre("R 21 1", "R 24 0", "R 1 0", "R 20 1"));
    lines.clear();
    record.extensionWord = 0x1000;
    accept("R 28 1");
    EXPECT_TRUE(SwitchOutlets(record, 0x0080, 0, 0x0080, 0));
    EXPECT_THAT(lines, ElementsAre("R 28 1"));

    record.featureWord = 0;
    EXPECT_FALSE(SwitchOutlets(record, 1, 1, 1, 1));
}

TEST_F(DeviceOpsTest, AFailedCommandStopsSwitchingAndKeepsWhatWasDone) {
    PduRecord record;
    record.featureWord = kFeatureSwitched;
    record.generationNumber = 2;
    accept("R 1 1");
    console->answers["R 2 1"] = "\r\nlocked\r\n?";
    EXPECT_FALSE(SwitchOutlets(record, 0, 0x7, 0, 0x7));
    EXPECT_THAT(lines, ElementsAre("R 1 1", "R 2 1", "R 2 1", "R 2 1", "R 2 1", "R 2 1"));
    EXPECT_EQ(CurrentInterfaceError(), "SendCommand: bad response from serial COM device\n");
}

TEST_F(DeviceOpsTest, ConfigItemsReadOnlyWhenTheElementCountMatches) {
    ConfigItemDescriptor item;
    item.code = 0x12;
    item.kind = kKindUnsigned16;
    item.offset = 4;
    item.size = 2;
    item.count = 3;
    std::uint8_t image[16] = {};
    console->answers["h 12"] = queryAnswer("a 14");
    EXPECT_TRUE(ReadConfigItem(item, image));
    EXPECT_THAT(image, ::testing::Each(0));
    console->answers["h 12"] = queryAnswer("a 14 ffff");
    EXPECT_TRUE(ReadConfigItem(item, image));
    std::uint16_t words[3];
    std::memcpy(words, image + 4, sizeof words);
    EXPECT_THAT(words, ElementsAre(0xA, 0x14, 0xFFFF));

    item.kind = 9;
    EXPECT_FALSE(ReadConfigItem(item, image));
    EXPECT_FALSE(WriteConfigItem(item, image));
    item.kind = kKindUnsigned16;
    item.code = 0;
    EXPECT_FALSE(ReadConfigItem(item, image));
}

TEST_F(DeviceOpsTest, ConfigItemsWriteTheirFirstElementWithTheSubId) {
    ConfigItemDescriptor item;
    item.code = 0x2C;
    item.kind = kKindByteString;
    item.offset = 2;
    item.size = 1;
    item.count = 6;
    item.elementIndex = 3;
    const std::uint8_t image[8] = {0, 0, 1, 2, 3, 4, 5, 6};
    accept("H 2c 060504030201 3");
    EXPECT_TRUE(WriteConfigItem(item, image));
    EXPECT_THAT(lines, ElementsAre("H 2c 060504030201 3"));
}

TEST_F(DeviceOpsTest, IdentityLayoutAndVersionReplies) {
    std::uint16_t f = 0, e = 7;
    std::uint32_t a = 0;
    // A record of distinct bytes, the whole map and layout: each byte lands in its own place.
    std::uint8_t record[kLayoutRecordSize + 1];
    for (std::size_t i = 0; i < sizeof record; ++i) {
        record[i] = static_cast<std::uint8_t>(0xC1 + 3 * i);
    }
    std::uint8_t map[kKvbMapRecordSize + 1] = {};
    console->answers["v"] = queryAnswer("720 2104A31 " + EncodeHexPairs(record, sizeof map));
    EXPECT_EQ(ReadIdentity(&f, &a, &e, map), 3);
    EXPECT_EQ(f, 0x720);
    EXPECT_EQ(a, 0x2104A31u);
    EXPECT_EQ(e, 0);
    EXPECT_EQ(std::memcmp(map, record, kKvbMapRecordSize), 0);
    EXPECT_EQ(map[kKvbMapRecordSize], 0);  // nothing past the record
    console->answers["v"] = queryAnswer("720 2104A31 0A0B0C");
    EXPECT_EQ(ReadIdentity(&f, &a, &e, map), 3);
    EXPECT_THAT((std::vector<int>{map[0], map[1], map[2], map[3]}),
                ElementsAre(10, 11, 12, record[3]));  // a short map leaves the rest alone
    EXPECT_EQ(ReadIdentity(&f, &a, &e, nullptr), 2);
    console->answers["v"] = queryAnswer("721 2104A32");  // no map: the words alone
    EXPECT_EQ(ReadIdentity(&f, &a, &e, map), 2);
    EXPECT_EQ(f, 0x721);
    EXPECT_EQ(a, 0x2104A32u);
    console->answers["v"] = queryAnswer("1 2 00 1234");
    EXPECT_EQ(ReadIdentity(&f, &a, &e, nullptr), 2);
    EXPECT_EQ(e, 0x1234);
    console->answers["v"] = queryAnswer("1");
    EXPECT_EQ(ReadIdentity(&f, &a, &e, map), 0);

    console->answers["q"] = queryAnswer(EncodeHexPairs(record, sizeof record));
    std::uint8_t layout[kLayoutRecordSize + 1] = {};
    EXPECT_EQ(ReadLayoutRecord(layout), 1);
    EXPECT_EQ(std::memcmp(layout, record, kLayoutRecordSize), 0);
    EXPECT_EQ(layout[64], 0);  // nothing past the record

    char version[256] = {}, generation[256] = {};
    console->answers["u"] = queryAnswer("3.1.7 V3");
    EXPECT_EQ(ReadVersion(version, generation), 2);
    EXPECT_STREQ(version, "3.1.7");
    EXPECT_EQ(GenerationFromText(generation), 3);
    console->answers["u"] = queryAnswer("3.1.8 V4 B");  // a word after the generation is not one
    EXPECT_EQ(ReadVersion(version, generation), 2);
    EXPECT_STREQ(generation, "V4");
    console->answers["u"] = queryAnswer("01.07.02");  // a first generation names none
    EXPECT_EQ(ReadVersion(version, generation), 1);
    EXPECT_STREQ(version, "01.07.02");
    EXPECT_EQ(GenerationFromText("V5"), 1);
}

TEST_F(DeviceOpsTest, DatabaseCommandsStampsAndReboot) {
    accept("I 47310862");
    accept("X 47310862");
    accept("x 47310862");
    accept("C 1");
    accept("s 0720 02104A31 47310862");
    EXPECT_TRUE(DeviceDatabaseCommand(1));
    EXPECT_TRUE(DeviceDatabaseCommand(2));
    EXPECT_TRUE(DeviceDatabaseCommand(3));  // nothing to do
    EXPECT_TRUE(SetCalibMode(true));
    EXPECT_TRUE(StampModel(0x720, 0x2104A31, 0, 0));
    EXPECT_FALSE(StampModel(0xFFFF, 0xFFFFFFFF, 0, 1));
    EXPECT_FALSE(StampModel(0xFFFF, 0xFFFFFFFF, 0, 2));
    EXPECT_FALSE(StampModel(0x720, 0x2104A31, 0, 3));
    // A model whose series the tables do not hold has no records to stamp.
    const ModelCode unknown{0x0380, (17002u & 0x3Fu) << 18, 17002u >> 7};
    ASSERT_FALSE(Attributes().seriesPresent(17002));
    EXPECT_FALSE(StampModel(unknown.feature, unknown.attribute, unknown.extension, 1));
    EXPECT_FALSE(StampModel(unknown.feature, unknown.attribute, unknown.extension, 2));
    RebootPdu();
    EXPECT_THAT(lines, ElementsAre("I 47310862", "X 47310862", "C 1", "s 0720 02104A31 47310862",
                                   "x 47310862"));
}

TEST(Environment, ReadingsTimesAHundred) {
    std::int16_t r[4] = {1, 2, 3, 4};
    EXPECT_EQ(ParseEnvironment("Temperature=* Humidity=45.5", r), 2);
    EXPECT_THAT(r, ElementsAre(0, 4550, 3, 4));
    EXPECT_EQ(ParseEnvironment("Temperature=23.456 Humidity=40 Temperature2=-5.25 Humidity2=*", r),
              4);
    EXPECT_THAT(r, ElementsAre(2345, 4000, -525, 0));  // the mirror of 5.25 above zero
    EXPECT_EQ(ParseEnvironment("Temp=99 Humidity=1", r), 2);
    EXPECT_EQ(r[0], 2345);  // another beginning leaves the reading alone
    EXPECT_EQ(ParseEnvironment("", r), 1);
    // A fifth item is not one of the four readings: the fourth holds the rest of the line.
    EXPECT_EQ(ParseEnvironment("Temperature=1 Humidity=2 Temperature2=3 Humidity2=4 X=5", r), 4);
    EXPECT_THAT(r, ElementsAre(100, 200, 300, 400));
    // Readings beyond the 16-bit field wrap as the field holds them, however large (found by
    // fuzzing: the conversion used to be undefined).
    EXPECT_EQ(ParseEnvironment("Temperature=74230 Humidity=-655.38", r), 2);
    EXPECT_EQ(r[0], 17432);  // 7423000 - 113 * 65536
    EXPECT_EQ(r[1], -2);     // -65538 keeps its low 16 bits
    EXPECT_EQ(
        ParseEnvironment(("Temperature=1" + std::string(200, '0') + " Humidity=0").c_str(), r), 2);
    EXPECT_EQ(r[0], 0);  // 10^202 is a multiple of 65536
    EXPECT_EQ(HundredthsLow16(655.36), 0);
    EXPECT_EQ(HundredthsLow16(-0.02), 65535);
    EXPECT_EQ(HundredthsLow16(12.34), 1234);
}

}  // namespace
}  // namespace quorvel
