// The retry rule of every device operation: up to five tries, each taking the current
// interface afresh under the console lease, giving up at once when there is none, or when the
// worker running the operation was asked to stop (its dialog closed). An operation that ends
// without any answer from the device (no session, or a line gone quiet) tells its worker so.
#pragma once

#include "link/console_lease.h"
#include "link/pdu_ifce.h"
#include "platform/thread_stop.h"

namespace quorvel {

constexpr int kDeviceTries = 5;

template <typename Attempt>
bool WithTries(Attempt attempt) {
    for (int i = 0; i < kDeviceTries; ++i) {
        if (platform::ThreadStopRequested()) {
            return false;
        }
        ConsoleLease lease;
        PDUIfce* ifce = lease.get();
        if (ifce == nullptr) {
            platform::NoteUnanswered();
            return false;
        }
        if (attempt(*ifce)) {
            return true;
        }
        if (i == kDeviceTries - 1 && ifce->Unanswered()) {
            platform::NoteUnanswered();
        }
    }
    return false;
}

}  // namespace quorvel
