#include "platform/bounded_thread.h"

#include <chrono>

namespace quorvel::platform {

BoundedThread::~BoundedThread() {
    finish(0);
}

void BoundedThread::start(std::function<void()> body) {
    if (thread_.joinable()) {
        return;
    }
    // A thread left to go on its own keeps the old record; this run gets a new one.
    done_ = std::make_shared<Done>();
    done_->finished = false;
    thread_ = std::thread([body = std::move(body), done = done_] {
        body();
        {
            std::lock_guard lock(done->mutex);
            done->finished = true;
        }
        done->cv.notify_all();
    });
}

bool BoundedThread::finished() const {
    std::lock_guard lock(done_->mutex);
    return done_->finished;
}

bool BoundedThread::waitFinished(int timeoutMs) const {
    std::unique_lock lock(done_->mutex);
    return done_->cv.wait_for(lock, std::chrono::milliseconds(timeoutMs < 0 ? 0 : timeoutMs),
                              [this] { return done_->finished; });
}

bool BoundedThread::finish(int timeoutMs) {
    if (!thread_.joinable()) {
        return finished();
    }
    const bool ended = waitFinished(timeoutMs);
    if (ended) {
        thread_.join();
    } else {
        thread_.detach();
    }
    return ended;
}

}  // namespace quorvel::platform
