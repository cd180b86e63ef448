// The calibration dialog's worker thread: takes one command at a time from the block's command
// byte, repeats a sample command every period while it stays, and ends after the close command.
// A command given while another runs is kept for the next pass, never wiped by the one before.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>

#include "link/calibration_ops.h"
#include "platform/bounded_thread.h"

namespace quorvel {

// The worker's body on the calling thread: waits on the block's event (the repeat period, 1000
// ms when 0), performs commands through the block's table and returns after the close command.
void RunCalibrationWorker(CalibrationWorkerBlock& block);

class CalibrationWorker {
  public:
    // Long enough for one console exchange in progress to end.
    static constexpr int kStopMs = 3000;

    explicit CalibrationWorker(std::shared_ptr<CalibrationWorkerBlock> block);
    ~CalibrationWorker();  // stop()
    CalibrationWorker(const CalibrationWorker&) = delete;
    CalibrationWorker& operator=(const CalibrationWorker&) = delete;

    // Creates the event signalled with the open command pending, and starts the thread.
    void start();
    // Writes the command byte and signals the event; replaces a command not yet taken.
    void give(std::uint8_t command);
    // Gives the close command, lets tries in progress end early and waits up to timeoutMs. True
    // when the thread ended (and was joined); otherwise it is left to end on its own, holding
    // the block. The dialog's port is detached either way, so no message arrives afterwards.
    bool stop(int timeoutMs = kStopMs);
    // True once the thread has returned from its body.
    bool finished() const { return thread_.finished(); }
    bool waitFinished(int timeoutMs) { return thread_.waitFinished(timeoutMs); }
    bool running() const { return thread_.running(); }

  private:
    std::shared_ptr<CalibrationWorkerBlock> block_;
    platform::BoundedThread thread_;
};

}  // namespace quorvel
