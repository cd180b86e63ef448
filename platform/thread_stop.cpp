#include "platform/thread_stop.h"

namespace quorvel::platform {

namespace {

thread_local const std::atomic<bool>* t_stop = nullptr;

}  // namespace

ThreadStopScope::ThreadStopScope(const std::atomic<bool>* flag) : previous_(t_stop) {
    if (flag != nullptr) {
        t_stop = flag;
    }
}

ThreadStopScope::~ThreadStopScope() {
    t_stop = previous_;
}

bool ThreadStopRequested() {
    return t_stop != nullptr && t_stop->load();
}

}  // namespace quorvel::platform
