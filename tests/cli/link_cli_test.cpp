// quorvelctl's device verbs, in-process and across processes with pdusim.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <nlohmann/json.hpp>
#include <sstream>
#include <string>
#include <vector>

#include "cli/cli_test_support.h"
#include "cli/context.h"
#include "platform/serial_port.h"
#include "support/cli_runner.h"

namespace quorvel::cli {
namespace {

using ::testing::HasSubstr;

using Result = test::CliResult;

Result quorvelctl(std::vector<std::string> args) {
    return test::runCtl(std::move(args));
}

TEST(QuorvelctlIdentify, PrintsTheSimulatedPdusIdentity) {
    Result r = quorvelctl({"--simulate", "identify"});
    ASSERT_EQ(r.code, 0) << r.err;
    auto j = nlohmann::json::parse(r.out);
    test::ExpectFields(j, R"({"generation": "V2", "generationNumber": 2})");
    EXPECT_EQ(j["modules"].size(), 16u);
    char code[32];
    std::snprintf(code, sizeof code, "%4.4X:%8.8X:%4.4X", j["feature"].get<unsigned>(),
                  j["attribute"].get<unsigned>(), j["extension"].get<unsigned>());
    EXPECT_EQ(j["modelCode"], code);
    for (const char* key : {"model", "version", "environment"}) {
        EXPECT_TRUE(j.contains(key)) << key;
    }

    Result v4 = quorvelctl({"--simulate=v4", "identify"});
    ASSERT_EQ(v4.code, 0) << v4.err;
    auto j4 = nlohmann::json::parse(v4.out);
    EXPECT_EQ(j4["generationNumber"], 4);
    EXPECT_GE(j4["extension"].get<unsigned>(), 0x1000u);
}

TEST(QuorvelctlIdentify, UsageErrorsExitTwoAndDeviceFailuresExitOne) {
    EXPECT_EQ(quorvelctl({"identify", "--bogus"}).code, 2);
    EXPECT_EQ(quorvelctl({}).code, 2);
    Result badPort = quorvelctl({"--port", "COM0", "identify"});
    EXPECT_EQ(badPort.code, 2);
    EXPECT_THAT(badPort.err, HasSubstr("COM1..COM20"));
    EXPECT_EQ(quorvelctl({"--simulate=nosuchprofile", "identify"}).code, 2);

    Result missing = quorvelctl({"--port", "/nonexistent/ttyUSB9", "identify"});
    EXPECT_EQ(missing.code, 1);
    EXPECT_THAT(missing.err, HasSubstr("Failed Login"));
    EXPECT_THAT(missing.err, HasSubstr("OpenCOMDev: could not open serial COM device [\\COM1]"));
    EXPECT_THAT(missing.err, HasSubstr("No such file or directory"));
    EXPECT_TRUE(missing.out.empty());
}

// The device side of every device verb: whatever the verb did or refused, the session ends with
// the logout line reaching the simulated PDU, also on a line paced at 9600 baud.
struct LogoutCase {
    const char* profile;
    int baud;  // paces the simulator (0: unpaced)
};

class LogoutReachesTheDevice : public ::testing::TestWithParam<LogoutCase> {};

TEST_P(LogoutReachesTheDevice, AfterEveryDeviceVerb) {
    const std::string profile = GetParam().profile;
    const std::string channel = profile == "v1" ? "0x0000" : "0x0200";
    const std::vector<std::vector<std::string>> verbs = {
        {"identify"},
        {"status"},
        {"switch", "1", "on"},
        {"reset", "1"},
        {"clear-alarms"},
        {"config", "get", "cRecepName3"},
        {"config", "set", "cRecepName3=Lamp"},
        {"stamp", "SQV11220241BB-3", "--kind", "0"},
        {"calibrate", channel},
        {"web", "get"},
        {"web", "set", "name=Rack7"},
        {"reboot"},
        {"format-db"},
        {"reset-network"},
    };
    const std::string baud = std::to_string(GetParam().baud);
    const std::string record =
        ::testing::TempDir() + "quorvel_record_" + profile + "_" + baud + ".json";
    for (const auto& verb : verbs) {
        std::vector<std::string> args{"--simulate=" + profile, "--simulate-baud", baud,
                                      "--simulate-record", record};
        args.insert(args.end(), verb.begin(), verb.end());
        ::unlink(record.c_str());
        const Result r = quorvelctl(args);
        const std::string shown = profile + " at " + baud + " " + ::testing::PrintToString(verb);
        EXPECT_NE(r.code, kExitUsage) << shown << ": " << r.err;
        std::ifstream in(record);
        ASSERT_TRUE(in.good()) << shown << ": no record written";
        const auto j = nlohmann::json::parse(in);
        ASSERT_FALSE(j["lines"].empty()) << shown;
        EXPECT_EQ(j["lines"].back(), "\x12") << shown << ", the last line: " << j["lines"].back();
    }
}

INSTANTIATE_TEST_SUITE_P(EveryProfile, LogoutReachesTheDevice,
                         ::testing::Values(LogoutCase{"v1", 0}, LogoutCase{"v2", 0},
                                           LogoutCase{"v3", 0}, LogoutCase{"v4", 0},
                                           LogoutCase{"v2-loggedin", 0}, LogoutCase{"v2-alarm", 0},
                                           LogoutCase{"v4", 9600}));

TEST(QuorvelctlAcrossProcesses, IdentifiesAPdusimPortAndFailsOnAHeldOne) {
    test::PdusimProcess sim({"--profile", "v3"});
    ASSERT_THAT(sim.path(), ::testing::StartsWith("/dev/pts/"));
    Result r = quorvelctl({"--port", sim.path(), "identify"});
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(nlohmann::json::parse(r.out)["generation"], "V3");

    // Another program holding the port keeps us out, with the open message.
    platform::SerialPort::OpenError err;
    auto holder = platform::SerialPort::open(sim.path(), {9600, 8, 0, 0}, err);
    ASSERT_NE(holder, nullptr);
    Result held = quorvelctl({"--port", sim.path(), "identify"});
    EXPECT_EQ(held.code, 1);
    EXPECT_THAT(held.err, HasSubstr("OpenCOMDev: could not open serial COM device"));
    EXPECT_THAT(held.err, HasSubstr("another program holds the port"));
}

TEST(QuorvelctlAcrossProcesses, AStampedModelShowsInTheNextIdentify) {
    // "s" carries the first two words only: the unit keeps its extension word (0 on v3).
    test::PdusimProcess sim({"--profile", "v3"});
    ASSERT_THAT(sim.path(), ::testing::StartsWith("/dev/pts/"));
    Result stamp = quorvelctl({"--port", sim.path(), "stamp", "SQV11220241BB-3", "--kind", "1"});
    ASSERT_EQ(stamp.code, 0) << stamp.err;
    EXPECT_EQ(nlohmann::json::parse(stamp.out)["readBack"]["model"], "SQV11220241BB-3");
    Result identify = quorvelctl({"--port", sim.path(), "identify"});
    ASSERT_EQ(identify.code, 0) << identify.err;
    EXPECT_EQ(nlohmann::json::parse(identify.out)["model"], "SQV11220241BB-3");
    // An extended-series unit is stamped by its words; the extension word stays the unit's own.
    Result extended =
        quorvelctl({"--port", sim.path(), "stamp", "47C0:DB98B4B2:100A", "--kind", "1"});
    ASSERT_EQ(extended.code, 0) << extended.err;
    EXPECT_EQ(nlohmann::json::parse(extended.out)["readBack"]["modelCode"], "47C0:DB98B4B2:0000");
    EXPECT_EQ(quorvelctl({"--port", sim.path(), "stamp", "NOTACODE"}).code, 1);
}

}  // namespace
}  // namespace quorvel::cli
