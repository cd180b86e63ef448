// The Ports dialog's controls and its two writes to the settings.
#include "app/ports_dlg.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSettings>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "dialogs/dialog_keys.h"
#include "platform/port_map.h"

namespace quorvel::app {

namespace {

constexpr int kComPorts = 20;
constexpr char kTitle[] = "Ports";
enum Column { kDevice, kVendor, kProduct, kSerial, kDriver, kCom, kColumns };

QString Q(const std::string& s) {
    return QString::fromStdString(s);
}

QString SettingsKey(int n) {
    return QStringLiteral("Ports/COM%1").arg(n);
}

}  // namespace

CPortsDlg::CPortsDlg(int comPort, std::vector<platform::SerialPortInfo> ports, Prompter& prompter,
                     QWidget* parent)
    : QDialog(parent), ports_(std::move(ports)), prompter_(prompter) {
    setObjectName("portsDialog");
    setWindowTitle(QString::fromLatin1(kTitle));
    auto* root = new QVBoxLayout(this);

    root->addWidget(new QLabel(QStringLiteral("Serial devices found:")));
    list_ = new QTreeWidget;
    list_->setObjectName("deviceList");
    list_->setRootIsDecorated(false);
    list_->setColumnCount(kColumns);
    list_->setHeaderLabels({QStringLiteral("Device"), QStringLiteral("Vendor"),
                            QStringLiteral("Product"), QStringLiteral("Serial"),
                            QStringLiteral("Driver"), QStringLiteral("COM")});
    list_->header()->setSectionResizeMode(QHeaderView::ResizeToContents);
    list_->setMinimumSize(640, 140);
    root->addWidget(list_, 1);

    auto* form = new QFormLayout;
    com_ = new QComboBox;
    com_->setObjectName("comPortList");
    for (int i = 1; i <= kComPorts; ++i) {
        com_->addItem(QStringLiteral("  COM%1").arg(i));
    }
    com_->setCurrentIndex(comPort >= 1 && comPort <= kComPorts ? comPort - 1 : 0);
    path_ = new QLineEdit;
    path_->setObjectName("pathEdit");
    path_->setPlaceholderText(QStringLiteral("/dev/serial/by-id/..."));
    mapping_ = new QLabel;
    mapping_->setObjectName("mappingText");
    mapping_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    mapping_->setWordWrap(true);
    form->addRow(QStringLiteral("COM port:"), com_);
    form->addRow(QStringLiteral("Device path:"), path_);
    form->addRow(QStringLiteral("Now:"), mapping_);
    root->addLayout(form);

    auto* buttons = new QDialogButtonBox;
    assign_ = buttons->addButton(QStringLiteral("Assign"), QDialogButtonBox::ActionRole);
    assign_->setObjectName("assignButton");
    default_ = buttons->addButton(QStringLiteral("Default"), QDialogButtonBox::ActionRole);
    default_->setObjectName("defaultButton");
    default_->setToolTip(QStringLiteral("Forget the setting: the port uses /dev/ttyS<n-1>"));
    QPushButton* close = buttons->addButton(QDialogButtonBox::Close);
    close->setObjectName("closeButton");
    root->addWidget(buttons);
    for (QPushButton* b : {assign_, default_, close}) {
        b->setAutoDefault(false);
    }

    connect(list_, &QTreeWidget::itemSelectionChanged, this, &CPortsDlg::onRowSelected);
    connect(com_, &QComboBox::currentIndexChanged, this, &CPortsDlg::showMapping);
    connect(assign_, &QPushButton::clicked, this, &CPortsDlg::assign);
    connect(default_, &QPushButton::clicked, this, &CPortsDlg::restoreDefault);
    connect(close, &QPushButton::clicked, this, &QDialog::accept);
    connect(path_, &QLineEdit::returnPressed, this, &CPortsDlg::assign);
    dialogs::EnterPressesFocusedButton(this);
    fillList();
    showMapping();
    // The device the port uses now, when it is one of those found, starts selected.
    const int n = this->comPort();
    const std::string now = platform::resolvePortPath(n);
    if (const platform::SerialPortInfo* p = platform::FindPort(ports_, now)) {
        for (int i = 0; i < list_->topLevelItemCount(); ++i) {
            if (list_->topLevelItem(i)->text(kDevice) == Q(p->devnode)) {
                list_->setCurrentItem(list_->topLevelItem(i));
            }
        }
    }
    if (platform::portPathSource(n) == platform::PortSource::Settings) {
        path_->setText(Q(now));
    }
}

int CPortsDlg::comPort() const {
    return com_->currentIndex() + 1;
}

void CPortsDlg::setPorts(std::vector<platform::SerialPortInfo> ports) {
    ports_ = std::move(ports);
    fillList();
    showMapping();
}

void CPortsDlg::fillList() {
    const QString selected =
        list_->currentItem() != nullptr ? list_->currentItem()->text(kDevice) : QString();
    list_->clear();
    for (const platform::SerialPortInfo& p : ports_) {
        QStringList com;
        for (int n : platform::ComPortsOf(p, platform::resolvePortPath)) {
            com << QStringLiteral("COM%1").arg(n);
        }
        auto* item = new QTreeWidgetItem(
            {Q(p.devnode), Q(p.vendor), Q(p.product), Q(p.serial), Q(p.driver), com.join(' ')});
        QString links = QStringLiteral("by-id: %1\nby-path: %2")
                            .arg(p.byId.empty() ? QStringLiteral("none") : Q(p.byId),
                                 p.byPath.empty() ? QStringLiteral("none") : Q(p.byPath));
        if (p.identical) {
            links += QStringLiteral(
                "\nAn identical adapter is plugged in: kept by its place "
                "on the bus (by-path).");
        }
        for (int c = 0; c < kColumns; ++c) {
            item->setToolTip(c, links);
        }
        list_->addTopLevelItem(item);
        if (item->text(kDevice) == selected) {
            list_->setCurrentItem(item);
        }
    }
}

void CPortsDlg::showMapping() {
    const int n = comPort();
    mapping_->setText(
        Q(platform::MappingText(n, platform::resolvePortPath(n), platform::portPathSource(n))));
}

void CPortsDlg::onRowSelected() {
    const QTreeWidgetItem* item = list_->currentItem();
    if (item == nullptr) {
        return;
    }
    for (const platform::SerialPortInfo& p : ports_) {
        if (Q(p.devnode) == item->text(kDevice)) {
            path_->setText(Q(p.storeName()));
        }
    }
}

void CPortsDlg::assign() {
    const std::string path = path_->text().trimmed().toStdString();
    if (const std::string error = platform::TypedPathError(path); !error.empty()) {
        prompter_.warning(this, QString::fromLatin1(kTitle), Q(error));
        return;
    }
    QSettings settings(QStringLiteral("TEVRA"), QStringLiteral("Quorvel"));
    settings.setValue(SettingsKey(comPort()), Q(path));
    settings.sync();
    fillList();
    showMapping();
    emit mappingChanged();
}

void CPortsDlg::restoreDefault() {
    QSettings settings(QStringLiteral("TEVRA"), QStringLiteral("Quorvel"));
    settings.remove(SettingsKey(comPort()));
    settings.sync();
    fillList();
    showMapping();
    emit mappingChanged();
}

}  // namespace quorvel::app
