// The shipped data/pduattribs.ini: loads with no line ignored, covers what the simulator, the
// tests and the windows rely on, and each series' maps agree with each other.
#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <set>
#include <string>

#include "catalogue/attribute_loader.h"
#include "catalogue/model_profile_builder.h"
#include "generators/generator_test_support.h"

namespace quorvel {
namespace {

class ShippedCatalogue : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        tables_ = new AttributeTables;
        loaded_ = LoadPDUAttributes(
            *tables_, std::filesystem::path(QUORVEL_SOURCE_DIR) / "data" / "pduattribs.ini",
            &report_);
    }
    static void TearDownTestSuite() { delete tables_; }

    static AttributeTables* tables_;
    static AttributeLoadReport report_;
    static bool loaded_;
};
AttributeTables* ShippedCatalogue::tables_ = nullptr;
AttributeLoadReport ShippedCatalogue::report_;
bool ShippedCatalogue::loaded_ = false;

TEST_F(ShippedCatalogue, LoadsEveryLine) {
    ASSERT_TRUE(loaded_) << report_.stopLine << ": " << report_.reason;
    EXPECT_TRUE(report_.endMarker);
    EXPECT_TRUE(report_.ignoredLines.empty()) << "first ignored line " << report_.ignoredLines[0];
    EXPECT_TRUE(report_.longLines.empty());
    EXPECT_GE(tables_->seriesCount(), 8u);
    EXPECT_TRUE(tables_->inletPresent(32 + 0));  // extension "B" inlets
    EXPECT_TRUE(tables_->inletPresent(32 + 31));
}

TEST_F(ShippedCatalogue, CoversPhasesFormFactorsCircuitsAndStyles) {
    std::set<int> phases, forms, circuits, labelRows, words, numbering, sockets;
    bool extended = false, gaps = false, unmanaged = false, twoVoltInputs = false;
    for (SeriesIndex idx : tables_->presentSeries()) {
        KvbMapRecord kvb;
        LayoutRecord l;
        ExtRecord ext;
        ASSERT_TRUE(tables_->storedRecords(idx, &kvb, &l, &ext));
        phases.insert(ext.intend[0]);
        forms.insert(ext.intend[1]);
        circuits.insert(static_cast<int>(std::count_if(
            std::begin(kvb.iAddMap), std::end(kvb.iAddMap), [](auto b) { return b != 0; })));
        labelRows.insert(l.circLayoutType & 0x0F);
        words.insert(l.circLayoutType >> 4);
        numbering.insert(l.recepLabel & 0x0F);
        extended |= l.extModel[0] > 0x0F;
        twoVoltInputs |= std::popcount(kvb.vSampleMap) == 2;
        bool seenEmpty = false;
        for (unsigned k = 0; k < 48; ++k) {
            const bool present = packedValue(l.recepMap, k) != 0;
            gaps |= present && seenEmpty;
            seenEmpty |= !present;
            if (ext.recepType[k] != 0)
                sockets.insert(ext.recepType[k] & 0x0F);
            unmanaged |= ext.recepType[k] != 0 && !(ext.recepType[k] & kRecepTypeManaged);
        }
        EXPECT_FALSE(tables_->seriesText(idx).empty()) << idx;
    }
    EXPECT_EQ(phases, (std::set<int>{0, 1}));
    EXPECT_EQ(forms, (std::set<int>{0, 1, 2, 3, 4, 5, 6}));
    EXPECT_EQ(circuits, (std::set<int>{1, 2, 3, 4, 5, 6}));
    EXPECT_EQ(words, (std::set<int>{1, 2}));  // "Circuit " and "Branch "
    EXPECT_GE(labelRows.size(), 4u);
    EXPECT_EQ(numbering, (std::set<int>{1, 2}));  // digits and letters
    EXPECT_GE(sockets.size(), 5u);
    EXPECT_TRUE(extended && gaps && unmanaged && twoVoltInputs);
}

// Every receptacle has a label and a type; a switched one is on exactly one current input, that
// of its circuit; an unswitched one is on none.
TEST_F(ShippedCatalogue, ReceptacleMapsAgree) {
    for (SeriesIndex idx : tables_->presentSeries()) {
        KvbMapRecord kvb;
        LayoutRecord l;
        ExtRecord ext;
        ASSERT_TRUE(tables_->storedRecords(idx, &kvb, &l, &ext));
        const bool direct = l.extModel[0] > 0x0F;
        auto inputBit = [&](unsigned row, unsigned k) {
            if (k >= 36)
                return false;
            const std::uint8_t v = direct ? kvb.recepIMap[6 * row + k / 6]
                                          : packedValue(kvb.recepIMap + 6 * row, k / 6);
            return ((v >> (k % 6)) & 1u) != 0;
        };
        std::set<int> labels;
        for (unsigned k = 0; k < 48; ++k) {
            SCOPED_TRACE("series " + std::to_string(idx) + " receptacle " + std::to_string(k));
            const std::uint8_t type = ext.recepType[k];
            const int label = packedValue(l.recepMap, k);
            EXPECT_EQ(type != 0, label != 0);
            if (type == 0)
                continue;
            EXPECT_TRUE(labels.insert(label).second);
            EXPECT_GE(type & kRecepTypeSocketMask, 1);
            EXPECT_LE(type & kRecepTypeSocketMask, 13);
            const unsigned circuit = (type & kRecepTypeCircuitMask) >> 4;
            EXPECT_NE(kvb.iAddMap[circuit], 0);
            for (unsigned row = 0; row < 6; ++row) {
                const bool expected = (type & kRecepTypeManaged) && row == circuit;
                EXPECT_EQ(inputBit(row, k), expected) << "row " << row;
            }
        }
    }
}

// The dialogs' layout values: each circuit's rows per column hold the receptacles on its current
// input in its receptacle columns, none left empty, and its group sits on the grid's places 0..5.
TEST_F(ShippedCatalogue, RowsPerColumnHoldTheReceptaclesOfTheColumns) {
    for (SeriesIndex idx : tables_->presentSeries()) {
        ModelProfile p;
        ASSERT_TRUE(BuildModelProfile(testing::seriesCode(idx, kFeatSocketControl), p, *tables_));
        for (int c = 0; c < p.circuitCount; ++c) {
            SCOPED_TRACE("series " + std::to_string(idx) + " circuit " + std::to_string(c));
            const int n = p.receptaclesPerCircuit[c];
            const int columns = std::max<int>(p.receptacleColumns[c], 1);
            EXPECT_EQ(p.receptacleMaxColumns[c], (n + columns - 1) / columns);
            EXPECT_LT((columns - 1) * p.receptacleMaxColumns[c], std::max(n, 1));
            EXPECT_LE(p.circuitLayoutHigh[c], 5);
            EXPECT_LE(p.circuitLayoutLow[c], 5);
        }
    }
}

// The model codes handed to the simulator profiles: each decodes and names a present series.
TEST_F(ShippedCatalogue, ExampleModelCodesNamePresentSeries) {
    const char* codes[] = {"SQV11220241BB-3",  "SR1111151B0AA-0",   "SS211230233CD-3",
                           "STV433303D1DL-4",  "SUD436AA653EA-6B",  "SVW23330020FJ-0",
                           "SAV115305C1KD-5",  "SP121116160AM-1AB", "SWS31430471GG-3",
                           "SXX236506G0HB-4B", "SQV43340341EL-3AC"};
    std::set<SeriesIndex> seen;
    for (const char* text : codes) {
        const ModelCode c = testing::decodedCode(text);
        EXPECT_TRUE(tables_->seriesPresent(seriesIndexOf(c))) << text;
        EXPECT_FALSE(tables_->inletText(inletIndexOf(c)).empty()) << text;
        ExtRecord ext;
        ASSERT_TRUE(tables_->extRecord(c, &ext));
        EXPECT_EQ(ext.intend[0], phaseCode(c)) << text;
        EXPECT_EQ(ext.intend[1], formFactorCode(c)) << text;
        KvbMapRecord kvb;
        ASSERT_TRUE(tables_->kvbMapRecord(c, &kvb, true));
        LayoutRecord l;
        ASSERT_TRUE(tables_->layoutRecord(c, &l, true));
        if (tldCount(c) != 0 && l.extModel[0] <= 0x0F) {
            EXPECT_EQ(countUsedReceptacleGroups(kvb.recepIMap), tldCount(c)) << text;
        }
        seen.insert(seriesIndexOf(c));
    }
    EXPECT_EQ(seen.size(), tables_->seriesCount());
}

}  // namespace
}  // namespace quorvel
