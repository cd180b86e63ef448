// The wait-take-perform loop shared by the dialog workers.
#include "dialogs/logic/worker_loop.h"

#include <sys/syscall.h>
#include <unistd.h>

#include <chrono>

#include "dialogs/logic/worker_messages.h"

namespace quorvel::dialogs {

void WorkerLoop::arm() {
    auto& event = *signals_.wakeEvent;
    if (!event) {
        event = std::make_shared<platform::AutoResetEvent>();
    }
    signals_.command->store(1);
    event->set();
}

void WorkerLoop::postCommand(std::uint8_t command) {
    const auto& event = *signals_.wakeEvent;
    if (!event) {
        return;
    }
    signals_.command->store(command);
    event->set();
}

void WorkerLoop::run() {
    signals_.threadId->store(static_cast<std::uint32_t>(::syscall(SYS_gettid)));
    // Without an event nothing could wake the worker: it ends at once.
    const std::shared_ptr<platform::AutoResetEvent> event = *signals_.wakeEvent;
    while (event) {
        if (!event->wait(waitTimeoutMs())) {
            timeouts_.fetch_add(1);
            onTimeout();
            continue;
        }
        // Taken at once, so a command posted while this one runs waits for the next wake
        // instead of being wiped when this one ends.
        if (!perform(signals_.command->exchange(0))) {
            break;
        }
    }
    signals_.threadId->store(0);
    {
        std::lock_guard lock(finishedMutex_);
        finished_ = true;
    }
    finishedCv_.notify_all();
}

bool WorkerLoop::waitFinished(int timeoutMs) {
    std::unique_lock lock(finishedMutex_);
    return finishedCv_.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                                [this] { return finished_; });
}

void WorkerLoop::post(unsigned msg, std::uintptr_t wParam, std::intptr_t lParam) {
    const auto& port = *signals_.window;
    if (port) {
        port->post(msg, wParam, lParam);
    }
}

void WorkerLoop::postEvent(unsigned code, std::intptr_t value) {
    post(UM_WORKER_EVENT, code, value);
}

}  // namespace quorvel::dialogs
