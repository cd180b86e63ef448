// The configuration dialog from the keyboard: Tab reads the general column, then each circuit
// group row by row across its receptacle columns, then the bottom buttons, skipping what is
// disabled; Enter in a field keeps the typed text and the dialog open, Enter and Space act on
// the focused button or box; Escape and the close box end the worker just as "OK" does.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QTest>
#include <algorithm>
#include <atomic>
#include <string>

#include "common/config_catalogue.h"
#include "config_dialog_support.h"
#include "dialogs/config_dlg.h"
#include "support/keyboard_walk.h"
#include "support/scripted_prompter.h"

namespace quorvel::dialogs {
namespace {

using test_support::Answer;
using test_support::PrompterScope;
using test_support::ScriptedPrompter;

constexpr int kBoundMs = 10000;

using test_support::Names;
using test_support::Press;
using test_support::TabWalk;

// The operations count for the test running. Its last dialog is closed and its worker waited
// for at the end: a dialog destroyed while open ends its worker without waiting, and that
// worker's close would come in during a later test.
class ConfigDialogKeyboard : public testing::ConfigDialogTest<> {
  protected:
    void SetUp() override {
        running_ = this;
        ops.ReadItem = [](std::int32_t, std::int32_t, std::int32_t, ConfigWorkerBlock*) {
            count(&ConfigDialogKeyboard::reads);
        };
        ops.Command = [](std::int32_t, std::int32_t, ConfigWorkerBlock*) {
            count(&ConfigDialogKeyboard::commands);
        };
        ops.Close = [](std::int32_t, ConfigWorkerBlock*) { count(&ConfigDialogKeyboard::closes); };
        // Circuit A shows four receptacles in two columns (1 and 2 in the first, 3 and 4 in the
        // second), circuit B two beside it.
        record = testing::ShapedRecord({{4, 1, 1, 2, 2}, {2, 2, 1, 1, 2}});
    }

    void TearDown() override {
        if (dialog) {
            dialog->close();
            EXPECT_TRUE(QTest::qWaitFor([this] { return !dialog->workerRunning(); }, 5000));
        }
        ConfigDialogTest::TearDown();
        running_ = nullptr;
    }
    static void count(std::atomic<int> ConfigDialogKeyboard::*counter) {
        if (ConfigDialogKeyboard* test = running_.load()) {
            ++(test->*counter);
        }
    }

    std::atomic<int> reads{0}, commands{0}, closes{0};
    ScriptedPrompter prompter{Answer::No};
    PrompterScope scope{prompter};

  private:
    static inline std::atomic<ConfigDialogKeyboard*> running_{nullptr};
};

TEST_F(ConfigDialogKeyboard, TabReadsTheColumnThenEachGroupRowByRow) {
    CConfigDlg& dlg = open();
    auto* first = child<QLineEdit>("edit_cLogInterval");
    ASSERT_EQ(dlg.focusWidget(), first);
    Names expected;
    const auto add = [&expected](std::initializer_list<std::string> names) {
        expected.insert(expected.end(), names);
    };
    // The MAC address and, without the developer flag, the passwords and KOVA name are disabled.
    for (const char* key :
         {"cAlarmInterval", "cLogDiff", "cDevConnLPort", "cKovaConnLPort", "cDevBroadLPort",
          "cKovaBroadLPort", "cKovaIP", "cDeviceIP", "cSubnetMask", "cGateway"}) {
        add({std::string("edit_") + key});
    }
    add({"check_AutoIP", "check_Hosts", "check_WEB", "check_SWU", "check_C"});
    for (const char* key : {"cDns1IP", "cDns2IP", "cDns3IP", "cDeviceName", "cMinTempLimit",
                            "cMaxTempLimit", "cMinHumidLimit", "cMaxHumidLimit"}) {
        add({std::string("edit_") + key});
    }
    // Circuit A row by row (receptacles 1 and 3, then 2 and 4), its limits, then circuit B.
    for (int n : {1, 3, 2, 4, 5, 6}) {
        if (n == 5) {
            add({"edit_cCircAMaxCurrent", "edit_cCircALockCurrent"});
        }
        const std::string k = std::to_string(n);
        add({"edit_cRecepName" + k, "edit_cRecepOnDelay" + k, "edit_cRecepResDelay" + k,
             "check_powerOn" + k});
    }
    add({"edit_cCircBMaxCurrent", "edit_cCircBLockCurrent"});
    // Save stays disabled until a load.
    add({"formatButton", "setDefaultsButton", "resetNetButton", "clearButton", "loadButton",
         "okButton", "edit_cLogInterval"});
    EXPECT_EQ(TabWalk(dlg), expected);

    // AutoIP, ticked with Space, disables the three addresses, and Tab passes them by.
    auto* autoIp = child<QCheckBox>("check_AutoIP");
    autoIp->setFocus();
    QTest::keyClick(autoIp, Qt::Key_Space);
    ASSERT_TRUE(autoIp->isChecked());
    auto* kovaIp = child<QLineEdit>("edit_cKovaIP");
    kovaIp->setFocus();
    QTest::keyClick(kovaIp, Qt::Key_Tab);
    EXPECT_EQ(dlg.focusWidget(), autoIp);
    QTest::keyClick(autoIp, Qt::Key_Tab, Qt::ShiftModifier);
    EXPECT_EQ(dlg.focusWidget(), kovaIp);
}

TEST_F(ConfigDialogKeyboard, EnterKeepsTheEditsEscapeAndTheCloseBoxEndTheWorker) {
    CConfigDlg& dlg = open();
    auto* edit = child<QLineEdit>("edit_cLogInterval");
    QTest::keyClicks(edit, "120");
    QTest::keyClick(edit, Qt::Key_Return);
    QTest::keyClick(child<QCheckBox>("check_powerOn3"), Qt::Key_Enter);
    EXPECT_TRUE(dlg.isVisible());
    EXPECT_EQ(edit->text(), "120");

    // Enter presses the focused button: Load reads the items, Format asks first.
    auto* load = child<QPushButton>("loadButton");
    load->setFocus();
    QTest::keyClick(load, Qt::Key_Return);
    ASSERT_TRUE(QTest::qWaitFor([&] { return reads > 0 && !dlg.busy(); }, kBoundMs));
    EXPECT_TRUE(child<QPushButton>("saveButton")->isEnabled());
    auto* format = child<QPushButton>("formatButton");
    format->setFocus();
    QTest::keyClick(format, Qt::Key_Return);
    ASSERT_EQ(prompter.shown.size(), 1u);
    EXPECT_EQ(prompter.shown[0].title, "Format");
    EXPECT_TRUE(dlg.isVisible());

    // Escape closes without asking anything and without a device command.
    QTest::keyClick(edit, Qt::Key_Escape);
    EXPECT_FALSE(dlg.isVisible());
    EXPECT_EQ(dlg.result(), QDialog::Rejected);
    EXPECT_TRUE(QTest::qWaitFor([&] { return !dlg.workerRunning(); }, 5000));
    EXPECT_EQ(closes, 1);
    EXPECT_EQ(commands, 0);
    EXPECT_EQ(prompter.shown.size(), 1u);

    CConfigDlg& again = open();
    // The close box: the dialog ends once its open operation has (at once on an idle line).
    again.close();
    EXPECT_TRUE(QTest::qWaitFor([&] { return !again.isVisible(); }, 5000));
    EXPECT_TRUE(QTest::qWaitFor([&] { return !again.workerRunning(); }, 5000));
    EXPECT_EQ(closes, 2);
}

TEST_F(ConfigDialogKeyboard, ATallPageScrollsToTheFocusedFieldAndTakesNoStopOfItsOwn) {
    // Circuit A alone with thirty receptacles in one column: the page scrolls.
    record = testing::ShapedRecord({{30, 1, 1, 1, 30}});
    CConfigDlg& dlg = open();
    ASSERT_TRUE(dlg.plannedLayout().scrolls);
    auto* scroll = child<QScrollArea>("configScroll");
    const Names walk = TabWalk(dlg);
    EXPECT_EQ(std::count_if(walk.begin(), walk.end(),
                            [](const std::string& n) { return n.empty() || n == "configScroll"; }),
              0);
    // Tab came round from OK to the first field: the page is back at its top.
    ASSERT_EQ(dlg.focusWidget()->objectName(), "edit_cLogInterval");
    EXPECT_EQ(scroll->verticalScrollBar()->value(), 0);
    auto* last = child<QCheckBox>("check_powerOn30");
    last->setFocus();
    QTest::keyClick(last, Qt::Key_Tab);
    EXPECT_EQ(dlg.focusWidget()->objectName(), "edit_cCircAMaxCurrent");
    EXPECT_GT(scroll->verticalScrollBar()->value(), 0);
    EXPECT_FALSE(dlg.focusWidget()->visibleRegion().isEmpty());  // in view
}

}  // namespace
}  // namespace quorvel::dialogs
