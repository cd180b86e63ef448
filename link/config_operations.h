// The main program's side of the configuration dialog's operations table: open the PDU for
// configuring, format it or reset its network, and read or write one configuration item
// between the console and the worker block's images.
#pragma once

#include <cstdint>

#include "common/config_ops.h"

namespace quorvel {

// Reads the generation and the model code into the record, then lowers the element counts of
// the circuit and receptacle-control table to this PDU; returns 0. Nothing with mode != 0.
std::int32_t ConfigOpen(ConfigWorkerBlock* block);
// Code 2 formats the database ("I"), code 3 restarts the network ("X"); other codes do nothing.
void ConfigCommand(std::int32_t handle, std::int32_t code, ConfigWorkerBlock* block);
// Reads entry `index` of item table `table` into the device image; the power-on groups are
// packed into the mask as well.
void ConfigReadItem(std::int32_t handle, std::int32_t table, std::int32_t index,
                    ConfigWorkerBlock* block);
// The same, for callers that need to know: false when the PDU did not answer the read (the
// device image is then unchanged); an entry with nothing to read is true.
bool ConfigReadEntry(std::int32_t table, std::int32_t index, ConfigWorkerBlock* block);
// Writes the element of entry `index` from the edit image (the power-on groups unpacked from
// the mask first) and, only when the PDU took it, copies it into the device image, so that an
// element the PDU refused is tried again by the next save.
void ConfigWriteItem(std::int32_t handle, std::int32_t table, std::int32_t index,
                     ConfigWorkerBlock* block);
void ConfigClose(std::int32_t handle, ConfigWorkerBlock* block);

// Clears ops and fills it with the operations above.
void FillConfigOps(ConfigOps& ops, std::uint8_t developerFlag);

}  // namespace quorvel
