// Auto-reset events and a process-wide table of named events: the wake-up signals that the
// windows use to reach their worker threads.
#pragma once

#include <condition_variable>
#include <memory>
#include <mutex>
#include <string>

namespace quorvel::platform {

// Signalled by set(); one wait consumes the signal. Waits are always bounded.
class AutoResetEvent {
  public:
    void set();
    // True when the event was signalled within timeoutMs (the signal is consumed).
    bool wait(int timeoutMs);

  private:
    std::mutex mutex_;
    std::condition_variable cv_;
    bool signalled_ = false;
};

// Creates the named event, or returns the existing one of that name.
std::shared_ptr<AutoResetEvent> CreateNamedEvent(const std::string& name);
// Returns the named event, or null when nobody created it.
std::shared_ptr<AutoResetEvent> OpenNamedEvent(const std::string& name);
// Forgets the name; holders keep their event.
void CloseNamedEvent(const std::string& name);

}  // namespace quorvel::platform
