// The desktop program when the PDU goes away under an open dialog, with the USB adapter pulled
// (the line hangs up) or only the serial cable (the line stays and nothing answers): the window
// keeps running its events, the dialog keeps what it showed, closing it returns at once,
// Disconnect ends the session, and a new Connect to the PDU plugged in again works.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <functional>
#include <string>

#include "app/prompter.h"
#include "app/quorvel_dlg.h"
#include "app/simulated_pdu.h"
#include "catalogue/attribute_loader.h"
#include "catalogue/attribute_tables.h"
#include "support/loop_watch.h"
#include "support/scripted_prompter.h"

namespace quorvel::app {
namespace {

using test_support::LoopWatch;

using Unplug = SimulatedPdu::Unplug;

constexpr int kConnectBoundMs = 30000;
constexpr int kValueBoundMs = 15000;
// A session on a silent line ends once the exchange in progress has: one sanity check of a
// 256-byte reply (about 6 s), then the logout line.
constexpr int kDisconnectBoundMs = 20000;
// Closing a dialog never waits for the device.
constexpr qint64 kCloseBoundMs = 1500;
// Longest the window thread may go without running its events.
constexpr qint64 kStallBoundMs = 500;

QString Text(const QWidget* dlg, const QString& name) {
    const auto* label = dlg->findChild<QLabel*>(name);
    return label != nullptr ? label->text() : QStringLiteral("<none>");
}

QPushButton* Button(const QWidget* w, const char* name) {
    auto* b = w->findChild<QPushButton*>(QString::fromLatin1(name));
    EXPECT_NE(b, nullptr) << name;
    return b;
}

class UnpluggedPdu : public ::testing::TestWithParam<Unplug> {
  protected:
    void SetUp() override {
        test_support::IsolateSettings();
        ASSERT_TRUE(LoadPDUAttributes(Attributes(), QUORVEL_BIN_DIR "/pduattribs.ini"));
        std::string error;
        ASSERT_TRUE(sim_.start("v2", error)) << error;
        window_ = std::make_unique<CQuorvelDlg>(true, prompter_, &sim_);
        window_->show();
        connect();
    }
    void TearDown() override {
        window_->onDisconnect();
        EXPECT_TRUE(
            QTest::qWaitFor([this] { return !window_->sessionRunning(); }, kDisconnectBoundMs));
        window_.reset();
    }
    void connect() {
        window_->onConnect();
        ASSERT_TRUE(QTest::qWaitFor([this] { return window_->sessionReady(); }, kConnectBoundMs));
    }
    // Disconnect, then Connect to the PDU plugged in again.
    void reconnect() {
        window_->onDisconnect();
        ASSERT_TRUE(
            QTest::qWaitFor([this] { return !window_->sessionRunning(); }, kDisconnectBoundMs));
        connect();
    }
    // Presses an Actions button and runs `inside` on the dialog it opens; returns once the
    // dialog has closed and the button's call returned.
    void withDialog(const char* button, const std::function<void(QWidget&)>& inside) {
        bool ran = false;
        QTimer::singleShot(0, window_.get(), [&] {
            QWidget* dlg = QApplication::activeModalWidget();
            ASSERT_NE(dlg, nullptr);
            ASSERT_NE(dlg, window_.get());
            inside(*dlg);
            ran = true;
        });
        Button(window_.get(), button)->click();
        EXPECT_TRUE(ran);
        EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
    }
    // Closes the dialog with `button`; the time until the Actions button's call returned.
    static void closeWith(QWidget& dlg, const char* button, QElapsedTimer& clock) {
        clock.start();
        QTimer::singleShot(0, &dlg, [&dlg, button] { Button(&dlg, button)->click(); });
    }

    test_support::ScriptedPrompter prompter_{dialogs::Answer::Ok};
    SimulatedPdu sim_;
    std::unique_ptr<CQuorvelDlg> window_;
};

TEST_P(UnpluggedPdu, MonitoringKeepsItsValuesClosesAtOnceAndTheNextConnectWorks) {
    LoopWatch watch;
    QElapsedTimer closing;
    QStringList shown;
    withDialog("monitorButton", [&](QWidget& dlg) {
        ASSERT_TRUE(
            QTest::qWaitFor([&] { return !Text(&dlg, "totalValue0").isEmpty(); }, kValueBoundMs));
        sim_.unplug(GetParam());
        // The refreshes under way when the PDU went fail; from then on nothing changes.
        QTest::qWait(2000);
        for (const char* name : {"totalValue0", "totalValue1", "rowCurrent0", "versionValue"}) {
            shown << Text(&dlg, name);
        }
        QTest::qWait(2500);
        for (int i = 0;
             const char* name : {"totalValue0", "totalValue1", "rowCurrent0", "versionValue"}) {
            EXPECT_FALSE(shown[i].isEmpty()) << name;
            EXPECT_EQ(Text(&dlg, name), shown[i]) << name;
            ++i;
        }
        closeWith(dlg, "okButton", closing);
    });
    EXPECT_LT(closing.elapsed(), kCloseBoundMs);

    QElapsedTimer ending;
    ending.start();
    window_->onDisconnect();
    ASSERT_TRUE(QTest::qWaitFor(
        [this] { return !window_->sessionRunning() && window_->view().connectVisible; },
        kDisconnectBoundMs));
    EXPECT_LT(watch.worstGapMs(), kStallBoundMs);

    // Plugged in again: a new session, and the live view shows values again.
    connect();
    withDialog("monitorButton", [&](QWidget& dlg) {
        EXPECT_TRUE(
            QTest::qWaitFor([&] { return !Text(&dlg, "totalValue0").isEmpty(); }, kValueBoundMs));
        dlg.close();
    });
    EXPECT_LT(watch.worstGapMs(), kStallBoundMs);
}

// Configure, Web, Calibrate and Model in the middle of device work on a PDU that went away: the
// window keeps running and each dialog closes at once.
TEST_P(UnpluggedPdu, DialogsInTheMiddleOfAPassCloseAtOnce) {
    LoopWatch watch;
    QElapsedTimer closing;
    withDialog("configureButton", [&](QWidget& dlg) {
        Button(&dlg, "loadButton")->click();
        ASSERT_TRUE(QTest::qWaitFor(
            [&] {
                return Button(&dlg, "saveButton")->isEnabled() &&
                       Button(&dlg, "loadButton")->isEnabled();
            },
            kValueBoundMs));
        sim_.unplug(GetParam());
        Button(&dlg, "loadButton")->click();
        ASSERT_TRUE(
            QTest::qWaitFor([&] { return !Button(&dlg, "loadButton")->isEnabled(); }, 2000));
        QTest::qWait(500);
        closeWith(dlg, "okButton", closing);
    });
    EXPECT_LT(closing.elapsed(), kCloseBoundMs);

    reconnect();
    withDialog("webButton", [&](QWidget& dlg) {
        // The dialog loads as it opens; the PDU goes while it does.
        sim_.unplug(GetParam());
        QTest::qWait(500);
        closeWith(dlg, "cancelButton", closing);
    });
    EXPECT_LT(closing.elapsed(), kCloseBoundMs);

    reconnect();
    withDialog("calibrateButton", [&](QWidget& dlg) {
        // Sampling repeats every second until the PDU goes.
        auto* sample = dlg.findChild<QAbstractButton*>(QStringLiteral("sampleHighButton"));
        ASSERT_NE(sample, nullptr);
        sample->click();
        QTest::qWait(1500);
        sim_.unplug(GetParam());
        QTest::qWait(500);
        closeWith(dlg, "cancelButton", closing);
    });
    EXPECT_LT(closing.elapsed(), kCloseBoundMs);

    reconnect();
    withDialog("modelButton", [&](QWidget& dlg) {
        // Get Model runs its device calls off the window thread, the dialog disabled meanwhile;
        // its close box lets a call on a dead line go.
        sim_.unplug(GetParam());
        QTimer::singleShot(0, &dlg, [&dlg, &closing] {
            EXPECT_TRUE(QTest::qWaitFor([&dlg] { return !dlg.isEnabled(); }, 2000));
            QTest::qWait(500);
            closing.start();
            dlg.close();
        });
        Button(&dlg, "getModelButton")->click();
    });
    EXPECT_LT(closing.elapsed(), kCloseBoundMs);
    EXPECT_LT(watch.worstGapMs(), kStallBoundMs);
}

// Quit while the session still tries to log in to a PDU that never answers: the window keeps
// running its events while the worker gives up, and closes within the logoff bound.
TEST(QuitDuringLogin, OnASilentLineTheWindowStaysLiveAndClosesWithinItsBound) {
    test_support::IsolateSettings();
    ASSERT_TRUE(LoadPDUAttributes(Attributes(), QUORVEL_BIN_DIR "/pduattribs.ini"));
    sim::Faults faults;
    faults.silent = true;
    SimulatedPdu sim;
    std::string error;
    ASSERT_TRUE(sim.start("v2", faults, error)) << error;
    test_support::ScriptedPrompter prompter{dialogs::Answer::Ok};
    auto window = std::make_unique<CQuorvelDlg>(true, prompter, &sim);
    window->show();
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
    window.reset();
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
