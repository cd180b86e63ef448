// quorvelctl monitor --nut served through Network UPS Tools: dummy-ups reads the device file
// and upsd serves it on loopback, with a configuration of their own in a temporary folder. upsc
// must show what the simulated PDU holds, and its changes within two refreshes.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <pwd.h>
#include <sys/socket.h>
#include <unistd.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <nlohmann/json.hpp>

#include "sim/profile.h"
#include "sim/pty_simulator.h"
#include "support/child_process.h"

namespace quorvel {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using Values = std::map<std::string, std::string>;

std::string firstExisting(std::initializer_list<const char*> paths) {
    for (const char* p : paths) {
        if (fs::exists(p)) {
            return p;
        }
    }
    return {};
}

// A loopback port nobody listens on now.
int freePort() {
    const int s = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t n = sizeof a;
    int port = 0;
    if (::bind(s, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0 &&
        ::getsockname(s, reinterpret_cast<sockaddr*>(&a), &n) == 0) {
        port = ntohs(a.sin_port);
    }
    ::close(s);
    return port;
}

std::string fixed(double v, int decimals) {
    char text[32];
    std::snprintf(text, sizeof text, "%.*f", decimals, v);
    return text;
}

std::string readAll(const fs::path& p) {
    std::ifstream f(p);
    return {std::istreambuf_iterator<char>(f), {}};
}

// What upsc must show for the device: its outlets, input voltage and sensor, in NUT's units.
Values expectedValues(const sim::Device& d) {
    Values e;
    e["device.type"] = "pdu";
    e["ups.status"] = d.alarmWord != 0 ? "OL ALARM" : "OL";
    e["input.voltage"] = std::to_string(d.voltage(0));
    e["outlet.count"] = std::to_string(d.outletCount);
    for (int k = 0; k < d.outletCount; ++k) {
        const std::string n = "outlet." + std::to_string(k + 1) + ".";
        e[n + "id"] = std::to_string(k + 1);
        e[n + "status"] = d.outletOn(k) ? "on" : "off";
        e[n + "current"] = fixed(d.outletCurrent(k), 2);
        e[n + "switchable"] = "yes";
    }
    // The console answers in hundredths of a degree Fahrenheit; NUT counts degrees Celsius.
    const double f = std::stod(fixed(d.temperatureReading(0), 2));
    e["ambient.temperature"] = fixed((f - 32) * 5 / 9, 1);
    e["ambient.humidity"] = fixed(std::stod(fixed(d.humidityReading(0), 2)), 1);
    return e;
}

// The names whose values differ, "name: got (want)".
std::vector<std::string> mismatches(const Values& got, const Values& want) {
    std::vector<std::string> out;
    for (const auto& [name, value] : want) {
        const auto it = got.find(name);
        if (it == got.end() || it->second != value) {
            out.push_back(name + ": " + (it == got.end() ? "(none)" : it->second) + " (" + value +
                          ")");
        }
    }
    return out;
}

class NutMonitor : public ::testing::Test {
  protected:
    void SetUp() override {
        dummyUps_ = firstExisting({"/lib/nut/dummy-ups", "/usr/lib/nut/dummy-ups"});
        upsd_ = firstExisting({"/lib/nut/upsd", "/usr/lib/nut/upsd"});
        upsc_ = firstExisting({"/usr/bin/upsc", "/bin/upsc"});
        ASSERT_FALSE(dummyUps_.empty() || upsd_.empty() || upsc_.empty())
            << "dummy-ups, upsd and upsc are needed: install nut-server and nut-client "
               "(scripts/bootstrap)";

        char dirTemplate[] = "/tmp/quorvel-nut-XXXXXX";
        ASSERT_NE(::mkdtemp(dirTemplate), nullptr);
        dir_ = dirTemplate;
        fs::create_directory(dir_ / "state");
        fs::permissions(dir_ / "state", fs::perms::owner_all);
        port_ = freePort();
        ASSERT_NE(port_, 0);
        std::ofstream(dir_ / "ups.conf") << "[pdu]\n"
                                         << "    driver = dummy-ups\n"
                                         << "    port = " << (dir_ / "pdu.dev").string() << "\n"
                                         << "    mode = dummy-once\n"
                                         << "    pollinterval = 1\n";
        std::ofstream(dir_ / "upsd.conf") << "LISTEN 127.0.0.1 " << port_ << "\n";
        std::ofstream(dir_ / "upsd.users");
        // Private paths: nothing of the system's NUT is read or written.
        env_ = {"NUT_CONFPATH=" + dir_.string(), "NUT_STATEPATH=" + (dir_ / "state").string(),
                "NUT_ALTPIDPATH=" + (dir_ / "state").string()};
        // The daemons stay the user that runs the test (they drop root for it, and ignore the
        // switch otherwise).
        const passwd* self = ::getpwuid(::geteuid());
        ASSERT_NE(self, nullptr);
        user_ = self->pw_name;

        sim::Profile profile;
        std::string error;
        ASSERT_TRUE(sim::loadProfile("v3", profile, error)) << error;
        profile.device.drift = false;
        description_ = profile.description;
        ASSERT_TRUE(simulator_.start(profile, sim::Faults{}, 0, error)) << error;
    }

    void TearDown() override {
        monitor_.stop();
        server_.stop();
        driver_.stop();
        simulator_.stop();
        std::error_code ec;
        fs::remove_all(dir_, ec);
    }

    void startNut() {
        ASSERT_TRUE(driver_.start({dummyUps_, "-a", "pdu", "-u", user_, "-F"},
                                  (dir_ / "driver.log").string(), false, env_));
        ASSERT_TRUE(
            server_.start({upsd_, "-u", user_, "-F"}, (dir_ / "upsd.log").string(), false, env_));
    }

    Values upsc() {
        test::ChildProcess client;
        Values v;
        if (!client.start({upsc_, "pdu@127.0.0.1:" + std::to_string(port_)},
                          (dir_ / "upsc.log").string(), true)) {
            return v;
        }
        while (auto line = client.readLine(5s)) {
            if (const auto colon = line->find(": "); colon != std::string::npos) {
                v[line->substr(0, colon)] = line->substr(colon + 2);
            }
        }
        client.waitExit(5s);
        return v;
    }

    // upsc until it shows `want`, for at most `limit`; the last mismatches.
    std::vector<std::string> awaitValues(const Values& want, std::chrono::milliseconds limit) {
        const auto deadline = std::chrono::steady_clock::now() + limit;
        for (;;) {
            auto wrong = mismatches(upsc(), want);
            if (wrong.empty() || std::chrono::steady_clock::now() >= deadline) {
                return wrong;
            }
            std::this_thread::sleep_for(200ms);
        }
    }

    std::string logs() {
        return "monitor: " + readAll(dir_ / "monitor.log") +
               "\ndriver: " + readAll(dir_ / "driver.log") +
               "\nupsd: " + readAll(dir_ / "upsd.log");
    }

    std::string dummyUps_, upsd_, upsc_, user_, description_;
    fs::path dir_;
    int port_ = 0;
    std::vector<std::string> env_;
    sim::PtySimulator simulator_;
    test::ChildProcess monitor_, driver_, server_;
};

TEST_F(NutMonitor, UpscShowsTheSimulatedPduAndItsChangesWithinTwoRefreshes) {
    const fs::path file = dir_ / "pdu.dev";
    ASSERT_TRUE(monitor_.start(
        {QUORVEL_BIN_DIR "/quorvelctl", "--attribs", QUORVEL_BIN_DIR "/pduattribs.ini", "--port",
         simulator_.slavePath(), "monitor", "--nut", file.string(), "--interval", "1"},
        (dir_ / "monitor.log").string(), true));
    // dummy-ups needs the file when it starts: the first refresh writes it.
    ASSERT_TRUE(monitor_.readLine(60s).has_value()) << logs();
    ASSERT_TRUE(fs::exists(file));
    startNut();

    const sim::Device before = simulator_.deviceSnapshot();
    // upsd takes a few seconds to find the driver's socket.
    const auto wrong = awaitValues(expectedValues(before), 20s);
    EXPECT_THAT(wrong, ::testing::IsEmpty()) << logs();
    const Values shown = upsc();
    EXPECT_EQ(shown.at("outlet.count"), "24");
    EXPECT_THAT(description_, ::testing::HasSubstr("model " + shown.at("device.model") + " "));
    EXPECT_EQ(shown.at("device.mfr"), shown.at("ups.mfr"));

    // The PDU changes on its own: an outlet goes off, an alarm trips, and the readings drift
    // for a few steps, then hold still again.
    simulator_.withConsole([](sim::Console& c) {
        c.device().outletsOn &= ~std::uint64_t{1 << 2};
        c.device().alarmWord |= sim::kAlarmTemperatureHigh;
        c.device().drift = true;
    });
    std::this_thread::sleep_for(3s);
    simulator_.withConsole([](sim::Console& c) { c.device().drift = false; });
    const sim::Device after = simulator_.deviceSnapshot();
    const Values changed = expectedValues(after);
    Values drifted = changed;
    drifted.erase("outlet.3.status");
    drifted.erase("outlet.3.current");
    drifted.erase("ups.status");
    ASSERT_THAT(mismatches(drifted, expectedValues(before)), ::testing::Not(::testing::IsEmpty()))
        << "the readings did not drift";

    // The snapshots printed so far, and the refresh under way, may predate the change; the
    // one after cannot.
    while (monitor_.readLine(0ms)) {
    }
    ASSERT_TRUE(monitor_.readLine(10s).has_value()) << logs();
    ASSERT_TRUE(monitor_.readLine(10s).has_value()) << logs();
    // dummy-ups looks at the file once a second (pollinterval); upsd passes it on at once.
    EXPECT_THAT(awaitValues(changed, 2500ms), ::testing::IsEmpty()) << logs();

    monitor_.signal(SIGINT);
    EXPECT_EQ(monitor_.waitExit(20s), std::optional<int>(0)) << logs();
    EXPECT_EQ(readAll(dir_ / "monitor.log"), "");
}

}  // namespace
}  // namespace quorvel
