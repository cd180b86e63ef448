// Halvex's exports: plain C functions that the main program binds by name. Each dialog export
// runs its dialog modally and returns when the operator closes it; nothing is returned.
#pragma once

#include <cstdint>

#include "common/config_ops.h"
#include "common/model_profile.h"
#include "common/state_ops.h"
#include "dialogs/halvex_api.h"

#define QUORVEL_HALVEX_EXPORT QUORVEL_HALVEX_API

namespace quorvel {
// The model dialog's operations table; its layout comes with the model dialog.
struct ModelOps;
}  // namespace quorvel

extern "C" {

// Writes the library version (1, 1, 8) into three[0..2] and returns three.
QUORVEL_HALVEX_EXPORT std::uint8_t* PduDLLVersion(std::uint8_t* three);

// The state dialog. Not built yet: until it is, this shows nothing and returns at once.
QUORVEL_HALVEX_EXPORT void PduStateDlg(quorvel::PduRecord* record, const quorvel::StateOps* ops,
                                       quorvel::DeviceAddressBlock* addresses);

// The configuration dialog. Not built yet: until it is, this shows nothing and returns at once.
QUORVEL_HALVEX_EXPORT void PduConfigDlg(quorvel::PduRecord* record, const quorvel::ConfigOps* ops,
                                        quorvel::DeviceAddressBlock* addresses);

// The model dialog over a work record the caller prepared; count is the number of recent models
// it holds (500). Not built yet: until it is, this shows nothing and returns at once.
QUORVEL_HALVEX_EXPORT void PduModelDlg(const quorvel::ModelOps* modelOps, void* workRecord,
                                       int count);

// The socket type information dialog. Not built yet: until it is, this shows nothing and
// returns at once.
QUORVEL_HALVEX_EXPORT void PduSockTypInfoDlg(int selector, const void* data);

}  // extern "C"
