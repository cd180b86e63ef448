// The main window from the keyboard: the focus starts on Connect and follows it to Disconnect
// and back, Tab reads the left column and About and skips the hidden buttons, Enter presses the
// focused button, an arrow key picks the port, and Escape asks before it ends a session. The
// About box starts on its OK button and closes with Enter or Escape.
#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include "app/about_box.h"
#include "app/mru_store.h"
#include "app/prompter.h"
#include "platform/port_map.h"
#include "support/gui_session.h"
#include "support/keyboard_walk.h"
#include "support/scripted_prompter.h"

namespace quorvel::app {
namespace {

using gui_test::kConnectBoundMs;

using test_support::Names;
using test_support::Press;
using test_support::TabWalk;

TEST(MainWindowKeyboard, EnterConnectsTabFollowsTheStateEscapeAsksDuringASession) {
    test_support::IsolateSettings();
    MruDelete(static_cast<int>(MruKind::ComPort), 0);
    test_support::ScriptedPrompter prompter(Answer::Ok);
    gui_test::MainWindow window(prompter);
    ASSERT_NO_FATAL_FAILURE(window.open("v2", true));
    CQuorvelDlg& dlg = window.window();

    auto* connectButton = dlg.findChild<QPushButton*>("connectButton");
    ASSERT_EQ(dlg.focusWidget(), connectButton);
    EXPECT_EQ(TabWalk(dlg), (Names{"aboutButton", "portList", "portsButton", "connectButton"}));
    auto* ports = dlg.findChild<QComboBox*>("portList");
    QTest::keyClick(ports, Qt::Key_Down);
    EXPECT_EQ(ports->currentIndex(), 1);
    EXPECT_EQ(StoredComPortIndex(), 1);

    connectButton->setFocus();
    QTest::keyClick(connectButton, Qt::Key_Return);
    ASSERT_TRUE(QTest::qWaitFor([&] { return dlg.sessionReady(); }, kConnectBoundMs));
    EXPECT_EQ(dlg.sessionRecord().comPortIndex, 1);
    EXPECT_EQ(platform::resolvePortPath(2), window.simulated().devicePath());
    EXPECT_EQ(dlg.focusWidget()->objectName(), "disconnectButton");
    EXPECT_EQ(TabWalk(dlg),
              (Names{"monitorButton", "configureButton", "webButton", "modelButton",
                     "calibrateButton", "aboutButton", "portList", "disconnectButton"}));

    // Escape during the session asks; Cancel keeps it running.
    prompter.script = {Answer::Cancel};
    QTest::keyClick(dlg.focusWidget(), Qt::Key_Escape);
    ASSERT_EQ(prompter.shown.size(), 1u);
    EXPECT_EQ(prompter.shown[0].title, "Session in progress ...");
    EXPECT_EQ(prompter.shown[0].text, "Connection active, are you sure you want to quit?");
    EXPECT_TRUE(dlg.isVisible());
    EXPECT_TRUE(dlg.sessionRunning());

    // Space on Disconnect ends the session; the focus goes back to Connect.
    QTest::keyClick(dlg.focusWidget(), Qt::Key_Space);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !dlg.sessionRunning() && dlg.view().connectVisible; },
                                kConnectBoundMs));
    EXPECT_EQ(dlg.focusWidget(), connectButton);

    // Without a session Escape closes at once.
    QTest::keyClick(connectButton, Qt::Key_Escape);
    EXPECT_FALSE(dlg.isVisible());
    EXPECT_EQ(prompter.shown.size(), 1u);
}

TEST(AboutBoxKeyboard, EnterAndEscapeCloseItFromOk) {
    for (const Qt::Key key : {Qt::Key_Return, Qt::Key_Escape}) {
        bool closedByKey = false;
        QTimer::singleShot(0, [&] {
            QWidget* box = QApplication::activeModalWidget();
            if (box == nullptr) {
                ADD_FAILURE() << "the About box is not shown";
                QApplication::closeAllWindows();
                return;
            }
            EXPECT_EQ(box->objectName(), "aboutBox");
            auto* ok = qobject_cast<QPushButton*>(box->focusWidget());
            EXPECT_TRUE(ok != nullptr && ok->isDefault());
            QTest::keyClick(box->focusWidget() != nullptr ? box->focusWidget() : box, key);
            closedByKey = !box->isVisible();
            box->close();  // in case the key did not close it
        });
        ShowAboutBox(nullptr);
        EXPECT_TRUE(closedByKey) << key;
    }
}

}  // namespace
}  // namespace quorvel::app
