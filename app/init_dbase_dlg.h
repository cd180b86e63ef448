// CInitDbaseDlg: the "Web Variables" dialog. It loads and saves the settings the PDU's web
// server depends on (name, network settings and option bits, four web users) and, with the
// developer flag, formats the PDU's database and writes every variable's default. The passes
// run on its worker thread; the dialog touches the table only between passes.
#pragma once

#include <QDialog>
#include <array>
#include <memory>
#include <vector>

#include "common/model_profile.h"
#include "dialogs/worker_closing.h"
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
    bool busy() const;
    const WebDatabase& database() const { return *block_->database; }
    bool workerRunning() const { return !worker_->ended(); }

    // Cancel: ends the worker, then closes; a save or initialise in progress finishes first,
    // with its questions.
    void reject() override;

  protected:
    bool event(QEvent* e) override;

  private:
    void buildControls(bool developer);
    void onLoad();
    void onSave();
    void onInitialize();
    void applyDhcpRule();
    void give(std::uint8_t command);
    // After a pass and its questions: a Cancel given meanwhile takes effect.
    void passEnded();
    void closeWhenDone();
    void setButtonsEnabled(bool enabled);
    void showEntry(int index);
    void askRestart(const QString& title, const QString& text);
    // Before a write pass: which network entries it is to write.
    void noteNetworkMarks();
    // After it: true when one of them reached the PDU.
    bool networkWritten() const;
    // After a save: names what the PDU did not take; true when everything was written.
    bool reportUnwritten();
    WebEdits edits() const;
    void onWorkerMessage(const platform::Message& m);

    PduRecord* pdu_;
    bool networkChanged_ = false;
    bool closeAsked_ = false;         // Cancel during a write pass: closes once it has ended
    int passesOpen_ = 0;              // passes given whose end the dialog has not taken yet
    bool loaded_ = false;             // the latest Load read every entry: Save may write
    std::vector<int> networkMarked_;  // the network entries the pass in progress writes

    dialogs::QtMessageTarget target_{this};
    std::shared_ptr<WebWorkerBlock> block_;
    std::unique_ptr<WebDatabaseWorker> worker_;
    dialogs::WorkerClosing* closing_ = nullptr;

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
