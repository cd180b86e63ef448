// The model dialog from the keyboard: the focus starts on the list, Tab reads the selection rows,
// the groups and the buttons and skips what is disabled, arrow keys choose in the drop-downs,
// Space ticks the feature boxes, Enter in the list's field keeps the dialog open, Enter and Space
// press the focused button, and Escape and the close box cancel without saving.
#include "model_dialog_support.h"
#include "support/keyboard_walk.h"

#include <QTest>
#include <vector>

namespace quorvel::dialogs::testing {
namespace {

using test_support::Names;
using test_support::Press;
using test_support::TabWalk;

class ModelDialogKeyboard : public ModelDialogTest {
  protected:
    std::unique_ptr<CSetModelDlg> open() { return ModelDialogTest::open(list_); }
    int listed() const {
        int n = 0;
        while (n < kRecentModelCapacity && list_[static_cast<std::size_t>(n)].valid != 0) {
            ++n;
        }
        return n;
    }

    std::vector<ModelListEntry> list_{kModelTD, kModelQB};
};

TEST_F(ModelDialogKeyboard, TabReadsTheDialogAndEscapeOrTheCloseBoxCancel) {
    auto dlg = open();
    QComboBox* models = Child<QComboBox>(*dlg, "modelList");
    ASSERT_EQ(dlg->focusWidget(), models);
    // Nothing is selected: the buttons that act on a selection, Add and Save are disabled.
    EXPECT_EQ(
        TabWalk(*dlg),
        (Names{"allMibsButton",      "phaseCombo",        "serialCheck",      "ethernetCheck",
               "socketControlCheck", "socketMeterCheck",  "environmentCheck", "secondCheck",
               "voltageMeterCheck",  "tldCombo",          "formFactorCombo",  "metersCombo",
               "voltageCombo",       "breakersCombo",     "currentCombo",     "inputPlugCombo",
               "socketTypeCombo",    "reloadAttrsButton", "getModelButton",   "cancelButton",
               "partNumberText",     "modelCodeText",     "modelList"}));

    // Typed into the list's field and left with Escape: nothing is saved.
    QTest::keyClicks(models, "SQV11020010BA-0");
    Press(*dlg, "addButton", Qt::Key_Return);
    ASSERT_EQ(dlg->workingList().count(), 3);
    QTest::keyClick(models, Qt::Key_Escape);
    EXPECT_FALSE(dlg->isVisible());
    EXPECT_EQ(dlg->result(), QDialog::Rejected);
    EXPECT_EQ(listed(), 2);

    dlg = open();
    Press(*dlg, "ethernetCheck", Qt::Key_Space);
    EXPECT_TRUE(dlg->close());
    EXPECT_EQ(listed(), 2);
    EXPECT_TRUE(prompter_.shown.empty());
}

TEST_F(ModelDialogKeyboard, KeysChooseComposeAndAddAndEnterNeverClosesFromTheField) {
    auto dlg = open();
    QComboBox* models = Child<QComboBox>(*dlg, "modelList");
    // Down chooses the first listed model (sorted) and shows it.
    QTest::keyClick(models, Qt::Key_Down);
    EXPECT_EQ(models->currentText(), "SQV11220241BB-3");
    EXPECT_EQ(Text(*dlg, "modelCodeText"), "07C0:D26C1202:0000");
    EXPECT_TRUE(Enabled(*dlg, "deleteButton"));
    EXPECT_TRUE(Child<QCheckBox>(*dlg, "ethernetCheck")->isChecked());

    // Space on a feature box and Down in a drop-down compose a new code and clear the choice.
    Press(*dlg, "voltageMeterCheck", Qt::Key_Space);
    EXPECT_TRUE(Child<QCheckBox>(*dlg, "voltageMeterCheck")->isChecked());
    EXPECT_EQ(models->currentIndex(), -1);
    const QString composed = Text(*dlg, "modelCodeText");
    Press(*dlg, "metersCombo", Qt::Key_Down);
    EXPECT_NE(Text(*dlg, "modelCodeText"), composed);
    EXPECT_TRUE(Enabled(*dlg, "addButton"));

    // A code typed into the list's field: Enter leaves the dialog open and saves nothing.
    models->setFocus();
    models->lineEdit()->selectAll();
    QTest::keyClicks(models, "SQV11020010BA-0");
    QTest::keyClick(models, Qt::Key_Return);
    QTest::keyClick(models, Qt::Key_Enter);
    EXPECT_TRUE(dlg->isVisible());
    EXPECT_EQ(Text(*dlg, "partNumberText"), "SQV11020010BA-0");
    EXPECT_EQ(listed(), 2);

    // Enter on Add adds it; Space on Save stores the list and closes.
    Press(*dlg, "addButton", Qt::Key_Enter);
    EXPECT_EQ(dlg->workingList().count(), 3);
    EXPECT_TRUE(dlg->isVisible());
    Press(*dlg, "saveButton", Qt::Key_Space);
    EXPECT_FALSE(dlg->isVisible());
    EXPECT_EQ(dlg->result(), QDialog::Accepted);
    EXPECT_EQ(listed(), 3);
    EXPECT_TRUE(prompter_.shown.empty());
}

}  // namespace
}  // namespace quorvel::dialogs::testing
