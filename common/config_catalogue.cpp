// The master item tables, their per-run copy, and the order and change rules of the load and
// save passes.
#include "common/config_catalogue.h"

#include <algorithm>
#include <cstring>
#include <deque>
#include <string>

namespace quorvel {

namespace {

constexpr std::uint16_t kSwitchedOrMetered = kFeatureSwitched | kFeatureReceptacleMeters;
constexpr std::int32_t kGeneralLabelIds = 1000;
constexpr std::int32_t kGeneralEditIds = 1100;
constexpr std::int32_t kCircuitLabelIds = 1200;
constexpr std::int32_t kCircuitEditIds = 1400;
constexpr std::int32_t kNameLabelIds = 1600;
constexpr std::int32_t kNameEditIds = 1700;

// Label control, edit control, default, offset, size, kind, code copy, code, element, count,
// key and label, in the order the dialog's general column shows them.
const ConfigItemDescriptor kGeneral[] = {
    {0, 0, u"0", 0, 2, kKindUnsigned16, 1, 1, 0, 2, "cLogInterval", u"Log Interval (secs):"},
    {0, 0, u"0", 2, 2, kKindUnsigned16, 1, 1, 1, 0, "cAlarmInterval", u"Alarm Interval (secs):"},
    {0, 0, u"0", 4, 2, kKindHundredths, 2, 2, 0, 1, "cLogDiff", u"Log Difference (A):"},
    {0, 0, u"2001", 6, 2, kKindUnsigned16, 3, 3, 0, 4, "cDevConnLPort", u"PDU Connection Port:"},
    {0, 0, u"2002", 8, 2, kKindUnsigned16, 3, 3, 1, 0, "cKovaConnLPort", u"KOVA Connection Port:"},
    {0, 0, u"2003", 10, 2, kKindUnsigned16, 3, 3, 2, 0, "cDevBroadLPort", u"PDU Broadcast Port:"},
    {0, 0, u"2004", 12, 2, kKindUnsigned16, 3, 3, 3, 0, "cKovaBroadLPort", u"KOVA Broadcast Port:"},
    {0, 0, u"", 14, 4, kKindIpAddress, 4, 4, 0, 1, "cKovaIP", u"KOVA IP Address:"},
    {0, 0, u"", 18, 4, kKindIpAddress, 5, 5, 0, 1, "cDeviceIP", u"PDU IP Address:"},
    {0, 0, u"", 22, 6, kKindMacAddress, 6, 6, 0, 1, "cMACAddr", u"PDU MAC Address:"},
    {0, 0, u"", 28, 4, kKindIpAddress, 10, 10, 0, 1, "cSubnetMask", u"Subnet Mask:"},
    {0, 0, u"", 32, 4, kKindIpAddress, 11, 11, 0, 1, "cGateway", u"Gateway:"},
    {0, 0, nullptr, 48, 2, kKindUnsigned16, 12, 12, 0, 1, "cNetOptions", u""},
    {0, 0, u"", 36, 4, kKindIpAddress, 13, 13, 0, 3, "cDns1IP", u"SNMP Host1 IP Address:"},
    {0, 0, u"", 40, 4, kKindIpAddress, 13, 13, 1, 0, "cDns2IP", u"SNMP Host2 IP Address:"},
    {0, 0, u"", 44, 4, kKindIpAddress, 13, 13, 2, 0, "cDns3IP", u"SNMP Host3 IP Address:"},
    {0, 0, u"PduName00", 186, 64, kKindText, 17, 17, 0, 1, "cDeviceName", u"PDU Name:"},
    {0, 0, u"", 314, 64, kKindText, 43, 43, 0, 1, "cDevsPassword", u"PDU Password:"},
    {0, 0, u"", 250, 64, kKindText, 42, 42, 0, 1, "cKovaName", u"KOVA Name:"},
    {0, 0, u"", 378, 64, kKindText, 44, 44, 0, 1, "cKovaPassword", u"KOVAPassword:"},
    {0, 0, u"0", 3514, 2, kKindHundredths, 16, 16, 0, 4, "cMinTempLimit", u"Min Temperature (F):"},
    {0, 0, u"0", 3516, 2, kKindHundredths, 16, 16, 1, 0, "cMaxTempLimit", u"Max Temperature (F):"},
    {0, 0, u"0", 3518, 2, kKindHundredths, 16, 16, 2, 0, "cMinHumidLimit", u"Min Humidity (%):"},
    {0, 0, u"0", 3520, 2, kKindHundredths, 16, 16, 3, 0, "cMaxHumidLimit", u"Max Humidity (%):"},
};

struct Master {
    std::array<std::vector<ConfigItemDescriptor>, kConfigItemTables> tables;
    std::deque<std::string> keys;  // names of the generated entries; a deque keeps them in place
};

ConfigItemDescriptor endMarker() {
    ConfigItemDescriptor end;
    end.labelControl = kTableEnd;
    return end;
}

// Adds `count` entries of one item, element e at offset + e * size, named prefix + (e + 1)
// or prefix + letter + suffix for the circuit items.
void addItem(Master& m, std::vector<ConfigItemDescriptor>& table, std::uint8_t code,
             std::uint8_t kind, std::int32_t offset, std::uint32_t size, int count,
             const std::string& prefix, const std::string& suffix, bool letters,
             const char16_t* label) {
    for (int e = 0; e < count; ++e) {
        ConfigItemDescriptor d;
        d.labelControl = kCircuitLabelIds + static_cast<std::int32_t>(table.size());
        d.editControl = kCircuitEditIds + static_cast<std::int32_t>(table.size());
        d.defaultText = u"0";
        d.offset = offset + e * static_cast<std::int32_t>(size);
        d.size = size;
        d.kind = kind;
        d.codeCopy = code;
        d.code = code;
        d.elementIndex = static_cast<std::uint8_t>(e);
        d.count = e == 0 ? static_cast<std::uint8_t>(count) : 0;
        const std::string mark =
            letters ? std::string(1, static_cast<char>('A' + e)) : std::to_string(e + 1);
        m.keys.push_back(prefix + mark + suffix);
        d.keyName = m.keys.back().c_str();
        d.label = label;
        table.push_back(d);
    }
}

const Master& master() {
    static const Master m = [] {
        Master built;
        auto& general = built.tables[kGeneralItems];
        for (const ConfigItemDescriptor& d : kGeneral) {
            ConfigItemDescriptor e = d;
            const auto i = static_cast<std::int32_t>(general.size());
            e.labelControl = kGeneralLabelIds + i;
            e.editControl = d.code == kItemNetOptions ? 0 : kGeneralEditIds + i;
            general.push_back(e);
        }

        auto& circuit = built.tables[kCircuitItems];
        // The power-on groups are one byte string: one entry whose count is its length.
        ConfigItemDescriptor control;
        control.labelControl = kCircuitLabelIds;
        control.editControl = 0;
        control.defaultText = u"0";
        control.offset = 3536;
        control.size = 1;
        control.kind = kKindByteString;
        control.codeCopy = control.code = kItemRecepControl;
        control.count = 8;
        control.keyName = "cRecepControl";
        control.label = u"Power ON";
        circuit.push_back(control);
        addItem(built, circuit, kItemMaxCurrents, kKindHundredths, 146, 2, kMaxCircuits, "cCirc",
                "MaxCurrent", true, u"Maximum Current:");
        addItem(built, circuit, kItemLockCurrents, kKindHundredths, 158, 2, kMaxCircuits, "cCirc",
                "LockCurrent", true, u"Maximum Socket Lock Current:");
        addItem(built, circuit, kItemMinVoltages, kKindUnsigned16, 170, 2, kVoltageInputs, "cCirc",
                "MinVoltage", false, u"Minimum Voltage:");
        addItem(built, circuit, kItemMaxVoltages, kKindUnsigned16, 178, 2, kVoltageInputs, "cCirc",
                "MaxVoltage", false, u"Maximum Voltage:");
        addItem(built, circuit, kItemOnDelays, kKindByte, 50, 1, kMaxReceptacles, "cRecepOnDelay",
                "", false, u"ON Delay");
        addItem(built, circuit, kItemResetDelays, kKindByte, 98, 1, kMaxReceptacles,
                "cRecepResDelay", "", false, u"Reset Delay");

        auto& names = built.tables[kReceptacleNameItems];
        for (int n = 1; n <= kMaxReceptacles; ++n) {
            ConfigItemDescriptor d;
            d.labelControl = kNameLabelIds + n - 1;
            d.editControl = kNameEditIds + n - 1;
            d.defaultText = u"";
            d.offset = kReceptacleNameOffset + 64 * (n - 1);
            d.size = kTextItemBytes;
            d.kind = kKindText;
            d.code = static_cast<std::uint8_t>(n <= 24 ? n + 17 : n <= 36 ? n + 22 : n + 62);
            d.codeCopy = d.code;
            d.count = 1;
            built.keys.push_back("cRecepName" + std::to_string(n));
            d.keyName = built.keys.back().c_str();
            d.label = u"Name";
            names.push_back(d);
        }
        for (auto& table : built.tables) {
            table.push_back(endMarker());
        }
        return built;
    }();
    return m;
}

bool hasItems(const ConfigItemDescriptor* table) {
    return table != nullptr;
}

bool maskBit(const std::uint8_t* mask, int bit) {
    return (mask[bit / 8] >> (bit % 8)) & 1u;
}

// The power-on groups differ when any bit they carry differs between the two masks.
bool powerOnDiffers(const ConfigItemDescriptor& d, const std::uint8_t* device,
                    const std::uint8_t* edit) {
    const int bits = std::min<int>(6 * d.count, 8 * static_cast<int>(kPowerOnMaskBytes));
    for (int b = 0; b < bits; ++b) {
        if (maskBit(device + kPowerOnMaskOffset, b) != maskBit(edit + kPowerOnMaskOffset, b)) {
            return true;
        }
    }
    return false;
}

// Visits the transfers of both passes in their order: the general items, the names of the
// used rows, then the circuit items the features call for. `element` says whether a table 0/1
// entry is an element of its own (mode 0 and 3 on save, mode 3 on load) or a whole item.
template <typename Visit>
void visitPassOrder(const PduRecord& record, ConfigTables tables, bool elements, Visit visit) {
    const ConfigItemDescriptor* general = tables[kGeneralItems];
    if (hasItems(general)) {
        for (int i = 0, n = ConfigTableEntries(general); i < n; ++i) {
            const ConfigItemDescriptor& d = general[i];
            if (elements ? d.elementIndex < ConfigItemCount(general, i) : d.elementIndex == 0) {
                visit(kGeneralItems, i, d);
            }
        }
    }
    const ConfigItemDescriptor* names = tables[kReceptacleNameItems];
    if (hasItems(names) && (record.featureWord & kSwitchedOrMetered)) {
        const int n = ConfigTableEntries(names);
        for (int row = 0; row < kMaxReceptacles && row < n; ++row) {
            if (ReceptacleRowUsed(record, row)) {
                visit(kReceptacleNameItems, row, names[row]);
            }
        }
    }
    const ConfigItemDescriptor* circuit = tables[kCircuitItems];
    if (!hasItems(circuit)) {
        return;
    }
    std::vector<std::uint8_t> codes{kItemMaxCurrents};
    if (record.featureWord & kFeatureSwitched) {
        codes.insert(codes.end(),
                     {kItemLockCurrents, kItemRecepControl, kItemOnDelays, kItemResetDelays});
    }
    if (record.featureWord & kFeatureVoltageInputs) {
        codes.insert(codes.end(), {kItemMinVoltages, kItemMaxVoltages});
    }
    for (std::uint8_t code : codes) {
        const int first = FindConfigItem(circuit, code, 0);
        if (first < 0) {
            continue;
        }
        const int count = circuit[first].count;
        // The power-on groups travel as one byte string whatever the mode.
        const int last = elements && code != kItemRecepControl ? count : std::min(count, 1);
        for (int e = 0; e < last; ++e) {
            visit(kCircuitItems, first + e, circuit[first + e]);
        }
    }
}

}  // namespace

ConfigCatalogue::ConfigCatalogue() : tables_(master().tables) {}

void ConfigCatalogue::attach(ConfigWorkerBlock& block) {
    for (int t = 0; t < kConfigItemTables; ++t) {
        block.itemTables[t] = table(t);
    }
}

int ConfigTableEntries(const ConfigItemDescriptor* table) {
    int n = 0;
    while (table != nullptr && table[n].labelControl != kTableEnd) {
        ++n;
    }
    return n;
}

int FindConfigItem(const ConfigItemDescriptor* table, std::uint8_t code, std::uint8_t element) {
    for (int i = 0, n = ConfigTableEntries(table); i < n; ++i) {
        if (table[i].code == code && table[i].elementIndex == element) {
            return i;
        }
    }
    return -1;
}

bool FindConfigKey(ConfigTables tables, std::string_view key, int& table, int& index) {
    for (int t = 0; t < kConfigItemTables; ++t) {
        for (int i = 0, n = ConfigTableEntries(tables[t]); i < n; ++i) {
            const char* name = tables[t][i].keyName;
            if (name != nullptr && key == name) {
                table = t;
                index = i;
                return true;
            }
        }
    }
    return false;
}

int ConfigItemCount(const ConfigItemDescriptor* table, int index) {
    const ConfigItemDescriptor& d = table[index];
    const int first = index - d.elementIndex;
    if (first < 0 || table[first].code != d.code) {
        return 0;
    }
    return table[first].count;
}

void LowerConfigCounts(ConfigItemDescriptor* circuitTable, int generation,
                       std::uint16_t extension) {
    const bool large = generation >= 3 && extension >= kExtendedExtension;
    const auto set = [circuitTable](std::uint8_t code, int count) {
        const int first = FindConfigItem(circuitTable, code, 0);
        if (first >= 0) {
            circuitTable[first].count = static_cast<std::uint8_t>(count);
        }
    };
    const int currents = generation < 2 ? 3 : 6;
    set(kItemMaxCurrents, currents);
    set(kItemLockCurrents, currents);
    set(kItemRecepControl, generation <= 1 ? 4 : large ? 8 : 6);
    const int delays = generation <= 1 ? 24 : large ? 48 : 36;
    set(kItemOnDelays, delays);
    set(kItemResetDelays, delays);
    const int voltages = generation <= 1 ? 0 : large ? 4 : 2;
    set(kItemMinVoltages, voltages);
    set(kItemMaxVoltages, voltages);
}

bool ReceptacleRowUsed(const PduRecord& record, int row) {
    return row >= 0 && row < kMaxReceptacles && record.receptaclePresent[row] != kAbsent;
}

bool ReceptacleRowShown(const PduRecord& record, int row) {
    if (!ReceptacleRowUsed(record, row)) {
        return false;
    }
    const int circuit = record.receptacleInput[row];
    return circuit < kMaxCircuits && record.circuitVisible[circuit] != 0;
}

int VoltageInputCircuit(const PduRecord& record, int input) {
    if (input < 0 || input > 1) {
        return -1;
    }
    const int circuit = record.voltageMapLow[input] & 0x0F;
    return circuit < kMaxCircuits && record.circuitVisible[circuit] != 0 ? circuit : -1;
}

bool ConfigEntryShown(const PduRecord& record, ConfigTables tables, int table, int index) {
    if (table < 0 || table >= kConfigItemTables || tables[table] == nullptr || index < 0 ||
        index >= ConfigTableEntries(tables[table])) {
        return false;
    }
    const ConfigItemDescriptor& d = tables[table][index];
    const std::uint16_t f = record.featureWord;
    const bool switched = (f & kFeatureSwitched) != 0;
    if (table == kGeneralItems) {
        return d.code != kItemEnvironmentLimits || (f & kFeatureEnvironment) != 0;
    }
    if (table == kReceptacleNameItems) {
        return (f & (kFeatureSwitched | kFeatureReceptacleMeters)) != 0 &&
               ReceptacleRowShown(record, index);
    }
    const int e = d.elementIndex;
    const bool counted = e < ConfigItemCount(tables[kCircuitItems], index);
    switch (d.code) {
        case kItemRecepControl:
            return switched;
        case kItemMaxCurrents:
            return counted && record.circuitVisible[e] != 0;
        case kItemLockCurrents:
            return switched && counted && record.circuitVisible[e] != 0;
        case kItemOnDelays:
        case kItemResetDelays:
            return switched && counted && ReceptacleRowShown(record, e);
        case kItemMinVoltages:
        case kItemMaxVoltages:
            return (f & kFeatureVoltageInputs) != 0 && counted &&
                   VoltageInputCircuit(record, e) >= 0;
        default:
            return false;
    }
}

std::vector<ConfigTransfer> ConfigLoadItems(const PduRecord& record, ConfigTables tables,
                                            std::int32_t mode) {
    std::vector<ConfigTransfer> items;
    visitPassOrder(record, tables, mode == 3, [&items](int t, int i, const ConfigItemDescriptor&) {
        items.push_back({t, i});
    });
    return items;
}

bool ConfigItemInImage(const ConfigItemDescriptor& item, int elements) {
    const std::int64_t end =
        static_cast<std::int64_t>(item.offset) + std::int64_t{item.size} * std::max(elements, 0);
    return item.offset >= 0 && end <= static_cast<std::int64_t>(kConfigImageSize);
}

void ConfigTakeLoaded(const ConfigTransfer& t, ConfigTables tables, std::int32_t mode,
                      std::uint8_t* device, std::uint8_t* edit) {
    if (t.table < 0 || t.table >= kConfigItemTables || tables[t.table] == nullptr || t.index < 0 ||
        t.index >= ConfigTableEntries(tables[t.table])) {
        return;
    }
    const ConfigItemDescriptor& d = tables[t.table][t.index];
    if (t.table == kReceptacleNameItems) {
        if (!ConfigItemInImage(d, 1)) {
            return;
        }
        // Erased device memory: the first 16 characters all have 0xFF as their low byte.
        bool erased = d.size >= 32;
        for (int c = 0; erased && c < 16; ++c) {
            erased = device[d.offset + 2 * c] == 0xFF;
        }
        if (erased) {
            std::memset(device + d.offset, 0, d.size);
        }
        std::memcpy(edit + d.offset, device + d.offset, d.size);
        return;
    }
    const int elements = mode == 3 ? 1 : d.count;
    if (!ConfigItemInImage(d, elements)) {
        return;
    }
    std::memcpy(edit + d.offset, device + d.offset, d.size * static_cast<std::size_t>(elements));
    if (d.code == kItemRecepControl) {
        std::memcpy(edit + kPowerOnMaskOffset, device + kPowerOnMaskOffset, kPowerOnMaskBytes);
    }
}

std::vector<ConfigTransfer> ConfigSaveItems(const PduRecord& record, ConfigTables tables,
                                            std::int32_t mode, const std::uint8_t* device,
                                            const std::uint8_t* edit) {
    std::vector<ConfigTransfer> items;
    const bool elements = mode == 0 || mode == 3;
    visitPassOrder(record, tables, elements, [&](int t, int i, const ConfigItemDescriptor& d) {
        bool differs = false;
        if (d.code == kItemRecepControl && t == kCircuitItems) {
            differs = powerOnDiffers(d, device, edit);
        } else {
            const int n = t == kReceptacleNameItems || elements ? 1 : d.count;
            differs =
                ConfigItemInImage(d, n) && std::memcmp(device + d.offset, edit + d.offset,
                                                       d.size * static_cast<std::size_t>(n)) != 0;
        }
        if (differs) {
            items.push_back({t, i});
        }
    });
    return items;
}

void ConfigCopyWritten(const ConfigItemDescriptor& item, const std::uint8_t* edit,
                       std::uint8_t* device) {
    const bool groups = item.code == kItemRecepControl && item.kind == kKindByteString;
    const int elements = groups ? item.count : 1;
    if (!ConfigItemInImage(item, elements)) {
        return;
    }
    std::memcpy(device + item.offset, edit + item.offset,
                item.size * static_cast<std::size_t>(elements));
    if (groups) {
        std::memcpy(device + kPowerOnMaskOffset, edit + kPowerOnMaskOffset, kPowerOnMaskBytes);
    }
}

}  // namespace quorvel
