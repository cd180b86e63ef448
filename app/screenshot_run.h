// The screenshot mode of scripts/screenshots: connect to the simulated PDU when there is one,
// optionally open a dialog through its Actions button (and a button inside it), let it settle,
// write the PNG of the window or dialog shown last, close everything and end the main window.
#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QPointer>
#include <QString>
#include <string>

class QTimer;
class QWidget;

namespace quorvel::app {

class CQuorvelDlg;
struct CommandLine;

// Makes the devices listed in the JSON file the serial devices of this run (--screenshot-tty):
// [{"sysname", "devnode", "links": [...], "props": {...}, "driver", "uartType", "hasParent"}].
bool UseTtyFixture(const std::string& path, std::string& error);

class ScreenshotRun : public QObject {
  public:
    // exitCode is set to 1 when anything failed; it must outlive the main window's run.
    ScreenshotRun(CQuorvelDlg& window, const CommandLine& cl, bool connect, int& exitCode);
    void start();

  private:
    enum class Stage {
        Connecting,
        OpeningDialog,
        Settling,
        SettlingAfterInput,
        OpeningInner,
        SettlingInner,
        Closing
    };

    void poll();
    void pressButton(QWidget* within, const QString& name);
    void typeText(QWidget* within, const QString& nameAndText);
    void afterSettling();
    QWidget* newModal(QWidget* besides) const;
    void shoot(QWidget* widget);
    void fail(const char* what);
    void enter(Stage stage);

    CQuorvelDlg& window_;
    QString file_;
    QString dialog_;
    QString type_;
    QString press_;
    QString click_;
    int settleMs_;
    bool connect_;
    int& exitCode_;
    QTimer* timer_ = nullptr;
    QElapsedTimer clock_;  // since the current stage began
    Stage stage_ = Stage::Connecting;
    QPointer<QWidget> opened_;
    QPointer<QWidget> inner_;
};

}  // namespace quorvel::app
