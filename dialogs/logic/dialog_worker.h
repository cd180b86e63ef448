// A dialog's handle on its worker thread: starts it, posts commands to it and, when the dialog
// closes, stops it and joins it within a bound. A worker that does not end in time is left to
// finish on its own; it keeps its loop and block alive and its dialog's port is detached.
#pragma once

#include <cstdint>
#include <memory>

#include "dialogs/halvex_api.h"
#include "dialogs/logic/worker_loop.h"
#include "platform/bounded_thread.h"

namespace quorvel::dialogs {

class QUORVEL_HALVEX_API DialogWorker {
  public:
    // Long enough for one console exchange in progress to end.
    static constexpr int kDefaultStopMs = 3000;

    DialogWorker(std::shared_ptr<WorkerLoop> loop, std::uint8_t closeCommand,
                 std::shared_ptr<platform::MessagePort> port);
    ~DialogWorker();
    DialogWorker(const DialogWorker&) = delete;
    DialogWorker& operator=(const DialogWorker&) = delete;

    // Starts the thread with the open command pending (the wake event starts signalled).
    void start();
    // Command byte, then the wake event; a command not yet taken is replaced.
    void post(std::uint8_t command);
    // Posts the close command and waits up to timeoutMs for the thread to end; true when it
    // ended and was joined. Detaches the dialog's port either way.
    bool stop(int timeoutMs = kDefaultStopMs);
    bool running() const { return thread_.running(); }

  private:
    std::shared_ptr<WorkerLoop> loop_;
    std::uint8_t closeCommand_;
    std::shared_ptr<platform::MessagePort> port_;
    platform::BoundedThread thread_;
};

}  // namespace quorvel::dialogs
