// Start-up, the main window's run and the screenshot mode used by scripts/screenshots.
#include "app/lumarc_app.h"

#include <QApplication>
#include <cstdio>
#include <optional>

#include "app/command_line.h"
#include "app/language_table.h"
#include "app/prompter.h"
#include "app/quorvel_dlg.h"
#include "app/screenshot_run.h"
#include "app/simulated_pdu.h"
#include "app/single_instance.h"
#include "link/serial_trace.h"
#include "sim/fault_list.h"

namespace quorvel::app {

int CLumarcApp::run(const std::vector<std::string>& args) {
    const CommandLine cl = ParseCommandLine(args);
    if (!cl.error.empty()) {
        std::fprintf(stderr, "quorvel: %s\n", cl.error.c_str());
        return 2;
    }
    SetLanguageIndex(0);

    // A screenshot run never meets the operator's own window.
    std::optional<SingleInstance> instance;
    if (!cl.multiInstance && cl.screenshot.empty()) {
        instance.emplace();
        if (!instance->claim()) {
            return 0;  // the first instance came forward
        }
    }
    // Started once this is the one instance: a second start leaves the first one's trace alone.
    if (std::string error; !trace::StartFromOption(cl.trace, "quorvel", error)) {
        std::fprintf(stderr, "quorvel: %s\n", error.c_str());
        return 2;
    }
    struct TraceGuard {
        ~TraceGuard() { trace::Stop(); }
    } traceGuard;

    if (std::string error; !cl.screenshotTty.empty() && !UseTtyFixture(cl.screenshotTty, error)) {
        std::fprintf(stderr, "quorvel: --screenshot-tty: %s\n", error.c_str());
        return 2;
    }

    MessageBoxPrompter prompter;
    std::optional<SimulatedPdu> simulator;
    if (cl.simulate) {
        simulator.emplace();
        std::string error;
        sim::Faults faults;
        if (!sim::ParseFaultList(cl.simulateFaults, faults, error)) {
            std::fprintf(stderr, "quorvel: --simulate-faults: %s\n", error.c_str());
            return 2;
        }
        if (!simulator->start(*cl.simulate, faults, error)) {
            std::fprintf(stderr, "quorvel: %s\n", error.c_str());
            return 1;
        }
    }

    CQuorvelDlg dlg(cl.developer, prompter, simulator ? &*simulator : nullptr);
    if (instance) {
        instance->onActivate([&dlg] { dlg.bringForward(); });
    }
    int exitCode = 0;
    if (!cl.screenshot.empty()) {
        dlg.show();
        (new ScreenshotRun(dlg, cl, simulator.has_value(), exitCode))->start();
    }
    dlg.exec();
    return exitCode;
}

}  // namespace quorvel::app
