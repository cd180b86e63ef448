// The "Web Variables" dialog: controls, the Load, Save and Initialize actions, and the reactions
// to its worker's messages.
#include "app/init_dbase_dlg.h"

#include <QCheckBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>
#include <algorithm>
#include <vector>

#include "app/prompter.h"
#include "dialogs/dialog_keys.h"
#include "platform/message_target.h"

namespace quorvel::app {

namespace {

const QString kTitle = QStringLiteral("Web Variables");
const QString kLoading = QStringLiteral("Loading Configuration Information ...");
const QString kSaving = QStringLiteral("Saving Configuration Information ...");
const QString kInitializing = QStringLiteral("Initializing PDU device database ...");
const QString kSaveTitle = QStringLiteral("Save");
const QString kRestartText =
    QStringLiteral("Do you want to restart the PDU to apply the network setting changes?");
const QString kInitTitle = QStringLiteral("Initialize");
const QString kInitDone = QStringLiteral("Initialized Database Successfully.");
const QString kInitDatabaseTitle = QStringLiteral("Initialize Database");
const QString kInitQuestion =
    QStringLiteral("Do you really want to Format and load default values to the Database?");
const QString kFormatFailed = QStringLiteral("Failed Formatting!");
const QString kLoadFirst =
    QStringLiteral("Not every setting could be read from the PDU: Load them again before saving.");
const QString kNotWritten = QStringLiteral("Not written: %1.");
const QString kStoppedAnswering = QStringLiteral("The PDU stopped answering. ");
const QString kInitIncomplete =
    QStringLiteral("Initialize did not complete: %1 default value(s) were not written.");
const QString kDefaultFailed =
    QStringLiteral("Failed Saving Default Value!\nDo you want to continue?");

template <typename W>
W* Named(W* widget, const QString& name) {
    widget->setObjectName(name);
    return widget;
}

QPushButton* Button(const QString& text, const char* name) {
    auto* b = Named(new QPushButton(text), QString::fromLatin1(name));
    b->setAutoDefault(false);
    b->setMinimumWidth(90);
    return b;
}

QLineEdit* Edit(const char* name, int maxLength = kWebTextChars - 1) {
    auto* e = Named(new QLineEdit, QString::fromLatin1(name));
    e->setMaxLength(maxLength);
    return e;
}

std::u16string U(const QLineEdit* edit) {
    return edit->text().toStdU16String();
}

}  // namespace

CInitDbaseDlg::CInitDbaseDlg(std::uint8_t developerFlag, PduRecord* pdu, QWidget* parent)
    : QDialog(parent), pdu_(pdu) {
    buildControls(developerFlag != 0);
    block_ = std::make_shared<WebWorkerBlock>();
    block_->window = std::make_shared<platform::MessagePort>(&target_);
    block_->database->bind(*pdu_);
    worker_ = std::make_unique<WebDatabaseWorker>(block_);
    closing_ = new dialogs::WorkerClosing(this);
    worker_->start();
    onLoad();
}

CInitDbaseDlg::~CInitDbaseDlg() {
    worker_->finish(0);
}

bool CInitDbaseDlg::busy() const {
    // The queue first: the worker takes a command and marks it running under the queue's lock,
    // so a command is seen either queued or running, never neither.
    return passesOpen_ > 0 || worker_->loop().commandPending() ||
           block_->command.load() != kWebIdle;
}

void CInitDbaseDlg::buildControls(bool developer) {
    setWindowTitle(kTitle);
    auto* root = new QVBoxLayout(this);
    root->setContentsMargins(12, 12, 12, 12);
    root->setSpacing(10);

    auto* network = Named(new QGroupBox(QStringLiteral("Network")), QStringLiteral("networkGroup"));
    auto* nf = new QFormLayout(network);
    name_ = Edit("pduNameEdit", 31);
    ip_ = Edit("ipAddressEdit");
    subnet_ = Edit("subnetMaskEdit");
    gateway_ = Edit("gatewayEdit");
    nf->addRow(QStringLiteral("PDU Name:"), name_);
    nf->addRow(QStringLiteral("PDU IP Address:"), ip_);
    nf->addRow(QStringLiteral("Subnetmask:"), subnet_);
    nf->addRow(QStringLiteral("Gateway:"), gateway_);
    auto* boxes = new QHBoxLayout;
    dhcp_ = Named(new QCheckBox(QStringLiteral("DHCP")), QStringLiteral("dhcpBox"));
    web_ = Named(new QCheckBox(QStringLiteral("WEB Enabled")), QStringLiteral("webEnabledBox"));
    swUpdate_ = Named(new QCheckBox(QStringLiteral("SW Update")), QStringLiteral("swUpdateBox"));
    celsius_ = Named(new QCheckBox(QStringLiteral("Celsius")), QStringLiteral("celsiusBox"));
    for (QCheckBox* b : {dhcp_, web_, swUpdate_, celsius_}) {
        boxes->addWidget(b);
    }
    boxes->addStretch(1);
    nf->addRow(boxes);
    root->addWidget(network);

    auto* login = Named(new QGroupBox(QStringLiteral("Login")), QStringLiteral("loginGroup"));
    auto* lg = new QGridLayout(login);
    lg->addWidget(new QLabel(QStringLiteral("Name")), 0, 1);
    lg->addWidget(new QLabel(QStringLiteral("Password")), 0, 2);
    for (int u = 0; u < kWebUsers; ++u) {
        lg->addWidget(new QLabel(QStringLiteral("User%1:").arg(u + 1)), u + 1, 0);
        users_[u] = Named(new QLineEdit, QStringLiteral("userName%1").arg(u));
        passwords_[u] = Named(new QLineEdit, QStringLiteral("password%1").arg(u));
        users_[u]->setMaxLength(31);
        passwords_[u]->setMaxLength(31);
        lg->addWidget(users_[u], u + 1, 1);
        lg->addWidget(passwords_[u], u + 1, 2);
    }
    root->addWidget(login);

    status_ = Named(new QLabel, QStringLiteral("statusLine"));
    status_->setFrameShape(QFrame::StyledPanel);
    status_->setFrameShadow(QFrame::Sunken);
    status_->setMinimumHeight(status_->sizeHint().height() + 4);
    root->addWidget(status_);
    progress_ = Named(new QProgressBar, QStringLiteral("progressBar"));
    progress_->setRange(0, 100);
    progress_->setValue(0);
    root->addWidget(progress_);

    auto* buttons = new QHBoxLayout;
    initialize_ = Button(QStringLiteral("Initialize"), "initializeButton");
    load_ = Button(QStringLiteral("Load"), "loadButton");
    save_ = Button(QStringLiteral("Save"), "saveButton");
    cancel_ = Button(QStringLiteral("Cancel"), "cancelButton");
    initialize_->setVisible(developer);
    buttons->addStretch(1);
    for (QPushButton* b : {initialize_, load_, save_, cancel_}) {
        buttons->addWidget(b);
        if (b != initialize_ || developer) {
            buttons->addStretch(1);
        }
    }
    root->addLayout(buttons);

    connect(initialize_, &QPushButton::clicked, this, &CInitDbaseDlg::onInitialize);
    connect(load_, &QPushButton::clicked, this, &CInitDbaseDlg::onLoad);
    connect(save_, &QPushButton::clicked, this, &CInitDbaseDlg::onSave);
    connect(cancel_, &QPushButton::clicked, this, &CInitDbaseDlg::reject);
    connect(dhcp_, &QCheckBox::toggled, this, &CInitDbaseDlg::applyDhcpRule);

    // Tab reads the network group, the user rows (name, then password) and the buttons; Enter
    // presses the focused button and nothing else, so it never saves or closes from a field.
    std::vector<QWidget*> chain{name_, ip_, subnet_, gateway_, dhcp_, web_, swUpdate_, celsius_};
    for (int u = 0; u < kWebUsers; ++u) {
        chain.push_back(users_[u]);
        chain.push_back(passwords_[u]);
    }
    chain.insert(chain.end(), {initialize_, load_, save_, cancel_});
    dialogs::SetTabChain(chain);
    dialogs::EnterPressesFocusedButton(this);
    name_->setFocus();
}

void CInitDbaseDlg::applyDhcpRule() {
    const bool manual = !dhcp_->isChecked();
    for (QLineEdit* e : {ip_, subnet_, gateway_}) {
        e->setEnabled(manual);
    }
}

WebEdits CInitDbaseDlg::edits() const {
    WebEdits e;
    e.name = U(name_);
    e.ip = U(ip_);
    e.subnet = U(subnet_);
    e.gateway = U(gateway_);
    e.options = {dhcp_->isChecked(), web_->isChecked(), swUpdate_->isChecked(),
                 celsius_->isChecked()};
    for (int u = 0; u < kWebUsers; ++u) {
        e.users[u] = U(users_[u]);
        e.passwords[u] = U(passwords_[u]);
    }
    return e;
}

void CInitDbaseDlg::onLoad() {
    MarkLoad(*block_->database);
    status_->setText(kLoading);
    setButtonsEnabled(false);
    give(kWebLoad);
}

void CInitDbaseDlg::onSave() {
    // What a Load did not read holds no value of the PDU's: saving it would write defaults.
    if (!loaded_) {
        dialogs::DialogPrompter().warning(this, kSaveTitle, kLoadFirst);
        return;
    }
    const SaveMarks marks = MarkEdits(*block_->database, edits());
    if (marks.marked == 0) {
        return;
    }
    noteNetworkMarks();
    status_->setText(kSaving);
    setButtonsEnabled(false);
    give(kWebSave);
}

void CInitDbaseDlg::onInitialize() {
    if (dialogs::DialogPrompter().question(this, kInitDatabaseTitle, kInitQuestion,
                                           dialogs::Buttons::YesNo) != dialogs::Answer::Yes) {
        return;
    }
    WebDatabase& db = *block_->database;
    FillInitialDefaults(db, *pdu_);
    MarkAllWithText(db);
    noteNetworkMarks();
    status_->setText(kInitializing);
    setButtonsEnabled(false);
    // The worker formats the database first and writes the defaults only when that succeeded.
    give(kWebInitialise);
}

void CInitDbaseDlg::reject() {
    if (closeAsked_ || closing_->active()) {
        return;
    }
    const std::uint8_t running = block_->command.load();
    if (running == kWebSave || running == kWebInitialise) {
        // The pass and the questions at its end come first; the dialog then closes.
        closeAsked_ = true;
        setButtonsEnabled(false);
        cancel_->setEnabled(false);
        return;
    }
    closeWhenDone();
}

void CInitDbaseDlg::closeWhenDone() {
    closing_->begin(worker_.get(), [this] { QDialog::reject(); });
}

void CInitDbaseDlg::give(std::uint8_t command) {
    // A pass stays open until the dialog has taken its end, not only until the worker is done.
    if (command == kWebLoad || command == kWebSave || command == kWebInitialise) {
        ++passesOpen_;
    }
    worker_->give(command);
}

void CInitDbaseDlg::passEnded() {
    if (closeAsked_) {
        closeWhenDone();
    }
}

void CInitDbaseDlg::setButtonsEnabled(bool enabled) {
    for (QPushButton* b : {initialize_, load_, save_}) {
        b->setEnabled(enabled);
    }
}

void CInitDbaseDlg::showEntry(int index) {
    if (index < 0 || index >= WebDatabase::size()) {
        return;
    }
    const WebDatabase& db = *block_->database;
    const WebEntry& e = db.entry(index);
    const QString text = QString::fromStdU16String(db.text(index));
    switch (e.control) {
        case kPduNameControl:
            name_->setText(text);
            return;
        case kIpAddressControl:
            ip_->setText(text);
            return;
        case kSubnetControl:
            subnet_->setText(text);
            return;
        case kGatewayControl:
            gateway_->setText(text);
            return;
        case kOptionsControl: {
            const OptionBoxes b =
                OptionBoxesFromValue(static_cast<std::uint16_t>(ParseDecimalText(db.text(index))));
            dhcp_->setChecked(b.dhcp);
            web_->setChecked(b.web);
            swUpdate_->setChecked(b.swUpdate);
            celsius_->setChecked(b.celsius);
            applyDhcpRule();
            return;
        }
        default:
            break;
    }
    if (e.control >= kUserNameControl && e.control < kUserNameControl + kWebUsers) {
        users_[e.control - kUserNameControl]->setText(text);
    } else if (e.control >= kPasswordControl && e.control < kPasswordControl + kWebUsers) {
        passwords_[e.control - kPasswordControl]->setText(text);
    }
}

void CInitDbaseDlg::noteNetworkMarks() {
    networkMarked_.clear();
    const WebDatabase& db = *block_->database;
    for (int i = 0; i < WebDatabase::size(); ++i) {
        if (db.entry(i).mark == 1 && IsNetworkItem(db.entry(i).code)) {
            networkMarked_.push_back(i);
        }
    }
}

bool CInitDbaseDlg::networkWritten() const {
    const WebDatabase& db = *block_->database;
    return std::any_of(networkMarked_.begin(), networkMarked_.end(),
                       [&db](int i) { return db.entry(i).mark == 0; });
}

bool CInitDbaseDlg::reportUnwritten() {
    const std::vector<std::u16string> names = MarkedEntryNames(*block_->database);
    if (names.empty()) {
        return true;
    }
    QStringList list;
    for (const std::u16string& n : names) {
        list << QString::fromStdU16String(n);
    }
    const QString prefix = block_->unanswered.load() ? kStoppedAnswering : QString();
    dialogs::DialogPrompter().warning(this, kSaveTitle,
                                      prefix + kNotWritten.arg(list.join(QStringLiteral(", "))));
    return false;
}

void CInitDbaseDlg::askRestart(const QString& title, const QString& text) {
    if (dialogs::DialogPrompter().question(this, title, text, dialogs::Buttons::YesNo) ==
        dialogs::Answer::Yes) {
        give(kWebRestartNetwork);
    }
}

bool CInitDbaseDlg::event(QEvent* e) {
    if (e->type() == dialogs::WorkerMessageEvent::eventType()) {
        onWorkerMessage(static_cast<dialogs::WorkerMessageEvent*>(e)->message());
        return true;
    }
    return QDialog::event(e);
}

void CInitDbaseDlg::onWorkerMessage(const platform::Message& m) {
    if (m.msg != UM_WEB_EVENT) {
        return;
    }
    Prompter& prompter = dialogs::DialogPrompter();
    switch (m.wParam) {
        case kWebProgress:
            progress_->setValue(static_cast<int>(m.lParam));
            break;
        case kWebBusy:
            if (m.lParam <= kInitialiseStarted) {
                setButtonsEnabled(false);
                break;
            }
            passesOpen_ = std::max(0, passesOpen_ - 1);
            if (!closeAsked_) {
                setButtonsEnabled(true);
            }
            status_->clear();
            if (m.lParam == kLoadDone) {
                loaded_ = block_->database->marked() == 0;
            } else if (m.lParam == kSaveDone) {
                // Only a network setting the PDU took needs the restart.
                networkChanged_ = networkChanged_ || networkWritten();
                reportUnwritten();
                if (networkChanged_) {
                    askRestart(kSaveTitle, kRestartText);
                }
            } else if (m.lParam == kInitialiseDone) {
                const int unwritten = block_->database->marked();
                networkChanged_ = networkChanged_ || networkWritten();
                if (!closeAsked_) {
                    onLoad();
                }
                if (unwritten > 0) {
                    // Never reported as a success: what was not written is counted.
                    const QString prefix =
                        block_->unanswered.load() ? kStoppedAnswering : QString();
                    prompter.warning(this, kInitTitle, prefix + kInitIncomplete.arg(unwritten));
                    if (networkChanged_) {
                        askRestart(kInitTitle, kRestartText);
                    }
                } else if (!networkChanged_) {
                    prompter.information(this, kInitTitle, kInitDone);
                } else {
                    askRestart(kInitTitle, kInitDone + QStringLiteral("\n") + kRestartText);
                }
            }
            passEnded();
            break;
        case kWebShowEntry:
            showEntry(static_cast<int>(m.lParam));
            break;
        case kWebAskContinue:
            worker_->answer(prompter.question(this, kInitDatabaseTitle, kDefaultFailed,
                                              dialogs::Buttons::YesNo) == dialogs::Answer::Yes);
            break;
        case kWebFormatFailed:
            passesOpen_ = std::max(0, passesOpen_ - 1);
            setButtonsEnabled(true);
            status_->clear();
            block_->database->unmarkAll();
            prompter.warning(this, kInitDatabaseTitle, kFormatFailed);
            passEnded();
            break;
        case kWebRestartDone:
            break;
        default:
            break;
    }
}

}  // namespace quorvel::app
