// Window messages across threads: a worker posts (message, wParam, lParam) to the window that
// owns it. A target that is going away is detached first, so a late post is dropped.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <optional>

namespace quorvel::platform {

class MessageTarget {
  public:
    virtual ~MessageTarget() = default;
    // Safe from any thread; never blocks for long.
    virtual void post(unsigned msg, std::uintptr_t wParam, std::intptr_t lParam) = 0;
};

// What a worker holds instead of a raw target: posts go through while the target is attached
// and are dropped after detach(). detach() waits for a post in progress to finish.
class MessagePort {
  public:
    explicit MessagePort(MessageTarget* target) : target_(target) {}
    void post(unsigned msg, std::uintptr_t wParam, std::intptr_t lParam);
    void detach();
    bool attached() const;

  private:
    mutable std::mutex mutex_;
    MessageTarget* target_;
};

struct Message {
    unsigned msg = 0;
    std::uintptr_t wParam = 0;
    std::intptr_t lParam = 0;
};

// A target that queues messages, for programs without windows (the CLI) and for tests.
class MessageQueue : public MessageTarget {
  public:
    void post(unsigned msg, std::uintptr_t wParam, std::intptr_t lParam) override;
    // Next message, or nothing when none arrived within timeoutMs.
    std::optional<Message> take(int timeoutMs);

  private:
    std::mutex mutex_;
    std::condition_variable cv_;
    std::deque<Message> queue_;
};

}  // namespace quorvel::platform
