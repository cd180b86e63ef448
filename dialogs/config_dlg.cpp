// The configuration dialog: its controls, their layout, the buttons and the worker's messages.
// Showing items and collecting the fields are in config_dlg_fields.cpp.
// worker_loop.h names a parameter "signals", which Qt defines as a keyword: the worker headers
// come before every Qt header.
#include "dialogs/logic/config_worker.h"
#include "dialogs/logic/dialog_worker.h"
// The dialog itself.
#include "dialogs/config_dlg.h"

#include <QApplication>
#include <QCheckBox>
#include <QFontMetrics>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QScrollArea>
#include <algorithm>

#include "common/config_values.h"
#include "dialogs/dialog_keys.h"
#include "dialogs/halvex_exports.h"
#include "dialogs/logic/focus_order.h"
#include "dialogs/logic/worker_messages.h"
#include "dialogs/prompter.h"
#include "dialogs/worker_closing.h"
#include "dialogs/worker_message_event.h"

namespace quorvel::dialogs {

namespace {

const QString kTitle = QStringLiteral("PDU Configuration");
const QString kFormatTitle = QStringLiteral("Format");
const QString kFormatQuestion = QStringLiteral("Do you really want to FORMAT?");
const QString kDefaultsTitle = QStringLiteral("Set Defaults");
const QString kDefaultsQuestion = QStringLiteral("Do you really want to Set Default Values?");
const QString kResetTitle = QStringLiteral("Reset Network");
const QString kResetQuestion = QStringLiteral("Do you really want to Reset Network Configuration?");
const QString kClearTitle = QStringLiteral("Clear Values");
const QString kClearQuestion = QStringLiteral("Do you really want to Clear All Values?");
const QString kRefusedTitle = QStringLiteral("Out of Range");
constexpr int kCheckIndicator = 20;  // a check box's indicator and its gap to the text
constexpr double kLargestPoints = 9.0;
constexpr double kSmallestPoints = 6.0;
constexpr int kHeadHeight = 34;  // two lines of small text above the receptacle rows
constexpr int kGeneralTextChars = 31;
constexpr int kNameChars = 32;

QString text(std::u16string_view s) {
    return QString::fromUtf16(s.data(), static_cast<qsizetype>(s.size()));
}

// A fixed profile text up to its terminator.
QString text(const ProfileText& s) {
    std::size_t n = 0;
    while (n < kProfileTextChars && s[n] != u'\0') {
        ++n;
    }
    return text(std::u16string_view(s, n));
}

void place(QWidget* w, const ConfigRect& r) {
    w->setGeometry(r.x, r.y, r.w, r.h);
    w->show();
}

QString key(const ConfigItemDescriptor& d) {
    return QString::fromLatin1(d.keyName != nullptr ? d.keyName : "");
}

}  // namespace

CConfigDlg::CConfigDlg(PduRecord* record, const ConfigOps* ops, DeviceAddressBlock* addresses,
                       QWidget* parent)
    : CDraggableDialog(parent), callerRecord_(record), run_(MakeConfigRun(record, ops, addresses)) {
    record_ = run_->record;
    mode_ = run_->ops.mode;
    developer_ = run_->ops.developerFlag;
    canWrite_ = run_->ops.WriteItem != nullptr;
    setWindowTitle(kTitle);
    setObjectName(QStringLiteral("configDialog"));
    layout_ = ComputeConfigLayout(record_, mode_, run_->catalogue.table(kGeneralItems));
    fitFont();
    page_ = new QWidget(this);
    page_->setObjectName(QStringLiteral("configPage"));
    createControls();
    applyLayout();
    chainTabOrder();
    closing_ = new WorkerClosing(this);
    startWorker();
}

CConfigDlg::~CConfigDlg() {
    if (worker_) {
        worker_->finish(0);
        handBackRecord();
    }
}

void CConfigDlg::fitFont() {
    // The layout is in pixels: the font shrinks until the longest texts fit their places.
    std::vector<std::pair<QString, int>> texts;
    const ConfigItemDescriptor* general = run_->catalogue.table(kGeneralItems);
    for (const ConfigGeneralRow& row : layout_.general) {
        texts.emplace_back(text(general[row.entry].label), row.label.w);
    }
    texts.emplace_back(QStringLiteral("Min Temperature (C):"), layout_.general.front().label.w);
    for (const ConfigCircuitGroup& g : layout_.groups) {
        texts.emplace_back(QStringLiteral("Maximum Current:"), g.maxCurrentLabel.w);
        texts.emplace_back(QStringLiteral("Maximum Voltage:"), g.maxCurrentLabel.w);
        if (g.lockCurrent) {
            texts.emplace_back(QStringLiteral("Maximum Socket Lock Current:"), g.lockLabel.w);
        }
    }
    for (const ConfigReceptacleRow& r : layout_.receptacles) {
        texts.emplace_back(
            text(record_.receptacleWord[r.circuit]) + text(record_.receptacleLabel[r.row]),
            r.label.w);
    }
    for (const NetOptionBox& box : kNetOptionBoxes) {
        texts.emplace_back(text(box.label), layout_.netOptions[0].w - kCheckIndicator);
    }
    QFont f = font();
    f.setPointSizeF(std::min(f.pointSizeF(), kLargestPoints));
    const auto fits = [&texts](const QFont& candidate) {
        const QFontMetrics m(candidate);
        return std::all_of(texts.begin(), texts.end(), [&m](const auto& t) {
            return m.horizontalAdvance(t.first) <= t.second;
        });
    };
    while (f.pointSizeF() > kSmallestPoints && !fits(f)) {
        f.setPointSizeF(f.pointSizeF() - 0.25);
    }
    setFont(f);
}

void CConfigDlg::createControls() {
    const auto makeEdit = [this](const QString& name, int maxChars = 0) {
        auto* e = new QLineEdit(page_);
        e->setObjectName(QStringLiteral("edit_") + name);
        if (maxChars > 0) {
            e->setMaxLength(maxChars);
        }
        e->hide();
        return e;
    };
    const auto makeLabel = [this](const QString& name, const QString& caption) {
        auto* l = new QLabel(caption, page_);
        l->setObjectName(QStringLiteral("label_") + name);
        l->hide();
        return l;
    };

    const ConfigItemDescriptor* general = run_->catalogue.table(kGeneralItems);
    const int generalCount = ConfigTableEntries(general);
    generalLabels_.assign(static_cast<std::size_t>(generalCount), nullptr);
    generalEdits_.assign(static_cast<std::size_t>(generalCount), nullptr);
    for (int i = 0; i < generalCount; ++i) {
        const ConfigItemDescriptor& d = general[i];
        if (d.code == kItemNetOptions) {
            continue;
        }
        const auto at = static_cast<std::size_t>(i);
        generalLabels_[at] = makeLabel(key(d), text(d.label));
        QLineEdit* e = makeEdit(key(d), d.kind == kKindText ? kGeneralTextChars : 0);
        generalEdits_[at] = e;
        if (d.code == kItemMacAddress || protectedHidden(d.code)) {
            e->setEnabled(false);
        }
        if (d.code == kItemEnvironmentLimits && d.elementIndex < 2) {
            const int which = d.elementIndex;
            temperatureEdits_[static_cast<std::size_t>(which)] = e;
            temperatureLabels_[static_cast<std::size_t>(which)] = generalLabels_[at];
            connect(e, &QLineEdit::textEdited, this,
                    [this, which] { temperatures_.edited(which); });
        }
    }
    for (std::size_t b = 0; b < netBoxes_.size(); ++b) {
        auto* box = new QCheckBox(text(kNetOptionBoxes[b].label), page_);
        box->setObjectName(QStringLiteral("check_") + QString::fromLatin1(kNetOptionBoxes[b].name));
        box->hide();
        netBoxes_[b] = box;
    }
    connect(netBoxes_[kNetBoxAutoIp], &QCheckBox::toggled, this, &CConfigDlg::onAutoIp);
    connect(netBoxes_[kNetBoxCelsius], &QCheckBox::toggled, this, &CConfigDlg::onCelsius);

    for (int c = 0; c < kMaxCircuits; ++c) {
        auto* box = new QGroupBox(page_);
        box->setObjectName(QStringLiteral("group_circuit") + QChar(u'A' + c));
        box->hide();
        circuits_[static_cast<std::size_t>(c)].box = box;
    }
    const ConfigItemDescriptor* circuit = run_->catalogue.table(kCircuitItems);
    const int circuitCount = ConfigTableEntries(circuit);
    circuitEdits_.assign(static_cast<std::size_t>(circuitCount), nullptr);
    for (int j = 0; j < circuitCount; ++j) {
        const ConfigItemDescriptor& d = circuit[j];
        const auto e = static_cast<std::size_t>(d.elementIndex);
        QLineEdit*& slot = circuitEdits_[static_cast<std::size_t>(j)];
        switch (d.code) {
            case kItemMaxCurrents:
                slot = circuits_[e].maxCurrent = makeEdit(key(d));
                circuits_[e].maxLabel = makeLabel(key(d), text(d.label));
                circuits_[e].maxLabel->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
                break;
            case kItemLockCurrents:
                slot = circuits_[e].lockCurrent = makeEdit(key(d));
                circuits_[e].lockLabel = makeLabel(key(d), text(d.label));
                break;
            case kItemMinVoltages:
                slot = minVoltage_[e] = makeEdit(key(d));
                minVoltageLabel_[e] = makeLabel(key(d), text(d.label));
                minVoltageLabel_[e]->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
                break;
            case kItemMaxVoltages:
                slot = maxVoltage_[e] = makeEdit(key(d));
                maxVoltageLabel_[e] = makeLabel(key(d), text(d.label));
                maxVoltageLabel_[e]->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
                break;
            case kItemOnDelays:
                slot = rows_[e].onDelay = makeEdit(key(d));
                break;
            case kItemResetDelays:
                slot = rows_[e].resetDelay = makeEdit(key(d));
                break;
            default:
                break;
        }
    }
    const ConfigItemDescriptor* names = run_->catalogue.table(kReceptacleNameItems);
    for (int r = 0; r < kMaxReceptacles && r < ConfigTableEntries(names); ++r) {
        ReceptacleWidgets& row = rows_[static_cast<std::size_t>(r)];
        const QString number = QString::number(r + 1);
        row.label = makeLabel(QStringLiteral("recep") + number, QString());
        row.name = makeEdit(key(names[r]), kNameChars);
        row.powerOn = new QCheckBox(page_);
        row.powerOn->setObjectName(QStringLiteral("check_powerOn") + number);
        row.powerOn->hide();
    }

    progress_ = new QProgressBar(this);
    progress_->setObjectName(QStringLiteral("progressBar"));
    progress_->setRange(0, 100);
    progress_->setValue(0);
    progress_->setTextVisible(false);
    const auto makeButton = [this](const char* caption, const char* name) {
        auto* b = new QPushButton(QString::fromLatin1(caption), this);
        b->setObjectName(QString::fromLatin1(name));
        b->setAutoDefault(false);
        b->hide();
        return b;
    };
    format_ = makeButton("Format", "formatButton");
    setDefaults_ = makeButton("Set Defaults", "setDefaultsButton");
    resetNet_ = makeButton("Reset Net", "resetNetButton");
    clear_ = makeButton("Clear", "clearButton");
    load_ = makeButton("Load", "loadButton");
    save_ = makeButton("Save", "saveButton");
    ok_ = makeButton("OK", "okButton");
    import_ = makeButton("", "importButton");
    export_ = makeButton("", "exportButton");
    import_->setText(QStringLiteral("Import\u2026"));
    export_->setText(QStringLiteral("Export\u2026"));
    save_->setEnabled(false);
    updateFileButtons();
    connect(format_, &QPushButton::clicked, this, &CConfigDlg::onFormat);
    connect(setDefaults_, &QPushButton::clicked, this, &CConfigDlg::onSetDefaults);
    connect(resetNet_, &QPushButton::clicked, this, &CConfigDlg::onResetNet);
    connect(clear_, &QPushButton::clicked, this, &CConfigDlg::onClear);
    connect(load_, &QPushButton::clicked, this, &CConfigDlg::onLoad);
    connect(save_, &QPushButton::clicked, this, &CConfigDlg::onSave);
    connect(ok_, &QPushButton::clicked, this, &QDialog::accept);
    connect(import_, &QPushButton::clicked, this, &CConfigDlg::onImport);
    connect(export_, &QPushButton::clicked, this, &CConfigDlg::onExport);
}

void CConfigDlg::applyLayout() {
    const ConfigLayout& L = layout_;
    resize(L.width, L.height);
    setFixedSize(L.width, L.height);
    if (L.scrolls) {
        scroll_ = new QScrollArea(this);
        scroll_->setObjectName(QStringLiteral("configScroll"));
        scroll_->setFrameShape(QFrame::NoFrame);
        scroll_->setFocusPolicy(Qt::NoFocus);  // Tab goes straight to the fields it holds
        scroll_->setGeometry(L.viewport.x, L.viewport.y, L.viewport.w, L.viewport.h);
        page_->setFixedSize(L.pageWidth, L.pageHeight);
        scroll_->setWidget(page_);
        // A page as wide as the window only scrolls down; the vertical bar covers part of the
        // margin right of the groups, never a control.
        if (L.pageWidth <= L.width) {
            scroll_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        }
        scroll_->lower();
    } else {
        page_->setGeometry(0, 0, L.pageWidth, L.pageHeight);
        page_->lower();
    }

    for (const ConfigGeneralRow& row : L.general) {
        place(generalLabels_[static_cast<std::size_t>(row.entry)], row.label);
        place(generalEdits_[static_cast<std::size_t>(row.entry)], row.edit);
    }
    if (L.netOptions[0].w > 0) {
        for (std::size_t b = 0; b < netBoxes_.size(); ++b) {
            place(netBoxes_[b], L.netOptions[b]);
        }
    }

    const bool switched = (record_.featureWord & kFeatureSwitched) != 0;
    const auto head = [this](const QString& caption, const ConfigRect& r) {
        auto* l = new QLabel(caption, page_);
        l->setObjectName(QStringLiteral("head"));
        l->setWordWrap(true);
        l->setAlignment(Qt::AlignLeft | Qt::AlignBottom);
        place(l, ConfigRect{r.x, r.y, r.w, kHeadHeight});
    };
    for (const ConfigCircuitGroup& g : L.groups) {
        CircuitWidgets& w = circuits_[static_cast<std::size_t>(g.circuit)];
        w.box->setTitle(text(record_.circuitWord) + text(record_.circuitShortLabel[g.circuit]));
        place(w.box, g.box);
        w.box->lower();
        for (const ConfigColumnHeads& h : g.heads) {
            head(QStringLiteral("Name"), h.name);
            if (switched) {
                head(QStringLiteral("ON Delay"), h.onDelay);
                head(QStringLiteral("Reset Delay"), h.resetDelay);
                head(QStringLiteral("Power ON"), h.powerOn);
            }
        }
        place(w.maxLabel, g.maxCurrentLabel);
        place(w.maxCurrent, g.maxCurrentEdit);
        if (g.lockCurrent) {
            place(w.lockLabel, g.lockLabel);
            place(w.lockCurrent, g.lockEdit);
        }
        for (const ConfigVoltageRows& v : g.voltages) {
            const auto at = static_cast<std::size_t>(v.input);
            place(minVoltageLabel_[at], v.minLabel);
            place(minVoltage_[at], v.minEdit);
            place(maxVoltageLabel_[at], v.maxLabel);
            place(maxVoltage_[at], v.maxEdit);
        }
    }
    if (scroll_ == nullptr) {
        page_->lower();
    }
    for (const ConfigReceptacleRow& r : L.receptacles) {
        ReceptacleWidgets& w = rows_[static_cast<std::size_t>(r.row)];
        w.label->setText(text(record_.receptacleWord[r.circuit]) +
                         text(record_.receptacleLabel[r.row]));
        place(w.label, r.label);
        place(w.name, r.name);
        if (switched) {
            place(w.onDelay, r.onDelay);
            place(w.resetDelay, r.resetDelay);
            place(w.powerOn, r.powerOn);
        }
    }

    const ConfigBottomControls& b = L.bottom;
    place(progress_, b.progress);
    if (b.deviceButtons) {
        place(format_, b.format);
        place(setDefaults_, b.setDefaults);
        place(resetNet_, b.resetNet);
    }
    place(clear_, b.clear);
    place(load_, b.load);
    place(save_, b.save);
    place(ok_, b.ok);
    place(import_, b.importFile);
    place(export_, b.exportFile);
}

// Tab reads the page first: the general column row by row, then the circuit groups one at a
// time in grid order, each row by row (receptacle name, delays, power on, across the columns,
// then the limits); then the bottom controls line by line. The focus starts on the first field.
void CConfigDlg::chainTabOrder() {
    const ConfigLayout& L = layout_;
    std::vector<QWidget*> widgets;
    std::vector<FocusControl> places;
    const auto add = [&](QWidget* w, const ConfigRect& r, int box) {
        widgets.push_back(w);
        places.push_back({{r.x, r.y}, box});
    };
    // Box 0 is the general column, box 1 + g the g-th circuit group.
    std::vector<FocusPoint> boxes{{kGeneralLabelX, kGroupsY}};
    for (const ConfigGeneralRow& row : L.general) {
        add(generalEdits_[static_cast<std::size_t>(row.entry)], row.edit, 0);
    }
    if (L.netOptions[0].w > 0) {
        for (std::size_t b = 0; b < netBoxes_.size(); ++b) {
            add(netBoxes_[b], L.netOptions[b], 0);
        }
    }
    const bool switched = (record_.featureWord & kFeatureSwitched) != 0;
    std::array<int, kMaxCircuits> boxOfCircuit{};
    boxOfCircuit.fill(kNoFocusBox);
    for (const ConfigCircuitGroup& g : L.groups) {
        const int box = static_cast<int>(boxes.size());
        boxes.push_back({g.box.x, g.box.y});
        boxOfCircuit[static_cast<std::size_t>(g.circuit)] = box;
        const CircuitWidgets& w = circuits_[static_cast<std::size_t>(g.circuit)];
        add(w.maxCurrent, g.maxCurrentEdit, box);
        if (g.lockCurrent) {
            add(w.lockCurrent, g.lockEdit, box);
        }
        for (const ConfigVoltageRows& v : g.voltages) {
            add(minVoltage_[static_cast<std::size_t>(v.input)], v.minEdit, box);
            add(maxVoltage_[static_cast<std::size_t>(v.input)], v.maxEdit, box);
        }
    }
    for (const ConfigReceptacleRow& r : L.receptacles) {
        const ReceptacleWidgets& w = rows_[static_cast<std::size_t>(r.row)];
        const int box = boxOfCircuit[static_cast<std::size_t>(r.circuit)];
        add(w.name, r.name, box);
        if (switched) {
            add(w.onDelay, r.onDelay, box);
            add(w.resetDelay, r.resetDelay, box);
            add(w.powerOn, r.powerOn, box);
        }
    }
    std::vector<QWidget*> chain;
    for (std::size_t i : ReadingOrder(places, boxes)) {
        chain.push_back(widgets[i]);
    }

    // The bottom controls lie below the page (which may scroll): they come last.
    widgets.clear();
    places.clear();
    const ConfigBottomControls& b = L.bottom;
    if (b.deviceButtons) {
        add(format_, b.format, kNoFocusBox);
        add(setDefaults_, b.setDefaults, kNoFocusBox);
        add(resetNet_, b.resetNet, kNoFocusBox);
    }
    add(clear_, b.clear, kNoFocusBox);
    add(load_, b.load, kNoFocusBox);
    add(save_, b.save, kNoFocusBox);
    add(ok_, b.ok, kNoFocusBox);
    add(import_, b.importFile, kNoFocusBox);
    add(export_, b.exportFile, kNoFocusBox);
    for (std::size_t i : ReadingOrder(places, {})) {
        chain.push_back(widgets[i]);
    }
    SetTabChain(chain);
    const auto first = std::find_if(chain.begin(), chain.end(), [](const QWidget* w) {
        return w != nullptr && w->isEnabled();
    });
    if (first != chain.end()) {
        (*first)->setFocus();
    }
}

bool CConfigDlg::focusNextPrevChild(bool next) {
    const bool moved = CDraggableDialog::focusNextPrevChild(next);
    QWidget* focused = focusWidget();
    if (moved && scroll_ != nullptr && focused != nullptr && page_->isAncestorOf(focused)) {
        scroll_->ensureWidgetVisible(focused);
    }
    return moved;
}

void CConfigDlg::startWorker() {
    target_ = std::make_unique<QtMessageTarget>(this);
    port_ = std::make_shared<platform::MessagePort>(target_.get());
    run_->block->window = port_;
    loop_ = std::make_shared<ConfigWorkerLoop>(run_->block,
                                               std::make_shared<CatalogueConfigPlan>(run_));
    worker_ = std::make_unique<DialogWorker>(loop_, port_);
    worker_->start();
}

void CConfigDlg::handBackRecord() {
    // The open operation alone writes the run's record; a worker still reading after it only
    // reads the record.
    if (loop_ && loop_->opened() && callerRecord_ != nullptr) {
        *callerRecord_ = run_->record;
        callerRecord_ = nullptr;
    }
}

bool CConfigDlg::workerRunning() const {
    return worker_ && !worker_->ended();
}

void CConfigDlg::done(int result) {
    // The open operation, which gives up at once on a closing dialog, is waited for: what it
    // learnt goes back to the caller.
    closing_->begin(
        worker_.get(),
        [this, result] {
            handBackRecord();
            CDraggableDialog::done(result);
        },
        [this] { return !loop_->opened(); });
}

void CConfigDlg::post(std::uint8_t command) {
    if (worker_) {
        worker_->post(command);
    }
}

void CConfigDlg::setBusy(bool busy) {
    if (closing_->active()) {
        return;  // a closing dialog keeps its buttons disabled
    }
    busy_ = busy;
    if (busy) {
        progress_->setValue(0);
    }
    for (QPushButton* b : {load_, clear_}) {
        b->setEnabled(!busy);
    }
    // After a Format nothing is saved before the next Load.
    save_->setEnabled(!busy && !needsLoad_);
    if (mode_ == 0) {
        for (QPushButton* b : {format_, setDefaults_, resetNet_}) {
            b->setEnabled(!busy);
        }
    }
    updateFileButtons();
}

void CConfigDlg::updateFileButtons() {
    const bool files = !busy_ && loaded_ && !needsLoad_;
    import_->setEnabled(files);
    export_->setEnabled(files);
}

bool CConfigDlg::event(QEvent* e) {
    if (e->type() != WorkerMessageEvent::eventType()) {
        return CDraggableDialog::event(e);
    }
    const platform::Message& m = static_cast<WorkerMessageEvent*>(e)->message();
    if (m.msg == UM_WORKER_EVENT && m.wParam == EV_PROGRESS) {
        progress_->setValue(static_cast<int>(std::clamp<std::intptr_t>(m.lParam, 0, 100)));
    } else if (m.msg == UM_WORKER_EVENT && m.wParam == EV_BUSY) {
        setBusy(m.lParam == kBusyStarts);
    } else if (m.msg == UM_WORKER_EVENT && m.wParam == EV_UNANSWERED) {
        // Told once, when the pass has ended: what the PDU did not acknowledge stays pending.
        const std::u16string text = UnansweredConfigText(static_cast<std::uint8_t>(m.lParam),
                                                         PendingConfigKeys(*run_->block));
        if (!text.empty()) {
            DialogPrompter().warning(this, kTitle, QString::fromStdU16String(text));
        }
    } else if (m.msg == UM_ITEM_DONE) {
        showItem(static_cast<int>(m.wParam >> 16), static_cast<int>(m.wParam & 0xFFFF));
    }
    return true;
}

// The passes write the images the dialog reads and fills, so from the moment a pass is asked
// for until its busy-ends message the buttons that start or feed one stay disabled.
void CConfigDlg::onLoad() {
    needsLoad_ = false;
    loaded_ = true;
    save_->setEnabled(true);
    setBusy(true);
    post(CFG_CMD_LOAD);
}

void CConfigDlg::onSave() {
    reportRefused(collect());
    if (canWrite_) {
        setBusy(true);
    }
    post(CFG_CMD_SAVE);
}

void CConfigDlg::onFormat() {
    if (DialogPrompter().question(this, kFormatTitle, kFormatQuestion, Buttons::YesNo) ==
        Answer::Yes) {
        // The PDU now holds its defaults, not what the dialog last read: a Save would skip
        // every field the operator did not touch.
        needsLoad_ = true;
        save_->setEnabled(false);
        updateFileButtons();
        post(CFG_CMD_FORMAT);
    }
}

void CConfigDlg::onResetNet() {
    if (DialogPrompter().question(this, kResetTitle, kResetQuestion, Buttons::YesNo) ==
        Answer::Yes) {
        post(CFG_CMD_RESET_NETWORK);
    }
}

void CConfigDlg::onSetDefaults() {
    if (DialogPrompter().question(this, kDefaultsTitle, kDefaultsQuestion, Buttons::YesNo) !=
        Answer::Yes) {
        return;
    }
    fillDefaults();
    save_->setEnabled(!needsLoad_);
}

void CConfigDlg::onClear() {
    if (DialogPrompter().question(this, kClearTitle, kClearQuestion, Buttons::YesNo) !=
        Answer::Yes) {
        return;
    }
    clearFields();
    save_->setEnabled(!needsLoad_);
}

void CConfigDlg::onAutoIp(bool checked) {
    const ConfigItemDescriptor* general = run_->catalogue.table(kGeneralItems);
    for (std::uint8_t code : {std::uint8_t{5}, std::uint8_t{10}, std::uint8_t{11}}) {
        const int i = FindConfigItem(general, code, 0);
        if (i >= 0 && generalEdits_[static_cast<std::size_t>(i)] != nullptr) {
            generalEdits_[static_cast<std::size_t>(i)]->setEnabled(!checked);
        }
    }
}

void CConfigDlg::onCelsius(bool checked) {
    reportRefused(switchTemperatureUnit(checked));
}

void CConfigDlg::reportRefused(const QStringList& refused) {
    if (!refused.isEmpty()) {
        DialogPrompter().warning(
            this, kRefusedTitle,
            refused.join(u'\n') + QStringLiteral("\n\nThese values were not taken."));
    }
}

}  // namespace quorvel::dialogs

extern "C" void PduConfigDlg(quorvel::PduRecord* record, const quorvel::ConfigOps* ops,
                             quorvel::DeviceAddressBlock* addresses) {
    quorvel::dialogs::CConfigDlg dialog(record, ops, addresses, QApplication::activeWindow());
    dialog.exec();
}
