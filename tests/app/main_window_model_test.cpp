// The main window's display rules without any window: module texts, identity refresh for the
// generations, the session states, link colours, texts and the command line.
#include <gtest/gtest.h>

#include <cstring>

#include "app/about_box.h"
#include "app/command_line.h"
#include "app/language_table.h"
#include "app/main_window_model.h"
#include "app/mru_store.h"
#include "catalogue/attribute_loader.h"

namespace quorvel::app {
namespace {

void SetText(char16_t* field, std::size_t n, const std::u16string& text) {
    std::memset(field, 0, n * sizeof(char16_t));
    std::copy(text.begin(), text.end(), field);
}

class IdentityRefresh : public ::testing::Test {
  protected:
    void SetUp() override {
        LoadPDUAttributes();
        record.featureWord = 0x47E0;
        record.attributeWord = 0x1BACB3BA;
        record.extensionWord = 0;
        SetText(record.versionText, 64, u"03.01.0B");
        SetText(record.generationText, 10, u"V3");
        record.generationNumber = 3;
        record.environmentFlags = kEnvSensor0 | kEnvSensor1;
        const std::uint8_t modules[16] = {0x12, 0x20, 0x22, 0x00, 0x30, 0, 0, 0,
                                          0x11, 0,    0,    0,    0,    0, 0, 0x21};
        std::memcpy(record.modules, modules, sizeof modules);
    }
    SessionRecord record;
    PduRecord pdu{};
    DeviceAddressBlock addresses{};
};

TEST(ModuleSlots, TextsAndPresence) {
    EXPECT_EQ(ModuleSlotText(0x12), u"Display (2)");
    EXPECT_EQ(ModuleSlotText(0x2F), u"TLD (15)");
    EXPECT_EQ(ModuleSlotText(0x30), u"Ethernet");
    EXPECT_EQ(ModuleSlotText(0x35), u"Ethernet");  // no instance shown for the network module
    EXPECT_EQ(ModuleSlotText(0x00), u"NONE");
    EXPECT_TRUE(ModulePresent(0x12));
    EXPECT_TRUE(ModulePresent(0x30));
    EXPECT_FALSE(ModulePresent(0x0F));
    EXPECT_EQ(ModuleSlotCount(false, 4), 0);
    EXPECT_EQ(ModuleSlotCount(true, 0), 8);
    EXPECT_EQ(ModuleSlotCount(true, 3), 8);
    EXPECT_EQ(ModuleSlotCount(true, 4), 16);
}

TEST(IdentityTexts, FormatsAndFirmwareDigits) {
    EXPECT_EQ(IdentityText(0x47E0, 0x1BACB3BA, 0), u"47E0:1BACB3BA:0000");
    EXPECT_EQ(IdentityText(0xFFFF, 0xFFFFFFFF, 0x12), u"FFFF:FFFFFFFF:0012");
    char16_t v[64] = u"03.1a.0F";
    EXPECT_EQ(FirmwareDigits(v, 64), (std::array<std::uint8_t, 3>{3, 10, 15}));
    char16_t odd[64] = u"0x.0";  // too short and not hexadecimal: zeros, never past the text
    EXPECT_EQ(FirmwareDigits(odd, 64), (std::array<std::uint8_t, 3>{0, 0, 0}));
    char16_t full[4] = {u'1', u'2', u'3', u'4'};  // no terminator inside the field
    EXPECT_EQ(FirmwareDigits(full, 4), (std::array<std::uint8_t, 3>{2, 0, 0}));
    EXPECT_FALSE(IdentityKnown(0xFFFF, 0x1));
    EXPECT_FALSE(IdentityKnown(0x1, 0xFFFFFFFF));
    EXPECT_TRUE(IdentityKnown(0, 0));
}

TEST(LinkColours, FollowTheState) {
    EXPECT_EQ(LinkStateColour(1), (Rgb{255, 0, 0}));
    EXPECT_EQ(LinkStateColour(2), (Rgb{0, 255, 0}));
    EXPECT_EQ(LinkStateColour(0), (Rgb{0x40, 0x32, 0x32}));
    EXPECT_EQ(LinkStateColour(7), (Rgb{0x40, 0x32, 0x32}));
    EXPECT_EQ(MainWindowModel(false).view().link, kLinkRed);
}

TEST_F(IdentityRefresh, GenerationThreeShowsEightSlotsAndOneSensor) {
    MainWindowModel model(false);
    model.setSessionState(true);
    model.refreshIdentity(record, pdu, addresses);
    const WindowView& v = model.view();
    EXPECT_TRUE(v.modulesVisible);
    EXPECT_TRUE(v.environment[0].visible);
    EXPECT_EQ(v.environment[0].text, u"Enviro(0)");
    EXPECT_TRUE(v.environment[0].checked);
    EXPECT_FALSE(v.environment[1].visible);
    for (int i = 0; i < 16; ++i) {
        EXPECT_EQ(v.moduleSlots[i].visible, i < 8) << i;
    }
    EXPECT_EQ(v.moduleSlots[0].text, u"Display (2)");
    EXPECT_TRUE(v.moduleSlots[0].checked);
    EXPECT_EQ(v.moduleSlots[3].text, u"NONE");
    EXPECT_FALSE(v.moduleSlots[3].checked);
    EXPECT_EQ(v.moduleSlots[4].text, u"Ethernet");
    EXPECT_TRUE(v.moduleSlots[4].checked);
    EXPECT_EQ(v.identityLines[kModelCodeLine], u"STV433303D1DL-4");
    EXPECT_EQ(v.identityLines[kIdentityLine], u"47E0:1BACB3BA:0000");
    EXPECT_EQ(v.identityLines[kVersionLine], u"03.01.0B");
    EXPECT_EQ(v.identityLines[kGenerationLine], u"V3");
    EXPECT_TRUE(v.identityLines[kBlankLine].empty());
    EXPECT_TRUE(v.monitor.enabled && v.configure.enabled && v.web.enabled);
    EXPECT_FALSE(v.model.visible || v.calibrate.visible);  // no developer flag

    EXPECT_EQ(pdu.featureWord, 0x47E0);
    EXPECT_EQ(pdu.generationNumber, 3);
    EXPECT_EQ(pdu.firmwareVersion[0], 3);
    EXPECT_EQ(pdu.firmwareVersion[1], 1);
    EXPECT_EQ(pdu.firmwareVersion[2], 11);
    EXPECT_GT(pdu.receptacleTotal, 0);  // the model profile was built
    EXPECT_EQ(std::u16string(addresses.ipAddress), u"192.168.100.200");
    EXPECT_EQ(std::u16string(addresses.macAddress), u"01:23:45:67:89:AB");
    EXPECT_EQ(std::u16string(addresses.versionText), u"2.3.4");
}

TEST_F(IdentityRefresh, GenerationFourShowsSixteenSlotsAndBothSensors) {
    record.generationNumber = 4;
    record.environmentFlags = kEnvSensor1;
    MainWindowModel model(true);
    model.setSessionState(true);
    model.refreshIdentity(record, pdu, addresses);
    const WindowView& v = model.view();
    EXPECT_TRUE(v.environment[0].visible && v.environment[1].visible);
    EXPECT_FALSE(v.environment[0].checked);
    EXPECT_TRUE(v.environment[1].checked);
    EXPECT_EQ(v.environment[1].text, u"Enviro(1)");
    for (const auto& slot : v.moduleSlots) {
        EXPECT_TRUE(slot.visible);
    }
    EXPECT_EQ(v.moduleSlots[8].text, u"Display (1)");
    EXPECT_EQ(v.moduleSlots[15].text, u"TLD (1)");
    EXPECT_TRUE(v.model.visible && v.calibrate.visible && v.calibrate.enabled);

    // A later generation-3 refresh does not leave the upper slots or the second sensor behind.
    record.generationNumber = 3;
    model.refreshIdentity(record, pdu, addresses);
    EXPECT_FALSE(model.view().environment[1].visible);
    EXPECT_FALSE(model.view().moduleSlots[8].visible);
}

TEST_F(IdentityRefresh, UnknownIdentityShowsNoSlotsAndDisablesLaunchers) {
    const PduRecord before = pdu;
    ForgetIdentity(record);
    EXPECT_EQ(record.environmentFlags, 0);
    EXPECT_EQ(record.versionText[0], 0);
    MainWindowModel model(true);
    model.setSessionState(true);
    model.refreshIdentity(record, pdu, addresses);
    const WindowView& v = model.view();
    EXPECT_TRUE(v.modulesVisible);
    EXPECT_FALSE(v.environment[0].visible);
    EXPECT_FALSE(v.moduleSlots[0].visible);
    EXPECT_FALSE(v.monitor.enabled || v.configure.enabled || v.web.enabled || v.calibrate.enabled);
    EXPECT_TRUE(v.model.enabled);
    EXPECT_EQ(v.identityLines[kModelCodeLine], u"");
    EXPECT_EQ(v.identityLines[kIdentityLine], u"FFFF:FFFFFFFF:0000");
    EXPECT_EQ(std::memcmp(&before, &pdu, sizeof pdu), 0);  // the PduRecord is left alone
}

TEST_F(IdentityRefresh, SessionEndClearsDisplayAndRecord) {
    MainWindowModel model(true);
    model.setSessionState(true);
    model.refreshIdentity(record, pdu, addresses);
    model.sessionEnded(1, record);
    const WindowView& v = model.view();
    EXPECT_TRUE(v.connectVisible);
    EXPECT_FALSE(v.disconnectVisible || v.actionsVisible || v.modulesVisible);
    EXPECT_FALSE(v.monitor.enabled || v.monitor.visible || v.model.visible);
    EXPECT_FALSE(v.moduleSlots[0].checked || v.environment[0].checked);
    for (const auto& line : v.identityLines) {
        EXPECT_TRUE(line.empty());
    }
    EXPECT_EQ(record.featureWord, 0xFFFF);
    EXPECT_EQ(record.versionText[0], 0);
    EXPECT_EQ(record.generationText[0], 0);
}

TEST(SessionState, VisibilityFollowsStateAndDeveloperFlag) {
    for (bool developer : {false, true}) {
        MainWindowModel model(developer);
        const WindowView& v = model.view();
        EXPECT_TRUE(v.connectVisible);
        EXPECT_FALSE(v.actionsVisible || v.monitor.visible || v.model.visible);
        model.setSessionState(true);
        EXPECT_FALSE(v.connectVisible);
        EXPECT_TRUE(v.disconnectVisible && v.actionsVisible);
        EXPECT_TRUE(v.monitor.visible && v.configure.visible && v.web.visible);
        EXPECT_EQ(v.model.visible, developer);
        EXPECT_EQ(v.calibrate.visible, developer);
        EXPECT_FALSE(v.monitor.enabled);  // enabled only by the identity refresh
    }
}

TEST(Texts, LanguageTableAboutLineAndStoreNames) {
    EXPECT_EQ(LangText(Txt::ModulesGroup, 0), u"Modules Present");
    EXPECT_EQ(LangText(Txt::ModulesGroup, 1), u"Modulos Presente");
    EXPECT_EQ(LangText(Txt::VersionLabel, 1), u"Version del Quorvel");
    EXPECT_EQ(LangText(Txt::Connect, 5), u"Connect");  // out of range reads English
    SetLanguageIndex(1);
    EXPECT_EQ(LangText(Txt::Disconnect), u"Desconectar");
    SetLanguageIndex(0);
    EXPECT_EQ(LangText(Txt::Disconnect), u"Disconnect");

    EXPECT_EQ(AboutVersionLine({1, 1, 8}), u"Quorvel Version: 3.3.0        Halvex Version: 1.1.8");
    EXPECT_EQ(HalvexVersion(), (std::array<std::uint8_t, 3>{1, 1, 8}));

    EXPECT_EQ(MruValueName(1, 0), "comport00");
    EXPECT_EQ(MruValueName(2, 0x1F), "modelcombo1F");
    EXPECT_TRUE(MruValueName(3, 0).isEmpty());
}

TEST(CommandLineSwitches, FoundAsSubstringsButNotInsideOptionValues) {
    EXPECT_TRUE(ParseCommandLine({"-d"}).developer);
    EXPECT_TRUE(ParseCommandLine({"/x-d-m"}).developer);
    EXPECT_TRUE(ParseCommandLine({"/x-d-m"}).multiInstance);
    EXPECT_FALSE(ParseCommandLine({"-dx"}).multiInstance);
    const CommandLine none = ParseCommandLine({});
    EXPECT_FALSE(none.developer || none.multiInstance || none.simulate.has_value());

    const CommandLine sim = ParseCommandLine({"--simulate=v2-dummy", "--screenshot", "/t/a-m.png"});
    EXPECT_EQ(sim.simulate, "v2-dummy");
    EXPECT_EQ(sim.screenshot, "/t/a-m.png");
    EXPECT_FALSE(sim.developer || sim.multiInstance);
    EXPECT_EQ(ParseCommandLine({"--simulate"}).simulate, "v2");
    EXPECT_EQ(ParseCommandLine({"--simulate="}).simulate, "v2");
    EXPECT_FALSE(ParseCommandLine({"--screenshot"}).error.empty());
}

TEST(CommandLineSwitches, ScreenshotDialogOptionsTakeTheirValuesInBothForms) {
    const CommandLine cl =
        ParseCommandLine({"--screenshot-dialog", "model", "--screenshot-click=x-d",
                          "--screenshot-settle", "250", "-m"});
    EXPECT_EQ(cl.screenshotDialog, "model");
    EXPECT_EQ(cl.screenshotClick, "x-d");
    EXPECT_EQ(cl.screenshotSettleMs, 250);
    EXPECT_TRUE(cl.multiInstance);
    EXPECT_FALSE(cl.developer);  // "-d" inside a value is not the switch
    EXPECT_TRUE(cl.error.empty());
    EXPECT_EQ(ParseCommandLine({}).screenshotSettleMs, 3000);
    EXPECT_FALSE(ParseCommandLine({"--screenshot-settle=soon"}).error.empty());
    EXPECT_FALSE(ParseCommandLine({"--screenshot-settle=-5"}).error.empty());
    EXPECT_FALSE(ParseCommandLine({"--screenshot-click"}).error.empty());
    const CommandLine input =
        ParseCommandLine({"--screenshot-type=modelList=SQV-1", "--screenshot-press", "loadButton"});
    EXPECT_EQ(input.screenshotType, "modelList=SQV-1");  // only the first "=" ends the option
    EXPECT_EQ(input.screenshotPress, "loadButton");
}

}  // namespace
}  // namespace quorvel::app
