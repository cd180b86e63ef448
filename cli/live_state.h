// The connected PDU as the state dialog's worker sees it: the record sized from the model, the
// state operations and their block, opened once. The status, switching and monitor verbs share it.
#pragma once

#include <cstdint>
#include <string>

#include "common/model_profile.h"
#include "common/state_ops.h"
#include "common/status_frame.h"
#include "link/session_worker.h"

namespace quorvel::cli {

struct LiveState {
    PduRecord record;
    StateOps ops;
    StateWorkerBlock block;
    std::int32_t handle = 0;

    // Builds the record from the session's identity and opens the device ("C 0").
    explicit LiveState(const SessionRecord& session);
    ~LiveState();  // closes the device
    LiveState(const LiveState&) = delete;
    LiveState& operator=(const LiveState&) = delete;

    // The model number and firmware version into the block.
    void readIdentity();
    // One status frame into the block, taken apart into `frame`; false when the PDU gave none.
    bool readStatus(StatusFrameView& frame);
};

// The console's last error text without its line ends ("" when there is none).
std::string ConsoleReason();

}  // namespace quorvel::cli
