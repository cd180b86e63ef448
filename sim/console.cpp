// The console's protocol engine: echo, line editing, login and logout, reply framing and the
// named faults around the command table; advance() hands time on to the device model.
#include "sim/console.h"

#include <algorithm>
#include <utility>

#include "sim/commands.h"

namespace quorvel::sim {

namespace {

constexpr char kLogoutCtrlD[] = "\x04";
constexpr char kLogoutCtrlR[] = "\x12";

}  // namespace

Console::Console(Profile profile, Faults faults)
    : profile_(std::move(profile)),
      faults_(faults),
      random_(faults.garbageSeed),
      driftRandom_(profile_.seed) {
    device_ = profile_.device;
    device_.raiseAlarms();    // a profile may start with readings beyond their limits
    restartNetwork(device_);  // the web server starts with the stored network settings
    loggedIn_ = !profile_.passwordRequired && !faults_.refusePassword;
    quiet_ = faults_.silent;
    afterCommandLine();
}

void Console::advance(unsigned ms) {
    device_.advance(ms, driftRandom_);
}

CommandResult Console::peek(std::string_view line) const {
    Device copy = device_;
    return runCommand(copy, profile_.device, line);
}

std::string Console::feed(std::string_view received) {
    std::string out;
    for (auto& burst : feedTimed(received))
        out += burst.bytes;
    return out;
}

constexpr std::size_t kKeptLinesTaken = 5000;
constexpr std::size_t kKeptBytesTaken = 1U << 20;

bool Console::endsWithLogout() const {
    return !linesTaken_.empty() &&
           (linesTaken_.back() == kLogoutCtrlD || linesTaken_.back() == kLogoutCtrlR);
}

void Console::take(char c) {
    if (bytesTaken_.size() >= kKeptBytesTaken)
        bytesTaken_.erase(0, kKeptBytesTaken / 2);
    bytesTaken_ += c;
    if (c == kEsc) {  // the console discards the partial line
        takingLine_.clear();
        return;
    }
    if (c != '\r') {
        if (takingLine_.size() < kMaxLine)
            takingLine_ += c;
        return;
    }
    if (linesTaken_.size() >= kKeptLinesTaken)
        linesTaken_.erase(linesTaken_.begin(), linesTaken_.begin() + kKeptLinesTaken / 2);
    linesTaken_.push_back(std::exchange(takingLine_, {}));
}

std::vector<Burst> Console::feedTimed(std::string_view received) {
    std::vector<Burst> out(1);
    for (char c : received) {
        if (hungUp_ || quiet_)
            break;
        take(c);
        if (c == kEsc) {  // not echoed; discards the partial line
            line_.clear();
            overflow_ = false;
            continue;
        }
        send(out.back().bytes, std::string_view(&c, 1));
        if (c == '\r') {
            onLine(out);
            line_.clear();
            overflow_ = false;
        } else if (c == '\b' || c == '\x7f') {
            if (!line_.empty())
                line_.pop_back();
        } else if (c != '\n' && c != '\0') {
            if (line_.size() < kMaxLine) {
                line_ += c;
                if (faults_.anchor && !anchored_ && loggedIn_ && line_ == *faults_.anchor) {
                    anchored_ = true;
                    if (faults_.silentFromLine == 1U) {
                        quiet_ = true;  // the rest of the line is never received
                    }
                }
            } else {
                overflow_ = true;
            }
        }
    }
    std::erase_if(out, [](const Burst& b) { return b.bytes.empty(); });
    return out;
}

constexpr std::size_t kKeptLines = 1000;

void Console::onLine(std::vector<Burst>& out) {
    if (!loggedIn_) {
        if (!faults_.refusePassword && !overflow_ && line_ == kPassword) {
            loggedIn_ = true;
            answer(out, std::string(kPrompt));
            afterCommandLine();
        } else {
            answer(out, std::string(kPasswordPrompt));
        }
        return;
    }
    if (line_.empty() && !overflow_) {
        answer(out, std::string(kPrompt));
        return;
    }
    if (line_ == kLogoutCtrlD || line_ == kLogoutCtrlR) {
        // Nothing beyond the echo; a console with a password wants it again.
        if (profile_.passwordRequired)
            loggedIn_ = false;
        return;
    }
    if (dropNext_) {  // echoed, never answered
        quiet_ = true;
        return;
    }
    ++commandLines_;
    if (anchored_) {
        ++anchoredLines_;
    }
    if (receivedLines_.size() == kKeptLines) {
        receivedLines_.erase(receivedLines_.begin());
    }
    receivedLines_.push_back(line_);
    if (faults_.hangupAtLine && faultLine() == *faults_.hangupAtLine) {
        hungUp_ = true;  // gone before the line is carried out
        return;
    }
    CommandResult r =
        overflow_ ? CommandResult{CommandResult::Kind::Refused, std::string(kErrLineTooLong)}
                  : runCommand(device_, profile_.device, line_);
    if (r.kind == CommandResult::Kind::Accepted) {
        answer(out, std::string(kPrompt));
        // A reboot ends the console session: it comes back wanting the password.
        if (line_[0] == 'x' && profile_.passwordRequired) {
            loggedIn_ = false;
        }
    } else {
        answer(out, "\r\n" + r.text + std::string(kPrompt));
    }
    afterCommandLine();
}

void Console::answer(std::vector<Burst>& out, std::string bytes) {
    if (garbling())
        bytes = garbage();
    if (faults_.slowMs > 0) {
        out.push_back({faults_.slowMs, {}});
    }
    send(out.back().bytes, bytes);
}

bool Console::reached(unsigned line) const {
    const unsigned n = faultLine();
    return n > 0 && n >= line;
}

bool Console::garbling() const {
    return faults_.garbage || (faults_.garbageFromLine && reached(*faults_.garbageFromLine));
}

bool Console::dropping() const {
    return faults_.dropCharsEvery > 0 &&
           (!faults_.dropCharsFromLine || reached(*faults_.dropCharsFromLine));
}

void Console::send(std::string& to, std::string_view bytes) {
    for (char c : bytes) {
        if (dropping() && ++dropCounter_ % faults_.dropCharsEvery == 0)
            continue;  // lost on the line
        to += c;
    }
}

void Console::afterCommandLine() {
    // Before its anchor a device counts no lines; the faults then wait for it.
    const bool counting = !faults_.anchor || anchored_;
    const unsigned n = faultLine();
    if (counting && faults_.dropAfterLines && n >= *faults_.dropAfterLines)
        dropNext_ = true;
    if (counting && faults_.hangupAfterLines && n >= *faults_.hangupAfterLines)
        hungUp_ = true;
    if (counting && faults_.silentFromLine && loggedIn_ && n + 1 >= *faults_.silentFromLine) {
        quiet_ = true;
    }
}

std::string Console::garbage() {
    std::uniform_int_distribution<int> length(8, 40);
    std::uniform_int_distribution<int> byte(0, 255);
    std::string out(static_cast<std::size_t>(length(random_)), '\0');
    for (char& c : out) {
        do {
            c = static_cast<char>(byte(random_));
        } while (c == '?');
    }
    return out;
}

}  // namespace quorvel::sim
