// The configuration operations over the console session.
#include "link/config_operations.h"

#include <algorithm>

#include "common/config_catalogue.h"
#include "link/device_ops.h"
#include "link/pdu_ifce.h"
#include "link/value_codec.h"
#include "platform/thread_stop.h"

namespace quorvel {

namespace {

constexpr std::size_t kVersionTextSize = 256;  // what ReadVersion's outputs hold

bool consoleMode(const ConfigWorkerBlock* block) {
    return block != nullptr && block->ops != nullptr && block->ops->mode == 0;
}

// The descriptor of entry `index` of table `table`, or null when there is none.
const ConfigItemDescriptor* entry(const ConfigWorkerBlock* block, std::int32_t table,
                                  std::int32_t index) {
    if (table < 0 || table >= kConfigItemTables) {
        return nullptr;
    }
    const ConfigItemDescriptor* items = block->itemTables[table];
    if (items == nullptr || index < 0 || index >= ConfigTableEntries(items)) {
        return nullptr;
    }
    return &items[index];
}

bool isPowerOnGroups(const ConfigItemDescriptor& d) {
    return d.code == kItemRecepControl && d.kind == kKindByteString && d.size == 1 &&
           (d.count == 4 || d.count == 6 || d.count == 8);
}

}  // namespace

std::int32_t ConfigOpen(ConfigWorkerBlock* block) {
    const platform::ThreadStopScope stop(block);
    if (!consoleMode(block) || block->record == nullptr) {
        return 0;
    }
    PduRecord& rec = *block->record;
    // A version reply of one item is a first-generation unit; no reply at all says nothing,
    // and the generation the record came with stands.
    char version[kVersionTextSize] = {};
    char generation[kVersionTextSize] = {};
    const int items = ReadVersion(version, generation);
    if (items > 0) {
        rec.generationNumber =
            static_cast<std::uint8_t>(items == 2 ? GenerationFromText(generation) : 1);
    }
    std::uint16_t feature = 0;
    std::uint16_t extension = 0;
    std::uint32_t attribute = 0;
    if (ReadIdentity(&feature, &attribute, &extension, nullptr) >= 2) {
        rec.featureWord = feature;
        rec.attributeWord = attribute;
        rec.extensionWord = extension;
    }
    if (block->itemTables[kCircuitItems] != nullptr) {
        LowerConfigCounts(block->itemTables[kCircuitItems], rec.generationNumber,
                          rec.extensionWord);
    }
    return 0;
}

void ConfigCommand(std::int32_t, std::int32_t code, ConfigWorkerBlock* block) {
    const platform::ThreadStopScope stop(block);
    if (!consoleMode(block)) {
        return;
    }
    if (code == kConfigFormat) {
        DeviceDatabaseCommand(1);
    } else if (code == kConfigResetNetwork) {
        DeviceDatabaseCommand(2);
    }
}

void ConfigReadItem(std::int32_t, std::int32_t table, std::int32_t index,
                    ConfigWorkerBlock* block) {
    ConfigReadEntry(table, index, block);
}

bool ConfigReadEntry(std::int32_t table, std::int32_t index, ConfigWorkerBlock* block) {
    const platform::ThreadStopScope stop(block);
    if (!consoleMode(block)) {
        return true;
    }
    const ConfigItemDescriptor* d = entry(block, table, index);
    // An entry without elements of its own (a later element, or an item lowered to none)
    // could store nothing.
    if (d == nullptr || d->count == 0 || !ConfigItemInImage(*d, d->count)) {
        return true;
    }
    if (!ReadConfigItem(*d, block->deviceImage)) {
        return false;
    }
    if (isPowerOnGroups(*d)) {
        std::uint8_t* mask = block->deviceImage + kPowerOnMaskOffset;
        std::fill(mask, mask + kPowerOnMaskBytes, std::uint8_t{0});
        PackSextets(block->deviceImage + d->offset, d->count, mask);
    }
    return true;
}

void ConfigWriteItem(std::int32_t, std::int32_t table, std::int32_t index,
                     ConfigWorkerBlock* block) {
    const platform::ThreadStopScope stop(block);
    if (!consoleMode(block)) {
        return;
    }
    const ConfigItemDescriptor* d = entry(block, table, index);
    if (d == nullptr || !ConfigItemInImage(*d, isPowerOnGroups(*d) ? d->count : 1)) {
        return;
    }
    if (isPowerOnGroups(*d)) {
        UnpackSextets(block->editImage + kPowerOnMaskOffset, d->count,
                      block->editImage + d->offset);
    } else if (d->code == kItemRecepControl) {
        return;  // not a byte string this side can write
    }
    if (WriteConfigItem(*d, block->editImage)) {
        ConfigCopyWritten(*d, block->editImage, block->deviceImage);
    }
}

void ConfigClose(std::int32_t, ConfigWorkerBlock*) {}

void FillConfigOps(ConfigOps& ops, std::uint8_t developerFlag) {
    ops = ConfigOps{};
    ops.mode = 0;
    ops.developerFlag = developerFlag;
    ops.Open = &ConfigOpen;
    ops.Command = &ConfigCommand;
    ops.ReadItem = &ConfigReadItem;
    ops.WriteItem = &ConfigWriteItem;
    ops.Close = &ConfigClose;
}

}  // namespace quorvel
