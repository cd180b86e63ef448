// The calibration operations table and the block its worker shares with the calibration
// dialog, and the main program's operations behind the table: open (generation, calibration
// mode), the actions (store, raw samples, writes, reboot) and a close that does nothing.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>

#include "common/model_profile.h"

namespace quorvel::platform {
class AutoResetEvent;
class MessagePort;
}  // namespace quorvel::platform

namespace quorvel {

// Messages the calibration worker posts to its dialog.
constexpr unsigned UM_CAL_SAMPLES = 0x40F;  // wParam: 3 low or 4 high; lParam: item << 16 | raw
constexpr unsigned UM_CAL_LAMP = 0x415;     // lParam: 1 green, 2 toggle, 0 dark grey
constexpr unsigned UM_CAL_DONE = 0x416;     // wParam: the command just performed; lParam: 1 ok

constexpr std::intptr_t kLampOff = 0;
constexpr std::intptr_t kLampGreen = 1;
constexpr std::intptr_t kLampToggle = 2;

// Worker commands.
enum CalibrationCommand : std::uint8_t {
    kCalIdle = 0,
    kCalOpen = 1,
    kCalStore = 2,
    kCalSampleLow = 3,
    kCalSampleHigh = 4,
    kCalWrite = 5,
    kCalClose = 6,
    kCalReboot = 7,
};

struct CalibrationWorkerBlock;

// Filled by the main program before each calibration dialog; a null slot is skipped.
struct CalibrationOps {
    std::int32_t mode = 0;
    std::uint8_t developerFlag = 0;
    std::int32_t (*Open)(CalibrationWorkerBlock* block) = nullptr;
    // Codes 2 store, 3 low sample, 4 high sample, 5 write, 7 reboot; true on success.
    bool (*Action)(std::int32_t handle, std::uint8_t code, CalibrationWorkerBlock* block) = nullptr;
    void (*Close)(std::int32_t handle, CalibrationWorkerBlock* block) = nullptr;
};

// Shared by the dialog (window thread) and its worker. The dialog writes the selection and the
// values before it gives a command; the worker reports samples by message and keeps them here.
struct CalibrationWorkerBlock {
    const CalibrationOps* ops = nullptr;
    // A copy of the caller's table that ops may point to, so that a worker left to end on its
    // own never reads a table that went away with its dialog.
    CalibrationOps table;
    std::shared_ptr<platform::MessagePort> window;  // posts are dropped while null or detached
    std::atomic<std::uint8_t> repeat{1};            // sample commands repeat while they stay
    std::uint32_t repeatPeriodMs = 0;               // 0 means 1000
    std::shared_ptr<platform::AutoResetEvent> event;
    std::atomic<std::uint32_t> threadId{0};
    std::atomic<std::uint8_t> command{0};
    std::atomic<bool> stopRequested{false};  // a read's tries end early once set
    std::atomic<bool> unanswered{false};     // an operation got no answer from the PDU
    std::atomic<std::uint32_t> timeouts{0};  // waits that ended without a command

    // What the operations need of the unit, fixed when the dialog opens.
    PduRecord* record = nullptr;  // the open operation stores the generation number here
    std::uint16_t featureWord = 0;
    std::uint16_t extensionWord = 0;
    std::uint8_t generation = 1;

    // The selected channel: kind and index of its item value.
    std::atomic<std::uint8_t> kind{0};
    std::atomic<std::uint8_t> index{0};
    // The values to write (16-bit fields).
    std::atomic<std::uint16_t> threshold{0};
    std::atomic<std::uint16_t> offset{0};
    std::atomic<std::uint16_t> scale{0};
    // The latest raw samples.
    std::atomic<std::uint16_t> lowSample{0};
    std::atomic<std::uint16_t> highSample{0};

    void post(unsigned msg, std::uintptr_t wParam, std::intptr_t lParam) const;
};

// Where a channel's calibration is written: table (voltage or current), row 0..3 and the
// channel byte of the calibration keyword.
struct CalibrationTarget {
    bool voltage = false;
    int row = 0;
    std::uint8_t channel = 0;
};
CalibrationTarget CalibrationWriteTarget(int generation, std::uint16_t featureWord,
                                         std::uint8_t kind, std::uint8_t index);

// The raw reading of a channel (up to 5 tries, each posting the lamp green); false when every
// try failed or the worker was asked to stop.
bool ReadRawSample(const CalibrationWorkerBlock& block, std::uint8_t kind, std::uint8_t index,
                   std::uint16_t& raw);
// Columns 0 (threshold), 1 (offset), 2 (scale) and 9 (scale), each with up to 5 tries posting
// the lamp toggle, each only after the previous one succeeded; then the lamp goes dark.
bool WriteCalibrationValues(const CalibrationWorkerBlock& block, const CalibrationTarget& target,
                            std::uint16_t threshold, std::uint16_t offset, std::uint16_t scale);
// The store line "W A ff <access code>", 5 tries.
bool StoreCalibration(const CalibrationWorkerBlock& block);

// The table's operations.
std::int32_t CalibrationOpen(CalibrationWorkerBlock* block);
bool CalibrationAction(std::int32_t handle, std::uint8_t code, CalibrationWorkerBlock* block);
void CalibrationClose(std::int32_t handle, CalibrationWorkerBlock* block);

// Clears ops and fills it with the operations above.
void FillCalibrationOps(CalibrationOps& ops, std::uint8_t developerFlag);

}  // namespace quorvel
