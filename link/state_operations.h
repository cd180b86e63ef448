// The main program's side of the state dialog's operations table: open the device for
// monitoring, read identity or status into the worker block, and switch, reset or clear alarms.
#pragma once

#include <cstdint>

#include "common/state_ops.h"

namespace quorvel {

// Reads the generation and display options and leaves calibration mode ("C 0"); returns 0.
std::int32_t StateOpenDevice(StateWorkerBlock* block);
// Kind 0: model number and firmware version; kind 1: the status frame. Nothing with mode != 0.
void StateReadState(std::int32_t handle, std::uint8_t kind, StateWorkerBlock* block);
// Codes 7 (switch by the masks), 9 (reset by the mask), 14 (clear alarms); non-zero on success.
std::int32_t StateRunCommand(std::int32_t handle, std::uint8_t code, StateWorkerBlock* block);
void StateCloseDevice(std::int32_t handle, StateWorkerBlock* block);

// Clears ops and fills it with the operations above.
void FillStateOps(StateOps& ops, std::uint8_t developerFlag);

}  // namespace quorvel
