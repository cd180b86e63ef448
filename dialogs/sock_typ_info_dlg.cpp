// The socket type information dialog and its export.
#include "dialogs/sock_typ_info_dlg.h"

#include <QApplication>
#include <QFont>
#include <QHBoxLayout>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "dialogs/halvex_exports.h"
#include "dialogs/logic/socket_type_text.h"

namespace quorvel::dialogs {

namespace {

// "Courier New", 9 pixels a character, the heaviest weight; any fixed-pitch font where it is
// not installed.
QFont DescriptionFont() {
    QFont font(QStringLiteral("Courier New"));
    font.setStyleHint(QFont::TypeWriter);
    font.setFixedPitch(true);
    font.setPixelSize(15);
    font.setWeight(QFont::Black);
    return font;
}

QString FromU16(const std::u16string& text) {
    return QString::fromStdU16String(text);
}

}  // namespace

CSockTypInfoDlg::CSockTypInfoDlg(int seriesIndex, const ModelOps* ops, QWidget* parent)
    : QDialog(parent), list_(new QListWidget(this)), text_(new QPlainTextEdit(this)) {
    setObjectName(QStringLiteral("sockTypInfoDialog"));
    list_->setObjectName(QStringLiteral("descriptionList"));
    text_->setObjectName(QStringLiteral("descriptionText"));
    text_->setReadOnly(true);
    text_->setTabChangesFocus(true);
    const QFont font = DescriptionFont();
    list_->setFont(font);
    text_->setFont(font);
    list_->setMinimumSize(760, 420);
    text_->setFixedHeight(QFontMetrics(font).lineSpacing() * 4 + 12);

    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setObjectName(QStringLiteral("okButton"));
    ok->setDefault(true);
    auto* cancel = new QPushButton(QStringLiteral("Cancel"), this);
    cancel->setObjectName(QStringLiteral("cancelButton"));
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(ok);
    buttons->addWidget(cancel);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(list_, 1);
    layout->addWidget(text_);
    layout->addLayout(buttons);

    if (ops != nullptr) {
        const SocketTypeDescription d = DescribeSocketType(*ops, seriesIndex);
        setWindowTitle(FromU16(d.title));
        for (const std::u16string& line : d.lines) {
            list_->addItem(FromU16(line));
        }
    }

    connect(list_, &QListWidget::currentTextChanged, text_, &QPlainTextEdit::setPlainText);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    // The list holds what there is to read: it has the focus, arrow keys go through the lines,
    // Enter and Escape close the dialog.
    list_->setFocus();
}

}  // namespace quorvel::dialogs

extern "C" {

void PduSockTypInfoDlg(int seriesIndex, const quorvel::ModelOps* modelOps) {
    if (modelOps == nullptr) {
        return;
    }
    quorvel::dialogs::CSockTypInfoDlg dlg(seriesIndex, modelOps, QApplication::activeWindow());
    dlg.exec();
}

}  // extern "C"
