// The state dialog's controls, its worker and the export that runs it.
// worker_loop.h names a parameter "signals", which Qt defines as a keyword: the worker headers
// come before every Qt header.
#include "dialogs/logic/dialog_worker.h"
#include "dialogs/logic/state_worker.h"
// The dialog itself.
#include "dialogs/state_dlg.h"

#include <QApplication>
#include <QCheckBox>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QGroupBox>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>

#include "common/address_text.h"
#include "common/qt/color_static.h"
#include "dialogs/dialog_keys.h"
#include "dialogs/halvex_exports.h"
#include "dialogs/logic/focus_order.h"
#include "dialogs/logic/worker_messages.h"
#include "dialogs/prompter.h"
#include "dialogs/worker_closing.h"
#include "dialogs/worker_message_event.h"

namespace quorvel::dialogs {

namespace {

const QColor kLightOn(0, 255, 0);
const QColor kLightOff(64, 50, 50);
constexpr int kFontPixels = 11;
constexpr int kWorkerPollMs = 10;
// A group box whose caption sits on its top edge, so the rows placed 18 below the edge clear it.
constexpr char kGroupStyle[] =
    "QGroupBox { border: 1px solid palette(mid); border-radius: 2px; margin-top: 7px; }"
    "QGroupBox::title { subcontrol-origin: margin; subcontrol-position: top left; left: 8px;"
    " padding: 0px 3px; }";

QString Q(const std::u16string& text) {
    return QString::fromStdU16String(text);
}

// The block and the copies of the operations table, record and addresses it points to live as
// long as the worker holds them, whatever happens to the dialog and to what the caller passed:
// a worker still in a console exchange when the dialog closes finishes on them.
struct StateRun {
    StateOps ops;
    PduRecord record{};
    DeviceAddressBlock addresses{};
    StateWorkerBlock block;
};

template <typename W>
W* Make(QWidget* parent, const QString& name, const PlacedControl& place) {
    auto* w = new W(parent);
    w->setObjectName(name);
    w->setGeometry(place.rect.x, place.rect.y, place.rect.w, place.rect.h);
    w->setVisible(place.shown);
    return w;
}

QLabel* Label(QWidget* parent, const QString& name, const PlacedControl& place,
              const QString& text = QString()) {
    auto* label = Make<QLabel>(parent, name, place);
    label->setText(text);
    return label;
}

QPushButton* Button(QWidget* parent, const QString& name, const PlacedControl& place,
                    const QString& text) {
    auto* button = Make<QPushButton>(parent, name, place);
    button->setText(text);
    button->setAutoDefault(false);
    return button;
}

// A check box the worker sets and the operator cannot change.
QCheckBox* ReadOnlyCheck(QWidget* parent, const QString& name, const PlacedControl& place) {
    auto* check = Make<QCheckBox>(parent, name, place);
    check->setAttribute(Qt::WA_TransparentForMouseEvents);
    check->setFocusPolicy(Qt::NoFocus);
    return check;
}

}  // namespace

CStateDlg::CStateDlg(PduRecord* record, const StateOps* ops, const DeviceAddressBlock* addresses,
                     QWidget* parent)
    : CDraggableDialog(parent),
      ops_(*ops),
      layout_(ComputeStateLayout(*record, ops_.mode, ops_.developerFlag != 0)),
      model_(*record, layout_, ops_.mode, ops_.developerFlag != 0) {
    setObjectName(QStringLiteral("stateDialog"));
    setWindowTitle(QStringLiteral("PDU State"));
    // The layout is in pixels for a narrow dialog font: the texts get a small, condensed one.
    QFont small = font();
    small.setPixelSize(kFontPixels);
    small.setStretch(QFont::SemiCondensed);
    setFont(small);
    closing_ = new WorkerClosing(this);
    buildControls();
    chainTabOrder();
    resize(layout_.width, layout_.height);
    applyView();
    applyLight();
    startWorker(record, addresses);
}

CStateDlg::~CStateDlg() {
    // Never waits: a worker still in an operation finishes on its own block and table copy,
    // and its late messages are dropped once the port is detached.
    if (worker_) {
        worker_->finish(0);
    }
    if (port_) {
        port_->detach();
    }
}

void CStateDlg::buildControls() {
    const StateLayout& l = layout_;
    // Group boxes first, so everything placed on them lies above them.
    for (int i = 0; i < kMaxCircuits; ++i) {
        const CircuitLayout& c = l.circuits[i];
        auto* group = Make<QGroupBox>(this, QStringLiteral("circuitGroup%1").arg(i),
                                      PlacedControl{c.shown, c.group});
        group->setTitle(Q(c.caption));
        group->setStyleSheet(kGroupStyle);
        circuits_[i].group = group;
    }
    Label(this, "versionLabel", l.versionLabel, "Software Version");
    version_ = Label(this, "versionValue", l.versionValue);
    Label(this, "modelLabel", l.modelLabel, "Model ");
    modelText_ = Label(this, "modelValue", l.modelValue);
    Label(this, "temperatureLabel", l.temperatureLabel, "Temperature");
    temperature_ = Label(this, "temperatureValue", l.temperatureValue);
    Label(this, "humidityLabel", l.humidityLabel, "Humidity");
    humidity_ = Label(this, "humidityValue", l.humidityValue);
    Label(this, "alarmLabel", l.alarmLabel, "Alarm State");
    alarmText_ = Label(this, "alarmText", l.alarmText, "No Alarms");
    tripped_ = Button(this, "trippedButton", l.tripped, "TRIPPED!");
    tripped_->setVisible(false);
    Label(this, "macLabel", l.macLabel, "MAC Address");
    mac_ = Label(this, "macValue", l.macValue);
    Label(this, "ipLabel", l.ipLabel, "IP Address");
    ip_ = Label(this, "ipValue", l.ipValue);
    Label(this, "updateFieldsLabel", l.updateFieldsLabel, "Update Fields");
    updateFields_ = ReadOnlyCheck(this, "updateFieldsCheck", l.updateFieldsCheck);
    Label(this, "updateSoftwareLabel", l.updateSoftwareLabel, "Update SW");
    updateSoftware_ = ReadOnlyCheck(this, "updateSoftwareCheck", l.updateSoftwareCheck);
    connect(tripped_, &QPushButton::clicked, this, [this] {
        model_.alarmDetails(*this);
        applyView();
    });

    for (int i = 0; i < kMaxCircuits; ++i) {
        const CircuitLayout& c = l.circuits[i];
        CircuitControls& cc = circuits_[i];
        for (std::size_t m = 0; m < c.currentHeaders.size(); ++m) {
            Label(this, QStringLiteral("currentHeader%1_%2").arg(i).arg(m),
                  PlacedControl{true, c.currentHeaders[m]}, "Current");
        }
        for (std::size_t m = 0; m < c.powerHeaders.size(); ++m) {
            Label(this, QStringLiteral("powerHeader%1_%2").arg(i).arg(m),
                  PlacedControl{true, c.powerHeaders[m]}, "Power");
        }
        cc.voltage = Label(this, QStringLiteral("voltageValue%1").arg(i), c.voltage);
        cc.totalLabel = Label(this, QStringLiteral("totalLabel%1").arg(i), c.totalLabel, "Total");
        cc.total = Label(this, QStringLiteral("totalValue%1").arg(i), c.totalValue);
        cc.setAll = Button(this, QStringLiteral("setAll%1").arg(i), c.setAll, Q(c.setAllText));
        cc.clearAll =
            Button(this, QStringLiteral("clearAll%1").arg(i), c.clearAll, Q(c.clearAllText));
        connect(cc.setAll, &QPushButton::clicked, this, [this, i] {
            model_.switchCircuit(i, true, *this);
            applyView();
        });
        connect(cc.clearAll, &QPushButton::clicked, this, [this, i] {
            model_.switchCircuit(i, false, *this);
            applyView();
        });
    }

    for (int k = 0; k < kMaxReceptacles; ++k) {
        const ReceptacleRowLayout& r = l.rows[k];
        RowControls& rc = rows_[k];
        rc.name = Label(this, QStringLiteral("rowName%1").arg(k),
                        PlacedControl{r.shown, r.nameRect}, Q(model_.rowName(k)));
        rc.current = Label(this, QStringLiteral("rowCurrent%1").arg(k), r.current);
        rc.check = Make<QCheckBox>(this, QStringLiteral("rowSwitch%1").arg(k), r.check);
        rc.reset = Button(this, QStringLiteral("rowReset%1").arg(k), r.reset, "R");
        connect(rc.check, &QCheckBox::clicked, this, [this, k](bool ticked) {
            model_.switchReceptacle(k, ticked, *this);
            applyView();
        });
        connect(rc.reset, &QPushButton::clicked, this, [this, k] {
            model_.resetReceptacle(k, *this);
            applyView();
        });
    }

    ok_ = Button(this, "okButton", l.ok, "OK");
    ok_->setDefault(true);
    connect(ok_, &QPushButton::clicked, this, &QDialog::accept);
    light_ = new CColorStaticST(this);
    light_->setObjectName(QStringLiteral("activityLight"));
    light_->setGeometry(l.light.rect.x, l.light.rect.y, l.light.rect.w, l.light.rect.h);
    light_->setVisible(l.light.shown);
    progress_ = Make<QProgressBar>(this, "progressBar", l.progress);
    progress_->setRange(0, 100);
    progress_->setValue(0);
    progress_->setTextVisible(false);
    refresh_ = Button(this, "refreshButton", l.refresh, "Refresh");
    clear_ = Button(this, "clearButton", l.clear, "Clear");
    connect(refresh_, &QPushButton::clicked, this, [this] { postCommand(STATE_CMD_REFRESH); });
    connect(clear_, &QPushButton::clicked, this, [this] {
        model_.clear();
        applyView();
    });
}

// Tab reads the dialog: "TRIPPED!" when it shows, then group by group each circuit's rows line
// by line (check box, then "R", across the columns) and its "Set All" and "Clear All", then the
// bottom line. The focus starts on "OK": a stray Space or Enter then closes the view instead of
// switching an outlet.
void CStateDlg::chainTabOrder() {
    const StateLayout& l = layout_;
    std::vector<QWidget*> widgets;
    std::vector<FocusControl> places;
    std::vector<FocusPoint> groups;
    const auto add = [&](QWidget* w, const PlacedControl& p, int group) {
        if (p.shown) {
            widgets.push_back(w);
            places.push_back({{p.rect.x, p.rect.y}, group});
        }
    };
    add(tripped_, l.tripped, kNoFocusBox);
    for (int i = 0; i < kMaxCircuits; ++i) {
        groups.push_back({l.circuits[i].group.x, l.circuits[i].group.y});
        add(circuits_[i].setAll, l.circuits[i].setAll, i);
        add(circuits_[i].clearAll, l.circuits[i].clearAll, i);
    }
    for (int k = 0; k < kMaxReceptacles; ++k) {
        if (l.rows[k].shown) {
            add(rows_[k].check, l.rows[k].check, l.rows[k].circuit);
            add(rows_[k].reset, l.rows[k].reset, l.rows[k].circuit);
        }
    }
    add(refresh_, l.refresh, kNoFocusBox);
    add(clear_, l.clear, kNoFocusBox);
    add(ok_, l.ok, kNoFocusBox);
    std::vector<QWidget*> chain;
    for (std::size_t i : ReadingOrder(places, groups)) {
        chain.push_back(widgets[i]);
    }
    SetTabChain(chain);
    ok_->setFocus();
}

void CStateDlg::startWorker(PduRecord* record, const DeviceAddressBlock* addresses) {
    target_ = std::make_unique<QtMessageTarget>(this);
    port_ = std::make_shared<platform::MessagePort>(target_.get());
    auto run = std::make_shared<StateRun>();
    run->ops = ops_;
    std::shared_ptr<StateWorkerBlock> block(run, &run->block);
    block->ops = &run->ops;
    block->window = port_;
    if (record != nullptr) {
        run->record = *record;
    }
    block->record = &run->record;
    if (addresses != nullptr) {
        run->addresses = *addresses;
        block->addresses = &run->addresses;
    }
    block->pollInterval = 0;
    block->autoRefresh = ops_.mode == 0 ? 1 : 0;
    if (addresses != nullptr) {
        ParseMacAddress(addresses->macAddress, kAddressTextChars, block->macAddress);
        ParseIpAddress(addresses->ipAddress, kAddressTextChars, block->ipAddress);
    }
    loop_ = std::make_shared<StateWorkerLoop>(block);
    worker_ = std::make_unique<DialogWorker>(loop_, port_);
    worker_->start();
}

bool CStateDlg::workerEnded() const {
    return !worker_ || worker_->ended();
}

bool CStateDlg::waitWorkerEnded(int boundMs) {
    if (workerEnded()) {
        return true;
    }
    QElapsedTimer clock;
    clock.start();
    QEventLoop wait;
    QTimer poll;
    poll.setInterval(kWorkerPollMs);
    connect(&poll, &QTimer::timeout, &wait, [&] {
        if (workerEnded() || clock.hasExpired(boundMs)) {
            wait.quit();
        }
    });
    poll.start();
    wait.exec(QEventLoop::ExcludeUserInputEvents);
    return workerEnded();
}

bool CStateDlg::event(QEvent* e) {
    if (e->type() == WorkerMessageEvent::eventType()) {
        const platform::Message& m = static_cast<WorkerMessageEvent*>(e)->message();
        if (m.msg == UM_WORKER_EVENT) {
            onWorkerEvent(static_cast<unsigned>(m.wParam), m.lParam);
        }
        return true;
    }
    return CDraggableDialog::event(e);
}

void CStateDlg::onWorkerEvent(unsigned code, std::intptr_t value) {
    if (code == EV_UNANSWERED) {
        const ReceptacleMasks left = loop_->takeNotDone();
        const UnansweredNote note =
            UnansweredText(static_cast<std::uint8_t>(value), left.on, left.off, left.reset);
        DialogPrompter().warning(this, Q(note.title), Q(note.text));
        return;
    }
    // A closing dialog only shows its progress.
    if (closing_->active() && code != EV_PULSE && code != EV_PROGRESS) {
        return;
    }
    switch (code) {
        case EV_PULSE:
            model_.pulse(value);
            applyLight();
            return;
        case EV_PROGRESS:
            model_.progress(value);
            progress_->setValue(model_.view().progress);
            return;
        case EV_BUSY:
            model_.busy(value);
            progress_->setValue(model_.view().progress);
            return;
        case EV_IDENTITY:
            model_.identity(loop_->snapshot());
            break;
        case EV_STATUS: {
            const StateSnapshot snap = loop_->snapshot();
            if (!model_.status(snap.statusFrame, snap.displayOptions)) {
                return;
            }
            break;
        }
        default:
            return;
    }
    applyView();
}

void CStateDlg::done(int result) {
    closing_->begin(worker_.get(), [this, result] { CDraggableDialog::done(result); });
}

void CStateDlg::applyLight() {
    light_->SetBackgroundColor(model_.view().lightOn ? kLightOn : kLightOff);
}

void CStateDlg::applyView() {
    const StateView& v = model_.view();
    mac_->setText(Q(v.macAddress));
    ip_->setText(Q(v.ipAddress));
    version_->setText(Q(v.version));
    modelText_->setText(Q(v.model));
    temperature_->setText(Q(v.temperature));
    humidity_->setText(Q(v.humidity));
    alarmText_->setText(Q(v.alarmText));
    alarmText_->setVisible(layout_.alarmText.shown && v.alarmTextShown);
    tripped_->setVisible(layout_.tripped.shown && v.trippedShown);
    updateFields_->setChecked(v.updateFields);
    updateSoftware_->setChecked(v.updateSoftware);
    for (int i = 0; i < kMaxCircuits; ++i) {
        circuits_[i].voltage->setText(Q(v.circuits[i].voltage));
        circuits_[i].total->setText(Q(v.circuits[i].total));
    }
    for (int k = 0; k < kMaxReceptacles; ++k) {
        const ReceptacleRowView& r = v.rows[k];
        rows_[k].current->setText(Q(r.current));
        rows_[k].check->setChecked(r.checked);
        rows_[k].reset->setEnabled(r.resetEnabled);
    }
    progress_->setValue(v.progress);
}

bool CStateDlg::ask(const std::u16string& title, const std::u16string& text) {
    return DialogPrompter().question(this, Q(title), Q(text), Buttons::YesNo) == Answer::Yes;
}

bool CStateDlg::canSignal() const {
    return loop_ && loop_->canSignal();
}

void CStateDlg::postMaskCommand(std::uint8_t command, const MaskEdit& edit) {
    if (loop_) {
        loop_->postMaskCommand(command, edit);
    }
}

void CStateDlg::postCommand(std::uint8_t command) {
    if (worker_) {
        worker_->post(command);
    }
}

}  // namespace quorvel::dialogs

extern "C" void PduStateDlg(quorvel::PduRecord* record, const quorvel::StateOps* ops,
                            quorvel::DeviceAddressBlock* addresses) {
    if (record == nullptr || ops == nullptr) {
        return;
    }
    quorvel::dialogs::CStateDlg dialog(record, ops, addresses, QApplication::activeWindow());
    // The dialog ends without waiting for its worker, which finishes an exchange in progress on
    // its own copies; so the caller gets its window back at once, even on a line gone silent.
    dialog.exec();
}
