// The configuration dialog over a scripted operations table: the buttons of each mode, what a
// load shows (temperatures in both units, erased names, masked passwords, the option boxes),
// what a save writes (only the edited elements, never a masked password, nothing the second
// time), Set Defaults, Clear, Format, Reset Net and closing.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>
#include <cstring>
#include <mutex>
#include <string>
#include <vector>

#include "common/config_catalogue.h"
#include "config_dialog_support.h"
#include "dialogs/config_dlg.h"
#include "dialogs/prompter.h"
#include "support/scripted_prompter.h"

namespace quorvel::dialogs {
namespace {

constexpr int kBoundMs = 10000;

// The PDU behind the scripted operations: its own image at the catalogue's offsets.
struct FakePdu {
    std::mutex mutex;
    std::uint8_t image[kConfigImageSize] = {};
    int generation = 2;
    std::vector<std::string> writes;  // key names, in order
    std::vector<int> commands;
};
FakePdu* gPdu = nullptr;

const ConfigItemDescriptor& Item(ConfigWorkerBlock* b, std::int32_t t, std::int32_t i) {
    return b->itemTables[t][i];
}

std::int32_t FakeOpen(ConfigWorkerBlock* b) {
    std::lock_guard lock(gPdu->mutex);
    b->record->generationNumber = static_cast<std::uint8_t>(gPdu->generation);
    LowerConfigCounts(b->itemTables[kCircuitItems], gPdu->generation, 0);
    return 5;
}
void FakeCommand(std::int32_t, std::int32_t code, ConfigWorkerBlock*) {
    std::lock_guard lock(gPdu->mutex);
    gPdu->commands.push_back(code);
}
void FakeRead(std::int32_t, std::int32_t t, std::int32_t i, ConfigWorkerBlock* b) {
    std::lock_guard lock(gPdu->mutex);
    const ConfigItemDescriptor& d = Item(b, t, i);
    const int n = t == kReceptacleNameItems || b->ops->mode == 3 ? 1 : d.count;
    std::memcpy(b->deviceImage + d.offset, gPdu->image + d.offset, d.size * n);
    if (d.code == kItemRecepControl) {
        std::memcpy(b->deviceImage + kPowerOnMaskOffset, gPdu->image + kPowerOnMaskOffset, 6);
    }
}
void FakeWrite(std::int32_t, std::int32_t t, std::int32_t i, ConfigWorkerBlock* b) {
    std::lock_guard lock(gPdu->mutex);
    const ConfigItemDescriptor& d = Item(b, t, i);
    ConfigCopyWritten(d, b->editImage, gPdu->image);
    ConfigCopyWritten(d, b->editImage, b->deviceImage);
    gPdu->writes.push_back(d.keyName);
}
void FakeClose(std::int32_t, ConfigWorkerBlock*) {}

// Answers questions from a script, No when it is empty.
class ScriptedPrompter : public test_support::ScriptedPrompter {
  public:
    ScriptedPrompter() : test_support::ScriptedPrompter(Answer::No) {}
};

void SetText(ProfileText& to, const char16_t* text) {
    std::u16string(text).copy(to, kProfileTextChars - 1);
}

void PutText(std::uint8_t* image, int offset, const char16_t* text) {
    for (int i = 0; text[i] != 0; ++i) {
        image[offset + 2 * i] = static_cast<std::uint8_t>(text[i]);
    }
}

class ConfigDialogFake : public testing::ConfigDialogTest<> {
  protected:
    void SetUp() override {
        gPdu = &pdu;
        SetDialogPrompter(&prompter);
        ops.mode = 0;
        ops.Open = FakeOpen;
        ops.Command = FakeCommand;
        ops.ReadItem = FakeRead;
        ops.WriteItem = FakeWrite;
        ops.Close = FakeClose;
        // Two circuits of four receptacles, one above the other.
        record = testing::ShapedRecord({{4, 1, 1, 1, 4}, {4, 1, 2, 1, 4}});
        std::uint8_t* im = pdu.image;
        im[0] = 60;                                    // cLogInterval
        im[18] = 10, im[21] = 7;                       // cDeviceIP 10.0.0.7
        im[22] = 0x00, im[23] = 0x1A;                  // cMACAddr
        im[48] = 0x10;                                 // WEB; SWU's bit clear: SWU checked
        im[3514] = 3200 & 0xFF, im[3515] = 3200 >> 8;  // min temperature 32 F; max not set
        PutText(im, 186, u"Rack");
        PutText(im, 314, u"secret");
        PutText(im, 442, u"Alpha");
        std::memset(im + 506, 0xFF, 64);  // receptacle 2's name never written
        im[146] = 1600 & 0xFF, im[147] = 1600 >> 8;
        im[kPowerOnMaskOffset] = 0x05;  // receptacles 1 and 3 power on
        for (int g = 0; g < 6; ++g) {
            im[3536 + g] = static_cast<std::uint8_t>(g == 0 ? 0x05 : 0);
        }
    }
    void TearDown() override {
        ConfigDialogTest::TearDown();
        SetDialogPrompter(nullptr);
        gPdu = nullptr;
    }
    void load() { press("loadButton", kBoundMs); }
    void save() { press("saveButton", kBoundMs); }
    std::vector<std::string> writes() {
        std::lock_guard lock(pdu.mutex);
        return pdu.writes;
    }
    std::uint16_t pduNumber(int offset) {
        std::lock_guard lock(pdu.mutex);
        return static_cast<std::uint16_t>(pdu.image[offset] | pdu.image[offset + 1] << 8);
    }

    FakePdu pdu;
    ScriptedPrompter prompter;
};

TEST_F(ConfigDialogFake, ButtonsOfEachMode) {
    CConfigDlg& dlg = open();
    EXPECT_EQ(dlg.windowTitle(), QStringLiteral("PDU Configuration"));
    EXPECT_TRUE(child<QPushButton>("formatButton")->isVisible());
    EXPECT_TRUE(child<QPushButton>("resetNetButton")->isVisible());
    EXPECT_FALSE(child<QPushButton>("saveButton")->isEnabled());
    EXPECT_FALSE(child<QLineEdit>("edit_cMACAddr")->isEnabled());
    EXPECT_FALSE(child<QLineEdit>("edit_cKovaName")->isEnabled());
    EXPECT_EQ(child<QLabel>("label_cMinTempLimit")->text(), QStringLiteral("Min Temperature (F):"));
    EXPECT_EQ(dlg.size(), QSize(dlg.plannedLayout().width, dlg.plannedLayout().height));
    EXPECT_TRUE(child<QLineEdit>("edit_cRecepName8")->isVisible());
    EXPECT_FALSE(child<QLineEdit>("edit_cRecepName9")->isVisible());
    EXPECT_FALSE(child<QLineEdit>("edit_cCirc1MinVoltage")->isVisible());  // no voltage inputs

    dialog.reset();
    ops.mode = 1;
    CConfigDlg& other = open();
    EXPECT_FALSE(child<QPushButton>("formatButton")->isVisible());
    EXPECT_FALSE(child<QPushButton>("setDefaultsButton")->isVisible());
    EXPECT_FALSE(child<QPushButton>("resetNetButton")->isVisible());
    EXPECT_EQ(child<QProgressBar>("progressBar")->y(), other.height() - 120);
    EXPECT_TRUE(child<QPushButton>("okButton")->isVisible());
}

TEST_F(ConfigDialogFake, LoadShowsWhatThePduHolds) {
    open();
    load();
    EXPECT_TRUE(child<QPushButton>("saveButton")->isEnabled());
    EXPECT_EQ(child<QProgressBar>("progressBar")->value(), 100);
    EXPECT_EQ(text("edit_cLogInterval"), QStringLiteral("60"));
    EXPECT_EQ(text("edit_cDeviceIP"), QStringLiteral("10.0.0.7"));
    EXPECT_EQ(text("edit_cDeviceName"), QStringLiteral("Rack"));
    EXPECT_EQ(text("edit_cDevsPassword"), QStringLiteral("**********"));
    EXPECT_EQ(text("edit_cRecepName1"), QStringLiteral("Alpha"));
    EXPECT_EQ(text("edit_cRecepName2"), QString());  // erased memory shows empty
    EXPECT_EQ(text("edit_cCircAMaxCurrent"), QStringLiteral("16.0"));
    EXPECT_TRUE(child<QCheckBox>("check_powerOn1")->isChecked());
    EXPECT_FALSE(child<QCheckBox>("check_powerOn2")->isChecked());
    EXPECT_TRUE(child<QCheckBox>("check_powerOn3")->isChecked());
    EXPECT_TRUE(child<QCheckBox>("check_SWU")->isChecked());
    EXPECT_TRUE(child<QCheckBox>("check_WEB")->isChecked());
    EXPECT_FALSE(child<QCheckBox>("check_AutoIP")->isChecked());
    EXPECT_TRUE(child<QLineEdit>("edit_cDeviceIP")->isEnabled());

    // 3200 is 32.0 F and 0.0 C; an unset limit is empty in both units.
    EXPECT_EQ(text("edit_cMinTempLimit"), QStringLiteral("32.0"));
    EXPECT_EQ(text("edit_cMaxTempLimit"), QString());
    click("check_C");
    EXPECT_EQ(text("edit_cMinTempLimit"), QStringLiteral("0.0"));
    EXPECT_EQ(text("edit_cMaxTempLimit"), QString());
    EXPECT_EQ(child<QLabel>("label_cMaxTempLimit")->text(), QStringLiteral("Max Temperature (C):"));
    click("check_AutoIP");
    EXPECT_FALSE(child<QLineEdit>("edit_cDeviceIP")->isEnabled());
    EXPECT_FALSE(child<QLineEdit>("edit_cGateway")->isEnabled());
}

TEST_F(ConfigDialogFake, SaveWritesTheEditsOnceAndNeverAMaskedPassword) {
    open();
    load();
    click("check_C");
    QLineEdit* minTemp = child<QLineEdit>("edit_cMinTempLimit");
    minTemp->selectAll();
    QTest::keyClicks(minTemp, QStringLiteral("-5"));
    child<QLineEdit>("edit_cDevsPassword")->setText(QStringLiteral("changed"));
    child<QCheckBox>("check_SWU")->setChecked(false);
    child<QLineEdit>("edit_cAlarmInterval")->setText(QStringLiteral("45abc"));
    save();
    EXPECT_EQ(text("edit_cAlarmInterval"), QStringLiteral("45"));  // shown as saved
    EXPECT_EQ(pduNumber(3514), 2300);
    EXPECT_EQ(pduNumber(48), 0x10 | 0x40 | 0x20);  // C checked, SWU unchecked sets its bit
    EXPECT_EQ(writes(),
              (std::vector<std::string>{"cAlarmInterval", "cNetOptions", "cMinTempLimit"}));
    EXPECT_EQ(text("edit_cMinTempLimit"), QStringLiteral("-5.0"));
    {
        std::lock_guard lock(pdu.mutex);
        EXPECT_EQ(pdu.image[314], 's');
        EXPECT_EQ(pdu.image[506], 0xFF);  // the erased name stays as it was
    }
    // Nothing changed since: the second save writes nothing.
    save();
    EXPECT_EQ(writes().size(), 3u);
}

TEST_F(ConfigDialogFake, SetDefaultsAndClearAskFirst) {
    open();
    load();
    prompter.script = {Answer::No};
    click("setDefaultsButton");
    EXPECT_EQ(text("edit_cLogInterval"), QStringLiteral("60"));
    prompter.script = {Answer::Yes};
    click("setDefaultsButton");
    ASSERT_EQ(prompter.questions().size(), 2);
    EXPECT_EQ(prompter.questions(QStringLiteral(": "))[1],
              QStringLiteral("Set Defaults: Do you really want to Set Default Values?"));
    EXPECT_EQ(text("edit_cLogInterval"), QStringLiteral("0"));
    EXPECT_EQ(text("edit_cDevConnLPort"), QStringLiteral("2001"));
    EXPECT_EQ(text("edit_cDeviceName"), QStringLiteral("PduName00"));
    EXPECT_EQ(text("edit_cDevsPassword"), QStringLiteral("**********"));
    EXPECT_EQ(text("edit_cMACAddr"), QStringLiteral("00:1A:00:00:00:00"));
    EXPECT_EQ(text("edit_cCircAMaxCurrent"), QStringLiteral("16.0"));
    EXPECT_EQ(text("edit_cCircBLockCurrent"), QStringLiteral("15.5"));
    EXPECT_EQ(text("edit_cRecepName6"), QStringLiteral("SocketName6"));
    EXPECT_EQ(text("edit_cRecepOnDelay6"), QStringLiteral("1"));
    EXPECT_EQ(text("edit_cRecepResDelay6"), QStringLiteral("5"));
    EXPECT_TRUE(child<QCheckBox>("check_powerOn2")->isChecked());
    EXPECT_TRUE(child<QCheckBox>("check_AutoIP")->isChecked());
    EXPECT_FALSE(child<QCheckBox>("check_SWU")->isChecked());
    EXPECT_FALSE(child<QLineEdit>("edit_cSubnetMask")->isEnabled());
    save();
    EXPECT_EQ(pduNumber(6), 2001);
    EXPECT_EQ(pduNumber(3514), 0);  // "0" degrees F: not set
    {
        std::lock_guard lock(pdu.mutex);
        EXPECT_EQ(pdu.image[kPowerOnMaskOffset], 0xFF);
        EXPECT_EQ(pdu.image[23], 0x1A);  // the MAC address is never written
    }

    prompter.script = {Answer::Yes};
    click("clearButton");
    EXPECT_EQ(prompter.questions(QStringLiteral(": ")).back(),
              QStringLiteral("Clear Values: Do you really want to Clear All Values?"));
    EXPECT_EQ(text("edit_cLogInterval"), QString());
    EXPECT_EQ(text("edit_cRecepName1"), QString());
    EXPECT_EQ(text("edit_cCircAMaxCurrent"), QString());
    EXPECT_FALSE(child<QCheckBox>("check_powerOn1")->isChecked());
    EXPECT_FALSE(child<QCheckBox>("check_AutoIP")->isChecked());
    EXPECT_TRUE(child<QLineEdit>("edit_cSubnetMask")->isEnabled());
    save();
    EXPECT_EQ(pduNumber(146), 0);
    EXPECT_EQ(pduNumber(6), 0);
}

TEST_F(ConfigDialogFake, NumbersOutsideTheirRangeAreRefusedByNameAndNotWritten) {
    SetText(record.circuitWord, u"Circuit ");
    SetText(record.circuitShortLabel[0], u"A");
    SetText(record.receptacleWord[0], u"Socket ");
    SetText(record.receptacleLabel[0], u"1");
    pdu.image[2] = 30;  // cAlarmInterval
    open();
    load();
    const struct {
        const char* edit;
        const char* typed;
        int offset;
        const char* refusal;  // null: taken
    } cases[] = {
        {"edit_cDevConnLPort", "70000", 6,
         "PDU Connection Port: 70000 is outside the accepted range 0 to 65535"},
        {"edit_cRecepOnDelay1", "300", 50,
         "Socket 1 ON Delay: 300 is outside the accepted range 0 to 255"},
        {"edit_cCircAMaxCurrent", "-1", 146,
         "Circuit A Maximum Current: -1 is outside the accepted range 0.00 to 655.35"},
        {"edit_cMinTempLimit", "1000", 3514,
         "Min Temperature (F): 1000 is outside the accepted range 0.00 to 655.35"},
        {"edit_cAlarmInterval", "soon", 2, nullptr},  // not a number: enters as 0
        {"edit_cLogDiff", "655.35", 4, nullptr},      // the top of its range
    };
    std::vector<std::uint16_t> before;
    for (const auto& c : cases) {
        before.push_back(pduNumber(c.offset));
        QLineEdit* edit = child<QLineEdit>(c.edit);
        edit->selectAll();
        QTest::keyClicks(edit, QString::fromLatin1(c.typed));
    }
    save();
    ASSERT_EQ(prompter.shown.size(), 1u);
    EXPECT_EQ(prompter.shown[0].kind, QStringLiteral("warning"));
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        const auto& c = cases[i];
        if (c.refusal != nullptr) {
            EXPECT_TRUE(prompter.shown[0].text.contains(QString::fromLatin1(c.refusal)))
                << prompter.shown[0].text.toStdString();
            EXPECT_EQ(pduNumber(c.offset), before[i]) << c.edit;
        }
    }
    EXPECT_EQ(writes(), (std::vector<std::string>{"cAlarmInterval", "cLogDiff"}));
    EXPECT_EQ(pduNumber(2), 0);
    EXPECT_EQ(pduNumber(4), 65535);
    EXPECT_EQ(text("edit_cMinTempLimit"), QStringLiteral("32.0"));  // back to what the PDU holds
}

TEST_F(ConfigDialogFake, NothingIsWrittenThatTheOperatorDidNotGive) {
    PutText(pdu.image, 186, u"Rack name of thirty-two letters!");  // one more than the edit takes
    pdu.image[152] = 1234 & 0xFF, pdu.image[153] = 1234 >> 8;      // cCircDMaxCurrent 12.34 A
    record.currentRating = 223;                                    // "20/20/30 A"
    open();
    load();
    save();
    EXPECT_TRUE(writes().empty());  // the long name is not written back cut short

    prompter.script = {Answer::Yes};
    click("setDefaultsButton");
    EXPECT_EQ(text("edit_cCircAMaxCurrent"), QStringLiteral("20.0"));
    EXPECT_EQ(text("edit_cCircBLockCurrent"), QStringLiteral("19.5"));
    EXPECT_EQ(text("edit_cCircCMaxCurrent"), QStringLiteral("30.0"));
    EXPECT_EQ(text("edit_cCircDMaxCurrent"), QStringLiteral("12.3"));  // no rating of its own

    // A code without a rating leaves every current limit as it was.
    dialog.reset();
    record.currentRating = 0;
    open();
    load();
    prompter.script = {Answer::Yes};
    click("setDefaultsButton");
    EXPECT_EQ(text("edit_cCircAMaxCurrent"), QStringLiteral("16.0"));
    EXPECT_EQ(text("edit_cCircALockCurrent"), QStringLiteral("0.0"));

    // After Format the dialog no longer knows what the PDU holds: no Save until a Load.
    prompter.script = {Answer::Yes, Answer::Yes, Answer::Yes};
    click("formatButton");
    EXPECT_FALSE(child<QPushButton>("saveButton")->isEnabled());
    click("setDefaultsButton");
    click("clearButton");
    EXPECT_FALSE(child<QPushButton>("saveButton")->isEnabled());
    load();
    EXPECT_TRUE(child<QPushButton>("saveButton")->isEnabled());
}

TEST_F(ConfigDialogFake, FormatAndResetNetAskFirstAndClosingEndsTheWorker) {
    pdu.generation = 3;
    CConfigDlg& dlg = open();
    const auto commandsGiven = [this](std::size_t n) {
        return QTest::qWaitFor(
            [this, n] {
                std::lock_guard lock(pdu.mutex);
                return pdu.commands.size() == n;
            },
            kBoundMs);
    };
    prompter.script = {Answer::No, Answer::Yes, Answer::Yes};
    click("formatButton");
    click("formatButton");
    // A command replaces one the worker has not taken yet: one at a time.
    ASSERT_TRUE(commandsGiven(1));
    click("resetNetButton");
    ASSERT_TRUE(commandsGiven(2));
    EXPECT_EQ(prompter.questions(QStringLiteral(": "))[0],
              QStringLiteral("Format: Do you really want to FORMAT?"));
    EXPECT_EQ(prompter.questions(QStringLiteral(": "))[2],
              QStringLiteral("Reset Network: Do you really want to Reset Network "
                             "Configuration?"));
    {
        std::lock_guard lock(pdu.mutex);
        EXPECT_EQ(pdu.commands, (std::vector<int>{2, 3}));
    }
    EXPECT_TRUE(dlg.workerRunning());
    click("okButton");
    EXPECT_TRUE(QTest::qWaitFor([&] { return !dlg.workerRunning(); }, 5000));
    EXPECT_EQ(dlg.result(), QDialog::Accepted);
    EXPECT_EQ(record.generationNumber, 3);  // what Open learnt comes back with the record

    // A second run starts a worker of its own, and closing any other way ends it too.
    dialog.reset();
    CConfigDlg& second = open();
    EXPECT_TRUE(second.workerRunning());
    load();
    EXPECT_EQ(text("edit_cLogInterval"), QStringLiteral("60"));
    second.reject();
    EXPECT_TRUE(QTest::qWaitFor([&] { return !second.workerRunning(); }, 5000));
}

}  // namespace
}  // namespace quorvel::dialogs
