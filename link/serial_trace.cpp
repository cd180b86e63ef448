#include "link/serial_trace.h"

#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <mutex>

#include "link/pdu_ifce.h"

namespace quorvel::trace {

namespace {

constexpr char kMasked[] = "***";

using Clock = std::chrono::steady_clock;

struct Sink {
    std::mutex mutex;
    std::FILE* file = nullptr;
    Clock::time_point start;
    SecretMask sent{{kConsolePassword, kAccessCode}};
    SecretMask received{{kConsolePassword, kAccessCode}};
    Clock::time_point sentSince, receivedSince;  // when what a mask holds back arrived
};

std::atomic<bool> gActive{false};

Sink& sink() {
    static Sink s;
    return s;
}

void appendEscaped(std::string& out, std::string_view text) {
    static constexpr char kHex[] = "0123456789abcdef";
    for (const char ch : text) {
        const auto c = static_cast<unsigned char>(ch);
        switch (c) {
            case '"':
                out += "\\\"";
                break;
            case '\\':
                out += "\\\\";
                break;
            case '\n':
                out += "\\n";
                break;
            case '\r':
                out += "\\r";
                break;
            case '\t':
                out += "\\t";
                break;
            default:
                // Control bytes and the upper half (not text on this line) as code points.
                if (c < 0x20 || c >= 0x7f) {
                    out += "\\u00";
                    out += kHex[c >> 4];
                    out += kHex[c & 15];
                } else {
                    out += ch;
                }
        }
    }
}

double secondsAt(const Sink& s, Clock::time_point t) {
    return std::chrono::duration<double>(t - s.start).count();
}

void writeLine(Sink& s, const std::string& line) {
    if (s.file != nullptr) {
        std::fputs(line.c_str(), s.file);
        std::fputc('\n', s.file);
        std::fflush(s.file);  // a trace is read most after a crash or a hang
    }
}

void writeEvent(Sink& s, Clock::time_point t, std::string_view name, std::string_view detail) {
    char stamp[32];
    std::snprintf(stamp, sizeof stamp, "%.6f", secondsAt(s, t));
    SecretMask mask{{kConsolePassword, kAccessCode}};
    std::string masked = mask.feed(detail) + mask.flush();
    while (!masked.empty() && masked.back() == '\n') {
        masked.pop_back();
    }
    std::string line = std::string("{\"t\":") + stamp + ",\"event\":\"";
    appendEscaped(line, name);
    line += "\",\"detail\":\"";
    appendEscaped(line, masked);
    line += "\"}";
    writeLine(s, line);
}

// Writes what dir's mask holds back, stamped with when it arrived.
void flushHeld(Sink& s, Direction dir) {
    SecretMask& mask = dir == Direction::Sent ? s.sent : s.received;
    if (mask.holding()) {
        const Clock::time_point since = dir == Direction::Sent ? s.sentSince : s.receivedSince;
        writeLine(s, RecordLine(secondsAt(s, since), dir, mask.flush()));
    }
}

}  // namespace

std::string SecretMask::feed(std::string_view bytes) {
    std::string data = pending_;
    data.append(bytes);
    pending_.clear();
    std::string out;
    std::size_t i = 0;
    while (i < data.size()) {
        const std::string_view rest(data.data() + i, data.size() - i);
        bool matched = false;
        bool partial = false;
        for (const std::string& secret : secrets_) {
            if (rest.substr(0, secret.size()) == secret) {
                matched = true;
                out += kMasked;
                i += secret.size();
                break;
            }
            partial = partial || (rest.size() < secret.size() && secret.rfind(rest, 0) == 0);
        }
        if (matched) {
            continue;
        }
        if (partial) {
            pending_ = std::string(rest);
            break;
        }
        out += data[i++];
    }
    return out;
}

std::string SecretMask::flush() {
    std::string held;
    held.swap(pending_);
    return held;
}

std::string RecordLine(double seconds, Direction dir, std::string_view bytes) {
    static constexpr char kHex[] = "0123456789abcdef";
    char stamp[32];
    std::snprintf(stamp, sizeof stamp, "%.6f", seconds);
    std::string line = std::string("{\"t\":") + stamp + ",\"dir\":\"" +
                       (dir == Direction::Sent ? "tx" : "rx") + "\",\"bytes\":\"";
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        const auto c = static_cast<unsigned char>(bytes[i]);
        if (i > 0) {
            line += ' ';
        }
        line += kHex[c >> 4];
        line += kHex[c & 15];
    }
    line += "\",\"text\":\"";
    appendEscaped(line, bytes);
    line += "\"}";
    return line;
}

bool Start(const std::string& path, bool append, const std::string& program, std::string& error) {
    Stop();
    Sink& s = sink();
    std::lock_guard lock(s.mutex);
    s.file = std::fopen(path.c_str(), append ? "a" : "w");
    if (s.file == nullptr) {
        error = "cannot write the trace file " + path + ": " + std::strerror(errno);
        return false;
    }
    s.start = Clock::now();
    char when[40] = {};
    const std::time_t now = std::time(nullptr);
    std::tm utc{};
    gmtime_r(&now, &utc);
    std::strftime(when, sizeof when, "%Y-%m-%dT%H:%M:%SZ", &utc);
    writeEvent(s, s.start, "start", program + " pid " + std::to_string(::getpid()) + " at " + when);
    gActive.store(true);
    return true;
}

bool StartFromOption(const std::string& option, const std::string& program, std::string& error) {
    if (!option.empty()) {
        return Start(option, false, program, error);
    }
    if (const char* env = std::getenv("QUORVEL_TRACE"); env != nullptr && *env != '\0') {
        return Start(env, true, program, error);
    }
    return true;
}

void Stop() {
    Sink& s = sink();
    std::lock_guard lock(s.mutex);
    gActive.store(false);
    if (s.file == nullptr) {
        return;
    }
    flushHeld(s, Direction::Sent);
    flushHeld(s, Direction::Received);
    writeEvent(s, Clock::now(), "stop", "");
    std::fclose(s.file);
    s.file = nullptr;
}

bool Active() {
    return gActive.load(std::memory_order_relaxed);
}

void Bytes(Direction dir, const char* data, std::size_t n) {
    if (!Active() || n == 0) {
        return;
    }
    Sink& s = sink();
    std::lock_guard lock(s.mutex);
    if (s.file == nullptr) {
        return;
    }
    const auto now = Clock::now();
    // The other direction's held-back bytes came first.
    flushHeld(s, dir == Direction::Sent ? Direction::Received : Direction::Sent);
    SecretMask& mask = dir == Direction::Sent ? s.sent : s.received;
    Clock::time_point& since = dir == Direction::Sent ? s.sentSince : s.receivedSince;
    const Clock::time_point first = mask.holding() ? since : now;
    const std::string out = mask.feed(std::string_view(data, n));
    if (mask.holding()) {
        since = out.empty() ? first : now;
    }
    if (!out.empty()) {
        writeLine(s, RecordLine(secondsAt(s, first), dir, out));
    }
}

void Event(std::string_view name, std::string_view detail) {
    if (!Active()) {
        return;
    }
    Sink& s = sink();
    std::lock_guard lock(s.mutex);
    if (s.file == nullptr) {
        return;
    }
    flushHeld(s, Direction::Sent);
    flushHeld(s, Direction::Received);
    writeEvent(s, Clock::now(), name, detail);
}

}  // namespace quorvel::trace
