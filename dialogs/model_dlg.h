// CSetModelDlg: the model dialog. The operator composes model codes from their features and
// attributes, keeps a list of models, writes MIB and bill-of-materials files, reloads the
// attribute file, reads the PDU's model code and stamps a listed model into the PDU.
#pragma once

#include <QString>
#include <functional>
#include <memory>
#include <optional>

#include "common/model_ops.h"
#include "dialogs/draggable_dialog.h"
#include "dialogs/halvex_api.h"
#include "dialogs/logic/model_compose.h"
#include "dialogs/logic/model_list.h"

class QCheckBox;
class QComboBox;
class QLineEdit;
class QPushButton;

namespace quorvel::dialogs {

class QUORVEL_HALVEX_API CSetModelDlg : public CDraggableDialog {
    Q_OBJECT

  public:
    // Asks for a file name (or a directory in directory mode) starting from proposal; when
    // generation is given the module generation choice is offered and written there. Nothing
    // when the operator cancels.
    using FileNameAsker = std::function<std::optional<QString>(
        bool directoryMode, const QString& proposal, int* generation, QWidget* parent)>;

    // ops and list stay the caller's; list holds capacity entries and changes only on Save.
    CSetModelDlg(const ModelOps* ops, ModelListEntry* list, int capacity,
                 QWidget* parent = nullptr);
    ~CSetModelDlg() override;

    void setFileNameAsker(FileNameAsker asker) { askFileName_ = std::move(asker); }
    // As if the operator typed text into the list's edit field.
    void typeModelText(const QString& text);

    const WorkingModelList& workingList() const { return *list_; }
    const ModelOps& ops() const { return *ops_; }
    // A device call is running (the dialog is disabled and cannot be closed meanwhile).
    bool deviceBusy() const { return busy_; }

    void reject() override;

    // The file name dialog of the library (CGetFilenameDlg) with a 256-character name.
    static std::optional<QString> AskWithFileNameDialog(bool directoryMode, const QString& proposal,
                                                        int* generation, QWidget* parent);

  protected:
    void closeEvent(QCloseEvent* event) override;

  private:
    class DevicePort;
    friend class DevicePort;

    void buildControls();
    void fillDropDowns();
    void connectControls();

    // Reading and setting the controls.
    FeatureChecks checks() const;
    void setChecks(const FeatureChecks& checks);
    ModelSelections selections() const;
    void showControls(const ModelWords& words);
    int selectedPosition() const;
    void selectPosition(int position);
    void clearListSelection();
    void refillList();
    void updateSelectionState();

    // Texts through the table.
    QString encode(const ModelWords& words, std::size_t capacity) const;
    bool decode(const QString& text, ModelWords& words, QString* upper = nullptr) const;

    // Actions.
    void onFeatureClicked(FeatureBox box);
    void compose(bool controlChanged);
    void onListActivated(int index);
    void onListTextEdited(const QString& text);
    void showListed(int position);
    void onAdd();
    void onDelete();
    void onSave();
    void onCreateMib();
    void onCreateAllMibs();
    void onCreateBom();
    void onReloadAttrs();
    void onGetModel();
    void onStampModel();
    void onSocketInfo();

    template <typename Call>
    auto runDeviceCall(Call call);

    const ModelOps* ops_;
    ModelListEntry* callerList_;
    int capacity_;
    bool listOnly_;
    bool busy_ = false;
    bool abandoned_ = false;  // closed during a device call: the rest of the action is dropped
    bool stamping_ = false;   // a stamp is being written: it goes on to its end
    std::unique_ptr<WorkingModelList> list_;
    FileNameAsker askFileName_ = &CSetModelDlg::AskWithFileNameDialog;

    QLineEdit* partNumber_ = nullptr;
    QLineEdit* codeText_ = nullptr;
    QComboBox* modelList_ = nullptr;
    QPushButton* add_ = nullptr;
    QPushButton* delete_ = nullptr;
    QPushButton* createMib_ = nullptr;
    QPushButton* allMibs_ = nullptr;
    QPushButton* createBom_ = nullptr;
    QComboBox* phase_ = nullptr;
    QCheckBox* serial_ = nullptr;
    QCheckBox* ethernet_ = nullptr;
    QCheckBox* socketControl_ = nullptr;
    QCheckBox* socketMeter_ = nullptr;
    QCheckBox* environment_ = nullptr;
    QCheckBox* second_ = nullptr;
    QCheckBox* voltMeter_ = nullptr;
    QComboBox* tlds_ = nullptr;
    QComboBox* formFactor_ = nullptr;
    QComboBox* voltage_ = nullptr;
    QComboBox* current_ = nullptr;
    QComboBox* meters_ = nullptr;
    QComboBox* breakers_ = nullptr;
    QComboBox* inputPlug_ = nullptr;
    QComboBox* socketTypes_ = nullptr;
    QPushButton* socketInfo_ = nullptr;
    QPushButton* reloadAttrs_ = nullptr;
    QPushButton* getModel_ = nullptr;
    QPushButton* stampModel_ = nullptr;
    QPushButton* save_ = nullptr;
    QPushButton* cancel_ = nullptr;
};

}  // namespace quorvel::dialogs
