// The messages a dialog worker posts to its dialog, their event codes, and the command bytes the
// dialogs write for their workers.
#pragma once

#include <cstdint>

namespace quorvel::dialogs {

// wParam: event code; lParam: value.
constexpr unsigned UM_WORKER_EVENT = 0x40A;
// wParam: item index, item table number in the high 16 bits; lParam: 0.
constexpr unsigned UM_ITEM_DONE = 0x40B;

enum WorkerEventCode : unsigned {
    EV_PULSE = 1,     // 2 toggle the activity light, 1 light on, 0 light off
    EV_PROGRESS = 2,  // percent done
    EV_STATUS = 3,    // new status data lies in the block
    EV_IDENTITY = 4,  // identity data lies in the block
    EV_BUSY = 5,      // 0 an operation starts, 255 it has ended
    // The PDU stopped answering: the command named by the value ended at the first item it
    // did not answer (posted before its busy-ends message).
    EV_UNANSWERED = 6,
};

constexpr std::intptr_t kPulseToggle = 2;
constexpr std::intptr_t kBusyStarts = 0;
constexpr std::intptr_t kBusyEnds = 255;

enum ConfigCommand : std::uint8_t {
    CFG_CMD_OPEN = 1,
    CFG_CMD_FORMAT = 2,
    CFG_CMD_RESET_NETWORK = 3,
    CFG_CMD_LOAD = 4,
    CFG_CMD_SAVE = 5,
    CFG_CMD_CLOSE = 6,
};

enum StateCommand : std::uint8_t {
    STATE_CMD_OPEN = 1,
    STATE_CMD_REFRESH = 2,
    STATE_CMD_SWITCH_ON = 3,
    STATE_CMD_SWITCH_OFF = 4,
    STATE_CMD_RESET = 5,
    STATE_CMD_CLOSE = 6,
    STATE_CMD_CLEAR_ALARMS = 7,
};

constexpr std::uintptr_t ItemDoneParam(int table, int index) {
    return static_cast<std::uintptr_t>(table) << 16 | static_cast<std::uintptr_t>(index & 0xFFFF);
}

}  // namespace quorvel::dialogs
