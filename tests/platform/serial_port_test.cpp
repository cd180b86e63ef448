// The termios serial port on a real pseudo-terminal: exclusivity, read limits, a vanished
// device, and closing without waiting.
#include <gtest/gtest.h>

#include <termios.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <thread>

#include "platform/serial_port.h"
#include "support/pty_pair.h"

namespace quorvel::platform {
namespace {

using Clock = std::chrono::steady_clock;
using test::PtyPair;

long elapsedMs(Clock::time_point start) {
    return static_cast<long>(
        std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count());
}

std::unique_ptr<SerialPort> openPort(const std::string& path, int baud = 9600) {
    SerialPort::OpenError err;
    return SerialPort::open(path, LineSettings{baud, 8, 0, 0}, err);
}

// A port opened at 9600 baud on the slave side of a fresh pseudo-terminal.
class OpenSerialPort : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(pty.ok());
        port = openPort(pty.path());
        ASSERT_NE(port, nullptr);
    }
    PtyPair pty;
    std::unique_ptr<SerialPort> port;
};

TEST_F(OpenSerialPort, OpensExclusively) {
    SerialPort::OpenError err;
    EXPECT_EQ(SerialPort::open(pty.path(), {9600, 8, 0, 0}, err), nullptr);
    EXPECT_EQ(err.stage, SerialPort::Stage::Open);
    port.reset();
    EXPECT_NE(openPort(pty.path()), nullptr);  // free again once closed
}

// The line settings as the driver gets them: every character size, the four parities, stop
// bits, and nothing left of flow control or line editing from a previous user of the port.
TEST(SerialPort, LineSettingsReachTheDriver) {
    struct Case {
        LineSettings settings;
        tcflag_t size, parity;
    };
    const Case cases[] = {
        {{9600, 8, 0, 0}, CS8, 0},
        {{9600, 7, 1, 0}, CS7, PARENB | PARODD},
        {{9600, 6, 2, 2}, CS6, PARENB},
        {{9600, 5, 3, 1}, CS5, PARENB | PARODD | CMSPAR},
        {{9600, 4, 4, 2}, CS5, PARENB | CMSPAR},
    };
    for (const Case& c : cases) {
        termios tio{};
        tio.c_cflag = CSIZE | PARENB | PARODD | CMSPAR | CSTOPB | CRTSCTS;
        tio.c_iflag = IXON | IXOFF | IXANY | ICRNL;
        tio.c_lflag = ICANON | ECHO | ISIG;
        applyLineSettings(tio, c.settings);
        EXPECT_EQ(tio.c_cflag & CSIZE, c.size) << c.settings.dataBits;
        EXPECT_EQ(tio.c_cflag & (PARENB | PARODD | CMSPAR), c.parity) << c.settings.parity;
        EXPECT_EQ((tio.c_cflag & CSTOPB) != 0, c.settings.stopBits != 0);
        EXPECT_EQ(tio.c_cflag & (CRTSCTS | CLOCAL | CREAD), tcflag_t{CLOCAL | CREAD});
        EXPECT_EQ(tio.c_iflag & (IXON | IXOFF | IXANY | ICRNL), 0u);
        EXPECT_EQ(tio.c_lflag & (ICANON | ECHO | ISIG), 0u);
        EXPECT_EQ(tio.c_cc[VMIN], 0);
        EXPECT_EQ(tio.c_cc[VTIME], 0);
    }

    // Read back from a real pseudo-terminal, which keeps all but the size and parity enable.
    PtyPair pty;
    ASSERT_TRUE(pty.ok());
    termios before{};
    ASSERT_EQ(::tcgetattr(pty.master(), &before), 0);
    before.c_cflag |= CRTSCTS;
    before.c_iflag |= IXON | IXOFF;
    before.c_lflag |= ICANON | ECHO;
    ASSERT_EQ(::tcsetattr(pty.master(), TCSANOW, &before), 0);
    SerialPort::OpenError err;
    auto port = SerialPort::open(pty.path(), {19200, 8, 3, 2}, err);
    ASSERT_NE(port, nullptr);
    termios got{};
    ASSERT_EQ(::tcgetattr(pty.master(), &got), 0);  // the master reads the slave's settings
    EXPECT_EQ(::cfgetospeed(&got), speed_t{B19200});
    EXPECT_EQ(got.c_cflag & (PARODD | CMSPAR | CSTOPB | CRTSCTS),
              tcflag_t{PARODD | CMSPAR | CSTOPB});
    EXPECT_EQ(got.c_iflag & (IXON | IXOFF), 0u);
    EXPECT_EQ(got.c_lflag & (ICANON | ECHO), 0u);
}

TEST(SerialPort, ReportsWhichStageFailed) {
    SerialPort::OpenError err;
    EXPECT_EQ(SerialPort::open("/nonexistent/ttyQ9", {9600, 8, 0, 0}, err), nullptr);
    EXPECT_EQ(err.stage, SerialPort::Stage::Open);
    EXPECT_EQ(err.errnum, ENOENT);
    EXPECT_EQ(SerialPort::open("/dev/null", {9600, 8, 0, 0}, err), nullptr);
    EXPECT_EQ(err.stage, SerialPort::Stage::GetState);
}

TEST(SerialPort, EveryListedRateReachesTheDriverAndOthersAreAccepted) {
    PtyPair pty;
    ASSERT_TRUE(pty.ok());
    const std::pair<int, speed_t> rates[] = {{110, B110},     {300, B300},       {600, B600},
                                             {1200, B1200},   {2400, B2400},     {4800, B4800},
                                             {9600, B9600},   {19200, B19200},   {38400, B38400},
                                             {57600, B57600}, {115200, B115200}, {230400, B230400}};
    for (const auto& [baud, speed] : rates) {
        ASSERT_NE(openPort(pty.path(), baud), nullptr) << baud;
        termios got{};
        ASSERT_EQ(::tcgetattr(pty.master(), &got), 0);
        EXPECT_EQ(::cfgetospeed(&got), speed) << baud;
    }
    EXPECT_NE(openPort(pty.path(), 256000), nullptr);
    EXPECT_NE(openPort(pty.path(), 14400), nullptr);
}

TEST_F(OpenSerialPort, ReadsHonourTheGapAndTotalLimits) {
    char buf[64];

    pty.send("abc");
    auto start = Clock::now();
    EXPECT_EQ(port->read(buf, 3, {10, 13}), 3);  // all asked for: returns at once
    EXPECT_LT(elapsedMs(start), 200);

    start = Clock::now();
    EXPECT_EQ(port->read(buf, 64, {10, 74}), 0);  // silence: the total limit
    long silent = elapsedMs(start);
    EXPECT_GE(silent, 70);
    EXPECT_LT(silent, 500);

    pty.send("xy");
    start = Clock::now();
    EXPECT_EQ(port->read(buf, 64, {10, 2000}), 2);  // the gap after the last byte ends it
    EXPECT_LT(elapsedMs(start), 1000);
}

TEST_F(OpenSerialPort, AVanishedDeviceFailsReadsInsteadOfHanging) {
    pty.closeMaster();
    char buf[16];
    auto start = Clock::now();
    errno = EAGAIN;  // left over from an earlier call: the hang-up must not pass for it
    EXPECT_EQ(port->read(buf, sizeof buf, {10, 26}), -1);
    EXPECT_LT(elapsedMs(start), 1000);
    EXPECT_EQ(port->osError(), std::strerror(ENODEV));
}

TEST_F(OpenSerialPort, BytesReadBeforeTheDeviceVanishedAreKept) {
    pty.send("x");
    std::thread pull([this] {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        pty.closeMaster();
    });
    char buf[16];
    const long got = port->read(buf, sizeof buf, {1500, 3000});
    pull.join();
    ASSERT_EQ(got, 1);
    EXPECT_EQ(buf[0], 'x');
    EXPECT_EQ(port->osError(), std::strerror(ENODEV));
}

TEST_F(OpenSerialPort, WritesToADeviceThatStoppedReadingAreBoundedAndCloseDoesNotWait) {
    std::string block(4096, 'z');
    auto start = Clock::now();
    long total = 0;
    for (int i = 0; i < 64; ++i) {
        long w = port->write(block.data(), block.size(), 20);
        ASSERT_GE(w, 0);
        total += w;
        if (w < static_cast<long>(block.size())) {
            break;  // the device's buffer is full: the write gave up at its limit
        }
    }
    EXPECT_LT(total, 64L * 4096);
    EXPECT_LT(elapsedMs(start), 3000);
    start = Clock::now();
    port.reset();
    EXPECT_LT(elapsedMs(start), 1000);
}

// write() returns once the bytes are queued; the close must not throw them away (the logout
// line is the last thing written before every close). Dropped ones show up within a few runs.
TEST(SerialPort, WhatWasWrittenLastReachesTheDeviceThroughTheClose) {
    for (int run = 0; run < 40; ++run) {
        PtyPair pty;
        ASSERT_TRUE(pty.ok());
        auto port = openPort(pty.path());
        ASSERT_NE(port, nullptr);
        ASSERT_EQ(port->write("\x12\r", 2, 20), 2);
        port.reset();
        ASSERT_EQ(pty.receive(2, 500), "\x12\r") << "run " << run;
    }
}

TEST(OutputDrain, TheBoundIsTheWireTimeAndFiftyMillisecondsAtMostOneSecond) {
    EXPECT_EQ(OutputDrainBoundMs(0, 9600), 0);
    EXPECT_EQ(OutputDrainBoundMs(-1, 9600), 0);
    EXPECT_EQ(OutputDrainBoundMs(1, 9600), 52);    // 1.04 ms rounded up
    EXPECT_EQ(OutputDrainBoundMs(96, 9600), 150);  // 100 ms on the wire
    EXPECT_EQ(OutputDrainBoundMs(10, 115200), 51);
    EXPECT_EQ(OutputDrainBoundMs(911, 9600), 999);
    EXPECT_EQ(OutputDrainBoundMs(912, 9600), 1000);
    EXPECT_EQ(OutputDrainBoundMs(1L << 40, 9600), 1000);
    EXPECT_EQ(OutputDrainBoundMs(5, 0), 505);  // an unknown rate counts as 110 baud
}

TEST(OutputDrain, ADeviceThatNeverTakesItsBytesCannotHoldTheCloseBeyondTheBound) {
    auto start = Clock::now();
    int looks = 0;
    EXPECT_FALSE(DrainOutputQueue(
        [&looks] {
            ++looks;
            return 96L;
        },
        9600));
    const long took = elapsedMs(start);
    EXPECT_GE(took, 150);
    EXPECT_LT(took, 400);
    EXPECT_GT(looks, 2);

    // A queue that empties ends the wait at once; one that cannot be read has nothing to wait for.
    start = Clock::now();
    int left = 3;
    EXPECT_TRUE(DrainOutputQueue([&left] { return static_cast<long>(left--); }, 110));
    EXPECT_EQ(left, -1);
    EXPECT_TRUE(DrainOutputQueue([] { return -1L; }, 9600));
    EXPECT_TRUE(DrainOutputQueue([] { return 0L; }, 9600));
    // One byte still queued is waited for: the queue is looked at again.
    looks = 0;
    EXPECT_TRUE(DrainOutputQueue([&looks] { return ++looks == 1 ? 1L : 0L; }, 9600));
    EXPECT_EQ(looks, 2);
    EXPECT_LT(elapsedMs(start), 100);
}

}  // namespace
}  // namespace quorvel::platform
