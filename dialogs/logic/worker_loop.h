// The library dialogs' side of the worker command loop: the state and configuration workers
// fill in their commands, and report to their dialog by posted messages.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>

#include "dialogs/halvex_api.h"
#include "platform/command_loop.h"
#include "platform/message_target.h"

namespace quorvel::dialogs {

class QUORVEL_HALVEX_API WorkerLoop : public platform::CommandLoop {
  protected:
    struct Signals {
        std::shared_ptr<platform::AutoResetEvent>* wakeEvent;
        std::atomic<std::uint32_t>* threadId;
        std::atomic<std::uint8_t>* command;
        std::shared_ptr<platform::MessagePort>* window;
        std::atomic<bool>* stopRequested;
        std::atomic<bool>* unanswered;
    };
    WorkerLoop(Signals shared, std::uint8_t openCommand, std::uint8_t closeCommand)
        : CommandLoop({shared.wakeEvent, shared.threadId, shared.command, shared.stopRequested},
                      openCommand, closeCommand),
          window_(shared.window),
          unanswered_(shared.unanswered) {}

    // Posts to the dialog; dropped when it has no port or its port is detached.
    void post(unsigned msg, std::uintptr_t wParam, std::intptr_t lParam);
    void postEvent(unsigned code, std::intptr_t value);
    // Before an operation: forgets an earlier note that the PDU did not answer.
    void clearUnanswered() { unanswered_->store(false); }
    // After it: true when the operation got no answer at all from the PDU.
    bool unanswered() const { return unanswered_->load(); }

  private:
    std::shared_ptr<platform::MessagePort>* window_;
    std::atomic<bool>* unanswered_;
};

}  // namespace quorvel::dialogs
