// Tab chains and Enter on the focused button.
#include "dialogs/dialog_keys.h"

#include <QDialog>
#include <QKeyEvent>
#include <QPushButton>

namespace quorvel::dialogs {

namespace {

// Sees the key presses the focused control left to its dialog. A push button that is not
// auto-default leaves Enter to the dialog, which would give it to its default button instead.
class EnterOnFocusedButton : public QObject {
  public:
    explicit EnterOnFocusedButton(QDialog* dialog) : QObject(dialog), dialog_(dialog) {}

    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched != dialog_ || event->type() != QEvent::KeyPress) {
            return false;
        }
        const auto* key = static_cast<const QKeyEvent*>(event);
        const bool enter = key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter;
        if (!enter || (key->modifiers() & ~Qt::KeypadModifier) != Qt::NoModifier) {
            return false;
        }
        auto* button = qobject_cast<QPushButton*>(dialog_->focusWidget());
        if (button == nullptr || !button->isVisible() || !button->isEnabled()) {
            return false;
        }
        button->click();
        return true;
    }

  private:
    QDialog* dialog_;
};

}  // namespace

void SetTabChain(const std::vector<QWidget*>& order) {
    QWidget* previous = nullptr;
    for (QWidget* w : order) {
        if (w == nullptr || w->focusPolicy() == Qt::NoFocus) {
            continue;
        }
        if (previous != nullptr) {
            QWidget::setTabOrder(previous, w);
        }
        previous = w;
    }
}

void EnterPressesFocusedButton(QDialog* dialog) {
    dialog->installEventFilter(new EnterOnFocusedButton(dialog));
}

}  // namespace quorvel::dialogs
