// The configuration dialog's Export… and Import… over the simulated fourth-generation PDU: the
// file holds what the fields show; an imported file fills the fields as if typed and only Save
// writes them; a file with a value out of range, or of another layout, is refused as quorvelctl
// refuses it (the other layout imported only when the operator says so).
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <fstream>

#include "common/config_file.h"
#include "config_dialog_support.h"
#include "support/scripted_prompter.h"

namespace quorvel::dialogs {
namespace {

constexpr int kPort = 14;
constexpr int kBoundMs = 30000;

using Json = nlohmann::ordered_json;

class ConfigDialogFile : public testing::SimulatedConfigTest<> {
  protected:
    void SetUp() override {
        ASSERT_NO_FATAL_FAILURE(serve("v4", kPort));
        record.firmwareVersion[0] = 4;
        record.firmwareVersion[1] = 2;
        open().setFileChooser([this](bool save, QWidget*) {
            chosen.push_back(save);
            return nextFile;
        });
    }
    void press(const char* button) { SimulatedConfigTest::press(button, kBoundMs); }
    QString path(const char* name) const { return dir.filePath(QString::fromLatin1(name)); }
    Json readFile(const QString& p) {
        std::ifstream in(p.toStdString());
        return Json::parse(in);
    }
    void writeFile(const QString& p, const Json& j) { std::ofstream(p.toStdString()) << j.dump(); }
    // Elements of each variable that differ from `before`.
    std::map<int, int> changedSince(const sim::Device& before) {
        return testing::ChangedElements(before, simulator.deviceSnapshot());
    }
    QString lastShown() const {
        return prompter.shown.empty() ? QString() : prompter.shown.back().text;
    }

    QTemporaryDir dir;
    test_support::ScriptedPrompter prompter;
    test_support::PrompterScope scope{prompter};
    QString nextFile;
    std::vector<bool> chosen;
};

TEST_F(ConfigDialogFile, AnImportedFileFillsTheFieldsAndSaveWritesThem) {
    // Until a load the fields hold nothing of the PDU's.
    EXPECT_FALSE(child<QPushButton>("exportButton")->isEnabled());
    EXPECT_FALSE(child<QPushButton>("importButton")->isEnabled());
    EXPECT_EQ(child<QPushButton>("exportButton")->text(), QStringLiteral("Export\u2026"));
    press("loadButton");
    ASSERT_TRUE(child<QPushButton>("exportButton")->isEnabled());

    // An edit not yet saved is exported as the field shows it.
    child<QLineEdit>("edit_cLogInterval")->setText(QStringLiteral("15"));
    nextFile = path("rack.json");
    QTest::mouseClick(child<QPushButton>("exportButton"), Qt::LeftButton);
    EXPECT_EQ(chosen, std::vector<bool>{true});
    const Json file = readFile(nextFile);
    EXPECT_EQ(file["model"]["code"], "47C0:DB98B4B2:100A");
    EXPECT_EQ(file["model"]["firmware"], "4.2.0");
    EXPECT_EQ(file["model"]["receptacles"], 18);
    EXPECT_EQ(file["passwords"], false);
    EXPECT_FALSE(file["items"].contains("cDevsPassword"));
    EXPECT_EQ(file["items"]["cLogInterval"], "15");
    EXPECT_EQ(file["items"]["cDeviceName"], "PDUName");
    EXPECT_EQ(file["items"]["cNetOptions"]["WEB"], true);
    EXPECT_EQ(file["items"]["cRecepControl"].size(), 18u);

    Json edited = file;
    edited["items"]["cLogInterval"] = "60";  // what the PDU holds
    edited["items"]["cDeviceName"] = "Rack7";
    edited["items"]["cNetOptions"]["C"] = true;
    edited["items"]["cMinTempLimit"] = "-5.0";
    edited["items"]["cMaxTempLimit"] = "35.0";  // 95 F, as the PDU holds it
    edited["items"]["cRecepControl"]["2"] = false;
    nextFile = path("edited.json");
    writeFile(nextFile, edited);
    const sim::Device before = simulator.deviceSnapshot();
    QTest::mouseClick(child<QPushButton>("importButton"), Qt::LeftButton);
    EXPECT_EQ(child<QLineEdit>("edit_cLogInterval")->text(), QStringLiteral("60"));
    EXPECT_EQ(child<QLineEdit>("edit_cDeviceName")->text(), QStringLiteral("Rack7"));
    EXPECT_TRUE(child<QCheckBox>("check_C")->isChecked());
    EXPECT_EQ(child<QLineEdit>("edit_cMinTempLimit")->text(), QStringLiteral("-5.0"));
    EXPECT_FALSE(child<QCheckBox>("check_powerOn2")->isChecked());
    EXPECT_TRUE(lastShown().startsWith(QStringLiteral("6 field(s) changed")))
        << lastShown().toStdString();
    EXPECT_TRUE(changedSince(before).empty());  // only Save writes

    press("saveButton");
    const sim::Device after = simulator.deviceSnapshot();
    EXPECT_EQ(after.variables.at(17).elements[0][0], 'R');
    EXPECT_EQ(after.variableNumber(16, 0), 2300u);
    EXPECT_EQ(after.variableNumber(12, 0), before.variableNumber(12, 0) | 0x40u);
    EXPECT_EQ(after.variables.at(7).elements[0][0], 0x3D);
    EXPECT_EQ(changedSince(before), (std::map<int, int>{{7, 1}, {12, 1}, {16, 1}, {17, 1}}));

    // The same file again changes no field, and Save writes nothing.
    QTest::mouseClick(child<QPushButton>("importButton"), Qt::LeftButton);
    EXPECT_TRUE(lastShown().startsWith(QStringLiteral("0 field(s) changed")))
        << lastShown().toStdString();
    press("saveButton");
    EXPECT_TRUE(changedSince(after).empty());

    // A cancelled file dialog does nothing.
    nextFile.clear();
    const std::size_t boxes = prompter.shown.size();
    QTest::mouseClick(child<QPushButton>("importButton"), Qt::LeftButton);
    EXPECT_EQ(prompter.shown.size(), boxes);
}

TEST_F(ConfigDialogFile, RefusedFilesFillNothing) {
    press("loadButton");
    nextFile = path("rack.json");
    QTest::mouseClick(child<QPushButton>("exportButton"), Qt::LeftButton);
    Json file = readFile(nextFile);

    file["items"]["cDeviceName"] = "Rack7";
    file["items"]["cDevConnLPort"] = "70000";
    writeFile(nextFile, file);
    QTest::mouseClick(child<QPushButton>("importButton"), Qt::LeftButton);
    EXPECT_EQ(prompter.shown.back().kind, QStringLiteral("warning"));
    EXPECT_TRUE(lastShown().contains(
        QStringLiteral("cDevConnLPort: 70000 is outside the accepted range 0 to 65535")))
        << lastShown().toStdString();
    EXPECT_EQ(child<QLineEdit>("edit_cDeviceName")->text(), QStringLiteral("PDUName"));
    EXPECT_EQ(child<QLineEdit>("edit_cDevConnLPort")->text(), QStringLiteral("2001"));

    // From a PDU with six more receptacles: asked first; No fills nothing, Yes what this has.
    file["items"]["cDevConnLPort"] = "2001";
    file["model"]["receptacles"] = 24;
    file["items"]["cRecepName19"] = "Far";
    writeFile(nextFile, file);
    prompter.script = {Answer::No};
    QTest::mouseClick(child<QPushButton>("importButton"), Qt::LeftButton);
    ASSERT_EQ(prompter.questions().size(), 1);
    EXPECT_TRUE(prompter.questions()[0].contains(
        QStringLiteral("24 receptacle(s), this one has 3 and 18")));
    EXPECT_EQ(child<QLineEdit>("edit_cDeviceName")->text(), QStringLiteral("PDUName"));
    prompter.script = {Answer::Yes};
    QTest::mouseClick(child<QPushButton>("importButton"), Qt::LeftButton);
    EXPECT_EQ(child<QLineEdit>("edit_cDeviceName")->text(), QStringLiteral("Rack7"));
    EXPECT_TRUE(
        lastShown().endsWith(QStringLiteral("Not imported:\ncRecepName19 (not on this PDU)")))
        << lastShown().toStdString();
}

}  // namespace
}  // namespace quorvel::dialogs
