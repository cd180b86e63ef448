// The state dialog from the keyboard: Tab reads the circuit groups one at a time in grid order
// and each group row by row, skipping the disabled "R" buttons; Space and Enter act on the
// focused control; Enter elsewhere closes the view like "OK"; Escape and the close box stop the
// worker just as "OK" does.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QPushButton>
#include <QTest>
#include <algorithm>
#include <atomic>
#include <memory>
#include <vector>

#include "dialog_logic/state_test_records.h"
#include "dialogs/state_dlg.h"
#include "support/gui_session.h"
#include "support/keyboard_walk.h"
#include "support/scripted_prompter.h"

namespace quorvel::dialogs {
namespace {

using test_support::Answer;
using test_support::PrompterScope;
using test_support::ScriptedPrompter;

// Circuit X holds four receptacles in two columns (rows 0 and 1 in the first, 2 and 3 in the
// second); circuit Y stands beside it and circuit Z below it, two receptacles each.
PduRecord GridRecord() {
    PduRecord r = testing::StackedRecord(3, 4);
    r.receptacleColumns[0] = 2;
    r.receptacleMaxColumns[0] = 2;
    for (int c = 1; c < 3; ++c) {
        r.receptaclesPerCircuit[c] = 2;
        r.receptacleMaxColumns[c] = 2;
    }
    for (int row : {6, 7, 10, 11}) {
        r.receptaclePresent[row] = kAbsent;
        r.receptacleInput[row] = kAbsent;
    }
    r.circuitLayoutHigh[1] = 2;
    r.circuitLayoutLow[1] = 1;
    r.circuitLayoutLow[2] = 2;
    return r;
}

using gui_test::Child;
using test_support::Names;
using test_support::Press;
using test_support::TabWalk;

// The dialogs a test opens live until its end, when each is closed and its worker waited for:
// a dialog destroyed while open ends its worker without waiting, and that worker's close would
// come in during a later test. The closes are counted for the test running.
class StateDialogKeyboard : public ::testing::Test {
  protected:
    void SetUp() override { running_ = this; }
    void TearDown() override {
        for (const auto& dlg : dialogs_) {
            dlg->close();
            EXPECT_TRUE(dlg->waitWorkerEnded());
        }
        dialogs_.clear();
        running_ = nullptr;
    }
    static void countClose(std::int32_t, StateWorkerBlock*) {
        if (StateDialogKeyboard* test = running_.load()) {
            ++test->closes;
        }
    }

    CStateDlg* open(bool developer) {
        ops.developerFlag = developer ? 1 : 0;
        ops.CloseDevice = &countClose;
        dialogs_.push_back(std::make_unique<CStateDlg>(&record, &ops, &addresses));
        dialogs_.back()->show();
        return dialogs_.back().get();
    }

    std::atomic<int> closes{0};
    ScriptedPrompter prompter{Answer::No};
    PrompterScope scope{prompter};
    PduRecord record = GridRecord();
    StateOps ops;
    DeviceAddressBlock addresses{};

  private:
    static inline std::atomic<StateDialogKeyboard*> running_{nullptr};
    std::vector<std::unique_ptr<CStateDlg>> dialogs_;
};

TEST_F(StateDialogKeyboard, TabReadsTheGroupsRowByRowFromOk) {
    auto dlg = open(true);
    ASSERT_EQ(dlg->focusWidget(), Child<QPushButton>(*dlg, "okButton"));
    const Names forward = {"rowSwitch0", "rowSwitch2", "rowSwitch1", "rowSwitch3", "setAll0",
                           "clearAll0",  "rowSwitch4", "rowSwitch5", "setAll1",    "clearAll1",
                           "rowSwitch8", "rowSwitch9", "setAll2",    "clearAll2",  "okButton"};
    EXPECT_EQ(TabWalk(*dlg), forward);
    Names backward = forward;
    std::reverse(backward.begin(), backward.end() - 1);
    EXPECT_EQ(TabWalk(*dlg, true), backward);

    // Space switches the focused receptacle on (no question for the developer); its "R" is then
    // enabled and follows it, and Enter on it resets the outlet instead of closing the dialog.
    auto* check = Child<QCheckBox>(*dlg, "rowSwitch2");
    Press(*dlg, "rowSwitch2", Qt::Key_Space);
    EXPECT_TRUE(check->isChecked());
    auto* reset = Child<QPushButton>(*dlg, "rowReset2");
    ASSERT_TRUE(reset->isEnabled());
    QTest::keyClick(check, Qt::Key_Tab);
    EXPECT_EQ(dlg->focusWidget(), reset);
    QTest::keyClick(reset, Qt::Key_Return);
    EXPECT_FALSE(reset->isEnabled());  // the reset is under way
    EXPECT_TRUE(dlg->isVisible());
    // Space on "Clear All" of circuit Y switches its outlets off.
    auto* on = Child<QCheckBox>(*dlg, "rowSwitch4");
    Press(*dlg, "rowSwitch4", Qt::Key_Space);
    ASSERT_TRUE(on->isChecked());
    Press(*dlg, "clearAll1", Qt::Key_Space);
    EXPECT_FALSE(on->isChecked());
    EXPECT_TRUE(prompter.shown.empty());
}

TEST_F(StateDialogKeyboard, EnterEscapeAndTheCloseBoxEndTheWorker) {
    // Enter on a focused "R" asks about the reset and leaves the dialog open; Enter on a check
    // box goes to "OK".
    auto dlg = open(false);
    auto* check = Child<QCheckBox>(*dlg, "rowSwitch1");
    prompter.script = {Answer::No, Answer::Yes, Answer::No};
    Press(*dlg, "rowSwitch1", Qt::Key_Space);
    EXPECT_FALSE(check->isChecked());  // answered No: put back
    Press(*dlg, "rowSwitch1", Qt::Key_Space);
    EXPECT_TRUE(check->isChecked());
    Press(*dlg, "rowReset1", Qt::Key_Enter);
    ASSERT_EQ(prompter.shown.size(), 3u);
    EXPECT_EQ(prompter.shown.back().title, "Receptacle Reset");
    EXPECT_TRUE(dlg->isVisible());
    Press(*dlg, "rowSwitch1", Qt::Key_Return);
    // The reset just given finishes first.
    EXPECT_TRUE(QTest::qWaitFor([&] { return !dlg->isVisible(); }, 5000));
    EXPECT_EQ(dlg->result(), QDialog::Accepted);
    EXPECT_TRUE(dlg->waitWorkerEnded());
    EXPECT_EQ(closes, 1);
    EXPECT_TRUE(check->isChecked());  // Enter did not touch the box

    dlg = open(false);
    QTest::keyClick(dlg->focusWidget(), Qt::Key_Escape);
    EXPECT_FALSE(dlg->isVisible());
    EXPECT_EQ(dlg->result(), QDialog::Rejected);
    EXPECT_TRUE(dlg->waitWorkerEnded());
    EXPECT_EQ(closes, 2);

    dlg = open(false);
    EXPECT_TRUE(dlg->close());
    EXPECT_TRUE(dlg->waitWorkerEnded());
    EXPECT_EQ(closes, 3);
    EXPECT_EQ(prompter.shown.size(), 3u);  // closing asks nothing
}

}  // namespace
}  // namespace quorvel::dialogs
