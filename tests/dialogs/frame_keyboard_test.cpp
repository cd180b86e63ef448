// The file name and socket type dialogs from the keyboard: Tab order and start, arrow keys on
// the generation choice and in the description list, Enter confirming (or pressing the focused
// button), and Escape and the close box cancelling.
#include <gtest/gtest.h>

#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <string>

#include "dialog_logic/model_test_ops.h"
#include "dialogs/get_filename_dlg.h"
#include "dialogs/sock_typ_info_dlg.h"
#include "support/keyboard_walk.h"

namespace quorvel::dialogs {
namespace {

using test_support::Names;
using test_support::Press;
using test_support::TabWalk;

TEST(FileNameDialogKeyboard, EnterConfirmsTheTypedNameEscapeAndCloseBoxCancel) {
    char16_t name[64] = u"old.mib";
    std::uint8_t result = 9;
    int generation = 0;
    CGetFilenameDlg dialog(false, name, sizeof name, &result, &generation);
    EXPECT_EQ(dialog.windowTitle(), "Get Filename");
    EXPECT_EQ(dialog.nameEdit()->text(), "old.mib");
    EXPECT_TRUE(dialog.v2Button()->isChecked());
    EXPECT_FALSE(dialog.v1Button()->isChecked());
    QString browsedFrom;
    dialog.setBrowser([&](bool directoryMode, const QString& start, QWidget*) {
        EXPECT_FALSE(directoryMode);
        browsedFrom = start;
        return std::optional<QString>("/data/new.mib");
    });
    dialog.show();
    ASSERT_EQ(dialog.focusWidget(), dialog.nameEdit());
    EXPECT_EQ(TabWalk(dialog), (Names{"browseButton", "v2Radio", "v1Radio", "okButton",
                                      "cancelButton", "nameEdit"}));

    // Enter on "..." browses from the name given; Tab and Space choose "KVB V1"; Enter in the
    // field is OK.
    dialog.browseButton()->setFocus();
    QTest::keyClick(dialog.browseButton(), Qt::Key_Return);
    EXPECT_EQ(browsedFrom, "old.mib");
    EXPECT_EQ(dialog.nameEdit()->text(), "/data/new.mib");
    EXPECT_TRUE(dialog.isVisible());
    dialog.v2Button()->setFocus();
    QTest::keyClick(dialog.v2Button(), Qt::Key_Tab);
    QTest::keyClick(dialog.v1Button(), Qt::Key_Space);
    EXPECT_TRUE(dialog.v1Button()->isChecked());
    EXPECT_FALSE(dialog.v2Button()->isChecked());
    dialog.nameEdit()->selectAll();
    QTest::keyClicks(dialog.nameEdit(), "new.mib");
    QTest::keyClick(dialog.nameEdit(), Qt::Key_Return);
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(result, 1);
    EXPECT_EQ(std::u16string(name), u"new.mib");
    EXPECT_EQ(generation, 1);

    // Escape, Enter on a focused Cancel and the close box: result 0, the buffer unchanged.
    for (int way = 0; way < 3; ++way) {
        CGetFilenameDlg again(true, name, sizeof name, &result, nullptr);
        again.show();
        QTest::keyClicks(again.nameEdit(), "/typed");
        if (way == 0) {
            QTest::keyClick(again.nameEdit(), Qt::Key_Escape);
        } else if (way == 1) {
            auto* cancel = again.findChild<QPushButton*>("cancelButton");
            cancel->setFocus();
            QTest::keyClick(cancel, Qt::Key_Return);
        } else {
            EXPECT_TRUE(again.close());
        }
        EXPECT_FALSE(again.isVisible()) << way;
        EXPECT_EQ(result, 0) << way;
        EXPECT_EQ(std::u16string(name), u"new.mib") << way;
        result = 9;
    }
}

TEST(SocketTypeDialogKeyboard, ArrowsReadTheLinesEnterAndEscapeClose) {
    const ModelOps ops = testing::FakeModelOps();
    for (const Qt::Key close : {Qt::Key_Return, Qt::Key_Escape}) {
        CSockTypInfoDlg dialog(27, &ops);
        dialog.show();
        QListWidget* lines = dialog.lines();
        ASSERT_GT(lines->count(), 2);
        ASSERT_EQ(dialog.focusWidget(), lines);
        EXPECT_EQ(TabWalk(dialog),
                  (Names{"descriptionText", "okButton", "cancelButton", "descriptionList"}));
        lines->setCurrentRow(0);
        QTest::keyClick(lines, Qt::Key_Down);
        EXPECT_EQ(lines->currentRow(), 1);
        EXPECT_EQ(dialog.textField()->toPlainText(), lines->item(1)->text());
        QTest::keyClick(lines, close);
        EXPECT_FALSE(dialog.isVisible());
        EXPECT_EQ(dialog.result(), close == Qt::Key_Escape ? QDialog::Rejected : QDialog::Accepted);
    }
}

}  // namespace
}  // namespace quorvel::dialogs
