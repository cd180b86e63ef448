// A connection for one quorvelctl run: picks the device (a COM port, a device path or the
// built-in simulator), runs the session worker up to its normal processing loop, and logs off
// when it goes away. Verbs run their device operations while it is connected.
#pragma once

#include <atomic>
#include <memory>
#include <string>

#include "cli/context.h"
#include "link/session_worker.h"
#include "platform/events.h"
#include "platform/message_target.h"

namespace quorvel::sim {
class PtySimulator;
}

namespace quorvel::cli {

// Starts the built-in simulated PDU of --simulate (its profile and --simulate-faults); null,
// with the reason reported through ctx, when it cannot.
std::unique_ptr<sim::PtySimulator> StartSimulator(Context& ctx);

class CliSession {
  public:
    explicit CliSession(Context& ctx);
    ~CliSession();  // stops the worker (logout) and the simulator
    CliSession(const CliSession&) = delete;
    CliSession& operator=(const CliSession&) = delete;

    // Sets the device up and connects. On failure the reason is reported through ctx and the
    // exit code set (2 for a usage error, 1 for a failed device); returns false. Once *cancel
    // turns true the login gives up (logging off what it began) and connect returns false
    // without a report.
    bool connect(const std::atomic<bool>* cancel = nullptr);
    // Logs off and waits for the worker to end; true when it ended in time.
    bool disconnect();

    SessionRecord& record() { return record_; }

  private:
    bool selectDevice();
    void reportFailure(const std::u16string& failure, const std::u16string& status);

    Context& ctx_;
    SessionRecord record_;
    platform::MessageQueue queue_;
    std::shared_ptr<platform::AutoResetEvent> stopEvent_;
    std::unique_ptr<sim::PtySimulator> simulator_;
    SessionWorker worker_;
    bool connected_ = false;
    bool overridden_ = false;  // this session mapped COM1 to a path of its own
};

}  // namespace quorvel::cli
