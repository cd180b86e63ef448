// The byte pipe under the transport: a serial port on termios, or an in-memory stand-in in
// tests. Reads and writes honour time limits and never block beyond them.
#pragma once

#include <cstddef>
#include <functional>
#include <string>

namespace quorvel::platform {

struct LineSettings {
    int baud = 9600;
    int dataBits = 8;  // 4..8 (termios carries 5..8; 4 is sent as 5)
    int parity = 0;    // 0 none, 1 odd, 2 even, 3 mark, 4 space
    int stopBits = 0;  // 0 one, 1 one and a half (sent as two), 2 two
};

// Read limits: a read returns when n bytes arrived, intervalMs after a byte with no further
// byte, or totalMs after it started, whichever comes first.
struct ReadLimits {
    int intervalMs = 10;
    int totalMs = 10;
};

// How long what is queued for output may take to leave: its wire time at `baud` (ten bits a
// byte) and 50 ms, never more than 1 s. Nothing queued: 0.
int OutputDrainBoundMs(long queuedBytes, int baud);

// Waits for the output queue that `queued` reports (bytes, negative when it cannot be read) to
// empty, looking every few milliseconds, within the bound its first reading gives. True when it
// emptied (or cannot be read); false when bytes were still queued as the bound ran out.
bool DrainOutputQueue(const std::function<long()>& queued, int baud);

class SerialDevice {
  public:
    virtual ~SerialDevice() = default;
    // Bytes read (0 on a time-out), or -1 when the device failed or vanished.
    virtual long read(char* buf, std::size_t n, ReadLimits limits) = 0;
    // Bytes written within totalMs (fewer on a time-out), or -1 on failure.
    virtual long write(const char* buf, std::size_t n, int totalMs) = 0;
    // The operating system's reason for the last failure, "" when none.
    virtual std::string osError() const = 0;
    // Waits, within the bound OutputDrainBoundMs gives, until the bytes written so far have
    // left the output queue; true when they have. A device without a queue of its own has
    // nothing to wait for.
    virtual bool drainOutput() { return true; }
};

}  // namespace quorvel::platform
