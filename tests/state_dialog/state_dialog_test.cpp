// The state dialog against the simulated PDU: its values follow the device, ticking a box and
// "Set All"/"Clear All" switch outlets, a power reset blocks and returns, alarms show and clear,
// and Monitor in the main window opens the live view of the fourth-generation unit.
#include "dialogs/logic/state_worker.h"
// Qt and the fixture.
#include <QProgressBar>
#include <atomic>

#include "common/address_text.h"
#include "common/qt/color_static.h"
#include "dialogs/state_dlg.h"
#include "state_dialog/state_dialog_support.h"

namespace quorvel::dialogs {
namespace {

using testing::Child;
using testing::Hundredths;
using testing::kValueBoundMs;
using testing::LabelText;

class StateDialog : public testing::SimulatedConsole {
  protected:
    static void close(CStateDlg& dlg) {
        Child<QPushButton>(dlg, "okButton")->click();
        // A switching command still being acknowledged finishes first.
        EXPECT_TRUE(QTest::qWaitFor([&] { return !dlg.isVisible(); }, kValueBoundMs));
        EXPECT_TRUE(dlg.waitWorkerEnded());
    }
    static bool ticked(const CStateDlg& dlg, int row) {
        return dlg.findChild<QCheckBox*>(QString("rowSwitch%1").arg(row))->isChecked();
    }
    static bool resetEnabled(const CStateDlg& dlg, int row) {
        return dlg.findChild<QPushButton*>(QString("rowReset%1").arg(row))->isEnabled();
    }
    bool deviceOn(int outlet) { return simulator.deviceSnapshot().outletOn(outlet); }
};

TEST_F(StateDialog, ValuesFollowTheDevice) {
    connect("v4");
    auto dlg = open();
    const sim::Device d = simulator.deviceSnapshot();
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return LabelText(*dlg, "totalValue0") == Hundredths(d.circuitCurrent(0)); },
        kValueBoundMs))
        << LabelText(*dlg, "totalValue0").toStdString();
    EXPECT_EQ(LabelText(*dlg, "modelValue"), "47C0:DB98B4B2:100A");
    EXPECT_EQ(LabelText(*dlg, "alarmText"), "None");
    EXPECT_EQ(dlg->windowTitle(), "PDU State");
    for (int c = 0; c < 3; ++c) {
        EXPECT_TRUE(Child<QWidget>(*dlg, QString("circuitGroup%1").arg(c))->isVisible());
        EXPECT_EQ(LabelText(*dlg, QString("totalValue%1").arg(c)), Hundredths(d.circuitCurrent(c)));
    }
    for (int k = 0; k < 18; ++k) {
        EXPECT_EQ(LabelText(*dlg, QString("rowCurrent%1").arg(k)), Hundredths(d.outletCurrent(k)))
            << k;
        EXPECT_EQ(ticked(*dlg, k), d.outletOn(k)) << k;
    }
    EXPECT_FALSE(Child<QWidget>(*dlg, "rowName18")->isVisible());
    EXPECT_EQ(LabelText(*dlg, "temperatureValue"),
              QString::asprintf("%.1fF   %.1fF", d.temperatureReading(0), d.temperatureReading(1)));

    // New readings on the device reach every circuit and receptacle.
    device([](sim::Device& dev) {
        for (double& a : dev.circuitCurrents) {
            a += 1.25;
        }
        for (double& a : dev.outletCurrents) {
            a += 0.5;
        }
        dev.temperature[0] = 80.0;
    });
    const sim::Device after = simulator.deviceSnapshot();
    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
            for (int k = 0; k < 18; ++k) {
                if (LabelText(*dlg, QString("rowCurrent%1").arg(k)) !=
                    Hundredths(after.outletCurrent(k))) {
                    return false;
                }
            }
            return LabelText(*dlg, "totalValue2") == Hundredths(after.circuitCurrent(2));
        },
        kValueBoundMs));
    EXPECT_TRUE(LabelText(*dlg, "temperatureValue").startsWith("80.0F   "));
    close(*dlg);
}

TEST_F(StateDialog, TickingSwitchesTheOutletAfterTheQuestion) {
    connect("v4");
    auto dlg = open();
    ASSERT_TRUE(QTest::qWaitFor([&] { return ticked(*dlg, 3); }, kValueBoundMs));
    auto* box = Child<QCheckBox>(*dlg, "rowSwitch3");

    // No: the box goes back and the device is left alone.
    prompter.script = {Answer::No};
    box->click();
    ASSERT_EQ(prompter.questions().size(), 1);
    EXPECT_EQ(prompter.questions()[0],
              "Receptacle Power|Do you really want to turn OFF power for Socket 4?");
    EXPECT_TRUE(box->isChecked());

    // Yes: the outlet goes off on the device and the box stays unticked after the busy frames.
    box->click();
    EXPECT_FALSE(box->isChecked());
    EXPECT_FALSE(resetEnabled(*dlg, 3));
    ASSERT_TRUE(QTest::qWaitFor([&] { return !deviceOn(3); }, kValueBoundMs));
    ASSERT_TRUE(
        QTest::qWaitFor([&] { return dlg->viewModel().busyCounter() == 0; }, kValueBoundMs));
    EXPECT_FALSE(box->isChecked());
    EXPECT_TRUE(deviceOn(2) && deviceOn(4));

    box->click();
    ASSERT_TRUE(QTest::qWaitFor([&] { return deviceOn(3); }, kValueBoundMs));
    EXPECT_EQ(prompter.questions().last(),
              "Receptacle Power|Do you really want to turn ON power for Socket 4?");
    close(*dlg);
}

TEST_F(StateDialog, DeveloperSetAllAndClearAllSwitchACircuitWithoutAsking) {
    connect("v4", 0, false, true);
    auto dlg = open();
    auto* clearAll = Child<QPushButton>(*dlg, "clearAll1");
    ASSERT_TRUE(clearAll->isVisible());
    EXPECT_EQ(clearAll->text(), "Clear All Y");
    ASSERT_TRUE(QTest::qWaitFor([&] { return ticked(*dlg, 6); }, kValueBoundMs));
    clearAll->click();
    for (int k = 6; k < 12; ++k) {
        EXPECT_FALSE(ticked(*dlg, k)) << k;
    }
    ASSERT_TRUE(QTest::qWaitFor([&] { return (simulator.deviceSnapshot().outletsOn & 0xFC0) == 0; },
                                kValueBoundMs));
    EXPECT_EQ(simulator.deviceSnapshot().outletsOn, 0x3F03Fu);

    // A single switch, unasked.
    Child<QCheckBox>(*dlg, "rowSwitch0")->click();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !deviceOn(0); }, kValueBoundMs));
    Child<QPushButton>(*dlg, "setAll1")->click();
    ASSERT_TRUE(QTest::qWaitFor([&] { return simulator.deviceSnapshot().outletsOn == 0x3FFFEu; },
                                kValueBoundMs));
    EXPECT_TRUE(prompter.questions().isEmpty());
    close(*dlg);
}

TEST_F(StateDialog, ResetBlocksTheOutletAndItReturns) {
    connect("v4");  // reset delays of 5 seconds
    auto dlg = open();
    ASSERT_TRUE(QTest::qWaitFor([&] { return resetEnabled(*dlg, 2); }, kValueBoundMs));
    Child<QPushButton>(*dlg, "rowReset2")->click();
    EXPECT_EQ(prompter.questions().last(),
              "Receptacle Reset|Do you really want to apply power reset to Socket 3?");
    EXPECT_FALSE(resetEnabled(*dlg, 2));
    ASSERT_TRUE(
        QTest::qWaitFor([&] { return simulator.deviceSnapshot().resetting != 0; }, kValueBoundMs));
    EXPECT_EQ(simulator.deviceSnapshot().outletResets, 1);
    // Once the busy frames are over, the frames show the outlet off and blocked...
    ASSERT_TRUE(QTest::qWaitFor([&] { return !ticked(*dlg, 2); }, kValueBoundMs));
    EXPECT_FALSE(resetEnabled(*dlg, 2));
    EXPECT_EQ(dlg->viewModel().busyCounter(), 0);
    // ... and then on and resettable again.
    ASSERT_TRUE(
        QTest::qWaitFor([&] { return ticked(*dlg, 2) && resetEnabled(*dlg, 2); }, kValueBoundMs));
    EXPECT_EQ(simulator.deviceSnapshot().resetting, 0u);
    EXPECT_TRUE(deviceOn(2));

    // "R" of an unticked row does nothing.
    Child<QCheckBox>(*dlg, "rowSwitch5")->click();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !deviceOn(5); }, kValueBoundMs));
    const int asked = prompter.questions().size();
    dlg->findChild<QPushButton*>("rowReset5")->setEnabled(true);
    dlg->findChild<QPushButton*>("rowReset5")->click();
    EXPECT_EQ(prompter.questions().size(), asked);
    close(*dlg);
    EXPECT_EQ(simulator.deviceSnapshot().outletResets, 1);
}

TEST_F(StateDialog, TrippedAlarmShowsItsDetailsAndClears) {
    connect("v2-alarm");
    auto dlg = open();
    auto* tripped = Child<QPushButton>(*dlg, "trippedButton");
    ASSERT_TRUE(QTest::qWaitFor([&] { return tripped->isVisible(); }, kValueBoundMs));
    EXPECT_FALSE(Child<QLabel>(*dlg, "alarmText")->isVisible());

    prompter.script = {Answer::No};
    tripped->click();
    ASSERT_EQ(prompter.questions().size(), 1);
    EXPECT_EQ(prompter.questions()[0],
              "Alarm Details|Exceeded current limit in Circuit 1\n"
              "Temperature exceeded limit\n"
              "Reached socket lock current limit in Circuit 1\n"
              "\n Do you want to clear the alarms?\n");
    EXPECT_TRUE(tripped->isVisible());

    // The readings come back within their limits; clearing then holds.
    device([](sim::Device& d) {
        d.circuitCurrents[0] = 2.0;
        d.temperature[0] = 70.0;
    });
    tripped->click();
    EXPECT_FALSE(tripped->isVisible());
    EXPECT_EQ(LabelText(*dlg, "alarmText"), "None");
    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
            const sim::Device d = simulator.deviceSnapshot();
            return d.alarmWord == 0 && d.lockWord == 0;
        },
        kValueBoundMs));
    // Two more alarm reads later the dialog still shows none.
    const int reads = alarmReads();
    ASSERT_TRUE(QTest::qWaitFor([&] { return alarmReads() >= reads + 2; }, kValueBoundMs));
    EXPECT_FALSE(tripped->isVisible());
    EXPECT_TRUE(Child<QLabel>(*dlg, "alarmText")->isVisible());
    close(*dlg);
}

// The other device interface (mode not 0): its own rows and buttons, no light, no refresh
// until "Refresh", and "Clear" empties the display.
std::atomic<int> gOtherReads{0};
void OtherRead(std::int32_t, std::uint8_t kind, StateWorkerBlock* b) {
    if (kind == 8) {
        b->firmwareVersion[0] = 9;
        b->modelFeature = 0x1234;
        b->modelAttribute = 0x89ABCDEF;
        b->modelExtension = 0x0001;
        b->updateFieldsFlag = 1;
    } else if (kind == 4) {
        const std::uint8_t frame[] = {0xAA, 0x55, 0, 1,    0x04, 0xD2, 0, 0, 0, 0, 1,
                                      0x1C, 0x52, 1, 0x11, 0x94, 2,    0, 0, 0, 0};
        std::copy(std::begin(frame), std::end(frame), b->statusFrame);
        gOtherReads.fetch_add(1);
    }
}

TEST_F(StateDialog, OtherInterfaceRefreshesOnlyOnRequestAndClears) {
    ASSERT_TRUE(BuildModelProfile(0x47C0, 0xDB98B4B2, 0x100A, &record));
    ops = StateOps{};
    ops.mode = 1;
    ops.ReadState = &OtherRead;
    WriteWideText("00-1A-2B-3C-4D-5E", addresses.macAddress, kAddressTextChars);
    WriteWideText("192.168.1.20", addresses.ipAddress, kAddressTextChars);
    gOtherReads = 0;
    auto dlg = open();
    for (const char* name : {"refreshButton", "clearButton", "progressBar", "macValue", "ipValue",
                             "updateFieldsCheck", "okButton"}) {
        EXPECT_TRUE(Child<QWidget>(*dlg, name)->isVisible()) << name;
    }
    EXPECT_FALSE(Child<QWidget>(*dlg, "activityLight")->isVisible());
    EXPECT_FALSE(Child<QWidget>(*dlg, "setAll0")->isVisible());

    Child<QPushButton>(*dlg, "refreshButton")->click();
    ASSERT_TRUE(
        QTest::qWaitFor([&] { return LabelText(*dlg, "totalValue0") == "12.34"; }, kValueBoundMs));
    EXPECT_EQ(LabelText(*dlg, "macValue"), "00:1A:2B:3C:4D:5E");
    EXPECT_EQ(LabelText(*dlg, "ipValue"), "192.168.1.20");
    EXPECT_EQ(LabelText(*dlg, "versionValue"), "9.0.0");
    EXPECT_EQ(LabelText(*dlg, "modelValue"), "1234:89ABCDEF:0001");
    EXPECT_EQ(LabelText(*dlg, "temperatureValue"), "72.5F   ");
    EXPECT_EQ(LabelText(*dlg, "humidityValue"), "45.0%  ");
    EXPECT_TRUE(Child<QCheckBox>(*dlg, "updateFieldsCheck")->isChecked());
    EXPECT_EQ(Child<QProgressBar>(*dlg, "progressBar")->value(), 100);
    EXPECT_EQ(gOtherReads.load(), 1);  // the open command did not refresh

    Child<QPushButton>(*dlg, "clearButton")->click();
    for (const char* name : {"totalValue0", "macValue", "ipValue", "versionValue", "modelValue",
                             "temperatureValue", "humidityValue", "alarmText"}) {
        EXPECT_TRUE(LabelText(*dlg, name).isEmpty()) << name;
    }
    EXPECT_FALSE(Child<QCheckBox>(*dlg, "updateFieldsCheck")->isChecked());
    EXPECT_EQ(Child<QProgressBar>(*dlg, "progressBar")->value(), 0);
    close(*dlg);
    EXPECT_EQ(gOtherReads.load(), 1);
}

// Monitor in the main window: the launcher fills the operations table and runs the export,
// which returns once the operator closed the dialog.
TEST(StateDialogFromMainWindow, MonitorShowsTheV4UnitUpdating) {
    ASSERT_NO_FATAL_FAILURE(gui_test::LoadShippedAttributes());
    testing::ScriptedPrompter prompter;
    gui_test::MainWindow window(prompter);
    ASSERT_NO_FATAL_FAILURE(window.open("v4", false));
    ASSERT_NO_FATAL_FAILURE(window.connect());
    window.withDialog("monitorButton", [&](QWidget& shown) {
        auto* dlg = qobject_cast<CStateDlg*>(&shown);
        ASSERT_NE(dlg, nullptr);
        ASSERT_TRUE(QTest::qWaitFor([&] { return !LabelText(*dlg, "rowCurrent17").isEmpty(); },
                                    kValueBoundMs));
        EXPECT_EQ(LabelText(*dlg, "modelValue"), "47C0:DB98B4B2:100A");
        EXPECT_FALSE(Child<QWidget>(*dlg, "setAll0")->isVisible());  // no "-d"
        // The readings drift every second: each circuit's total changes within a few seconds,
        // and the activity light blinks meanwhile.
        QString first[3];
        for (int c = 0; c < 3; ++c) {
            first[c] = LabelText(*dlg, QString("totalValue%1").arg(c));
        }
        auto* light = Child<CColorStaticST>(*dlg, "activityLight");
        bool green = false;
        EXPECT_TRUE(QTest::qWaitFor(
            [&] {
                const QColor colour = light->backgroundColor();
                EXPECT_TRUE(colour == QColor(0, 255, 0) || colour == QColor(64, 50, 50));
                green = green || colour == QColor(0, 255, 0);
                for (int c = 0; c < 3; ++c) {
                    if (LabelText(*dlg, QString("totalValue%1").arg(c)) == first[c]) {
                        return false;
                    }
                }
                return green;
            },
            kValueBoundMs));
        dlg->close();  // the close box
    });
    ASSERT_NO_FATAL_FAILURE(window.disconnect());
}

}  // namespace
}  // namespace quorvel::dialogs
