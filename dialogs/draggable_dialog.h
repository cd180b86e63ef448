// CDraggableDialog: the base of the library's dialogs. Pressing the left button anywhere on the
// dialog and dragging moves it; let go far enough off screen, it comes back to the centre. Enter
// on a focused push button presses that button (dialog_keys.h).
#pragma once

#include <QDialog>
#include <QPoint>

#include "dialogs/halvex_api.h"

namespace quorvel::dialogs {

class QUORVEL_HALVEX_API CDraggableDialog : public QDialog {
    Q_OBJECT

  public:
    explicit CDraggableDialog(QWidget* parent = nullptr);
    bool dragging() const { return dragging_; }

  protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    // The dialog keeps the size it was shown with: its borders do not resize it.
    void showEvent(QShowEvent* event) override;

  private:
    void recentreIfOffScreen();

    bool dragging_ = false;
    QPoint anchor_;  // the press point, in the dialog's own coordinates
};

}  // namespace quorvel::dialogs
