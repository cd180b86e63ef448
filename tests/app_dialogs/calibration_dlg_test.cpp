// The calibration dialog against simulated units: sampling at two reference loads, the confirmed
// calibration landing in the unit's table, a write the unit refuses, the refusals, voltage inputs,
// Save ending the worker only after a slow store, Cancel, Reboot PDU, the dialog from the
// keyboard, and the main window's Calibrate button.
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>

#include "app/calibration_dlg.h"
#include "app/launchers.h"
#include "dialog_test_support.h"
#include "link/calibration_ops.h"
#include "link/console_lease.h"
#include "sim/calibration_reads.h"
#include "support/keyboard_walk.h"

namespace quorvel::app {
namespace {

using test::Child;
using test_support::Names;
using test_support::Press;
using test_support::TabWalk;

class CalibrationDialog : public test::SimulatedSession {
  protected:
    std::unique_ptr<CPDUCalibDlg> open() {
        FillCalibrationOps(ops, 1);
        auto dlg = std::make_unique<CPDUCalibDlg>(&pdu, &ops, &session);
        dlg->show();
        EXPECT_TRUE(QTest::qWaitFor([&] { return dlg->opened(); }, test::kBoundMs));
        return dlg;
    }
    void select(CPDUCalibDlg& dlg, const QString& name) {
        auto* list = Child<QListWidget>(dlg, "channelList");
        const auto found = list->findItems(name, Qt::MatchExactly);
        ASSERT_EQ(found.size(), 1) << name.toStdString();
        list->setCurrentItem(found.front());
    }
    void load(bool voltage, int row, int channel, double value) {
        simulator.withConsole([&](sim::Console& c) {
            sim::setReferenceLoad(c.device(), voltage, row, channel, value);
        });
    }
    static QString hex(std::uint16_t raw) { return "0x" + QString::number(raw, 16).toUpper(); }
    // Checks a sample box and waits until its text shows the expected raw value.
    void sample(CPDUCalibDlg& dlg, bool low, std::uint16_t expected) {
        Child<QCheckBox>(dlg, low ? "sampleLowButton" : "sampleHighButton")->click();
        auto* text = Child<QLabel>(dlg, low ? "lowRawText" : "highRawText");
        EXPECT_TRUE(QTest::qWaitFor([&] { return text->text() == hex(expected); }, test::kBoundMs))
            << text->text().toStdString() << " != " << hex(expected).toStdString();
    }
    // Puts `value` on the channel as its reference load and samples it, low or high.
    void sampleAt(CPDUCalibDlg& dlg, bool low, int row, int channel, double value) {
        load(false, row, channel, value);
        sample(dlg, low, sim::rawReading(device(), false, row, channel, value));
    }
    // Picks the channel and samples it at the dialog's two reference loads, 0.5 A (0xFE on a
    // receptacle) and 12 A (0xFFF).
    void sampleBoth(CPDUCalibDlg& dlg, const QString& name, int row, int channel) {
        select(dlg, name);
        sampleAt(dlg, true, row, channel, 0.5);
        sampleAt(dlg, false, row, channel, 12.0);
    }
    void click(CPDUCalibDlg& dlg, const char* name) { Child<QPushButton>(dlg, name)->click(); }

    CalibrationOps ops;
};

TEST_F(CalibrationDialog, CalibratesAReceptacleAgainstTwoLoadsAndSaves) {
    connect("v2");
    auto dlg = open();
    EXPECT_EQ(dlg->generation(), 2);
    EXPECT_FALSE(Child<QWidget>(*dlg, "voltageGroup")->isVisible());
    EXPECT_EQ(Child<QLineEdit>(*dlg, "currentLowEdit")->text(), "0.50");
    EXPECT_EQ(Child<QLineEdit>(*dlg, "currentHighEdit")->text(), "12.00");
    EXPECT_EQ(Child<QLineEdit>(*dlg, "currentThresholdEdit")->text(), "0.20");
    EXPECT_TRUE(device().calibrationMode);

    sampleBoth(*dlg, "Socket 5", 0, 5);
    EXPECT_FALSE(Child<QCheckBox>(*dlg, "sampleLowButton")->isChecked());
    Child<QLineEdit>(*dlg, "currentThresholdEdit")->setText("0.2");

    prompter.script = {dialogs::Answer::Ok};
    click(*dlg, "calibrateButton");
    ASSERT_EQ(prompter.shown.size(), 1u);
    EXPECT_EQ(prompter.shown[0].title, "CALIBRATE WITH THESE VALUES?");
    EXPECT_EQ(prompter.shown[0].text, "Receptacle Socket 5 scale=1226, offset=86, threshold=0x42");
    EXPECT_EQ(Child<QLabel>(*dlg, "slopeText")->text(), "0x4ca");
    EXPECT_EQ(Child<QLabel>(*dlg, "offsetText")->text(), "0x56");
    EXPECT_EQ(Child<QLabel>(*dlg, "thresholdText")->text(), "0x42");
    EXPECT_TRUE(dlg->calibrated());
    EXPECT_FALSE(dlg->lowSampled());
    EXPECT_FALSE(dlg->highSampled());
    EXPECT_EQ(session.calibrationRefs[0], 20);
    EXPECT_EQ(session.calibrationRefs[1], 50);
    EXPECT_EQ(session.calibrationRefs[2], 1200);
    EXPECT_TRUE(
        QTest::qWaitFor([&] { return device().calibration["K I A9"][5] == 1226; }, test::kBoundMs));
    sim::Device d = device();
    EXPECT_EQ(d.calibration["K I A0"][5], 0x42);
    EXPECT_EQ(d.calibration["K I A1"][5], 86);
    EXPECT_EQ(d.calibration["K I A2"][5], 1226);

    click(*dlg, "saveButton");
    EXPECT_TRUE(
        QTest::qWaitFor([&] { return dlg->result() == QDialog::Accepted; }, test::kBoundMs));
    EXPECT_TRUE(QTest::qWaitFor([&] { return dlg->workerFinished(); }, 5000));
    EXPECT_EQ(device().calibrationStores, 1);
    EXPECT_EQ(linesSince(linesReceived() - 1).back(), "W A ff 47310862");
}

TEST_F(CalibrationDialog, AWriteThePduRefusesIsNamedAndNeverStored) {
    connect("v2");
    auto dlg = open();
    sampleBoth(*dlg, "Socket 5", 0, 5);
    // The threshold and the offset land, the scale is refused.
    simulator.withConsole([](sim::Console& c) { c.device().calibrationRefused.insert("K I A2"); });
    prompter.script = {dialogs::Answer::Ok};
    click(*dlg, "calibrateButton");
    ASSERT_TRUE(QTest::qWaitFor([&] { return prompter.shown.size() == 2; }, test::kBoundMs));
    EXPECT_EQ(prompter.shown[1].title, "Calibrate");
    EXPECT_EQ(prompter.shown[1].text,
              "The calibration of Socket 5 was not written completely; calibrate it again.");
    EXPECT_FALSE(dlg->calibrated());
    EXPECT_EQ(device().calibration["K I A1"][5], 86);
    EXPECT_EQ(device().calibration.count("K I A2"), 0u);

    // The half-written row is never made permanent.
    click(*dlg, "saveButton");
    ASSERT_EQ(prompter.shown.size(), 3u);
    EXPECT_EQ(prompter.shown[2].text, "Must calibrate first before saving!");
    EXPECT_TRUE(dlg->isVisible());
    dlg->reject();
    EXPECT_TRUE(QTest::qWaitFor([&] { return dlg->workerFinished(); }, 5000));
    EXPECT_EQ(device().calibrationStores, 0);
}

TEST_F(CalibrationDialog, RefusesWhatCannotBeCalibratedAndSendsNothing) {
    connect("v2");
    auto dlg = open();
    click(*dlg, "saveButton");
    ASSERT_EQ(prompter.shown.size(), 1u);
    EXPECT_EQ(prompter.shown[0].title, "Error");
    EXPECT_EQ(prompter.shown[0].text, "Must calibrate first before saving!");
    EXPECT_TRUE(dlg->isVisible());

    click(*dlg, "calibrateButton");
    ASSERT_EQ(prompter.shown.size(), 2u);
    EXPECT_EQ(prompter.shown[1].title, "LUMARC FAILED CALIBRATION");
    EXPECT_EQ(prompter.shown[1].text, "Sample both low and high values before calibrating");

    // The same load twice: the high sample is not above the low one.
    select(*dlg, "Socket 2");
    load(false, 0, 2, 5.0);
    const std::uint16_t raw = sim::rawReading(device(), false, 0, 2, 5.0);
    sample(*dlg, true, raw);
    sample(*dlg, false, raw);
    click(*dlg, "calibrateButton");
    ASSERT_EQ(prompter.shown.size(), 3u);
    EXPECT_EQ(prompter.shown[2].title, "ILLEGAL CALIBRATION VALUES");
    EXPECT_TRUE(prompter.shown[2].text.startsWith("Receptacle Socket 2 scale=0,"));
    EXPECT_FALSE(dlg->calibrated());

    // A calibration the operator cancels is not written either.
    sampleAt(*dlg, false, 0, 2, 12.0);
    Child<QLineEdit>(*dlg, "currentLowEdit")->setText("5.00");
    prompter.script = {dialogs::Answer::Cancel};
    click(*dlg, "calibrateButton");
    ASSERT_EQ(prompter.shown.size(), 4u);
    EXPECT_EQ(prompter.shown[3].title, "CALIBRATE WITH THESE VALUES?");
    EXPECT_FALSE(dlg->calibrated());
    EXPECT_TRUE(Child<QLabel>(*dlg, "slopeText")->text().isEmpty());

    // Another channel starts without samples.
    select(*dlg, "Socket 3");
    EXPECT_FALSE(dlg->lowSampled());
    EXPECT_TRUE(Child<QLabel>(*dlg, "highRawText")->text().isEmpty());
    dlg->reject();
    EXPECT_TRUE(QTest::qWaitFor([&] { return dlg->workerFinished(); }, 5000));
    EXPECT_TRUE(device().calibration.empty());
    EXPECT_EQ(device().calibrationStores, 0);
}

TEST_F(CalibrationDialog, VoltageInputsNeedOnlyTheHighSample) {
    connect("v3");
    auto dlg = open();
    EXPECT_EQ(dlg->generation(), 3);
    EXPECT_TRUE(Child<QWidget>(*dlg, "voltageGroup")->isVisible());
    EXPECT_FALSE(Child<QLineEdit>(*dlg, "voltageLowEdit")->isEnabled());
    // The first entry is a voltage input: the high sample runs, the low one is taken as 0x0.
    auto* list = Child<QListWidget>(*dlg, "channelList");
    EXPECT_EQ(list->currentItem()->text(), "Branch X Voltage");
    EXPECT_FALSE(Child<QCheckBox>(*dlg, "sampleLowButton")->isEnabled());
    EXPECT_TRUE(Child<QCheckBox>(*dlg, "sampleHighButton")->isChecked());
    EXPECT_EQ(Child<QLabel>(*dlg, "lowRawText")->text(), "0x0");
    load(true, 0, 0, 120);
    auto* high = Child<QLabel>(*dlg, "highRawText");
    ASSERT_TRUE(QTest::qWaitFor([&] { return high->text() == "0x800"; }, test::kBoundMs))
        << high->text().toStdString();
    click(*dlg, "calibrateButton");
    ASSERT_EQ(prompter.shown.size(), 1u);
    EXPECT_EQ(prompter.shown[0].text, "Branch X Voltage scale=240, offset=0, threshold=0x9");
    EXPECT_TRUE(
        QTest::qWaitFor([&] { return device().calibration["K V A9"][0] == 240; }, test::kBoundMs));
    EXPECT_EQ(session.calibrationRefs[5], 120);
}

TEST_F(CalibrationDialog, SaveWaitsForASlowStoreBeforeEndingTheWorker) {
    connect("v2");
    auto dlg = open();
    sampleBoth(*dlg, "Socket 1", 0, 1);
    click(*dlg, "calibrateButton");
    ASSERT_TRUE(
        QTest::qWaitFor([&] { return device().calibration["K I A9"][1] != 0; }, test::kBoundMs));
    {
        // Another user holds the console: the store cannot run for longer than a second.
        ConsoleLease busy;
        click(*dlg, "saveButton");
        EXPECT_FALSE(Child<QPushButton>(*dlg, "cancelButton")->isEnabled());
        EXPECT_FALSE(QTest::qWaitFor([&] { return dlg->result() == QDialog::Accepted; }, 1500));
        EXPECT_FALSE(dlg->workerFinished());
        dlg->reject();  // closing the window meanwhile does not cut the store short
        EXPECT_TRUE(dlg->isVisible());
    }
    EXPECT_TRUE(
        QTest::qWaitFor([&] { return dlg->result() == QDialog::Accepted; }, test::kBoundMs));
    EXPECT_TRUE(QTest::qWaitFor([&] { return dlg->workerFinished(); }, 5000));
    EXPECT_EQ(device().calibrationStores, 1);
}

TEST_F(CalibrationDialog, CancelEndsTheWorkerAndRebootAsksFirst) {
    connect("v2");
    auto dlg = open();
    prompter.script = {dialogs::Answer::Cancel, dialogs::Answer::Ok};
    click(*dlg, "rebootButton");
    ASSERT_EQ(prompter.shown.size(), 1u);
    EXPECT_EQ(prompter.shown[0].title, "REBOOT PDU");
    EXPECT_EQ(prompter.shown[0].text, "Do you really want to proceed?");
    click(*dlg, "rebootButton");
    EXPECT_TRUE(QTest::qWaitFor([&] { return device().reboots == 1; }, test::kBoundMs));
    click(*dlg, "cancelButton");
    EXPECT_EQ(dlg->result(), QDialog::Rejected);
    EXPECT_TRUE(QTest::qWaitFor([&] { return dlg->workerFinished(); }, 5000));
    EXPECT_EQ(device().calibrationStores, 0);
}

TEST_F(CalibrationDialog, FirstGenerationUnitsListTheirBranches) {
    connect("v1");
    auto dlg = open();
    EXPECT_EQ(dlg->generation(), 1);
    auto* list = Child<QListWidget>(*dlg, "channelList");
    ASSERT_EQ(list->count(), 2);
    EXPECT_EQ(list->item(0)->text(), "Branch A");
    EXPECT_EQ(list->item(1)->text(), "Branch B");
    sampleBoth(*dlg, "Branch B", 1, 0);
    click(*dlg, "calibrateButton");
    ASSERT_EQ(prompter.shown.size(), 1u);
    EXPECT_EQ(prompter.shown[0].text, "Circuit B scale=1226, offset=86, threshold=0x42");
    EXPECT_TRUE(
        QTest::qWaitFor([&] { return device().calibration["K I B9"][0] == 1226; }, test::kBoundMs));
}

// From the keyboard: the focus starts on the channel list, Tab reads the controls shown, Enter
// in a field presses nothing, Enter on a button presses it, and Escape and the close box end the
// worker without touching the device.
TEST_F(CalibrationDialog, FromTheKeyboard) {
    connect("v2");
    auto dlg = open();
    auto* channels = Child<QListWidget>(*dlg, "channelList");
    ASSERT_EQ(dlg->focusWidget(), channels);
    // The voltage group is hidden on this unit.
    EXPECT_EQ(TabWalk(*dlg), (Names{"sampleLowButton", "sampleHighButton", "calibrateButton",
                                    "saveButton", "cancelButton", "rebootButton", "currentLowEdit",
                                    "currentHighEdit", "currentThresholdEdit", "channelList"}));

    // Down picks the next channel; Space samples it.
    QTest::keyClick(channels, Qt::Key_Down);
    EXPECT_EQ(channels->currentRow(), 1);
    Press(*dlg, "sampleLowButton", Qt::Key_Space);
    EXPECT_TRUE(Child<QCheckBox>(*dlg, "sampleLowButton")->isChecked());
    auto* lowRaw = Child<QLabel>(*dlg, "lowRawText");
    EXPECT_TRUE(QTest::qWaitFor([&] { return lowRaw->text().startsWith("0x"); }, test::kBoundMs));

    // Enter in a reference field does nothing; Enter on Calibrate and Reboot PDU presses them.
    auto* low = Child<QLineEdit>(*dlg, "currentLowEdit");
    low->selectAll();
    QTest::keyClicks(low, "0.75");
    QTest::keyClick(low, Qt::Key_Return);
    EXPECT_TRUE(dlg->isVisible());
    EXPECT_EQ(low->text(), "0.75");
    EXPECT_TRUE(prompter.shown.empty());
    Press(*dlg, "calibrateButton", Qt::Key_Return);
    ASSERT_EQ(prompter.shown.size(), 1u);
    EXPECT_EQ(prompter.shown[0].title, "LUMARC FAILED CALIBRATION");  // no high sample yet
    prompter.script = {dialogs::Answer::Cancel};
    Press(*dlg, "rebootButton", Qt::Key_Enter);
    ASSERT_EQ(prompter.shown.size(), 2u);
    EXPECT_EQ(prompter.shown[1].title, "REBOOT PDU");

    // Escape cancels: the worker ends, nothing is stored and the PDU is not rebooted.
    QTest::keyClick(low, Qt::Key_Escape);
    EXPECT_EQ(dlg->result(), QDialog::Rejected);
    EXPECT_FALSE(dlg->isVisible());
    EXPECT_TRUE(QTest::qWaitFor([&] { return dlg->workerFinished(); }, 5000));
    EXPECT_EQ(device().calibrationStores, 0);
    EXPECT_EQ(device().reboots, 0);

    dlg = std::make_unique<CPDUCalibDlg>(&pdu, &ops, &session);
    dlg->show();
    EXPECT_TRUE(dlg->close());
    EXPECT_TRUE(QTest::qWaitFor([&] { return dlg->workerFinished(); }, 5000));
}

// The main window's Calibrate button opens the dialog modally, only with the developer flag.
TEST_F(CalibrationDialog, TheMainWindowLaunchesItInDeveloperModeOnly) {
    ASSERT_NO_FATAL_FAILURE(openMainWindow("v2", true));
    mainWindow.withDialog("calibrateButton", [](QWidget& shown) {
        auto* dlg = qobject_cast<CPDUCalibDlg*>(&shown);
        ASSERT_NE(dlg, nullptr);
        ASSERT_TRUE(QTest::qWaitFor([&] { return dlg->opened(); }, test::kBoundMs));
        EXPECT_EQ(dlg->windowTitle(), "PDU Calibration");
        Child<QPushButton>(*dlg, "cancelButton")->click();
    });
    EXPECT_TRUE(device().calibrationMode);

    // Without the flag the launcher opens nothing.
    LaunchContext context;
    context.parent = &mainWindow.window();
    PduRecord record{};
    context.pdu = &record;
    context.session = &session;
    context.developer = false;
    LaunchCalibrationDialog(context);  // would block in exec() if it opened a dialog
    ASSERT_NO_FATAL_FAILURE(mainWindow.disconnect());
}

}  // namespace
}  // namespace quorvel::app
