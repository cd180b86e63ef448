// The configuration dialog's worker: opens the device, formats it or resets its network, runs
// the load and save passes that its plan lays out, and closes. Save, Format and Reset Net are
// writes: they finish when the dialog closes; a load stops.
#pragma once

#include <atomic>
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
    // True once the open operation has run: it is the only one that writes the run's record.
    bool opened() const { return opened_.load(); }

  protected:
    int waitTimeoutMs() const override { return kWaitMs; }
    bool isWrite(std::uint8_t command) const override;
    void perform(std::uint8_t command) override;

  private:
    using Transfer = void (*)(std::int32_t, std::int32_t, std::int32_t, ConfigWorkerBlock*);
    // Busy, one call per transfer with its progress and item-done messages, then busy ends.
    // A load pass lets the plan take each item before it is reported, and stops once the
    // dialog closed. Either pass ends at the first transfer the PDU did not answer. The closing
    // 100 percent is posted for a load pass always, for a save pass when something was written.
    void runPass(const std::vector<ConfigTransfer>& items, Transfer transfer, bool load,
                 std::uint8_t command);
    void command(std::int32_t code, std::uint8_t command);

    std::shared_ptr<ConfigWorkerBlock> block_;
    std::shared_ptr<ConfigPassPlan> plan_;
    std::int32_t handle_ = 0;  // only the worker's thread uses it
    std::atomic<bool> opened_{false};
};

}  // namespace quorvel::dialogs
