// The calibration dialog's worker: the command loop over the calibration operations. A sample
// command repeats every period until another command is taken; the store, the writes and the
// reboot are writes, which finish when the dialog closes.
#pragma once

#include <cstdint>
#include <memory>

#include "link/calibration_ops.h"
#include "platform/command_loop.h"

namespace quorvel {

class CalibrationLoop : public platform::CommandLoop {
  public:
    explicit CalibrationLoop(std::shared_ptr<CalibrationWorkerBlock> block);

  protected:
    int waitTimeoutMs() const override;
    void onTimeout() override;
    bool isWrite(std::uint8_t command) const override;
    void perform(std::uint8_t command) override;

  private:
    std::shared_ptr<CalibrationWorkerBlock> block_;
    std::int32_t handle_ = 0;     // only the worker's thread uses these two
    std::uint8_t repeating_ = 0;  // the sample command that repeats, 0 for none
};

// The worker of one calibration dialog: starts with the open command, ends after the close.
class CalibrationWorker : public platform::CommandWorker {
  public:
    explicit CalibrationWorker(std::shared_ptr<CalibrationWorkerBlock> block)
        : CommandWorker(std::make_shared<CalibrationLoop>(block), block->window) {}
};

}  // namespace quorvel
