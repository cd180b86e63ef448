// What runs on a dialog worker's thread: wait for the wake event, take the command byte, perform
// it, until the close command. The state and configuration workers fill in the commands.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>

#include "dialogs/halvex_api.h"
#include "platform/events.h"
#include "platform/message_target.h"

namespace quorvel::dialogs {

class QUORVEL_HALVEX_API WorkerLoop {
  public:
    virtual ~WorkerLoop() = default;
    WorkerLoop(const WorkerLoop&) = delete;
    WorkerLoop& operator=(const WorkerLoop&) = delete;

    // Prepares the block for a start: a wake event that starts signalled, and the open command.
    void arm();
    // Writes the command byte and signals the wake event; dropped when there is no event.
    void postCommand(std::uint8_t command);
    // Asks passes in progress to end after the current operation.
    // The flag lies in the block, where the operations the worker calls see it too.
    void requestStop() { signals_.stopRequested->store(true); }
    bool stopRequested() const { return signals_.stopRequested->load(); }

    // The thread's body. Ends after the close command.
    void run();
    // True when run() ended within timeoutMs.
    bool waitFinished(int timeoutMs);
    // Waits that timed out so far (a test's handle on the timeout path).
    int timeouts() const { return timeouts_.load(); }

  protected:
    struct Signals {
        std::shared_ptr<platform::AutoResetEvent>* wakeEvent;
        std::atomic<std::uint32_t>* threadId;
        std::atomic<std::uint8_t>* command;
        std::shared_ptr<platform::MessagePort>* window;
        std::atomic<bool>* stopRequested;
    };
    explicit WorkerLoop(Signals shared) : signals_(shared) {}

    virtual int waitTimeoutMs() const = 0;
    virtual void onTimeout() = 0;
    // Performs one command; false when the worker is to end (the close command).
    virtual bool perform(std::uint8_t command) = 0;

    // Posts to the dialog; dropped when it has no port or its port is detached.
    void post(unsigned msg, std::uintptr_t wParam, std::intptr_t lParam);
    void postEvent(unsigned code, std::intptr_t value);
    // True when a command waits to be taken.
    bool commandPending() const { return signals_.command->load() != 0; }

  private:
    Signals signals_;
    std::atomic<int> timeouts_{0};
    std::mutex finishedMutex_;
    std::condition_variable finishedCv_;
    bool finished_ = false;
};

}  // namespace quorvel::dialogs
