// The simulator on a real pseudo-terminal, opened the way the host opens a serial device, and
// the pdusim program. Every wait is bounded; none sleeps a fixed time.
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/resource.h>
#include <unistd.h>
#include <filesystem>

#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <memory>
#include <optional>
#include <string>

#include "platform/serial_port.h"
#include "sim/pty_simulator.h"
#include "sim/sim_test_support.h"
#include "support/child_process.h"

namespace quorvel::sim {
namespace {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

// The host end of the line: the slave opened as the host opens a serial port (raw, exclusive,
// locked).
class Client {
  public:
    explicit Client(const std::string& path)
        : port_(platform::SerialPort::open(path, platform::LineSettings{}, error_)) {}
    bool ok() const { return port_ != nullptr; }

    bool send(std::string_view bytes) {
        return port_->write(bytes.data(), bytes.size(), 1000) == static_cast<long>(bytes.size());
    }
    // Reads until `expect` has arrived, the line closed or the time is up; returns what came.
    std::string readUntil(std::string_view expect, std::chrono::milliseconds limit = 2000ms) {
        std::string got;
        const auto end = Clock::now() + limit;
        while (got.find(expect) == std::string::npos && Clock::now() < end) {
            const auto left =
                std::chrono::duration_cast<std::chrono::milliseconds>(end - Clock::now());
            char buf[512];
            const long n = port_->read(buf, sizeof buf, {10, static_cast<int>(left.count())});
            if (n < 0) {
                closed_ = true;
                break;
            }
            got.append(buf, static_cast<std::size_t>(n));
        }
        return got;
    }
    std::string exchange(std::string_view line) {
        send(line);
        return readUntil("\r\n?");
    }
    bool login() {
        send("\x1b");
        send("\r");
        std::string r = readUntil("Password: ");
        if (r.find("Password: ") == std::string::npos)
            return false;
        return exchange("Kel Voran\r").ends_with("\r\n?");
    }
    bool closed() const { return closed_; }

  private:
    platform::SerialPort::OpenError error_;
    std::unique_ptr<platform::SerialPort> port_;
    bool closed_ = false;
};

class PtyTest : public testing::Test {
  protected:
    void start(Faults faults = {}, int baud = 0, const char* profile = "v2") {
        ASSERT_NO_FATAL_FAILURE(Load(profile, profile_));
        std::string error;
        ASSERT_TRUE(sim.start(profile_, faults, baud, error)) << error;
        ASSERT_FALSE(sim.slavePath().empty());
    }
    // Opens the host end as `host`, logged in when `login`. Call it under ASSERT_NO_FATAL_FAILURE.
    void connect(bool login = true) {
        host.emplace(sim.slavePath());
        ASSERT_TRUE(host->ok()) << std::strerror(errno);
        if (login) {
            ASSERT_TRUE(host->login());
        }
    }
    Profile profile_;  // the one start() serves
    PtySimulator sim;
    std::optional<Client> host;
};

TEST_F(PtyTest, HostOpensTheSlaveExclusivelyLogsInAndQueries) {
    start();
    ASSERT_NO_FATAL_FAILURE(connect());
    host->send("\x1b");
    EXPECT_EQ(host->exchange("\r"), "\r\r\n?");
    std::string reply = host->exchange("u\r");
    EXPECT_EQ(reply, "u\r\r\n02.03.01 V2\r\n?");
    EXPECT_EQ(host->exchange("R 1 0\r"), "R 1 0\r\r\n?");
    EXPECT_FALSE(sim.deviceSnapshot().outletOn(0));
    bool loggedIn = false;
    sim.withConsole([&](Console& c) { loggedIn = c.loggedIn(); });
    EXPECT_TRUE(loggedIn);
}

TEST_F(PtyTest, ServesAgainAfterTheHostClosedAndReopened) {
    start();
    {
        Client first(sim.slavePath());
        ASSERT_TRUE(first.ok());
        ASSERT_TRUE(first.login());
        first.send("\x12\r");
        EXPECT_EQ(first.readUntil("\x12\r"), "\x12\r");
    }
    Client second(sim.slavePath());
    ASSERT_TRUE(second.ok());
    EXPECT_TRUE(second.login());
    EXPECT_EQ(second.exchange("n\r"), "n\r\r\n0 0\r\n?");
}

// The serving thread moves the device's clock on by itself, with no host traffic: a power reset
// ends and an alarm cleared while still beyond its limit comes back.
TEST_F(PtyTest, DeviceTimeFollowsTheClockWhileIdle) {
    Profile profile;
    ASSERT_NO_FATAL_FAILURE(Load("v2-alarm", profile));
    profile.device.drift = false;
    std::string error;
    ASSERT_TRUE(sim.start(std::move(profile), {}, 0, error)) << error;
    ASSERT_NO_FATAL_FAILURE(connect());
    EXPECT_EQ(host->exchange("n\r"), "n\r\r\n81 1\r\n?");
    ASSERT_EQ(host->exchange("H 9 0 0\r"), "H 9 0 0\r\r\n?");  // outlet 1: no reset delay
    ASSERT_EQ(host->exchange("o 1 1\r"), "o 1 1\r\r\n?");
    ASSERT_EQ(host->exchange("N\r"), "N\r\r\n?");
    auto until = Clock::now() + 2s;
    Device d = sim.deviceSnapshot();
    while ((!d.outletOn(0) || d.alarmWord == 0) && Clock::now() < until) {
        pollfd none{-1, 0, 0};
        ::poll(&none, 0, 10);
        d = sim.deviceSnapshot();
    }
    EXPECT_TRUE(d.outletOn(0));
    EXPECT_EQ(d.blockedOutlets(), 0U);
    EXPECT_EQ(d.alarmWord, 0x81);
    EXPECT_EQ(sim.peek("n").text, "81 1");
}

TEST_F(PtyTest, PacedOutputTakesWireTime) {
    start({}, 9600, "v2-loggedin");
    ASSERT_NO_FATAL_FAILURE(connect(false));
    ASSERT_EQ(host->exchange("\r"), "\r\r\n?");
    auto t0 = Clock::now();
    std::string reply = host->exchange("q\r");
    auto elapsed = Clock::now() - t0;
    ASSERT_EQ(reply.size(), 2U + 2U + 128U + 3U);
    // 10 bits a byte at 9600 baud; allow a little for the first byte leaving at once.
    auto wire = std::chrono::microseconds(reply.size() * 10 * 1'000'000 / 9600);
    EXPECT_GE(elapsed, wire - 5ms);
}

TEST_F(PtyTest, SlowRepliesArriveLate) {
    Faults f;
    f.slowMs = 150;
    start(f, 0, "v2-loggedin");
    ASSERT_NO_FATAL_FAILURE(connect(false));
    auto t0 = Clock::now();
    EXPECT_EQ(host->exchange("\r"), "\r\r\n?");
    EXPECT_GE(Clock::now() - t0, 150ms);
}

TEST_F(PtyTest, HangUpClosesTheLineUnderTheHost) {
    start();
    ASSERT_NO_FATAL_FAILURE(connect());
    const std::string path = sim.slavePath();
    sim.hangUp();
    EXPECT_TRUE(sim.isHungUp());
    host->send("\r");
    host->readUntil("\r\n?", 1000ms);
    EXPECT_TRUE(host->closed());
    EXPECT_LT(::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK), 0);
    sim.stop();
    sim.stop();  // idempotent
}

TEST_F(PtyTest, HangupFaultClosesAfterTheReply) {
    Faults f;
    f.hangupAfterLines = 1;
    start(f, 0, "v2-loggedin");
    ASSERT_NO_FATAL_FAILURE(connect(false));
    EXPECT_EQ(host->exchange("u\r"), "u\r\r\n02.03.01 V2\r\n?");
    host->readUntil("never", 1000ms);
    EXPECT_TRUE(host->closed());
    EXPECT_TRUE(sim.isHungUp());
}

TEST_F(PtyTest, SilentConsoleSendsNothingAndTheServerIdles) {
    Faults f;
    f.silent = true;
    start(f);
    ASSERT_NO_FATAL_FAILURE(connect(false));
    rusage before{};
    ::getrusage(RUSAGE_SELF, &before);
    host->send("\x1b\r");
    EXPECT_EQ(host->readUntil("\r", 400ms), "");
    EXPECT_FALSE(host->closed());
    rusage after{};
    ::getrusage(RUSAGE_SELF, &after);
    auto cpuUs = [](const rusage& r) {
        return (r.ru_utime.tv_sec + r.ru_stime.tv_sec) * 1'000'000LL + r.ru_utime.tv_usec +
               r.ru_stime.tv_usec;
    };
    EXPECT_LT(cpuUs(after) - cpuUs(before), 100'000);  // far from a spinning thread's 400 ms
}

TEST_F(PtyTest, StartTwiceIsRefusedAndStopIsBounded) {
    start();
    std::string error;
    EXPECT_FALSE(sim.start(profile_, {}, 0, error));
    EXPECT_FALSE(error.empty());
    ASSERT_NO_FATAL_FAILURE(connect(false));
    auto t0 = Clock::now();
    sim.stop();
    EXPECT_LT(Clock::now() - t0, 1s);
    EXPECT_TRUE(sim.start(profile_, {}, 0, error)) << error;  // restartable
}

// pdusim prints the slave path first, serves it and ends cleanly on SIGTERM.
TEST(Pdusim, PrintsThePathServesAndStopsOnSigterm) {
    const std::string program = (std::filesystem::path(QUORVEL_BIN_DIR) / "pdusim").string();
    if (::access(program.c_str(), X_OK) != 0)
        GTEST_SKIP() << "pdusim is not built";
    test::ChildProcess pdusim;
    ASSERT_TRUE(pdusim.start({program, "--profile=v4"}, "/dev/null", true));
    const std::optional<std::string> line = pdusim.readLine(5s);
    ASSERT_TRUE(line.has_value());
    EXPECT_TRUE(line->starts_with("/dev/pts/")) << *line;
    {
        Client host(*line);
        ASSERT_TRUE(host.ok());
        ASSERT_TRUE(host.login());
        EXPECT_EQ(host.exchange("u\r"), "u\r\r\n04.02.00 V4\r\n?");
    }
    pdusim.signal(SIGTERM);
    EXPECT_EQ(pdusim.waitExit(5s), std::optional<int>(0));  // exited, with 0
}

}  // namespace
}  // namespace quorvel::sim
