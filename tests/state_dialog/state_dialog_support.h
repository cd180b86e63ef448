// The state dialog's Qt tests against the simulated PDU: a simulator on a pseudo-terminal behind
// a COM port, a console logged in and published as the current interface (as the session worker
// does), the PDU record built from the simulated identity, and a prompter answering by script.
#pragma once

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QPushButton>
#include <QTest>
#include <cmath>
#include <memory>
#include <string>

#include "catalogue/attribute_loader.h"
#include "catalogue/attribute_tables.h"
#include "catalogue/model_profile_builder.h"
#include "common/device_address_block.h"
#include "common/state_ops.h"
#include "dialogs/prompter.h"
#include "dialogs/state_dlg.h"
#include "link/console_lease.h"
#include "link/pdu_ifce.h"
#include "link/state_operations.h"
#include "sim/profile.h"
#include "sim/pty_simulator.h"
#include "support/gui_session.h"
#include "support/scripted_prompter.h"
#include "support/sim_console.h"

namespace quorvel::dialogs::testing {

constexpr int kSimPort = 17;
constexpr int kValueBoundMs = 15000;

using ScriptedPrompter = test_support::ScriptedPrompter;

using gui_test::Child;
using gui_test::LabelText;

// The text the dialog shows for a reading in hundredths, as the console reports it.
inline QString Hundredths(double value) {
    return QString::asprintf("%.2f", static_cast<double>(std::lround(value * 100)) / 100.0);
}

class SimulatedConsole : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_NO_FATAL_FAILURE(gui_test::LoadShippedAttributes());
        SetDialogPrompter(&prompter);
    }
    void TearDown() override {
        SetDialogPrompter(nullptr);
        test::Unserve(kSimPort);
    }

    // Serves the profile (readings fixed unless drift is asked for), logs in and publishes the
    // console, and builds the record as the main window does.
    void connect(const char* profileName, int baud = 0, bool drift = false,
                 bool developer = false) {
        sim::Profile profile = test::LoadedProfile(profileName);
        profile.device.drift = drift;
        ASSERT_NO_FATAL_FAILURE(
            test::ServeAndLogIn(simulator, ifce, kSimPort, profile, sim::Faults{}, baud));
        const sim::Device d = simulator.deviceSnapshot();
        ASSERT_TRUE(BuildModelProfile(d.identity.feature, d.identity.attribute,
                                      d.identity.extension, &record));
        record.generationNumber = static_cast<std::uint8_t>(d.generationNumber());
        FillStateOps(ops, developer ? 1 : 0);
    }

    std::unique_ptr<CStateDlg> open() {
        auto dlg = std::make_unique<CStateDlg>(&record, &ops, &addresses);
        dlg->show();
        return dlg;
    }

    void device(const std::function<void(sim::Device&)>& change) {
        simulator.withConsole([&](sim::Console& c) { change(c.device()); });
    }
    // Status frames read so far (each ends with the alarm query "n").
    int alarmReads() {
        int n = 0;
        simulator.withConsole([&](sim::Console& c) {
            for (const std::string& line : c.receivedLines()) {
                n += line == "n" ? 1 : 0;
            }
        });
        return n;
    }

    ScriptedPrompter prompter;
    sim::PtySimulator simulator;
    PDUIfce ifce;
    PduRecord record{};
    StateOps ops;
    DeviceAddressBlock addresses{};
};

}  // namespace quorvel::dialogs::testing
