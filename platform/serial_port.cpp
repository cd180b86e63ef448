#include "platform/serial_port.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>

namespace quorvel::platform {

namespace {

using Clock = std::chrono::steady_clock;

int msUntil(Clock::time_point deadline) {
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
    return static_cast<int>(std::max<long long>(0, left.count()));
}

speed_t standardSpeed(int baud) {
    switch (baud) {
        case 110:
            return B110;
        case 300:
            return B300;
        case 600:
            return B600;
        case 1200:
            return B1200;
        case 2400:
            return B2400;
        case 4800:
            return B4800;
        case 9600:
            return B9600;
        case 19200:
            return B19200;
        case 38400:
            return B38400;
        case 57600:
            return B57600;
        case 115200:
            return B115200;
        case 230400:
            return B230400;
        default:
            return B0;
    }
}

tcflag_t characterSize(int dataBits) {
    switch (dataBits) {
        case 8:
            return CS8;
        case 7:
            return CS7;
        case 6:
            return CS6;
        default:
            return CS5;
    }
}

}  // namespace

void applyLineSettings(termios& tio, const LineSettings& s) {
    // Binary mode: no translation of any byte in either direction, no echo, no signals.
    cfmakeraw(&tio);
    tio.c_cflag |= CLOCAL | CREAD;
    tio.c_cflag &= ~static_cast<tcflag_t>(CSIZE | PARENB | PARODD | CSTOPB | CRTSCTS | CMSPAR);
    tio.c_cflag |= characterSize(s.dataBits);
    switch (s.parity) {
        case 1:
            tio.c_cflag |= PARENB | PARODD;
            break;
        case 2:
            tio.c_cflag |= PARENB;
            break;
        case 3:
            tio.c_cflag |= PARENB | PARODD | CMSPAR;
            break;
        case 4:
            tio.c_cflag |= PARENB | CMSPAR;
            break;
        default:
            break;
    }
    if (s.stopBits != 0) {
        tio.c_cflag |= CSTOPB;
    }
    tio.c_iflag &= ~static_cast<tcflag_t>(IXON | IXOFF | IXANY);
    // Reads are bounded by poll(); the driver itself never waits.
    tio.c_cc[VMIN] = 0;
    tio.c_cc[VTIME] = 0;
}

std::unique_ptr<SerialPort> SerialPort::open(const std::string& path, const LineSettings& settings,
                                             OpenError& error) {
    auto fail = [&error](Stage stage, int fd) -> std::unique_ptr<SerialPort> {
        error.stage = stage;
        error.errnum = errno;
        if (fd >= 0) {
            ::close(fd);
        }
        return nullptr;
    };

    int fd;
    do {
        fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0) {
        return fail(Stage::Open, -1);
    }
    // Exclusive use: no second opener in this program or another. TIOCEXCL does not stop root,
    // the advisory lock does for every program that asks for it.
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        return fail(Stage::Open, fd);
    }
    if (::ioctl(fd, TIOCEXCL) != 0 && errno != ENOTTY) {
        return fail(Stage::Open, fd);
    }

    termios tio{};
    if (::tcgetattr(fd, &tio) != 0) {
        return fail(Stage::GetState, fd);
    }
    applyLineSettings(tio, settings);
    speed_t speed = standardSpeed(settings.baud);
    if (speed != B0) {
        ::cfsetispeed(&tio, speed);
        ::cfsetospeed(&tio, speed);
    }
    if (::tcsetattr(fd, TCSANOW, &tio) != 0) {
        return fail(Stage::SetState, fd);
    }
    if (speed == B0 && !setCustomBaud(fd, settings.baud)) {
        return fail(Stage::SetState, fd);
    }
    // tcsetattr succeeds when any one setting took: check what the driver really holds.
    termios check{};
    if (::tcgetattr(fd, &check) != 0 || (check.c_cflag & CSIZE) != (tio.c_cflag & CSIZE)) {
        errno = errno ? errno : EINVAL;
        return fail(Stage::SetState, fd);
    }
    // DTR and RTS stay asserted while the port is open. A pseudo-terminal has no modem lines.
    int lines = TIOCM_DTR | TIOCM_RTS;
    if (::ioctl(fd, TIOCMBIS, &lines) != 0 && errno != ENOTTY && errno != EINVAL) {
        return fail(Stage::SetState, fd);
    }
    ::tcflush(fd, TCIOFLUSH);
    return std::unique_ptr<SerialPort>(new SerialPort(fd, settings.baud));
}

SerialPort::~SerialPort() {
    // The last line written (the logout) must reach the device: write() returns once the bytes
    // are queued, not sent. Only what a device that stopped reading left in the queue when the
    // bound ran out is dropped, so the close never sits out the driver's closing wait.
    const bool sent = drainOutput();
    ::tcflush(fd_, sent ? TCIFLUSH : TCIOFLUSH);
    ::flock(fd_, LOCK_UN);
    ::close(fd_);
}

long SerialPort::outputQueued() const {
    int queued = 0;
    if (::ioctl(fd_, TIOCOUTQ, &queued) != 0) {
        return -1;
    }
    return queued;
}

bool SerialPort::drainOutput() {
    return DrainOutputQueue([this] { return outputQueued(); }, baud_);
}

long SerialPort::read(char* buf, std::size_t n, ReadLimits limits) {
    const auto deadline = Clock::now() + std::chrono::milliseconds(limits.totalMs);
    std::size_t got = 0;
    while (got < n) {
        int left = msUntil(deadline);
        if (left <= 0) {
            break;
        }
        int wait = got > 0 ? std::min(limits.intervalMs, left) : left;
        pollfd p{fd_, POLLIN, 0};
        int r = ::poll(&p, 1, wait);
        if (r < 0) {
            if (errno == EINTR) {
                continue;
            }
            lastErrno_ = errno;
            return -1;
        }
        if (r == 0) {
            break;  // the gap after a byte, or the total, ran out
        }
        if (p.revents & POLLIN) {
            ssize_t k = ::read(fd_, buf + got, n - got);
            if (k > 0) {
                got += static_cast<std::size_t>(k);
                continue;
            }
            if (k < 0 && (errno == EAGAIN || errno == EINTR)) {
                continue;
            }
            lastErrno_ = k == 0 ? ENODEV : errno;
            return got > 0 ? static_cast<long>(got) : -1;
        }
        // Hang-up or error without data: the device is gone.
        lastErrno_ = (p.revents & POLLNVAL) ? EBADF : ENODEV;
        return got > 0 ? static_cast<long>(got) : -1;
    }
    return static_cast<long>(got);
}

long SerialPort::write(const char* buf, std::size_t n, int totalMs) {
    const auto deadline = Clock::now() + std::chrono::milliseconds(totalMs);
    std::size_t done = 0;
    while (done < n) {
        ssize_t k = ::write(fd_, buf + done, n - done);
        if (k > 0) {
            done += static_cast<std::size_t>(k);
            continue;
        }
        if (k < 0 && errno == EINTR) {
            continue;
        }
        if (k < 0 && errno != EAGAIN) {
            lastErrno_ = errno;
            return -1;
        }
        int left = msUntil(deadline);
        if (left <= 0) {
            break;
        }
        pollfd p{fd_, POLLOUT, 0};
        int r = ::poll(&p, 1, left);
        if (r < 0 && errno != EINTR) {
            lastErrno_ = errno;
            return -1;
        }
        if (r > 0 && (p.revents & (POLLERR | POLLHUP | POLLNVAL)) && !(p.revents & POLLOUT)) {
            lastErrno_ = ENODEV;
            return -1;
        }
        if (r == 0) {
            break;
        }
    }
    return static_cast<long>(done);
}

std::string SerialPort::osError() const {
    return lastErrno_ ? std::strerror(lastErrno_) : "";
}

}  // namespace quorvel::platform
