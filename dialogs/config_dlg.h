// CConfigDlg: the configuration dialog behind PduConfigDlg. It lays itself out from the PDU
// record, loads and saves the PDU's configuration items through its worker and the operations
// table it was handed, and shows, edits, defaults and clears them.
#pragma once

#include <QHash>
#include <QString>
#include <QStringList>
#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <nlohmann/json.hpp>
#include <vector>

#include "common/config_ops.h"
#include "dialogs/draggable_dialog.h"
#include "dialogs/halvex_api.h"
#include "dialogs/logic/config_layout.h"
#include "dialogs/logic/config_plan.h"
#include "dialogs/logic/config_temperature.h"

class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QScrollArea;

namespace quorvel::dialogs {

class ConfigWorkerLoop;
class DialogWorker;
class QtMessageTarget;
class WorkerClosing;

class QUORVEL_HALVEX_API CConfigDlg : public CDraggableDialog {
    Q_OBJECT

  public:
    // Asks for the configuration file to export to (save) or import from; an empty name when
    // the operator cancels.
    using FileChooser = std::function<QString(bool save, QWidget* parent)>;

    // record, ops and addresses stay the caller's; the dialog works on copies and hands the
    // record back, with what Open learnt, once its worker has ended.
    CConfigDlg(PduRecord* record, const ConfigOps* ops, DeviceAddressBlock* addresses,
               QWidget* parent = nullptr);
    ~CConfigDlg() override;

    const ConfigLayout& plannedLayout() const { return layout_; }
    // The block the worker fills (for tests: read it only while the worker is idle).
    const ConfigWorkerBlock& block() const { return *run_->block; }
    bool busy() const { return busy_; }
    bool workerRunning() const;
    void setFileChooser(FileChooser chooser) { chooseFile_ = std::move(chooser); }
    // QFileDialog's save-file or open-file dialog over configuration files.
    static QString ChooseWithFileDialog(bool save, QWidget* parent);

  public slots:
    void done(int result) override;

  protected:
    bool event(QEvent* e) override;
    // A scrolling page follows the focus, also when Tab comes round to it from the buttons.
    bool focusNextPrevChild(bool next) override;

  private:
    struct ReceptacleWidgets {
        QLabel* label = nullptr;
        QLineEdit* name = nullptr;
        QLineEdit* onDelay = nullptr;
        QLineEdit* resetDelay = nullptr;
        QCheckBox* powerOn = nullptr;
    };
    struct CircuitWidgets {
        QGroupBox* box = nullptr;
        QLabel* maxLabel = nullptr;
        QLineEdit* maxCurrent = nullptr;
        QLabel* lockLabel = nullptr;
        QLineEdit* lockCurrent = nullptr;
    };

    void fitFont();
    void createControls();
    void applyLayout();
    void chainTabOrder();
    void startWorker();
    // Once the open operation has run, the caller's record gets what it learnt.
    void handBackRecord();
    void post(std::uint8_t command);
    void setBusy(bool busy);

    void onLoad();
    void onSave();
    void onFormat();
    void onSetDefaults();
    void onResetNet();
    void onClear();
    void onExport();
    void onImport();
    void onAutoIp(bool checked);
    void onCelsius(bool checked);

    // Export… and Import… work on fields that show what the PDU holds: after a load, not
    // after Format, never while a pass runs.
    void updateFileButtons();
    // Every field the dialog shows, keyed and valued as quorvelctl config get prints them.
    nlohmann::ordered_json fieldValues() const;
    // Enters the file's values of `keys` into their fields, as if typed.
    void fillFromFile(const nlohmann::ordered_json& items, const std::vector<std::string>& keys);
    void fillDefaults();
    void clearFields();
    void showItem(int table, int index);
    void showElement(int table, int index);
    void showTemperatures();
    // Brings the temperature limits to the unit asked for; the refusals of typed limits that
    // lie outside the unit's range, one text each (and which limits, when asked).
    QStringList switchTemperatureUnit(bool celsius, std::array<bool, 2>* refused = nullptr);
    // Collects the fields into the edit image; the refusals of fields whose typed number lies
    // outside the field's range (their elements keep what the PDU holds), one text each.
    QStringList collect();
    // The field of entry index of table as the operator knows it, for messages.
    QString fieldName(int table, int index) const;
    void reportRefused(const QStringList& refused);
    bool protectedHidden(std::uint8_t code) const;
    // Sets an edit's text and remembers it as shown, so that collecting skips an edit whose
    // text the operator did not change.
    void setShown(QLineEdit* edit, const QString& text);
    bool changedSinceShown(const QLineEdit* edit) const;
    QLineEdit* editFor(int table, int index) const;

    PduRecord* callerRecord_;
    PduRecord record_;  // as the dialog laid itself out
    std::int32_t mode_ = 0;
    std::uint8_t developer_ = 0;
    bool canWrite_ = false;
    bool busy_ = false;
    // After Format the device image no longer says what the PDU holds: Save stays disabled
    // until a Load has read it again.
    bool needsLoad_ = false;
    bool loaded_ = false;  // a load has run
    FileChooser chooseFile_ = &CConfigDlg::ChooseWithFileDialog;
    std::shared_ptr<ConfigRun> run_;
    std::unique_ptr<QtMessageTarget> target_;
    std::shared_ptr<platform::MessagePort> port_;
    std::shared_ptr<ConfigWorkerLoop> loop_;
    std::unique_ptr<DialogWorker> worker_;
    WorkerClosing* closing_ = nullptr;
    ConfigLayout layout_;
    TemperatureLimits temperatures_;
    QHash<const QLineEdit*, QString> shown_;

    QWidget* page_ = nullptr;
    QScrollArea* scroll_ = nullptr;
    std::vector<QLabel*> generalLabels_;    // by general table entry
    std::vector<QLineEdit*> generalEdits_;  // by general table entry; null for the options
    std::vector<QLineEdit*> circuitEdits_;  // by circuit table entry; null for power-on groups
    std::array<QCheckBox*, 5> netBoxes_{};
    std::array<ReceptacleWidgets, kMaxReceptacles> rows_{};
    std::array<CircuitWidgets, kMaxCircuits> circuits_{};
    std::array<QLineEdit*, kVoltageInputs> minVoltage_{};
    std::array<QLineEdit*, kVoltageInputs> maxVoltage_{};
    std::array<QLabel*, kVoltageInputs> minVoltageLabel_{};
    std::array<QLabel*, kVoltageInputs> maxVoltageLabel_{};
    std::array<QLineEdit*, 2> temperatureEdits_{};
    std::array<QLabel*, 2> temperatureLabels_{};
    QProgressBar* progress_ = nullptr;
    QPushButton* format_ = nullptr;
    QPushButton* setDefaults_ = nullptr;
    QPushButton* resetNet_ = nullptr;
    QPushButton* clear_ = nullptr;
    QPushButton* load_ = nullptr;
    QPushButton* save_ = nullptr;
    QPushButton* ok_ = nullptr;
    QPushButton* import_ = nullptr;
    QPushButton* export_ = nullptr;
};

}  // namespace quorvel::dialogs
