// CSockTypInfoDlg: shows in words what the attribute tables say about one series (a chassis
// type), one line per list entry in a fixed-width font; the selected line is copied into the
// text field below. Reads through the model dialog's table and changes nothing.
#pragma once

#include <QDialog>

#include "common/model_ops.h"
#include "dialogs/halvex_api.h"

class QListWidget;
class QPlainTextEdit;

namespace quorvel::dialogs {

class QUORVEL_HALVEX_API CSockTypInfoDlg : public QDialog {
    Q_OBJECT

  public:
    CSockTypInfoDlg(int seriesIndex, const ModelOps* ops, QWidget* parent = nullptr);

    QListWidget* lines() const { return list_; }
    QPlainTextEdit* textField() const { return text_; }

  private:
    QListWidget* list_;
    QPlainTextEdit* text_;
};

}  // namespace quorvel::dialogs
