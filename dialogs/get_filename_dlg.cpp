// The file name dialog: layout, browsing, and the result written back to the caller.
#include "dialogs/get_filename_dlg.h"

#include <QFileDialog>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "dialogs/logic/file_name_text.h"

namespace quorvel::dialogs {

namespace {
const QString kDirectoryTitle = QStringLiteral("Get Directory");
const QString kFileTitle = QStringLiteral("Get Filename");
constexpr int kGenerationV2 = 2;
constexpr int kGenerationV1 = 1;

QString toQString(std::u16string_view text) {
    return QString(reinterpret_cast<const QChar*>(text.data()),
                   static_cast<qsizetype>(text.size()));
}
}  // namespace

CGetFilenameDlg::CGetFilenameDlg(bool directoryMode, char16_t* name, std::size_t sizeBytes,
                                 std::uint8_t* result, int* generation, QWidget* parent)
    : QDialog(parent),
      directoryMode_(directoryMode),
      name_(name),
      sizeBytes_(sizeBytes),
      result_(result),
      generation_(generation),
      edit_(new QLineEdit(this)),
      browse_(new QPushButton(QStringLiteral("..."), this)),
      v2_(new QRadioButton(QStringLiteral("KVB V2"), this)),
      v1_(new QRadioButton(QStringLiteral("KVB V1"), this)) {
    setWindowTitle(directoryMode_ ? kDirectoryTitle : kFileTitle);
    setObjectName(QStringLiteral("fileNameDialog"));
    edit_->setObjectName(QStringLiteral("nameEdit"));
    browse_->setObjectName(QStringLiteral("browseButton"));
    v2_->setObjectName(QStringLiteral("v2Radio"));
    v1_->setObjectName(QStringLiteral("v1Radio"));
    edit_->setText(toQString(BufferText(name_, sizeBytes_)));
    edit_->setMinimumWidth(320);

    // Enter in the name field confirms the name (OK is the default button); a focused "..." or
    // "Cancel" takes Enter itself. Escape and the close box cancel.
    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    auto* cancel = new QPushButton(QStringLiteral("Cancel"), this);
    ok->setObjectName(QStringLiteral("okButton"));
    cancel->setObjectName(QStringLiteral("cancelButton"));
    ok->setDefault(true);

    auto* nameRow = new QHBoxLayout;
    nameRow->addWidget(edit_);
    nameRow->addWidget(browse_);
    auto* radioRow = new QHBoxLayout;
    radioRow->addWidget(v2_);
    radioRow->addWidget(v1_);
    radioRow->addStretch();
    auto* buttonRow = new QHBoxLayout;
    buttonRow->addStretch();
    buttonRow->addWidget(ok);
    buttonRow->addWidget(cancel);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(nameRow);
    layout->addLayout(radioRow);
    layout->addLayout(buttonRow);

    v2_->setChecked(true);
    v2_->setVisible(generation_ != nullptr);
    v1_->setVisible(generation_ != nullptr);

    connect(browse_, &QPushButton::clicked, this, &CGetFilenameDlg::browse);
    connect(ok, &QPushButton::clicked, this, &CGetFilenameDlg::accept);
    connect(cancel, &QPushButton::clicked, this, &CGetFilenameDlg::reject);
    edit_->setFocus();
}

QString CGetFilenameDlg::editText() const {
    return edit_->text().left(static_cast<qsizetype>(kMaxNameChars));
}

void CGetFilenameDlg::browse() {
    QString start = editText();
    if (directoryMode_ && !start.isEmpty()) {
        start = toQString(FolderText(start.toStdU16String()));
    }
    const std::optional<QString> chosen =
        browser_ ? browser_(directoryMode_, start, this) : std::nullopt;
    if (!chosen || chosen->isEmpty()) {
        return;
    }
    edit_->setText(directoryMode_ ? toQString(FolderText(chosen->toStdU16String())) : *chosen);
}

void CGetFilenameDlg::accept() {
    if (result_ != nullptr) {
        *result_ = 1;
    }
    CopyNameToBuffer(editText().toStdU16String(), name_, sizeBytes_);
    if (generation_ != nullptr) {
        *generation_ = v2_->isChecked() ? kGenerationV2 : kGenerationV1;
    }
    QDialog::accept();
}

void CGetFilenameDlg::reject() {
    if (result_ != nullptr) {
        *result_ = 0;
    }
    QDialog::reject();
}

std::optional<QString> CGetFilenameDlg::BrowseWithFileDialog(bool directoryMode,
                                                             const QString& start,
                                                             QWidget* parent) {
    const QString chosen = directoryMode
                               ? QFileDialog::getExistingDirectory(parent, QString(), start)
                               : QFileDialog::getSaveFileName(parent, QString(), start, QString(),
                                                              nullptr, QFileDialog::Options());
    if (chosen.isEmpty()) {
        return std::nullopt;
    }
    return chosen;
}

}  // namespace quorvel::dialogs
