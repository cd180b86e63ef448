// CStateDlg ("PDU State"): the live view of one PDU. It lays itself out from the PDU record,
// runs a state worker that reads the device through the operations table, shows what the worker
// hands over, and turns the operator's clicks into switching, reset and clear-alarm commands.
#pragma once

#include <QString>
#include <array>
#include <memory>
#include <vector>

#include "common/device_address_block.h"
#include "common/model_profile.h"
#include "common/state_ops.h"
#include "dialogs/draggable_dialog.h"
#include "dialogs/halvex_api.h"
#include "dialogs/logic/state_layout.h"
#include "dialogs/logic/state_view.h"

class QCheckBox;
class QGroupBox;
class QLabel;
class QProgressBar;
class QPushButton;

namespace quorvel {
class CColorStaticST;
namespace platform {
class MessagePort;
}
}  // namespace quorvel

namespace quorvel::dialogs {

class DialogWorker;
class QtMessageTarget;
class StateWorkerLoop;
class WorkerClosing;

class QUORVEL_HALVEX_API CStateDlg : public CDraggableDialog, private StateActions {
    Q_OBJECT

  public:
    // How long waitWorkerEnded waits by default.
    static constexpr int kWorkerEndBoundMs = 20000;

    // The worker starts at once, on copies of the operations table, record and addresses.
    CStateDlg(PduRecord* record, const StateOps* ops, const DeviceAddressBlock* addresses,
              QWidget* parent = nullptr);
    ~CStateDlg() override;

    const StateLayout& stateLayout() const { return layout_; }
    const StateViewModel& viewModel() const { return model_; }
    // Keeps the window thread's events flowing (user input held back) until the worker ended
    // or boundMs passed; true when it ended.
    bool waitWorkerEnded(int boundMs = kWorkerEndBoundMs);
    bool workerEnded() const;

  protected:
    bool event(QEvent* e) override;
    // OK, the close box and Escape all end here: the close command, then the dialog ends once
    // the worker has (a switching command in progress or queued finishes first).
    void done(int result) override;

  private:
    struct CircuitControls {
        QGroupBox* group = nullptr;
        QLabel* voltage = nullptr;
        QLabel* totalLabel = nullptr;
        QLabel* total = nullptr;
        QPushButton* setAll = nullptr;
        QPushButton* clearAll = nullptr;
    };
    struct RowControls {
        QLabel* name = nullptr;
        QLabel* current = nullptr;
        QCheckBox* check = nullptr;
        QPushButton* reset = nullptr;
    };

    void buildControls();
    void chainTabOrder();
    void startWorker(PduRecord* record, const DeviceAddressBlock* addresses);
    void onWorkerEvent(unsigned code, std::intptr_t value);
    void applyView();
    void applyLight();

    // StateActions
    bool ask(const std::u16string& title, const std::u16string& text) override;
    bool canSignal() const override;
    void postMaskCommand(std::uint8_t command, const MaskEdit& edit) override;
    void postCommand(std::uint8_t command) override;

    StateOps ops_;
    StateLayout layout_;
    StateViewModel model_;
    WorkerClosing* closing_ = nullptr;

    std::unique_ptr<QtMessageTarget> target_;
    std::shared_ptr<platform::MessagePort> port_;
    std::shared_ptr<StateWorkerLoop> loop_;
    std::unique_ptr<DialogWorker> worker_;

    QLabel* version_ = nullptr;
    QLabel* modelText_ = nullptr;
    QLabel* temperature_ = nullptr;
    QLabel* humidity_ = nullptr;
    QLabel* alarmText_ = nullptr;
    QPushButton* tripped_ = nullptr;
    QLabel* mac_ = nullptr;
    QLabel* ip_ = nullptr;
    QCheckBox* updateFields_ = nullptr;
    QCheckBox* updateSoftware_ = nullptr;
    std::array<CircuitControls, kMaxCircuits> circuits_{};
    std::array<RowControls, kMaxReceptacles> rows_{};
    QPushButton* ok_ = nullptr;
    CColorStaticST* light_ = nullptr;
    QProgressBar* progress_ = nullptr;
    QPushButton* refresh_ = nullptr;
    QPushButton* clear_ = nullptr;
};

}  // namespace quorvel::dialogs
