#include "link/transport.h"

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <thread>

#include "link/serial_trace.h"
#include "platform/port_map.h"
#include "platform/serial_port.h"
#include "platform/thread_stop.h"

namespace quorvel::transport {

namespace {

constexpr std::array kBaudRates{110,   300,   600,   1200,  2400,   4800,   9600,  14400,
                                19200, 38400, 56000, 57600, 115200, 128000, 256000};
constexpr int kMaxCandidates = 10;
constexpr int kFirstChunkMax = 80;
constexpr int kSecondChunkPauseMs = 200;
constexpr int kWaitStepMs = 20;
constexpr int kIntervalMs = 10;
constexpr int kTotalPerByteMs = 1;
constexpr int kTotalConstantMs = 10;

OpenResult openSerialPort(int port, const platform::LineSettings& settings) {
    OpenResult r;
    std::string path = platform::resolvePortPath(port);
    r.deviceName = path;
    platform::SerialPort::OpenError err;
    auto dev = platform::SerialPort::open(path, settings, err);
    if (!dev) {
        r.failedStage = static_cast<int>(err.stage);
        r.osError = std::strerror(err.errnum);
        return r;
    }
    r.device = std::move(dev);
    return r;
}

// Process-wide state. The console lease keeps exchanges from overlapping; this mutex only
// keeps the state itself consistent should two threads ever meet here.
struct State {
    std::recursive_mutex mutex;
    std::unique_ptr<platform::SerialDevice> device;
    int port = 1;
    int baud = 38400;
    int dataBits = 8;
    int parity = 0;
    int stopBits = 0;
    char lastError[kLastErrorSize] = {};
    std::string lastOsError;
    std::string devicePath;
    DeviceOpener opener;
};

State& state() {
    static State s;
    return s;
}

using Lock = std::lock_guard<std::recursive_mutex>;

[[gnu::format(printf, 1, 2)]] void setError(const char* fmt, ...) {
    auto& s = state();
    va_list ap;
    va_start(ap, fmt);
    std::vsnprintf(s.lastError, sizeof s.lastError, fmt, ap);
    va_end(ap);
    trace::Event("transport error", s.lastError);
}

void sleepMs(int ms) {
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

long deviceRead(char* buf, int n) {
    auto& s = state();
    if (!s.device || n <= 0) {
        return s.device ? 0 : -1;
    }
    platform::ReadLimits limits{kIntervalMs, kTotalPerByteMs * n + kTotalConstantMs};
    long r = s.device->read(buf, static_cast<std::size_t>(n), limits);
    if (r < 0) {
        s.lastOsError = s.device->osError();
    } else {
        trace::Bytes(trace::Direction::Received, buf, static_cast<std::size_t>(r));
    }
    return r;
}

bool deviceWriteAll(const char* buf, int n) {
    auto& s = state();
    if (!s.device) {
        return false;
    }
    long w =
        s.device->write(buf, static_cast<std::size_t>(n), kTotalPerByteMs * n + kTotalConstantMs);
    if (w < 0) {
        s.lastOsError = s.device->osError();
    } else {
        trace::Bytes(trace::Direction::Sent, buf, static_cast<std::size_t>(w));
    }
    return w == n;
}

// Reads once at the reply position: the bytes are kept only while the buffer keeps room for
// its terminator. Returns false on a failed read.
bool readIntoReply(char* reply, int capacity, int& position) {
    long n = deviceRead(reply + position, capacity - position);
    if (n < 0) {
        return false;
    }
    if (n > 0 && position + n < capacity) {
        position += static_cast<int>(n);
    }
    reply[position] = '\0';
    return true;
}

// The sending stage shared by the three exchanges. Returns false on a failed send (message set
// with the exchange's own name).
bool sendStage(const char* name, const char* text, bool replyWanted, char* reply, int capacity,
               int& position) {
    position = 0;
    if (text == nullptr) {
        return true;
    }
    const int length = static_cast<int>(std::strlen(text));
    const int first = length <= kFirstChunkMax ? length : length / 2;
    bool sent = deviceWriteAll(text, first);
    if (sent) {
        if (replyWanted) {
            // The echo of the first half paces the second half. Its read is timed from when
            // the half has left the output queue, not from when it was queued.
            if (first < length) {
                state().device->drainOutput();
            }
            long n = deviceRead(reply, std::min(first, capacity - 1));
            if (n > 0) {
                position = static_cast<int>(n);
                reply[position] = '\0';
            }
        } else if (first < length) {
            sleepMs(kSecondChunkPauseMs);
        }
        if (first < length) {
            sent = deviceWriteAll(text + first, length - first);
        }
    }
    if (!sent) {
        setError("%s: could not send command to serial COM device\n", name);
    }
    return sent;
}

}  // namespace

std::string ParamsError(int port, int dataBits, int parity, int stopBits) {
    char message[kLastErrorSize] = {};
    if (port < 1 || port > 20) {
        std::snprintf(message, sizeof message, "SetParams: illegal COM port %d\n", port);
    } else if (dataBits < 4 || dataBits > 8) {
        std::snprintf(message, sizeof message, "SetParams: illegal number of data bits %d\n",
                      dataBits);
    } else if (parity < 0 || parity > 4) {
        std::snprintf(message, sizeof message, "SetParams: illegal parity selection %d\n", parity);
    } else if (stopBits < 0 || stopBits > 2) {
        std::snprintf(message, sizeof message, "SetParams: illegal number of stop bits %d\n",
                      stopBits);
    }
    return message;
}

bool SetParams(int port, int baud, int dataBits, int parity, int stopBits) {
    Lock lock(state().mutex);
    if (std::string e = ParamsError(port, dataBits, parity, stopBits); !e.empty()) {
        setError("%s", e.c_str());
        return false;
    }
    auto& s = state();
    s.port = port;
    s.baud = baud;
    s.dataBits = dataBits;
    s.parity = parity;
    s.stopBits = stopBits;
    return true;
}

bool OpenCOMDev() {
    Lock lock(state().mutex);
    auto& s = state();
    s.device.reset();
    if (std::find(kBaudRates.begin(), kBaudRates.end(), s.baud) == kBaudRates.end()) {
        setError("OpenCOMDev: illegal baud rate %d\n", s.baud);
        return false;
    }
    if (s.port < 1 || s.port > 20) {
        s.port = 1;
    }
    char comName[16];
    std::snprintf(comName, sizeof comName, "\\COM%d", s.port);
    platform::LineSettings settings{s.baud, s.dataBits, s.parity, s.stopBits};
    OpenResult r = s.opener ? s.opener(s.port, settings) : openSerialPort(s.port, settings);
    s.devicePath = r.deviceName;
    s.lastOsError = r.osError;
    if (r.device) {
        s.device = std::move(r.device);
        trace::Event("open", std::string(comName + 1) + " " + r.deviceName + " at " +
                                 std::to_string(s.baud) + " baud");
        return true;
    }
    trace::Event("open failed", std::string(comName + 1) + " " + r.deviceName + ": " + r.osError);
    switch (r.failedStage) {
        case 1:
            setError("OpenCOMDev: could not get the state of serial COM device\n");
            break;
        case 2:
            setError("OpenCOMDev: could not set the state of serial COM device [%s]\n", comName);
            break;
        default:
            setError("OpenCOMDev: could not open serial COM device [%s]\n", comName);
            break;
    }
    return false;
}

bool SetCOMTimeout(int /*ignored*/) {
    Lock lock(state().mutex);
    auto& s = state();
    if (!s.device) {
        setError("SetCOMTimeout: could not set timeout for serial COM device\n");
        return false;
    }
    // The limits themselves are applied by every read and write of the open port.
    return true;
}

void CloseCOMDev() {
    Lock lock(state().mutex);
    if (state().device) {
        trace::Event("close", state().devicePath);
    }
    state().device.reset();
}

bool IsOpen() {
    Lock lock(state().mutex);
    return state().device != nullptr;
}

bool XferCOMString(const char* text, int pauseMs, char* reply, int capacity, const char* expect) {
    Lock lock(state().mutex);
    const bool replyWanted = reply != nullptr && capacity > 0;
    int position = 0;
    if (!sendStage("XferCOMString", text, replyWanted, reply, capacity, position)) {
        return false;
    }
    if (pauseMs != 0) {
        sleepMs(pauseMs);
    }
    if (replyWanted && !readIntoReply(reply, capacity, position)) {
        setError("XferCOMString: could not get response from serial COM device\n");
        return false;
    }
    if (expect != nullptr) {
        // Compared from the first byte: the expected text includes the echo.
        const std::size_t n = std::strlen(expect);
        if (!replyWanted || std::strncmp(reply, expect, n) != 0) {
            return false;
        }
    }
    return true;
}

int XferCOMStringWaitSingleReply(const char* text, int waitMs, char* reply, int capacity,
                                 const char* expect) {
    Lock lock(state().mutex);
    const bool replyWanted = reply != nullptr && capacity > 0 && expect != nullptr;
    int position = 0;
    if (!sendStage("XferCOMStringWaitSingleReply", text, replyWanted, reply, capacity, position)) {
        return -1;
    }
    if (!replyWanted || waitMs <= 0) {
        return 0;
    }
    for (int elapsed = 0; elapsed < waitMs; elapsed += kWaitStepMs) {
        if (!readIntoReply(reply, capacity, position)) {
            setError(
                "XferCOMStringWaitSingleReply: could not get response from serial COM device\n");
            return -1;
        }
        if (std::strstr(reply, expect) != nullptr) {
            return 1;
        }
        // A worker whose dialog has closed waits no longer: the wait counts as timed out.
        if (platform::ThreadStopRequested()) {
            return 0;
        }
        sleepMs(kWaitStepMs);
    }
    return 0;
}

int XferCOMStringWaitMultipleReply(const char* text, int waitMs, char* reply, int capacity,
                                   const char* const* candidates) {
    Lock lock(state().mutex);
    const bool replyWanted = reply != nullptr && capacity > 0 && candidates != nullptr;
    int position = 0;
    if (!sendStage("XferCOMStringWaitMultipleReply", text, replyWanted, reply, capacity,
                   position)) {
        return -1;
    }
    if (!replyWanted || waitMs <= 0) {
        return 0;
    }
    for (int elapsed = 0; elapsed < waitMs; elapsed += kWaitStepMs) {
        if (!readIntoReply(reply, capacity, position)) {
            setError(
                "XferCOMStringWaitMultipleReply: could not get response from serial COM device\n");
            return -1;
        }
        for (int k = 0; k < kMaxCandidates && candidates[k] != nullptr; ++k) {
            if (std::strstr(reply, candidates[k]) != nullptr) {
                return k + 1;
            }
        }
        if (platform::ThreadStopRequested()) {
            return 0;
        }
        sleepMs(kWaitStepMs);
    }
    return 0;
}

std::string LastError() {
    Lock lock(state().mutex);
    return state().lastError;
}

std::string LastOsError() {
    Lock lock(state().mutex);
    return state().lastOsError;
}

std::string LastDevicePath() {
    Lock lock(state().mutex);
    return state().devicePath;
}

Settings CurrentSettings() {
    Lock lock(state().mutex);
    auto& s = state();
    return {s.port, s.baud, s.dataBits, s.parity, s.stopBits};
}

void SetDeviceOpener(DeviceOpener opener) {
    Lock lock(state().mutex);
    state().opener = std::move(opener);
}

}  // namespace quorvel::transport
