// BuildModelProfile over small attribute texts (an ordinary series with packed maps, an extended
// one with its current-input map stored one value per byte, one with empty maps) and over the
// shipped catalogue.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "catalogue/attribute_loader.h"
#include "catalogue/model_profile_builder.h"
#include "generators/generator_test_support.h"

namespace quorvel {
namespace {

using ::testing::Each;
using ::testing::ElementsAre;

// QB: packed maps. Current inputs: 0 holds receptacles 0..7, 1 holds 8..15, 2 holds 30..32.
// QC: extended (PMExtModel first), current-input map one value per byte: input 0 holds 0..5,
// input 1 holds 6..11, input 2 holds 24..26; the byte C0 names no receptacle.
// QD: no maps at all.
constexpr const char* kText =
    "KVBIAddMapQB=30 31 32\n"
    "KVBRecepIMapQB=3F 03 0 0 0 0 0 3C 0F 0 0 0 0 0 0 0 0 07\n"
    "PMRecepMapQB=1 2 3 4 5 6 7 8 9 10 11 12 13 14 15 16 0 0 0 0 0 0 0 0 0 0 0 0 0 0 17 18 19\n"
    "PMVoltMapQB=1 2\n"
    "PMCurrMapQB=01 26 07\n"
    "PMCircSelVoltQB=1 0 0 1\n"
    "PMCircVisibleQB=05\n"
    "PMCircLayoutTypeQB=24\n"
    "PMCircLayoutQB=12 34 56\n"
    "PMRecepLabelQB=52\n"
    "PMRecepLayoutQB=0B\n"
    "PMRecepColumnsQB=12 30\n"
    "PMRecepMaxColumnsQB=2 3 4\n"
    "PExtRecepTypeQB=81 81 81 81 81 81 81 81 91 91 91 91 91 91 91 91 0 0 0 0 0 0 0 0 0 0 0 0 0 0 "
    "A2 A2 A2 03 13 0 0 0 0 0 01\n"
    "RecepTypeDescrQB=Packed\n"
    "PMExtModelQC=1000\n"
    "KVBIAddMapQC=1 1 1\n"
    "KVBRecepIMapQC=3F 0 0 0 0 0 0 3F 0 0 0 0 0 0 0 0 07 0 C0\n"
    "PMRecepMapQC=1 2 3 4 5 6 7 8 9 10 11 12 0 0 0 0 0 0 0 0 0 0 0 0 13 14 15\n"
    "PMVoltMapQC=1 2\n"
    "PMRecepLabelQC=41\n"
    "RecepTypeDescrQC=Extended\n"
    "RecepTypeDescrQD=Empty\n";

class ModelProfileTest : public ::testing::Test {
  protected:
    void SetUp() override { ASSERT_TRUE(LoadPDUAttributesFromText(tables_, kText)); }

    // Three phase, voltage code 1, 2 breakers, 30 A, 4 meters, socket control, 2 TLD modules.
    static ModelCode code(char second) {
        return testing::decodedCode("SQV23230433" + std::string(1, second) + "A-2");
    }

    AttributeTables tables_;
};

std::u16string text(const ProfileText& t) {
    return std::u16string(t);
}

TEST_F(ModelProfileTest, PackedSeriesEveryField) {
    const ModelCode c = code('B');
    ModelProfile p;
    ASSERT_TRUE(BuildModelProfile(c, p, tables_));
    EXPECT_EQ(p.featureWord, c.feature);
    EXPECT_EQ(p.attributeWord, c.attribute);
    EXPECT_EQ(p.extensionWord, c.extension);
    EXPECT_EQ(p.phaseCount, 3);
    EXPECT_EQ(p.nominalVoltage, 208);
    EXPECT_EQ(p.currentRating, 30);
    EXPECT_EQ(p.meterCount, 4);
    EXPECT_EQ(p.breakerCount, 2);
    // Columns 0, 1, 2 and 5 are used; 19 receptacles mapped; two unmanaged among the first 36.
    EXPECT_EQ(p.receptacleGroups, 4);
    EXPECT_EQ(p.mappedReceptacles, 19);
    EXPECT_EQ(p.receptacleTotal, 21);
    EXPECT_EQ(p.circuitCount, 3);
    EXPECT_THAT(p.receptaclesPerCircuit, ElementsAre(8, 8, 3, 0, 0, 0));
    EXPECT_EQ(p.voltageMapLow[0], 1);
    EXPECT_EQ(p.voltageMapLow[1], 2);
    EXPECT_EQ(p.voltageMapHigh[0], 7);
    EXPECT_EQ(p.voltageMapHigh[1], 7);

    EXPECT_THAT(p.circuitLabelIndex, ElementsAre(0, 1, 2, 6, 0, 7));
    EXPECT_THAT(p.circuitSelectsVoltage, ElementsAre(1, 0, 0, 1, 0, 0));
    EXPECT_THAT(p.circuitVisible, ElementsAre(1, 0, 1, 0, 0, 0));
    EXPECT_THAT(p.circuitLayoutHigh, ElementsAre(1, 3, 5, 0, 0, 0));
    EXPECT_THAT(p.circuitLayoutLow, ElementsAre(2, 4, 6, 0, 0, 0));
    EXPECT_THAT(p.receptacleColumns, ElementsAre(1, 2, 3, 0, 0, 0));
    EXPECT_THAT(p.receptacleMaxColumns, ElementsAre(2, 3, 4, 0, 0, 0));
    EXPECT_EQ(p.circuitLayoutType, 0x24);
    EXPECT_EQ(p.receptacleLayout, 0x0B);
    EXPECT_EQ(p.receptacleLabelStyle, 0x52);

    // Labels: "Branch ", row 4 short labels, "Receptacle " words, lettered receptacles; label
    // indexes 6 and 7 leave both labels of their circuit empty.
    EXPECT_EQ(text(p.circuitWord), u"Branch ");
    const std::u16string shortLabels[6] = {u"XY", u"YZ", u"ZX", u"", u"XY", u""};
    const std::u16string words[6] = {
        u"Receptacle ", u"Receptacle ", u"Receptacle ", u"", u"Receptacle ", u""};
    for (int j = 0; j < 6; ++j) {
        EXPECT_EQ(text(p.circuitShortLabel[j]), shortLabels[j]) << j;
        EXPECT_EQ(text(p.receptacleWord[j]), words[j]) << j;
    }
    EXPECT_EQ(text(p.receptacleLabel[2]), u"C");
    EXPECT_EQ(text(p.receptacleLabel[32]), u"S");

    // Receptacles: map values, presence, types and current inputs.
    EXPECT_EQ(p.receptacleMap[0], 1);
    EXPECT_EQ(p.receptacleMap[15], 16);
    EXPECT_EQ(p.receptacleMap[16], 0);
    EXPECT_EQ(p.receptacleMap[32], 19);
    EXPECT_EQ(p.receptacleType[33], 0x03);
    EXPECT_EQ(p.receptacleType[40], 0x01);
    for (unsigned k = 0; k < 48; ++k) {
        const bool present = k < 16 || (k >= 30 && k <= 32);
        EXPECT_EQ(p.receptaclePresent[k], present ? k : kAbsent) << k;
        const unsigned input = k < 8 ? 0 : k < 16 ? 1 : (k >= 30 && k <= 32) ? 2 : kAbsent;
        EXPECT_EQ(p.receptacleInput[k], input) << k;
    }
    EXPECT_EQ(p.generationNumber, 0);
}

// An extended series keeps its current-input map one value per byte: the counts and the inputs
// come from that form whatever the code's ExtensionWord says (a decoded code has no extension
// marker; a code read from a device has one).
TEST_F(ModelProfileTest, ExtendedSeriesReadsItsMapDirect) {
    for (std::uint16_t marker : {std::uint16_t{0}, std::uint16_t{0x1000}}) {
        SCOPED_TRACE(marker);
        ModelCode c = code('C');
        c.extension |= marker;
        ModelProfile p;
        ASSERT_TRUE(BuildModelProfile(c, p, tables_));
        EXPECT_EQ(p.receptacleGroups, 3);  // columns 0, 1 and 4
        EXPECT_EQ(p.mappedReceptacles, 15);
        EXPECT_EQ(p.receptacleTotal, 15);
        EXPECT_THAT(p.receptaclesPerCircuit, ElementsAre(6, 6, 3, 0, 0, 0));
        for (unsigned k = 0; k < 48; ++k) {
            const unsigned input = k < 6 ? 0 : k < 12 ? 1 : (k >= 24 && k <= 26) ? 2 : kAbsent;
            EXPECT_EQ(p.receptacleInput[k], input) << k;
            EXPECT_EQ(p.receptaclePresent[k], (k < 12 || (k >= 24 && k <= 26)) ? k : kAbsent);
        }
        EXPECT_EQ(p.voltageMapHigh[0], 0);  // stored without the added flags
        EXPECT_EQ(text(p.receptacleLabel[25]), u"14");
        EXPECT_EQ(text(p.receptacleWord[0]), u"Socket ");
    }
}

TEST_F(ModelProfileTest, EmptyMapsFallBackToTheTldCount) {
    ModelProfile p;
    ASSERT_TRUE(BuildModelProfile(code('D'), p, tables_));
    EXPECT_EQ(p.receptacleGroups, 2);
    EXPECT_EQ(p.mappedReceptacles, 12);
    EXPECT_EQ(p.receptacleTotal, 12);
    EXPECT_EQ(p.circuitCount, 2);  // no current addresses: the breaker count
    EXPECT_THAT(p.receptaclePresent, Each(kAbsent));
    EXPECT_THAT(p.receptacleInput, Each(kAbsent));

    // Without socket control or meter there is nothing mapped: both lists stay absent too.
    ModelCode c = code('D');
    c.feature &= static_cast<std::uint16_t>(~(kFeatSocketControl | kFeatSocketMeter));
    ASSERT_TRUE(BuildModelProfile(c, p, tables_));
    EXPECT_EQ(p.receptacleGroups, 0);
    EXPECT_EQ(p.mappedReceptacles, 0);
    EXPECT_EQ(p.receptacleInput[0], kAbsent);
}

TEST_F(ModelProfileTest, RatingsByCode) {
    ModelCode c = code('D');
    ModelProfile p;
    c.attribute = (c.attribute & ~0x0F70u) | (7u << 8) | (0u << 4);  // 20/20/30 A, 120 V
    ASSERT_TRUE(BuildModelProfile(c, p, tables_));
    EXPECT_EQ(p.currentRating, 223);
    EXPECT_EQ(p.nominalVoltage, 120);
    c.attribute = (c.attribute & ~0x0F70u) | (8u << 8) | (3u << 4);  // 32 A, voltage code 3
    c.feature &= 0x3FFF;                                             // single phase
    ASSERT_TRUE(BuildModelProfile(c, p, tables_));
    EXPECT_EQ(p.currentRating, 32);
    EXPECT_EQ(p.nominalVoltage, 208);
    EXPECT_EQ(p.phaseCount, 1);
}

TEST_F(ModelProfileTest, InvalidFieldsGiveFalseButTheRestIsFilled) {
    const ModelCode good = code('B');
    const auto f = good.feature;
    const auto a = good.attribute;
    struct Case {
        ModelCode code;
        std::uint8_t ModelProfile::*zeroed;
    } cases[] = {
        {{static_cast<std::uint16_t>(f ^ 0xC000), a, 0}, &ModelProfile::phaseCount},
        {{f, (a & ~0x70u) | 0x40u, 0}, &ModelProfile::nominalVoltage},
        {{f, (a & ~0xF00u) | 0x900u, 0}, &ModelProfile::currentRating},
        {{f, a | (7u << 24), 0}, &ModelProfile::meterCount},
        {{f, a | (7u << 27), 0}, &ModelProfile::breakerCount},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(&k - cases);
        ModelProfile p;
        EXPECT_FALSE(BuildModelProfile(k.code, p, tables_));
        EXPECT_EQ(p.*k.zeroed, 0);
        EXPECT_EQ(p.mappedReceptacles, 19);
        EXPECT_EQ(p.receptacleInput[31], 2);
        EXPECT_EQ(text(p.circuitWord), u"Branch ");
    }
}

// What a profile holds when nothing past the three words was filled.
void expectCleared(const ModelProfile& p) {
    auto zero = [](const auto& a) {
        return std::all_of(std::begin(a), std::end(a), [](auto v) { return v == 0; });
    };
    EXPECT_TRUE(p.generationNumber == 0 && p.receptacleTotal == 0 && p.phaseCount == 0 &&
                p.currentRating == 0 && p.breakerCount == 0 && p.receptacleLabelStyle == 0);
    EXPECT_TRUE(zero(p.receptacleMap) && zero(p.receptaclePresent) && zero(p.receptacleInput) &&
                zero(p.receptacleMaxColumns));
    EXPECT_TRUE(p.circuitWord[0] == 0 && p.receptacleLabel[0][0] == 0);
}

TEST_F(ModelProfileTest, AbsentSeriesNoModelAndNoOutput) {
    ModelProfile p;
    ASSERT_TRUE(BuildModelProfile(code('B'), p, tables_));  // leaves every field filled
    p.generationNumber = 3;
    const ModelCode absent = code('E');
    EXPECT_FALSE(BuildModelProfile(absent, p, tables_));
    EXPECT_EQ(p.featureWord, absent.feature);
    EXPECT_EQ(p.attributeWord, absent.attribute);
    EXPECT_EQ(p.extensionWord, absent.extension);
    expectCleared(p);

    ASSERT_TRUE(BuildModelProfile(code('B'), p, tables_));
    EXPECT_FALSE(BuildModelProfile(kNoModel, p, tables_));
    EXPECT_EQ(p.featureWord, 0);
    EXPECT_EQ(p.attributeWord, 0u);
    expectCleared(p);
    EXPECT_FALSE(
        BuildModelProfile(absent.feature, absent.attribute, absent.extension, nullptr, tables_));
}

// The shipped catalogue: QB with packed maps, and the extended CQE as decoded and as read from a
// device (with its extension marker).
TEST(ShippedModelProfile, PackedAndExtendedSeries) {
    const AttributeTables& tables = testing::shippedCatalogue();
    ModelProfile p;
    ASSERT_TRUE(BuildModelProfile(testing::decodedCode("SQV11220241BB-3"), p, tables));
    EXPECT_EQ(p.receptacleGroups, 3);
    EXPECT_EQ(p.mappedReceptacles, 16);
    EXPECT_EQ(p.receptaclesPerCircuit[0], 8);
    EXPECT_EQ(p.receptaclesPerCircuit[1], 8);
    EXPECT_EQ(p.receptacleInput[8], 1);

    for (const ModelCode cqe :
         {ModelCode{0x47C0, 0xDB98B4B2u, 0x000A}, ModelCode{0x47C0, 0xDB98B4B2u, 0x100A}}) {
        SCOPED_TRACE(cqe.extension);
        ASSERT_TRUE(BuildModelProfile(cqe, p, tables));
        EXPECT_EQ(p.receptacleGroups, 3);
        EXPECT_EQ(p.mappedReceptacles, 18);
        EXPECT_EQ(p.receptacleTotal, 18);
        EXPECT_EQ(p.circuitCount, 3);
        EXPECT_THAT(p.receptaclesPerCircuit, ElementsAre(6, 6, 6, 0, 0, 0));
        EXPECT_EQ(p.receptacleInput[5], 0);
        EXPECT_EQ(p.receptacleInput[6], 1);
        EXPECT_EQ(p.receptacleInput[17], 2);
        EXPECT_EQ(p.receptacleInput[18], kAbsent);
        EXPECT_EQ(text(p.circuitShortLabel[2]), u"Z");
        EXPECT_EQ(text(p.receptacleWord[1]), u"Socket ");
        EXPECT_EQ(text(p.receptacleLabel[17]), u"18");
    }
}

}  // namespace
}  // namespace quorvel
