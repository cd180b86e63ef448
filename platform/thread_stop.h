// What long device work on a thread shares with the worker that runs it: a stop request that it
// looks at between its exchanges, and a note that the device stopped answering. A worker, or an
// operation handed a worker's block, points them at the block's flags for as long as it runs,
// so that a closed dialog's read ends at once rather than after all its tries, and a pass over
// many items ends at the first one the device did not answer. The flags are data the caller
// owns, so they work across the shared library's boundary.
#pragma once

#include <atomic>
#include <cstdint>

namespace quorvel::platform {

// While it lives, ThreadStopRequested() on this thread reads *stop and NoteUnanswered() sets
// *unanswered (a null flag changes nothing).
class ThreadStopScope {
  public:
    explicit ThreadStopScope(const std::atomic<bool>* stop,
                             std::atomic<bool>* unanswered = nullptr);
    // A stop flag that is a byte (the session record's): set when it is not 0.
    explicit ThreadStopScope(const std::atomic<std::uint8_t>* stop);
    // The flags of a worker's shared block (its `stopRequested` and `unanswered`); none for no
    // block.
    template <typename Block>
    requires requires(Block* b) { b->unanswered; }
    explicit ThreadStopScope(Block* block)
        : ThreadStopScope(block != nullptr ? &block->stopRequested : nullptr,
                          block != nullptr ? &block->unanswered : nullptr) {}
    ~ThreadStopScope();
    ThreadStopScope(const ThreadStopScope&) = delete;
    ThreadStopScope& operator=(const ThreadStopScope&) = delete;

  private:
    const std::atomic<bool>* previousStop_;
    const std::atomic<std::uint8_t>* previousStopByte_;
    std::atomic<bool>* previousUnanswered_;
};

// True when the calling thread's worker was asked to stop; false on threads without one.
bool ThreadStopRequested();
// Tells the calling thread's worker that the device gave no answer at all.
void NoteUnanswered();

}  // namespace quorvel::platform
