// Start-up, the main window's run and the screenshot mode used by scripts/screenshots.
#include "app/lumarc_app.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QPixmap>
#include <QTimer>
#include <cstdio>
#include <optional>

#include "app/command_line.h"
#include "app/language_table.h"
#include "app/prompter.h"
#include "app/quorvel_dlg.h"
#include "app/simulated_pdu.h"
#include "app/single_instance.h"

namespace quorvel::app {

namespace {

constexpr int kScreenshotConnectBoundMs = 30000;
constexpr int kScreenshotPollMs = 50;

// Renders the window once it shows what it should (connected, when a simulator stands behind the
// port), writes the PNG and ends the dialog. The exit code says whether all went well.
void ScheduleScreenshot(CQuorvelDlg& dlg, const QString& file, bool connect, int& exitCode) {
    auto* clock = new QElapsedTimer;
    clock->start();
    auto* timer = new QTimer(&dlg);
    timer->setInterval(kScreenshotPollMs);
    QObject::connect(timer, &QTimer::timeout, &dlg, [&dlg, timer, clock, file, connect, &exitCode] {
        const bool ready = !connect || dlg.sessionReady();
        const bool failed = connect && dlg.workersStarted() > 0 && !dlg.sessionRunning();
        const bool late = clock->elapsed() > kScreenshotConnectBoundMs;
        if (!ready && !failed && !late) {
            return;
        }
        timer->stop();
        delete clock;
        if (!ready) {
            std::fprintf(stderr, "quorvel: the simulated PDU did not connect within %d s\n",
                         kScreenshotConnectBoundMs / 1000);
            exitCode = 1;
        }
        if (!dlg.grab().save(file, "PNG")) {
            std::fprintf(stderr, "quorvel: cannot write %s\n", qPrintable(file));
            exitCode = 1;
        }
        dlg.onDisconnect();
        dlg.done(0);
    });
    if (connect) {
        QTimer::singleShot(0, &dlg, [&dlg] { dlg.onConnect(); });
    }
    timer->start();
}

}  // namespace

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

    MessageBoxPrompter prompter;
    std::optional<SimulatedPdu> simulator;
    if (cl.simulate) {
        simulator.emplace();
        std::string error;
        if (!simulator->start(*cl.simulate, error)) {
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
        ScheduleScreenshot(dlg, QString::fromStdString(cl.screenshot), simulator.has_value(),
                           exitCode);
    }
    dlg.exec();
    return exitCode;
}

}  // namespace quorvel::app
