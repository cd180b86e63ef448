// The calibration worker's command handling with a table of test operations: the open command
// first with its handle, samples repeated while their command stays, and a write that goes on
// when the dialog closes. The command loop itself is tested with the platform.
#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <functional>
#include <map>
#include <mutex>
#include <thread>

#include "link/calibration_worker.h"
#include "platform/message_target.h"

namespace quorvel {
namespace {

constexpr int kBoundMs = 5000;

// What the test operations saw; a gate can hold one action code until it is opened.
struct FakeDevice {
    std::mutex mutex;
    std::condition_variable cv;
    std::map<int, int> calls;  // code (open -1, close -2) -> calls
    int heldCode = -100;
    bool holding = false;  // an action waits at the gate
    bool gateOpen = true;

    int count(int code) {
        std::lock_guard lock(mutex);
        return calls[code];
    }
    // Waits for the condition within the bound, looking again every few milliseconds for
    // conditions that nobody signals (the worker's timeout count).
    bool waitFor(const std::function<bool()>& condition) {
        const auto deadline =
            std::chrono::steady_clock::now() + std::chrono::milliseconds(kBoundMs);
        std::unique_lock lock(mutex);
        while (!condition()) {
            if (std::chrono::steady_clock::now() >= deadline) {
                return false;
            }
            cv.wait_for(lock, std::chrono::milliseconds(5));
        }
        return true;
    }
    void hold(int code) {
        std::lock_guard lock(mutex);
        heldCode = code;
        gateOpen = false;
    }
    void open() {
        {
            std::lock_guard lock(mutex);
            gateOpen = true;
        }
        cv.notify_all();
    }
};

FakeDevice* g_device = nullptr;

void Note(int code) {
    std::unique_lock lock(g_device->mutex);
    ++g_device->calls[code];
    if (code == g_device->heldCode) {
        g_device->holding = true;
        g_device->cv.notify_all();
        g_device->cv.wait_for(lock, std::chrono::milliseconds(kBoundMs),
                              [] { return g_device->gateOpen; });
        g_device->holding = false;
    }
    g_device->cv.notify_all();
}

std::int32_t FakeOpen(CalibrationWorkerBlock*) {
    Note(-1);
    return 7;
}
bool FakeAction(std::int32_t handle, std::uint8_t code, CalibrationWorkerBlock*) {
    Note(code);
    return handle == 7;
}
void FakeClose(std::int32_t, CalibrationWorkerBlock*) {
    Note(-2);
}

class CalibrationWorkerTest : public ::testing::Test {
  protected:
    void SetUp() override {
        g_device = &device;
        ops.Open = &FakeOpen;
        ops.Action = &FakeAction;
        ops.Close = &FakeClose;
        block = std::make_shared<CalibrationWorkerBlock>();
        block->ops = &ops;
        block->window = std::make_shared<platform::MessagePort>(&queue);
        block->repeatPeriodMs = 10;
        worker = std::make_unique<CalibrationWorker>(block);
    }
    void TearDown() override {
        device.open();
        // The worker's thread reads the fixture's operations: it must end before they go.
        if (worker) {
            EXPECT_TRUE(worker->finish(kBoundMs));
        }
        worker.reset();
        g_device = nullptr;
    }
    // The next UM_CAL_DONE of `command`, skipping other messages; its lParam or -1.
    std::intptr_t doneOf(std::uint8_t command) {
        const auto deadline =
            std::chrono::steady_clock::now() + std::chrono::milliseconds(kBoundMs);
        while (std::chrono::steady_clock::now() < deadline) {
            auto m = queue.take(100);
            if (m && m->msg == UM_CAL_DONE && m->wParam == command) {
                return m->lParam;
            }
        }
        return -1;
    }
    bool waitTimeouts(std::uint32_t n) {
        return device.waitFor([&] { return block->timeouts.load() >= n; });
    }

    FakeDevice device;
    CalibrationOps ops;
    platform::MessageQueue queue;
    std::shared_ptr<CalibrationWorkerBlock> block;
    std::unique_ptr<CalibrationWorker> worker;
};

TEST_F(CalibrationWorkerTest, OpensFirstThenPerformsCommandsWithTheHandle) {
    worker->start();
    EXPECT_EQ(doneOf(kCalOpen), 1);
    EXPECT_EQ(device.count(-1), 1);
    block->unanswered = true;  // left from an earlier command: each one starts afresh
    worker->give(kCalWrite);
    EXPECT_EQ(doneOf(kCalWrite), 1);  // the action saw the open operation's handle
    EXPECT_FALSE(block->unanswered.load());
    worker->give(kCalReboot);
    EXPECT_EQ(doneOf(kCalReboot), 1);
    // Only samples repeat: the worker's timeouts carry out nothing else.
    ASSERT_TRUE(waitTimeouts(block->timeouts.load() + 3));
    EXPECT_EQ(device.count(-1), 1);
    EXPECT_EQ(device.count(kCalReboot), 1);
    EXPECT_TRUE(worker->finish(kBoundMs));
    EXPECT_EQ(device.count(-2), 1);
    EXPECT_EQ(device.count(kCalWrite), 1);
    EXPECT_EQ(block->threadId.load(), 0u);
}

TEST_F(CalibrationWorkerTest, SamplesRepeatWhileTheirCommandStaysAndStopOnCommandZero) {
    worker->start();
    ASSERT_EQ(doneOf(kCalOpen), 1);
    worker->give(kCalSampleLow);
    ASSERT_TRUE(device.waitFor([&] { return g_device->calls[kCalSampleLow] >= 3; }));
    worker->give(kCalSampleHigh);
    ASSERT_TRUE(device.waitFor([&] { return g_device->calls[kCalSampleHigh] >= 3; }));

    worker->give(kCalIdle);
    const std::uint32_t t0 = block->timeouts.load();
    ASSERT_TRUE(waitTimeouts(t0 + 2));
    const int before = device.count(kCalSampleHigh) + device.count(kCalSampleLow);
    ASSERT_TRUE(waitTimeouts(t0 + 6));
    EXPECT_EQ(device.count(kCalSampleHigh) + device.count(kCalSampleLow), before);

    // Without the repeat flag a sample runs once per command.
    block->repeat = 0;
    const int low = device.count(kCalSampleLow);  // before the command: the worker may be quick
    worker->give(kCalSampleLow);
    ASSERT_TRUE(device.waitFor([&] { return g_device->calls[kCalSampleLow] > low; }));
    const std::uint32_t t1 = block->timeouts.load();
    ASSERT_TRUE(waitTimeouts(t1 + 4));
    EXPECT_EQ(device.count(kCalSampleLow), low + 1);
}

// The worker wakes every repeat period, once a second when none is set.
TEST_F(CalibrationWorkerTest, TheRepeatPeriodPacesTheWorker) {
    worker->start();
    ASSERT_EQ(doneOf(kCalOpen), 1);
    const std::uint32_t t0 = block->timeouts.load();
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    const std::uint32_t woken = block->timeouts.load() - t0;
    EXPECT_GE(woken, 3u);   // every 10 ms: about 50
    EXPECT_LE(woken, 51u);  // never more often than its period
    EXPECT_TRUE(worker->finish(kBoundMs));

    auto unpaced = std::make_shared<CalibrationWorkerBlock>();
    unpaced->ops = &ops;
    unpaced->window = block->window;
    CalibrationWorker second(unpaced);
    second.start();
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    EXPECT_LE(unpaced->timeouts.load(), 1u);
    EXPECT_TRUE(second.finish(kBoundMs));
}

TEST_F(CalibrationWorkerTest, ASampleStopsAtOnceWhenTheDialogCloses) {
    worker->start();
    ASSERT_EQ(doneOf(kCalOpen), 1);
    device.hold(kCalSampleLow);
    worker->give(kCalSampleLow);
    ASSERT_TRUE(device.waitFor([] { return g_device->holding; }));
    worker->close();
    EXPECT_TRUE(block->stopRequested.load());
    device.open();
    EXPECT_TRUE(worker->waitEnded(kBoundMs));
    EXPECT_EQ(device.count(kCalSampleLow), 1);
}

TEST_F(CalibrationWorkerTest, AWriteGoesOnToItsEndWhenTheDialogCloses) {
    worker->start();
    ASSERT_EQ(doneOf(kCalOpen), 1);
    device.hold(kCalWrite);
    worker->give(kCalSampleHigh);  // a sample repeating when the calibration is confirmed
    worker->give(kCalWrite);
    ASSERT_TRUE(device.waitFor([] { return g_device->holding; }));
    worker->close();
    EXPECT_FALSE(block->stopRequested.load()) << "the write's tries must not give up";
    EXPECT_TRUE(worker->writing());
    device.open();
    EXPECT_EQ(doneOf(kCalWrite), 1);
    EXPECT_TRUE(worker->waitEnded(kBoundMs));
    EXPECT_EQ(device.count(-2), 1);
    EXPECT_EQ(device.count(kCalWrite), 1);
}

TEST_F(CalibrationWorkerTest, NullSlotsAreSkipped) {
    CalibrationOps empty;
    block->ops = &empty;
    worker->start();
    EXPECT_EQ(doneOf(kCalOpen), 1);
    worker->give(kCalStore);
    EXPECT_EQ(doneOf(kCalStore), 0);
    EXPECT_TRUE(worker->finish(kBoundMs));
    EXPECT_EQ(device.count(-1) + device.count(-2) + device.count(kCalStore), 0);
}

}  // namespace
}  // namespace quorvel
