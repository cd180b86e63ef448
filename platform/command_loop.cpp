// The worker threads' command loop: an ordered queue, the close command last, writes that finish
// and reads that stop.
#include "platform/command_loop.h"

#include <sys/syscall.h>
#include <unistd.h>

#include <algorithm>

#include "platform/message_target.h"

namespace quorvel::platform {

CommandLoop::CommandLoop(BlockFields fields, std::optional<std::uint8_t> openCommand,
                         std::uint8_t closeCommand)
    : fields_(fields), openCommand_(openCommand), closeCommand_(closeCommand) {}

void CommandLoop::arm() {
    auto& event = *fields_.wakeEvent;
    if (!event) {
        event = std::make_shared<AutoResetEvent>();
    }
    if (openCommand_) {
        std::lock_guard lock(mutex_);
        queue_.push_front(*openCommand_);
    }
    event->set();
}

bool CommandLoop::give(std::uint8_t command) {
    const std::shared_ptr<AutoResetEvent> event = *fields_.wakeEvent;
    if (!event) {
        return false;
    }
    {
        std::lock_guard lock(mutex_);
        if (closeGiven_) {
            return false;
        }
        queue_.push_back(command);
    }
    event->set();
    return true;
}

void CommandLoop::close() {
    const std::shared_ptr<AutoResetEvent> event = *fields_.wakeEvent;
    {
        std::lock_guard lock(mutex_);
        if (closeGiven_) {
            return;
        }
        closing_ = true;
        closeGiven_ = event != nullptr;
        if (closeGiven_) {
            queue_.push_back(closeCommand_);
        }
        // A read in progress gives up at its next exchange; a write goes on.
        if (!writeRunning_) {
            fields_.stopRequested->store(true);
        }
    }
    if (event) {
        event->set();
    }
}

bool CommandLoop::closing() const {
    std::lock_guard lock(mutex_);
    return closing_;
}

bool CommandLoop::writing() const {
    std::lock_guard lock(mutex_);
    return writeRunning_ || std::any_of(queue_.begin(), queue_.end(), [this](std::uint8_t c) {
               return c != closeCommand_ && isWrite(c);
           });
}

bool CommandLoop::commandPending() const {
    std::lock_guard lock(mutex_);
    return !queue_.empty();
}

int CommandLoop::dropQueued(const std::function<bool(std::uint8_t)>& drop) {
    std::lock_guard lock(mutex_);
    const auto kept = std::remove_if(queue_.begin(), queue_.end(),
                                     [&](std::uint8_t c) { return c != closeCommand_ && drop(c); });
    const auto dropped = static_cast<int>(std::distance(kept, queue_.end()));
    queue_.erase(kept, queue_.end());
    return dropped;
}

bool CommandLoop::finished() const {
    return finished_.load();
}

std::optional<std::uint8_t> CommandLoop::take() {
    std::lock_guard lock(mutex_);
    while (!queue_.empty()) {
        const std::uint8_t command = queue_.front();
        queue_.pop_front();
        const bool write = command != closeCommand_ && isWrite(command);
        if (closing_ && !write && command != closeCommand_) {
            continue;  // a read given before the close: not wanted any more
        }
        writeRunning_ = write;
        fields_.stopRequested->store(closing_ && !write);
        fields_.command->store(command);
        return command;
    }
    return std::nullopt;
}

void CommandLoop::done() {
    std::lock_guard lock(mutex_);
    writeRunning_ = false;
    fields_.command->store(0);
    // Between commands the worker only reads (its timeouts): they stop once closing.
    fields_.stopRequested->store(closing_);
}

void CommandLoop::run() {
    fields_.threadId->store(static_cast<std::uint32_t>(::syscall(SYS_gettid)));
    // Without an event nothing could wake the worker: it ends at once.
    const std::shared_ptr<AutoResetEvent> event = *fields_.wakeEvent;
    while (event) {
        const std::optional<std::uint8_t> command = take();
        if (!command) {
            if (!event->wait(waitTimeoutMs())) {
                timeouts_.fetch_add(1);
                onTimeout();
            }
            continue;
        }
        perform(*command);
        done();
        if (*command == closeCommand_) {
            break;
        }
    }
    fields_.threadId->store(0);
    finished_.store(true);
}

CommandWorker::CommandWorker(std::shared_ptr<CommandLoop> loop, std::shared_ptr<MessagePort> port)
    : loop_(std::move(loop)), port_(std::move(port)) {}

CommandWorker::~CommandWorker() {
    finish(0);
}

void CommandWorker::start() {
    if (thread_.running()) {
        return;
    }
    loop_->arm();
    // The thread shares the loop (and through it the block), so neither goes away under it.
    thread_.start([loop = loop_] { loop->run(); });
}

bool CommandWorker::finish(int timeoutMs) {
    bool ended = true;
    if (thread_.running()) {
        loop_->close();
        ended = thread_.finish(timeoutMs);
    }
    if (port_) {
        port_->detach();
    }
    return ended;
}

}  // namespace quorvel::platform
