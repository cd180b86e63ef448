// CGetFilenameDlg: asks for a file or directory name, and optionally for the module generation
// ("KVB V2" or "KVB V1"), and hands the name back in the caller's fixed wide buffer.
#pragma once

#include <QDialog>
#include <QString>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>

#include "dialogs/halvex_api.h"

class QLineEdit;
class QPushButton;
class QRadioButton;

namespace quorvel::dialogs {

class QUORVEL_HALVEX_API CGetFilenameDlg : public QDialog {
    Q_OBJECT

  public:
    // Shows the platform's file dialog; nothing when the operator cancels it.
    using Browser = std::function<std::optional<QString>(bool directoryMode, const QString& start,
                                                         QWidget* parent)>;

    // name: the caller's buffer of sizeBytes bytes (in and out); result: 1 on OK, 0 otherwise;
    // generation: when given, the radio buttons are shown and it receives 2 or 1 on OK.
    CGetFilenameDlg(bool directoryMode, char16_t* name, std::size_t sizeBytes, std::uint8_t* result,
                    int* generation, QWidget* parent = nullptr);

    void setBrowser(Browser browser) { browser_ = std::move(browser); }

    QLineEdit* nameEdit() const { return edit_; }
    QPushButton* browseButton() const { return browse_; }
    QRadioButton* v2Button() const { return v2_; }
    QRadioButton* v1Button() const { return v1_; }

    void accept() override;
    void reject() override;

    // QFileDialog: a save-file dialog (new names allowed, overwrite prompt) in file mode, the
    // existing-directory dialog in directory mode.
    static std::optional<QString> BrowseWithFileDialog(bool directoryMode, const QString& start,
                                                       QWidget* parent);

  private:
    void browse();
    QString editText() const;

    bool directoryMode_;
    char16_t* name_;
    std::size_t sizeBytes_;
    std::uint8_t* result_;
    int* generation_;
    Browser browser_ = &CGetFilenameDlg::BrowseWithFileDialog;
    QLineEdit* edit_;
    QPushButton* browse_;
    QRadioButton* v2_;
    QRadioButton* v1_;
};

}  // namespace quorvel::dialogs
