// The main window against the simulated PDU under the offscreen platform: connecting and
// disconnecting, the module display, the stored COM port, the developer switch, a second
// Connect, quitting during a session, a worker failure and the single-instance rule.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QTest>

#include "app/mru_store.h"
#include "app/prompter.h"
#include "app/quorvel_dlg.h"
#include "app/single_instance.h"
#include "common/qt/color_static.h"
#include "platform/port_map.h"
#include "support/gui_session.h"
#include "support/scripted_prompter.h"
#include "support/sim_console.h"
#include "support/widget_child.h"

namespace quorvel::app {
namespace {

constexpr int kConnectBoundMs = 30000;
constexpr int kFailureBoundMs = 120000;

using test_support::Child;
using test_support::IsolateSettings;

class MainWindow : public ::testing::Test {
  protected:
    void SetUp() override {
        IsolateSettings();
        MruDelete(static_cast<int>(MruKind::ComPort), 0);
    }

    // A new window, over a simulated PDU on `profile` unless it is empty.
    CQuorvelDlg& open(bool developer, const std::string& profile) {
        main_.end();
        if (profile.empty()) {
            main_.show(developer);
        } else {
            main_.open(profile, developer);
        }
        return main_.window();
    }

    static QColor indicator(QWidget& dlg) {
        return Child<CColorStaticST>(dlg, "linkIndicator")->backgroundColor();
    }

    // Message boxes are answered OK unless scripted.
    test_support::ScriptedPrompter prompter_{Answer::Ok};
    gui_test::MainWindow main_{prompter_};
};

TEST_F(MainWindow, ConnectsToGenerationThreeAndDisconnects) {
    auto& dlg = open(false, "v3");
    EXPECT_EQ(indicator(dlg), QColor(255, 0, 0));
    EXPECT_FALSE(Child<QWidget>(dlg, "actionsGroup")->isVisible());
    ASSERT_NO_FATAL_FAILURE(main_.connect());

    EXPECT_EQ(Child<QLabel>(dlg, "modelCodeText")->text(), "STV433303D1DL-4");
    EXPECT_EQ(Child<QLabel>(dlg, "identityText")->text(), "47E0:1BACB3BA:0000");
    EXPECT_EQ(Child<QLabel>(dlg, "versionText")->text(), "03.01.04");
    EXPECT_EQ(Child<QLabel>(dlg, "generationText")->text(), "V3");
    EXPECT_EQ(Child<QLabel>(dlg, "statusLine")->text(), "Entered Normal Processing Loop");
    EXPECT_EQ(indicator(dlg), QColor(0x40, 0x32, 0x32));
    // DISP=HOJ-1 TLD-0 TLD-2 QEMB NONE ENV-0 NONE ZOLT: TLD numbered by position below V2 only.
    const char* texts[8] = {"Display (1)", "TLD (0)", "TLD (1)", "NONE",
                            "NONE",        "NONE",    "NONE",    "Ethernet"};
    for (int i = 0; i < 16; ++i) {
        auto* box = Child<QCheckBox>(dlg, qPrintable(QStringLiteral("slot%1").arg(i)));
        EXPECT_EQ(box->isVisible(), i < 8) << i;
        if (i < 8) {
            EXPECT_EQ(box->text(), texts[i]) << i;
            EXPECT_EQ(box->isChecked(), texts[i] != std::string("NONE")) << i;
        }
    }
    EXPECT_TRUE(Child<QCheckBox>(dlg, "environment0")->isVisible());
    EXPECT_EQ(Child<QCheckBox>(dlg, "environment0")->text(), "Enviro(0)");
    EXPECT_TRUE(Child<QCheckBox>(dlg, "environment0")->isChecked());
    EXPECT_FALSE(Child<QCheckBox>(dlg, "environment1")->isVisible());
    EXPECT_TRUE(Child<QPushButton>(dlg, "monitorButton")->isEnabled());
    EXPECT_TRUE(Child<QPushButton>(dlg, "webButton")->isVisible());
    // Without -d the developer buttons never show.
    EXPECT_FALSE(Child<QPushButton>(dlg, "modelButton")->isVisible());
    EXPECT_FALSE(Child<QPushButton>(dlg, "calibrateButton")->isVisible());
    EXPECT_EQ(dlg.pduRecord().generationNumber, 3);
    EXPECT_EQ(dlg.pduRecord().firmwareVersion[2], 4);

    ASSERT_NO_FATAL_FAILURE(main_.disconnect());
    EXPECT_EQ(test::LastLineTaken(main_.simulator()), "^R") << "the logout reached the PDU";
    EXPECT_EQ(indicator(dlg), QColor(255, 0, 0));
    EXPECT_TRUE(Child<QPushButton>(dlg, "connectButton")->isVisible());
    EXPECT_FALSE(Child<QPushButton>(dlg, "disconnectButton")->isVisible());
    EXPECT_FALSE(Child<QWidget>(dlg, "modulesGroup")->isVisible());
    EXPECT_TRUE(Child<QLabel>(dlg, "modelCodeText")->text().isEmpty());
    EXPECT_EQ(Child<QLabel>(dlg, "statusLine")->text(), "Finished");
    EXPECT_TRUE(prompter_.shown.empty());
}

TEST_F(MainWindow, GenerationFourWithDeveloperSwitch) {
    auto& dlg = open(true, "v4");
    ASSERT_NO_FATAL_FAILURE(main_.connect());
    EXPECT_EQ(Child<QLabel>(dlg, "generationText")->text(), "V4");
    for (int i = 0; i < 16; ++i) {
        EXPECT_TRUE(
            Child<QCheckBox>(dlg, qPrintable(QStringLiteral("slot%1").arg(i)))->isVisible());
    }
    EXPECT_EQ(Child<QCheckBox>(dlg, "slot1")->text(), "Display (2)");
    EXPECT_EQ(Child<QCheckBox>(dlg, "slot8")->text(), "Ethernet");
    EXPECT_EQ(Child<QCheckBox>(dlg, "slot9")->text(), "NONE");
    EXPECT_FALSE(Child<QCheckBox>(dlg, "slot9")->isChecked());
    EXPECT_TRUE(Child<QCheckBox>(dlg, "environment1")->isVisible());
    EXPECT_TRUE(Child<QCheckBox>(dlg, "environment1")->isChecked());
    EXPECT_TRUE(Child<QPushButton>(dlg, "modelButton")->isVisible());
    EXPECT_TRUE(Child<QPushButton>(dlg, "calibrateButton")->isEnabled());

    // A second Connect starts no second worker and keeps the live session's display.
    dlg.onConnect();
    ASSERT_EQ(prompter_.shown.size(), 1u);
    EXPECT_EQ(prompter_.shown[0].title, "SESSION IN PROGRESS");
    EXPECT_EQ(prompter_.shown[0].text, "Already Connected");
    EXPECT_EQ(dlg.workersStarted(), 1);
    EXPECT_TRUE(dlg.sessionRunning());
    EXPECT_EQ(Child<QLabel>(dlg, "generationText")->text(), "V4");
    EXPECT_TRUE(Child<QPushButton>(dlg, "disconnectButton")->isVisible());
    ASSERT_NO_FATAL_FAILURE(main_.disconnect());
    EXPECT_FALSE(Child<QPushButton>(dlg, "modelButton")->isVisible());
}

TEST_F(MainWindow, QuitDuringSessionAsksAndStopsTheWorker) {
    auto& dlg = open(false, "v2");
    ASSERT_NO_FATAL_FAILURE(main_.connect());
    prompter_.script = {Answer::Cancel};
    EXPECT_FALSE(dlg.close());
    ASSERT_EQ(prompter_.shown.size(), 1u);
    EXPECT_EQ(prompter_.shown[0].title, "Session in progress ...");
    EXPECT_EQ(prompter_.shown[0].text, "Connection active, are you sure you want to quit?");
    EXPECT_TRUE(dlg.isVisible());
    EXPECT_TRUE(dlg.sessionRunning());
    EXPECT_TRUE(dlg.sessionReady());

    // Yes: the window goes on while the worker logs off, then closes.
    prompter_.script = {Answer::Ok};
    EXPECT_FALSE(dlg.close());
    EXPECT_TRUE(dlg.quitting());
    EXPECT_FALSE(dlg.close()) << "a second request while logging off asks nothing";
    EXPECT_TRUE(QTest::qWaitFor([&] { return !dlg.isVisible(); }, kQuitLogoffWaitMs + 1000));
    EXPECT_FALSE(dlg.sessionRunning());
    EXPECT_EQ(prompter_.shown.size(), 2u);
}

TEST_F(MainWindow, QuitWithoutSessionDoesNotAsk) {
    auto& dlg = open(false, "");
    EXPECT_TRUE(dlg.close());
    EXPECT_TRUE(prompter_.shown.empty());
}

TEST_F(MainWindow, WorkerFailureIsReportedAndEndsTheSession) {
    platform::setPortOverride(20, "/nonexistent/quorvel-test-port");
    auto& dlg = open(false, "");
    Child<QComboBox>(dlg, "portList")->setCurrentIndex(19);
    dlg.onConnect();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !dlg.sessionRunning(); }, kFailureBoundMs));
    ASSERT_TRUE(QTest::qWaitFor([&] { return dlg.view().connectVisible; }, kConnectBoundMs));
    platform::setPortOverride(20, "");
    ASSERT_EQ(prompter_.shown.size(), 1u);
    EXPECT_EQ(prompter_.shown[0].title, "Quorvel Access Error");
    EXPECT_EQ(prompter_.shown[0].text, "Failed Login");
    EXPECT_EQ(prompter_.shown[0].kind, "warning");
    EXPECT_EQ(indicator(dlg), QColor(255, 0, 0));
    EXPECT_FALSE(Child<QWidget>(dlg, "actionsGroup")->isVisible());
}

TEST_F(MainWindow, ComPortIsRememberedAcrossStarts) {
    {
        auto& dlg = open(false, "");
        auto* ports = Child<QComboBox>(dlg, "portList");
        EXPECT_EQ(ports->count(), 20);
        EXPECT_EQ(ports->currentText(), "  COM1");  // nothing stored yet
        ports->setCurrentIndex(5);
        EXPECT_EQ(MruRead(static_cast<int>(MruKind::ComPort), 0), "5");
    }
    {
        auto& dlg = open(false, "");
        EXPECT_EQ(Child<QComboBox>(dlg, "portList")->currentText(), "  COM6");
    }
    MruWrite(static_cast<int>(MruKind::ComPort), 0, "junk");
    auto& dlg = open(false, "");
    EXPECT_EQ(Child<QComboBox>(dlg, "portList")->currentIndex(), 0);
}

TEST(SingleInstanceRule, SecondClaimBringsTheFirstForward) {
    const QString name =
        QStringLiteral("TEVRAQuorvelClassTest%1").arg(QCoreApplication::applicationPid());
    SingleInstance first(name);
    int activated = 0;
    first.onActivate([&] { ++activated; });
    ASSERT_TRUE(first.claim());
    SingleInstance second(name);
    EXPECT_FALSE(second.claim());
    EXPECT_TRUE(QTest::qWaitFor([&] { return activated == 1; }, 5000));
}

}  // namespace
}  // namespace quorvel::app
