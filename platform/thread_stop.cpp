#include "platform/thread_stop.h"

namespace quorvel::platform {

namespace {

thread_local const std::atomic<bool>* t_stop = nullptr;
thread_local const std::atomic<std::uint8_t>* t_stopByte = nullptr;
thread_local std::atomic<bool>* t_unanswered = nullptr;

}  // namespace

ThreadStopScope::ThreadStopScope(const std::atomic<std::uint8_t>* stop)
    : previousStop_(t_stop), previousStopByte_(t_stopByte), previousUnanswered_(t_unanswered) {
    if (stop != nullptr) {
        t_stop = nullptr;
        t_stopByte = stop;
    }
}

ThreadStopScope::ThreadStopScope(const std::atomic<bool>* stop, std::atomic<bool>* unanswered)
    : previousStop_(t_stop), previousStopByte_(t_stopByte), previousUnanswered_(t_unanswered) {
    if (stop != nullptr) {
        t_stop = stop;
        t_stopByte = nullptr;
    }
    if (unanswered != nullptr) {
        t_unanswered = unanswered;
    }
}

ThreadStopScope::~ThreadStopScope() {
    t_stop = previousStop_;
    t_stopByte = previousStopByte_;
    t_unanswered = previousUnanswered_;
}

bool ThreadStopRequested() {
    return (t_stop != nullptr && t_stop->load()) || (t_stopByte != nullptr && t_stopByte->load());
}

void NoteUnanswered() {
    if (t_unanswered != nullptr) {
        t_unanswered->store(true);
    }
}

}  // namespace quorvel::platform
