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
using ::testing::ElementsAreArray;

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

std::string Narrow(const char16_t* text) {
    std::string s;
    for (const char16_t* p = text; p != nullptr && *p != 0; ++p) {
        s += static_cast<char>(*p);
    }
    return text == nullptr ? "(none)" : "'" + s + "'";
}

// "key item element/count kind offset size", and for the general items "default label".
std::vector<std::string> Rows(const ConfigItemDescriptor* table, bool texts) {
    std::vector<std::string> rows;
    for (int i = 0, n = ConfigTableEntries(table); i < n; ++i) {
        const ConfigItemDescriptor& d = table[i];
        EXPECT_EQ(d.codeCopy, d.code) << d.keyName;
        std::string row = std::string(d.keyName) + " " + std::to_string(d.code) + " " +
                          std::to_string(d.elementIndex) + "/" + std::to_string(d.count) + " " +
                          std::to_string(d.kind) + " " + std::to_string(d.offset) + " " +
                          std::to_string(d.size);
        rows.push_back(texts ? row + " " + Narrow(d.defaultText) + " " + Narrow(d.label) : row);
    }
    EXPECT_EQ(table[ConfigTableEntries(table)].labelControl, -1);
    return rows;
}

// The three tables whole, as the configuration item catalogue lists them.
TEST(ConfigCatalogue, EveryDescriptorOfTheThreeTables) {
    ConfigCatalogue c;
    const std::vector<std::string> general{
        "cLogInterval 1 0/2 1 0 2 '0' 'Log Interval (secs):'",
        "cAlarmInterval 1 1/0 1 2 2 '0' 'Alarm Interval (secs):'",
        "cLogDiff 2 0/1 5 4 2 '0' 'Log Difference (A):'",
        "cDevConnLPort 3 0/4 1 6 2 '2001' 'PDU Connection Port:'",
        "cKovaConnLPort 3 1/0 1 8 2 '2002' 'KOVA Connection Port:'",
        "cDevBroadLPort 3 2/0 1 10 2 '2003' 'PDU Broadcast Port:'",
        "cKovaBroadLPort 3 3/0 1 12 2 '2004' 'KOVA Broadcast Port:'",
        "cKovaIP 4 0/1 2 14 4 '' 'KOVA IP Address:'",
        "cDeviceIP 5 0/1 2 18 4 '' 'PDU IP Address:'",
        "cMACAddr 6 0/1 3 22 6 '' 'PDU MAC Address:'",
        "cSubnetMask 10 0/1 2 28 4 '' 'Subnet Mask:'",
        "cGateway 11 0/1 2 32 4 '' 'Gateway:'",
        "cNetOptions 12 0/1 1 48 2 (none) ''",
        "cDns1IP 13 0/3 2 36 4 '' 'SNMP Host1 IP Address:'",
        "cDns2IP 13 1/0 2 40 4 '' 'SNMP Host2 IP Address:'",
        "cDns3IP 13 2/0 2 44 4 '' 'SNMP Host3 IP Address:'",
        "cDeviceName 17 0/1 4 186 64 'PduName00' 'PDU Name:'",
        "cDevsPassword 43 0/1 4 314 64 '' 'PDU Password:'",
        "cKovaName 42 0/1 4 250 64 '' 'KOVA Name:'",
        "cKovaPassword 44 0/1 4 378 64 '' 'KOVAPassword:'",
        "cMinTempLimit 16 0/4 5 3514 2 '0' 'Min Temperature (F):'",
        "cMaxTempLimit 16 1/0 5 3516 2 '0' 'Max Temperature (F):'",
        "cMinHumidLimit 16 2/0 5 3518 2 '0' 'Min Humidity (%):'",
        "cMaxHumidLimit 16 3/0 5 3520 2 '0' 'Max Humidity (%):'"};
    EXPECT_THAT(Rows(c.table(kGeneralItems), true), ElementsAreArray(general));

    // Circuit and receptacle-control items: the power-on groups are one string of 8.
    std::vector<std::string> circuit{"cRecepControl 7 0/8 7 3536 1"};
    const auto item = [&circuit](const std::string& key, const std::string& suffix, int code,
                                 int elements, int kind, int offset, int size, bool letters) {
        for (int e = 0; e < elements; ++e) {
            const std::string mark =
                letters ? std::string(1, char('A' + e)) : std::to_string(e + 1);
            circuit.push_back(key + mark + suffix + " " + std::to_string(code) + " " +
                              std::to_string(e) + "/" + std::to_string(e == 0 ? elements : 0) +
                              " " + std::to_string(kind) + " " + std::to_string(offset + e * size) +
                              " " + std::to_string(size));
        }
    };
    item("cCirc", "MaxCurrent", 14, 6, 5, 146, 2, true);
    item("cCirc", "LockCurrent", 15, 6, 5, 158, 2, true);
    item("cCirc", "MinVoltage", 45, 4, 1, 170, 2, false);
    item("cCirc", "MaxVoltage", 46, 4, 1, 178, 2, false);
    item("cRecepOnDelay", "", 8, 48, 6, 50, 1, false);
    item("cRecepResDelay", "", 9, 48, 6, 98, 1, false);
    EXPECT_EQ(circuit.back(), "cRecepResDelay48 9 47/0 6 145 1");
    EXPECT_THAT(Rows(c.table(kCircuitItems), false), ElementsAreArray(circuit));

    // Receptacle names: items 18-41, 47-58 and 99-110, one element each.
    std::vector<std::string> names;
    for (int n = 1; n <= 48; ++n) {
        const int code = n <= 24 ? 17 + n : n <= 36 ? 22 + n : 62 + n;
        names.push_back("cRecepName" + std::to_string(n) + " " + std::to_string(code) + " 0/1 4 " +
                        std::to_string(442 + 64 * (n - 1)) + " 64");
    }
    EXPECT_EQ(names[24], "cRecepName25 47 0/1 4 1978 64");
    EXPECT_EQ(names[47], "cRecepName48 110 0/1 4 3450 64");
    EXPECT_THAT(Rows(c.table(kReceptacleNameItems), false), ElementsAreArray(names));

    // Keys find their entries.
    ConfigWorkerBlock block;
    c.attach(block);
    int t = -1, i = -1;
    ASSERT_TRUE(FindConfigKey(block.itemTables, "cRecepName25", t, i));
    EXPECT_EQ(&block.itemTables[t][i], &c.table(kReceptacleNameItems)[24]);
    ASSERT_TRUE(FindConfigKey(block.itemTables, "cCircFLockCurrent", t, i));
    EXPECT_EQ(&block.itemTables[t][i], &c.table(kCircuitItems)[1 + 6 + 5]);
    EXPECT_FALSE(FindConfigKey(block.itemTables, "cNoSuchKey", t, i));
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
    // A circuit table without the switched items transfers the items it holds, and only them.
    std::vector<ConfigItemDescriptor> currentsOnly;
    const ConfigItemDescriptor* circuit = c.table(kCircuitItems);
    for (int i = 0, n = ConfigTableEntries(circuit); i <= n; ++i) {
        if (i == n || circuit[i].code == kItemMaxCurrents) {
            currentsOnly.push_back(circuit[i]);
        }
    }
    const ConfigItemDescriptor* tables[] = {c.table(0), c.table(1), c.table(2)};
    tables[kCircuitItems] = currentsOnly.data();
    std::vector<ConfigTransfer> circuitItems;
    for (const ConfigTransfer& t : ConfigLoadItems(SwitchedRecord(0x0100), tables, 0)) {
        if (t.table == kCircuitItems) {
            circuitItems.push_back(t);
        }
    }
    EXPECT_THAT(circuitItems, ElementsAre(ConfigTransfer{kCircuitItems, 0}));
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

    // An element of its own (mode 3) brings only itself; a whole item brings every element.
    const int currents = FindConfigItem(c.table(kCircuitItems), kItemMaxCurrents, 0);
    const ConfigItemDescriptor& d = c.table(kCircuitItems)[currents];
    ASSERT_GE(d.count, 2);
    std::memset(b.deviceImage + d.offset, 0x33, d.size * 2);
    ConfigTakeLoaded({kCircuitItems, currents}, b.itemTables, 3, b.deviceImage, b.editImage);
    EXPECT_EQ(b.editImage[d.offset + d.size - 1], 0x33);
    EXPECT_EQ(b.editImage[d.offset + d.size], 0);
    ConfigTakeLoaded({kCircuitItems, currents}, b.itemTables, 0, b.deviceImage, b.editImage);
    EXPECT_EQ(b.editImage[d.offset + 2 * d.size - 1], 0x33);
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

// Which entries the dialog shows: names only on switched or metered units, voltage limits only
// with voltage inputs, nothing past a table's end.
TEST(ConfigCatalogue, EntriesShownFollowTheFeatures) {
    const ConfigCatalogue c;
    const ConfigItemDescriptor* tables[] = {c.table(0), c.table(1), c.table(2)};
    PduRecord r = SwitchedRecord(0);
    r.circuitVisible[0] = 1;
    const int minVolts = FindConfigItem(c.table(kCircuitItems), kItemMinVoltages, 0);
    ASSERT_GE(minVolts, 0);
    const auto shown = [&](std::uint16_t feature, int table, int index) {
        r.featureWord = feature;
        return ConfigEntryShown(r, tables, table, index);
    };
    EXPECT_TRUE(shown(0, kGeneralItems, 0));
    EXPECT_FALSE(shown(0, kGeneralItems, -1));
    EXPECT_FALSE(shown(0, kGeneralItems, ConfigTableEntries(c.table(kGeneralItems))));
    EXPECT_FALSE(shown(0, kConfigItemTables, 0));
    EXPECT_FALSE(shown(0, kReceptacleNameItems, 0));
    EXPECT_TRUE(shown(kFeatureReceptacleMeters, kReceptacleNameItems, 0));
    EXPECT_TRUE(shown(kFeatureSwitched, kReceptacleNameItems, 0));
    EXPECT_FALSE(shown(kFeatureReceptacleMeters, kReceptacleNameItems, 8));  // row not used
    EXPECT_FALSE(shown(0, kCircuitItems, minVolts));
    EXPECT_TRUE(shown(kFeatureVoltageInputs, kCircuitItems, minVolts));
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
