// The state dialog's layout arithmetic: circuit groups on the grid of layout slots with their
// gaps and size limits, receptacle rows and their columns, the developer's switch buttons, and
// the other interface's address row and bottom line.
#include <gtest/gtest.h>

#include <algorithm>
#include <utility>

#include "dialog_logic/state_test_records.h"
#include "dialogs/logic/state_layout.h"

namespace quorvel::dialogs {
namespace {

using testing::StackedRecord;
using R = LayoutRect;

// Where a rect starts, for the checks that leave its size to others.
std::pair<int, int> At(const R& r) {
    return {r.x, r.y};
}

TEST(StateLayout, StackedSwitchedCircuitsAndTheirRows) {
    PduRecord rec = StackedRecord(3, 6);
    rec.featureWord |= kFeatureVoltageInputs;
    const StateLayout l = ComputeStateLayout(rec, 0, false);

    // One column slot, three row slots: 8 pixels between the groups.
    EXPECT_EQ(l.circuits[0].group, (R{30, 84, 242, 158}));
    EXPECT_EQ(l.circuits[1].group, (R{30, 250, 242, 158}));
    EXPECT_EQ(l.circuits[2].group, (R{30, 416, 242, 158}));
    EXPECT_EQ(l.width, kStateMinWidth);  // 302 raised to the minimum
    EXPECT_EQ(l.height, 416 + 158 + 102);
    EXPECT_EQ(l.circuits[1].caption, u"Circuit Y");

    const CircuitLayout& c0 = l.circuits[0];
    ASSERT_EQ(c0.currentHeaders.size(), 1u);
    EXPECT_EQ(At(c0.currentHeaders[0]), std::pair(128, 102));
    ASSERT_EQ(c0.powerHeaders.size(), 1u);
    EXPECT_EQ(c0.powerHeaders[0].x, 208);
    // Only the circuit of a voltage input shows a voltage (the second input's index is 15).
    EXPECT_TRUE(c0.voltage.shown);
    EXPECT_EQ(At(c0.voltage.rect), std::pair(48, 102));
    EXPECT_FALSE(l.circuits[1].voltage.shown);
    EXPECT_EQ(c0.totalLabel.rect.y, 118);
    EXPECT_EQ(c0.totalValue.rect.x, 128);
    EXPECT_FALSE(c0.setAll.shown);

    // Receptacle rows: 16 apart from y + 50, name, current, check box and "R" across.
    const ReceptacleRowLayout& r2 = l.rows[2];
    EXPECT_TRUE(r2.shown);
    EXPECT_EQ(r2.circuit, 0);
    EXPECT_EQ(r2.name, u"Socket 3");
    EXPECT_EQ(At(r2.nameRect), std::pair(48, 84 + 50 + 32));
    EXPECT_EQ(r2.current.rect.x, 128);
    EXPECT_EQ(r2.check.rect.x, 208);
    EXPECT_EQ(r2.reset.rect.x, 228);
    EXPECT_EQ(l.rows[6].circuit, 1);
    EXPECT_EQ(l.rows[6].nameRect.y, 250 + 50);
    EXPECT_FALSE(l.rows[18].shown);

    // Bottom line: OK at the right, the activity light at 116; no other interface's controls.
    EXPECT_EQ(At(l.ok.rect), std::pair(kStateMinWidth - 110, l.height - 70));
    EXPECT_TRUE(l.light.shown);
    EXPECT_EQ(l.light.rect.x, 116);
    EXPECT_FALSE(l.refresh.shown || l.clear.shown || l.progress.shown || l.macLabel.shown);
    EXPECT_EQ(l.versionLabel.rect.y, 20);
    // The alarm text and "TRIPPED!" share their place, 32 below the top row.
    EXPECT_EQ(At(l.alarmText.rect), std::pair(106, 52));
    EXPECT_EQ(At(l.tripped.rect), std::pair(106, 52));
}

TEST(StateLayout, DeveloperSwitchButtonsGrowTheGroupsAndTheHeightIsCapped) {
    const PduRecord rec = StackedRecord(3, 6);
    const StateLayout l = ComputeStateLayout(rec, 0, true);
    EXPECT_EQ(l.circuits[0].group, (R{30, 84, 242, 62 + 96 + 46}));
    EXPECT_EQ(l.circuits[2].group.y, 84 + 2 * (204 + 8));
    EXPECT_EQ(l.height, kStateMaxHeight);  // 508 + 204 + 102 = 814
    const CircuitLayout& c = l.circuits[1];
    EXPECT_TRUE(c.setAll.shown);
    EXPECT_EQ(At(c.setAll.rect), std::pair(42, c.group.y + 66 + 16 * 6));
    EXPECT_EQ(At(c.clearAll.rect), std::pair(30 + 242 - 92, c.setAll.rect.y));
    EXPECT_EQ(c.setAllText, u"Set All Y");
    EXPECT_EQ(c.clearAllText, u"Clear All Y");

    // Not for unswitched receptacles, nor for a circuit without receptacles.
    PduRecord metered = StackedRecord(2, 6, kFeatureReceptacleMeters);
    metered.receptaclesPerCircuit[1] = 0;
    EXPECT_FALSE(ComputeStateLayout(metered, 0, true).circuits[0].setAll.shown);
    PduRecord empty = StackedRecord(2, 6);
    empty.receptaclesPerCircuit[1] = 0;
    const StateLayout e = ComputeStateLayout(empty, 0, true);
    EXPECT_TRUE(e.circuits[0].setAll.shown);
    EXPECT_FALSE(e.circuits[1].setAll.shown);
}

TEST(StateLayout, ColumnSlotsSideBySideAndTheWidthLimits) {
    PduRecord rec = StackedRecord(2, 6);
    rec.circuitLayoutHigh[0] = 1;  // column slot 0 stays empty and takes no room
    rec.circuitLayoutHigh[1] = 2;
    rec.circuitLayoutLow[1] = 1;
    StateLayout l = ComputeStateLayout(rec, 0, false);
    EXPECT_EQ(l.circuits[0].group, (R{30, 84, 242, 158}));
    EXPECT_EQ(l.circuits[1].group, (R{30 + 242 + 8, 84, 242, 158}));
    EXPECT_EQ(l.width, 30 + 242 + 8 + 242 + 30);
    EXPECT_EQ(l.height, 84 + 158 + 102);

    // A slot is as wide as its widest circuit.
    rec.receptacleColumns[0] = 2;
    l = ComputeStateLayout(rec, 0, false);
    EXPECT_EQ(l.circuits[0].group.w, 484);
    EXPECT_EQ(l.circuits[1].group.x, 30 + 484 + 8);

    PduRecord wide = StackedRecord(6, 2);
    for (int c = 0; c < 6; ++c) {
        wide.circuitLayoutHigh[c] = static_cast<std::uint8_t>(c);
        wide.circuitLayoutLow[c] = 0;
    }
    l = ComputeStateLayout(wide, 0, false);
    EXPECT_EQ(l.circuits[5].group.x, 30 + 5 * (242 + 8));
    EXPECT_EQ(l.width, kStateMaxWidth);
}

TEST(StateLayout, ReceptacleColumnsPositionsAndThePositionCount) {
    PduRecord rec = StackedRecord(1, 12);
    rec.receptacleColumns[0] = 2;
    rec.receptacleMaxColumns[0] = 6;
    StateLayout l = ComputeStateLayout(rec, 0, false);
    // Six rows of two columns: position m * 6 + r picks the circuit's row.
    EXPECT_EQ(l.circuits[0].group.h, 62 + 96);
    ASSERT_EQ(l.circuits[0].currentHeaders.size(), 2u);
    EXPECT_EQ(l.circuits[0].currentHeaders[1].x, 30 + 98 + 258);
    EXPECT_EQ(l.circuits[0].powerHeaders[1].x, 30 + 178 + 258);
    EXPECT_EQ(At(l.rows[6].nameRect), std::pair(30 + 18 + 258, l.rows[0].nameRect.y));
    EXPECT_EQ(l.rows[11].nameRect.y, l.rows[5].nameRect.y);
    for (int k = 0; k < 12; ++k) {
        EXPECT_TRUE(l.rows[k].shown) << k;
    }

    // Positions at or past the receptacle position count are not laid out.
    rec.receptacleTotal = 8;
    l = ComputeStateLayout(rec, 0, false);
    for (int k = 0; k < 12; ++k) {
        EXPECT_EQ(l.rows[k].shown, k < 8) << k;
    }
}

TEST(StateLayout, UnswitchedMeteredHiddenCircuitsAndNoColumns) {
    PduRecord rec = StackedRecord(3, 4, kFeatureReceptacleMeters);
    rec.circuitVisible[1] = 0;
    rec.receptacleColumns[2] = 0;
    const StateLayout l = ComputeStateLayout(rec, 0, true);
    EXPECT_EQ(l.circuits[0].group, (R{30, 84, 196, 62 + 64}));
    EXPECT_TRUE(l.circuits[0].powerHeaders.empty());
    EXPECT_TRUE(l.rows[0].current.shown);
    EXPECT_FALSE(l.rows[0].check.shown);
    EXPECT_FALSE(l.rows[0].reset.shown);
    // The hidden circuit keeps its place on the grid, but shows nothing.
    EXPECT_FALSE(l.circuits[1].shown);
    EXPECT_FALSE(l.rows[4].shown);
    EXPECT_EQ(l.circuits[2].group.y, 84 + 2 * (126 + 8));
    // Without receptacle columns: one "Current" header, the rows in one column.
    ASSERT_EQ(l.circuits[2].currentHeaders.size(), 1u);
    EXPECT_EQ(l.circuits[2].currentHeaders[0].x, 30 + 98);
    EXPECT_TRUE(l.rows[8].shown);

    // Neither switched nor metered: no receptacle rows at all.
    const PduRecord bare = StackedRecord(1, 4, 0);
    const StateLayout b = ComputeStateLayout(bare, 0, false);
    EXPECT_EQ(b.circuits[0].group.h, 62);
    EXPECT_FALSE(b.rows[0].shown);
    EXPECT_FALSE(b.temperatureLabel.shown);
}

TEST(StateLayout, OtherInterfaceAddressRowAndBottomLine) {
    const PduRecord rec = StackedRecord(3, 6);
    const StateLayout l = ComputeStateLayout(rec, 1, true);
    EXPECT_EQ(l.macLabel.rect, (R{36, 20, l.macLabel.rect.w, l.macLabel.rect.h}));
    EXPECT_EQ(l.macValue.rect.x, 106);
    EXPECT_EQ(l.ipLabel.rect.x, 220);
    EXPECT_EQ(l.ipValue.rect.x, 280);
    EXPECT_EQ(l.versionLabel.rect.y, 36);
    EXPECT_EQ(l.updateFieldsCheck.rect.x, 486);
    EXPECT_EQ(l.updateSoftwareCheck.rect.y, 52);
    EXPECT_EQ(l.temperatureValue.rect.x, 290);
    // The developer's switch buttons belong to the console interface only.
    EXPECT_EQ(l.circuits[0].group, (R{30, 100, 242, 158}));
    EXPECT_FALSE(l.circuits[0].setAll.shown);
    EXPECT_EQ(l.height, 100 + 2 * 166 + 158 + 102);
    const int q = (kStateMinWidth - 300) / 3;
    EXPECT_EQ(l.refresh.rect.x, q / 2 + 30);
    EXPECT_EQ(l.clear.rect.x, q / 2 + q + 110);
    EXPECT_EQ(l.ok.rect.x, q / 2 + 2 * q + 190);
    EXPECT_EQ(l.refresh.rect.y, l.height - 70);
    EXPECT_EQ(At(l.progress.rect), std::pair(86, l.height - 94));
    EXPECT_FALSE(l.light.shown);
}

}  // namespace
}  // namespace quorvel::dialogs
