// The configuration dialog over the main program's operations and the simulated PDU of each
// generation: a load fills every field the PDU shows, and an edited name, delay, current limit
// and power-on state reach the device while nothing else changes; Format and Reset Net reach it
// too.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <map>

#include "config_dialog_support.h"
#include "support/scripted_prompter.h"

namespace quorvel::dialogs {
namespace {

constexpr int kPort = 13;
constexpr int kBoundMs = 30000;

class ConfigDialogSim : public testing::SimulatedConfigTest<::testing::TestWithParam<const char*>> {
  protected:
    void SetUp() override { ASSERT_NO_FATAL_FAILURE(serve(GetParam(), kPort)); }
    void press(const char* button) { SimulatedConfigTest::press(button, kBoundMs); }
    QString key(const char* prefix, int n) {
        return QString::fromLatin1(prefix) + QString::number(n);
    }

    test_support::ScriptedPrompter prompter;  // Yes to every question
    test_support::PrompterScope scope{prompter};
};

TEST_P(ConfigDialogSim, EditsReachThePduAndNothingElseChanges) {
    open();
    press("loadButton");
    const sim::Device d = simulator.deviceSnapshot();
    EXPECT_EQ(child<QLineEdit>("edit_cDeviceIP")->text(), QStringLiteral("192.168.123.123"));
    EXPECT_EQ(child<QLineEdit>("edit_cMACAddr")->text(), QStringLiteral("00:1A:2B:3C:4D:5E"));
    EXPECT_EQ(child<QLineEdit>("edit_cDeviceName")->text(), QStringLiteral("PDUName"));
    // Every shown receptacle row is filled from the PDU.
    int first = -1;
    for (const ConfigReceptacleRow& r : dialog->plannedLayout().receptacles) {
        first = first < 0 ? r.row : first;
        const int n = r.row + 1;
        EXPECT_EQ(child<QLineEdit>(key("edit_cRecepName", n))->text(), key("RecepName", n));
        EXPECT_EQ(child<QLineEdit>(key("edit_cRecepOnDelay", n))->text().toInt(),
                  d.variables.at(8).elements.at(static_cast<std::size_t>(r.row))[0]);
        EXPECT_TRUE(child<QCheckBox>(key("check_powerOn", n))->isChecked());
    }
    ASSERT_GE(first, 0);
    EXPECT_EQ(child<QLineEdit>("edit_cCircAMaxCurrent")->text(),
              QString::number(d.variableNumber(14, 0) / 100.0, 'f', 1));

    const int n = first + 1;
    child<QLineEdit>(key("edit_cRecepName", n))->setText(QStringLiteral("Lamp"));
    child<QLineEdit>(key("edit_cRecepOnDelay", n))->setText(QStringLiteral("42"));
    child<QLineEdit>("edit_cCircAMaxCurrent")->setText(QStringLiteral("12.5"));
    child<QCheckBox>(key("check_powerOn", n))->setChecked(false);
    press("saveButton");

    const sim::Device after = simulator.deviceSnapshot();
    const int nameId = n <= 24 ? n + 17 : n <= 36 ? n + 22 : n + 62;
    EXPECT_EQ(testing::ChangedElements(d, after),
              (std::map<int, int>{{7, 1}, {8, 1}, {14, 1}, {nameId, 1}}));
    EXPECT_EQ(after.variables.at(nameId).elements[0][0], 'L');
    EXPECT_EQ(after.variables.at(8).elements[static_cast<std::size_t>(first)][0], 42);
    EXPECT_EQ(after.variableNumber(14, 0), 1250u);
    EXPECT_EQ(
        (after.variables.at(7).elements[static_cast<std::size_t>(first / 6)][0] >> (first % 6)) & 1,
        0);

    // Format brings the profile's values back; Reset Net restarts the network.
    press("formatButton");
    ASSERT_TRUE(QTest::qWaitFor([this] { return simulator.deviceSnapshot().databaseFormats == 1; },
                                kBoundMs));
    EXPECT_EQ(simulator.deviceSnapshot().variableNumber(14, 0), d.variableNumber(14, 0));
    press("resetNetButton");
    ASSERT_TRUE(QTest::qWaitFor([this] { return simulator.deviceSnapshot().networkRestarts == 1; },
                                kBoundMs));
    child<QPushButton>("okButton")->click();
    // The network reset still being acknowledged finishes first; then the dialog closes.
    EXPECT_TRUE(QTest::qWaitFor([&] { return !dialog->isVisible(); }, 5000));
    EXPECT_EQ(record.generationNumber, simulator.deviceSnapshot().generationNumber());
}

INSTANTIATE_TEST_SUITE_P(Profiles, ConfigDialogSim, ::testing::Values("v1", "v2", "v3", "v4"));

}  // namespace
}  // namespace quorvel::dialogs
