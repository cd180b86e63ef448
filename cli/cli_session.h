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
#include "sim/pty_simulator.h"

namespace quorvel::cli {

// The built-in simulated PDU of one run. When it goes away (after the session has logged off)
// it writes what it took in to the file of --simulate-record, then stops.
class EmbeddedSimulator : public sim::PtySimulator {
  public:
    explicit EmbeddedSimulator(std::string recordPath) : recordPath_(std::move(recordPath)) {}
    ~EmbeddedSimulator();
    EmbeddedSimulator(const EmbeddedSimulator&) = delete;
    EmbeddedSimulator& operator=(const EmbeddedSimulator&) = delete;

  private:
    std::string recordPath_;
};

// Starts the built-in simulated PDU of --simulate (its profile, --simulate-faults and
// --simulate-baud); null, with the reason reported through ctx, when it cannot.
std::unique_ptr<EmbeddedSimulator> StartSimulator(Context& ctx);

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
    std::unique_ptr<EmbeddedSimulator> simulator_;
    SessionWorker worker_;
    bool connected_ = false;
    bool overridden_ = false;  // this session mapped COM1 to a path of its own
};

}  // namespace quorvel::cli
