// The GUI suites' hands on the desktop program: finding a control by its object name, the main
// window shown over a simulated PDU (or over whatever the COM ports lead to), Connect and
// Disconnect within their bounds, and the modal dialog an Actions button opens, driven from
// inside that dialog's own event loop.
#pragma once

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QLabel>
#include <QString>
#include <QTest>
#include <QTimer>
#include <QWidget>
#include <functional>
#include <memory>
#include <string>

#include "app/prompter.h"
#include "app/quorvel_dlg.h"
#include "app/simulated_pdu.h"
#include "catalogue/attribute_loader.h"
#include "catalogue/attribute_tables.h"
#include "sim/faults.h"
#include "sim/pty_simulator.h"

namespace quorvel::gui_test {

// How long a login to a simulated PDU, and the logout, may take.
constexpr int kConnectBoundMs = 30000;

// Loads the attribute file the build ships, as the main window does when it starts. Call it
// under ASSERT_NO_FATAL_FAILURE.
inline void LoadShippedAttributes() {
    ASSERT_TRUE(LoadPDUAttributes(Attributes(), QUORVEL_BIN_DIR "/pduattribs.ini"));
}

// The control of `parent` with this object name; a missing control fails the test.
template <typename W = QWidget>
W* Child(const QWidget& parent, const QString& name) {
    W* w = parent.findChild<W*>(name);
    EXPECT_NE(w, nullptr) << name.toStdString();
    return w;
}

template <typename W = QWidget>
W* Child(const QWidget& parent, const char* name) {
    return Child<W>(parent, QString::fromLatin1(name));
}

// The text of the named label, "<missing NAME>" when there is none.
inline QString LabelText(const QWidget& parent, const QString& name) {
    const auto* label = parent.findChild<QLabel*>(name);
    return label != nullptr ? label->text() : QStringLiteral("<missing %1>").arg(name);
}

// Clicks the named button, enabled or not.
inline void Click(const QWidget& parent, const char* name) {
    if (auto* button = Child<QAbstractButton>(parent, name)) {
        button->click();
    }
}

// Calls `open`, which runs a modal dialog, and runs `inside` on that dialog from within its own
// event loop. A dialog that `inside` left open after a fatal failure is closed, so that `open`
// returns and the suite goes on; when `open` returns without running an event loop, `inside`
// never runs.
inline void WithModal(QObject* context, const std::function<void()>& open,
                      const std::function<void(QWidget&)>& inside) {
    bool ran = false;
    QTimer first;
    first.setSingleShot(true);
    QObject::connect(&first, &QTimer::timeout, context, [&] {
        QWidget* dlg = QApplication::activeModalWidget();
        ASSERT_NE(dlg, nullptr) << "no modal dialog is shown";
        ASSERT_NE(dlg, context) << "the main window is no dialog of its own";
        ran = true;
        inside(*dlg);
        if (::testing::Test::HasFatalFailure() && dlg->isVisible()) {
            dlg->close();
        }
    });
    first.start(0);
    open();
    first.stop();
    EXPECT_TRUE(ran) << "the dialog never showed";
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr) << "a dialog is still open";
}

// The main window as the operator sees it, over a simulated PDU of its own when one is
// started; a session still running at the end is disconnected.
class MainWindow {
  public:
    explicit MainWindow(app::Prompter& prompter) : prompter_(prompter) {}
    ~MainWindow() { end(); }
    MainWindow(const MainWindow&) = delete;
    MainWindow& operator=(const MainWindow&) = delete;

    // Starts the simulated PDU on `profile` with `faults` and shows the window over it (over
    // no PDU when it did not start). Call it under ASSERT_NO_FATAL_FAILURE.
    void open(const std::string& profile, bool developer, const sim::Faults& faults = {}) {
        simulated_ = std::make_unique<app::SimulatedPdu>();
        std::string error;
        const bool started = simulated_->start(profile, faults, error);
        show(developer);
        ASSERT_TRUE(started) << profile << ": " << error;
    }
    // Shows the window over the COM ports as they are mapped, without a simulated PDU.
    void show(bool developer) {
        window_ = std::make_unique<app::CQuorvelDlg>(developer, prompter_, simulated_.get());
        window_->show();
    }
    // Connect, and the session in its normal loop. Call it under ASSERT_NO_FATAL_FAILURE.
    void connect(int boundMs = kConnectBoundMs) {
        window_->onConnect();
        ASSERT_TRUE(QTest::qWaitFor([this] { return window_->sessionReady(); }, boundMs))
            << "no session within " << boundMs << " ms";
    }
    // Disconnect, and the window back to Connect.
    void disconnect(int boundMs = kConnectBoundMs) {
        window_->onDisconnect();
        ASSERT_TRUE(QTest::qWaitFor(
            [this] { return !window_->sessionRunning() && window_->view().connectVisible; },
            boundMs))
            << "the session did not end within " << boundMs << " ms";
    }
    // Ends a session still running and closes the window.
    void end() {
        if (window_ && window_->sessionRunning()) {
            disconnect();
        }
        window_.reset();
    }
    // Clicks the named Actions button and runs `inside` on the dialog it opens.
    void withDialog(const char* button, const std::function<void(QWidget&)>& inside) {
        WithModal(
            window_.get(), [&] { Click(*window_, button); }, inside);
    }

    app::CQuorvelDlg& window() { return *window_; }
    app::CQuorvelDlg* operator->() { return window_.get(); }
    app::SimulatedPdu& simulated() { return *simulated_; }
    sim::PtySimulator& simulator() { return *simulated_->simulator(); }

  private:
    app::Prompter& prompter_;
    std::unique_ptr<app::SimulatedPdu> simulated_;
    std::unique_ptr<app::CQuorvelDlg> window_;
};

}  // namespace quorvel::gui_test
