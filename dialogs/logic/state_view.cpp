// The state dialog's display rules and texts.
#include "dialogs/logic/state_view.h"

#include <algorithm>
#include <cstdio>

#include "common/address_text.h"
#include "common/status_frame.h"
#include "dialogs/logic/state_worker.h"
#include "dialogs/logic/worker_messages.h"

namespace quorvel::dialogs {

namespace {

constexpr std::size_t kQuestionNameChars = 127;
constexpr std::size_t kAlarmTextChars = 511;
constexpr int kLowRows = 32;  // rows a bitmap of up to 4 bytes carries
constexpr std::uint16_t kLockBits = 0x3F;

std::u16string Widen(const char* text) {
    std::u16string out;
    for (; *text != 0; ++text) {
        out.push_back(static_cast<unsigned char>(*text));
    }
    return out;
}

std::u16string Widen(const std::string& text) {
    return Widen(text.c_str());
}

double Reading(std::int32_t hundredths) {
    return hundredths / 100.0 + 0.0001;
}

double Celsius(double fahrenheit) {
    return (fahrenheit - 32.0) * 5.0 / 9.0;
}

// Twelve spaces; a first reading replaces them, a second one is appended.
template <typename Value>
std::u16string TwoReadings(const std::vector<Value>& values, const char* firstFormat,
                           const char* secondFormat, bool celsius) {
    std::u16string text(12, u' ');
    char buffer[64];
    for (std::size_t i = 0; i < values.size() && i < 2; ++i) {
        if (values[i] == 0) {
            continue;
        }
        const double v = celsius ? Celsius(Reading(values[i])) : Reading(values[i]);
        std::snprintf(buffer, sizeof buffer, i == 0 ? firstFormat : secondFormat, v);
        if (i == 0) {
            text = Widen(buffer);
        } else {
            text += Widen(buffer);
        }
    }
    return text;
}

std::u16string CircuitName(const PduRecord& r, int circuit) {
    return ProfileString(r.circuitWord) + ProfileString(r.circuitShortLabel[circuit]);
}

std::u16string Filled(const char16_t* before, const std::u16string& name, const char16_t* after) {
    return std::u16string(before) + name + after;
}

// The rows a bitmap of its length updates: 0..31 for up to 4 bytes, all 48 for 5 or 6.
int RowsCarried(const std::vector<std::uint8_t>& bitmap) {
    return bitmap.size() <= 4 ? kLowRows : kMaxReceptacles;
}

}  // namespace

std::u16string FormatHundredths(std::uint16_t value) {
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%.2f", Reading(value));
    return Widen(buffer);
}

std::u16string FormatVoltage(std::uint16_t volts) {
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%d V", static_cast<int>(volts));
    return Widen(buffer);
}

std::u16string FormatTemperatures(const std::vector<std::int16_t>& hundredths, bool celsius) {
    return TwoReadings(hundredths, celsius ? "%.1fC   " : "%.1fF   ", celsius ? "%.1fC" : "%.1fF",
                       celsius);
}

std::u16string FormatHumidities(const std::vector<std::uint16_t>& hundredths) {
    return TwoReadings(hundredths, "%.1f%%  ", "%.1f%%", false);
}

std::u16string FormatModelNumber(std::uint16_t feature, std::uint32_t attribute,
                                 std::uint16_t extension) {
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%4.4X:%8.8X:%4.4X", static_cast<unsigned>(feature),
                  static_cast<unsigned>(attribute), static_cast<unsigned>(extension));
    return Widen(buffer);
}

std::u16string FormatFirmwareVersion(const std::uint8_t (&version)[3]) {
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%d.%d.%d", version[0], version[1], version[2]);
    return Widen(buffer);
}

std::u16string SwitchQuestion(bool on, const std::u16string& name) {
    return u"Do you really want to turn " + std::u16string(on ? u"ON" : u"OFF") + u" power for " +
           name.substr(0, kQuestionNameChars) + u"?";
}

std::u16string ResetQuestion(const std::u16string& name) {
    return Filled(u"Do you really want to apply power reset to ",
                  name.substr(0, kQuestionNameChars), u"?");
}

std::u16string AlarmDetailsText(const PduRecord& r, std::uint16_t alarm, std::uint16_t lock) {
    const int circuits = std::min<int>(r.circuitCount, kMaxCircuits);
    std::u16string text;
    if (HasVoltageInputs(r)) {
        const std::uint16_t sagBits[2] = {0x0400, 0x0800};
        const std::uint16_t overBits[2] = {0x1000, 0x2000};
        for (int input = 0; input < 2; ++input) {
            const int c = VoltageInputCircuit(r, input);
            if (c >= circuits) {
                continue;
            }
            if (alarm & sagBits[input]) {
                text += Filled(u"Voltage in ", CircuitName(r, c), u" sagged below limit\n");
            }
            if (alarm & overBits[input]) {
                text += Filled(u"Voltage in ", CircuitName(r, c), u" exceeded limit\n");
            }
        }
    }
    for (int c = 0; c < circuits; ++c) {
        if (alarm & (1u << c)) {
            text += Filled(u"Exceeded current limit in ", CircuitName(r, c), u"\n");
        }
    }
    if (HasEnvironment(r)) {
        if (alarm & 0x0040) {
            text += u"Temperature dropped below limit\n";
        }
        if (alarm & 0x0080) {
            text += u"Temperature exceeded limit\n";
        }
        if (alarm & 0x0100) {
            text += u"Humidity dropped below limit\n";
        }
        if (alarm & 0x0200) {
            text += u"Humidity exceeded limit\n";
        }
    }
    if ((lock & kLockBits) != 0 && IsSwitched(r)) {
        for (int c = 0; c < circuits; ++c) {
            if (lock & (1u << c)) {
                text += Filled(u"Reached socket lock current limit in ", CircuitName(r, c), u"\n");
            }
        }
    }
    text += u"\n Do you want to clear the alarms?\n";
    return text.substr(0, kAlarmTextChars);
}

void SetMaskBit(std::uint32_t (&mask)[2], unsigned d) {
    if (d < 32) {
        mask[0] |= 1u << d;
    } else if (d < 64) {
        mask[1] |= 1u << (d - 32);
    }
}

StateViewModel::StateViewModel(const PduRecord& record, const StateLayout& layout,
                               std::int32_t mode, bool developer)
    : record_(record), autoRefresh_(mode == 0), developer_(developer) {
    for (int k = 0; k < kMaxReceptacles; ++k) {
        names_[k] =
            layout.rows[k].shown ? layout.rows[k].name : u"Socket " + Widen(std::to_string(k + 1));
    }
    clear();
}

void StateViewModel::clear() {
    view_.macAddress.clear();
    view_.ipAddress.clear();
    view_.version.clear();
    view_.model.clear();
    view_.temperature.clear();
    view_.humidity.clear();
    view_.alarmText.clear();
    view_.updateFields = false;
    view_.updateSoftware = false;
    for (CircuitView& c : view_.circuits) {
        c.total.clear();
        c.voltage.clear();
    }
    for (int k = 0; k < kMaxReceptacles; ++k) {
        if (hasReceptacle(k)) {
            view_.rows[k].current.clear();
            view_.rows[k].checked = false;
            view_.rows[k].resetEnabled = false;
        }
    }
    view_.progress = 0;
}

void StateViewModel::pulse(std::intptr_t value) {
    view_.lightOn = value == kPulseToggle ? !view_.lightOn : value == 1;
}

void StateViewModel::progress(std::intptr_t value) {
    view_.progress = static_cast<int>(std::clamp<std::intptr_t>(value, 0, 100));
}

void StateViewModel::busy(std::intptr_t value) {
    if (value == kBusyStarts) {
        view_.progress = 0;
    }
}

void StateViewModel::identity(const StateSnapshot& d) {
    view_.macAddress = Widen(FormatMacAddress(d.macAddress));
    view_.ipAddress = Widen(FormatIpAddress(d.ipAddress));
    view_.version = FormatFirmwareVersion(d.firmwareVersion);
    view_.model = FormatModelNumber(d.modelFeature, d.modelAttribute, d.modelExtension);
    view_.updateFields = d.updateFieldsFlag != 0;
    view_.updateSoftware = d.updateSoftwareFlag != 0;
}

bool StateViewModel::status(std::span<const std::uint8_t> frame, std::uint16_t displayOptions) {
    StatusFrameView f;
    if (!ParseStatusFrame(frame, f)) {
        return false;
    }
    for (std::size_t i = 0; i < f.voltages.size() && i < 2; ++i) {
        const int c = VoltageInputCircuit(record_, static_cast<int>(i));
        if (c < kMaxCircuits) {
            view_.circuits[c].voltage = FormatVoltage(f.voltages[i]);
        }
    }
    for (std::size_t j = 0; j < f.circuitCurrents.size() && j < kMaxCircuits; ++j) {
        view_.circuits[j].total = FormatHundredths(f.circuitCurrents[j]);
    }
    for (std::size_t k = 0; k < f.receptacleCurrents.size() && k < kMaxReceptacles; ++k) {
        if (hasReceptacle(static_cast<int>(k))) {
            view_.rows[k].current = FormatHundredths(f.receptacleCurrents[k]);
        }
    }
    if (busy_ == 0) {
        applyState(f.state);
        applyBlocked(f.blocked);
    }
    if (!f.temperatures.empty()) {
        view_.temperature =
            FormatTemperatures(f.temperatures, (displayOptions & kCelsiusOption) != 0);
    }
    if (!f.humidities.empty()) {
        view_.humidity = FormatHumidities(f.humidities);
    }
    alarmWord_ = f.alarmWord;
    lockWord_ = f.lockWord;
    showAlarm(alarmWord_, lockWord_);
    if (busy_ > 0) {
        --busy_;
    }
    return true;
}

void StateViewModel::applyState(const std::vector<std::uint8_t>& bitmap) {
    if (bitmap.empty()) {
        return;
    }
    const int rows = RowsCarried(bitmap);
    for (int k = 0; k < rows; ++k) {
        if (hasReceptacle(k)) {
            const bool on = BitmapBit(bitmap, static_cast<unsigned>(k));
            view_.rows[k].checked = on;
            view_.rows[k].resetEnabled = on;
        }
    }
}

void StateViewModel::applyBlocked(const std::vector<std::uint8_t>& bitmap) {
    if (bitmap.empty()) {
        return;
    }
    const int rows = RowsCarried(bitmap);
    for (int k = 0; k < rows; ++k) {
        if (hasReceptacle(k)) {
            view_.rows[k].resetEnabled =
                !BitmapBit(bitmap, static_cast<unsigned>(k)) && view_.rows[k].checked;
        }
    }
}

void StateViewModel::showAlarm(std::uint16_t alarm, std::uint16_t lock) {
    const bool tripped = alarm != 0 || lock != 0;
    view_.trippedShown = tripped;
    view_.alarmTextShown = !tripped;
    if (!tripped) {
        view_.alarmText = u"None";
    }
}

void StateViewModel::switchReceptacle(int row, bool ticked, StateActions& actions) {
    if (row < 0 || row >= kMaxReceptacles || !hasReceptacle(row)) {
        return;  // the box goes back to what the view holds
    }
    if (!developer_ && !actions.ask(kSwitchTitle, SwitchQuestion(ticked, names_[row]))) {
        return;  // No: the box goes back to its previous state
    }
    ReceptacleRowView& v = view_.rows[row];
    v.checked = ticked;
    v.resetEnabled = ticked;
    if (autoRefresh_) {
        busy_ = kBusyRefreshes;
    }
    if (!actions.canSignal()) {
        return;
    }
    MaskEdit edit;
    edit.mask = ticked ? MaskEdit::Mask::On : MaskEdit::Mask::Off;
    edit.replace = true;
    SetMaskBit(edit.bits, record_.receptaclePresent[row]);
    actions.postMaskCommand(ticked ? STATE_CMD_SWITCH_ON : STATE_CMD_SWITCH_OFF, edit);
}

void StateViewModel::switchCircuit(int circuit, bool on, StateActions& actions) {
    MaskEdit edit;
    edit.mask = on ? MaskEdit::Mask::On : MaskEdit::Mask::Off;
    edit.replace = false;  // added to what an earlier action left
    for (int k = 0; k < kMaxReceptacles; ++k) {
        if (hasReceptacle(k) && record_.receptacleInput[k] == circuit) {
            view_.rows[k].checked = on;
            view_.rows[k].resetEnabled = on;
            SetMaskBit(edit.bits, static_cast<unsigned>(k));
        }
    }
    if (!actions.canSignal()) {
        return;
    }
    if (autoRefresh_) {
        busy_ = kBusyRefreshes;
    }
    actions.postMaskCommand(on ? STATE_CMD_SWITCH_ON : STATE_CMD_SWITCH_OFF, edit);
}

void StateViewModel::resetReceptacle(int row, StateActions& actions) {
    if (row < 0 || row >= kMaxReceptacles || !hasReceptacle(row) || !view_.rows[row].checked) {
        return;
    }
    if (!developer_ && !actions.ask(kResetTitle, ResetQuestion(names_[row]))) {
        return;
    }
    view_.rows[row].resetEnabled = false;
    if (autoRefresh_) {
        busy_ = kBusyRefreshes;
    }
    if (!actions.canSignal()) {
        return;
    }
    MaskEdit edit;
    edit.mask = MaskEdit::Mask::Reset;
    edit.replace = true;
    SetMaskBit(edit.bits, record_.receptaclePresent[row]);
    actions.postMaskCommand(STATE_CMD_RESET, edit);
}

namespace {

std::u16string ConsoleNumbers(const std::uint32_t (&mask)[2]) {
    std::u16string list;
    for (unsigned word = 0; word < 2; ++word) {
        for (unsigned bit = 0; bit < 32; ++bit) {
            if (mask[word] & (1u << bit)) {
                list += (list.empty() ? u"" : u", ") + Widen(std::to_string(word * 32 + bit + 1));
            }
        }
    }
    return list;
}

}  // namespace

UnansweredNote UnansweredText(std::uint8_t command, const std::uint32_t (&on)[2],
                              const std::uint32_t (&off)[2], const std::uint32_t (&reset)[2]) {
    static constexpr char16_t kStopped[] = u"The PDU stopped answering.";
    if (command == STATE_CMD_CLEAR_ALARMS) {
        return {kAlarmTitle, std::u16string(kStopped) + u"\nThe alarms were not cleared."};
    }
    std::u16string text = kStopped;
    if (const auto n = ConsoleNumbers(on); !n.empty()) {
        text += u"\nNot switched on: " + n;
    }
    if (const auto n = ConsoleNumbers(off); !n.empty()) {
        text += u"\nNot switched off: " + n;
    }
    if (const auto n = ConsoleNumbers(reset); !n.empty()) {
        text += u"\nNot reset: " + n;
    }
    return {command == STATE_CMD_RESET ? kResetTitle : kSwitchTitle, text};
}

void StateViewModel::alarmDetails(StateActions& actions) {
    if (alarmWord_ == 0 && lockWord_ == 0) {
        return;
    }
    if (!actions.ask(kAlarmTitle, AlarmDetailsText(record_, alarmWord_, lockWord_))) {
        return;
    }
    alarmWord_ = 0;
    lockWord_ = 0;
    showAlarm(0, 0);
    if (actions.canSignal()) {
        actions.postCommand(STATE_CMD_CLEAR_ALARMS);
    }
}

}  // namespace quorvel::dialogs
