#include "link/console_lease.h"

namespace quorvel {

namespace {

PDUIfce* g_current = nullptr;  // guarded by ConsoleMutex()

}  // namespace

std::mutex& ConsoleMutex() {
    static std::mutex m;
    return m;
}

ConsoleLease::ConsoleLease() : lock_(ConsoleMutex()), current_(g_current) {}

void PublishInterface(PDUIfce* ifce) {
    std::lock_guard lock(ConsoleMutex());
    g_current = ifce;
}

}  // namespace quorvel
