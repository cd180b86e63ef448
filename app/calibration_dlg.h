// CPDUCalibDlg: the calibration dialog. For one channel at a time it samples the raw reading at
// a low and a high reference load, computes slope, offset and threshold, writes them after the
// operator confirms, and makes the PDU store its table on Save. All device work runs on its
// worker thread; the dialog only gives commands and shows what the worker reports.
#pragma once

#include <QDialog>
#include <memory>

#include "common/model_profile.h"
#include "dialogs/worker_closing.h"
#include "dialogs/worker_message_event.h"
#include "link/calibration_ops.h"
#include "link/calibration_worker.h"

class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;

namespace quorvel {
struct SessionRecord;
class CColorStaticST;
}  // namespace quorvel

namespace quorvel::platform {
class AutoResetEvent;
}

namespace quorvel::app {

class CPDUCalibDlg : public QDialog {
    Q_OBJECT
  public:
    CPDUCalibDlg(PduRecord* pdu, const CalibrationOps* ops, SessionRecord* session,
                 QWidget* parent = nullptr);
    ~CPDUCalibDlg() override;

    // The dialog's state, for the main window's tests.
    int generation() const { return generation_; }
    bool calibrated() const { return calibrated_; }
    bool lowSampled() const { return lowSampled_; }
    bool highSampled() const { return highSampled_; }
    bool opened() const { return opened_; }
    bool workerFinished() const { return worker_->ended(); }
    const CalibrationWorkerBlock& block() const { return *block_; }

    void reject() override;  // Cancel

  protected:
    bool event(QEvent* e) override;

  private:
    void buildControls();
    void fillChannels();
    void onChannelSelected();
    void onSampleClicked(bool low);
    void onCalibrate();
    void onSave();
    void store();
    void onReboot();
    void closeWhenDone(bool accepted);
    void enableControls(bool enabled);
    void give(std::uint8_t command);
    void onWorkerMessage(const platform::Message& m);
    void setLamp(std::intptr_t state);
    void uncheckSamples();
    bool selectedVoltage() const;

    PduRecord* pdu_;
    SessionRecord* session_;
    int generation_ = 1;
    bool voltageInputs_ = false;
    bool calibrated_ = false;
    bool lowSampled_ = false;
    bool highSampled_ = false;
    bool opened_ = false;
    bool saving_ = false;
    int writesPending_ = 0;  // calibration writes given and not yet reported
    bool lampOn_ = false;
    std::uint32_t selectedItem_ = 0;
    QString writtenChannel_;  // the channel of the latest write given

    dialogs::QtMessageTarget target_{this};
    std::shared_ptr<CalibrationWorkerBlock> block_;
    std::unique_ptr<CalibrationWorker> worker_;
    std::shared_ptr<platform::AutoResetEvent> stopEvent_;
    dialogs::WorkerClosing* closing_ = nullptr;

    QLineEdit* currentLow_ = nullptr;
    QLineEdit* currentHigh_ = nullptr;
    QLineEdit* currentThreshold_ = nullptr;
    QGroupBox* voltageGroup_ = nullptr;
    QLineEdit* voltageLow_ = nullptr;
    QLineEdit* voltageHigh_ = nullptr;
    QLineEdit* voltageThreshold_ = nullptr;
    QListWidget* channels_ = nullptr;
    QCheckBox* sampleLow_ = nullptr;
    QCheckBox* sampleHigh_ = nullptr;
    QLabel* lowRaw_ = nullptr;
    QLabel* highRaw_ = nullptr;
    QLabel* slope_ = nullptr;
    QLabel* offset_ = nullptr;
    QLabel* threshold_ = nullptr;
    QPushButton* calibrate_ = nullptr;
    CColorStaticST* lamp_ = nullptr;
    QPushButton* save_ = nullptr;
    QPushButton* cancel_ = nullptr;
    QPushButton* reboot_ = nullptr;
};

}  // namespace quorvel::app
