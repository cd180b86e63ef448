// quorvelctl status, switch, clear-alarms and reset against one simulated PDU, so that each
// request shows in the next snapshot.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <sstream>

#include "cli/cli_test_support.h"
#include "cli/context.h"
#include "common/status_frame.h"
#include "link/reply_items.h"
#include "sim/pty_simulator.h"
#include "support/cli_runner.h"
#include "support/sim_console.h"

namespace quorvel::cli {
namespace {

using Result = test::CliJsonResult;
using test::quorvelctl;

class StateCli : public ::testing::TestWithParam<const char*>, protected test::ServedPdu {
  protected:
    void SetUp() override { ASSERT_NO_FATAL_FAILURE(serve(GetParam())); }
    Result status() { return ctl("status"); }
    bool on(const nlohmann::json& status, unsigned k) {
        std::vector<std::uint8_t> bytes(status["state"].get<std::string>().size() / 2);
        DecodeHexPairs(status["state"].get<std::string>().c_str(), bytes.data(), bytes.size());
        return BitmapBit(bytes, k);
    }
};

TEST_P(StateCli, TheFrameMatchesTheDevice) {
    Result r = status();
    ASSERT_EQ(r.code, 0) << r.err;
    const sim::Device d = simulator.deviceSnapshot();
    // Frame bytes and the decoded fields agree with each other and with the device.
    std::string frame = r.json["frame"];
    EXPECT_EQ(frame.substr(0, 4), "AA55");
    std::vector<std::uint8_t> bytes(frame.size() / 2);
    DecodeHexPairs(frame.c_str(), bytes.data(), bytes.size());
    StatusFrameView f;
    ASSERT_TRUE(ParseStatusFrame(bytes, f));
    EXPECT_EQ(f.length, bytes.size());
    EXPECT_EQ(f.circuitCurrents.size(), 6u);
    for (std::size_t k = 0; k < 24 && k < static_cast<std::size_t>(d.outletCount); ++k) {
        EXPECT_EQ(on(r.json, static_cast<unsigned>(k)), d.outletOn(static_cast<int>(k))) << k;
    }
    EXPECT_EQ(r.json["alarm"].get<unsigned>(), d.alarmWord);
}

TEST_P(StateCli, RequestsShowInTheNextSnapshot) {
    ASSERT_TRUE(on(status().json, 2));
    Result sw = ctl("switch", {"3", "off"});
    ASSERT_EQ(sw.code, 0) << sw.err;
    EXPECT_FALSE(on(status().json, 2));
    EXPECT_FALSE(simulator.deviceSnapshot().outletOn(2));
    ASSERT_EQ(ctl("switch", {"3", "on"}).code, 0);
    EXPECT_TRUE(simulator.deviceSnapshot().outletOn(2));

    Result alarms = ctl("clear-alarms");
    ASSERT_EQ(alarms.code, 0) << alarms.err;
    EXPECT_EQ(alarms.json["alarmsCleared"], true);

    // A power reset needs a later generation than the first.
    Result reset = ctl("reset", {"10"});
    const bool first = simulator.deviceSnapshot().generationNumber() == 1;
    EXPECT_EQ(reset.code, first ? 1 : 0) << reset.err;
    EXPECT_EQ(simulator.deviceSnapshot().outletResets, first ? 0 : 1);
    // Receptacle 10 and no other is in its reset (off until its delay has run out).
    EXPECT_EQ(simulator.deviceSnapshot().resetting, first ? 0U : std::uint64_t{1} << 9);
}

INSTANTIATE_TEST_SUITE_P(Profiles, StateCli, ::testing::Values("v1", "v2", "v4"));

// Readings below zero come out as negative numbers, rounded as their mirror above zero is.
TEST(StateCliEnvironment, TemperaturesBelowZeroAreNegative) {
    const struct {
        const char* profile;
        std::vector<int> temperatures;
    } cases[] = {{"v1", {-424}}, {"v4", {-424, -525}}};
    for (const auto& c : cases) {
        sim::Profile profile = test::LoadedProfile(c.profile);
        profile.device.drift = false;
        profile.device.temperature = {-4.24, -5.25};
        sim::PtySimulator simulator;
        ASSERT_NO_FATAL_FAILURE(test::Serve(simulator, profile));
        const Result r = quorvelctl({"--port", simulator.slavePath(), "status"});
        ASSERT_EQ(r.code, 0) << r.err;
        EXPECT_EQ(r.json["temperatures"].get<std::vector<int>>(), c.temperatures) << c.profile;
    }
}

}  // namespace
}  // namespace quorvel::cli
