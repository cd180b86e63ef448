// A worker thread whose owner waits for its end with a bound: joined when it ended in time, left
// to finish on its own when not (whatever it runs must then hold what it uses, as the workers
// hold their shared blocks).
#pragma once

#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

namespace quorvel::platform {

class BoundedThread {
  public:
    BoundedThread() = default;
    ~BoundedThread();  // finish(0)
    BoundedThread(const BoundedThread&) = delete;
    BoundedThread& operator=(const BoundedThread&) = delete;

    // Runs body on a new thread; nothing when one was started and not finished with yet.
    void start(std::function<void()> body);
    bool running() const { return thread_.joinable(); }
    // True when the body has returned (also before any start).
    bool finished() const;
    // True when the body returned within timeoutMs.
    bool waitFinished(int timeoutMs) const;
    // Waits up to timeoutMs for the body to return; joins the thread when it did, else lets it
    // go on its own. True when it ended in time.
    bool finish(int timeoutMs);

  private:
    struct Done {
        mutable std::mutex mutex;
        std::condition_variable cv;
        bool finished = true;
    };
    std::shared_ptr<Done> done_ = std::make_shared<Done>();
    std::thread thread_;
};

}  // namespace quorvel::platform
