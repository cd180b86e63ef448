// What the state dialog shows, as plain data: every value text, tick and enable of its controls,
// the rules that change them (worker events, status frames, the operator's switching, reset and
// alarm actions) and every text the dialog formats. The Qt dialog only copies it to its controls.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "common/model_profile.h"
#include "dialogs/halvex_api.h"
#include "dialogs/logic/state_layout.h"

namespace quorvel::dialogs {

// From state_worker.h, which Qt code includes only before its Qt headers.
struct MaskEdit;
struct StateSnapshot;

struct ReceptacleRowView {
    std::u16string current;
    bool checked = false;
    bool resetEnabled = false;
};

struct CircuitView {
    std::u16string total;
    std::u16string voltage;
};

struct StateView {
    std::u16string macAddress, ipAddress, version, model, temperature, humidity;
    std::u16string alarmText;
    bool alarmTextShown = true;
    bool trippedShown = false;
    bool updateFields = false;
    bool updateSoftware = false;
    std::array<CircuitView, kMaxCircuits> circuits;
    std::array<ReceptacleRowView, kMaxReceptacles> rows;
    int progress = 0;
    bool lightOn = false;  // green when on, dark when off
};

// What an operator action needs from the dialog: a Yes/No question and the worker.
class StateActions {
  public:
    virtual ~StateActions() = default;
    // True when answered Yes.
    virtual bool ask(const std::u16string& title, const std::u16string& text) = 0;
    virtual bool canSignal() const = 0;
    virtual void postMaskCommand(std::uint8_t command, const MaskEdit& edit) = 0;
    virtual void postCommand(std::uint8_t command) = 0;
};

// Message box titles of the operator actions.
inline constexpr char16_t kSwitchTitle[] = u"Receptacle Power";
inline constexpr char16_t kResetTitle[] = u"Receptacle Reset";
inline constexpr char16_t kAlarmTitle[] = u"Alarm Details";

// Formatted texts.
std::u16string FormatHundredths(std::uint16_t value);  // "%.2f" of value / 100 + 0.0001
std::u16string FormatVoltage(std::uint16_t volts);     // "%d V"
// Twelve spaces, the first reading as "%.1fF   " (or C), the second appended as "%.1fF".
std::u16string FormatTemperatures(const std::vector<std::int16_t>& hundredths, bool celsius);
// The same scheme with "%.1f%%  " and "%.1f%%".
std::u16string FormatHumidities(const std::vector<std::uint16_t>& hundredths);
std::u16string FormatModelNumber(std::uint16_t feature, std::uint32_t attribute,
                                 std::uint16_t extension);
std::u16string FormatFirmwareVersion(const std::uint8_t (&version)[3]);
std::u16string SwitchQuestion(bool on, const std::u16string& name);
std::u16string ResetQuestion(const std::u16string& name);
// The alarm details in their order, ending with the question; at most 511 characters.
std::u16string AlarmDetailsText(const PduRecord& record, std::uint16_t alarmWord,
                                std::uint16_t lockWord);
// What the dialog tells the operator when the PDU stopped answering a switching, reset or
// clear-alarms command (the worker's not-done masks): its title and text. The receptacles are
// named by their console numbers (low word bit k: k + 1, high word bit k: k + 33).
struct UnansweredNote {
    std::u16string title;
    std::u16string text;
};
UnansweredNote UnansweredText(std::uint8_t command, const std::uint32_t (&on)[2],
                              const std::uint32_t (&off)[2], const std::uint32_t (&reset)[2]);
// Sets the bit of receptacle index d (0..63) in a two-word mask; larger indexes set nothing.
void SetMaskBit(std::uint32_t (&mask)[2], unsigned d);

class QUORVEL_HALVEX_API StateViewModel {
  public:
    static constexpr std::uint16_t kCelsiusOption = 0x40;
    static constexpr std::uint8_t kBusyRefreshes = 2;

    // Row names come from the layout; rows it does not show keep their template texts.
    StateViewModel(const PduRecord& record, const StateLayout& layout, std::int32_t mode,
                   bool developer);

    const StateView& view() const { return view_; }
    std::uint16_t alarmWord() const { return alarmWord_; }
    std::uint16_t lockWord() const { return lockWord_; }
    std::uint8_t busyCounter() const { return busy_; }
    const std::u16string& rowName(int row) const { return names_[row]; }

    // "Clear", and the dialog's opening.
    void clear();

    // Worker events.
    void pulse(std::intptr_t value);
    void progress(std::intptr_t value);
    void busy(std::intptr_t value);
    void identity(const StateSnapshot& data);
    // False, and nothing changed, when the frame lacks its marker or is cut short.
    bool status(std::span<const std::uint8_t> frame, std::uint16_t displayOptions);

    // Operator actions. `ticked` is the check box's state after the click.
    void switchReceptacle(int row, bool ticked, StateActions& actions);
    void switchCircuit(int circuit, bool on, StateActions& actions);
    void resetReceptacle(int row, StateActions& actions);
    void alarmDetails(StateActions& actions);

  private:
    bool hasReceptacle(int row) const { return record_.receptaclePresent[row] != kAbsent; }
    void applyState(const std::vector<std::uint8_t>& bitmap);
    void applyBlocked(const std::vector<std::uint8_t>& bitmap);
    void showAlarm(std::uint16_t alarm, std::uint16_t lock);

    PduRecord record_;  // a copy: the worker's operations write the caller's record
    bool autoRefresh_;
    bool developer_;
    StateView view_;
    std::array<std::u16string, kMaxReceptacles> names_;
    std::uint16_t alarmWord_ = 0;
    std::uint16_t lockWord_ = 0;
    std::uint8_t busy_ = 0;
};

}  // namespace quorvel::dialogs
