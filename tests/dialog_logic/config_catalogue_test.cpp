// The configuration item catalogue: its tables, the counts Open lowers, and which items the load
// and save passes transfer for a PDU's features and the interface mode.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstring>
#include <set>
#include <string>

#include "common/config_catalogue.h"

namespace quorvel {
namespace {

using ::testing::ElementsAre;

int countOf(const ConfigCatalogue& c, std::uint8_t code) {
    const int i = FindConfigItem(c.table(kCircuitItems), code, 0);
    return i < 0 ? -1 : c.table(kCircuitItems)[i].count;
}

// A switched, metered PDU with voltage inputs and receptacle rows 0..7 used.
PduRecord SwitchedRecord(std::uint16_t feature = 0x07E0) {
    PduRecord r;
    r.featureWord = feature;
    std::fill(std::begin(r.receptaclePresent), std::end(r.receptaclePresent), kAbsent);
    for (int i = 0; i < 8; ++i) {
        r.receptaclePresent[i] = static_cast<std::uint8_t>(i);
    }
    return r;
}

TEST(ConfigCatalogue, TablesCarryEveryKeyAtItsPlace) {
    ConfigCatalogue c;
    EXPECT_EQ(ConfigTableEntries(c.table(kGeneralItems)), 24);
    EXPECT_EQ(ConfigTableEntries(c.table(kCircuitItems)), 1 + 6 + 6 + 4 + 4 + 48 + 48);
    EXPECT_EQ(ConfigTableEntries(c.table(kReceptacleNameItems)), 48);
    // Every key is unique and every element lies inside the images.
    std::set<std::string> keys;
    for (int t = 0; t < kConfigItemTables; ++t) {
        for (int i = 0, n = ConfigTableEntries(c.table(t)); i < n; ++i) {
            const ConfigItemDescriptor& d = c.table(t)[i];
            EXPECT_TRUE(keys.insert(d.keyName).second) << d.keyName;
            EXPECT_TRUE(ConfigItemInImage(d, d.code == kItemRecepControl ? d.count : 1))
                << d.keyName;
            EXPECT_EQ(d.code, d.codeCopy);
        }
    }
    ConfigTables tables = nullptr;
    ConfigWorkerBlock block;
    c.attach(block);
    tables = block.itemTables;
    int t = -1, i = -1;
    ASSERT_TRUE(FindConfigKey(tables, "cRecepName25", t, i));
    EXPECT_EQ(t, kReceptacleNameItems);
    EXPECT_EQ(tables[t][i].code, 47);
    EXPECT_EQ(tables[t][i].offset, 442 + 64 * 24);
    ASSERT_TRUE(FindConfigKey(tables, "cRecepName48", t, i));
    EXPECT_EQ(tables[t][i].code, 110);
    EXPECT_EQ(tables[t][i].offset, 3450);
    ASSERT_TRUE(FindConfigKey(tables, "cCircFLockCurrent", t, i));
    EXPECT_EQ(tables[t][i].offset, 168);
    EXPECT_EQ(tables[t][i].elementIndex, 5);
    ASSERT_TRUE(FindConfigKey(tables, "cRecepResDelay48", t, i));
    EXPECT_EQ(tables[t][i].offset, 145);
    ASSERT_TRUE(FindConfigKey(tables, "cKovaPassword", t, i));
    EXPECT_EQ(tables[t][i].offset, 378);
    EXPECT_EQ(std::u16string(tables[t][i].label), u"KOVAPassword:");
    EXPECT_FALSE(FindConfigKey(tables, "cNoSuchKey", t, i));
}

TEST(ConfigCatalogue, OpenLowersTheCountsOfItsOwnCopyOnly) {
    ConfigCatalogue first;
    LowerConfigCounts(first.table(kCircuitItems), 1, 0);
    EXPECT_EQ(countOf(first, kItemMaxCurrents), 3);
    EXPECT_EQ(countOf(first, kItemLockCurrents), 3);
    EXPECT_EQ(countOf(first, kItemRecepControl), 4);
    EXPECT_EQ(countOf(first, kItemOnDelays), 24);
    EXPECT_EQ(countOf(first, kItemResetDelays), 24);
    EXPECT_EQ(countOf(first, kItemMinVoltages), 0);
    EXPECT_EQ(countOf(first, kItemMaxVoltages), 0);

    ConfigCatalogue large;  // a fresh run starts from the largest counts again
    EXPECT_EQ(countOf(large, kItemOnDelays), 48);
    LowerConfigCounts(large.table(kCircuitItems), 3, 0x1000);
    EXPECT_EQ(countOf(large, kItemRecepControl), 8);
    EXPECT_EQ(countOf(large, kItemOnDelays), 48);
    EXPECT_EQ(countOf(large, kItemMinVoltages), 4);
    EXPECT_EQ(countOf(large, kItemMaxCurrents), 6);

    ConfigCatalogue second;  // the large sets need generation 3 as well
    LowerConfigCounts(second.table(kCircuitItems), 2, 0x1000);
    EXPECT_EQ(countOf(second, kItemRecepControl), 6);
    EXPECT_EQ(countOf(second, kItemOnDelays), 36);
    EXPECT_EQ(countOf(second, kItemMaxVoltages), 2);
    EXPECT_EQ(countOf(first, kItemRecepControl), 4);
}

TEST(ConfigCatalogue, LoadOrderFollowsTheFeatures) {
    ConfigCatalogue c;
    ConfigWorkerBlock block;
    c.attach(block);
    LowerConfigCounts(c.table(kCircuitItems), 1, 0);
    const auto codes = [&](const std::vector<ConfigTransfer>& items) {
        std::vector<int> out;
        for (const ConfigTransfer& t : items) {
            if (t.table != kGeneralItems) {
                out.push_back(t.table == kReceptacleNameItems ? -t.index - 1
                                                              : c.table(t.table)[t.index].code);
            }
        }
        return out;
    };
    // Generation 1, switched: names of the used rows, then currents, lock currents, power-on
    // groups and delays; no voltages although the PDU has voltage inputs (count 0).
    const PduRecord rec = SwitchedRecord(0x0120);
    const auto items = ConfigLoadItems(rec, block.itemTables, 0);
    EXPECT_EQ(std::count_if(items.begin(), items.end(),
                            [](const ConfigTransfer& t) { return t.table == kGeneralItems; }),
              15);  // one per general item, not per element
    EXPECT_THAT(codes(items), ElementsAre(-1, -2, -3, -4, -5, -6, -7, -8, 14, 15, 7, 8, 9));
    // Metered only: names and currents. Neither: currents only.
    EXPECT_THAT(codes(ConfigLoadItems(SwitchedRecord(0x0200), block.itemTables, 0)),
                ElementsAre(-1, -2, -3, -4, -5, -6, -7, -8, 14));
    EXPECT_THAT(codes(ConfigLoadItems(SwitchedRecord(0x0000), block.itemTables, 0)),
                ElementsAre(14));
    // Mode 3: every element on its own (3 currents); the power-on groups stay one string.
    const auto each = ConfigLoadItems(SwitchedRecord(0x0100), block.itemTables, 3);
    EXPECT_EQ(std::count_if(each.begin(), each.end(),
                            [](const ConfigTransfer& t) { return t.table == kGeneralItems; }),
              24);
    const std::vector<int> eachCodes = codes(each);
    EXPECT_EQ(std::count(eachCodes.begin(), eachCodes.end(), 14), 3);
    EXPECT_EQ(std::count(eachCodes.begin(), eachCodes.end(), 7), 1);
    EXPECT_EQ(std::count(eachCodes.begin(), eachCodes.end(), 8), 24);
}

TEST(ConfigCatalogue, TakingLoadedItemsClearsErasedNamesAndCopiesThePowerOnMask) {
    ConfigCatalogue c;
    ConfigWorkerBlock b;
    c.attach(b);
    // Name 1 erased (0xFF throughout), name 2 with a 0xFF character after 15 good ones.
    std::memset(b.deviceImage + 442, 0xFF, 64);
    std::memset(b.deviceImage + 506, 0xFF, 64);
    b.deviceImage[506 + 2 * 3] = 'A';
    ConfigTakeLoaded({kReceptacleNameItems, 0}, b.itemTables, 0, b.deviceImage, b.editImage);
    ConfigTakeLoaded({kReceptacleNameItems, 1}, b.itemTables, 0, b.deviceImage, b.editImage);
    EXPECT_TRUE(std::all_of(b.editImage + 442, b.editImage + 506, [](auto v) { return v == 0; }));
    EXPECT_TRUE(
        std::all_of(b.deviceImage + 442, b.deviceImage + 506, [](auto v) { return v == 0; }));
    EXPECT_EQ(b.editImage[506 + 6], 'A');

    b.deviceImage[kPowerOnMaskOffset] = 0x5A;
    b.deviceImage[3536] = 0x1A;
    const int control = FindConfigItem(c.table(kCircuitItems), kItemRecepControl);
    ConfigTakeLoaded({kCircuitItems, control}, b.itemTables, 0, b.deviceImage, b.editImage);
    EXPECT_EQ(b.editImage[kPowerOnMaskOffset], 0x5A);
    EXPECT_EQ(b.editImage[3536], 0x1A);
}

TEST(ConfigCatalogue, SaveWritesOnlyDifferingElements) {
    ConfigCatalogue c;
    ConfigWorkerBlock b;
    c.attach(b);
    LowerConfigCounts(c.table(kCircuitItems), 1, 0);
    const PduRecord rec = SwitchedRecord(0x0100);
    EXPECT_TRUE(ConfigSaveItems(rec, b.itemTables, 0, b.deviceImage, b.editImage).empty());

    b.editImage[2] = 7;               // cAlarmInterval: element 1 of item 1
    b.editImage[442 + 64 * 2] = 'x';  // cRecepName3
    b.editImage[50 + 30] = 9;         // on delay of row 30: beyond a first generation's 24
    b.editImage[kPowerOnMaskOffset + 3] = 0x01;  // bit 24: beyond 4 groups of 6 bits
    const auto general = c.table(kGeneralItems);
    EXPECT_THAT(ConfigSaveItems(rec, b.itemTables, 0, b.deviceImage, b.editImage),
                ElementsAre(ConfigTransfer{kGeneralItems, FindConfigItem(general, 1, 1)},
                            ConfigTransfer{kReceptacleNameItems, 2}));
    // Any other mode compares whole items at their first element.
    EXPECT_THAT(ConfigSaveItems(rec, b.itemTables, 1, b.deviceImage, b.editImage),
                ElementsAre(ConfigTransfer{kGeneralItems, FindConfigItem(general, 1, 0)},
                            ConfigTransfer{kReceptacleNameItems, 2}));

    // A power-on bit inside the groups counts; once written it no longer differs.
    b.editImage[kPowerOnMaskOffset + 2] = 0x80;  // bit 23
    const int control = FindConfigItem(c.table(kCircuitItems), kItemRecepControl);
    const auto items = ConfigSaveItems(rec, b.itemTables, 0, b.deviceImage, b.editImage);
    ASSERT_EQ(items.size(), 3u);
    EXPECT_EQ(items.back(), (ConfigTransfer{kCircuitItems, control}));
    ConfigCopyWritten(c.table(kCircuitItems)[control], b.editImage, b.deviceImage);
    EXPECT_EQ(ConfigSaveItems(rec, b.itemTables, 0, b.deviceImage, b.editImage).size(), 2u);
}

TEST(ConfigCatalogue, RowsAndVoltageCircuitsComeFromTheRecord) {
    PduRecord r = SwitchedRecord();
    r.receptacleInput[0] = 1;
    r.receptacleInput[1] = 255;
    r.circuitVisible[1] = 1;
    r.voltageMapLow[0] = 0x71;
    r.voltageMapLow[1] = 0x0F;
    EXPECT_TRUE(ReceptacleRowUsed(r, 1));
    EXPECT_FALSE(ReceptacleRowUsed(r, 8));
    EXPECT_FALSE(ReceptacleRowUsed(r, 48));
    EXPECT_TRUE(ReceptacleRowShown(r, 0));
    EXPECT_FALSE(ReceptacleRowShown(r, 1));  // on no circuit
    EXPECT_EQ(VoltageInputCircuit(r, 0), 1);
    EXPECT_EQ(VoltageInputCircuit(r, 1), -1);
}

}  // namespace
}  // namespace quorvel
