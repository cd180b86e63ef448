// Dragging a dialog by any point of it, and bringing it back when it was dropped off screen.
#include "dialogs/draggable_dialog.h"

#include <QMouseEvent>
#include <QScreen>

#include "dialogs/dialog_keys.h"
#include "dialogs/logic/screen_placement.h"

namespace quorvel::dialogs {

CDraggableDialog::CDraggableDialog(QWidget* parent) : QDialog(parent) {
    setSizeGripEnabled(false);
    EnterPressesFocusedButton(this);
}

void CDraggableDialog::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        QDialog::mousePressEvent(event);
        return;
    }
    dragging_ = true;
    anchor_ = event->position().toPoint();
    setCursor(Qt::SizeAllCursor);
    grabMouse();
    event->accept();
}

void CDraggableDialog::mouseMoveEvent(QMouseEvent* event) {
    if (!dragging_) {
        QDialog::mouseMoveEvent(event);
        return;
    }
    move(pos() + (event->position().toPoint() - anchor_));
    update();
    event->accept();
}

void CDraggableDialog::mouseReleaseEvent(QMouseEvent* event) {
    if (!dragging_ || event->button() != Qt::LeftButton) {
        QDialog::mouseReleaseEvent(event);
        return;
    }
    dragging_ = false;
    setCursor(Qt::ArrowCursor);
    releaseMouse();
    recentreIfOffScreen();
    event->accept();
}

void CDraggableDialog::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    setFixedSize(size());
}

void CDraggableDialog::recentreIfOffScreen() {
    const QScreen* screen = this->screen();
    if (screen == nullptr) {
        return;
    }
    const QRect area = screen->geometry();
    const QRect frame = frameGeometry().translated(-area.topLeft());
    const WindowEdges edges{frame.left(), frame.top(), frame.left() + frame.width(),
                            frame.top() + frame.height()};
    if (!IsSufficientlyOnScreen(edges, area.width(), area.height())) {
        QRect centred = frameGeometry();
        centred.moveCenter(area.center());
        move(centred.topLeft());
    }
}

}  // namespace quorvel::dialogs
