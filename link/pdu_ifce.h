// The program's interface to the PDU console: login, logout, one query (GetStatus) or one
// setting (SendCommand) at a time, and a small builder per console command.
#pragma once

#include <cstdint>
#include <span>
#include <string>

namespace quorvel {

// Console conventions.
inline constexpr char kPrompt[] = "\r\n?";
inline constexpr char kPasswordPrompt[] = "\r\nPassword: ";
inline constexpr char kConsolePassword[] = "Kel Voran";
inline constexpr char kAccessCode[] = "47310862";

constexpr int kErrorTextSize = 256;
constexpr std::size_t kReplyTextSize = 256;

// Size of a packed record on the wire.
constexpr std::size_t kKvbMapRecordSize = 58;
constexpr std::size_t kLayoutRecordSize = 64;

class PDUIfce {
  public:
    PDUIfce();
    virtual ~PDUIfce();  // closes the serial line
    PDUIfce(const PDUIfce&) = delete;
    PDUIfce& operator=(const PDUIfce&) = delete;

    bool SetParams(int port, int baud, int dataBits, int parity, int stopBits);
    bool Login();
    bool Logout(bool useCtrlD);
    // One query: the reply text (between the echo's line break and the prompt) goes to out.
    bool GetStatus(const char* commandLine, std::span<char> out);
    // One setting: succeeds only when the console answers with exactly the echo and the prompt.
    bool SendCommand(const char* commandLine);

    // The message of the latest failure (wide text).
    const char16_t* ErrorText() const { return errorText_; }
    std::string ErrorTextNarrow() const;
    // True when the latest query or setting failed without a usable answer: no prompt to the
    // sanity check, or the line itself failed. False after a success, or when the console
    // answered with something else than the command asked for.
    bool Unanswered() const { return unanswered_; }

    // Command builders. Queries take the caller's reply buffer last.
    bool ReadModuleLine(std::span<char> out);                                    // "V"
    bool ReadIdentityLine(std::span<char> out);                                  // "v"
    bool ReadLayoutLine(std::span<char> out);                                    // "q"
    bool ReadVersionLine(std::span<char> out);                                   // "u"
    bool ReadVariable(std::uint8_t id, std::span<char> out);                     // "h"
    bool WriteVariable(std::uint8_t id, const char* value, std::uint8_t subId);  // "H"
    bool StampIdentity(std::uint16_t feature, std::uint32_t attribute);          // "s"
    bool StampIdentityWithMap(std::uint16_t feature, std::uint32_t attribute,
                              const std::uint8_t (&map)[kKvbMapRecordSize]);  // "s" with map
    bool StampLayout(const std::uint8_t (&layout)[kLayoutRecordSize]);        // "Q"
    bool FormatDatabase();                                                    // "I"
    bool RestartNetwork();                                                    // "X"
    bool Reboot();                                                            // "x"
    bool ClearAlarms();                                                       // "N"
    bool SetCalibrationMode(bool on);                                         // "C"
    bool SwitchBranchOutlet(int branch, std::uint8_t outlet, bool on);  // "R", first generation
    bool SwitchOutlet(std::uint8_t number, bool on);                    // "R"
    bool ResetOutlet(std::uint8_t number);                              // "o"
    bool ReadBranchStates(int branch, std::uint8_t selector, std::span<char> out);  // "P" branch
    bool ReadOutletStates(std::uint8_t selector, std::span<char> out);              // "P"
    bool ReadResetBlocked(std::uint8_t selector, std::span<char> out);              // "p"
    bool ReadAlarms(std::span<char> out);                                           // "n"
    bool ReadEnvironment(std::span<char> out);                                      // "J"
    // kind 0..4: "G I", "G V", "G B", "G i", "G v"; any other kind sends nothing and fails.
    bool ReadMeasurement(int kind, bool flag, std::uint8_t selector, std::span<char> out);
    // circuit 0..2 selects A, B, C; lowerCase the small letter.
    bool ReadCircuitCurrent(int circuit, bool lowerCase, std::uint8_t selector,
                            std::span<char> out);
    bool ReadCircuitVoltage(int circuit, bool lowerCase, std::span<char> out);
    // Calibration write or store: keyword from (voltage table?, row 0..3, column 0..10).
    bool WriteCalibration(bool voltage, int row, int column, std::uint8_t channel,
                          const char* value);

    // The keyword of a calibration write, or null for a row or column out of range.
    static const char* CalibrationKeyword(bool voltage, int row, int column);
    // The branch letter of the first-generation "P" and "R": 2 "C", 1 "B", else "A".
    static char BranchLetter(int branch);

  protected:
    [[gnu::format(printf, 2, 3)]] void setError(const char* fmt, ...);

  private:
    bool sanityCheck();
    // Record a failure of a query or setting: the line gave no answer, or a wrong one.
    bool noAnswer(const char* message);
    bool wrongAnswer(const char* message);
    template <std::size_t N, typename... Args>
    bool format(char (&line)[N], const char* fmt, Args... args);

    char16_t errorText_[kErrorTextSize];
    bool unanswered_ = false;
};

}  // namespace quorvel
