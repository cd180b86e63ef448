// A dialog that closes while its worker is in a device operation: the operation gives up at the
// exchange it is in, even on a line that went silent, and one asked to stop before it starts
// sends nothing.
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "common/state_ops.h"
#include "link/console_lease.h"
#include "link/pdu_ifce.h"
#include "link/state_operations.h"
#include "sim/profile.h"
#include "sim/pty_simulator.h"
#include "support/sim_console.h"

namespace quorvel {
namespace {

using Clock = std::chrono::steady_clock;
constexpr int kPort = 13;

class StopRequestPty : public ::testing::Test {
  protected:
    void start(sim::Faults faults) {
        ASSERT_NO_FATAL_FAILURE(
            test::ServeAndLogIn(simulator, ifce, kPort, test::LoadedProfile("v2"), faults));
        FillStateOps(ops, 0);
        block.ops = &ops;
        record.generationNumber = 2;
        record.featureWord = 0x0720;
        block.record = &record;
    }
    void TearDown() override { test::Unserve(kPort); }
    std::size_t linesReceived() {
        std::size_t n = 0;
        simulator.withConsole([&n](sim::Console& c) { n = c.receivedLines().size(); });
        return n;
    }

    sim::PtySimulator simulator;
    PDUIfce ifce;
    StateOps ops;
    PduRecord record{};
    StateWorkerBlock block;
};

TEST_F(StopRequestPty, ASilentLineIsLeftAtTheExchangeInProgress) {
    sim::Faults faults;
    faults.silentFromLine = 1;  // quiet right after login: each try would take about 11 s
    start(faults);
    std::thread closer([this] {
        std::this_thread::sleep_for(std::chrono::milliseconds(500));
        block.stopRequested.store(true);
    });
    const auto t = Clock::now();
    ops.ReadState(0, 1, &block);
    const double seconds = std::chrono::duration<double>(Clock::now() - t).count();
    closer.join();
    EXPECT_LT(seconds, 2.0);
    EXPECT_NE(block.statusFrame[0], 0xAA);  // no frame
}

TEST_F(StopRequestPty, AStoppedWorkerSendsNothingMore) {
    start({});
    ops.ReadState(0, 1, &block);
    ASSERT_EQ(block.statusFrame[0], 0xAA);
    const std::size_t before = linesReceived();
    block.stopRequested.store(true);
    block.onMask[0] = 1;
    EXPECT_EQ(ops.RunCommand(0, 7, &block), 0);
    ops.ReadState(0, 1, &block);
    EXPECT_EQ(linesReceived(), before);
    // The console itself is untouched: another caller goes on using it.
    char version[kReplyTextSize];
    EXPECT_TRUE(ifce.ReadVersionLine(version));
}

}  // namespace
}  // namespace quorvel
