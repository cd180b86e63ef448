// The configuration item catalogue: every PDU configuration variable the configuration dialog and
// quorvelctl show, with its place in the byte images and its console item, in three tables
// (general items; circuit and receptacle-control items; receptacle names). Each run works on a
// copy that Open adjusts to the connected PDU; the master tables never change.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

#include "common/config_item.h"
#include "common/config_ops.h"
#include "common/model_profile.h"

namespace quorvel {

// Console item codes with a rule of their own.
constexpr std::uint8_t kItemIntervals = 1;
constexpr std::uint8_t kItemMacAddress = 6;
constexpr std::uint8_t kItemRecepControl = 7;
constexpr std::uint8_t kItemOnDelays = 8;
constexpr std::uint8_t kItemResetDelays = 9;
constexpr std::uint8_t kItemNetOptions = 12;
constexpr std::uint8_t kItemMaxCurrents = 14;
constexpr std::uint8_t kItemLockCurrents = 15;
constexpr std::uint8_t kItemEnvironmentLimits = 16;  // min/max temperature, min/max humidity
constexpr std::uint8_t kItemDeviceName = 17;
constexpr std::uint8_t kItemKovaName = 42;
constexpr std::uint8_t kItemDevicePassword = 43;
constexpr std::uint8_t kItemKovaPassword = 44;
constexpr std::uint8_t kItemMinVoltages = 45;
constexpr std::uint8_t kItemMaxVoltages = 46;

// The receptacle power-on state packed as a 48-bit mask, bit n for receptacle row n.
constexpr std::int32_t kPowerOnMaskOffset = 3530;
constexpr std::size_t kPowerOnMaskBytes = 6;
// Receptacle name n (1..48) lies at kReceptacleNameOffset + 64 * (n - 1).
constexpr std::int32_t kReceptacleNameOffset = 442;
constexpr std::uint32_t kTextItemBytes = 64;
constexpr int kVoltageInputs = 4;  // voltage limits exist for circuits 1-4
constexpr std::int32_t kTableEnd = -1;

// A per-run copy of the three tables, each ended by an entry whose label control is -1.
class ConfigCatalogue {
  public:
    ConfigCatalogue();
    ConfigItemDescriptor* table(int t) { return tables_[static_cast<std::size_t>(t)].data(); }
    const ConfigItemDescriptor* table(int t) const {
        return tables_[static_cast<std::size_t>(t)].data();
    }
    // Points the block's item tables at this copy.
    void attach(ConfigWorkerBlock& block);

  private:
    std::array<std::vector<ConfigItemDescriptor>, kConfigItemTables> tables_;
};

using ConfigTables = const ConfigItemDescriptor* const*;

// Entries before the end marker.
int ConfigTableEntries(const ConfigItemDescriptor* table);
// The entry of element `element` of item `code`; -1 when there is none.
int FindConfigItem(const ConfigItemDescriptor* table, std::uint8_t code, std::uint8_t element = 0);
// The table and entry of a key name; false when the key is unknown.
bool FindConfigKey(ConfigTables tables, std::string_view key, int& table, int& index);
// The element count of the item that entry `index` belongs to (its element 0 carries it).
int ConfigItemCount(const ConfigItemDescriptor* table, int index);

// Lowers the element counts of the circuit and receptacle-control table to what a PDU of this
// generation and ExtensionWord holds.
void LowerConfigCounts(ConfigItemDescriptor* circuitTable, int generation, std::uint16_t extension);

// Receptacle row `row` (0..47) is used when the model has that receptacle; the dialog shows it
// when it also lies on a visible circuit.
bool ReceptacleRowUsed(const PduRecord& record, int row);
bool ReceptacleRowShown(const PduRecord& record, int row);
// The circuit (0..5) whose group shows voltage input `input` (0 or 1); -1 when none does.
int VoltageInputCircuit(const PduRecord& record, int input);
// Whether the configuration dialog (and quorvelctl config get) shows entry `index` of item table
// `table` for this PDU, its element counts lowered by Open.
bool ConfigEntryShown(const PduRecord& record, ConfigTables tables, int table, int index);

// One ReadItem or WriteItem call: entry `index` of item table `table`.
struct ConfigTransfer {
    std::int32_t table = 0;
    std::int32_t index = 0;
    bool operator==(const ConfigTransfer&) const = default;
};

// What a load pass reads, in order: the general items, the receptacle names of the used rows
// (switched or metered PDUs), then currents, lock currents, power-on groups, delays and voltages
// as the PDU's features call for. With mode 3 every element is its own transfer.
std::vector<ConfigTransfer> ConfigLoadItems(const PduRecord& record, ConfigTables tables,
                                            std::int32_t mode);
// After a load transfer: an erased receptacle name is cleared in the device image, and what was
// read is copied from the device image to the edit image.
void ConfigTakeLoaded(const ConfigTransfer& t, ConfigTables tables, std::int32_t mode,
                      std::uint8_t* device, std::uint8_t* edit);
// What a save pass writes, in the load order: every element (with mode 0 or 3) or item (other
// modes) whose bytes differ between the two images.
std::vector<ConfigTransfer> ConfigSaveItems(const PduRecord& record, ConfigTables tables,
                                            std::int32_t mode, const std::uint8_t* device,
                                            const std::uint8_t* edit);
// After a successful write of the element of `item`: its bytes (and for the power-on groups the
// mask) copied from the edit image to the device image.
void ConfigCopyWritten(const ConfigItemDescriptor& item, const std::uint8_t* edit,
                       std::uint8_t* device);
// The bytes a first element plus its count cover lie inside the images.
bool ConfigItemInImage(const ConfigItemDescriptor& item, int elements);

}  // namespace quorvel
