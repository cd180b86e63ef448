// The bill-of-materials writer: the documented examples line by line, the split-phase
// exception, the shipped models against their checked texts, and the ways of failing.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "generator_test_support.h"
#include "generators/bom_writer.h"
#include "support/temp_dir.h"

namespace quorvel {
namespace {

using ::testing::ElementsAre;
using namespace quorvel::testing;

// Field values in their places of the AttributeWord.
constexpr auto kSeriesBits = [](unsigned low6) { return std::uint32_t{low6} << 18; };
constexpr auto kBreakers = [](unsigned d) { return std::uint32_t{d} << 27; };
constexpr auto kMeters = [](unsigned c) { return std::uint32_t{c} << 24; };
constexpr auto kCurrent = [](unsigned code) { return std::uint32_t{code} << 8; };
constexpr auto kVoltage = [](unsigned code) { return std::uint32_t{code} << 4; };
// TLD count 3: AttributeWord bits 30..31.
constexpr std::uint32_t kTld3 = 3u << 30;

std::vector<std::string> bom(const ModelCode& code) {
    StringSink sink;
    EXPECT_TRUE(WriteBomText(sink, code));
    return splitLines(sink.text);
}

TEST(BomWriter, NoOptionsListsChassisKvbAndOneToroid) {
    // Series QB (index 27), vertical, 120 V, 10 A, no meters, no breakers, no features.
    const ModelCode code{0, kSeriesBits(27) | 2, 0};
    EXPECT_THAT(bom(code), ElementsAre("*", "* Tevra", "* BOM for PDU SQV11010000BA-0", "*",
                                       "1 - Chassis with Vertical form factor",
                                       "1 - KVB module w/: single phase", "1 - Toroid"));
    // Two breakers: a toroid each.
    EXPECT_EQ(bom(ModelCode{0, code.attribute | kBreakers(2), 0}).back(), "2 - Toroids");
}

TEST(BomWriter, ThreePhaseSocketControlExample) {
    const ModelCode code{kFeatThreePhase | kFeatSocketControl | kFeatEthernet | kFeatSerial,
                         kSeriesBits(27) | 2 | kTld3 | kBreakers(2) | kMeters(2) | kCurrent(3), 0};
    EXPECT_THAT(bom(code),
                ElementsAre("*", "* Tevra", "* BOM for PDU SQV13230230BA-3", "*",
                            "1 - Chassis with Vertical form factor", "1 - ZOLT module",
                            "2 - Display Meters", "2 - Breakers 30 Amps", "3 - TLD modules",
                            "18 - Bicolor LEDs",
                            "1 - KVB module w/: 3 phase, 3 TLD RJ45, 2 Display RJ45, 1 ZOLT RJ45",
                            "20 - Toroids", "6 - Inter-module cables"));
}

TEST(BomWriter, EveryOptionAndSingularWords) {
    // One meter, one breaker of 32 A, one TLD module, sensor, volts, meter, Ethernet.
    const ModelCode code{static_cast<std::uint16_t>(kFeatSocketMeter | kFeatEthernet | kFeatSerial |
                                                    kFeatVoltMeter | kFeatEnvSensor),
                         kSeriesBits(27) | 0 | (1u << 30) | kBreakers(1) | kMeters(1) | kCurrent(8),
                         0};
    EXPECT_THAT(
        bom(code),
        ElementsAre("*", "* Tevra", "* BOM for PDU SQ1111321E1BA-1", "*",
                    "1 - Chassis with 1U-Horizontal form factor", "1 - ZOLT module",
                    "1 - ZARN module", "1 - Environmental probe", "1 - Display Meter",
                    "1 - Breaker 32 Amps", "1 - TLD module", "6 - Bicolor LEDs",
                    "1 - KVB module w/: single phase, Voltage monitoring, env. RJ11, "
                    "1 TLD RJ45, 1 Display RJ45, 1 ZOLT RJ45",
                    "7 - Toroids", "3 - Inter-module cables", "1 - KVB to ZARN RJ11 cable"));
}

TEST(BomWriter, SplitPhaseExceptionDropsLedsAndBreakerToroids) {
    // Single phase, 120/120/240 V, 20/20/30 A, 3 breakers, series low bits 30, socket control
    // with TLD count 4 (bits 0).
    const ModelCode split{kFeatSocketControl,
                          kSeriesBits(30) | 5 | kVoltage(2) | kCurrent(7) | kBreakers(3), 0};
    const auto lines = bom(split);
    EXPECT_THAT(lines, ::testing::Contains("3 - Breakers 20/20/30 Amps"));
    EXPECT_THAT(lines, ::testing::Contains("4 - TLD modules"));
    EXPECT_THAT(lines, ::testing::Contains("24 - Toroids"));
    EXPECT_THAT(lines, ::testing::Not(::testing::Contains(::testing::HasSubstr("LEDs"))));

    // Any one condition missing: the ordinary counts.
    const ModelCode notSplit[] = {
        {static_cast<std::uint16_t>(split.feature | kFeatThreePhase), split.attribute, 0},
        {split.feature, (split.attribute & ~kVoltage(7)) | kVoltage(1), 0},
        {split.feature, (split.attribute & ~kCurrent(15)) | kCurrent(6), 0},
        {split.feature, (split.attribute & ~kBreakers(7)) | kBreakers(2), 0},
        {split.feature, split.attribute | 0x80, 0},  // series bit 6: low seven bits are 94
    };
    for (const ModelCode& c : notSplit) {
        const auto l = bom(c);
        EXPECT_THAT(l, ::testing::Contains("24 - Bicolor LEDs")) << encodeModelCode(c);
        EXPECT_THAT(l, ::testing::Contains(::testing::EndsWith(" - Toroids")));
        EXPECT_THAT(l, ::testing::Not(::testing::Contains("24 - Toroids"))) << encodeModelCode(c);
    }
    // Higher series bits in the ExtensionWord do not matter.
    EXPECT_THAT(bom({split.feature, split.attribute, 0x0003}), ::testing::Contains("24 - Toroids"));
}

TEST(BomWriter, ShippedModelsMatchTheirCheckedTexts) {
    const test::TempDir scratch("bom");
    const auto& dir = scratch.path();
    for (const char* text : {"SS211215231CA-3", "STV233303D3DG-4", "SUD236166E0EN-6"}) {
        const auto out = dir / (std::string(text) + ".bom");
        ASSERT_TRUE(WriteBom(out, decodedCode(text)));
        const std::string expected =
            readFile(std::filesystem::path(QUORVEL_SOURCE_DIR) / "tests" / "generators" /
                     "expected" / (std::string(text) + ".bom"));
        ASSERT_FALSE(expected.empty()) << text;
        EXPECT_EQ(readFile(out), expected) << text;
    }
}

// The fields a code string cannot carry, each just past its range, are named with the range;
// the last value of every range passes.
TEST(BomWriter, FieldsOutOfRangeAreNamed) {
    // Series index 17575 (39 + 128 * 137), every field at the top of its range, TLD count 8.
    const ModelCode top{kFeatSerial | kFeatSocketControl | kFeatThreePhase,
                        kSeriesBits(39) | 6 | kVoltage(3) | kCurrent(8) | kMeters(6) | kBreakers(6),
                        0x0100 | 137};
    EXPECT_EQ(BomFieldOutOfRange(top), "");
    auto changed = [&](std::uint16_t feature, std::uint32_t attribute, std::uint16_t extension) {
        return ModelCode{static_cast<std::uint16_t>(top.feature ^ feature),
                         top.attribute ^ attribute,
                         static_cast<std::uint16_t>(top.extension ^ extension)};
    };
    const std::pair<ModelCode, const char*> cases[] = {
        {changed(0, kSeriesBits(39 ^ 40), 0), "series index 17576, not 0..17575"},
        {changed(0, 6 ^ 7, 0), "form factor code 7, not 0..6"},
        {changed(0, kVoltage(3 ^ 4), 0), "voltage code 4, not 0..3"},
        {changed(kFeatThreePhase ^ 0x8000, 0, 0), "phase 2, not 0..1"},
        {changed(0, kBreakers(6 ^ 7), 0), "breaker count 7, not 0..6"},
        {changed(0, kCurrent(8 ^ 9), 0), "current code 9, not 0..8"},
        {changed(0, kMeters(6 ^ 7), 0), "meter count 7, not 0..6"},
        {changed(0, 1u << 30, 0), "TLD count 9, not 0..8"},
        {kNoModel, "the no-model code"},
    };
    for (const auto& [code, field] : cases)
        EXPECT_EQ(BomFieldOutOfRange(code), field);
}

TEST(BomWriter, FailuresReturnFalse) {
    const ModelCode code{kFeatSerial, kSeriesBits(27), 0};
    EXPECT_FALSE(WriteBom(nullptr, code.feature, code.attribute, code.extension));
    EXPECT_FALSE(WriteBom(u"", code.feature, code.attribute, code.extension));
    EXPECT_FALSE(WriteBom(std::filesystem::path("/nonexistent-dir/x.bom"), code));
    EXPECT_FALSE(WriteBom(std::filesystem::path("/dev/full"), code));

    const test::TempDir scratch("bomfail");
    const auto& dir = scratch.path();
    EXPECT_FALSE(WriteBom(dir / "none.bom", kNoModel));  // nothing to list for no model
    EXPECT_TRUE(std::filesystem::is_empty(dir));
    const std::u16string path = (dir / "wide.bom").u16string();
    EXPECT_TRUE(WriteBom(path.c_str(), code.feature, code.attribute, code.extension));
    EXPECT_EQ(readFile(dir / "wide.bom").substr(0, 10), "*\n* Tevra\n");

    for (int failAt : {1, 3, 6}) {
        StringSink sink(failAt);
        EXPECT_FALSE(WriteBomText(sink, code));
        EXPECT_EQ(sink.calls, failAt);
    }
}

}  // namespace
}  // namespace quorvel
