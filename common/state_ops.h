// The state dialog's operations table and the block its worker shares with the main program's
// operations: plain data that both deliverables include.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>

#include "common/device_address_block.h"
#include "common/model_profile.h"

namespace quorvel::platform {
class AutoResetEvent;
class MessagePort;
}  // namespace quorvel::platform

namespace quorvel {

constexpr std::size_t kStatusFrameSize = 256;

struct StateWorkerBlock;

// Filled by the main program before each call of PduStateDlg; a null slot is skipped.
struct StateOps {
    std::int32_t mode = 0;  // 0: the serial console, the only value the main program passes
    std::uint8_t developerFlag = 0;
    std::int32_t (*OpenDevice)(StateWorkerBlock* block) = nullptr;
    // kind 0 identity, 1 status
    void (*ReadState)(std::int32_t handle, std::uint8_t kind, StateWorkerBlock* block) = nullptr;
    // code 7 switch by the on and off masks, 9 reset by the reset mask, 14 clear alarms
    std::int32_t (*RunCommand)(std::int32_t handle, std::uint8_t code,
                               StateWorkerBlock* block) = nullptr;
    void (*CloseDevice)(std::int32_t handle, StateWorkerBlock* block) = nullptr;
};

// Request codes of RunCommand with mode 0.
constexpr std::uint8_t kRunSwitch = 7;
constexpr std::uint8_t kRunReset = 9;
constexpr std::uint8_t kRunClearAlarms = 14;

// Shared by the state dialog and its worker. The dialog writes the command and then signals the
// wake event; the worker writes the data fields and then posts a message. The worker holds
// dataMutex while an operation runs on the block. The window thread never takes it: it reads the
// copy the worker publishes after each operation and hands its mask edits to the worker, both
// under a lock held only for the copy (StateWorkerLoop). Each dialog run has its own block,
// shared with its worker, so a worker that outlives its dialog never meets the next run's block.
struct StateWorkerBlock {
    // Head.
    const StateOps* ops = nullptr;
    std::shared_ptr<platform::MessagePort> window;  // posts are dropped while null or detached
    // State variant.
    std::atomic<std::uint8_t> autoRefresh{0};
    std::atomic<std::int32_t> pollInterval{0};  // milliseconds; 0 means 1000
    std::shared_ptr<platform::AutoResetEvent> wakeEvent;
    std::atomic<std::uint32_t> threadId{0};
    std::atomic<std::uint8_t> command{0};
    // Set while a read runs after the dialog closed: the operations give up between their
    // exchanges. A write never sees it set: it runs to its end.
    std::atomic<bool> stopRequested{false};
    // Set by an operation that got no answer at all from the PDU; a pass ends there.
    std::atomic<bool> unanswered{false};
    std::mutex dataMutex;

    PduRecord* record = nullptr;
    const DeviceAddressBlock* addresses = nullptr;
    std::uint8_t macAddress[6] = {};
    std::uint8_t ipAddress[4] = {};
    std::uint8_t firmwareVersion[3] = {};  // major, minor, build
    std::uint16_t modelFeature = 0xFFFF;   // the model number in three parts
    std::uint32_t modelAttribute = 0xFFFFFFFF;
    std::uint16_t modelExtension = 0;
    std::uint8_t updateFieldsFlag = 0;
    std::uint8_t updateSoftwareFlag = 0;
    std::uint16_t displayOptions = 0;  // bit 0x40: temperatures in degrees Celsius
    std::uint8_t statusFrame[kStatusFrameSize] = {};
    std::uint32_t onMask[2] = {};  // low word bit k = receptacle k+1, high word bit k = k+33
    std::uint32_t offMask[2] = {};
    std::uint32_t resetMask[2] = {};
};

}  // namespace quorvel
