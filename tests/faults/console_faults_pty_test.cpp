// A console that goes silent, answers garbage, drops a line or hangs up: every path ends with
// its failure message within the time the console's own limits give, never a hang.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <chrono>

#include "link/pdu_ifce.h"
#include "link/transport.h"
#include "platform/port_map.h"
#include "sim/profile.h"
#include "sim/pty_simulator.h"
#include "support/sim_console.h"

namespace quorvel {
namespace {

using Clock = std::chrono::steady_clock;
using ::testing::HasSubstr;
constexpr int kPort = 11;

double secondsSince(Clock::time_point t) {
    return std::chrono::duration<double>(Clock::now() - t).count();
}

class FaultsPty : public ::testing::Test {
  protected:
    // Serves the profile with the faults `set` gives, behind COM kPort.
    template <typename Set>
    void start(Set set, const char* profileName = "v2") {
        sim::Faults faults;
        set(faults);
        std::string error;
        ASSERT_TRUE(simulator.start(test::LoadedProfile(profileName), faults, 0, error)) << error;
        platform::setPortOverride(kPort, simulator.slavePath());
        ASSERT_TRUE(ifce.SetParams(kPort, 9600, 8, 0, 0));
    }
    void TearDown() override { test::Unserve(kPort); }
    // Serves the faults `set` gives; the login fails within `boundSeconds`.
    template <typename Set>
    void expectLoginFails(Set set, double boundSeconds) {
        ASSERT_NO_FATAL_FAILURE(start(set));
        const auto t = Clock::now();
        EXPECT_FALSE(ifce.Login());
        EXPECT_LT(secondsSince(t), boundSeconds);
    }

    sim::PtySimulator simulator;
    PDUIfce ifce;
};

// Five attempts of about 3 s each on a line that never shows a prompt.
constexpr double kLoginBoundSeconds = 25;
// A silent 400 ms wait into a 256-byte buffer is 20 reads of up to 266 ms and 20 ms sleeps,
// about 5.7 s; a query makes two sanity checks before it gives up.
constexpr double kQueryBoundSeconds = 15;

TEST_F(FaultsPty, ASilentConsoleFailsTheLoginInBoundedTime) {
    expectLoginFails([](sim::Faults& f) { f.silent = true; }, kLoginBoundSeconds);
    EXPECT_EQ(ifce.ErrorTextNarrow(), "Login: could not elicit prompt from serial COM device\n");
    EXPECT_FALSE(transport::IsOpen());
}

TEST_F(FaultsPty, GarbageNeverLooksLikeAPrompt) {
    expectLoginFails([](sim::Faults& f) { f.garbage = true; }, kLoginBoundSeconds);
    EXPECT_THAT(ifce.ErrorTextNarrow(), HasSubstr("Login: could not elicit prompt"));
}

TEST_F(FaultsPty, ARefusedPasswordEndsWithTheTextReceived) {
    expectLoginFails([](sim::Faults& f) { f.refusePassword = true; }, 2 * kLoginBoundSeconds);
    EXPECT_THAT(ifce.ErrorTextNarrow(),
                HasSubstr("Login: could not elicit prompt from serial COM device, ["));
}

TEST_F(FaultsPty, ADroppedLineIsABadResponseAndSilenceFailsTheSanityCheck) {
    start([](sim::Faults& f) { f.dropAfterLines = 1; });
    ASSERT_TRUE(ifce.Login());
    char out[kReplyTextSize];
    ASSERT_TRUE(ifce.ReadVersionLine(out));  // the first line is answered
    auto t = Clock::now();
    EXPECT_FALSE(ifce.ReadIdentityLine(out));  // echoed, never answered
    EXPECT_LT(secondsSince(t), kQueryBoundSeconds);
    EXPECT_EQ(ifce.ErrorTextNarrow(), "GetStatus: bad response from serial COM device\n");
    EXPECT_FALSE(ifce.Unanswered()) << "the line was echoed";
    t = Clock::now();
    EXPECT_FALSE(ifce.ReadIdentityLine(out));  // quiet from now on
    EXPECT_LT(secondsSince(t), kQueryBoundSeconds);
    EXPECT_EQ(ifce.ErrorTextNarrow(),
              "GetStatus: could not establish sanity with serial COM device\n");
    EXPECT_TRUE(ifce.Unanswered());
}

TEST_F(FaultsPty, AVanishedDeviceFailsAtOnceAndTheNextLoginSaysSo) {
    start([](sim::Faults&) {});
    ASSERT_TRUE(ifce.Login());
    simulator.hangUp();
    char out[kReplyTextSize];
    const auto t = Clock::now();
    EXPECT_FALSE(ifce.ReadVersionLine(out));
    EXPECT_FALSE(ifce.ClearAlarms());
    EXPECT_LT(secondsSince(t), 2.0);
    EXPECT_THAT(ifce.ErrorTextNarrow(), HasSubstr("SendCommand: could not"));
    EXPECT_TRUE(ifce.Unanswered());
    EXPECT_FALSE(ifce.Logout(false));
    EXPECT_FALSE(transport::IsOpen());
}

TEST_F(FaultsPty, SlowRepliesWithinTheWindowStillSucceed) {
    start([](sim::Faults& f) { f.slowMs = 150; });
    ASSERT_TRUE(ifce.Login());
    char out[kReplyTextSize];
    EXPECT_TRUE(ifce.ReadVersionLine(out)) << ifce.ErrorTextNarrow();
    EXPECT_THAT(std::string(out), HasSubstr("V2"));
}

}  // namespace
}  // namespace quorvel
