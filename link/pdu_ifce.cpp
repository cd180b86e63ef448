#include "link/pdu_ifce.h"

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <thread>

#include "link/reply_framing.h"
#include "link/reply_items.h"
#include "link/serial_trace.h"
#include "link/transport.h"
#include "platform/thread_stop.h"

namespace quorvel {

namespace {

constexpr int kLoginAttempts = 5;
constexpr int kLoginRetryPauseMs = 100;
constexpr int kReplyWaitMs = 400;
constexpr int kLoginBufferSize = 128;
constexpr int kExchangeBufferSize = 256;
constexpr int kQuerySanityTries = 2;
constexpr int kSettingSanityTries = 5;
constexpr char kEsc[] = "\x1b";
constexpr char kCr[] = "\r";

}  // namespace

PDUIfce::PDUIfce() {
    errorText_[0] = u'\0';
}

PDUIfce::~PDUIfce() {
    transport::CloseCOMDev();
}

void PDUIfce::setError(const char* fmt, ...) {
    char narrow[kErrorTextSize];
    va_list ap;
    va_start(ap, fmt);
    std::vsnprintf(narrow, sizeof narrow, fmt, ap);
    va_end(ap);
    trace::Event("error", narrow);
    CopyWide(errorText_, kErrorTextSize, Widen(narrow));
}

std::string PDUIfce::ErrorTextNarrow() const {
    return Narrow(errorText_);
}

template <std::size_t N, typename... Args>
bool PDUIfce::format(char (&line)[N], const char* fmt, Args... args) {
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wformat-nonliteral"
#pragma GCC diagnostic ignored "-Wformat-security"
    int n = std::snprintf(line, N, fmt, args...);
#pragma GCC diagnostic pop
    // A line that does not fit its buffer is never sent cut short.
    return n > 0 && static_cast<std::size_t>(n) < N;
}

bool PDUIfce::SetParams(int port, int baud, int dataBits, int parity, int stopBits) {
    if (std::string e = transport::ParamsError(port, dataBits, parity, stopBits); !e.empty()) {
        setError("%s", e.c_str());
        return false;
    }
    return transport::SetParams(port, baud, dataBits, parity, stopBits);
}

bool PDUIfce::Login() {
    auto fail = [this](const char* message) {
        setError("%s", message);
        transport::CloseCOMDev();
        return false;
    };
    if (!transport::OpenCOMDev()) {
        return fail("Login: could not OpenCOMDevice\n");
    }
    if (!transport::SetCOMTimeout(0)) {
        return fail("Login: could not SetCOMTimeout\n");
    }
    if (!transport::XferCOMString(kEsc, 0, nullptr, 0, nullptr)) {
        return fail("Login: could not send ESC to serial COM device\n");
    }
    static const char* const candidates[] = {kPrompt, kPasswordPrompt, nullptr};
    char reply[kLoginBufferSize];
    for (int attempt = 1; attempt <= kLoginAttempts; ++attempt) {
        reply[0] = '\0';
        int r = transport::XferCOMStringWaitMultipleReply(kCr, kReplyWaitMs, reply, sizeof reply,
                                                          candidates);
        if (r < 0) {
            return fail("Login: could not send CRET to serial COM device\n");
        }
        if (r == 1) {
            return true;
        }
        if (r == 2) {
            char password[sizeof kConsolePassword + 1];
            std::snprintf(password, sizeof password, "%s\r", kConsolePassword);
            int p = transport::XferCOMStringWaitSingleReply(password, kReplyWaitMs, reply,
                                                            sizeof reply, kPrompt);
            if (p < 0) {
                return fail("Login: could not send password to serial COM device\n");
            }
            if (p == 1) {
                return true;
            }
            if (attempt == kLoginAttempts) {
                setError("Login: could not elicit prompt from serial COM device, [%s]\n", reply);
                transport::CloseCOMDev();
                return false;
            }
        } else if (attempt == kLoginAttempts) {
            return fail("Login: could not elicit prompt from serial COM device\n");
        }
        if (platform::ThreadStopRequested()) {
            // A session asked to end gives up at the attempt in progress.
            return fail("Login: could not elicit prompt from serial COM device\n");
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(kLoginRetryPauseMs));
    }
    return false;
}

bool PDUIfce::Logout(bool useCtrlD) {
    const char* line = useCtrlD ? "\x04\r" : "\x12\r";
    bool sent = transport::XferCOMString(line, 0, nullptr, 0, nullptr);
    if (!sent) {
        setError("Logout: could not send LOGOUT command to serial COM device\n");
    }
    transport::CloseCOMDev();
    return sent;
}

bool PDUIfce::sanityCheck() {
    char reply[kExchangeBufferSize];
    reply[0] = '\0';
    return transport::SetCOMTimeout(1) && transport::XferCOMString(kEsc, 0, nullptr, 0, nullptr) &&
           transport::XferCOMStringWaitSingleReply(kCr, kReplyWaitMs, reply, sizeof reply,
                                                   kPrompt) == 1;
}

bool PDUIfce::noAnswer(const char* message) {
    setError("%s", message);
    unanswered_ = true;
    return false;
}

bool PDUIfce::wrongAnswer(const char* message) {
    setError("%s", message);
    unanswered_ = false;
    return false;
}

bool PDUIfce::GetStatus(const char* commandLine, std::span<char> out) {
    unanswered_ = false;
    if (!transport::SetCOMTimeout(1)) {
        return noAnswer("GetStatus: could not set timeout for serial COM device\n");
    }
    if (!transport::XferCOMString(kEsc, 0, nullptr, 0, nullptr)) {
        return noAnswer("GetStatus: could not send ESC to serial COM device\n");
    }
    bool sane = false;
    for (int i = 0; i < kQuerySanityTries && !sane; ++i) {
        sane = sanityCheck();
    }
    if (!sane) {
        return noAnswer("GetStatus: could not establish sanity with serial COM device\n");
    }
    char reply[kExchangeBufferSize];
    reply[0] = '\0';
    if (transport::XferCOMStringWaitSingleReply(commandLine, kReplyWaitMs, reply, sizeof reply,
                                                kPrompt) < 0) {
        return noAnswer("GetStatus: could not send get status command to serial COM device\n");
    }
    const std::optional<std::string_view> text = QueryReplyText(commandLine, reply);
    if (!text) {
        return wrongAnswer("GetStatus: bad response from serial COM device\n");
    }
    if (!out.empty()) {
        const std::size_t n = std::min(text->size(), out.size() - 1);
        std::memcpy(out.data(), text->data(), n);
        out[n] = '\0';
    }
    return true;
}

bool PDUIfce::SendCommand(const char* commandLine) {
    unanswered_ = false;
    if (!transport::SetCOMTimeout(1)) {
        return noAnswer("SendCommand: could not set timeout for serial COM device\n");
    }
    if (!transport::XferCOMString(kEsc, 0, nullptr, 0, nullptr)) {
        return noAnswer("SendCommand: could not send ESC to serial COM device\n");
    }
    bool sane = false;
    for (int i = 0; i < kSettingSanityTries && !sane; ++i) {
        sane = sanityCheck();
        if (!sane) {
            setError("SendCommand: could not send check to serial COM device\n");
        }
    }
    if (!sane) {
        return noAnswer("SendCommand: could not establish sanity with serial COM device\n");
    }
    char reply[kExchangeBufferSize];
    reply[0] = '\0';
    if (transport::XferCOMStringWaitSingleReply(commandLine, kReplyWaitMs, reply, sizeof reply,
                                                kPrompt) < 0) {
        return noAnswer("SendCommand: could not send command to serial COM device\n");
    }
    if (!SettingAcknowledged(commandLine, reply)) {
        return wrongAnswer("SendCommand: bad response from serial COM device\n");
    }
    return true;
}

// ---- command builders -------------------------------------------------------------------

const char* PDUIfce::CalibrationKeyword(bool voltage, int row, int column) {
    static const char* const kCurrent[4][11] = {
        {"K I A0", "K I A1", "K I A2", "K I A3", "K I A4", "K I A5", "K I A6", "K I A7", "K I A8",
         "K I A9", "W A"},
        {"K I B0", "K I B1", "K I B2", "K I B3", "K I B4", "K I B5", "K I B6", "K I B7", "K I B8",
         "K I B9", "W B"},
        {"K I C0", "K I C1", "K I C2", "K I C3", "K I C4", "K I C5", "K I C6", "K I C7", "K I C8",
         "K I C9", "W C"},
        {"K I D0", "K I D1", "K I D2", "K I D3", "K I D4", "K I D5", "K I D6", "K I D7", "K I D8",
         "K I D9", "W D"}};
    static const char* const kVoltage[3][11] = {
        {"K V A0", "K V A1", "K V A2", "K V A3", "K V A4", "K V A5", "K V A6", "K V A7", "K V A8",
         "K V A9", "W A"},
        {"K V B0", "K V B1", "K V B2", "K V B3", "K V B4", "K V B5", "K V B6", "K V B7", "K V B8",
         "K V B9", "W B"},
        {"K V C0", "K V C1", "K V C2", "K V C3", "K V C4", "K V C5", "K V C6", "K V C7", "K V C8",
         "K V C9", "W C"}};
    if (column < 0 || column > 10 || row < 0 || row > (voltage ? 2 : 3)) {
        return nullptr;
    }
    return voltage ? kVoltage[row][column] : kCurrent[row][column];
}

char PDUIfce::BranchLetter(int branch) {
    return branch == 2 ? 'C' : branch == 1 ? 'B' : 'A';
}

bool PDUIfce::ReadModuleLine(std::span<char> out) {
    char line[32];
    return format(line, "%s\r", "V") && GetStatus(line, out);
}

bool PDUIfce::ReadIdentityLine(std::span<char> out) {
    char line[32];
    return format(line, "%s\r", "v") && GetStatus(line, out);
}

bool PDUIfce::ReadLayoutLine(std::span<char> out) {
    char line[32];
    return format(line, "%s\r", "q") && GetStatus(line, out);
}

bool PDUIfce::ReadVersionLine(std::span<char> out) {
    char line[32];
    return format(line, "%s\r", "u") && GetStatus(line, out);
}

bool PDUIfce::ReadVariable(std::uint8_t id, std::span<char> out) {
    char line[32];
    return format(line, "%s %x\r", "h", unsigned{id}) && GetStatus(line, out);
}

bool PDUIfce::WriteVariable(std::uint8_t id, const char* value, std::uint8_t subId) {
    char line[256];
    return format(line, "%s %x %s %x\r", "H", unsigned{id}, value, unsigned{subId}) &&
           SendCommand(line);
}

bool PDUIfce::StampIdentity(std::uint16_t feature, std::uint32_t attribute) {
    char line[128];
    return format(line, "%s %-4.4X %-8.8X %s\r", "s", unsigned{feature}, unsigned{attribute},
                  kAccessCode) &&
           SendCommand(line);
}

bool PDUIfce::StampIdentityWithMap(std::uint16_t feature, std::uint32_t attribute,
                                   const std::uint8_t (&map)[kKvbMapRecordSize]) {
    char line[150];
    const std::string hex = EncodeHexPairs(map, kKvbMapRecordSize);
    return format(line, "%s %-4.4X %-8.8X %s %s\r", "s", unsigned{feature}, unsigned{attribute},
                  hex.c_str(), kAccessCode) &&
           SendCommand(line);
}

bool PDUIfce::StampLayout(const std::uint8_t (&layout)[kLayoutRecordSize]) {
    char line[150];
    const std::string hex = EncodeHexPairs(layout, kLayoutRecordSize);
    return format(line, "%s %s %s\r", "Q", hex.c_str(), kAccessCode) && SendCommand(line);
}

bool PDUIfce::FormatDatabase() {
    char line[32];
    return format(line, "%s %s\r", "I", kAccessCode) && SendCommand(line);
}

bool PDUIfce::RestartNetwork() {
    char line[32];
    return format(line, "%s %s\r", "X", kAccessCode) && SendCommand(line);
}

bool PDUIfce::Reboot() {
    char line[32];
    return format(line, "%s %s\r", "x", kAccessCode) && SendCommand(line);
}

bool PDUIfce::ClearAlarms() {
    char line[32];
    return format(line, "%s\r", "N") && SendCommand(line);
}

bool PDUIfce::SetCalibrationMode(bool on) {
    char line[32];
    return format(line, "%s %s\r", "C", on ? "1" : "0") && SendCommand(line);
}

bool PDUIfce::SwitchBranchOutlet(int branch, std::uint8_t outlet, bool on) {
    char line[32];
    return format(line, "%s %c %x %s\r", "R", BranchLetter(branch), unsigned{outlet},
                  on ? "1" : "0") &&
           SendCommand(line);
}

bool PDUIfce::SwitchOutlet(std::uint8_t number, bool on) {
    char line[32];
    return format(line, "%s %x %s\r", "R", unsigned{number}, on ? "1" : "0") && SendCommand(line);
}

bool PDUIfce::ResetOutlet(std::uint8_t number) {
    char line[32];
    return format(line, "%s %x %s\r", "o", unsigned{number}, "1") && SendCommand(line);
}

bool PDUIfce::ReadBranchStates(int branch, std::uint8_t selector, std::span<char> out) {
    char line[32];
    return format(line, "%s %c %x\r", "P", BranchLetter(branch), unsigned{selector}) &&
           GetStatus(line, out);
}

bool PDUIfce::ReadOutletStates(std::uint8_t selector, std::span<char> out) {
    char line[32];
    return format(line, "%s %x\r", "P", unsigned{selector}) && GetStatus(line, out);
}

bool PDUIfce::ReadResetBlocked(std::uint8_t selector, std::span<char> out) {
    char line[32];
    return format(line, "%s %x\r", "p", unsigned{selector}) && GetStatus(line, out);
}

bool PDUIfce::ReadAlarms(std::span<char> out) {
    char line[32];
    return format(line, "%s\r", "n") && GetStatus(line, out);
}

bool PDUIfce::ReadEnvironment(std::span<char> out) {
    char line[32];
    return format(line, "%s\r", "J") && GetStatus(line, out);
}

bool PDUIfce::ReadMeasurement(int kind, bool flag, std::uint8_t selector, std::span<char> out) {
    static const char* const kKeywords[] = {"G I", "G V", "G B", "G i", "G v"};
    if (kind < 0 || kind > 4) {
        return false;
    }
    char line[32];
    return format(line, "%s %d %x\r", kKeywords[kind], flag ? 1 : 0, unsigned{selector}) &&
           GetStatus(line, out);
}

bool PDUIfce::ReadCircuitCurrent(int circuit, bool lowerCase, std::uint8_t selector,
                                 std::span<char> out) {
    static const char* const kKeywords[3][2] = {
        {"G I A", "G I a"}, {"G I B", "G I b"}, {"G I C", "G I c"}};
    if (circuit < 0 || circuit > 2) {
        return false;
    }
    char line[32];
    return format(line, "%s %x\r", kKeywords[circuit][lowerCase ? 1 : 0], unsigned{selector}) &&
           GetStatus(line, out);
}

bool PDUIfce::ReadCircuitVoltage(int circuit, bool lowerCase, std::span<char> out) {
    static const char* const kKeywords[3][2] = {
        {"G V A", "G V a"}, {"G V B", "G V b"}, {"G V C", "G V c"}};
    if (circuit < 0 || circuit > 2) {
        return false;
    }
    char line[32];
    return format(line, "%s 0\r", kKeywords[circuit][lowerCase ? 1 : 0]) && GetStatus(line, out);
}

bool PDUIfce::WriteCalibration(bool voltage, int row, int column, std::uint8_t channel,
                               const char* value) {
    const char* keyword = CalibrationKeyword(voltage, row, column);
    if (keyword == nullptr) {
        return false;
    }
    char line[32];
    return format(line, "%s %x %s\r", keyword, unsigned{channel}, value) && SendCommand(line);
}

}  // namespace quorvel
