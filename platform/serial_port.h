// A serial port on POSIX termios: exclusive (TIOCEXCL and flock), raw 8-bit mode, DTR and RTS
// asserted, no flow control, poll()-bounded reads and writes. Closing never waits for output.
#pragma once

#include <memory>
#include <string>

#include "platform/serial_device.h"

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

  private:
    explicit SerialPort(int fd) : fd_(fd) {}
    int fd_;
    int lastErrno_ = 0;
};

// Applies a baud rate that termios has no constant for (14400, 56000, 128000, 256000 ...).
bool setCustomBaud(int fd, int baud);

}  // namespace quorvel::platform
