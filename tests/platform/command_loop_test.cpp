// The worker command loop every dialog shares: commands run in the order given and none is lost,
// the close command runs after those given before it, writes finish and reads stop once the
// dialog closes, and the owner's end is bounded.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "platform/command_loop.h"
#include "platform/message_target.h"

namespace quorvel::platform {
namespace {

using ::testing::ElementsAre;

constexpr std::uint8_t kOpen = 1;
constexpr std::uint8_t kRead = 2;
constexpr std::uint8_t kWrite = 3;
constexpr std::uint8_t kClose = 6;
constexpr int kBoundMs = 5000;

struct Block {
    std::shared_ptr<AutoResetEvent> wakeEvent;
    std::atomic<std::uint32_t> threadId{0};
    std::atomic<std::uint8_t> command{0};
    std::atomic<bool> stopRequested{false};
};

// Records every command with the stop flag as it saw it at its end; a held command waits at
// the gate until the test opens it (or the stop flag is set, for a read).
class RecordingLoop : public CommandLoop {
  public:
    explicit RecordingLoop(Block& b)
        : CommandLoop({&b.wakeEvent, &b.threadId, &b.command, &b.stopRequested}, kOpen, kClose),
          block_(b) {}

    using CommandLoop::dropQueued;
    std::vector<std::string> log() {
        std::lock_guard lock(mutex_);
        return log_;
    }
    void hold(std::uint8_t command) {
        std::lock_guard lock(mutex_);
        held_ = command;
    }
    bool waitHeld() {
        std::unique_lock lock(mutex_);
        return cv_.wait_for(lock, std::chrono::milliseconds(kBoundMs), [this] { return holding_; });
    }
    void release() {
        {
            std::lock_guard lock(mutex_);
            held_ = 0;
        }
        cv_.notify_all();
    }

  protected:
    int waitTimeoutMs() const override { return 1000; }
    bool isWrite(std::uint8_t command) const override { return command == kWrite; }
    void perform(std::uint8_t command) override {
        std::unique_lock lock(mutex_);
        if (command == held_) {
            holding_ = true;
            cv_.notify_all();
            // A read gives up once asked to stop (it looks, as the device operations do, between
            // its exchanges); a write waits for the gate.
            const auto until =
                std::chrono::steady_clock::now() + std::chrono::milliseconds(kBoundMs);
            while (held_ == command && !(command == kRead && block_.stopRequested.load()) &&
                   std::chrono::steady_clock::now() < until) {
                cv_.wait_for(lock, std::chrono::milliseconds(5));
            }
            holding_ = false;
        }
        log_.push_back(std::to_string(command) + (block_.stopRequested.load() ? "s" : ""));
        cv_.notify_all();
    }

  private:
    Block& block_;
    std::mutex mutex_;
    std::condition_variable cv_;
    std::vector<std::string> log_;
    std::uint8_t held_ = 0;
    bool holding_ = false;
};

template <typename Condition>
bool WaitFor(Condition done) {
    const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(kBoundMs);
    while (!done()) {
        if (std::chrono::steady_clock::now() > until) {
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return true;
}

class CommandLoopTest : public ::testing::Test {
  protected:
    Block block;
    std::shared_ptr<RecordingLoop> loop = std::make_shared<RecordingLoop>(block);
    CommandWorker worker{loop, nullptr};
};

TEST_F(CommandLoopTest, CommandsGivenBackToBackAllRunInOrderAfterTheOpenAndBeforeTheClose) {
    loop->hold(kOpen);
    worker.start();
    ASSERT_TRUE(loop->waitHeld());
    // Given while the open command still runs: none replaces another.
    for (std::uint8_t c : {kWrite, kRead, kWrite, kWrite, kRead}) {
        EXPECT_TRUE(worker.give(c));
    }
    EXPECT_TRUE(worker.writing());
    loop->release();
    ASSERT_TRUE(WaitFor([&] { return loop->log().size() == 6; }));
    ASSERT_TRUE(worker.finish(kBoundMs));
    EXPECT_THAT(loop->log(), ElementsAre("1", "3", "2", "3", "3", "2", "6s"));
    EXPECT_EQ(block.threadId.load(), 0u);
    EXPECT_EQ(block.command.load(), 0);
    EXPECT_FALSE(worker.give(kWrite)) << "nothing is taken after the close";
}

TEST_F(CommandLoopTest, ClosingLetsWritesFinishAndStopsReads) {
    worker.start();
    loop->hold(kWrite);
    worker.give(kWrite);
    ASSERT_TRUE(loop->waitHeld());
    worker.give(kRead);   // a read waiting when the dialog closes is dropped
    worker.give(kWrite);  // a write waiting is carried out
    worker.close();
    EXPECT_TRUE(worker.writing());
    EXPECT_FALSE(block.stopRequested.load()) << "the write in progress must not be stopped";
    EXPECT_FALSE(worker.waitEnded(100));
    loop->release();
    ASSERT_TRUE(worker.waitEnded(kBoundMs));
    EXPECT_THAT(loop->log(), ElementsAre("1", "3", "3", "6s"));
    EXPECT_FALSE(worker.writing());

    // A read in progress is told to stop at once.
    Block other;
    auto reading = std::make_shared<RecordingLoop>(other);
    CommandWorker second(reading, nullptr);
    reading->hold(kRead);
    second.start();
    second.give(kRead);
    ASSERT_TRUE(reading->waitHeld());
    second.give(kRead);
    EXPECT_FALSE(second.writing()) << "a read running and one queued are no write";
    second.close();
    EXPECT_TRUE(second.waitEnded(kBoundMs));
    EXPECT_THAT(reading->log(), ElementsAre("1", "2s", "6s"));
}

TEST_F(CommandLoopTest, AWorkerThatDoesNotEndInTimeIsLetGoAndItsPortDetached) {
    struct Sink : MessageTarget {
        std::atomic<int> posts{0};
        void post(unsigned, std::uintptr_t, std::intptr_t) override { ++posts; }
    } sink;
    auto port = std::make_shared<MessagePort>(&sink);
    auto held = std::make_shared<RecordingLoop>(block);
    {
        CommandWorker owner(held, port);
        held->hold(kWrite);
        owner.start();
        owner.give(kWrite);
        ASSERT_TRUE(held->waitHeld());
        const auto start = std::chrono::steady_clock::now();
        EXPECT_FALSE(owner.finish(50));
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(1000));
    }
    port->post(1, 0, 0);
    EXPECT_EQ(sink.posts.load(), 0);
    held->release();  // the write still finishes, on its own
    EXPECT_TRUE(WaitFor([&] { return held->finished(); }));
    EXPECT_THAT(held->log(), ElementsAre("1", "3", "6s"));
}

TEST_F(CommandLoopTest, DroppingQueuedCommandsNeverDropsTheCloseAndAGivenCommandIsNoTimeout) {
    EXPECT_TRUE(worker.finish(0)) << "a worker never started has nothing to wait for";
    worker.start();
    // The open done, the loop waits for its next command.
    ASSERT_TRUE(WaitFor([&] { return loop->log().size() == 1; }));
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    loop->hold(kWrite);
    worker.give(kWrite);
    ASSERT_TRUE(loop->waitHeld());
    worker.give(kRead);
    worker.give(kWrite);
    worker.close();
    // Everything queued is dropped, but the close still runs last.
    EXPECT_EQ(loop->dropQueued([](std::uint8_t) { return true; }), 2);
    loop->release();
    ASSERT_TRUE(worker.waitEnded(kBoundMs));
    EXPECT_THAT(loop->log(), ElementsAre("1", "3", "6s"));
    // Woken by its commands within its 1 s wait: no timeout was counted.
    EXPECT_EQ(loop->timeouts(), 0);
}

TEST(CommandLoop, EachWaitThatEndsWithoutACommandCountsOnce) {
    struct Ticking : RecordingLoop {
        using RecordingLoop::RecordingLoop;
        std::atomic<int> ticks{0};
        int waitTimeoutMs() const override { return 10; }
        void onTimeout() override { ++ticks; }
    };
    Block block;
    auto loop = std::make_shared<Ticking>(block);
    CommandWorker worker(loop, nullptr);
    worker.start();
    ASSERT_TRUE(WaitFor([&] { return loop->ticks.load() >= 3; }));
    ASSERT_TRUE(worker.finish(kBoundMs));
    EXPECT_EQ(loop->timeouts(), loop->ticks.load());
}

TEST(CommandLoop, WithoutAWakeEventCommandsAreDropped) {
    Block block;
    RecordingLoop loop(block);
    EXPECT_FALSE(loop.give(kWrite));
    loop.close();
    EXPECT_FALSE(loop.commandPending());
    loop.run();  // ends at once: nothing could wake it
    EXPECT_TRUE(loop.finished());
    EXPECT_TRUE(loop.log().empty());
}

}  // namespace
}  // namespace quorvel::platform
