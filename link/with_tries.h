// The retry rule of every device operation: up to five tries, each taking the current
// interface afresh under the console lease, giving up at once when there is none.
#pragma once

#include "link/console_lease.h"
#include "link/pdu_ifce.h"

namespace quorvel {

constexpr int kDeviceTries = 5;

template <typename Attempt>
bool WithTries(Attempt attempt) {
    for (int i = 0; i < kDeviceTries; ++i) {
        ConsoleLease lease;
        PDUIfce* ifce = lease.get();
        if (ifce == nullptr) {
            return false;
        }
        if (attempt(*ifce)) {
            return true;
        }
    }
    return false;
}

}  // namespace quorvel
