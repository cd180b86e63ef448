// The "Web Variables" dialog against simulated units: the load of thirteen entries, Save rules
// and the restart question, the option boxes, Initialize with its defaults and questions, the
// developer flag, Cancel during a pass, the dialog from the keyboard, and the main window's Web
// button.
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>

#include "app/init_dbase_dlg.h"
#include "dialog_test_support.h"
#include "sim/encoding.h"
#include "sim/web_database_server.h"
#include "support/keyboard_walk.h"

namespace quorvel::app {
namespace {

using test::Child;
using test_support::Names;
using test_support::Press;
using test_support::TabWalk;

class WebDialog : public test::SimulatedSession {
  protected:
    std::unique_ptr<CInitDbaseDlg> open(bool developer) {
        before = linesReceived();
        auto dlg = std::make_unique<CInitDbaseDlg>(developer ? 1 : 0, &pdu);
        dlg->show();
        idle(*dlg);
        return dlg;
    }
    static void idle(CInitDbaseDlg& dlg) {
        ASSERT_TRUE(QTest::qWaitFor([&] { return !dlg.busy(); }, test::kBoundMs));
    }
    static QLineEdit* edit(CInitDbaseDlg& dlg, const char* name) {
        return Child<QLineEdit>(dlg, name);
    }
    void save(CInitDbaseDlg& dlg) {
        before = linesReceived();
        Child<QPushButton>(dlg, "saveButton")->click();
        idle(dlg);
    }
    std::vector<std::string> sent() { return linesSince(before); }

    std::size_t before = 0;
};

TEST_F(WebDialog, OpeningLoadsAndShowsTheThirteenEditedEntries) {
    connect("v2");
    auto dlg = open(false);
    EXPECT_EQ(dlg->windowTitle(), "Web Variables");
    const std::vector<std::string> expected = {"h 5",  "h a",  "h b",  "h c",  "h 11",
                                               "h 5b", "h 5c", "h 5d", "h 5e", "h 5f",
                                               "h 60", "h 61", "h 62"};
    EXPECT_EQ(sent(), expected);
    EXPECT_EQ(edit(*dlg, "pduNameEdit")->text(), "PDUName");
    EXPECT_EQ(edit(*dlg, "ipAddressEdit")->text(), "192.168.123.123");
    EXPECT_EQ(edit(*dlg, "subnetMaskEdit")->text(), "255.255.255.0");
    EXPECT_EQ(edit(*dlg, "gatewayEdit")->text(), "192.168.123.1");
    EXPECT_EQ(edit(*dlg, "userName0")->text(), "kavro");
    EXPECT_EQ(edit(*dlg, "password0")->text(), "kavro");
    EXPECT_TRUE(edit(*dlg, "userName1")->text().isEmpty());
    EXPECT_FALSE(Child<QCheckBox>(*dlg, "dhcpBox")->isChecked());
    EXPECT_TRUE(Child<QCheckBox>(*dlg, "webEnabledBox")->isChecked());
    EXPECT_TRUE(Child<QCheckBox>(*dlg, "swUpdateBox")->isChecked());
    EXPECT_FALSE(Child<QCheckBox>(*dlg, "celsiusBox")->isChecked());
    EXPECT_EQ(Child<QProgressBar>(*dlg, "progressBar")->value(), 100);
    EXPECT_TRUE(Child<QLabel>(*dlg, "statusLine")->text().isEmpty());
    EXPECT_TRUE(Child<QPushButton>(*dlg, "saveButton")->isEnabled());
    // Without the developer flag there is no Initialize button.
    EXPECT_FALSE(Child<QPushButton>(*dlg, "initializeButton")->isVisible());
}

TEST_F(WebDialog, SaveSendsOnlyChangesAndAsksForARestartOnlyAfterNetworkChanges) {
    connect("v2");
    auto dlg = open(false);
    save(*dlg);
    EXPECT_TRUE(sent().empty());
    EXPECT_TRUE(prompter.shown.empty());

    edit(*dlg, "password0")->setText("n3w");
    save(*dlg);
    ASSERT_EQ(sent().size(), 1u);
    EXPECT_EQ(sent()[0].substr(0, 5), "H 5f ");
    EXPECT_TRUE(prompter.shown.empty());
    EXPECT_FALSE(dlg->networkChanged());
    EXPECT_TRUE(sim::webLogin(device(), "kavro", "n3w"));

    edit(*dlg, "gatewayEdit")->setText("192.168.123.254");
    prompter.script = {dialogs::Answer::Yes};
    save(*dlg);
    ASSERT_EQ(prompter.shown.size(), 1u);
    EXPECT_EQ(prompter.shown[0].title, "Save");
    EXPECT_EQ(prompter.shown[0].text,
              "Do you want to restart the PDU to apply the network setting changes?");
    idle(*dlg);
    EXPECT_TRUE(dlg->networkChanged());
    EXPECT_EQ(sent(), (std::vector<std::string>{"H b 192.168.123.254 0", "X 47310862"}));
    EXPECT_EQ(device().webServer.active.gateway[3], 254);

    // The flag stays set: the next save asks again, and No sends no restart.
    edit(*dlg, "userName1")->setText("tech");
    prompter.script = {dialogs::Answer::No};
    save(*dlg);
    EXPECT_EQ(prompter.shown.size(), 2u);
    EXPECT_EQ(sent().size(), 1u);
    EXPECT_EQ(device().networkRestarts, 1);
}

TEST_F(WebDialog, ARefusedWriteIsNamedAndRetriedByTheNextSave) {
    connect("v2");
    auto dlg = open(false);
    const auto gateway = device().variables.at(0x0b).elements;
    simulator.withConsole([](sim::Console& c) { c.device().writeProtected.insert(0x0b); });
    edit(*dlg, "gatewayEdit")->setText("192.168.123.254");
    edit(*dlg, "pduNameEdit")->setText("Rack7");
    save(*dlg);
    // The name lands; the refused gateway is named, and no restart is offered for it.
    ASSERT_EQ(prompter.shown.size(), 1u);
    EXPECT_EQ(prompter.shown[0].text, "Not written: Gateway.");
    EXPECT_EQ(device().variables.at(0x0b).elements, gateway);
    EXPECT_EQ(device().variables.at(0x11).elements[0], sim::textBytes("Rack7"));
    EXPECT_EQ(device().networkRestarts, 0);

    // Nothing typed since: the next Save writes the gateway again, and only that.
    simulator.withConsole([](sim::Console& c) { c.device().writeProtected.clear(); });
    prompter.script = {dialogs::Answer::Yes};
    save(*dlg);
    EXPECT_EQ(sent(), (std::vector<std::string>{"H b 192.168.123.254 0", "X 47310862"}));
    ASSERT_EQ(prompter.shown.size(), 2u);
    EXPECT_EQ(prompter.shown[1].text,
              "Do you want to restart the PDU to apply the network setting changes?");
    EXPECT_NE(device().variables.at(0x0b).elements, gateway);
    EXPECT_EQ(device().networkRestarts, 1);
}

TEST_F(WebDialog, SaveIsRefusedUntilALoadHasReadEverySetting) {
    // The line goes as the gateway is read: the Load stops short of it.
    sim::Faults faults;
    faults.anchor = "h b";
    faults.hangupAtLine = 1;
    connect("v2", nullptr, faults);
    auto dlg = open(false);
    edit(*dlg, "pduNameEdit")->setText("Rack7");
    save(*dlg);
    EXPECT_TRUE(sent().empty());
    ASSERT_EQ(prompter.shown.size(), 1u);
    EXPECT_EQ(prompter.shown[0].text,
              "Not every setting could be read from the PDU: Load them again before saving.");
}

TEST_F(WebDialog, OptionBoxesSetTheirBitsAndDhcpLocksTheAddresses) {
    connect("v2");
    auto dlg = open(false);
    auto* swUpdate = Child<QCheckBox>(*dlg, "swUpdateBox");
    prompter.script = {dialogs::Answer::No, dialogs::Answer::No};
    swUpdate->setChecked(false);
    save(*dlg);
    EXPECT_EQ(device().variableNumber(12, 0), 0x30u);
    swUpdate->setChecked(true);
    save(*dlg);
    EXPECT_EQ(device().variableNumber(12, 0), 0x10u);
    EXPECT_EQ(prompter.shown.size(), 2u);  // option bits are network settings

    Child<QCheckBox>(*dlg, "dhcpBox")->setChecked(true);
    EXPECT_FALSE(edit(*dlg, "ipAddressEdit")->isEnabled());
    EXPECT_FALSE(edit(*dlg, "subnetMaskEdit")->isEnabled());
    EXPECT_FALSE(edit(*dlg, "gatewayEdit")->isEnabled());
    EXPECT_TRUE(edit(*dlg, "pduNameEdit")->isEnabled());
    Child<QCheckBox>(*dlg, "dhcpBox")->setChecked(false);
    EXPECT_TRUE(edit(*dlg, "gatewayEdit")->isEnabled());
}

TEST_F(WebDialog, InitializeWritesTheDefaultsAndReloads) {
    connect("v3");
    pdu.currentRating = 223;  // a 20/20/30 A unit with three circuits
    ASSERT_EQ(pdu.circuitCount, 3);
    auto dlg = open(true);
    EXPECT_TRUE(Child<QPushButton>(*dlg, "initializeButton")->isVisible());
    edit(*dlg, "pduNameEdit")->setText("Unsaved");

    prompter.script = {dialogs::Answer::No};
    Child<QPushButton>(*dlg, "initializeButton")->click();
    EXPECT_EQ(prompter.shown.size(), 1u);
    EXPECT_FALSE(dlg->busy());

    prompter.script = {dialogs::Answer::Yes, dialogs::Answer::No};
    before = linesReceived();
    Child<QPushButton>(*dlg, "initializeButton")->click();
    ASSERT_TRUE(QTest::qWaitFor([&] { return prompter.shown.size() == 3; }, 60000));
    idle(*dlg);
    EXPECT_EQ(prompter.shown[1].title, "Initialize Database");
    EXPECT_EQ(prompter.shown[1].text,
              "Do you really want to Format and load default values to the Database?");
    EXPECT_EQ(prompter.shown[2].title, "Initialize");
    EXPECT_EQ(prompter.shown[2].text,
              "Initialized Database Successfully.\nDo you want to restart the PDU to apply the "
              "network setting changes?");
    const auto lines = sent();
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines.front(), "I 47310862");
    const sim::Device d = device();
    EXPECT_EQ(d.databaseFormats, 1);
    EXPECT_EQ(d.networkRestarts, 0);
    EXPECT_EQ(d.variableNumber(14, 0), 2000u);
    EXPECT_EQ(d.variableNumber(14, 1), 2000u);
    EXPECT_EQ(d.variableNumber(14, 2), 3000u);
    EXPECT_EQ(d.variableNumber(15, 2), 3000u);
    EXPECT_EQ(sim::variableText(d, 17), "PDUName");
    // The load after the pass shows the device's values again.
    EXPECT_EQ(lines.back(), "h 62");
    EXPECT_TRUE(QTest::qWaitFor([&] { return edit(*dlg, "pduNameEdit")->text() == "PDUName"; },
                                test::kBoundMs));
}

TEST_F(WebDialog, InitializeAsksAfterAFailedDefaultAndReportsAFailedFormat) {
    connect("v4", [](sim::Profile& p) { p.device.variables.erase(99); });
    auto dlg = open(true);
    prompter.script = {dialogs::Answer::Yes, dialogs::Answer::No, dialogs::Answer::No};
    Child<QPushButton>(*dlg, "initializeButton")->click();
    ASSERT_TRUE(QTest::qWaitFor([&] { return prompter.shown.size() == 4; }, 60000));
    idle(*dlg);
    EXPECT_EQ(prompter.shown[1].title, "Initialize Database");
    EXPECT_EQ(prompter.shown[1].text, "Failed Saving Default Value!\nDo you want to continue?");
    // Answered No: never reported as a success; the network items written ask for the restart.
    EXPECT_EQ(prompter.shown[2].title, "Initialize");
    EXPECT_TRUE(prompter.shown[2].text.startsWith("Initialize did not complete: "))
        << prompter.shown[2].text.toStdString();
    EXPECT_EQ(prompter.shown[3].text,
              "Do you want to restart the PDU to apply the network setting changes?");

    // With the session gone the format fails: nothing is written and the flag stays as it was.
    worker.requestStop();
    ASSERT_TRUE(worker.join(test::kBoundMs));
    prompter.script = {dialogs::Answer::Yes};
    Child<QPushButton>(*dlg, "initializeButton")->click();
    ASSERT_TRUE(QTest::qWaitFor([&] { return prompter.shown.size() == 6; }, test::kBoundMs));
    EXPECT_EQ(prompter.shown[5].title, "Initialize Database");
    EXPECT_EQ(prompter.shown[5].text, "Failed Formatting!");
    idle(*dlg);
    EXPECT_TRUE(Child<QPushButton>(*dlg, "loadButton")->isEnabled());
}

TEST_F(WebDialog, CancelEndsTheWorkerDuringAPass) {
    connect("v2");
    auto dlg = std::make_unique<CInitDbaseDlg>(0, &pdu);
    dlg->show();
    EXPECT_TRUE(dlg->busy());  // the opening load runs
    Child<QPushButton>(*dlg, "cancelButton")->click();
    EXPECT_EQ(dlg->result(), QDialog::Rejected);
    EXPECT_TRUE(QTest::qWaitFor([&] { return !dlg->workerRunning(); }, 5000));
    dlg.reset();  // the table goes away only now
}

// From the keyboard: the focus starts on the name, Tab reads the fields and boxes, Enter in a
// field neither saves nor closes, Enter on a button presses it, and Escape and the close box end
// the worker.
TEST_F(WebDialog, FromTheKeyboard) {
    connect("v2");
    auto dlg = open(true);
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
    before = linesReceived();
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
    EXPECT_TRUE(sent().empty());

    dlg = std::make_unique<CInitDbaseDlg>(0, &pdu);
    dlg->show();
    EXPECT_TRUE(dlg->close());
    EXPECT_TRUE(QTest::qWaitFor([&] { return !dlg->workerRunning(); }, 5000));
}

TEST_F(WebDialog, TheMainWindowsWebButtonOpensIt) {
    ASSERT_NO_FATAL_FAILURE(openMainWindow("v2", false));
    mainWindow.withDialog("webButton", [](QWidget& shown) {
        auto* dlg = qobject_cast<CInitDbaseDlg*>(&shown);
        ASSERT_NE(dlg, nullptr);
        ASSERT_NO_FATAL_FAILURE(idle(*dlg));
        EXPECT_EQ(edit(*dlg, "pduNameEdit")->text(), "PDUName");
        EXPECT_FALSE(Child<QPushButton>(*dlg, "initializeButton")->isVisible());
        Child<QPushButton>(*dlg, "cancelButton")->click();
    });
    ASSERT_NO_FATAL_FAILURE(mainWindow.disconnect());
}

}  // namespace
}  // namespace quorvel::app
