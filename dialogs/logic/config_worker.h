// The configuration dialog's worker: opens the device, formats it or resets its network, runs
// the load and save passes that its plan lays out, and closes.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "common/config_ops.h"
#include "dialogs/halvex_api.h"
#include "dialogs/logic/config_pass_plan.h"
#include "dialogs/logic/worker_loop.h"

namespace quorvel::dialogs {

class QUORVEL_HALVEX_API ConfigWorkerLoop : public WorkerLoop {
  public:
    static constexpr int kWaitMs = 1000;

    ConfigWorkerLoop(std::shared_ptr<ConfigWorkerBlock> block,
                     std::shared_ptr<ConfigPassPlan> plan);

  protected:
    int waitTimeoutMs() const override { return kWaitMs; }
    void onTimeout() override {}
    bool perform(std::uint8_t command) override;

  private:
    using Transfer = void (*)(std::int32_t, std::int32_t, std::int32_t, ConfigWorkerBlock*);
    // Busy, one call per transfer with its progress and item-done messages, then busy ends.
    // A load pass lets the plan take each item before it is reported. The closing 100 percent
    // is posted for a load pass always, for a save pass when something was written.
    void runPass(const std::vector<ConfigTransfer>& items, Transfer transfer, bool load);
    void command(std::int32_t code);
    void open();

    std::shared_ptr<ConfigWorkerBlock> block_;
    std::shared_ptr<ConfigPassPlan> plan_;
    std::int32_t handle_ = 0;  // only the worker's thread uses these two
    bool opened_ = false;
};

}  // namespace quorvel::dialogs
