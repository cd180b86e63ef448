// The main window's controls, its reactions to the session worker and its buttons.
#include "app/quorvel_dlg.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QEvent>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSocketNotifier>
#include <QVBoxLayout>

#include "app/about_box.h"
#include "app/app_icon.h"
#include "app/language_table.h"
#include "app/launchers.h"
#include "app/mru_store.h"
#include "app/ports_dlg.h"
#include "app/prompter.h"
#include "app/simulated_pdu.h"
#include "catalogue/attribute_loader.h"
#include "common/qt/color_static.h"
#include "dialogs/dialog_keys.h"
#include "link/messages.h"
#include "platform/port_map.h"
#include "platform/udev_source.h"

namespace quorvel::app {

namespace {

constexpr int kComPorts = 20;
constexpr int kQuitPollMs = 20;  // how often a quitting window looks whether the worker ended

const QEvent::Type kWorkerMessageEvent = static_cast<QEvent::Type>(QEvent::registerEventType());

// A worker's message on its way to the window thread.
class WorkerMessage : public QEvent {
  public:
    WorkerMessage(unsigned msg, std::uintptr_t wParam, std::intptr_t lParam)
        : QEvent(kWorkerMessageEvent), msg(msg), wParam(wParam), lParam(lParam) {}
    unsigned msg;
    std::uintptr_t wParam;
    std::intptr_t lParam;
};

QString Q(const std::u16string& text) {
    return QString::fromStdU16String(text);
}

QString T(Txt row) {
    return Q(LangText(row));
}

// Captions beside the identity lines (the blank line has none).
constexpr const char* kIdentityCaptions[5] = {"Model code:", "",
                                              "Identity:", "Firmware:", "Generation:"};

QPushButton* MakeButton(const QString& text, const char* name) {
    auto* b = new QPushButton(text);
    b->setObjectName(QString::fromLatin1(name));
    b->setAutoDefault(false);
    b->setMinimumWidth(96);
    return b;
}

void KeepPlaceWhenHidden(QWidget* w) {
    QSizePolicy p = w->sizePolicy();
    p.setRetainSizeWhenHidden(true);
    w->setSizePolicy(p);
}

}  // namespace

CQuorvelDlg::CQuorvelDlg(bool developer, Prompter& prompter, SimulatedPdu* simulator,
                         QWidget* parent)
    : QDialog(parent),
      developer_(developer),
      prompter_(prompter),
      simulator_(simulator),
      model_(developer) {
    // The dialogs ask the operator through the window's prompter.
    dialogs::SetDialogPrompter(&prompter_);
    setWindowTitle(T(Txt::Title));
    setWindowIcon(AppIcon());
    setWindowFlags(windowFlags() | Qt::WindowMinimizeButtonHint);
    buildControls();

    // A fresh record: identity not read, calibration references at their starting values.
    record_.developerFlag = developer_ ? 1 : 0;
    ForgetIdentity(record_);
    record_.stopFlag = 0;
    port_ = std::make_shared<platform::MessagePort>(this);
    record_.owner = port_;

    portList_->setCurrentIndex(0);
    setIndicator(kLinkRed);
    if (const int stored = StoredComPortIndex(); stored >= 0 && stored < kComPorts) {
        portList_->setCurrentIndex(stored);
    }
    connect(portList_, &QComboBox::currentIndexChanged, this, &CQuorvelDlg::onPortChanged);
    // Adapters plugged in or pulled while the window is open show up in the tooltips.
    udevMonitor_ = std::make_unique<platform::UdevMonitor>();
    if (udevMonitor_->fd() >= 0) {
        hotplug_ = new QSocketNotifier(udevMonitor_->fd(), QSocketNotifier::Read, this);
        connect(hotplug_, &QSocketNotifier::activated, this, [this] {
            if (udevMonitor_->drain()) {
                refreshPorts();
            }
        });
    }
    refreshPorts();
    stopEvent_ = platform::CreateNamedEvent(kStopEventName);
    quitTimer_.setInterval(kQuitPollMs);
    connect(&quitTimer_, &QTimer::timeout, this, &CQuorvelDlg::quitWhenLoggedOff);
    reserveConnectedSize();
    model_.setSessionState(false);
    render();
    LoadPDUAttributes();
}

CQuorvelDlg::~CQuorvelDlg() {
    // Late posts of a worker that outlives the bounded wait are dropped from here on.
    port_->detach();
    if (worker_) {
        worker_->requestStop();
    }
    if (&dialogs::DialogPrompter() == &prompter_) {
        dialogs::SetDialogPrompter(nullptr);
    }
}

void CQuorvelDlg::buildControls() {
    auto* root = new QVBoxLayout(this);
    root->setContentsMargins(12, 12, 12, 8);
    root->setSpacing(8);
    auto* columns = new QHBoxLayout;
    columns->setSpacing(12);
    root->addLayout(columns, 1);

    // Left: the connection and the launchers.
    auto* left = new QVBoxLayout;
    left->setSpacing(8);
    columns->addLayout(left);

    auto* connection = new QGroupBox(T(Txt::ConnectionGroup));
    auto* cl = new QGridLayout(connection);
    cl->setHorizontalSpacing(8);
    cl->setVerticalSpacing(6);
    portList_ = new QComboBox;
    portList_->setObjectName("portList");
    for (int i = 1; i <= kComPorts; ++i) {
        portList_->addItem(QStringLiteral("  COM%1").arg(i));
    }
    auto* portLabel = new QLabel(T(Txt::ComPort));
    portLabel->setBuddy(portList_);
    indicator_ = new CColorStaticST;
    indicator_->setObjectName("linkIndicator");
    indicator_->setFixedHeight(10);
    indicator_->setFrameShape(QFrame::StyledPanel);
    indicator_->setToolTip(
        QStringLiteral("Link: red = no session, green = logged in, "
                       "dark = connected and idle"));
    connect_ = MakeButton(T(Txt::Connect), "connectButton");
    disconnect_ = MakeButton(T(Txt::Disconnect), "disconnectButton");
    portsButton_ = new QPushButton(QStringLiteral("Ports\u2026"));
    portsButton_->setObjectName("portsButton");
    portsButton_->setAutoDefault(false);
    portsButton_->setToolTip(
        QStringLiteral("The serial devices found, and the one each COM "
                       "port uses"));
    cl->addWidget(portLabel, 0, 0);
    cl->addWidget(portList_, 0, 1);
    cl->addWidget(portsButton_, 0, 2);
    cl->addWidget(indicator_, 1, 1);
    cl->addWidget(connect_, 2, 0, 1, 3);
    cl->addWidget(disconnect_, 2, 0, 1, 3);
    left->addWidget(connection);

    actions_ = new QGroupBox(T(Txt::ActionsGroup));
    actions_->setObjectName("actionsGroup");
    KeepPlaceWhenHidden(actions_);
    auto* al = new QVBoxLayout(actions_);
    al->setSpacing(6);
    monitor_ = MakeButton(T(Txt::Monitor), "monitorButton");
    configure_ = MakeButton(T(Txt::Configure), "configureButton");
    web_ = MakeButton(QStringLiteral("Web"), "webButton");
    modelButton_ = MakeButton(T(Txt::Model), "modelButton");
    calibrate_ = MakeButton(T(Txt::Calibrate), "calibrateButton");
    for (QPushButton* b : {monitor_, configure_, web_, modelButton_, calibrate_}) {
        KeepPlaceWhenHidden(b);
        al->addWidget(b);
    }
    al->addStretch(1);
    left->addWidget(actions_, 1);

    // Right: what the PDU is and which modules it carries.
    auto* right = new QVBoxLayout;
    right->setSpacing(8);
    columns->addLayout(right, 1);

    auto* pdu = new QGroupBox(QStringLiteral("PDU"));
    auto* form = new QFormLayout(pdu);
    form->setLabelAlignment(Qt::AlignRight | Qt::AlignVCenter);
    form->setHorizontalSpacing(12);
    form->setVerticalSpacing(4);
    const char* names[5] = {"modelCodeText", "blankText", "identityText", "versionText",
                            "generationText"};
    for (int i = 0; i < 5; ++i) {
        identity_[i] = new QLabel;
        identity_[i]->setObjectName(QString::fromLatin1(names[i]));
        identity_[i]->setTextInteractionFlags(Qt::TextSelectableByMouse);
        identity_[i]->setMinimumWidth(200);
        if (i == kBlankLine) {
            identity_[i]->setFixedHeight(4);
            form->addRow(identity_[i]);
        } else {
            form->addRow(QString::fromLatin1(kIdentityCaptions[i]), identity_[i]);
        }
    }
    QFont code = identity_[kModelCodeLine]->font();
    code.setBold(true);
    identity_[kModelCodeLine]->setFont(code);
    right->addWidget(pdu);

    modules_ = new QGroupBox(T(Txt::ModulesGroup));
    modules_->setObjectName("modulesGroup");
    KeepPlaceWhenHidden(modules_);
    auto* ml = new QGridLayout(modules_);
    ml->setHorizontalSpacing(16);
    ml->setVerticalSpacing(4);
    for (int i = 0; i < 2; ++i) {
        environment_[i] = new QCheckBox(T(Txt::Environmental));
        environment_[i]->setObjectName(QStringLiteral("environment%1").arg(i));
        ml->addWidget(environment_[i], 0, i * 2, 1, 2);
    }
    auto* rule = new QFrame;
    rule->setFrameShape(QFrame::HLine);
    rule->setFrameShadow(QFrame::Sunken);
    ml->addWidget(rule, 1, 0, 1, 4);
    for (int i = 0; i < kModuleSlots; ++i) {
        // Slots run down the columns: 0-3 in the first, 4-7 in the second and so on.
        slots_[i] = new QCheckBox;
        slots_[i]->setObjectName(QStringLiteral("slot%1").arg(i));
        ml->addWidget(slots_[i], 2 + i % 4, i / 4);
        KeepPlaceWhenHidden(slots_[i]);
    }
    for (QCheckBox* box : environment_) {
        KeepPlaceWhenHidden(box);
    }
    // The boxes only show what the PDU reported.
    for (auto& list : {std::vector<QCheckBox*>(environment_.begin(), environment_.end()),
                       std::vector<QCheckBox*>(slots_.begin(), slots_.end())}) {
        for (QCheckBox* box : list) {
            box->setAttribute(Qt::WA_TransparentForMouseEvents);
            box->setFocusPolicy(Qt::NoFocus);
        }
    }
    right->addWidget(modules_, 1);

    // Bottom: the status line and the About button.
    auto* bottom = new QHBoxLayout;
    status_ = new QLabel;
    status_->setObjectName("statusLine");
    status_->setFrameShape(QFrame::StyledPanel);
    status_->setFrameShadow(QFrame::Sunken);
    status_->setContentsMargins(6, 2, 6, 2);
    status_->setMinimumWidth(300);
    auto* about = MakeButton(T(Txt::About), "aboutButton");
    bottom->addWidget(status_, 1);
    bottom->addWidget(about);
    root->addLayout(bottom);

    connect(connect_, &QPushButton::clicked, this, &CQuorvelDlg::onConnect);
    connect(disconnect_, &QPushButton::clicked, this, &CQuorvelDlg::onDisconnect);
    connect(about, &QPushButton::clicked, this, &CQuorvelDlg::showAbout);
    connect(portsButton_, &QPushButton::clicked, this, &CQuorvelDlg::onPorts);

    const std::pair<QPushButton*, void (*)(const LaunchContext&)> launchers[] = {
        {monitor_, &LaunchStateDialog},
        {configure_, &LaunchConfigDialog},
        {web_, &LaunchWebDialog},
        {modelButton_, &LaunchModelDialog},
        {calibrate_, &LaunchCalibrationDialog},
    };
    for (const auto& [button, launch] : launchers) {
        connect(button, &QPushButton::clicked, this,
                [this, run = launch] { run(launchContext()); });
    }

    // Tab goes down the left column and then to About; Enter presses the focused button. The
    // focus starts on Connect: the port is remembered from the last run, so Enter connects.
    dialogs::SetTabChain({portList_, portsButton_, connect_, disconnect_, monitor_, configure_,
                          web_, modelButton_, calibrate_, about});
    dialogs::EnterPressesFocusedButton(this);
    connect_->setFocus();
}

LaunchContext CQuorvelDlg::launchContext() {
    return LaunchContext{this, &pdu_, &addresses_, developer_, &prompter_, &record_};
}

void CQuorvelDlg::reserveConnectedSize() {
    // The window keeps the size of its busiest state, so nothing jumps when a session starts.
    WindowView full = model_.view();
    full.actionsVisible = full.modulesVisible = true;
    for (ButtonView* b :
         {&full.monitor, &full.configure, &full.web, &full.model, &full.calibrate}) {
        b->visible = true;
    }
    for (auto& box : full.environment) {
        box.visible = true;
        box.text = u"Enviro(0)";
    }
    for (auto& box : full.moduleSlots) {
        box.visible = true;
        box.text = u"Display (15)";
    }
    full.identityLines[kModelCodeLine] = u"SQV43340341EL-3AC";
    apply(full);
    layout()->activate();
    setMinimumSize(sizeHint());
    resize(sizeHint());
}

void CQuorvelDlg::post(unsigned msg, std::uintptr_t wParam, std::intptr_t lParam) {
    QCoreApplication::postEvent(this, new WorkerMessage(msg, wParam, lParam));
}

bool CQuorvelDlg::event(QEvent* e) {
    if (e->type() == kWorkerMessageEvent) {
        const auto* m = static_cast<WorkerMessage*>(e);
        onWorkerMessage(m->msg, m->wParam, m->lParam);
        return true;
    }
    return QDialog::event(e);
}

void CQuorvelDlg::onWorkerMessage(unsigned msg, std::uintptr_t wParam, std::intptr_t lParam) {
    switch (msg) {
        case UM_STATUS_TEXT:
            model_.setStatus(record_.postedText(lParam));
            break;
        case UM_ACCESS_ERROR: {
            const QString text = Q(record_.postedText(lParam));
            const QString title = QStringLiteral("Quorvel Access Error");
            render();
            if (wParam != 0) {
                prompter_.warning(this, title, text);
            } else {
                prompter_.information(this, title, text);
            }
            break;
        }
        case UM_CONFIG_READY:
            configReady_ = true;
            identityRefresh();
            break;
        case UM_SESSION_ENDED:
            configReady_ = false;
            sessionReady_ = false;
            model_.sessionEnded(lParam, record_);
            break;
        case UM_LINK_STATE:
            model_.setLinkState(lParam);
            if (lParam == 0 && configReady_) {
                sessionReady_ = true;  // the worker now waits in its normal loop
            }
            break;
        default:
            return;
    }
    render();
}

void CQuorvelDlg::identityRefresh() {
    model_.refreshIdentity(record_, pdu_, addresses_);
}

void CQuorvelDlg::postStatus(const std::u16string& text) {
    post(UM_STATUS_TEXT, 0, record_.setStatusText(text));
}

void CQuorvelDlg::onConnect() {
    QApplication::setOverrideCursor(Qt::WaitCursor);
    struct RestoreCursor {
        ~RestoreCursor() { QApplication::restoreOverrideCursor(); }
    } restore;

    // A session that runs keeps its record and its display.
    if (worker_ && worker_->running()) {
        prompter_.information(this, QStringLiteral("SESSION IN PROGRESS"),
                              QStringLiteral("Already Connected"));
        model_.setSessionState(true);
        render();
        return;
    }

    ForgetIdentity(record_);
    identityRefresh();
    const int index = portList_->currentIndex();
    if (index < 0) {
        render();
        prompter_.information(this, QStringLiteral("LUMARC - CONNECT"),
                              QStringLiteral("Invalid Com Port Selection"));
        return;
    }
    record_.comPortIndex = static_cast<std::int16_t>(index);
    record_.stopFlag = 0;
    if (simulator_ != nullptr) {
        simulator_->mapPort(index + 1);
    }
    if (!worker_) {
        worker_ = std::make_unique<SessionWorker>();
    }
    configReady_ = false;
    sessionReady_ = false;
    bool started = false;
    try {
        started = worker_->start(record_);
    } catch (const std::system_error&) {
        started = false;
    }
    if (!started) {
        render();
        prompter_.warning(this, QStringLiteral("LUMARC"),
                          QStringLiteral("Unable to start connect thread"), Buttons::OkCancel);
        return;
    }
    ++workersStarted_;
    postStatus(u"Started Connection");
    model_.setSessionState(true);
    render();
}

void CQuorvelDlg::onDisconnect() {
    if (worker_ && worker_->running()) {
        worker_->requestStop();  // the worker answers with UM_SESSION_ENDED
        return;
    }
    record_.stopFlag = 1;
    model_.sessionEnded(1, record_);
    render();
}

void CQuorvelDlg::onPortChanged(int index) {
    if (index >= 0) {
        StoreComPortIndex(index);
    }
    portList_->setToolTip(portList_->itemData(index, Qt::ToolTipRole).toString());
}

void CQuorvelDlg::refreshPorts() {
    serialPorts_ = platform::DetectSerialPorts();
    updatePortTooltips();
    emit portsChanged();
}

void CQuorvelDlg::updatePortTooltips() {
    for (int i = 0; i < kComPorts; ++i) {
        const int n = i + 1;
        const std::string text =
            simulator_ != nullptr
                ? "COM" + std::to_string(n) + ": the simulated PDU (" + simulator_->devicePath() +
                      ")"
                : platform::ComPortTooltip(n, platform::resolvePortPath(n), serialPorts_);
        portList_->setItemData(i, QString::fromStdString(text), Qt::ToolTipRole);
    }
    portList_->setToolTip(
        portList_->itemData(portList_->currentIndex(), Qt::ToolTipRole).toString());
}

void CQuorvelDlg::onPorts() {
    CPortsDlg dlg(portList_->currentIndex() + 1, serialPorts_, prompter_, this);
    connect(this, &CQuorvelDlg::portsChanged, &dlg, [this, &dlg] { dlg.setPorts(serialPorts_); });
    connect(&dlg, &CPortsDlg::mappingChanged, this, &CQuorvelDlg::updatePortTooltips);
    dlg.exec();
}

bool CQuorvelDlg::requestQuit() {
    if (quitting()) {
        return false;  // already logging off: the window closes when that has ended
    }
    if (worker_ && worker_->running()) {
        const Answer a = prompter_.question(
            this, QStringLiteral("Session in progress ..."),
            QStringLiteral("Connection active, are you sure you want to quit?"), Buttons::OkCancel);
        if (a != Answer::Ok) {
            return false;
        }
        // The worker logs off and ends while the window goes on; the record it uses lives
        // until then.
        worker_->requestStop();
        quitClock_.start();
        quitTimer_.start();
        return false;
    }
    port_->detach();
    platform::CloseNamedEvent(kStopEventName);
    return true;
}

void CQuorvelDlg::quitWhenLoggedOff() {
    if (worker_ && worker_->running() && !quitClock_.hasExpired(kQuitLogoffWaitMs)) {
        return;
    }
    quitTimer_.stop();
    port_->detach();
    platform::CloseNamedEvent(kStopEventName);
    closing_ = true;
    QDialog::reject();
}

void CQuorvelDlg::closeEvent(QCloseEvent* e) {
    if (closing_ || requestQuit()) {
        closing_ = true;
        e->accept();
        QDialog::closeEvent(e);
    } else {
        e->ignore();
    }
}

void CQuorvelDlg::reject() {
    // Escape and the title bar's close button both arrive as a close request.
    if (closing_ || requestQuit()) {
        closing_ = true;
        QDialog::reject();
    }
}

void CQuorvelDlg::showAbout() {
    ShowAboutBox(this);
}

void CQuorvelDlg::bringForward() {
    if (isMinimized()) {
        showNormal();
    }
    show();
    raise();
    activateWindow();
}

void CQuorvelDlg::setIndicator(const Rgb& colour) {
    indicator_->SetBackgroundColor(QColor(colour.r, colour.g, colour.b));
}

void CQuorvelDlg::render() {
    apply(model_.view());
}

void CQuorvelDlg::apply(const WindowView& v) {
    // Connect and Disconnect share a place: the focus goes with it from one to the other.
    const bool connectionFocused = focusWidget() == connect_ || focusWidget() == disconnect_;
    connect_->setVisible(v.connectVisible);
    // Which device a port uses is settled before a session, not during one.
    portsButton_->setEnabled(v.connectVisible);
    disconnect_->setVisible(v.disconnectVisible);
    if (connectionFocused) {
        (v.connectVisible ? connect_ : disconnect_)->setFocus();
    }
    actions_->setVisible(v.actionsVisible);
    const std::pair<QPushButton*, const ButtonView*> buttons[] = {{monitor_, &v.monitor},
                                                                  {configure_, &v.configure},
                                                                  {web_, &v.web},
                                                                  {modelButton_, &v.model},
                                                                  {calibrate_, &v.calibrate}};
    for (const auto& [button, state] : buttons) {
        button->setVisible(state->visible);
        button->setEnabled(state->enabled);
    }
    modules_->setVisible(v.modulesVisible);
    for (std::size_t i = 0; i < environment_.size(); ++i) {
        environment_[i]->setVisible(v.environment[i].visible);
        environment_[i]->setChecked(v.environment[i].checked);
        environment_[i]->setText(Q(v.environment[i].text));
    }
    for (std::size_t i = 0; i < slots_.size(); ++i) {
        slots_[i]->setVisible(v.moduleSlots[i].visible);
        slots_[i]->setChecked(v.moduleSlots[i].checked);
        slots_[i]->setText(Q(v.moduleSlots[i].text));
    }
    for (std::size_t i = 0; i < identity_.size(); ++i) {
        identity_[i]->setText(Q(v.identityLines[i]));
    }
    status_->setText(Q(v.status));
    setIndicator(v.link);
}

}  // namespace quorvel::app
