// The current interface: the connected console, published by the session worker while it idles
// and handed to device operations under a lease, so that two threads never share the line.
#pragma once

#include <mutex>

namespace quorvel {

class PDUIfce;

// Holds the console for one try of a device operation. get() is the current interface, or null
// when no session is in its normal processing loop or its session is being withdrawn.
class ConsoleLease {
  public:
    ConsoleLease();
    PDUIfce* get() const { return current_; }

  private:
    std::unique_lock<std::mutex> lock_;
    PDUIfce* current_;
};

// Publishes ifce as the current interface (null withdraws it). Waits for a lease in progress;
// a withdrawal goes before any lease asked for meanwhile, which then finds no interface.
void PublishInterface(PDUIfce* ifce);

// The process-wide console lock, for the session worker's own exchanges before it publishes.
std::mutex& ConsoleMutex();

}  // namespace quorvel
