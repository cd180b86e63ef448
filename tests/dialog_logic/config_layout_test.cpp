// The configuration dialog's layout as plain arithmetic: the general column, the groups on the
// grid with their receptacle and limit rows, the window size limits, scrolling and the bottom
// controls.
#include <gtest/gtest.h>

#include "common/config_catalogue.h"
#include "dialog_logic/state_test_records.h"
#include "dialogs/logic/config_layout.h"

namespace quorvel::dialogs {
namespace {

using testing::StackedRecord;

ConfigLayout Layout(const PduRecord& r, std::int32_t mode = 0) {
    static const ConfigCatalogue catalogue;
    return ComputeConfigLayout(r, mode, catalogue.table(kGeneralItems));
}

TEST(ConfigLayout, GeneralColumnAndEnvironmentRows) {
    const ConfigLayout with = Layout(StackedRecord(1, 4, 0x0500));
    ASSERT_EQ(with.general.size(), 23u);  // 24 items, the options as check boxes
    EXPECT_EQ(with.general[0].label, (ConfigRect{20, 20, 122, 20}));
    EXPECT_EQ(with.general[0].edit.x, 144);
    EXPECT_EQ(with.netOptions[0], (ConfigRect{20, 20 + 12 * 24, 52, 20}));
    EXPECT_EQ(with.netOptions[4].x, 236);
    EXPECT_EQ(with.general.back().label.y, 20 + 23 * 24);
    EXPECT_EQ(with.generalEnd, 620);
    const ConfigLayout without = Layout(StackedRecord(1, 4, 0x0100));
    EXPECT_EQ(without.general.size(), 19u);
    EXPECT_EQ(without.generalEnd, 524);
}

TEST(ConfigLayout, SwitchedGroupsStackOnTheGrid) {
    // Two switched circuits of 8 with voltage inputs on circuits 0 and 1.
    PduRecord r = StackedRecord(2, 8, 0x0720);
    r.voltageMapLow[0] = 0;
    r.voltageMapLow[1] = 1;
    const ConfigLayout L = Layout(r);
    ASSERT_EQ(L.groups.size(), 2u);
    const ConfigCircuitGroup& a = L.groups[0];
    EXPECT_EQ(a.box, (ConfigRect{280, 20, 328, 114 + 8 * 24 + 48}));
    EXPECT_EQ(L.groups[1].box.y, a.box.bottom() + 8);
    // Heads 20 below the top, rows from 56, one every 24; limit rows below them.
    ASSERT_EQ(a.heads.size(), 1u);
    EXPECT_EQ(a.heads[0].name.y, 40);
    EXPECT_EQ(a.heads[0].powerOn.x, 280 + 280);
    ASSERT_EQ(L.receptacles.size(), 16u);
    EXPECT_EQ(L.receptacles[1].row, 1);
    EXPECT_EQ(L.receptacles[1].name, (ConfigRect{280 + 98, 20 + 56 + 24, 86, 20}));
    EXPECT_EQ(L.receptacles[1].onDelay, (ConfigRect{280 + 188, 20 + 56 + 24, 40, 20}));
    EXPECT_EQ(L.receptacles[1].resetDelay, (ConfigRect{280 + 234, 20 + 56 + 24, 40, 20}));
    EXPECT_EQ(L.receptacles[1].powerOn, (ConfigRect{280 + 280, 20 + 56 + 24, 20, 20}));
    EXPECT_EQ(a.maxCurrentEdit, (ConfigRect{280 + 80 + 90, 20 + 56 + 8 * 24, 60, 20}));
    EXPECT_EQ(a.lockEdit.x, 280 + 178);
    EXPECT_EQ(a.lockEdit.y, a.maxCurrentEdit.y + 24);
    ASSERT_EQ(a.voltages.size(), 1u);
    EXPECT_EQ(a.voltages[0].minEdit.y, a.lockEdit.y + 24);
    EXPECT_EQ(a.voltages[0].maxEdit.y, a.lockEdit.y + 48);
    EXPECT_EQ(a.voltages[0].maxEdit.bottom() + 14, a.box.bottom());
    // Width: the rightmost group plus 30, at least 620; height per the first grid column.
    EXPECT_EQ(L.width, 638);
    EXPECT_EQ(L.height, 800);  // the groups end at 736, + 135 is too tall: the page scrolls
    EXPECT_TRUE(L.scrolls);
    EXPECT_EQ(L.viewport, (ConfigRect{0, 0, 638, 800 - 145}));
    EXPECT_EQ(L.pageHeight, L.groups[1].box.bottom() + 8);
}

TEST(ConfigLayout, GroupSizesWithoutSwitching) {
    const ConfigLayout metered = Layout(StackedRecord(1, 6, 0x0200));
    EXPECT_EQ(metered.groups[0].box.w, 206);
    EXPECT_EQ(metered.groups[0].box.h, 78 + 6 * 24);
    EXPECT_EQ(metered.receptacles[0].name, (ConfigRect{280 + 98, 20 + 44, 82, 20}));
    EXPECT_EQ(metered.groups[0].maxCurrentLabel.right(), metered.groups[0].maxCurrentEdit.x - 2);
    EXPECT_EQ(metered.groups[0].maxCurrentEdit.x, 280 + 36 + 90);
    const ConfigLayout plain = Layout(StackedRecord(2, 6, 0x0000));
    EXPECT_EQ(plain.groups[0].box, (ConfigRect{280, 20, 236, 54}));
    EXPECT_TRUE(plain.receptacles.empty());
    EXPECT_TRUE(plain.groups[0].heads.empty());
    EXPECT_EQ(plain.groups[0].maxCurrentEdit.y, 40);
    EXPECT_FALSE(plain.scrolls);
    // The general column (ends at 524) lies more than 134 below the groups: its end + 30.
    EXPECT_EQ(plain.height, 554);
}

TEST(ConfigLayout, ReceptaclesRunDownEachColumnFirst) {
    // One circuit of 6 in 2 columns of 4 rows (receptacle maximum columns 4).
    PduRecord r = StackedRecord(1, 6, 0x0100);
    r.receptacleColumns[0] = 2;
    r.receptacleMaxColumns[0] = 4;
    const ConfigLayout L = Layout(r);
    ASSERT_EQ(L.receptacles.size(), 6u);
    EXPECT_EQ(L.groups[0].rowsPerColumn, 4);
    EXPECT_EQ(L.groups[0].box.w, 2 * 328);
    ASSERT_EQ(L.groups[0].heads.size(), 2u);
    EXPECT_EQ(L.receptacles[3].name.x, 280 + 98);  // receptacle 3: column 0, row 3
    EXPECT_EQ(L.receptacles[3].name.y, 20 + 56 + 3 * 24);
    EXPECT_EQ(L.receptacles[4].name.x, 280 + 310 + 98);  // receptacle 4: column 1, row 0
    EXPECT_EQ(L.receptacles[4].name.y, 20 + 56);
}

TEST(ConfigLayout, GridColumnsAndWindowLimits) {
    // Four circuits side by side: columns 1..4 of row 1.
    PduRecord r = StackedRecord(4, 4, 0x0100);
    for (int c = 0; c < 4; ++c) {
        r.circuitLayoutHigh[c] = static_cast<std::uint8_t>(c + 1);
        r.circuitLayoutLow[c] = 1;
    }
    const ConfigLayout L = Layout(r);
    EXPECT_EQ(L.groups[1].box.x, 280 + 328 + 8);
    EXPECT_EQ(L.groups[3].box.x, 280 + 3 * (328 + 8));
    EXPECT_EQ(L.groups[3].box.y, 20);
    // 1646 wide: capped at 1400, the page scrolls sideways and the window grows to hold the
    // general column above the bottom controls and the scroll bar.
    EXPECT_EQ(L.width, 1400);
    EXPECT_TRUE(L.scrolls);
    EXPECT_EQ(L.pageWidth, L.groups[3].box.right() + 30);
    EXPECT_EQ(L.pageHeight, 524 + 8);
    EXPECT_EQ(L.height, 532 + 18 + 145);
    EXPECT_EQ(L.viewport.h, L.height - 145);

    r.circuitVisible[2] = 0;
    r.circuitVisible[3] = 0;
    const ConfigLayout two = Layout(r);
    EXPECT_EQ(two.width, 280 + 2 * 328 + 8 + 30);
    EXPECT_FALSE(two.scrolls);
    EXPECT_EQ(two.viewport, (ConfigRect{0, 0, two.width, two.height}));
}

TEST(ConfigLayout, BottomControlsFollowTheWidthAndMode) {
    const ConfigLayout L = Layout(StackedRecord(1, 1, 0x0000));
    ASSERT_EQ(L.width, 620);
    const int W = 620, H = L.height;
    const int E = (W - 599) / 4 + 76, F = (W - 599) / 8 + 280, G = E + F, K = E + G;
    const ConfigBottomControls& b = L.bottom;
    EXPECT_TRUE(b.deviceButtons);
    EXPECT_EQ(b.progress.x, 380);
    EXPECT_EQ(b.progress.y, H - 135);
    EXPECT_EQ(b.format, (ConfigRect{F, H - 100, 76, 24}));
    EXPECT_EQ(b.setDefaults, (ConfigRect{G, H - 100, 76, 24}));
    EXPECT_EQ(b.resetNet, (ConfigRect{E + G, H - 100, 76, 24}));
    EXPECT_EQ(b.clear, (ConfigRect{F, H - 65, 76, 24}));
    EXPECT_EQ(b.load, (ConfigRect{G, H - 65, 76, 24}));
    EXPECT_EQ(b.save, (ConfigRect{K, H - 65, 76, 24}));
    EXPECT_EQ(b.ok, (ConfigRect{E + K, H - 65, 76, 24}));
    EXPECT_EQ(b.progress.right(), b.ok.right());

    const ConfigLayout other = Layout(StackedRecord(1, 1, 0x0000), 1);
    EXPECT_FALSE(other.bottom.deviceButtons);
    EXPECT_EQ(other.bottom.progress.y, other.height - 120);
    EXPECT_EQ(other.bottom.ok.y, other.height - 65);

    // Import… and Export… in a row of their own below Load and Save, inside the window.
    for (const ConfigLayout* layout : {&L, &other}) {
        const ConfigBottomControls& c = layout->bottom;
        EXPECT_EQ(c.importFile.x, c.load.x);
        EXPECT_EQ(c.exportFile.x, c.save.x);
        for (const ConfigRect& f : {c.importFile, c.exportFile}) {
            EXPECT_EQ(f.y, c.ok.bottom() + 11);
            EXPECT_LE(f.bottom() + 6, layout->height);
        }
    }
}

}  // namespace
}  // namespace quorvel::dialogs
