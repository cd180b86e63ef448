// The About box.
#include "app/about_box.h"

#include <QDialog>
#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>
#include <cstdio>

#include "app/app_icon.h"
#include "app/language_table.h"
#include "dialogs/halvex_exports.h"

namespace quorvel::app {

std::u16string AboutVersionLine(const std::array<std::uint8_t, 3>& halvex) {
    const QString label = QString::fromStdU16String(LangText(Txt::VersionLabel));
    const QByteArray narrow = label.toUtf8();
    char line[160];
    std::snprintf(line, sizeof line, "%s: %d.%d.%d        Halvex Version: %d.%d.%d",
                  narrow.constData(), kProgramVersion[0], kProgramVersion[1], kProgramVersion[2],
                  halvex[0], halvex[1], halvex[2]);
    return QString::fromUtf8(line).toStdU16String();
}

std::array<std::uint8_t, 3> HalvexVersion() {
    std::array<std::uint8_t, 3> v{};
    PduDLLVersion(v.data());
    return v;
}

void ShowAboutBox(QWidget* parent) {
    QDialog box(parent);
    box.setObjectName(QStringLiteral("aboutBox"));
    box.setWindowTitle(QString::fromStdU16String(LangText(Txt::About)));
    auto* root = new QVBoxLayout(&box);
    root->setContentsMargins(16, 16, 16, 12);
    auto* row = new QHBoxLayout;
    auto* icon = new QLabel;
    icon->setPixmap(AppIcon().pixmap(48, 48));
    icon->setAlignment(Qt::AlignTop);
    auto* texts = new QVBoxLayout;
    texts->addWidget(new QLabel(QString::fromStdU16String(AboutVersionLine(HalvexVersion()))));
    texts->addWidget(new QLabel(QString::fromStdU16String(LangText(Txt::Notice))));
    row->addWidget(icon);
    row->addSpacing(12);
    row->addLayout(texts, 1);
    root->addLayout(row);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &box, &QDialog::accept);
    root->addWidget(buttons);
    // The box only shows something: Enter and Space press OK, Escape and the close box close it.
    QPushButton* ok = buttons->button(QDialogButtonBox::Ok);
    ok->setDefault(true);
    ok->setFocus();
    box.exec();
}

}  // namespace quorvel::app
