// quorvelctl monitor against a simulated PDU that holds still: every snapshot shows what the
// device holds, a signal ends the run with a clean exit, and a line that goes away ends it with
// the console's reason.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <nlohmann/json.hpp>
#include <set>
#include <sstream>

#include "cli/cli_test_support.h"
#include "sim/pty_simulator.h"
#include "support/child_process.h"
#include "support/cli_runner.h"
#include "support/sim_console.h"

namespace quorvel::cli {
namespace {

using ::testing::HasSubstr;
using ::testing::StartsWith;

std::string fixed(double v) {
    char text[32];
    std::snprintf(text, sizeof text, "%.2f", v);
    return text;
}

std::vector<std::string> split(const std::string& text, char by) {
    std::vector<std::string> parts;
    std::stringstream s(text);
    for (std::string part; std::getline(s, part, by);) {
        parts.push_back(part);
    }
    return parts;
}

// Starts a simulated PDU whose readings do not drift; `celsius` sets the display option.
void startStill(sim::PtySimulator& simulator, const std::string& profileName, bool celsius) {
    sim::Profile profile = test::LoadedProfile(profileName);
    profile.device.drift = false;
    if (celsius) {
        profile.device.variables[12].elements.at(0) = {0x50, 0x00};
    }
    ASSERT_NO_FATAL_FAILURE(test::Serve(simulator, profile));
}

// What a CSV column must read for the device: outlets by their console number.
std::map<std::string, std::string> expectedColumns(const sim::Device& d, bool celsius) {
    std::map<std::string, std::string> e;
    const bool voltages = d.identity.feature & sim::kFeatureVoltage;
    for (int i = 0; voltages && i < (d.largeSets() ? 4 : 2); ++i) {
        e["voltage" + std::to_string(i + 1) + "_V"] = std::to_string(d.voltage(i));
    }
    for (int c = 0; c < d.circuitCount; ++c) {
        e["circuit" + std::to_string(c + 1) + "_A"] = fixed(d.circuitCurrent(c));
    }
    for (int k = 0; k < d.outletCount; ++k) {
        const std::string n = "outlet" + std::to_string(k + 1);
        if (d.identity.feature & sim::kFeatureMetered) {
            e[n + "_A"] = fixed(d.outletCurrent(k));
        }
        e[n + "_on"] = d.outletOn(k) ? "1" : "0";
    }
    if (!celsius) {
        e["temperature1_F"] = fixed(d.temperatureReading(0));
    }
    e["humidity1_pct"] = fixed(d.humidityReading(0));
    e["alarm"] = std::to_string(d.alarmWord);
    e["lock"] = std::to_string(d.lockWord);
    return e;
}

struct Case {
    const char* profile;
    int count;
    bool celsius;
};

class MonitorSnapshots : public ::testing::TestWithParam<Case> {};

TEST_P(MonitorSnapshots, CsvHasOneHeaderAndOneRowPerRefreshWithTheDevicesValues) {
    const Case c = GetParam();
    sim::PtySimulator simulator;
    startStill(simulator, c.profile, c.celsius);
    test::CliResult r = test::runCtl({"--attribs", QUORVEL_BIN_DIR "/pduattribs.ini", "--port",
                                      simulator.slavePath(), "monitor", "--format", "csv",
                                      "--count", std::to_string(c.count)});
    ASSERT_EQ(r.code, 0) << r.err;
    const sim::Device d = simulator.deviceSnapshot();
    const auto lines = split(r.out, '\n');
    ASSERT_EQ(lines.size(), static_cast<std::size_t>(c.count + 1)) << r.out;
    const auto header = split(lines[0], ',');
    const auto expected = expectedColumns(d, c.celsius);
    // Exactly the device's columns: its circuits, its outlets, what they measure.
    std::set<std::string> names(header.begin(), header.end());
    std::set<std::string> wanted{"time"};
    for (const auto& [name, value] : expected) {
        wanted.insert(name);
    }
    if (c.celsius) {
        wanted.insert("temperature1_C");
    }
    EXPECT_EQ(names, wanted);
    for (int row = 1; row <= c.count; ++row) {
        const auto cells = split(lines[row] + ",", ',');
        ASSERT_EQ(cells.size(), header.size()) << lines[row];
        std::map<std::string, std::string> got;
        for (std::size_t i = 0; i < header.size(); ++i) {
            got[header[i]] = cells[i];
        }
        for (const auto& [name, value] : expected) {
            EXPECT_EQ(got[name], value) << name << " in row " << row;
        }
        if (c.celsius) {
            const double f = std::stod(fixed(d.temperatureReading(0)));
            ASSERT_TRUE(got.contains("temperature1_C")) << lines[0];
            EXPECT_NEAR(std::stod(got["temperature1_C"]), (f - 32) * 5 / 9, 0.006);
        }
    }
}

// v1 packs each circuit's outlets after the circuits before it; v2-alarm has its alarm and lock
// words set; v3 has voltage inputs.
INSTANTIATE_TEST_SUITE_P(Profiles, MonitorSnapshots,
                         ::testing::Values(Case{"v3", 3, false}, Case{"v1", 2, false},
                                           Case{"v2-alarm", 2, true}));

struct JsonCase {
    const char* profile;
    const char* seventhOutlet;  // the catalogue's name for the model's seventh outlet
};

class MonitorJsonLines : public ::testing::TestWithParam<JsonCase> {};

TEST_P(MonitorJsonLines, OneObjectPerRefreshInEngineeringUnits) {
    sim::PtySimulator simulator;
    startStill(simulator, GetParam().profile, false);
    test::CliResult r = test::runCtl({"--attribs", QUORVEL_BIN_DIR "/pduattribs.ini", "--port",
                                      simulator.slavePath(), "monitor", "--count", "2"});
    ASSERT_EQ(r.code, 0) << r.err;
    const sim::Device d = simulator.deviceSnapshot();
    const bool metered = d.identity.feature & sim::kFeatureMetered;
    const auto lines = split(r.out, '\n');
    ASSERT_EQ(lines.size(), 2u);
    for (const auto& line : lines) {
        const auto j = nlohmann::json::parse(line);
        ASSERT_EQ(j["outlets"].size(), static_cast<std::size_t>(d.outletCount));
        for (const auto& o : j["outlets"]) {
            const int k = o["outlet"].get<int>() - 1;
            EXPECT_EQ(o["on"].get<bool>(), d.outletOn(k)) << k;
            EXPECT_EQ(o.contains("current"), metered);
            if (metered) {
                EXPECT_EQ(fixed(o["current"].get<double>()), fixed(d.outletCurrent(k))) << k;
            }
        }
        EXPECT_EQ(j["outlets"][6]["name"], GetParam().seventhOutlet);
        EXPECT_EQ(fixed(j["circuitCurrents"][1].get<double>()), fixed(d.circuitCurrent(1)));
        EXPECT_EQ(j["temperatureUnit"], "F");
        EXPECT_EQ(fixed(j["temperatures"][0].get<double>()), fixed(d.temperatureReading(0)));
        EXPECT_EQ(j["voltages"].size(), 0u);  // neither model has voltage inputs
    }
}

// v1's seventh outlet is the first of its second branch, in the catalogue's ninth row.
INSTANTIATE_TEST_SUITE_P(Profiles, MonitorJsonLines,
                         ::testing::Values(JsonCase{"v2", "Socket 7"},
                                           JsonCase{"v1", "Receptacle G"}));

TEST(MonitorFailure, ALineThatGoesAwayEndsTheRunWithTheConsolesReason) {
    // The adapter is pulled at the second refresh's first query.
    test::CliResult r =
        test::runCtl({"--attribs", QUORVEL_BIN_DIR "/pduattribs.ini", "--simulate=v2",
                      "--simulate-faults", "anchor=G B,hangup-at=8", "monitor", "--format", "csv"});
    EXPECT_EQ(r.code, 1);
    EXPECT_THAT(r.err, StartsWith("quorvelctl: no status frame: "));
    EXPECT_EQ(split(r.out, '\n').size(), 2u) << r.out;  // the header and the first refresh
}

TEST(MonitorNutFile, AFileThatCannotBeReplacedEndsTheRun) {
    const test::TempDir dir("monitor_nut");
    std::filesystem::create_directories(dir.path() / "taken");
    // No folder to write the temporary file in; a folder in the file's place.
    for (const auto& target : {dir.path() / "missing" / "pdu.dev", dir.path() / "taken"}) {
        test::CliResult r =
            test::runCtl({"--attribs", QUORVEL_BIN_DIR "/pduattribs.ini", "--simulate=v2",
                          "monitor", "--count", "1", "--nut", target.string()});
        EXPECT_EQ(r.code, 1) << target;
        EXPECT_THAT(r.err, StartsWith("quorvelctl: --nut: ")) << target;
        EXPECT_EQ(r.out, "") << target;
    }
}

class MonitorSignals : public ::testing::TestWithParam<int> {};

TEST_P(MonitorSignals, EndTheWaitAndTheRunCleanly) {
    sim::PtySimulator simulator;
    startStill(simulator, "v2", false);
    const test::TempDir dir("monitor_signal");
    const std::string log = dir.file("err.log");
    test::ChildProcess monitor;
    ASSERT_TRUE(monitor.start(
        {QUORVEL_BIN_DIR "/quorvelctl", "--attribs", QUORVEL_BIN_DIR "/pduattribs.ini", "--port",
         simulator.slavePath(), "monitor", "--interval", "30"},
        log, true));
    const auto first = monitor.readLine(std::chrono::seconds(60));
    ASSERT_TRUE(first.has_value());
    EXPECT_NO_THROW(nlohmann::json::parse(*first));
    // The run waits 30 s for its next refresh; the signal ends the wait and the session.
    monitor.signal(GetParam());
    EXPECT_EQ(monitor.waitExit(std::chrono::seconds(20)), std::optional<int>(0));
    EXPECT_FALSE(monitor.readLine(std::chrono::seconds(1)).has_value());  // no second snapshot
    std::ifstream err(log);
    const std::string errText((std::istreambuf_iterator<char>(err)), {});
    EXPECT_EQ(errText, "");
}

INSTANTIATE_TEST_SUITE_P(Interrupts, MonitorSignals, ::testing::Values(SIGINT, SIGTERM));

}  // namespace
}  // namespace quorvel::cli
