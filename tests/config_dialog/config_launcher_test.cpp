// The main window's Configure button on a connected simulated PDU: the configuration dialog
// opens over the main program's operations, loads the PDU's items and closes with OK.
#include <gtest/gtest.h>

#include <QLineEdit>
#include <QTest>

#include "dialogs/config_dlg.h"
#include "support/gui_session.h"
#include "support/scripted_prompter.h"

namespace quorvel::app {
namespace {

constexpr int kBoundMs = 30000;

using gui_test::Child;
using gui_test::Click;

TEST(ConfigLauncher, ConfigureLoadsTheConnectedPdu) {
    test_support::IsolateSettings();
    test_support::ScriptedPrompter prompter;  // Yes to every question
    gui_test::MainWindow main(prompter);
    ASSERT_NO_FATAL_FAILURE(main.open("v4", false));
    ASSERT_NO_FATAL_FAILURE(main.connect());

    // The dialog runs modally inside the click, and is driven from within its loop.
    main.withDialog("configureButton", [](QWidget& shown) {
        auto* dlg = qobject_cast<dialogs::CConfigDlg*>(&shown);
        ASSERT_NE(dlg, nullptr);
        Click(*dlg, "loadButton");
        ASSERT_TRUE(QTest::qWaitFor([&] { return !dlg->busy(); }, kBoundMs));
        EXPECT_EQ(Child<QLineEdit>(*dlg, "edit_cRecepName18")->text(), "RecepName18");
        EXPECT_EQ(Child<QLineEdit>(*dlg, "edit_cCircCMaxCurrent")->text(), "40.0");
        Click(*dlg, "okButton");
    });
    ASSERT_NO_FATAL_FAILURE(main.disconnect());
}

}  // namespace
}  // namespace quorvel::app
