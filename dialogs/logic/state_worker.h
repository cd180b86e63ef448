// The state dialog's worker: opens the device, refreshes identity and status (on command, and on
// every timeout while auto refresh is on), switches and resets receptacles, clears alarms.
#pragma once

#include <cstdint>
#include <memory>

#include "common/state_ops.h"
#include "dialogs/halvex_api.h"
#include "dialogs/logic/worker_loop.h"

namespace quorvel::dialogs {

class QUORVEL_HALVEX_API StateWorkerLoop : public WorkerLoop {
  public:
    static constexpr int kDefaultPollMs = 1000;

    explicit StateWorkerLoop(std::shared_ptr<StateWorkerBlock> block);

  protected:
    int waitTimeoutMs() const override;
    void onTimeout() override;
    bool perform(std::uint8_t command) override;

  private:
    bool consoleMode() const { return block_->ops->mode == 0; }
    void refresh();
    void readState(std::uint8_t kind);
    // Clears the masks named by the command, runs the request, then clears the command's own.
    void runMaskCommand(std::uint32_t (&keep)[2], std::uint32_t (&clearA)[2],
                        std::uint32_t (&clearB)[2], std::uint8_t code);
    void runCommand(std::uint8_t code);

    std::shared_ptr<StateWorkerBlock> block_;
    std::int32_t handle_ = 0;    // only the worker's thread uses it
    bool firstRefresh_ = false;  // set by the open command, cleared by a refresh
};

}  // namespace quorvel::dialogs
