// The state worker without Qt: start and first wake, commands in order, the refresh sequence
// of both interfaces, timeouts, receptacle masks (each command's own), a PDU that stopped
// answering, the copy of the data the window thread reads, and stopping.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <memory>
#include <string>
#include <thread>
#include <utility>

#include "dialog_logic/worker_test_support.h"
#include "dialogs/logic/dialog_worker.h"
#include "dialogs/logic/state_worker.h"
#include "dialogs/logic/worker_messages.h"

namespace quorvel::dialogs {
namespace {

using testing::Gate;
using testing::WorkerLog;
using Entries = std::vector<std::string>;

// The fake operations reach the running test through these.
WorkerLog* gLog = nullptr;
Gate* gOpenGate = nullptr;
Gate* gStatusGate = nullptr;  // holds the status read (kind 1)

std::string masks(const StateWorkerBlock* b) {
    return std::to_string(b->onMask[0]) + "/" + std::to_string(b->offMask[0]) + "/" +
           std::to_string(b->resetMask[0]);
}

std::int32_t fakeOpen(StateWorkerBlock*) {
    gLog->add("open");
    if (gOpenGate != nullptr) {
        gOpenGate->wait();
    }
    return 42;
}
void fakeRead(std::int32_t handle, std::uint8_t kind, StateWorkerBlock* b) {
    gLog->add("read " + std::to_string(kind) + " h" + std::to_string(handle));
    if (kind == 1) {
        b->statusFrame[0] = 0xAA;
        b->statusFrame[1] = 0x55;
        ++b->statusFrame[2];  // counts the status reads
        if (gStatusGate != nullptr) {
            gStatusGate->wait();
        }
    } else {
        b->modelExtension = 0x100A;
    }
}
bool gSilent = false;  // the requests get no answer: the masks keep what was not sent

std::int32_t fakeRun(std::int32_t handle, std::uint8_t code, StateWorkerBlock* b) {
    gLog->add("run " + std::to_string(code) + " h" + std::to_string(handle) + " " + masks(b));
    if (gSilent) {
        b->unanswered = true;
        b->onMask[0] &= ~1u;  // the first outlet went out before the line went quiet
        return 0;
    }
    return 1;
}
void fakeClose(std::int32_t handle, StateWorkerBlock*) {
    gLog->add("close h" + std::to_string(handle));
}

class StateWorkerTest : public testing::WorkerTest<StateOps, StateWorkerBlock, StateWorkerLoop> {
  protected:
    StateWorkerTest() {
        gLog = &log_;
        ops_.OpenDevice = fakeOpen;
        ops_.ReadState = fakeRead;
        ops_.RunCommand = fakeRun;
        ops_.CloseDevice = fakeClose;
    }
    ~StateWorkerTest() override {
        gLog = nullptr;
        gOpenGate = nullptr;
        gStatusGate = nullptr;
        gSilent = false;
    }
    // Each run gets a port of its own, as each dialog run does.
    void start(std::int32_t mode, bool autoRefresh, int pollMs = 60000,
               WorkerLog* target = nullptr) {
        ops_.mode = mode;
        block_->autoRefresh = autoRefresh ? 1 : 0;
        block_->pollInterval = pollMs;
        launch(target != nullptr ? target : &log_);
    }
    bool waitBusyEnds(int n) {
        return log_.waitFor([n](const Entries& e) { return WorkerLog::count(e, "ev 5 255") >= n; });
    }
};

TEST_F(StateWorkerTest, FirstWakeOpensAndRefreshesWithIdentity) {
    start(0, true);
    ASSERT_TRUE(waitBusyEnds(1));
    EXPECT_EQ(log_.entries(), (Entries{"open", "ev 5 0", "ev 1 2", "read 0 h42", "ev 2 50",
                                       "ev 1 2", "ev 4 0", "ev 1 2", "read 1 h42", "ev 2 100",
                                       "ev 1 2", "ev 3 0", "ev 2 100", "ev 5 255"}));
    EXPECT_NE(block_->threadId.load(), 0u);

    // A later refresh reads the status only.
    worker_->post(STATE_CMD_REFRESH);
    ASSERT_TRUE(waitBusyEnds(2));
    const Entries e = log_.entries();
    EXPECT_EQ(WorkerLog::count(e, "read 0 h42"), 1);
    EXPECT_EQ(WorkerLog::count(e, "read 1 h42"), 2);
}

TEST_F(StateWorkerTest, OtherInterfaceReadsItsKindsAndOpenDoesNotRefresh) {
    start(1, false);
    ASSERT_TRUE(log_.waitForEntry("open"));
    worker_->post(STATE_CMD_REFRESH);
    ASSERT_TRUE(waitBusyEnds(1));
    EXPECT_EQ(log_.entries(),
              (Entries{"open", "ev 5 0", "ev 2 0", "ev 1 2", "read 6 h42", "ev 2 25", "ev 1 2",
                       "read 9 h42", "ev 2 50", "ev 1 2", "read 8 h42", "ev 4 0", "ev 2 75",
                       "ev 1 2", "read 4 h42", "ev 2 100", "ev 3 0", "ev 2 100", "ev 5 255"}));
}

// The stop closes the device and ends the thread, which clears its id and leaves the port.
TEST_F(StateWorkerTest, CommandsGivenBeforeTheWorkerTookThemAllRunInOrderThenStopCloses) {
    Gate gate;
    gOpenGate = &gate;
    start(0, false);
    ASSERT_TRUE(gate.waitEntered());
    MaskEdit one;
    one.bits[0] = 0x2;
    ASSERT_TRUE(loop_->postMaskCommand(STATE_CMD_SWITCH_ON, one));
    worker_->post(STATE_CMD_CLEAR_ALARMS);
    gate.open();
    ASSERT_TRUE(log_.waitForEntry("run 14 h42 0/0/0"));
    ASSERT_NE(block_->threadId.load(), 0u);
    EXPECT_TRUE(worker_->finish(kBoundMs));
    EXPECT_FALSE(worker_->running());
    EXPECT_EQ(block_->threadId.load(), 0u);
    EXPECT_FALSE(port_->attached());
    EXPECT_EQ(log_.entries(),
              (Entries{"open", "run 7 h42 2/0/0", "run 14 h42 0/0/0", "close h42"}));
}

TEST_F(StateWorkerTest, TimeoutsRefreshOnlyWithAutoRefresh) {
    // Auto refresh clear: neither the open command nor the timeouts refresh.
    start(1, false, 5);
    ASSERT_TRUE(log_.waitForEntry("open"));
    ASSERT_TRUE(testing::WaitUntil([&] { return loop_->timeouts() >= 5; }));
    EXPECT_EQ(log_.entries(), Entries{"open"});
    worker_->finish(kBoundMs);

    block_ = std::make_shared<StateWorkerBlock>();
    start(0, true, 5);
    EXPECT_TRUE(waitBusyEnds(3));
}

TEST_F(StateWorkerTest, SwitchingCommandsClearTheOtherMasksAroundTheRequest) {
    start(0, false);
    ASSERT_TRUE(log_.waitForEntry("open"));
    for (auto [command, run] : {std::pair{STATE_CMD_SWITCH_ON, "run 7 h42 1/0/0"},
                                {STATE_CMD_SWITCH_OFF, "run 7 h42 0/2/0"},
                                {STATE_CMD_RESET, "run 9 h42 0/0/4"}}) {
        {
            std::lock_guard lock(block_->dataMutex);
            block_->onMask[0] = 1;
            block_->offMask[0] = 2;
            block_->resetMask[0] = 4;
        }
        worker_->post(command);
        ASSERT_TRUE(log_.waitForEntry(run));
    }
    worker_->finish(kBoundMs);
    EXPECT_EQ(masks(block_.get()), "0/0/0");  // the command's own mask is cleared afterwards
}

TEST_F(StateWorkerTest, OtherInterfaceCodesAndMissingRunCommandStillClearMasks) {
    start(1, false);
    ASSERT_TRUE(log_.waitForEntry("open"));
    for (auto [command, run] : {std::pair{STATE_CMD_SWITCH_ON, "run 1 h42 0/0/0"},
                                {STATE_CMD_RESET, "run 2 h42 0/0/0"},
                                {STATE_CMD_CLEAR_ALARMS, "run 11 h42 0/0/0"}}) {
        worker_->post(command);
        ASSERT_TRUE(log_.waitForEntry(run));
    }
    worker_->finish(kBoundMs);

    ops_.RunCommand = nullptr;
    block_ = std::make_shared<StateWorkerBlock>();
    block_->onMask[0] = 8;
    block_->offMask[1] = 8;
    start(0, false);
    ASSERT_TRUE(testing::WaitUntil([&] { return block_->command.load() == 0; }));
    worker_->post(STATE_CMD_SWITCH_ON);
    ASSERT_TRUE(testing::WaitUntil([&] { return block_->command.load() == 0; }));
    worker_->finish(kBoundMs);
    EXPECT_EQ(masks(block_.get()), "0/0/0");
    EXPECT_EQ(block_->offMask[1], 0u);
}

TEST(StateWorkerLoop, AMaskCommandWithNoWorkerToWakeIsRefused) {
    StateWorkerLoop loop(std::make_shared<StateWorkerBlock>());
    MaskEdit one;
    one.bits[0] = 0x1;
    EXPECT_FALSE(loop.postMaskCommand(STATE_CMD_SWITCH_ON, one));
    EXPECT_FALSE(loop.commandPending());
}

TEST_F(StateWorkerTest, EveryMaskCommandTakesTheMasksGivenWithIt) {
    Gate busy;
    gStatusGate = &busy;
    start(0, true);
    ASSERT_TRUE(busy.waitEntered());
    // Off, on and off again for one receptacle, and two "Set All", all while the worker reads.
    MaskEdit one;
    one.replace = true;
    one.bits[0] = 0x4;
    for (auto [command, mask] : {std::pair{STATE_CMD_SWITCH_OFF, MaskEdit::Mask::Off},
                                 std::pair{STATE_CMD_SWITCH_ON, MaskEdit::Mask::On},
                                 std::pair{STATE_CMD_SWITCH_OFF, MaskEdit::Mask::Off}}) {
        one.mask = mask;
        ASSERT_TRUE(loop_->postMaskCommand(command, one));
    }
    MaskEdit all;
    all.bits[0] = 0x3;
    ASSERT_TRUE(loop_->postMaskCommand(STATE_CMD_SWITCH_ON, all));
    all.bits[0] = 0x30;
    ASSERT_TRUE(loop_->postMaskCommand(STATE_CMD_SWITCH_ON, all));
    busy.open();
    ASSERT_TRUE(log_.waitForEntry("run 7 h42 48/0/0"));
    Entries runs;
    for (const std::string& e : log_.entries()) {
        if (e.rfind("run ", 0) == 0) {
            runs.push_back(e);
        }
    }
    EXPECT_EQ(runs, (Entries{"run 7 h42 0/4/0", "run 7 h42 4/0/0", "run 7 h42 0/4/0",
                             "run 7 h42 3/0/0", "run 7 h42 48/0/0"}));
    worker_->finish(kBoundMs);
    EXPECT_EQ(masks(block_.get()), "0/0/0");
}

TEST_F(StateWorkerTest, APduThatStoppedAnsweringIsToldNothingMoreAndTheDialogLearnsWhat) {
    Gate gate;
    gOpenGate = &gate;
    gSilent = true;
    start(0, false);
    ASSERT_TRUE(gate.waitEntered());
    MaskEdit all;
    all.bits[0] = 0x7;
    ASSERT_TRUE(loop_->postMaskCommand(STATE_CMD_SWITCH_ON, all));
    MaskEdit off;
    off.mask = MaskEdit::Mask::Off;
    off.bits[0] = 0x10;
    ASSERT_TRUE(loop_->postMaskCommand(STATE_CMD_SWITCH_OFF, off));
    gate.open();
    ASSERT_TRUE(log_.waitForEntry("ev 6 3"));
    worker_->finish(kBoundMs);
    // Outlet 1 went out; 2 and 3 did not, and the queued "off" was never sent.
    EXPECT_EQ(WorkerLog::count(log_.entries(), "run 7 h42 0/16/0"), 0);
    EXPECT_EQ(WorkerLog::count(log_.entries(), "ev 6 4"), 0) << "dropped, not tried and failed";
    const ReceptacleMasks left = loop_->takeNotDone();
    EXPECT_EQ(left.on[0], 0x6u);
    EXPECT_EQ(left.off[0], 0x10u);
    EXPECT_EQ(loop_->takeNotDone().on[0], 0u) << "told once";
}

TEST_F(StateWorkerTest, SnapshotNeverWaitsForTheOperationInProgress) {
    Gate gate;
    start(0, true, 60000);
    ASSERT_TRUE(waitBusyEnds(1));
    StateSnapshot first = loop_->snapshot();
    EXPECT_EQ(first.statusFrame[0], 0xAA);
    EXPECT_EQ(first.statusFrame[2], 1);
    EXPECT_EQ(first.modelExtension, 0x100A);

    // The next status read hangs on the device; the window thread still gets the last copy
    // at once.
    gStatusGate = &gate;
    worker_->post(STATE_CMD_REFRESH);
    ASSERT_TRUE(gate.waitEntered());
    const auto t0 = std::chrono::steady_clock::now();
    const StateSnapshot during = loop_->snapshot();
    const auto waited = std::chrono::steady_clock::now() - t0;
    EXPECT_LT(waited, std::chrono::milliseconds(100));
    EXPECT_EQ(during.statusFrame[2], 1);
    gate.open();
    ASSERT_TRUE(waitBusyEnds(2));
    EXPECT_EQ(loop_->snapshot().statusFrame[2], 2);
}

TEST_F(StateWorkerTest, ReopenedDialogNeverMeetsItsOldWorker) {
    Gate gate;
    gOpenGate = &gate;
    start(0, true);
    ASSERT_TRUE(gate.waitEntered());
    const std::shared_ptr<StateWorkerBlock> oldBlock = block_;
    // The old worker is stuck in an operation: the bounded stop gives up and lets it go.
    EXPECT_FALSE(worker_->finish(20));
    EXPECT_FALSE(port_->attached());

    // The dialog opens again at once with a block and port of its own.
    gOpenGate = nullptr;
    WorkerLog newLog;
    block_ = std::make_shared<StateWorkerBlock>();
    start(0, true, 60000, &newLog);
    ASSERT_TRUE(
        newLog.waitFor([](const Entries& e) { return WorkerLog::count(e, "ev 5 255") == 1; }));
    const std::uint32_t newThread = block_->threadId.load();
    EXPECT_NE(newThread, 0u);

    // The old worker finishes on its own block; its late messages go nowhere.
    gate.open();
    ASSERT_TRUE(testing::WaitUntil([&] { return oldBlock->threadId.load() == 0; }));
    EXPECT_EQ(block_->threadId.load(), newThread);
    // The old worker refreshed after its open, but the old dialog heard nothing.
    for (const std::string& e : log_.entries()) {
        EXPECT_NE(e.rfind("ev ", 0), 0u) << e;
    }
    worker_->finish(kBoundMs);
    EXPECT_EQ(block_->threadId.load(), 0u);
}

}  // namespace
}  // namespace quorvel::dialogs
