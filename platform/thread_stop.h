// A stop request that long device work on a thread looks at between its exchanges: a worker, or
// an operation handed a worker's block, points it at the worker's stop flag for as long as it
// runs, so that a closed dialog's operation in progress ends at once rather than after all its
// tries. The flag is data the caller owns, so it works across the shared library's boundary.
#pragma once

#include <atomic>

namespace quorvel::platform {

// While it lives, ThreadStopRequested() on this thread reads *flag (a null flag changes
// nothing).
class ThreadStopScope {
  public:
    explicit ThreadStopScope(const std::atomic<bool>* flag);
    ~ThreadStopScope();
    ThreadStopScope(const ThreadStopScope&) = delete;
    ThreadStopScope& operator=(const ThreadStopScope&) = delete;

  private:
    const std::atomic<bool>* previous_;
};

// The stop flag of a worker's shared block (its `stopRequested`), null for no block.
template <typename Block>
const std::atomic<bool>* StopFlagOf(const Block* block) {
    return block != nullptr ? &block->stopRequested : nullptr;
}

// True when the calling thread's worker was asked to stop; false on threads without one.
bool ThreadStopRequested();

}  // namespace quorvel::platform
