// The main window's Configure button on a connected simulated PDU: the configuration dialog
// opens over the main program's operations, loads the PDU's items and closes with OK.
#include <gtest/gtest.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QPushButton>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include "app/prompter.h"
#include "app/quorvel_dlg.h"
#include "app/simulated_pdu.h"
#include "dialogs/config_dlg.h"
#include "support/scripted_prompter.h"

namespace quorvel::app {
namespace {

constexpr int kBoundMs = 30000;

using OkPrompter = test_support::ScriptedPrompter;  // Yes to every question

TEST(ConfigLauncher, ConfigureLoadsTheConnectedPdu) {
    QTemporaryDir settings;
    qputenv("XDG_CONFIG_HOME", settings.path().toLocal8Bit());
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, settings.path());
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, settings.path());
    SimulatedPdu simulator;
    std::string error;
    ASSERT_TRUE(simulator.start("v4", error)) << error;
    OkPrompter prompter;
    CQuorvelDlg window(false, prompter, &simulator);
    window.show();
    window.onConnect();
    ASSERT_TRUE(QTest::qWaitFor([&] { return window.sessionReady(); }, kBoundMs));

    // The dialog runs modally inside the click: a timer drives it from within its loop.
    QString name;
    QString current;
    bool loadPressed = false;
    QElapsedTimer clock;
    clock.start();
    QTimer driver;
    QObject::connect(&driver, &QTimer::timeout, [&] {
        dialogs::CConfigDlg* dlg = nullptr;
        for (QWidget* w : QApplication::topLevelWidgets()) {
            if (auto* c = qobject_cast<dialogs::CConfigDlg*>(w); c && c->isVisible()) {
                dlg = c;
            }
        }
        if (clock.elapsed() > kBoundMs) {  // never hang the suite on a dialog that stays
            if (QWidget* modal = QApplication::activeModalWidget()) {
                modal->close();
            }
            driver.stop();
            return;
        }
        if (dlg == nullptr) {
            return;
        }
        if (!loadPressed) {
            dlg->findChild<QPushButton*>(QStringLiteral("loadButton"))->click();
            loadPressed = true;
            return;
        }
        if (dlg->busy()) {
            return;
        }
        name = dlg->findChild<QLineEdit*>(QStringLiteral("edit_cRecepName18"))->text();
        current = dlg->findChild<QLineEdit*>(QStringLiteral("edit_cCircCMaxCurrent"))->text();
        dlg->findChild<QPushButton*>(QStringLiteral("okButton"))->click();
        driver.stop();
    });
    driver.start(20);
    window.findChild<QPushButton*>(QStringLiteral("configureButton"))->click();
    EXPECT_TRUE(loadPressed);
    EXPECT_EQ(name, QStringLiteral("RecepName18"));
    EXPECT_EQ(current, QStringLiteral("40.0"));
    window.onDisconnect();
    EXPECT_TRUE(QTest::qWaitFor([&] { return !window.sessionRunning(); }, kBoundMs));
}

}  // namespace
}  // namespace quorvel::app
