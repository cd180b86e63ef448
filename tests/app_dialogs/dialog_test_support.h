// What the dialog tests share: a scripted prompter, and a live session with a simulated PDU on a
// pseudo-terminal (its own simulator, so that tests can put loads on it and look inside).
#pragma once

#include <gtest/gtest.h>

#include <QTest>
#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/prompter.h"
#include "catalogue/attribute_loader.h"
#include "catalogue/attribute_tables.h"
#include "catalogue/model_profile_builder.h"
#include "common/model_profile.h"
#include "link/messages.h"
#include "link/session_worker.h"
#include "platform/events.h"
#include "platform/message_target.h"
#include "platform/port_map.h"
#include "sim/profile.h"
#include "sim/pty_simulator.h"
#include "support/gui_session.h"
#include "support/scripted_prompter.h"
#include "support/sim_console.h"

namespace quorvel::app::test {

constexpr int kBoundMs = 30000;

using test_support::IsolateSettings;

using gui_test::Child;

// A connected session to a simulated PDU: the session worker in its normal loop, the record
// the main window would hold, and the simulator itself.
class SimulatedSession : public ::testing::Test {
  protected:
    static constexpr int kPort = 15;

    void SetUp() override {
        IsolateSettings();
        static const bool loaded =
            LoadPDUAttributes(Attributes(), QUORVEL_BIN_DIR "/pduattribs.ini");
        ASSERT_TRUE(loaded);
        dialogs::SetDialogPrompter(&prompter);
    }
    void TearDown() override {
        if (worker.running()) {
            worker.requestStop();
            worker.join(kBoundMs);
        }
        mainWindow.end();
        simulator.stop();
        platform::setPortOverride(kPort, "");
        platform::setPortOverride(1, "");
        dialogs::SetDialogPrompter(nullptr);
    }

    // Starts the simulator with the profile (edited first when asked) and its faults, and
    // connects.
    void connect(const char* profileName, const std::function<void(sim::Profile&)>& edit = nullptr,
                 const sim::Faults& faults = {}) {
        sim::Profile profile;
        std::string error;
        ASSERT_TRUE(sim::loadProfile(profileName, profile, error)) << error;
        profile.device.drift = false;
        if (edit) {
            edit(profile);
        }
        ASSERT_TRUE(simulator.start(profile, faults, 0, error)) << error;
        platform::setPortOverride(kPort, simulator.slavePath());
        stopEvent = platform::CreateNamedEvent(kStopEventName);
        session.comPortIndex = kPort - 1;
        session.owner = std::make_shared<platform::MessagePort>(&queue);
        ASSERT_TRUE(worker.start(session));
        bool configReady = false;
        const auto deadline =
            std::chrono::steady_clock::now() + std::chrono::milliseconds(kBoundMs);
        bool connected = false;
        while (!connected && std::chrono::steady_clock::now() < deadline) {
            auto m = queue.take(100);
            if (!m) {
                continue;
            }
            configReady = configReady || m->msg == UM_CONFIG_READY;
            connected = configReady && m->msg == UM_LINK_STATE && m->lParam == 0;
            ASSERT_NE(m->msg, UM_SESSION_ENDED);
        }
        ASSERT_TRUE(connected);
        BuildModelProfile(session.featureWord, session.attributeWord, session.extensionWord, &pdu);
        pdu.featureWord = session.featureWord;
        pdu.attributeWord = session.attributeWord;
        pdu.extensionWord = session.extensionWord;
        pdu.generationNumber = session.generationNumber;
    }

    // Serves the profile behind COM1 instead and connects a main window there, one without a
    // simulated PDU of its own, as the operator's program starts.
    void openMainWindow(const char* profileName, bool developer) {
        ASSERT_NO_FATAL_FAILURE(
            quorvel::test::Serve(simulator, quorvel::test::LoadedProfile(profileName)));
        platform::setPortOverride(1, simulator.slavePath());
        mainWindow.show(developer);
        ASSERT_NO_FATAL_FAILURE(mainWindow.connect());
    }

    sim::Device device() { return simulator.deviceSnapshot(); }
    std::size_t linesReceived() {
        std::size_t n = 0;
        simulator.withConsole([&n](sim::Console& c) { n = c.commandLines(); });
        return n;
    }
    // Command lines received since the console had answered `from` of them.
    std::vector<std::string> linesSince(std::size_t from) {
        std::vector<std::string> out;
        simulator.withConsole([&](sim::Console& c) {
            const auto& all = c.receivedLines();
            const std::size_t total = c.commandLines();
            const std::size_t skip = total - std::min(total, all.size());
            for (std::size_t i = from > skip ? from - skip : 0; i < all.size(); ++i) {
                out.push_back(all[i]);
            }
        });
        return out;
    }
    bool shownWithTitle(const QString& title) const {
        for (const auto& s : prompter.shown) {
            if (s.title == title) {
                return true;
            }
        }
        return false;
    }

    test_support::ScriptedPrompter prompter{Answer::Ok};  // OK unless scripted
    sim::PtySimulator simulator;
    platform::MessageQueue queue;
    std::shared_ptr<platform::AutoResetEvent> stopEvent;
    SessionRecord session;
    SessionWorker worker;
    PduRecord pdu{};
    gui_test::MainWindow mainWindow{prompter};
};

}  // namespace quorvel::app::test
