// A log shared by the fake operations and the fake dialog, so worker tests can check the exact
// order of calls and posted messages, plus a gate that holds an operation until released.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "dialogs/logic/dialog_worker.h"
#include "platform/message_target.h"

namespace quorvel::dialogs::testing {

class WorkerLog : public platform::MessageTarget {
  public:
    void add(std::string entry) {
        {
            std::lock_guard lock(mutex_);
            entries_.push_back(std::move(entry));
        }
        cv_.notify_all();
    }
    void post(unsigned msg, std::uintptr_t wParam, std::intptr_t lParam) override {
        add((msg == 0x40A ? "ev " : "item ") + std::to_string(wParam) + " " +
            std::to_string(lParam));
    }
    std::vector<std::string> entries() const {
        std::lock_guard lock(mutex_);
        return entries_;
    }
    // Waits (bounded) until the predicate holds on the entries.
    bool waitFor(const std::function<bool(const std::vector<std::string>&)>& done,
                 int timeoutMs = 5000) {
        std::unique_lock lock(mutex_);
        return cv_.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                            [&] { return done(entries_); });
    }
    bool waitForEntry(const std::string& entry, int timeoutMs = 5000) {
        return waitFor([&](const auto& e) { return count(e, entry) > 0; }, timeoutMs);
    }
    static int count(const std::vector<std::string>& entries, const std::string& entry) {
        return static_cast<int>(std::count(entries.begin(), entries.end(), entry));
    }

  private:
    mutable std::mutex mutex_;
    std::condition_variable cv_;
    std::vector<std::string> entries_;
};

class Gate {
  public:
    void wait() {
        std::unique_lock lock(mutex_);
        entered_ = true;
        cv_.notify_all();
        cv_.wait_for(lock, std::chrono::seconds(10), [this] { return open_; });
    }
    bool waitEntered(int timeoutMs = 5000) {
        std::unique_lock lock(mutex_);
        return cv_.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                            [this] { return entered_; });
    }
    void open() {
        {
            std::lock_guard lock(mutex_);
            open_ = true;
        }
        cv_.notify_all();
    }

  private:
    std::mutex mutex_;
    std::condition_variable cv_;
    bool entered_ = false;
    bool open_ = false;
};

// Polls a condition that nothing signals, for at most timeoutMs.
inline bool WaitUntil(const std::function<bool()>& done, int timeoutMs = 5000) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (!done()) {
        if (std::chrono::steady_clock::now() > deadline) {
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}

// The frame of a worker test: the log the fakes write to, the operations, block, port, loop
// and worker of one dialog run. A worker left running would call the fakes after the next test
// took them over, so the test's end finishes it (within a bound) before the fixture goes.
template <typename Ops, typename Block, typename Loop>
class WorkerTest : public ::testing::Test {
  protected:
    static constexpr int kBoundMs = 5000;
    void TearDown() override {
        if (worker_) {
            EXPECT_TRUE(worker_->finish(kBoundMs));
        }
        worker_.reset();
    }
    // Starts a dialog run: a port of its own to `target`, the block given the operations and
    // the port, and a loop made of the block and `loopArgs`.
    template <typename... Args>
    void launch(WorkerLog* target, Args&&... loopArgs) {
        port_ = std::make_shared<platform::MessagePort>(target);
        block_->ops = &ops_;
        block_->window = port_;
        loop_ = std::make_shared<Loop>(block_, std::forward<Args>(loopArgs)...);
        worker_ = std::make_unique<DialogWorker>(loop_, port_);
        worker_->start();
    }
    // The entries logged from index `from` on.
    std::vector<std::string> since(std::size_t from) const {
        const std::vector<std::string> all = log_.entries();
        return {all.begin() + static_cast<long>(from), all.end()};
    }

    WorkerLog log_;
    Ops ops_;
    std::shared_ptr<Block> block_ = std::make_shared<Block>();
    std::shared_ptr<platform::MessagePort> port_;
    std::shared_ptr<Loop> loop_;
    std::unique_ptr<DialogWorker> worker_;
};

}  // namespace quorvel::dialogs::testing
