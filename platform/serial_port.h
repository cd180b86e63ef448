// A serial port on POSIX termios: exclusive (TIOCEXCL and flock), raw 8-bit mode, DTR and RTS
// asserted, no flow control, poll()-bounded reads and writes. Closing lets what is queued go
// out first, within the bound OutputDrainBoundMs gives, and then drops only what is left.
#pragma once

#include <memory>
#include <string>

#include "platform/serial_device.h"

struct termios;

namespace quorvel::platform {

class SerialPort : public SerialDevice {
  public:
    enum class Stage { Open, GetState, SetState };
    struct OpenError {
        Stage stage = Stage::Open;
        int errnum = 0;
    };

    // Opens and configures path; on failure returns null and says which stage failed and why.
    static std::unique_ptr<SerialPort> open(const std::string& path, const LineSettings& settings,
                                            OpenError& error);
    ~SerialPort() override;
    SerialPort(const SerialPort&) = delete;
    SerialPort& operator=(const SerialPort&) = delete;

    long read(char* buf, std::size_t n, ReadLimits limits) override;
    long write(const char* buf, std::size_t n, int totalMs) override;
    std::string osError() const override;
    bool drainOutput() override;

  private:
    SerialPort(int fd, int baud) : fd_(fd), baud_(baud) {}
    // Bytes in the driver's output queue; -1 when the driver cannot say.
    long outputQueued() const;
    int fd_;
    int baud_;
    int lastErrno_ = 0;
};

// What open() sets in the port's termios: raw binary mode, the character size, parity and stop
// bits of `settings`, no flow control, reads that never wait in the driver.
void applyLineSettings(termios& tio, const LineSettings& settings);

// Applies a baud rate that termios has no constant for (14400, 56000, 128000, 256000 ...).
bool setCustomBaud(int fd, int baud);

}  // namespace quorvel::platform
