// The configuration dialog's operations table and the block its worker shares with the main
// program's operations: plain data that both deliverables include.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>

#include "common/config_item.h"
#include "common/device_address_block.h"
#include "common/model_profile.h"

namespace quorvel::platform {
class AutoResetEvent;
class MessagePort;
}  // namespace quorvel::platform

namespace quorvel {

constexpr std::size_t kConfigImageSize = 3544;
constexpr int kConfigItemTables = 3;

// Item tables, as numbered in the high 16 bits of an item-done message.
constexpr int kGeneralItems = 0;
constexpr int kCircuitItems = 1;  // circuit limits and receptacle control
constexpr int kReceptacleNameItems = 2;

// Device-wide requests of Command.
constexpr std::int32_t kConfigFormat = 2;
constexpr std::int32_t kConfigResetNetwork = 3;

struct ConfigWorkerBlock;

// Filled by the main program before each call of PduConfigDlg; a null slot is skipped.
struct ConfigOps {
    std::int32_t mode = 0;  // 0: the serial console, the only value the main program passes
    std::uint8_t developerFlag = 0;  // bit 0: passwords shown, editable and saved
    // Called once when the worker starts; its result is the handle of the other operations.
    std::int32_t (*Open)(ConfigWorkerBlock* block) = nullptr;
    // code 2 formats the device database, code 3 resets the network configuration
    void (*Command)(std::int32_t handle, std::int32_t code, ConfigWorkerBlock* block) = nullptr;
    // Reads item `index` of item table `table` from the PDU into the device image.
    void (*ReadItem)(std::int32_t handle, std::int32_t table, std::int32_t index,
                     ConfigWorkerBlock* block) = nullptr;
    // Writes the item from the edit image to the PDU and, once the PDU took it, copies it into
    // the device image (a refused element keeps differing, so the next save tries it again).
    void (*WriteItem)(std::int32_t handle, std::int32_t table, std::int32_t index,
                      ConfigWorkerBlock* block) = nullptr;
    void (*Close)(std::int32_t handle, ConfigWorkerBlock* block) = nullptr;
};

// Shared by the configuration dialog and its worker: the command byte and the wake event order
// what the dialog wrote before a command, the posted messages what the worker wrote before
// them. The worker holds dataMutex around every operation. The dialog never waits for it: it
// fills the edit image only while no pass runs, and shows an item only after the worker
// reported it (a pass does not touch that item again). Each dialog run has a block of its own.
struct ConfigWorkerBlock {
    // Head.
    const ConfigOps* ops = nullptr;
    std::shared_ptr<platform::MessagePort> window;  // posts are dropped while null or detached
    std::shared_ptr<platform::AutoResetEvent> wakeEvent;
    std::atomic<std::uint32_t> threadId{0};
    std::atomic<std::uint8_t> command{0};
    // Set while a read runs after the dialog closed: the operations give up between their
    // exchanges. A write never sees it set: it runs to its end.
    std::atomic<bool> stopRequested{false};
    // Set by an operation that got no answer at all from the PDU; a pass ends there.
    std::atomic<bool> unanswered{false};
    std::mutex dataMutex;

    DeviceAddressBlock* addresses = nullptr;
    PduRecord* record = nullptr;
    std::uint8_t deviceImage[kConfigImageSize] = {};  // as last read from or written to the PDU
    std::uint8_t editImage[kConfigImageSize] = {};    // as the dialog shows and edits it
    // General items; circuit and receptacle-control items; receptacle names. Each table ends
    // with an entry whose label control is -1. Open lowers the element counts of the second.
    ConfigItemDescriptor* itemTables[kConfigItemTables] = {};
};

}  // namespace quorvel
