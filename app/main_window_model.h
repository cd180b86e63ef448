// What the main window shows, as plain data, and how it changes: the session state, the
// identity refresh after the worker has read the PDU, the end of a session and the link colour.
// The Qt window only copies this view onto its controls.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "common/model_profile.h"
#include "common/state_ops.h"
#include "link/module_line.h"
#include "link/session_worker.h"

namespace quorvel::app {

struct Rgb {
    std::uint8_t r = 0, g = 0, b = 0;
    bool operator==(const Rgb&) const = default;
};
constexpr Rgb kLinkRed{255, 0, 0};
constexpr Rgb kLinkGreen{0, 255, 0};
constexpr Rgb kLinkIdle{0x40, 0x32, 0x32};

// Indicator colour of a UM_LINK_STATE value: 1 red, 2 green, anything else dark grey.
Rgb LinkStateColour(std::intptr_t state);

// Text of a module slot's check box: "Display (2)", "TLD (0)", "Ethernet", "NONE".
std::u16string ModuleSlotText(std::uint8_t moduleByte);
// A module byte above 15 means a module is fitted.
inline bool ModulePresent(std::uint8_t moduleByte) {
    return moduleByte > 15;
}
// "%4.4X:%8.8X:%4.4X" of the three model code words.
std::u16string IdentityText(std::uint16_t feature, std::uint32_t attribute,
                            std::uint16_t extension);
// The firmware digits of a version text shaped "dd.dd.dd": characters 1, 4 and 7 as hexadecimal
// digits; a missing or non-hexadecimal character gives 0.
std::array<std::uint8_t, 3> FirmwareDigits(const char16_t* text, std::size_t capacity);
// Both model code words have been read.
bool IdentityKnown(std::uint16_t feature, std::uint32_t attribute);
// Module slots shown for an identity: 0 when unknown, 8 below generation 4, else 16.
int ModuleSlotCount(bool identityKnown, int generationNumber);

struct ButtonView {
    bool visible = false;
    bool enabled = false;
};

struct CheckView {
    bool visible = false;
    bool checked = false;
    std::u16string text;
};

enum IdentityLine { kModelCodeLine, kBlankLine, kIdentityLine, kVersionLine, kGenerationLine };

struct WindowView {
    bool connectVisible = true;
    bool disconnectVisible = false;
    bool actionsVisible = false;
    ButtonView monitor, configure, web, model, calibrate;
    bool modulesVisible = false;
    std::array<CheckView, 2> environment;
    std::array<CheckView, kModuleSlots> moduleSlots;
    std::array<std::u16string, 5> identityLines;
    std::u16string status;
    Rgb link = kLinkRed;
};

class MainWindowModel {
  public:
    explicit MainWindowModel(bool developer);

    const WindowView& view() const { return view_; }
    bool developer() const { return developer_; }

    // Session state: the Actions group, Connect/Disconnect and the launchers.
    void setSessionState(bool active);
    // Identity refresh: shows the identity, version and modules of the record; fills the
    // PduRecord and the address block when the identity is known.
    void refreshIdentity(const SessionRecord& record, PduRecord& pdu,
                         DeviceAddressBlock& addresses);
    // UM_SESSION_ENDED: back to the disconnected state (active when lParam is 0) with an empty
    // display; marks the record's identity as not read and empties its texts.
    void sessionEnded(std::intptr_t lParam, SessionRecord& record);
    void setLinkState(std::intptr_t state) { view_.link = LinkStateColour(state); }
    void setStatus(std::u16string text) { view_.status = std::move(text); }

  private:
    void clearDisplay();

    bool developer_;
    WindowView view_;
};

// Marks the record's identity as not read and empties its version, generation and environment.
void ForgetIdentity(SessionRecord& record);

}  // namespace quorvel::app
