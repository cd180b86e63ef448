// The model dialog: its controls, composing and showing codes, the list and saving it. The
// files and the device calls are in model_dlg_actions.cpp.
#include "dialogs/model_dlg.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>
#include <vector>

#include "dialogs/dialog_keys.h"
#include "dialogs/halvex_exports.h"
#include "dialogs/logic/model_dropdowns.h"
#include "dialogs/prompter.h"

namespace quorvel::dialogs {

namespace {

const QString kTitle = QStringLiteral("Set  PDU Model");
constexpr std::size_t kComposeChars = 20;  // the part number composed from the controls
constexpr std::size_t kCodeChars = 64;     // a model string typed, listed or read

QString FromU16(std::u16string_view text) {
    return QString(reinterpret_cast<const QChar*>(text.data()),
                   static_cast<qsizetype>(text.size()));
}

QString Format(const char* format, const QString& value) {
    return QString::fromLatin1(format).arg(value);
}

QComboBox* MakeCombo(QWidget* parent, const char* name) {
    auto* combo = new QComboBox(parent);
    combo->setObjectName(QString::fromLatin1(name));
    return combo;
}

QPushButton* MakeButton(QWidget* parent, const QString& text, const char* name) {
    auto* button = new QPushButton(text, parent);
    button->setObjectName(QString::fromLatin1(name));
    button->setAutoDefault(false);  // Enter in the list's edit field must not save and close
    return button;
}

QCheckBox* MakeCheck(QWidget* parent, const QString& text, const char* name) {
    auto* box = new QCheckBox(text, parent);
    box->setObjectName(QString::fromLatin1(name));
    return box;
}

void Fill(QComboBox* combo, std::span<const DropDownItem> items) {
    for (const DropDownItem& item : items) {
        combo->addItem(QString::fromLatin1(item.text), item.data);
    }
    combo->setCurrentIndex(-1);
}

int Value(const QComboBox* combo) {
    return combo->currentIndex() < 0 ? kNoSelection : combo->currentData().toInt();
}

void SetValue(QComboBox* combo, int value) {
    combo->setCurrentIndex(combo->findData(value));
}

}  // namespace

CSetModelDlg::CSetModelDlg(const ModelOps* ops, ModelListEntry* list, int capacity, QWidget* parent)
    : CDraggableDialog(parent),
      ops_(ops),
      callerList_(list),
      capacity_(capacity),
      listOnly_(ops->mode == kModelListOnlyMode),
      list_(std::make_unique<WorkingModelList>()) {
    setObjectName(QStringLiteral("setModelDialog"));
    setWindowTitle(kTitle);
    buildControls();
    fillDropDowns();
    connectControls();

    list_->load(callerList_, capacity_,
                [this](const ModelWords& w) { return encode(w, kCodeChars).toStdU16String(); });
    for (QPushButton* b :
         {save_, delete_, createMib_, createBom_, add_, stampModel_, socketInfo_}) {
        b->setEnabled(false);
    }
    setChecks(FeatureChecks{});
    refillList();
    updateSelectionState();
    reloadAttrs_->setVisible(ops_->LoadAttributes != nullptr);
    getModel_->setVisible(!listOnly_);
    stampModel_->setVisible(!listOnly_);
    modelList_->setFocus();
}

CSetModelDlg::~CSetModelDlg() = default;

void CSetModelDlg::buildControls() {
    // Model Selections by
    auto* selection = new QGroupBox(QStringLiteral("Model Selections by"), this);
    selection->setObjectName(QStringLiteral("selectionGroup"));
    partNumber_ = new QLineEdit(selection);
    partNumber_->setObjectName(QStringLiteral("partNumberText"));
    partNumber_->setReadOnly(true);
    codeText_ = new QLineEdit(selection);
    codeText_->setObjectName(QStringLiteral("modelCodeText"));
    codeText_->setReadOnly(true);
    modelList_ = MakeCombo(selection, "modelList");
    modelList_->setEditable(true);
    modelList_->setInsertPolicy(QComboBox::NoInsert);
    modelList_->setCompleter(nullptr);
    modelList_->setMinimumContentsLength(20);
    add_ = MakeButton(selection, QStringLiteral("Add"), "addButton");
    delete_ = MakeButton(selection, QStringLiteral("Delete"), "deleteButton");
    createMib_ = MakeButton(selection, QStringLiteral("Create MIB"), "createMibButton");
    allMibs_ = MakeButton(selection, QString(), "allMibsButton");
    allMibs_->setFixedWidth(16);
    QSizePolicy keepPlace = allMibs_->sizePolicy();
    keepPlace.setRetainSizeWhenHidden(true);  // the buttons beside it stay where they are
    allMibs_->setSizePolicy(keepPlace);
    allMibs_->setToolTip(QStringLiteral("MIB files for all the Ethernet models"));
    createBom_ = MakeButton(selection, QStringLiteral("Create BOM"), "createBomButton");

    auto* sel = new QGridLayout(selection);
    sel->addWidget(new QLabel(QStringLiteral("Part Number:"), selection), 0, 0);
    sel->addWidget(partNumber_, 0, 1);
    sel->addWidget(new QLabel(QStringLiteral("Model Code:"), selection), 0, 2);
    sel->addWidget(codeText_, 0, 3, 1, 2);
    sel->addWidget(new QLabel(QStringLiteral("List"), selection), 1, 0);
    sel->addWidget(modelList_, 1, 1);
    auto* listButtons = new QHBoxLayout;
    listButtons->addWidget(add_);
    listButtons->addWidget(delete_);
    listButtons->addSpacing(12);
    listButtons->addWidget(createMib_);
    listButtons->addWidget(allMibs_);
    listButtons->addWidget(createBom_);
    sel->addLayout(listButtons, 1, 2, 1, 3);

    // Model Features
    auto* features = new QGroupBox(QStringLiteral("Model Features"), this);
    features->setObjectName(QStringLiteral("featuresGroup"));
    phase_ = MakeCombo(features, "phaseCombo");
    serial_ = MakeCheck(features, QStringLiteral("Serial"), "serialCheck");
    ethernet_ = MakeCheck(features, QStringLiteral("Ethernet"), "ethernetCheck");
    socketControl_ = MakeCheck(features, QStringLiteral("Socket Control"), "socketControlCheck");
    socketMeter_ = MakeCheck(features, QStringLiteral("Socket Meter"), "socketMeterCheck");
    environment_ = MakeCheck(features, QStringLiteral("Env(T&&H)"), "environmentCheck");
    second_ = MakeCheck(features, QStringLiteral("2nd"), "secondCheck");
    voltMeter_ = MakeCheck(features, QStringLiteral("Voltage Meter"), "voltageMeterCheck");
    auto* feat = new QGridLayout(features);
    feat->addWidget(phase_, 0, 0, 1, 2);
    feat->addWidget(serial_, 1, 0);
    feat->addWidget(ethernet_, 1, 1);
    feat->addWidget(socketControl_, 2, 0, 1, 2);
    feat->addWidget(socketMeter_, 3, 0, 1, 2);
    feat->addWidget(environment_, 4, 0);
    feat->addWidget(second_, 4, 1);
    feat->addWidget(voltMeter_, 5, 0, 1, 2);
    feat->setRowStretch(6, 1);

    // Extended Attributes
    auto* extended = new QGroupBox(QStringLiteral("Extended Attributes"), this);
    extended->setObjectName(QStringLiteral("extendedGroup"));
    tlds_ = MakeCombo(extended, "tldCombo");
    auto* ext = new QHBoxLayout(extended);
    ext->addWidget(new QLabel(QStringLiteral("TLDs:"), extended));
    ext->addWidget(tlds_);
    ext->addStretch();

    // Submodel Attributes
    auto* submodel = new QGroupBox(QStringLiteral("Submodel Attributes"), this);
    submodel->setObjectName(QStringLiteral("submodelGroup"));
    formFactor_ = MakeCombo(submodel, "formFactorCombo");
    voltage_ = MakeCombo(submodel, "voltageCombo");
    current_ = MakeCombo(submodel, "currentCombo");
    meters_ = MakeCombo(submodel, "metersCombo");
    breakers_ = MakeCombo(submodel, "breakersCombo");
    inputPlug_ = MakeCombo(submodel, "inputPlugCombo");
    socketTypes_ = MakeCombo(submodel, "socketTypeCombo");
    socketInfo_ = MakeButton(submodel, QStringLiteral(".."), "socketInfoButton");
    socketInfo_->setFixedWidth(28);
    for (QComboBox* wide : {inputPlug_, socketTypes_}) {
        wide->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
        wide->setMinimumContentsLength(34);
    }
    auto* sub = new QGridLayout(submodel);
    const std::pair<const char*, QComboBox*> rows[] = {
        {"Form Factor:", formFactor_}, {"Voltage:", voltage_},   {"Current:", current_},
        {"Meters:", meters_},          {"Breakers:", breakers_}, {"Input Plug:", inputPlug_}};
    for (int i = 0; i < 6; ++i) {
        const int row = i < 3 ? i : i - 3;
        const int column = i < 3 ? 0 : 2;
        sub->addWidget(new QLabel(QString::fromLatin1(rows[i].first), submodel), row, column);
        sub->addWidget(rows[i].second, row, column + 1);
    }
    sub->addWidget(new QLabel(QStringLiteral("Socket Types:"), submodel), 3, 0);
    auto* socketRow = new QHBoxLayout;
    socketRow->addWidget(socketTypes_, 1);
    socketRow->addWidget(socketInfo_);
    sub->addLayout(socketRow, 3, 1, 1, 3);

    // Buttons
    reloadAttrs_ = MakeButton(this, QStringLiteral("Reload Attrs"), "reloadAttrsButton");
    getModel_ = MakeButton(this, QStringLiteral("Get Model"), "getModelButton");
    stampModel_ = MakeButton(this, QStringLiteral("Stamp Model"), "stampModelButton");
    save_ = MakeButton(this, QStringLiteral("Save"), "saveButton");
    cancel_ = MakeButton(this, QStringLiteral("Cancel"), "cancelButton");
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(reloadAttrs_);
    buttons->addWidget(getModel_);
    buttons->addWidget(stampModel_);
    buttons->addStretch();
    buttons->addWidget(save_);
    buttons->addWidget(cancel_);

    auto* right = new QVBoxLayout;
    right->addWidget(extended);
    right->addWidget(submodel, 1);
    auto* middle = new QHBoxLayout;
    middle->addWidget(features);
    middle->addLayout(right, 1);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(selection);
    layout->addLayout(middle);
    layout->addLayout(buttons);

    // Tab reads the dialog: the selection rows, then the groups one at a time (the features, the
    // extended attributes, the submodel attributes row by row across both columns), then the
    // buttons along the bottom.
    SetTabChain({partNumber_,  codeText_,    modelList_, add_,        delete_,    createMib_,
                 allMibs_,     createBom_,   phase_,     serial_,     ethernet_,  socketControl_,
                 socketMeter_, environment_, second_,    voltMeter_,  tlds_,      formFactor_,
                 meters_,      voltage_,     breakers_,  current_,    inputPlug_, socketTypes_,
                 socketInfo_,  reloadAttrs_, getModel_,  stampModel_, save_,      cancel_});
}

void CSetModelDlg::fillDropDowns() {
    Fill(voltage_, VoltageItems());
    for (const IndexedItem& item : SeriesItems(*ops_)) {
        socketTypes_->addItem(FromU16(item.text), item.index);
    }
    socketTypes_->setCurrentIndex(-1);
    Fill(meters_, MeterItems());
    for (const IndexedItem& item : InletItems(*ops_)) {
        inputPlug_->addItem(FromU16(item.text), item.index);
    }
    inputPlug_->setCurrentIndex(-1);
    Fill(formFactor_, FormFactorItems());
    Fill(current_, CurrentItems());
    Fill(breakers_, BreakerItems());
    Fill(phase_, PhaseItems());
    Fill(tlds_, TldItems());
}

void CSetModelDlg::connectControls() {
    const std::pair<QCheckBox*, FeatureBox> boxes[] = {{serial_, FeatureBox::Serial},
                                                       {ethernet_, FeatureBox::Ethernet},
                                                       {socketControl_, FeatureBox::SocketControl},
                                                       {socketMeter_, FeatureBox::SocketMeter},
                                                       {environment_, FeatureBox::Environment},
                                                       {second_, FeatureBox::Second},
                                                       {voltMeter_, FeatureBox::VoltMeter}};
    for (const auto& [box, which] : boxes) {
        connect(box, &QCheckBox::clicked, this, [this, w = which] { onFeatureClicked(w); });
    }
    // Only the operator's choices compose; the dialog's own settings do not.
    for (QComboBox* combo :
         {phase_, tlds_, formFactor_, voltage_, current_, meters_, breakers_, inputPlug_}) {
        connect(combo, &QComboBox::activated, this, [this] { compose(true); });
    }
    connect(socketTypes_, &QComboBox::activated, this, [this] {
        socketInfo_->setEnabled(true);
        compose(true);
    });
    connect(modelList_, &QComboBox::activated, this, &CSetModelDlg::onListActivated);
    connect(modelList_->lineEdit(), &QLineEdit::textEdited, this, &CSetModelDlg::onListTextEdited);
    connect(add_, &QPushButton::clicked, this, &CSetModelDlg::onAdd);
    connect(delete_, &QPushButton::clicked, this, &CSetModelDlg::onDelete);
    connect(createMib_, &QPushButton::clicked, this, &CSetModelDlg::onCreateMib);
    connect(allMibs_, &QPushButton::clicked, this, &CSetModelDlg::onCreateAllMibs);
    connect(createBom_, &QPushButton::clicked, this, &CSetModelDlg::onCreateBom);
    connect(socketInfo_, &QPushButton::clicked, this, &CSetModelDlg::onSocketInfo);
    connect(reloadAttrs_, &QPushButton::clicked, this, &CSetModelDlg::onReloadAttrs);
    connect(getModel_, &QPushButton::clicked, this, &CSetModelDlg::onGetModel);
    connect(stampModel_, &QPushButton::clicked, this, &CSetModelDlg::onStampModel);
    connect(save_, &QPushButton::clicked, this, &CSetModelDlg::onSave);
    connect(cancel_, &QPushButton::clicked, this, &CSetModelDlg::reject);
}

// ---- the controls ---------------------------------------------------------------------------

FeatureChecks CSetModelDlg::checks() const {
    return FeatureChecks{serial_->isChecked(),        ethernet_->isChecked(),
                         socketControl_->isChecked(), socketMeter_->isChecked(),
                         environment_->isChecked(),   second_->isChecked(),
                         voltMeter_->isChecked()};
}

void CSetModelDlg::setChecks(const FeatureChecks& c) {
    serial_->setChecked(c.serial);
    ethernet_->setChecked(c.ethernet);
    socketControl_->setChecked(c.socketControl);
    socketMeter_->setChecked(c.socketMeter);
    environment_->setChecked(c.environment);
    second_->setChecked(c.second);
    voltMeter_->setChecked(c.voltMeter);
}

ModelSelections CSetModelDlg::selections() const {
    ModelSelections s;
    s.phase = Value(phase_);
    s.voltage = Value(voltage_);
    s.series = Value(socketTypes_);
    s.meters = Value(meters_);
    s.inlet = Value(inputPlug_);
    s.formFactor = Value(formFactor_);
    s.current = Value(current_);
    s.breakers = Value(breakers_);
    s.tlds = Value(tlds_);
    return s;
}

void CSetModelDlg::showControls(const ModelWords& words) {
    codeText_->setText(QString::fromStdString(CodeText(words)));
    const ModelControls c = ControlsOfWords(words);
    setChecks(c.checks);
    const ModelSelections& s = c.selections;
    SetValue(phase_, s.phase);
    SetValue(voltage_, s.voltage);
    SetValue(socketTypes_, s.series);
    SetValue(meters_, s.meters);
    SetValue(inputPlug_, s.inlet);
    SetValue(formFactor_, s.formFactor);
    SetValue(current_, s.current);
    SetValue(breakers_, s.breakers);
    SetValue(tlds_, s.tlds);
    socketInfo_->setEnabled(socketTypes_->currentIndex() >= 0);
}

int CSetModelDlg::selectedPosition() const {
    return modelList_->currentIndex() < 0 ? -1 : modelList_->currentData().toInt();
}

void CSetModelDlg::selectPosition(int position) {
    modelList_->setCurrentIndex(modelList_->findData(position));
    updateSelectionState();
}

void CSetModelDlg::clearListSelection() {
    modelList_->setCurrentIndex(-1);
    updateSelectionState();
}

void CSetModelDlg::refillList() {
    modelList_->clear();
    for (int i = 0; i < list_->count(); ++i) {
        modelList_->addItem(FromU16(list_->at(i).text), i);
    }
    modelList_->model()->sort(0);
    modelList_->setCurrentIndex(-1);
}

// The buttons that act on the selected model follow the selection; the small button (MIB files
// for all Ethernet models) shows only without one.
void CSetModelDlg::updateSelectionState() {
    const bool selected = selectedPosition() >= 0;
    delete_->setEnabled(selected);
    createMib_->setEnabled(selected);
    createBom_->setEnabled(selected);
    stampModel_->setEnabled(selected && !listOnly_);
    allMibs_->setVisible(!selected);
}

QString CSetModelDlg::encode(const ModelWords& w, std::size_t capacity) const {
    if (ops_->EncodeModelCode == nullptr || capacity == 0) {
        return {};
    }
    std::vector<char16_t> text(capacity, u'\0');
    ops_->EncodeModelCode(w.feature, w.attribute, w.extension, text.data(), capacity);
    text.back() = u'\0';
    return QString::fromUtf16(text.data());
}

bool CSetModelDlg::decode(const QString& text, ModelWords& words, QString* upper) const {
    if (ops_->DecodeModelCode == nullptr) {
        return false;
    }
    std::vector<char16_t> buffer(kCodeChars, u'\0');
    const std::u16string u = text.left(kCodeChars - 1).toStdU16String();
    std::copy(u.begin(), u.end(), buffer.begin());
    const bool ok = ops_->DecodeModelCode(buffer.data(), buffer.size(), &words.feature,
                                          &words.attribute, &words.extension);
    buffer.back() = u'\0';
    if (upper != nullptr) {
        *upper = QString::fromUtf16(buffer.data());
    }
    return ok;
}

// ---- composing and showing ------------------------------------------------------------------

void CSetModelDlg::onFeatureClicked(FeatureBox box) {
    setChecks(ApplyCheckRules(checks(), box));
    compose(true);
}

void CSetModelDlg::compose(bool controlChanged) {
    if (controlChanged) {
        clearListSelection();
    }
    partNumber_->clear();
    codeText_->clear();
    ModelSelections s = selections();
    if (!s.complete()) {
        add_->setEnabled(false);
        return;
    }
    const FeatureChecks c = checks();
    s.tlds = AdjustedTldSelection(c, s);
    SetValue(tlds_, s.tlds);
    ModelWords words;
    ComposeModelWords(c, s, words);
    codeText_->setText(QString::fromStdString(CodeText(words)));
    const QString text = encode(words, kComposeChars);
    partNumber_->setText(text);
    add_->setEnabled(true);
    const int listed = list_->findText(text.toStdU16String());
    if (!text.isEmpty() && listed >= 0) {
        add_->setEnabled(false);
        selectPosition(listed);
    }
}

void CSetModelDlg::onListActivated(int index) {
    if (index >= 0) {
        showListed(modelList_->itemData(index).toInt());
    }
}

void CSetModelDlg::showListed(int position) {
    if (position < 0 || position >= list_->count()) {
        return;
    }
    const WorkingModel& m = list_->at(position);
    selectPosition(position);
    partNumber_->setText(FromU16(m.text));
    showControls(m.words);
    add_->setEnabled(false);
}

void CSetModelDlg::typeModelText(const QString& text) {
    modelList_->setEditText(text);
    onListTextEdited(text);
}

void CSetModelDlg::onListTextEdited(const QString& text) {
    // A text that is not the selected model's string leaves no model selected.
    const int current = modelList_->currentIndex();
    if (current >= 0 && modelList_->itemText(current) != text) {
        QLineEdit* edit = modelList_->lineEdit();
        const int cursor = edit->cursorPosition();
        modelList_->setCurrentIndex(-1);
        modelList_->setEditText(text);
        edit->setCursorPosition(cursor);
    }
    updateSelectionState();
    partNumber_->setText(text);
    ModelWords words;
    if (decode(text, words)) {
        showControls(words);
        compose(false);
        return;
    }
    // Not a model code (yet): Add explains why when pressed.
    codeText_->clear();
    add_->setEnabled(!text.isEmpty());
}

// ---- the list -------------------------------------------------------------------------------

void CSetModelDlg::onAdd() {
    const QString title = QStringLiteral("Add Model");
    const QString text = partNumber_->text();
    ModelWords words;
    QString upper;
    if (!decode(text, words, &upper)) {
        DialogPrompter().warning(
            this, title, Format("Encountered error decoding this Model %1, failed add !", text));
        return;
    }
    // The list keeps each model's string as the codec writes it.
    QString model = encode(words, kCodeChars);
    if (model.isEmpty()) {
        model = upper;
    }
    switch (list_->add(words, model.toStdU16String())) {
        case AddOutcome::Duplicate:
            DialogPrompter().warning(
                this, title, Format("This Model %1 already exists, cannot add duplicates!", model));
            return;
        case AddOutcome::Full:
            DialogPrompter().warning(
                this, title, QStringLiteral("Model list is already full, cannot add anymore!"));
            return;
        case AddOutcome::Added:
            break;
    }
    refillList();
    clearListSelection();
    add_->setEnabled(false);
    save_->setEnabled(true);
}

void CSetModelDlg::onDelete() {
    const int position = selectedPosition();
    if (position < 0) {
        return;
    }
    const QString question = Format("Do you really want to delete model %1 from the list?",
                                    FromU16(list_->at(position).text));
    if (DialogPrompter().question(this, QStringLiteral("Delete Model"), question, Buttons::YesNo) !=
        Answer::Yes) {
        return;
    }
    list_->remove(position);
    refillList();
    clearListSelection();
    save_->setEnabled(true);
}

void CSetModelDlg::onSave() {
    std::vector<ModelListEntry> own;
    ModelListEntry* target = callerList_;
    int capacity = capacity_;
    if (target == nullptr || capacity <= 0) {
        own.resize(kWorkingListCapacity);
        target = own.data();
        capacity = kWorkingListCapacity;
    }
    const int count = list_->writeBack(target, capacity);
    if (ops_->SaveModelList != nullptr && !ops_->SaveModelList(target, count)) {
        // Closing now would lose the list without a word: say so and stay open.
        DialogPrompter().warning(this, QStringLiteral("Save Models"),
                                 QStringLiteral("Failed storing the model list"));
        return;
    }
    if (listOnly_) {
        save_->setEnabled(false);
        return;
    }
    accept();
}

void CSetModelDlg::reject() {
    if (busy_ || stamping_) {
        abandoned_ = true;  // closes as soon as the device call lets go
        return;
    }
    QDialog::reject();
}

void CSetModelDlg::closeEvent(QCloseEvent* event) {
    if (busy_ || stamping_) {
        abandoned_ = true;
        event->ignore();
        return;
    }
    CDraggableDialog::closeEvent(event);
}

}  // namespace quorvel::dialogs

extern "C" {

void PduModelDlg(const quorvel::ModelOps* modelOps, quorvel::ModelListEntry* list, int capacity) {
    if (modelOps == nullptr) {
        return;
    }
    quorvel::dialogs::CSetModelDlg dlg(modelOps, list, capacity, QApplication::activeWindow());
    dlg.exec();
}

}  // extern "C"
