// The trace for support: every byte the transport sends and receives, as JSON lines with a
// monotonic timestamp, the direction, the bytes in hexadecimal and as text. The console password
// and the access code never reach the file: they are written as "***" in either direction (the
// console echoes them). Safe from any thread; costs one atomic load while no trace runs.
#pragma once

#include <chrono>
#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace quorvel::trace {

enum class Direction { Sent, Received };

// Masks secrets in a byte stream that arrives in pieces: a piece that ends in what could be the
// beginning of a secret keeps that end back until the next piece (or flush) shows what it is.
class SecretMask {
  public:
    explicit SecretMask(std::vector<std::string> secrets) : secrets_(std::move(secrets)) {}
    // Appends bytes; returns what can be written now, secrets replaced by "***".
    std::string feed(std::string_view bytes);
    // What was kept back, as it is (no secret can follow any more).
    std::string flush();
    bool holding() const { return !pending_.empty(); }

  private:
    std::vector<std::string> secrets_;
    std::string pending_;
};

// One JSON line: {"t":SECONDS,"dir":"tx"|"rx","bytes":"1b 0d","text":"\u001b\r"}.
std::string RecordLine(double seconds, Direction dir, std::string_view bytes);

// Starts writing to path (append: keep what the file holds). False, with the reason, when the
// file cannot be opened.
bool Start(const std::string& path, bool append, const std::string& program, std::string& error);
// --trace FILE when given (the file is begun afresh), else the file QUORVEL_TRACE names (runs
// add to it), else nothing. False, with the reason, when the file cannot be opened.
bool StartFromOption(const std::string& option, const std::string& program, std::string& error);
// Writes what is held back and closes the file; harmless when no trace runs.
void Stop();
bool Active();

void Bytes(Direction dir, const char* data, std::size_t n);
// A line about the line itself: {"t":..,"event":NAME,"detail":TEXT} (opened, closed, an error).
void Event(std::string_view name, std::string_view detail);

}  // namespace quorvel::trace
