// quorvelctl verbs of live monitoring: one status snapshot, switching, reset and clearing the
// alarms, each through the state operations the state dialog uses.
#include <CLI/CLI.hpp>

#include <cstdio>
#include <functional>
#include <memory>

#include "cli/cli_session.h"
#include "cli/context.h"
#include "cli/live_state.h"
#include "common/state_ops.h"
#include "common/status_frame.h"
#include "link/reply_items.h"

namespace quorvel::cli {

namespace {

std::string hex(const std::uint8_t* bytes, std::size_t n) {
    return EncodeHexPairs(bytes, n);
}

std::string hexBytes(const std::vector<std::uint8_t>& v) {
    return hex(v.data(), v.size());
}

nlohmann::json statusJson(const LiveState& m, const StatusFrameView& f) {
    char model[32];
    std::snprintf(model, sizeof model, "%4.4X:%8.8X:%4.4X", unsigned{m.block.modelFeature},
                  unsigned{m.block.modelAttribute}, unsigned{m.block.modelExtension});
    char version[16];
    std::snprintf(version, sizeof version, "%u.%u.%u", unsigned{m.block.firmwareVersion[0]},
                  unsigned{m.block.firmwareVersion[1]}, unsigned{m.block.firmwareVersion[2]});
    return {
        {"frame", hex(m.block.statusFrame, f.length)},
        {"firmwareVersion", version},
        {"modelNumber", model},
        {"displayOptions", m.block.displayOptions},
        {"voltages", f.voltages},
        {"circuitCurrents", f.circuitCurrents},
        {"receptacleCurrents", f.receptacleCurrents},
        {"state", hexBytes(f.state)},
        {"blocked", hexBytes(f.blocked)},
        {"temperatures", f.temperatures},
        {"humidities", f.humidities},
        {"alarm", f.alarmWord},
        {"lock", f.lockWord},
    };
}

// Sets receptacle n (1..48) in a two-word mask.
void setBit(std::uint32_t (&mask)[2], int n) {
    const int bit = n - 1;
    mask[bit / 32] |= 1u << (bit % 32);
}

void runRequest(Context& ctx, std::uint8_t code, const std::function<void(StateWorkerBlock&)>& fill,
                nlohmann::json done) {
    CliSession session(ctx);
    if (!session.connect()) {
        return;
    }
    std::string error;
    bool ok = false;
    {
        LiveState m(session.record());
        fill(m.block);
        ok = m.ops.RunCommand(m.handle, code, &m.block) != 0;
        error = ok ? std::string{} : ConsoleReason();
    }
    session.disconnect();
    if (!ok) {
        ctx.fail(error.empty() ? "the PDU refused the request" : error);
        return;
    }
    ctx.printJson(done);
}

}  // namespace

void registerStateCommands(CLI::App& app, Context& ctx) {
    auto* status = app.add_subcommand("status", "One live-state snapshot of the PDU");
    status->callback([&ctx] {
        if (!ctx.loadAttributes()) {
            return;
        }
        CliSession session(ctx);
        if (!session.connect()) {
            return;
        }
        nlohmann::json snapshot;
        std::string error;
        {
            LiveState m(session.record());
            m.readIdentity();
            StatusFrameView f;
            if (m.readStatus(f)) {
                snapshot = statusJson(m, f);
            } else {
                error = ConsoleReason();
            }
        }
        session.disconnect();
        if (snapshot.is_null()) {
            ctx.fail("no status frame" + (error.empty() ? std::string{} : ": " + error));
            return;
        }
        ctx.printJson(snapshot);
    });

    auto number = std::make_shared<int>(0);
    auto onOff = std::make_shared<std::string>();
    auto* sw = app.add_subcommand("switch", "Switch receptacle N on or off");
    sw->add_option("N", *number, "Receptacle 1..48")->required()->check(CLI::Range(1, 48));
    sw->add_option("STATE", *onOff, "on or off")->required()->check(CLI::IsMember({"on", "off"}));
    sw->callback([&ctx, number, onOff] {
        if (!ctx.loadAttributes()) {
            return;
        }
        const bool on = *onOff == "on";
        runRequest(ctx, kRunSwitch,
                   [&](StateWorkerBlock& b) { setBit(on ? b.onMask : b.offMask, *number); },
                   {{"switched", *number}, {"on", on}});
    });

    auto resetNumber = std::make_shared<int>(0);
    auto* reset = app.add_subcommand("reset", "Power-cycle receptacle N");
    reset->add_option("N", *resetNumber, "Receptacle 1..48")->required()->check(CLI::Range(1, 48));
    reset->callback([&ctx, resetNumber] {
        if (!ctx.loadAttributes()) {
            return;
        }
        runRequest(ctx, kRunReset, [&](StateWorkerBlock& b) { setBit(b.resetMask, *resetNumber); },
                   {{"reset", *resetNumber}});
    });

    auto* clear = app.add_subcommand("clear-alarms", "Clear the PDU's alarms");
    clear->callback([&ctx] {
        if (!ctx.loadAttributes()) {
            return;
        }
        runRequest(ctx, kRunClearAlarms, [](StateWorkerBlock&) {}, {{"alarmsCleared", true}});
    });
}

}  // namespace quorvel::cli
