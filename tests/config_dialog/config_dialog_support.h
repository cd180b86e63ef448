// What the configuration dialog's tests share: the dialog over a record, an operations table
// and an address block, its controls by object name, and (for the suites that talk to a device)
// a simulated PDU served behind a COM port and logged in, with the record and the operations
// table the main program builds for it.
#pragma once

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QLineEdit>
#include <QTest>
#include <algorithm>
#include <cstdint>
#include <initializer_list>
#include <map>
#include <memory>

#include "catalogue/model_profile_builder.h"
#include "common/device_address_block.h"
#include "dialogs/config_dlg.h"
#include "link/config_operations.h"
#include "link/device_ops.h"
#include "link/pdu_ifce.h"
#include "sim/pty_simulator.h"
#include "support/gui_session.h"
#include "support/sim_console.h"

namespace quorvel::dialogs::testing {

// Where a circuit's group stands in the dialog's grid and how its receptacles are laid out.
struct CircuitShape {
    int receptacles;
    int layoutHigh, layoutLow;
    int columns, maxColumns;
};

// A switched and metered record with a sensor, rated 16 A, of the circuits given: their
// receptacles numbered on from one circuit to the next, each mapped to its own number.
inline PduRecord ShapedRecord(std::initializer_list<CircuitShape> circuits) {
    PduRecord r{};
    r.featureWord = 0x0700;
    r.currentRating = 16;
    std::fill(std::begin(r.receptaclePresent), std::end(r.receptaclePresent), kAbsent);
    std::fill(std::begin(r.receptacleInput), std::end(r.receptacleInput), kAbsent);
    int c = 0, row = 0;
    for (const CircuitShape& shape : circuits) {
        r.circuitVisible[c] = 1;
        r.circuitLayoutHigh[c] = static_cast<std::uint8_t>(shape.layoutHigh);
        r.circuitLayoutLow[c] = static_cast<std::uint8_t>(shape.layoutLow);
        r.receptacleColumns[c] = static_cast<std::uint8_t>(shape.columns);
        r.receptacleMaxColumns[c] = static_cast<std::uint8_t>(shape.maxColumns);
        for (int k = 0; k < shape.receptacles; ++k, ++row) {
            r.receptaclePresent[row] = static_cast<std::uint8_t>(row);
            r.receptacleInput[row] = static_cast<std::uint8_t>(c);
            r.receptacleMap[row] = static_cast<std::uint8_t>(row + 1);
        }
        ++c;
    }
    return r;
}

// The elements of each variable that differ between the two snapshots, by variable id; a
// variable without a change is left out.
inline std::map<int, int> ChangedElements(const sim::Device& before, const sim::Device& after) {
    std::map<int, int> changed;
    for (const auto& [id, var] : after.variables) {
        for (std::size_t e = 0; e < var.elements.size(); ++e) {
            if (var.elements[e] != before.variables.at(id).elements.at(e)) {
                ++changed[id];
            }
        }
    }
    return changed;
}

// The dialog over the fixture's record, operations and addresses.
template <typename Base = ::testing::Test>
class ConfigDialogTest : public Base {
  protected:
    void TearDown() override { dialog.reset(); }

    // A new dialog, shown.
    CConfigDlg& open() {
        dialog = std::make_unique<CConfigDlg>(&record, &ops, &addresses);
        dialog->show();
        return *dialog;
    }
    template <typename W>
    W* child(const QString& name) {
        return gui_test::Child<W>(*dialog, name);
    }
    template <typename W>
    W* child(const char* name) {
        return gui_test::Child<W>(*dialog, name);
    }
    QString text(const char* edit) { return child<QLineEdit>(edit)->text(); }
    void click(const char* button) { child<QAbstractButton>(button)->click(); }
    // Clicks the button and waits until the dialog's worker is idle again.
    void press(const char* button, int boundMs) {
        click(button);
        ASSERT_TRUE(QTest::qWaitFor([this] { return !dialog->busy(); }, boundMs)) << button;
    }

    PduRecord record{};
    ConfigOps ops;
    DeviceAddressBlock addresses{};
    std::unique_ptr<CConfigDlg> dialog;
};

// The same over a simulated PDU behind a COM port, logged in and published as the console.
template <typename Base = ::testing::Test>
class SimulatedConfigTest : public ConfigDialogTest<Base> {
  protected:
    void TearDown() override {
        ConfigDialogTest<Base>::TearDown();
        test::Unserve(port_);
    }

    // Serves the profile behind COM `port`, builds the record from the identity words the
    // device reports, as the main window does, and fills the operations table as the main
    // program does. Call it under ASSERT_NO_FATAL_FAILURE.
    void serve(const char* profile, int port) {
        ASSERT_NO_FATAL_FAILURE(gui_test::LoadShippedAttributes());
        port_ = port;
        ASSERT_NO_FATAL_FAILURE(
            test::ServeAndLogIn(simulator, ifce, port, test::LoadedProfile(profile)));
        std::uint16_t f = 0, e = 0;
        std::uint32_t a = 0;
        ASSERT_GE(ReadIdentity(&f, &a, &e, nullptr), 2);
        ASSERT_TRUE(BuildModelProfile(f, a, e, &this->record));
        FillConfigOps(this->ops, 0);
    }

    sim::PtySimulator simulator;
    PDUIfce ifce;

  private:
    int port_ = 0;
};

}  // namespace quorvel::dialogs::testing
