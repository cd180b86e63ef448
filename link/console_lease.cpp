#include "link/console_lease.h"

#include <atomic>

namespace quorvel {

namespace {

PDUIfce* g_current = nullptr;  // guarded by ConsoleMutex()
// A withdrawal waiting for the lease in progress: no further lease is handed out meanwhile, so
// a thread that retries in a loop cannot keep the session from ending.
std::atomic<bool> g_withdrawing{false};

}  // namespace

std::mutex& ConsoleMutex() {
    static std::mutex m;
    return m;
}

ConsoleLease::ConsoleLease() : lock_(ConsoleMutex(), std::defer_lock), current_(nullptr) {
    if (g_withdrawing.load()) {
        return;
    }
    lock_.lock();
    if (g_withdrawing.load()) {
        lock_.unlock();
        return;
    }
    current_ = g_current;
}

void PublishInterface(PDUIfce* ifce) {
    if (ifce == nullptr) {
        g_withdrawing.store(true);
    }
    std::lock_guard lock(ConsoleMutex());
    g_current = ifce;
    g_withdrawing.store(false);
}

}  // namespace quorvel
