// CInitDbaseDlg: the "Web Variables" dialog. It loads and saves the settings the PDU's web
// server depends on (name, network settings and option bits, four web users) and, with the
// developer flag, formats the PDU's database and writes every variable's default. The passes
// run on its worker thread; the dialog touches the table only between passes.
#pragma once

#include <QDialog>
#include <array>
#include <deque>
#include <memory>

#include "common/model_profile.h"
#include "dialogs/worker_message_event.h"
#include "link/web_database_worker.h"

class QCheckBox;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;

namespace quorvel::app {

class CInitDbaseDlg : public QDialog {
    Q_OBJECT
  public:
    CInitDbaseDlg(std::uint8_t developerFlag, PduRecord* pdu, QWidget* parent = nullptr);
    ~CInitDbaseDlg() override;

    // The dialog's state, for tests.
    bool networkChanged() const { return networkChanged_; }
    bool busy() const { return inFlight_ != kWebIdle || !queued_.empty(); }
    const WebDatabase& database() const { return *block_->database; }
    bool workerRunning() const { return worker_->running(); }

    void reject() override;  // Cancel: ends the worker, then closes

  protected:
    bool event(QEvent* e) override;

  private:
    void buildControls(bool developer);
    void onLoad();
    void onSave();
    void onInitialize();
    void applyDhcpRule();
    void give(std::uint8_t command);
    void sendNext();
    void passEnded();
    void setButtonsEnabled(bool enabled);
    void showEntry(int index);
    void askRestart(const QString& title, const QString& text);
    WebEdits edits() const;
    void onWorkerMessage(const platform::Message& m);

    PduRecord* pdu_;
    bool networkChanged_ = false;
    bool networkChangedBeforeInit_ = false;
    std::uint8_t inFlight_ = kWebIdle;  // the command the worker is performing
    std::deque<std::uint8_t> queued_;   // commands given while another runs

    dialogs::QtMessageTarget target_{this};
    std::shared_ptr<WebWorkerBlock> block_;
    std::unique_ptr<WebDatabaseWorker> worker_;

    QLineEdit* name_ = nullptr;
    QLineEdit* ip_ = nullptr;
    QLineEdit* subnet_ = nullptr;
    QLineEdit* gateway_ = nullptr;
    QCheckBox* dhcp_ = nullptr;
    QCheckBox* web_ = nullptr;
    QCheckBox* swUpdate_ = nullptr;
    QCheckBox* celsius_ = nullptr;
    std::array<QLineEdit*, kWebUsers> users_{};
    std::array<QLineEdit*, kWebUsers> passwords_{};
    QLabel* status_ = nullptr;
    QProgressBar* progress_ = nullptr;
    QPushButton* initialize_ = nullptr;
    QPushButton* load_ = nullptr;
    QPushButton* save_ = nullptr;
    QPushButton* cancel_ = nullptr;
};

}  // namespace quorvel::app
