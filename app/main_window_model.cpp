// The main window's display rules, without any toolkit.
#include "app/main_window_model.h"

#include <algorithm>
#include <cstdio>

#include "app/language_table.h"
#include "catalogue/model_code.h"
#include "catalogue/model_profile_builder.h"

namespace quorvel::app {

namespace {

std::u16string Widen(const char* text) {
    std::u16string out;
    for (; *text != '\0'; ++text) {
        out.push_back(static_cast<unsigned char>(*text));
    }
    return out;
}

std::u16string Bounded(const char16_t* text, std::size_t capacity) {
    std::size_t n = 0;
    while (n < capacity && text[n] != 0) {
        ++n;
    }
    return std::u16string(text, n);
}

void CopyBounded(char16_t (&field)[64], const std::u16string& text) {
    const std::size_t n = std::min(text.size(), std::size(field) - 1);
    std::copy_n(text.begin(), n, field);
    field[n] = 0;
}

std::uint8_t HexDigit(char16_t c) {
    if (c >= u'0' && c <= u'9') {
        return static_cast<std::uint8_t>(c - u'0');
    }
    if (c >= u'A' && c <= u'F') {
        return static_cast<std::uint8_t>(c - u'A' + 10);
    }
    if (c >= u'a' && c <= u'f') {
        return static_cast<std::uint8_t>(c - u'a' + 10);
    }
    return 0;
}

}  // namespace

Rgb LinkStateColour(std::intptr_t state) {
    if (state == 1) {
        return kLinkRed;
    }
    if (state == 2) {
        return kLinkGreen;
    }
    return kLinkIdle;
}

std::u16string ModuleSlotText(std::uint8_t moduleByte) {
    const int kind = moduleByte >> 4;
    const std::u16string name = Widen(ModuleKindName(kind));
    if (kind == kModuleDisplay || kind == kModuleTld) {
        return name + u" (" + Widen(std::to_string(moduleByte & 0x0F).c_str()) + u")";
    }
    return name;
}

std::u16string IdentityText(std::uint16_t feature, std::uint32_t attribute,
                            std::uint16_t extension) {
    char text[32];
    std::snprintf(text, sizeof text, "%4.4X:%8.8X:%4.4X", static_cast<unsigned>(feature),
                  static_cast<unsigned>(attribute), static_cast<unsigned>(extension));
    return Widen(text);
}

std::array<std::uint8_t, 3> FirmwareDigits(const char16_t* text, std::size_t capacity) {
    std::array<std::uint8_t, 3> digits{};
    const std::u16string version = Bounded(text, capacity);
    const std::size_t at[3] = {1, 4, 7};
    for (int i = 0; i < 3; ++i) {
        digits[i] = at[i] < version.size() ? HexDigit(version[at[i]]) : 0;
    }
    return digits;
}

bool IdentityKnown(std::uint16_t feature, std::uint32_t attribute) {
    return feature != 0xFFFF && attribute != 0xFFFFFFFFu;
}

int ModuleSlotCount(bool identityKnown, int generationNumber) {
    if (!identityKnown) {
        return 0;
    }
    return generationNumber < 4 ? 8 : kModuleSlots;
}

MainWindowModel::MainWindowModel(bool developer) : developer_(developer) {
    for (auto& box : view_.environment) {
        box.text = LangText(Txt::Environmental);
    }
    setSessionState(false);
}

void MainWindowModel::setSessionState(bool active) {
    view_.actionsVisible = active;
    if (!active) {
        view_.modulesVisible = false;
        for (auto& box : view_.environment) {
            box.visible = false;
        }
        for (auto& box : view_.moduleSlots) {
            box.visible = false;
        }
        for (ButtonView* b :
             {&view_.monitor, &view_.configure, &view_.web, &view_.model, &view_.calibrate}) {
            b->enabled = false;
        }
    }
    view_.connectVisible = !active;
    view_.disconnectVisible = active;
    view_.monitor.visible = active;
    view_.configure.visible = active;
    view_.web.visible = active;
    view_.model.visible = active && developer_;
    view_.calibrate.visible = active && developer_;
}

void MainWindowModel::refreshIdentity(const SessionRecord& record, PduRecord& pdu,
                                      DeviceAddressBlock& addresses) {
    const bool known = IdentityKnown(record.featureWord, record.attributeWord);
    const int slotCount = ModuleSlotCount(known, record.generationNumber);
    if (known) {
        BuildModelProfile(record.featureWord, record.attributeWord, record.extensionWord, &pdu);
        pdu.featureWord = record.featureWord;
        pdu.attributeWord = record.attributeWord;
        pdu.extensionWord = record.extensionWord;
        pdu.generationNumber = record.generationNumber;
        const auto digits = FirmwareDigits(record.versionText, std::size(record.versionText));
        std::copy(digits.begin(), digits.end(), pdu.firmwareVersion);
    }

    view_.model.visible = developer_;
    view_.calibrate.visible = developer_;
    view_.modulesVisible = true;

    const std::uint16_t env[2] = {kEnvSensor0, kEnvSensor1};
    for (int i = 0; i < 2; ++i) {
        CheckView& box = view_.environment[i];
        box.visible = i == 0 ? slotCount >= 1 : slotCount > 8;
        if (box.visible) {
            box.text = i == 0 ? u"Enviro(0)" : u"Enviro(1)";
            box.checked = (record.environmentFlags & env[i]) != 0;
        }
    }
    for (int i = 0; i < kModuleSlots; ++i) {
        CheckView& box = view_.moduleSlots[i];
        box.visible = i < slotCount;
        if (box.visible) {
            box.text = ModuleSlotText(record.modules[i]);
            box.checked = ModulePresent(record.modules[i]);
        }
    }

    view_.monitor.enabled = known;
    view_.configure.enabled = known;
    view_.web.enabled = known;
    view_.calibrate.enabled = known;
    view_.model.enabled = true;

    char code[51] = {};
    encodeModelCode(ModelCode{record.featureWord, record.attributeWord, record.extensionWord}, code,
                    sizeof code);
    view_.identityLines[kModelCodeLine] = Widen(code);
    view_.identityLines[kBlankLine].clear();
    view_.identityLines[kIdentityLine] =
        IdentityText(record.featureWord, record.attributeWord, record.extensionWord);
    view_.identityLines[kVersionLine] = Bounded(record.versionText, std::size(record.versionText));
    view_.identityLines[kGenerationLine] =
        Bounded(record.generationText, std::size(record.generationText));

    CopyBounded(addresses.ipAddress, u"192.168.100.200");
    CopyBounded(addresses.macAddress, u"01:23:45:67:89:AB");
    CopyBounded(addresses.versionText, u"2.3.4");
}

void MainWindowModel::clearDisplay() {
    for (auto& line : view_.identityLines) {
        line.clear();
    }
    for (auto& box : view_.environment) {
        box.checked = false;
    }
    for (auto& box : view_.moduleSlots) {
        box.checked = false;
    }
}

void MainWindowModel::sessionEnded(std::intptr_t lParam, SessionRecord& record) {
    setSessionState(lParam == 0);
    record.featureWord = 0xFFFF;
    record.versionText[0] = 0;
    record.generationText[0] = 0;
    clearDisplay();
}

void ForgetIdentity(SessionRecord& record) {
    record.featureWord = 0xFFFF;
    record.attributeWord = 0xFFFFFFFFu;
    record.environmentFlags = 0;
    record.versionText[0] = 0;
    record.generationText[0] = 0;
}

}  // namespace quorvel::app
