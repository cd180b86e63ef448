#include "cli/cli_session.h"

#include <chrono>
#include <fstream>
#include <nlohmann/json.hpp>
#include <ostream>

#include "link/messages.h"
#include "link/reply_items.h"
#include "link/transport.h"
#include "platform/port_map.h"
#include "sim/fault_list.h"
#include "sim/pty_simulator.h"

namespace quorvel::cli {

namespace {

// The worker's own limits end every session: five logins of five attempts on a silent line
// take about 80 s. This is only a backstop above that.
constexpr auto kConnectBound = std::chrono::seconds(240);
constexpr int kLogoffBoundMs = 60000;
constexpr int kPollMs = 250;
constexpr char kDefaultProfile[] = "v2";
constexpr int kRecordSettleMs = 1000;

std::string hintFor(const std::string& osError) {
    if (osError.find("Permission denied") != std::string::npos) {
        return "hint: the user must be in the group that owns the device, usually dialout "
               "(usermod -aG dialout USER, then log in again)";
    }
    if (osError.find("No such file") != std::string::npos) {
        return "hint: no device at that path; map the port with QUORVEL_COMn=/dev/ttyUSB0 or "
               "--port /dev/ttyUSB0";
    }
    if (osError.find("temporarily unavailable") != std::string::npos ||
        osError.find("busy") != std::string::npos) {
        return "hint: another program holds the port";
    }
    return {};
}

}  // namespace

EmbeddedSimulator::~EmbeddedSimulator() {
    if (!recordPath_.empty()) {
        // The serving thread takes the last bytes (the logout) a moment after they were written.
        settle(kRecordSettleMs);
        nlohmann::json lines = nlohmann::json::array();
        std::size_t bytes = 0;
        bool logout = false;
        withConsole([&](sim::Console& c) {
            for (const std::string& line : c.linesTaken()) {
                lines.push_back(line);
            }
            bytes = c.bytesTaken().size();
            logout = c.endsWithLogout();
        });
        std::ofstream file(recordPath_, std::ios::trunc);
        file << nlohmann::json{{"lines", lines}, {"bytes", bytes}, {"endsWithLogout", logout}}.dump(
                    1)
             << '\n';
    }
    stop();
}

std::unique_ptr<EmbeddedSimulator> StartSimulator(Context& ctx) {
    const std::string name = ctx.simulate->empty() ? kDefaultProfile : *ctx.simulate;
    sim::Profile profile;
    std::string error;
    if (!sim::loadProfile(name, profile, error)) {
        ctx.fail("simulator profile " + name + ": " + error, kExitUsage);
        return nullptr;
    }
    sim::Faults faults;
    if (!sim::ParseFaultList(ctx.simulateFaults, faults, error)) {
        ctx.fail("--simulate-faults: " + error, kExitUsage);
        return nullptr;
    }
    auto simulator = std::make_unique<EmbeddedSimulator>(ctx.simulateRecord);
    if (!simulator->start(std::move(profile), faults, ctx.simulateBaud, error)) {
        ctx.fail("could not start the simulator: " + error);
        return nullptr;
    }
    return simulator;
}

CliSession::CliSession(Context& ctx) : ctx_(ctx) {}

CliSession::~CliSession() {
    disconnect();
    if (overridden_) {
        platform::setPortOverride(record_.comPortIndex + 1, "");
    }
}

bool CliSession::selectDevice() {
    int port = 1;
    if (ctx_.simulate.has_value()) {
        simulator_ = StartSimulator(ctx_);
        if (!simulator_) {
            return false;
        }
        platform::setPortOverride(port, simulator_->slavePath());
        overridden_ = true;
    } else if (!ctx_.port.empty() && ctx_.port.front() == '/') {
        platform::setPortOverride(port, ctx_.port);
        overridden_ = true;
    } else if (!ctx_.port.empty()) {
        port = platform::parsePortNumber(ctx_.port);
        if (port == 0) {
            ctx_.fail("--port takes COM1..COM20, 1..20 or an absolute device path, not '" +
                          ctx_.port + "'",
                      kExitUsage);
            return false;
        }
    }
    record_.comPortIndex = static_cast<std::int16_t>(port - 1);
    return true;
}

void CliSession::reportFailure(const std::u16string& failure, const std::u16string& status) {
    std::string reason = Narrow(failure);
    std::string detail = Narrow(status);
    while (!detail.empty() && (detail.back() == '\n' || detail.back() == '\r')) {
        detail.pop_back();
    }
    if (!detail.empty()) {
        reason += ": " + detail;
    }
    std::string transportError = transport::LastError();
    while (!transportError.empty() && transportError.back() == '\n') {
        transportError.pop_back();
    }
    if (!transportError.empty() && transportError != detail) {
        reason += "; " + transportError;
    }
    const std::string osError = transport::LastOsError();
    if (!osError.empty()) {
        reason += " (" + transport::LastDevicePath() + ": " + osError + ")";
        if (std::string hint = hintFor(osError); !hint.empty()) {
            reason += "; " + hint;
        }
    }
    ctx_.fail(reason);
}

bool CliSession::connect(const std::atomic<bool>* cancel) {
    if (!selectDevice()) {
        return false;
    }
    stopEvent_ = platform::CreateNamedEvent(kStopEventName);
    record_.owner = std::make_shared<platform::MessagePort>(&queue_);
    worker_.start(record_);

    std::u16string failure;
    bool configReady = false;
    const auto deadline = std::chrono::steady_clock::now() + kConnectBound;
    while (std::chrono::steady_clock::now() < deadline) {
        if (cancel != nullptr && cancel->load()) {
            worker_.requestStop();
            worker_.join(kLogoffBoundMs);
            return false;
        }
        auto m = queue_.take(kPollMs);
        if (!m) {
            continue;
        }
        if (m->msg == UM_ACCESS_ERROR) {
            failure = record_.postedText(m->lParam);
        } else if (m->msg == UM_CONFIG_READY) {
            configReady = true;
        } else if (m->msg == UM_LINK_STATE && configReady && m->lParam == 0) {
            // Posted once the interface is published: device operations can run now.
            connected_ = true;
            return true;
        } else if (m->msg == UM_SESSION_ENDED) {
            worker_.join(kLogoffBoundMs);
            reportFailure(failure.empty() ? u"Session ended" : failure, record_.statusText());
            return false;
        }
    }
    worker_.requestStop();
    worker_.join(kLogoffBoundMs);
    ctx_.fail("the PDU did not answer within " + std::to_string(kConnectBound.count()) + " s");
    return false;
}

bool CliSession::disconnect() {
    if (!worker_.running()) {
        return worker_.join(0);
    }
    worker_.requestStop();
    const bool ended = worker_.join(kLogoffBoundMs);
    if (ended) {
        record_.owner->detach();
    }
    connected_ = false;
    return ended;
}

}  // namespace quorvel::cli
