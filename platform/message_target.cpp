#include "platform/message_target.h"

#include <chrono>

namespace quorvel::platform {

void MessagePort::post(unsigned msg, std::uintptr_t wParam, std::intptr_t lParam) {
    std::lock_guard lock(mutex_);
    if (target_ != nullptr) {
        target_->post(msg, wParam, lParam);
    }
}

void MessagePort::detach() {
    std::lock_guard lock(mutex_);
    target_ = nullptr;
}

bool MessagePort::attached() const {
    std::lock_guard lock(mutex_);
    return target_ != nullptr;
}

void MessageQueue::post(unsigned msg, std::uintptr_t wParam, std::intptr_t lParam) {
    {
        std::lock_guard lock(mutex_);
        queue_.push_back({msg, wParam, lParam});
    }
    cv_.notify_one();
}

std::optional<Message> MessageQueue::take(int timeoutMs) {
    std::unique_lock lock(mutex_);
    if (!cv_.wait_for(lock, std::chrono::milliseconds(timeoutMs < 0 ? 0 : timeoutMs),
                      [this] { return !queue_.empty(); })) {
        return std::nullopt;
    }
    Message m = queue_.front();
    queue_.pop_front();
    return m;
}

}  // namespace quorvel::platform
