// The one command loop of every dialog worker thread, and its owner. The dialog gives commands;
// the worker takes them one at a time in the order given, so none is lost or overwritten, and
// the close command, given last, runs after every command given before it.
//
// Writes finish, reads stop: once the dialog closes, a write in progress or waiting to run goes
// on to its end, while a read in progress is told to give up (the block's stop flag, which the
// device operations read between their exchanges) and a read still waiting is dropped.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>

#include "platform/bounded_thread.h"
#include "platform/events.h"

namespace quorvel::platform {

class MessagePort;

class CommandLoop {
  public:
    // The fields of the worker block that the loop keeps current. The block outlives the loop.
    struct BlockFields {
        std::shared_ptr<AutoResetEvent>* wakeEvent;  // signalled for every command given
        std::atomic<std::uint32_t>* threadId;        // the worker's, 0 once it ended
        std::atomic<std::uint8_t>* command;          // the command in progress, 0 when idle
        std::atomic<bool>* stopRequested;            // set while a read runs after the close
    };

    virtual ~CommandLoop() = default;
    CommandLoop(const CommandLoop&) = delete;
    CommandLoop& operator=(const CommandLoop&) = delete;

    // Window thread. Prepares a start: the wake event (made when missing) and the open command,
    // if the loop has one, first in line.
    void arm();
    // Queues a command after those given before; false (dropped) without a wake event, or once
    // the close command was given.
    bool give(std::uint8_t command);
    // Gives the close command (once); from now on reads stop and writes finish.
    void close();
    bool closing() const;
    // True while a write runs or waits to run: the dialog then shows it is finishing.
    bool writing() const;
    // True when a command waits to be taken.
    bool commandPending() const;

    // The thread's body: returns after the close command was performed.
    void run();
    bool finished() const;
    // Waits that ended without a command so far.
    int timeouts() const { return timeouts_.load(); }

  protected:
    CommandLoop(BlockFields fields, std::optional<std::uint8_t> openCommand,
                std::uint8_t closeCommand);

    virtual int waitTimeoutMs() const = 0;
    // A wait ended without a command (a read: it stops once the dialog closed).
    virtual void onTimeout() {}
    virtual bool isWrite(std::uint8_t command) const = 0;
    // Performs one command; the close command too, after which the loop ends.
    virtual void perform(std::uint8_t command) = 0;

    // True once a read in progress should give up.
    bool stopRequested() const { return fields_.stopRequested->load(); }
    // Takes the queued commands for which `drop` holds out of the queue (never the close
    // command) and returns how many there were.
    int dropQueued(const std::function<bool(std::uint8_t)>& drop);

  private:
    // Takes the next command to run, if one waits; marks what runs as in progress.
    std::optional<std::uint8_t> take();
    void done();

    BlockFields fields_;
    const std::optional<std::uint8_t> openCommand_;
    const std::uint8_t closeCommand_;
    mutable std::mutex mutex_;  // the queue and the three states below
    std::deque<std::uint8_t> queue_;
    bool closing_ = false;
    bool closeGiven_ = false;
    bool writeRunning_ = false;
    std::atomic<int> timeouts_{0};
    std::atomic<bool> finished_{false};
};

// Starts a command loop on a thread of its own, gives it commands and lets it end. A loop that
// is still running when its owner goes away goes on on its own (it holds its block), after
// its dialog's port was detached so that nothing it posts arrives any more.
class CommandWorker {
  public:
    CommandWorker(std::shared_ptr<CommandLoop> loop, std::shared_ptr<MessagePort> port);
    ~CommandWorker();  // finish(0)
    CommandWorker(const CommandWorker&) = delete;
    CommandWorker& operator=(const CommandWorker&) = delete;

    // Starts the thread with the open command first in line.
    void start();
    bool give(std::uint8_t command) { return loop_->give(command); }
    void close() { loop_->close(); }
    bool writing() const { return loop_->writing(); }
    bool running() const { return thread_.running(); }
    bool ended() const { return thread_.finished(); }
    bool waitEnded(int timeoutMs) const { return thread_.waitFinished(timeoutMs); }
    // Closes, waits up to timeoutMs for the thread to end and joins it, or lets it go on on its
    // own; detaches the port either way. True when it ended in time.
    bool finish(int timeoutMs);
    CommandLoop& loop() { return *loop_; }

  private:
    std::shared_ptr<CommandLoop> loop_;
    std::shared_ptr<MessagePort> port_;
    BoundedThread thread_;
};

}  // namespace quorvel::platform
