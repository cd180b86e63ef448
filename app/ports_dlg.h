// CPortsDlg: the serial devices found on this machine, and which one a COM port uses. Picking a
// device (or typing a path) and pressing Assign keeps its persistent name in the settings'
// [Ports] section: the by-id link, or the by-path link for identical adapters.
#pragma once

#include <QDialog>
#include <vector>

#include "app/prompter.h"
#include "platform/serial_ports.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTreeWidget;

namespace quorvel::app {

class CPortsDlg : public QDialog {
    Q_OBJECT
  public:
    // comPort 1..20: the port the main window has selected.
    CPortsDlg(int comPort, std::vector<platform::SerialPortInfo> ports, Prompter& prompter,
              QWidget* parent = nullptr);

    // A device came or went: the list shows ports from now on.
    void setPorts(std::vector<platform::SerialPortInfo> ports);
    int comPort() const;

    void assign();          // keeps the path field's device for the chosen COM port
    void restoreDefault();  // forgets the COM port's entry in [Ports]

  signals:
    void mappingChanged();

  private:
    void fillList();
    void showMapping();
    void onRowSelected();

    std::vector<platform::SerialPortInfo> ports_;
    Prompter& prompter_;
    QTreeWidget* list_ = nullptr;
    QComboBox* com_ = nullptr;
    QLineEdit* path_ = nullptr;
    QLabel* mapping_ = nullptr;
    QPushButton* assign_ = nullptr;
    QPushButton* default_ = nullptr;
};

}  // namespace quorvel::app
