// The calibration dialog's controls, its worker's messages and the Calibrate, Save, Cancel and
// Reboot PDU actions.
#include "app/calibration_dlg.h"

#include <QCheckBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>
#include <algorithm>

#include "app/language_table.h"
#include "app/prompter.h"
#include "common/qt/color_static.h"
#include "dialogs/dialog_keys.h"
#include "link/calibration_channels.h"
#include "link/calibration_math.h"
#include "link/session_worker.h"
#include "platform/events.h"
#include "platform/message_target.h"

namespace quorvel::app {

namespace {

const QString kNeedSamplesTitle = QStringLiteral("LUMARC FAILED CALIBRATION");
const QString kNeedSamplesText =
    QStringLiteral("Sample both low and high values before calibrating");
const QString kIllegalTitle = QStringLiteral("ILLEGAL CALIBRATION VALUES");
const QString kConfirmTitle = QStringLiteral("CALIBRATE WITH THESE VALUES?");
const QString kSaveFirstTitle = QStringLiteral("Error");
const QString kSaveFirstText = QStringLiteral("Must calibrate first before saving!");
const QString kRebootTitle = QStringLiteral("REBOOT PDU");
const QString kRebootText = QStringLiteral("Do you really want to proceed?");
const QString kWriteFailedTitle = QStringLiteral("Calibrate");
const QString kWriteFailedText =
    QStringLiteral("The calibration of %1 was not written completely; calibrate it again.");
const QString kStoreFailedText =
    QStringLiteral("The PDU did not store its calibration table; Save again, or Cancel.");

const QColor kLampGreenColour(0, 255, 0);
const QColor kLampDarkColour(0x40, 0x40, 0x40);

QString T(Txt row) {
    return QString::fromStdU16String(LangText(row));
}

QString Q(const std::string& text) {
    return QString::fromStdString(text);
}

std::string Text(const QLineEdit* edit) {
    return edit->text().toStdString();
}

template <typename W>
W* Named(W* widget, const char* name) {
    widget->setObjectName(QString::fromLatin1(name));
    return widget;
}

QPushButton* Button(const QString& text, const char* name) {
    auto* b = Named(new QPushButton(text), name);
    b->setAutoDefault(false);
    b->setMinimumWidth(96);
    return b;
}

QLabel* ValueText(const char* name) {
    auto* l = Named(new QLabel, name);
    l->setFrameShape(QFrame::StyledPanel);
    l->setFrameShadow(QFrame::Sunken);
    l->setMinimumWidth(80);
    l->setTextInteractionFlags(Qt::TextSelectableByMouse);
    return l;
}

}  // namespace

CPDUCalibDlg::CPDUCalibDlg(PduRecord* pdu, const CalibrationOps* ops, SessionRecord* session,
                           QWidget* parent)
    : QDialog(parent), pdu_(pdu), session_(session) {
    generation_ = CalibrationGeneration(session_->generationText);
    voltageInputs_ = (pdu_->featureWord & kFeatureVoltageInputs) != 0;

    // Wake the session worker once; with its stop flag clear it only goes on waiting.
    stopEvent_ = platform::OpenNamedEvent(kStopEventName);
    if (stopEvent_) {
        stopEvent_->set();
    }

    block_ = std::make_shared<CalibrationWorkerBlock>();
    block_->table = *ops;
    block_->ops = &block_->table;
    block_->window = std::make_shared<platform::MessagePort>(&target_);
    block_->record = pdu_;
    block_->featureWord = pdu_->featureWord;
    block_->extensionWord = pdu_->extensionWord;
    block_->generation = static_cast<std::uint8_t>(generation_);
    worker_ = std::make_unique<CalibrationWorker>(block_);
    closing_ = new dialogs::WorkerClosing(this);

    buildControls();
    // The worker takes the open command first, then what selecting the first channel gives it.
    worker_->start();
    fillChannels();
}

CPDUCalibDlg::~CPDUCalibDlg() {
    worker_->finish(0);
}

void CPDUCalibDlg::buildControls() {
    setWindowTitle(T(Txt::CalTitle));
    auto* root = new QVBoxLayout(this);
    root->setContentsMargins(12, 12, 12, 12);
    root->setSpacing(10);

    // References.
    auto* references = new QHBoxLayout;
    auto* current = Named(new QGroupBox(T(Txt::CalReferenceCurrent)), "currentGroup");
    auto* cf = new QFormLayout(current);
    const auto& refs = session_->calibrationRefs;
    currentLow_ =
        Named(new QLineEdit(Q(CurrentReferenceText(refs[kRefCurrentLow]))), "currentLowEdit");
    currentHigh_ =
        Named(new QLineEdit(Q(CurrentReferenceText(refs[kRefCurrentHigh]))), "currentHighEdit");
    currentThreshold_ = Named(new QLineEdit(Q(CurrentReferenceText(refs[kRefCurrentThreshold]))),
                              "currentThresholdEdit");
    cf->addRow(T(Txt::CalLowLoad), currentLow_);
    cf->addRow(T(Txt::CalHighLoad), currentHigh_);
    cf->addRow(T(Txt::CalThreshold), currentThreshold_);
    references->addWidget(current);

    voltageGroup_ = Named(new QGroupBox(T(Txt::CalReferenceVoltage)), "voltageGroup");
    auto* vf = new QFormLayout(voltageGroup_);
    voltageLow_ = Named(new QLineEdit(QString::number(refs[kRefVoltageLow])), "voltageLowEdit");
    voltageLow_->setEnabled(false);
    voltageHigh_ = Named(new QLineEdit(QString::number(refs[kRefVoltageHigh])), "voltageHighEdit");
    voltageThreshold_ =
        Named(new QLineEdit(QString::number(refs[kRefVoltageThreshold])), "voltageThresholdEdit");
    vf->addRow(T(Txt::CalLowVoltage), voltageLow_);
    vf->addRow(T(Txt::CalHighVoltage), voltageHigh_);
    vf->addRow(T(Txt::CalThreshold), voltageThreshold_);
    references->addWidget(voltageGroup_);
    voltageGroup_->setVisible(voltageInputs_);
    root->addLayout(references);

    // Raw measurements.
    auto* raw = Named(new QGroupBox(T(Txt::CalRawMeasurements)), "rawGroup");
    auto* rl = new QHBoxLayout(raw);
    channels_ = Named(new QListWidget, "channelList");
    channels_->setMinimumWidth(190);
    channels_->setMinimumHeight(170);
    rl->addWidget(channels_, 1);
    auto* grid = new QGridLayout;
    grid->setHorizontalSpacing(10);
    sampleLow_ = Named(new QCheckBox(T(Txt::CalSampleLow)), "sampleLowButton");
    sampleHigh_ = Named(new QCheckBox(T(Txt::CalSampleHigh)), "sampleHighButton");
    lowRaw_ = ValueText("lowRawText");
    highRaw_ = ValueText("highRawText");
    grid->addWidget(sampleLow_, 0, 0);
    grid->addWidget(lowRaw_, 0, 1);
    grid->addWidget(sampleHigh_, 1, 0);
    grid->addWidget(highRaw_, 1, 1);
    slope_ = ValueText("slopeText");
    offset_ = ValueText("offsetText");
    threshold_ = ValueText("thresholdText");
    grid->addWidget(new QLabel(T(Txt::CalSlope)), 2, 0);
    grid->addWidget(slope_, 2, 1);
    grid->addWidget(new QLabel(T(Txt::CalOffset)), 3, 0);
    grid->addWidget(offset_, 3, 1);
    grid->addWidget(new QLabel(T(Txt::CalThresholdValue)), 4, 0);
    grid->addWidget(threshold_, 4, 1);
    calibrate_ = Button(T(Txt::Calibrate), "calibrateButton");
    lamp_ = Named(new CColorStaticST, "statusLamp");
    lamp_->setFixedSize(18, 18);
    lamp_->SetBackgroundColor(kLampDarkColour);
    auto* action = new QHBoxLayout;
    action->addWidget(calibrate_);
    action->addWidget(lamp_);
    action->addStretch(1);
    grid->addLayout(action, 5, 0, 1, 2);
    grid->setRowStretch(6, 1);
    rl->addLayout(grid);
    root->addWidget(raw, 1);

    // Buttons.
    auto* buttons = new QHBoxLayout;
    save_ = Button(T(Txt::CalSave), "saveButton");
    cancel_ = Button(T(Txt::CalCancel), "cancelButton");
    reboot_ = Button(T(Txt::CalReboot), "rebootButton");
    buttons->addWidget(save_);
    buttons->addWidget(cancel_);
    buttons->addStretch(1);
    buttons->addWidget(reboot_);
    root->addLayout(buttons);

    connect(channels_, &QListWidget::currentRowChanged, this, &CPDUCalibDlg::onChannelSelected);
    connect(sampleLow_, &QCheckBox::clicked, this, [this] { onSampleClicked(true); });
    connect(sampleHigh_, &QCheckBox::clicked, this, [this] { onSampleClicked(false); });
    connect(calibrate_, &QPushButton::clicked, this, &CPDUCalibDlg::onCalibrate);
    connect(save_, &QPushButton::clicked, this, &CPDUCalibDlg::onSave);
    connect(cancel_, &QPushButton::clicked, this, &CPDUCalibDlg::reject);
    connect(reboot_, &QPushButton::clicked, this, &CPDUCalibDlg::onReboot);

    // Tab reads the reference groups, then the measurements, then the buttons; Enter presses the
    // focused button and nothing else (no default button). The references stay from one opening
    // to the next, so the focus starts on the channel list, where each calibration begins.
    dialogs::SetTabChain({currentLow_, currentHigh_, currentThreshold_, voltageLow_, voltageHigh_,
                          voltageThreshold_, channels_, sampleLow_, sampleHigh_, calibrate_, save_,
                          cancel_, reboot_});
    dialogs::EnterPressesFocusedButton(this);
    channels_->setFocus();
}

void CPDUCalibDlg::fillChannels() {
    for (const CalibrationChannel& c : CalibrationChannels(*pdu_, generation_)) {
        auto* item = new QListWidgetItem(QString::fromStdU16String(c.name));
        item->setData(Qt::UserRole, static_cast<uint>(c.item));
        channels_->addItem(item);
    }
    if (channels_->count() > 0) {
        channels_->setCurrentRow(0);
    }
}

bool CPDUCalibDlg::selectedVoltage() const {
    return IsVoltageChannel(generation_, pdu_->featureWord,
                            static_cast<std::uint8_t>(selectedItem_ >> 8),
                            static_cast<std::uint8_t>(selectedItem_ & 0xFF));
}

void CPDUCalibDlg::uncheckSamples() {
    for (QCheckBox* box : {sampleLow_, sampleHigh_}) {
        const QSignalBlocker quiet(box);
        box->setChecked(false);
    }
}

void CPDUCalibDlg::onChannelSelected() {
    QListWidgetItem* item = channels_->currentItem();
    if (item == nullptr) {
        return;
    }
    selectedItem_ = item->data(Qt::UserRole).toUInt();
    block_->kind = static_cast<std::uint8_t>(selectedItem_ >> 8);
    block_->index = static_cast<std::uint8_t>(selectedItem_ & 0xFF);
    lowSampled_ = highSampled_ = false;
    // Samples of another channel must not be calibrated with: the texts start empty again.
    uncheckSamples();
    lowRaw_->clear();
    highRaw_->clear();
    sampleLow_->setEnabled(true);
    if (selectedVoltage()) {
        // A voltage input needs no low sample: its low reference is 0 V.
        sampleHigh_->click();
        sampleLow_->setEnabled(false);
        lowRaw_->setText(QStringLiteral("0x0"));
        lowSampled_ = true;
    } else {
        give(kCalIdle);
    }
}

void CPDUCalibDlg::onSampleClicked(bool low) {
    QCheckBox* me = low ? sampleLow_ : sampleHigh_;
    QCheckBox* other = low ? sampleHigh_ : sampleLow_;
    {
        const QSignalBlocker quiet(other);
        other->setChecked(false);
    }
    calibrated_ = false;
    if (me->isChecked()) {
        give(low ? kCalSampleLow : kCalSampleHigh);
        (low ? lowSampled_ : highSampled_) = true;
    } else {
        give(kCalIdle);
    }
}

void CPDUCalibDlg::onCalibrate() {
    Prompter& prompter = dialogs::DialogPrompter();
    std::uint16_t low = 0;
    std::uint16_t high = 0;
    const bool texts = ReadRawSampleText(lowRaw_->text().toStdString(), low) &&
                       ReadRawSampleText(highRaw_->text().toStdString(), high);
    if (!texts || !lowSampled_ || !highSampled_) {
        prompter.warning(this, kNeedSamplesTitle, kNeedSamplesText);
        give(kCalIdle);
        uncheckSamples();
        return;
    }
    auto& refs = session_->calibrationRefs;
    CalibrationResult r;
    if (selectedVoltage()) {
        const VoltageReferences v{ReadWholeReference(Text(voltageLow_)),
                                  ReadWholeReference(Text(voltageHigh_)),
                                  ReadWholeReference(Text(voltageThreshold_))};
        refs[kRefVoltageLow] = static_cast<std::uint16_t>(v.low);
        refs[kRefVoltageHigh] = static_cast<std::uint16_t>(v.high);
        refs[kRefVoltageThreshold] = static_cast<std::uint16_t>(v.threshold);
        r = ComputeVoltageCalibration(low, high, v);
    } else {
        const CurrentReferences c{ReadCurrentReference(Text(currentLow_)),
                                  ReadCurrentReference(Text(currentHigh_)),
                                  ReadCurrentReference(Text(currentThreshold_))};
        refs[kRefCurrentLow] = CurrentReferenceHundredths(c.low);
        refs[kRefCurrentHigh] = CurrentReferenceHundredths(c.high);
        refs[kRefCurrentThreshold] = CurrentReferenceHundredths(c.threshold);
        r = ComputeCurrentCalibration(low, high, c);
    }

    DescribedChannel channel;
    channel.generation = generation_;
    channel.kind = static_cast<std::uint8_t>(selectedItem_ >> 8);
    channel.index = static_cast<std::uint8_t>(selectedItem_ & 0xFF);
    channel.reversedFamily = ReversedCircuitFamily(*pdu_);
    if (QListWidgetItem* item = channels_->currentItem()) {
        channel.label = item->text().toStdU16String();
    }
    const QString description = QString::fromStdU16String(CalibrationDescription(channel, r));
    if (!r.valid) {
        prompter.warning(this, kIllegalTitle, description);
        give(kCalIdle);
        uncheckSamples();
        return;
    }
    if (prompter.question(this, kConfirmTitle, description, dialogs::Buttons::OkCancel) !=
        dialogs::Answer::Ok) {
        give(kCalIdle);
        uncheckSamples();
        return;
    }
    slope_->setText(Q(CalibrationValueText(r.scale)));
    threshold_->setText(Q(CalibrationValueText(r.threshold)));
    offset_->setText(Q(CalibrationValueText(r.offset)));
    block_->threshold = static_cast<std::uint16_t>(r.threshold);
    block_->offset = static_cast<std::uint16_t>(r.offset);
    block_->scale = static_cast<std::uint16_t>(r.scale);
    writtenChannel_ =
        channels_->currentItem() != nullptr ? channels_->currentItem()->text() : QString();
    ++writesPending_;
    give(kCalWrite);
    calibrated_ = true;
    lowSampled_ = highSampled_ = false;
    uncheckSamples();
}

void CPDUCalibDlg::onSave() {
    if (!calibrated_) {
        dialogs::DialogPrompter().warning(this, kSaveFirstTitle, kSaveFirstText);
        return;
    }
    saving_ = true;
    enableControls(false);
    uncheckSamples();
    // The table is stored only once every write given before has been reported done, so a row
    // that was not written completely is never made permanent.
    if (writesPending_ == 0) {
        store();
    }
}

void CPDUCalibDlg::store() {
    give(kCalStore);
}

void CPDUCalibDlg::enableControls(bool enabled) {
    for (QWidget* w : {static_cast<QWidget*>(save_), static_cast<QWidget*>(cancel_),
                       static_cast<QWidget*>(reboot_), static_cast<QWidget*>(calibrate_),
                       static_cast<QWidget*>(sampleLow_), static_cast<QWidget*>(sampleHigh_),
                       static_cast<QWidget*>(channels_)}) {
        w->setEnabled(enabled);
    }
}

void CPDUCalibDlg::closeWhenDone(bool accepted) {
    // A write or store in progress or given finishes first; a sample stops at once.
    closing_->begin(worker_.get(), [this, accepted] {
        stopEvent_.reset();
        if (accepted) {
            accept();
        } else {
            QDialog::reject();
        }
    });
}

void CPDUCalibDlg::onReboot() {
    if (dialogs::DialogPrompter().question(this, kRebootTitle, kRebootText,
                                           dialogs::Buttons::OkCancel) == dialogs::Answer::Ok) {
        give(kCalReboot);
    }
}

void CPDUCalibDlg::reject() {
    if (saving_) {
        return;  // the store ends the dialog
    }
    closeWhenDone(false);
}

void CPDUCalibDlg::give(std::uint8_t command) {
    worker_->give(command);
}

bool CPDUCalibDlg::event(QEvent* e) {
    if (e->type() == dialogs::WorkerMessageEvent::eventType()) {
        onWorkerMessage(static_cast<dialogs::WorkerMessageEvent*>(e)->message());
        return true;
    }
    return QDialog::event(e);
}

void CPDUCalibDlg::onWorkerMessage(const platform::Message& m) {
    switch (m.msg) {
        case UM_CAL_LAMP:
            setLamp(m.lParam);
            break;
        case UM_CAL_SAMPLES: {
            const auto item = static_cast<std::uint32_t>(m.lParam >> 16);
            const auto raw = static_cast<std::uint16_t>(m.lParam & 0xFFFF);
            if (item != selectedItem_) {
                break;  // a sample of the channel selected before
            }
            if (m.wParam == kCalSampleLow && sampleLow_->isChecked()) {
                lowRaw_->setText(Q(RawSampleText(raw)));
            } else if (m.wParam == kCalSampleHigh && sampleHigh_->isChecked()) {
                highRaw_->setText(Q(RawSampleText(raw)));
            }
            break;
        }
        case UM_CAL_DONE:
            if (m.wParam == kCalOpen) {
                opened_ = true;
            } else if (m.wParam == kCalWrite) {
                writesPending_ = std::max(0, writesPending_ - 1);
                if (m.lParam == 0) {
                    // What the PDU holds of that row now is unknown: it must be calibrated
                    // again before anything is stored.
                    calibrated_ = false;
                    dialogs::DialogPrompter().warning(this, kWriteFailedTitle,
                                                      kWriteFailedText.arg(writtenChannel_));
                }
                if (saving_ && writesPending_ == 0) {
                    if (calibrated_) {
                        store();
                    } else {
                        saving_ = false;
                        enableControls(true);
                    }
                }
            } else if (m.wParam == kCalStore && saving_) {
                if (m.lParam != 0) {
                    // Wake the session worker once more, then end.
                    if (stopEvent_) {
                        stopEvent_->set();
                    }
                    closeWhenDone(true);
                } else {
                    saving_ = false;
                    enableControls(true);
                    dialogs::DialogPrompter().warning(this, kSaveFirstTitle, kStoreFailedText);
                }
            }
            break;
        default:
            break;
    }
}

void CPDUCalibDlg::setLamp(std::intptr_t state) {
    if (state == kLampToggle) {
        lampOn_ = !lampOn_;
    } else {
        lampOn_ = state == kLampGreen;
    }
    lamp_->SetBackgroundColor(lampOn_ ? kLampGreenColour : kLampDarkColour);
}

}  // namespace quorvel::app
