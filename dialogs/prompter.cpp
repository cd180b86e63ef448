// Message boxes on QMessageBox.
#include "dialogs/prompter.h"

#include <QMessageBox>
#include <atomic>

namespace quorvel::dialogs {

namespace {

std::atomic<Prompter*> g_prompter{nullptr};

QMessageBox::StandardButtons ToQt(Buttons buttons) {
    switch (buttons) {
        case Buttons::OkCancel:
            return QMessageBox::Ok | QMessageBox::Cancel;
        case Buttons::YesNo:
            return QMessageBox::Yes | QMessageBox::No;
        case Buttons::Ok:
            break;
    }
    return QMessageBox::Ok;
}

Answer FromQt(int button) {
    switch (button) {
        case QMessageBox::Cancel:
            return Answer::Cancel;
        case QMessageBox::Yes:
            return Answer::Yes;
        case QMessageBox::No:
            return Answer::No;
        default:
            return Answer::Ok;
    }
}

Answer Show(QMessageBox::Icon icon, QWidget* parent, const QString& title, const QString& text,
            Buttons buttons) {
    QMessageBox box(icon, title, text, ToQt(buttons), parent);
    box.setWindowModality(Qt::ApplicationModal);
    return FromQt(box.exec());
}

}  // namespace

Answer MessageBoxPrompter::question(QWidget* parent, const QString& title, const QString& text,
                                    Buttons buttons) {
    return Show(QMessageBox::Question, parent, title, text, buttons);
}

Answer MessageBoxPrompter::information(QWidget* parent, const QString& title, const QString& text,
                                       Buttons buttons) {
    return Show(QMessageBox::Information, parent, title, text, buttons);
}

Answer MessageBoxPrompter::warning(QWidget* parent, const QString& title, const QString& text,
                                   Buttons buttons) {
    return Show(QMessageBox::Critical, parent, title, text, buttons);
}

Prompter& DialogPrompter() {
    static MessageBoxPrompter boxes;
    Prompter* set = g_prompter.load();
    return set != nullptr ? *set : boxes;
}

void SetDialogPrompter(Prompter* prompter) {
    g_prompter.store(prompter);
}

}  // namespace quorvel::dialogs
