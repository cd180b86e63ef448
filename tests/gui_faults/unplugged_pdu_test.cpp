// The desktop program when the PDU goes away under an open dialog, with the USB adapter pulled
// (the line hangs up) or only the serial cable (the line stays and nothing answers): the window
// keeps running its events, the dialog keeps what it showed, closing it returns at once,
// Disconnect ends the session, and a new Connect to the PDU plugged in again works.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QElapsedTimer>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include "support/gui_session.h"
#include "support/loop_watch.h"
#include "support/scripted_prompter.h"

namespace quorvel::app {
namespace {

using gui_test::Child;
using gui_test::Click;
using gui_test::LabelText;
using test_support::LoopWatch;

using Unplug = SimulatedPdu::Unplug;

constexpr int kValueBoundMs = 15000;
// A session on a silent line ends once the exchange in progress has: one sanity check of a
// 256-byte reply (about 6 s), then the logout line.
constexpr int kDisconnectBoundMs = 20000;
// Closing a dialog never waits for the device.
constexpr qint64 kCloseBoundMs = 1500;
// Longest the window thread may go without running its events.
constexpr qint64 kStallBoundMs = 500;

// Closes the dialog with `button`; the time until the Actions button's call returned.
void CloseWith(QWidget& dlg, const char* button, QElapsedTimer& clock) {
    clock.start();
    QTimer::singleShot(0, &dlg, [&dlg, button] { Click(dlg, button); });
}

class UnpluggedPdu : public ::testing::TestWithParam<Unplug> {
  protected:
    void SetUp() override {
        test_support::IsolateSettings();
        ASSERT_NO_FATAL_FAILURE(gui_test::LoadShippedAttributes());
        ASSERT_NO_FATAL_FAILURE(main_.open("v2", true));
        ASSERT_NO_FATAL_FAILURE(main_.connect());
    }
    void TearDown() override { main_.end(); }
    // Disconnect, then Connect to the PDU plugged in again.
    void reconnect() {
        ASSERT_NO_FATAL_FAILURE(main_.disconnect(kDisconnectBoundMs));
        ASSERT_NO_FATAL_FAILURE(main_.connect());
    }

    test_support::ScriptedPrompter prompter_{dialogs::Answer::Ok};
    gui_test::MainWindow main_{prompter_};
};

TEST_P(UnpluggedPdu, MonitoringKeepsItsValuesClosesAtOnceAndTheNextConnectWorks) {
    LoopWatch watch;
    QElapsedTimer closing;
    QStringList shown;
    main_.withDialog("monitorButton", [&](QWidget& dlg) {
        ASSERT_TRUE(QTest::qWaitFor([&] { return !LabelText(dlg, "totalValue0").isEmpty(); },
                                    kValueBoundMs));
        main_.simulated().unplug(GetParam());
        // The refreshes under way when the PDU went fail; from then on nothing changes.
        QTest::qWait(2000);
        for (const char* name : {"totalValue0", "totalValue1", "rowCurrent0", "versionValue"}) {
            shown << LabelText(dlg, name);
        }
        QTest::qWait(2500);
        for (int i = 0;
             const char* name : {"totalValue0", "totalValue1", "rowCurrent0", "versionValue"}) {
            EXPECT_FALSE(shown[i].isEmpty()) << name;
            EXPECT_EQ(LabelText(dlg, name), shown[i]) << name;
            ++i;
        }
        CloseWith(dlg, "okButton", closing);
    });
    EXPECT_LT(closing.elapsed(), kCloseBoundMs);

    ASSERT_NO_FATAL_FAILURE(main_.disconnect(kDisconnectBoundMs));
    EXPECT_LT(watch.worstGapMs(), kStallBoundMs);

    // Plugged in again: a new session, and the live view shows values again.
    ASSERT_NO_FATAL_FAILURE(main_.connect());
    main_.withDialog("monitorButton", [&](QWidget& dlg) {
        EXPECT_TRUE(QTest::qWaitFor([&] { return !LabelText(dlg, "totalValue0").isEmpty(); },
                                    kValueBoundMs));
        dlg.close();
    });
    EXPECT_LT(watch.worstGapMs(), kStallBoundMs);
}

// Configure, Web, Calibrate and Model in the middle of device work on a PDU that went away: the
// window keeps running and each dialog closes at once.
TEST_P(UnpluggedPdu, DialogsInTheMiddleOfAPassCloseAtOnce) {
    LoopWatch watch;
    QElapsedTimer closing;
    main_.withDialog("configureButton", [&](QWidget& dlg) {
        Child<QPushButton>(dlg, "loadButton")->click();
        ASSERT_TRUE(QTest::qWaitFor(
            [&] {
                return Child<QPushButton>(dlg, "saveButton")->isEnabled() &&
                       Child<QPushButton>(dlg, "loadButton")->isEnabled();
            },
            kValueBoundMs));
        main_.simulated().unplug(GetParam());
        Child<QPushButton>(dlg, "loadButton")->click();
        ASSERT_TRUE(QTest::qWaitFor(
            [&] { return !Child<QPushButton>(dlg, "loadButton")->isEnabled(); }, 2000));
        QTest::qWait(500);
        CloseWith(dlg, "okButton", closing);
    });
    EXPECT_LT(closing.elapsed(), kCloseBoundMs);

    reconnect();
    main_.withDialog("webButton", [&](QWidget& dlg) {
        // The dialog loads as it opens; the PDU goes while it does.
        main_.simulated().unplug(GetParam());
        QTest::qWait(500);
        CloseWith(dlg, "cancelButton", closing);
    });
    EXPECT_LT(closing.elapsed(), kCloseBoundMs);

    reconnect();
    main_.withDialog("calibrateButton", [&](QWidget& dlg) {
        // Sampling repeats every second until the PDU goes.
        auto* sample = dlg.findChild<QAbstractButton*>(QStringLiteral("sampleHighButton"));
        ASSERT_NE(sample, nullptr);
        sample->click();
        QTest::qWait(1500);
        main_.simulated().unplug(GetParam());
        QTest::qWait(500);
        CloseWith(dlg, "cancelButton", closing);
    });
    EXPECT_LT(closing.elapsed(), kCloseBoundMs);

    reconnect();
    main_.withDialog("modelButton", [&](QWidget& dlg) {
        // Get Model runs its device calls off the window thread, the dialog disabled meanwhile;
        // its close box lets a call on a dead line go.
        main_.simulated().unplug(GetParam());
        QTimer::singleShot(0, &dlg, [&dlg, &closing] {
            EXPECT_TRUE(QTest::qWaitFor([&dlg] { return !dlg.isEnabled(); }, 2000));
            QTest::qWait(500);
            closing.start();
            dlg.close();
        });
        Child<QPushButton>(dlg, "getModelButton")->click();
    });
    EXPECT_LT(closing.elapsed(), kCloseBoundMs);
    EXPECT_LT(watch.worstGapMs(), kStallBoundMs);
}

// Quit while the session still tries to log in to a PDU that never answers: the window keeps
// running its events while the worker gives up, and closes within the logoff bound.
TEST(QuitDuringLogin, OnASilentLineTheWindowStaysLiveAndClosesWithinItsBound) {
    test_support::IsolateSettings();
    ASSERT_NO_FATAL_FAILURE(gui_test::LoadShippedAttributes());
    sim::Faults faults;
    faults.silent = true;
    test_support::ScriptedPrompter prompter{dialogs::Answer::Ok};
    gui_test::MainWindow window(prompter);
    ASSERT_NO_FATAL_FAILURE(window.open("v2", true, faults));
    window->onConnect();
    ASSERT_TRUE(window->sessionRunning());
    QTest::qWait(1500);  // well into the first login attempt
    ASSERT_FALSE(window->sessionReady());

    LoopWatch watch;
    QElapsedTimer clock;
    clock.start();
    EXPECT_FALSE(window->close()) << "the window stays until the worker has ended";
    EXPECT_TRUE(window->quitting());
    ASSERT_TRUE(QTest::qWaitFor([&] { return !window->isVisible(); }, kQuitLogoffWaitMs + 2000));
    window.end();
    EXPECT_LT(clock.elapsed(), kQuitLogoffWaitMs + 1000);
    EXPECT_LT(watch.worstGapMs(), 100);
    ASSERT_EQ(prompter.shown.size(), 1u);
    EXPECT_EQ(prompter.shown[0].text, "Connection active, are you sure you want to quit?");
}

INSTANTIATE_TEST_SUITE_P(Pulled, UnpluggedPdu, ::testing::Values(Unplug::Adapter, Unplug::Cable),
                         [](const ::testing::TestParamInfo<Unplug>& info) {
                             return info.param == Unplug::Adapter ? "Adapter" : "Cable";
                         });

}  // namespace
}  // namespace quorvel::app
