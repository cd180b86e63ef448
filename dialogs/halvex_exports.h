// Halvex's exports: plain C functions that the main program binds by name. Each dialog export
// runs its dialog modally and returns when the operator closes it; nothing is returned.
#pragma once

#include <cstdint>

#include "common/config_ops.h"
#include "common/model_ops.h"
#include "common/model_profile.h"
#include "common/state_ops.h"
#include "dialogs/halvex_api.h"

#define QUORVEL_HALVEX_EXPORT QUORVEL_HALVEX_API

extern "C" {

// Writes the library version (1, 1, 8) into three[0..2] and returns three.
QUORVEL_HALVEX_EXPORT std::uint8_t* PduDLLVersion(std::uint8_t* three);

// The state dialog (CStateDlg, state_dlg.cpp): returns when the operator has closed it and its
// worker has let go of the record.
QUORVEL_HALVEX_EXPORT void PduStateDlg(quorvel::PduRecord* record, const quorvel::StateOps* ops,
                                       quorvel::DeviceAddressBlock* addresses);

// The configuration dialog (config_dlg.cpp): runs CConfigDlg modally over the record, the
// operations table and the address block, and returns when the operator closes it.
QUORVEL_HALVEX_EXPORT void PduConfigDlg(quorvel::PduRecord* record, const quorvel::ConfigOps* ops,
                                        quorvel::DeviceAddressBlock* addresses);

// The model dialog over the caller's recent-models list of `capacity` entries (500 from the main
// program): read at start, written back in place when the operator saves.
QUORVEL_HALVEX_EXPORT void PduModelDlg(const quorvel::ModelOps* modelOps,
                                       quorvel::ModelListEntry* list, int capacity);

// The socket type information dialog for one series, read through the model dialog's table.
QUORVEL_HALVEX_EXPORT void PduSockTypInfoDlg(int seriesIndex, const quorvel::ModelOps* modelOps);

}  // extern "C"
