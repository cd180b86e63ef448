// CQuorvelDlg: the main window. It owns the session record, the PduRecord and the address
// block, starts and stops the session worker, shows what the worker reports and launches the
// dialogs. Its display rules live in MainWindowModel; this class applies them to the controls.
#pragma once

#include <QDialog>
#include <QElapsedTimer>
#include <QTimer>
#include <array>
#include <memory>
#include <vector>

#include "app/launchers.h"
#include "app/main_window_model.h"
#include "common/model_profile.h"
#include "common/state_ops.h"
#include "link/session_worker.h"
#include "platform/events.h"
#include "platform/message_target.h"
#include "platform/serial_ports.h"

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QPushButton;
class QSocketNotifier;

namespace quorvel {
class CColorStaticST;
}

namespace quorvel::dialogs {
class Prompter;
}

namespace quorvel::platform {
class UdevMonitor;
}

namespace quorvel::app {

using dialogs::Prompter;
class SimulatedPdu;

// Longest wait for the worker to log off when the window closes during a session; the window
// keeps running meanwhile.
constexpr int kQuitLogoffWaitMs = SessionWorker::kEndBoundMs;

class CQuorvelDlg : public QDialog, public platform::MessageTarget {
    Q_OBJECT
  public:
    // prompter answers every message box; simulator, when given, stands behind the port the
    // operator connects to.
    CQuorvelDlg(bool developer, Prompter& prompter, SimulatedPdu* simulator = nullptr,
                QWidget* parent = nullptr);
    ~CQuorvelDlg() override;

    // From any thread: queues the message for the window thread.
    void post(unsigned msg, std::uintptr_t wParam, std::intptr_t lParam) override;

    // The button actions.
    void onConnect();
    void onDisconnect();
    // A close request: asks while a session runs; true when the window may close now. After a
    // Yes during a session the worker logs off while the window keeps running, and the window
    // closes once it has ended (or after kQuitLogoffWaitMs).
    bool requestQuit();
    // True while the window waits for the worker to log off before it closes.
    bool quitting() const { return quitTimer_.isActive(); }
    void showAbout();
    // The Ports... button: the serial devices found and the device of the selected COM port.
    void onPorts();
    // Looks for the serial devices again (a udev event said one came or went) and shows them
    // in the COM list's tooltips and in an open Ports dialog.
    void refreshPorts();
    const std::vector<platform::SerialPortInfo>& serialPorts() const { return serialPorts_; }

    // Brings the window forward (a second start asked for it).
    void bringForward();

    const WindowView& view() const { return model_.view(); }
    const SessionRecord& sessionRecord() const { return record_; }
    const PduRecord& pduRecord() const { return pdu_; }
    bool sessionRunning() const { return worker_ && worker_->running(); }
    // Connections started since the window opened.
    int workersStarted() const { return workersStarted_; }
    // The worker has reported the configuration and entered its normal loop.
    bool sessionReady() const { return sessionReady_; }

  signals:
    void portsChanged();

  protected:
    bool event(QEvent* e) override;
    void closeEvent(QCloseEvent* e) override;
    void reject() override;

  private:
    void buildControls();
    LaunchContext launchContext();
    void onWorkerMessage(unsigned msg, std::uintptr_t wParam, std::intptr_t lParam);
    void onPortChanged(int index);
    void identityRefresh();
    void render();
    void apply(const WindowView& v);
    void reserveConnectedSize();
    void setIndicator(const Rgb& colour);
    void postStatus(const std::u16string& text);
    void quitWhenLoggedOff();
    void updatePortTooltips();

    bool developer_;
    Prompter& prompter_;
    SimulatedPdu* simulator_;
    MainWindowModel model_;
    // The record outlives the worker: the worker is declared after it and ends first.
    SessionRecord record_;
    PduRecord pdu_{};
    DeviceAddressBlock addresses_{};
    std::shared_ptr<platform::MessagePort> port_;
    std::shared_ptr<platform::AutoResetEvent> stopEvent_;
    std::unique_ptr<SessionWorker> worker_;
    int workersStarted_ = 0;
    bool configReady_ = false;
    bool sessionReady_ = false;
    bool closing_ = false;
    QTimer quitTimer_;
    QElapsedTimer quitClock_;

    std::vector<platform::SerialPortInfo> serialPorts_;
    std::unique_ptr<platform::UdevMonitor> udevMonitor_;
    QSocketNotifier* hotplug_ = nullptr;

    QComboBox* portList_ = nullptr;
    QPushButton* portsButton_ = nullptr;
    CColorStaticST* indicator_ = nullptr;
    QPushButton* connect_ = nullptr;
    QPushButton* disconnect_ = nullptr;
    QGroupBox* actions_ = nullptr;
    QPushButton* monitor_ = nullptr;
    QPushButton* configure_ = nullptr;
    QPushButton* web_ = nullptr;
    QPushButton* modelButton_ = nullptr;
    QPushButton* calibrate_ = nullptr;
    QGroupBox* modules_ = nullptr;
    std::array<QCheckBox*, 2> environment_{};
    std::array<QCheckBox*, kModuleSlots> slots_{};
    std::array<QLabel*, 5> identity_{};
    QLabel* status_ = nullptr;
};

}  // namespace quorvel::app
