// The simulated PDU's console: a pure, synchronous protocol engine (bytes in, bytes out) with
// echo, line editing, the password login, logout lines, reply framing and fault injection.
// No I/O, no threads and no clock of its own: advance() moves the device's time on. The pty
// simulator serves it on a pseudo-terminal.
#pragma once

#include <random>
#include <string>
#include <string_view>
#include <vector>

#include "sim/commands.h"
#include "sim/device.h"
#include "sim/faults.h"
#include "sim/profile.h"

namespace quorvel::sim {

inline constexpr std::string_view kPrompt = "\r\n?";
inline constexpr std::string_view kPasswordPrompt = "\r\nPassword: ";
inline constexpr std::string_view kPassword = "Kel Voran";
inline constexpr char kEsc = '\x1b';
inline constexpr std::size_t kMaxLine = 512;

// Bytes the console sends, `delayMs` after the previous burst left.
struct Burst {
    unsigned delayMs = 0;
    std::string bytes;
};

class Console {
  public:
    explicit Console(Profile profile, Faults faults = {});

    // Everything the device sends in answer to `received` (echo and replies).
    std::string feed(std::string_view received);
    // The same split where a reply is delayed (the slow fault); without delays one burst.
    std::vector<Burst> feedTimed(std::string_view received);

    // Moves the device's time on by `ms`: power resets end, readings drift (seeded by the
    // profile's seed), alarms are raised.
    void advance(unsigned ms);
    // What the console would answer to the command line `line` now, without changing anything:
    // the reply text, or the error text of a refusal (empty for an accepted setting).
    CommandResult peek(std::string_view line) const;

    // From now on nothing arrives and nothing is answered, as with the serial cable pulled out
    // while the host's adapter stays.
    void pullCable() { quiet_ = true; }

    // A hang-up fault fired: the transport must close.
    bool hungUp() const { return hungUp_; }
    bool loggedIn() const { return loggedIn_; }
    // Command lines answered since the start (see Faults).
    unsigned commandLines() const { return commandLines_; }
    // The command lines received while logged in (without their CR), the latest 1000.
    const std::vector<std::string>& receivedLines() const { return receivedLines_; }
    // Everything that reached the device, in order: every line ended by CR as it was taken in
    // (without the CR; empty lines, the password and the logout lines included), the latest
    // 5000; and every byte received, the latest 1 MiB. Nothing is recorded while the line is
    // quiet or hung up, since nothing arrives then.
    const std::vector<std::string>& linesTaken() const { return linesTaken_; }
    const std::string& bytesTaken() const { return bytesTaken_; }
    // True when the latest line taken is a logout line (Ctrl-D or Ctrl-R).
    bool endsWithLogout() const;

    const Device& device() const { return device_; }
    Device& device() { return device_; }
    const Profile& profile() const { return profile_; }
    const Faults& faults() const { return faults_; }

  private:
    void onLine(std::vector<Burst>& out);
    void answer(std::vector<Burst>& out, std::string bytes);
    // Appends what the console sends to `to`, less what line noise loses.
    void send(std::string& to, std::string_view bytes);
    void afterCommandLine();
    // Records one byte that reached the device.
    void take(char c);
    // The line number the faults count, for the latest command line; 0 before an anchor.
    unsigned faultLine() const { return faults_.anchor ? anchoredLines_ : commandLines_; }
    // True once the latest command line is line `line` or a later one, as faultLine counts.
    bool reached(unsigned line) const;
    // Answers are replaced by random bytes.
    bool garbling() const;
    // Every dropCharsEvery-th character sent is lost.
    bool dropping() const;
    std::string garbage();

    Profile profile_;  // the starting state: "I" restores its variables
    Faults faults_;
    Device device_;
    std::string line_;
    bool overflow_ = false;
    bool loggedIn_ = false;
    bool quiet_ = false;
    bool dropNext_ = false;
    unsigned dropCounter_ = 0;  // characters sent while dropping
    bool hungUp_ = false;
    unsigned commandLines_ = 0;
    bool anchored_ = false;       // the anchor line has begun
    unsigned anchoredLines_ = 0;  // command lines from the anchor on
    std::vector<std::string> receivedLines_;
    std::vector<std::string> linesTaken_;
    std::string bytesTaken_;
    std::string takingLine_;    // the line being taken, as received (ESC starts it afresh)
    std::mt19937 random_;       // garbage bytes
    std::mt19937 driftRandom_;  // the device's drift
};

}  // namespace quorvel::sim
