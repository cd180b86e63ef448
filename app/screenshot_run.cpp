// The screenshot mode's stages, driven by a polling timer that keeps running inside the nested
// event loops of the modal dialogs it opens.
#include "app/screenshot_run.h"

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPixmap>
#include <QTimer>
#include <QWidget>
#include <cstdio>
#include <fstream>
#include <nlohmann/json.hpp>

#include "app/command_line.h"
#include "app/quorvel_dlg.h"
#include "platform/serial_ports.h"

namespace quorvel::app {

namespace {

constexpr int kPollMs = 50;
constexpr int kConnectBoundMs = 30000;
constexpr int kOpenBoundMs = 10000;

}  // namespace

bool UseTtyFixture(const std::string& path, std::string& error) {
    std::ifstream in(path);
    const nlohmann::json doc = nlohmann::json::parse(in, nullptr, false);
    if (!doc.is_array()) {
        error = path + ": not a JSON list of device records";
        return false;
    }
    std::vector<platform::TtyRecord> records;
    try {
        for (const auto& d : doc) {
            platform::TtyRecord r;
            r.sysname = d.value("sysname", "");
            r.devnode = d.value("devnode", "");
            r.links = d.value("links", std::vector<std::string>{});
            r.props = d.value("props", std::map<std::string, std::string>{});
            r.driver = d.value("driver", "");
            r.uartType = d.value("uartType", "");
            r.hasParent = d.value("hasParent", true);
            records.push_back(std::move(r));
        }
    } catch (const nlohmann::json::exception& e) {
        error = path + ": " + e.what();
        return false;
    }
    platform::SetTtySource([records] { return records; });
    return true;
}

ScreenshotRun::ScreenshotRun(CQuorvelDlg& window, const CommandLine& cl, bool connect,
                             int& exitCode)
    : QObject(&window),
      window_(window),
      file_(QString::fromStdString(cl.screenshot)),
      dialog_(QString::fromStdString(cl.screenshotDialog)),
      type_(QString::fromStdString(cl.screenshotType)),
      press_(QString::fromStdString(cl.screenshotPress)),
      click_(QString::fromStdString(cl.screenshotClick)),
      settleMs_(cl.screenshotSettleMs),
      connect_(connect),
      exitCode_(exitCode) {}

void ScreenshotRun::start() {
    timer_ = new QTimer(this);
    timer_->setInterval(kPollMs);
    connect(timer_, &QTimer::timeout, this, &ScreenshotRun::poll);
    if (connect_) {
        QTimer::singleShot(0, &window_, [this] { window_.onConnect(); });
    }
    enter(Stage::Connecting);
    timer_->start();
}

void ScreenshotRun::enter(Stage stage) {
    stage_ = stage;
    clock_.start();
}

void ScreenshotRun::fail(const char* what) {
    std::fprintf(stderr, "quorvel: %s\n", what);
    exitCode_ = 1;
}

QWidget* ScreenshotRun::newModal(QWidget* besides) const {
    QWidget* modal = QApplication::activeModalWidget();
    if (modal == nullptr || modal == &window_ || modal == besides) {
        return nullptr;
    }
    return modal;
}

void ScreenshotRun::pressButton(QWidget* within, const QString& name) {
    auto* button = within->findChild<QAbstractButton*>(name);
    if (button == nullptr || !button->isEnabled()) {
        fail("the button to press is missing or disabled");
        enter(Stage::Closing);
        return;
    }
    // Pressed from the event loop: the modal dialog it opens runs a loop of its own.
    QTimer::singleShot(0, button, [button] { button->click(); });
}

void ScreenshotRun::typeText(QWidget* within, const QString& nameAndText) {
    const qsizetype equals = nameAndText.indexOf(QLatin1Char('='));
    QWidget* target = within->findChild<QWidget*>(nameAndText.left(equals));
    if (auto* combo = qobject_cast<QComboBox*>(target)) {
        target = combo->lineEdit();
    }
    if (equals < 0 || qobject_cast<QLineEdit*>(target) == nullptr) {
        fail("the field to type into is missing");
        return;
    }
    // Key by key, so the dialog sees the same edits as from the keyboard.
    target->setFocus();
    QKeyEvent selectAll(QEvent::KeyPress, Qt::Key_A, Qt::ControlModifier);
    QApplication::sendEvent(target, &selectAll);
    QKeyEvent erase(QEvent::KeyPress, Qt::Key_Backspace, Qt::NoModifier);
    QApplication::sendEvent(target, &erase);
    for (const QChar c : nameAndText.mid(equals + 1)) {
        QKeyEvent key(QEvent::KeyPress, 0, Qt::NoModifier, QString(c));
        QApplication::sendEvent(target, &key);
    }
}

void ScreenshotRun::afterSettling() {
    if (opened_ == nullptr) {
        fail("the dialog closed by itself");
        enter(Stage::Closing);
    } else if (click_.isEmpty()) {
        shoot(opened_);
        enter(Stage::Closing);
    } else {
        pressButton(opened_, click_);
        if (stage_ != Stage::Closing) {
            enter(Stage::OpeningInner);
        }
    }
}

void ScreenshotRun::shoot(QWidget* widget) {
    if (!widget->grab().save(file_, "PNG")) {
        std::fprintf(stderr, "quorvel: cannot write %s\n", qPrintable(file_));
        exitCode_ = 1;
    }
}

void ScreenshotRun::poll() {
    const qint64 elapsed = clock_.elapsed();
    switch (stage_) {
        case Stage::Connecting: {
            const bool ready = !connect_ || window_.sessionReady();
            const bool failed =
                connect_ && window_.workersStarted() > 0 && !window_.sessionRunning();
            if (!ready && !failed && elapsed <= kConnectBoundMs) {
                return;
            }
            if (!ready) {
                fail("the simulated PDU did not connect");
            }
            if (dialog_.isEmpty() || !ready) {
                shoot(&window_);
                enter(Stage::Closing);
                return;
            }
            pressButton(&window_, dialog_ + QStringLiteral("Button"));
            if (stage_ != Stage::Closing) {
                enter(Stage::OpeningDialog);
            }
            return;
        }
        case Stage::OpeningDialog:
            opened_ = newModal(nullptr);
            if (opened_ != nullptr) {
                enter(Stage::Settling);
            } else if (elapsed > kOpenBoundMs) {
                fail("the dialog did not open");
                enter(Stage::Closing);
            }
            return;
        case Stage::Settling:
            if (elapsed < settleMs_) {
                return;
            }
            if (opened_ != nullptr && (!type_.isEmpty() || !press_.isEmpty())) {
                if (!type_.isEmpty()) {
                    typeText(opened_, type_);
                }
                if (!press_.isEmpty()) {
                    pressButton(opened_, press_);
                }
                if (stage_ != Stage::Closing) {
                    enter(Stage::SettlingAfterInput);
                }
                return;
            }
            afterSettling();
            return;
        case Stage::SettlingAfterInput:
            if (elapsed >= settleMs_) {
                afterSettling();
            }
            return;
        case Stage::OpeningInner:
            inner_ = newModal(opened_);
            if (inner_ != nullptr) {
                enter(Stage::SettlingInner);
            } else if (elapsed > kOpenBoundMs) {
                fail("the inner dialog did not open");
                enter(Stage::Closing);
            }
            return;
        case Stage::SettlingInner:
            if (elapsed < settleMs_) {
                return;
            }
            if (inner_ != nullptr) {
                shoot(inner_);
            } else {
                fail("the inner dialog closed by itself");
            }
            enter(Stage::Closing);
            return;
        case Stage::Closing:
            // One modal a tick, innermost first, each returning to the loop below it.
            if (QWidget* modal = newModal(nullptr)) {
                modal->close();
                return;
            }
            timer_->stop();
            window_.onDisconnect();
            window_.done(0);
            return;
    }
}

}  // namespace quorvel::app
