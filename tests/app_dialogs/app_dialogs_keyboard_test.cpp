// The calibration and web database dialogs from the keyboard: where the focus starts, the Tab
// order, Space and Enter on the focused control (never a default button from a field), and
// Escape and the close box ending the worker without touching the device.
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <string>
#include <vector>

#include "app/calibration_dlg.h"
#include "app/init_dbase_dlg.h"
#include "dialog_test_support.h"
#include "link/calibration_ops.h"
#include "support/keyboard_walk.h"

namespace quorvel::app {
namespace {

using test::Child;
using test_support::Names;
using test_support::Press;
using test_support::TabWalk;

class AppDialogsKeyboard : public test::SimulatedSession {};

TEST_F(AppDialogsKeyboard, CalibrationDialog) {
    connect("v2");
    CalibrationOps ops;
    FillCalibrationOps(ops, 1);
    auto dlg = std::make_unique<CPDUCalibDlg>(&pdu, &ops, &session);
    dlg->show();
    ASSERT_TRUE(QTest::qWaitFor([&] { return dlg->opened(); }, test::kBoundMs));
    auto* channels = Child<QListWidget>(*dlg, "channelList");
    ASSERT_EQ(dlg->focusWidget(), channels);
    // The voltage group is hidden on this unit.
    EXPECT_EQ(TabWalk(*dlg), (Names{"sampleLowButton", "sampleHighButton", "calibrateButton",
                                    "saveButton", "cancelButton", "rebootButton", "currentLowEdit",
                                    "currentHighEdit", "currentThresholdEdit", "channelList"}));

    // Down picks the next channel; Space samples it.
    QTest::keyClick(channels, Qt::Key_Down);
    EXPECT_EQ(channels->currentRow(), 1);
    Press(*dlg, "sampleLowButton", Qt::Key_Space);
    EXPECT_TRUE(Child<QCheckBox>(*dlg, "sampleLowButton")->isChecked());
    auto* lowRaw = Child<QLabel>(*dlg, "lowRawText");
    EXPECT_TRUE(QTest::qWaitFor([&] { return lowRaw->text().startsWith("0x"); }, test::kBoundMs));

    // Enter in a reference field does nothing; Enter on Calibrate and Reboot PDU presses them.
    auto* low = Child<QLineEdit>(*dlg, "currentLowEdit");
    low->selectAll();
    QTest::keyClicks(low, "0.75");
    QTest::keyClick(low, Qt::Key_Return);
    EXPECT_TRUE(dlg->isVisible());
    EXPECT_EQ(low->text(), "0.75");
    EXPECT_TRUE(prompter.shown.empty());
    Press(*dlg, "calibrateButton", Qt::Key_Return);
    ASSERT_EQ(prompter.shown.size(), 1u);
    EXPECT_EQ(prompter.shown[0].title, "LUMARC FAILED CALIBRATION");  // no high sample yet
    prompter.script = {dialogs::Answer::Cancel};
    Press(*dlg, "rebootButton", Qt::Key_Enter);
    ASSERT_EQ(prompter.shown.size(), 2u);
    EXPECT_EQ(prompter.shown[1].title, "REBOOT PDU");

    // Escape cancels: the worker ends, nothing is stored and the PDU is not rebooted.
    QTest::keyClick(low, Qt::Key_Escape);
    EXPECT_EQ(dlg->result(), QDialog::Rejected);
    EXPECT_FALSE(dlg->isVisible());
    EXPECT_TRUE(QTest::qWaitFor([&] { return dlg->workerFinished(); }, 5000));
    EXPECT_EQ(device().calibrationStores, 0);
    EXPECT_EQ(device().reboots, 0);

    dlg = std::make_unique<CPDUCalibDlg>(&pdu, &ops, &session);
    dlg->show();
    EXPECT_TRUE(dlg->close());
    EXPECT_TRUE(QTest::qWaitFor([&] { return dlg->workerFinished(); }, 5000));
}

TEST_F(AppDialogsKeyboard, WebDialog) {
    connect("v2");
    auto dlg = std::make_unique<CInitDbaseDlg>(1, &pdu);
    dlg->show();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !dlg->busy(); }, test::kBoundMs));
    ASSERT_EQ(dlg->focusWidget(), Child<QWidget>(*dlg, "pduNameEdit"));
    EXPECT_EQ(TabWalk(*dlg),
              (Names{"ipAddressEdit", "subnetMaskEdit", "gatewayEdit",  "dhcpBox",
                     "webEnabledBox", "swUpdateBox",    "celsiusBox",   "userName0",
                     "password0",     "userName1",      "password1",    "userName2",
                     "password2",     "userName3",      "password3",    "initializeButton",
                     "loadButton",    "saveButton",     "cancelButton", "pduNameEdit"}));

    // Space on DHCP locks the addresses, and Tab passes them by.
    Press(*dlg, "dhcpBox", Qt::Key_Space);
    EXPECT_TRUE(Child<QCheckBox>(*dlg, "dhcpBox")->isChecked());
    auto* name = Child<QLineEdit>(*dlg, "pduNameEdit");
    name->setFocus();
    QTest::keyClick(name, Qt::Key_Tab);
    EXPECT_EQ(dlg->focusWidget()->objectName(), "dhcpBox");

    // Enter in a field neither saves nor closes; Enter on Initialize asks before anything.
    const std::size_t before = linesReceived();
    name->selectAll();
    QTest::keyClicks(name, "Rack7");
    QTest::keyClick(name, Qt::Key_Return);
    EXPECT_TRUE(dlg->isVisible());
    EXPECT_EQ(name->text(), "Rack7");
    EXPECT_TRUE(prompter.shown.empty());
    prompter.script = {dialogs::Answer::No};
    Press(*dlg, "initializeButton", Qt::Key_Return);
    ASSERT_EQ(prompter.shown.size(), 1u);
    EXPECT_EQ(prompter.shown[0].title, "Initialize Database");

    // Escape ends the worker and closes; nothing reached the PDU since the load.
    QTest::keyClick(name, Qt::Key_Escape);
    EXPECT_EQ(dlg->result(), QDialog::Rejected);
    EXPECT_TRUE(QTest::qWaitFor([&] { return !dlg->workerRunning(); }, 5000));
    EXPECT_TRUE(linesSince(before).empty());

    dlg = std::make_unique<CInitDbaseDlg>(0, &pdu);
    dlg->show();
    EXPECT_TRUE(dlg->close());
    EXPECT_TRUE(QTest::qWaitFor([&] { return !dlg->workerRunning(); }, 5000));
}

}  // namespace
}  // namespace quorvel::app
