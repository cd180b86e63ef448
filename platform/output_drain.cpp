// Letting what is queued for a serial device go out before its port closes, within a bound.
#include <algorithm>
#include <chrono>
#include <thread>

#include "platform/serial_device.h"

namespace quorvel::platform {

namespace {

constexpr long kSlackMs = 50;
constexpr long kMostMs = 1000;
constexpr int kLookEveryMs = 2;

}  // namespace

int OutputDrainBoundMs(long queuedBytes, int baud) {
    if (queuedBytes <= 0) {
        return 0;
    }
    // Ten bits a byte on the wire; an unknown rate counts as the slowest the line accepts.
    const long bitsPerSecond = std::max(baud, 110);
    const long wireMs = queuedBytes > kMostMs * bitsPerSecond / 10
                            ? kMostMs
                            : (queuedBytes * 10 * 1000 + bitsPerSecond - 1) / bitsPerSecond;
    return static_cast<int>(std::min(wireMs + kSlackMs, kMostMs));
}

bool DrainOutputQueue(const std::function<long()>& queued, int baud) {
    using Clock = std::chrono::steady_clock;
    long left = queued();
    if (left <= 0) {
        return true;
    }
    const auto deadline = Clock::now() + std::chrono::milliseconds(OutputDrainBoundMs(left, baud));
    while (Clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(kLookEveryMs));
        left = queued();
        if (left <= 0) {
            return true;
        }
    }
    return false;
}

}  // namespace quorvel::platform
