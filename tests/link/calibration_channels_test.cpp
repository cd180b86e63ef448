// The calibration dialog's channel lists: later generations from the record's voltage inputs,
// visible circuits and present receptacles; first-generation lists from their rules.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "link/calibration_channels.h"

namespace quorvel {
namespace {

void Put(ProfileText& field, const char16_t* text) {
    std::memset(field, 0, sizeof field);
    for (int i = 0; text[i] != 0 && i < kProfileTextChars - 1; ++i) {
        field[i] = text[i];
    }
}

std::vector<std::pair<std::uint32_t, std::u16string>> Pairs(
    const std::vector<CalibrationChannel>& list) {
    std::vector<std::pair<std::uint32_t, std::u16string>> out;
    for (const auto& c : list) {
        out.emplace_back(c.item, c.name);
    }
    return out;
}

// A three-circuit unit with two voltage inputs and four metered receptacles.
PduRecord LaterRecord() {
    PduRecord r;
    r.featureWord = kFeatureVoltageInputs | kFeatureReceptacleMeters;
    r.circuitCount = 3;
    Put(r.circuitWord, u"Branch ");
    const char16_t* labels[3] = {u"X", u"Y", u"Z"};
    for (int j = 0; j < 3; ++j) {
        r.circuitVisible[j] = 1;
        Put(r.circuitShortLabel[j], labels[j]);
        Put(r.receptacleWord[j], u"Port ");
    }
    r.voltageMapLow[0] = 1;  // input 0 measures circuit Y
    r.voltageMapLow[1] = 0;  // input 1 measures circuit X
    r.voltageMapHigh[0] = 0x72;
    r.voltageMapHigh[1] = 0x70;
    r.receptacleLabelStyle = 0x61;
    std::memset(r.receptaclePresent, kAbsent, sizeof r.receptaclePresent);
    std::memset(r.receptacleInput, kAbsent, sizeof r.receptacleInput);
    for (int k : {0, 1, 8, 9}) {
        r.receptaclePresent[k] = static_cast<std::uint8_t>(k);
        r.receptacleInput[k] = static_cast<std::uint8_t>(k / 8);
        r.receptacleMap[k] = static_cast<std::uint8_t>(k + 1);
    }
    return r;
}

TEST(CalibrationChannels, LaterGenerationsListVoltagesCircuitsAndReceptacles) {
    const PduRecord r = LaterRecord();
    using P = std::pair<std::uint32_t, std::u16string>;
    EXPECT_EQ(Pairs(CalibrationChannels(r, 3)), (std::vector<P>{{0x101, u"Branch X Voltage"},
                                                                {0x100, u"Branch Y Voltage"},
                                                                {0x200, u"Branch X"},
                                                                {0x201, u"Branch Y"},
                                                                {0x202, u"Branch Z"},
                                                                {0x301, u"Port 1"},
                                                                {0x302, u"Port 2"},
                                                                {0x309, u"Port 9"},
                                                                {0x30A, u"Port 10"}}));
}

TEST(CalibrationChannels, LargeSetsListOnlyTheChannelsTheConsoleCanCalibrate) {
    PduRecord r = LaterRecord();
    r.extensionWord = 0x100A;
    r.circuitCount = 6;
    const char16_t* labels[6] = {u"A", u"B", u"C", u"D", u"E", u"F"};
    for (int j = 0; j < 6; ++j) {
        r.circuitVisible[j] = 1;
        Put(r.circuitShortLabel[j], labels[j]);
    }
    r.featureWord = kFeatureVoltageInputs;
    // Four voltage inputs above generation two, but the console's voltage rows end at input 2
    // and its current rows at circuit D: input 3 and circuits E and F are left out.
    using P = std::pair<std::uint32_t, std::u16string>;
    EXPECT_EQ(Pairs(CalibrationChannels(r, 4)), (std::vector<P>{{0x101, u"Branch A Voltage"},
                                                                {0x100, u"Branch B Voltage"},
                                                                {0x102, u"Branch C Voltage"},
                                                                {0x200, u"Branch A"},
                                                                {0x201, u"Branch B"},
                                                                {0x202, u"Branch C"},
                                                                {0x203, u"Branch D"}}));
    EXPECT_EQ(VoltageInputCount(2, 0x100A), 2);  // generation 2 never has four
    EXPECT_EQ(CalibrationChannels(r, 2)[2].kind(), kChannelCircuit);
}

TEST(CalibrationChannels, FeaturesAndCountsDecideWhatIsListed) {
    PduRecord r = LaterRecord();
    r.featureWord = 0;
    r.circuitVisible[1] = 0;
    auto list = CalibrationChannels(r, 2);
    ASSERT_EQ(list.size(), 2u);
    EXPECT_EQ(list[1].name, u"Branch Z");
    r.circuitCount = 0;
    EXPECT_TRUE(CalibrationChannels(r, 2).empty());

    r = LaterRecord();
    r.receptacleLabelStyle = 0x52;  // letters
    EXPECT_EQ(ReceptacleChannelLabel(r, 9), u"Port J");
    r.receptacleLabelStyle = 0x40;  // the word alone
    EXPECT_EQ(ReceptacleChannelLabel(r, 9), u"Port ");
    r.receptacleInput[9] = kAbsent;  // on no circuit: no word
    r.receptacleLabelStyle = 0x41;
    EXPECT_EQ(ReceptacleChannelLabel(r, 9), u"10");
}

TEST(CalibrationChannels, FirstGenerationTwoCircuitsWithTwelveSockets) {
    PduRecord r;
    r.featureWord = kFeatureVoltageInputs | kFeatureReceptacleMeters;
    r.phaseCount = 1;
    r.circuitCount = 2;
    Put(r.circuitWord, u"Branch ");
    r.receptaclesPerCircuit[0] = 6;
    r.receptaclesPerCircuit[1] = 6;
    using P = std::pair<std::uint32_t, std::u16string>;
    std::vector<P> expected = {{0x00F, u"Branch A Voltage"},
                               {0x10F, u"Branch B Voltage"},
                               {0x000, u"Branch A"},
                               {0x100, u"Branch B"}};
    for (int s = 12; s >= 1; --s) {
        const std::uint32_t item = s > 6 ? 0x000 + (13 - s) : 0x100 + (7 - s);
        const std::string number = std::to_string(s);
        expected.push_back({item, u"Socket " + std::u16string(number.begin(), number.end())});
    }
    EXPECT_EQ(Pairs(CalibrationChannels(r, 1)), expected);

    r.featureWord = 0;
    Put(r.circuitWord, u"Circuit ");
    EXPECT_EQ(Pairs(CalibrationChannels(r, 1)),
              (std::vector<P>{{0x000, u"Circuit A"}, {0x100, u"Circuit B"}}));
}

TEST(CalibrationChannels, FirstGenerationThreePhaseLists) {
    PduRecord r;
    r.featureWord = kFeatureVoltageInputs | kFeatureReceptacleMeters;
    r.phaseCount = 3;
    r.circuitCount = 3;
    r.receptaclesPerCircuit[0] = r.receptaclesPerCircuit[1] = r.receptaclesPerCircuit[2] = 16;
    auto list = CalibrationChannels(r, 1);
    // Three voltages, three circuits named by phase pairs alone, 26 sockets at most (12, 12, 2).
    ASSERT_EQ(list.size(), 3u + 3u + 26u);
    EXPECT_EQ(list[0].name, u"Branch XY Voltage");
    EXPECT_EQ(list[2].item, 0x20Fu);
    EXPECT_EQ(list[3].name, u"XY");
    EXPECT_EQ(list[5].name, u"ZX");
    EXPECT_EQ(list[6].name, u"Socket 26");
    EXPECT_EQ(list[6].item, 0x001u);
    EXPECT_EQ(list.back().name, u"Socket 1");
    EXPECT_EQ(list.back().item, 0x202u);

    // Wedge units (form factor 4) name their circuits the other way round.
    r.attributeWord = 4;
    Put(r.circuitWord, u"Branch ");
    list = CalibrationChannels(r, 1);
    EXPECT_TRUE(ReversedCircuitFamily(r));
    EXPECT_EQ(list[3].name, u"Branch ZX");
    EXPECT_EQ(list[3].item, 0x000u);
    EXPECT_EQ(list[5].name, u"Branch XY");

    // Without per-circuit counts the metered receptacles are spread evenly.
    PduRecord spread;
    spread.featureWord = kFeatureReceptacleMeters;
    spread.phaseCount = 3;
    spread.circuitCount = 3;
    spread.mappedReceptacles = 18;
    list = CalibrationChannels(spread, 1);
    ASSERT_EQ(list.size(), 3u + 18u);
    EXPECT_EQ(list[3 + 6].item, 0x101u);  // Socket 12: circuit YZ, channel 1
}

TEST(CalibrationChannels, GenerationAndVoltageChannelRules) {
    EXPECT_EQ(CalibrationGeneration(u"V4"), 4);
    EXPECT_EQ(CalibrationGeneration(u"V3"), 3);
    EXPECT_EQ(CalibrationGeneration(u"V2"), 2);
    EXPECT_EQ(CalibrationGeneration(u"V1"), 1);
    EXPECT_EQ(CalibrationGeneration(u"V22"), 1);
    EXPECT_EQ(CalibrationGeneration(u"V"), 1);
    EXPECT_EQ(CalibrationGeneration(u""), 1);
    EXPECT_TRUE(IsVoltageChannel(3, kFeatureVoltageInputs, kChannelVoltage, 0));
    EXPECT_FALSE(IsVoltageChannel(3, 0, kChannelVoltage, 0));
    EXPECT_FALSE(IsVoltageChannel(3, kFeatureVoltageInputs, kChannelCircuit, 15));
    EXPECT_TRUE(IsVoltageChannel(1, kFeatureVoltageInputs, 2, kFirstGenVoltageChannel));
    EXPECT_FALSE(IsVoltageChannel(1, kFeatureVoltageInputs, 1, 0));
}

}  // namespace
}  // namespace quorvel
