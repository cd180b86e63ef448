// The debug channel: developer trace lines (such as one per value the attribute loader stores).
// Off by default. Setting the environment variable QUORVEL_DEBUG_TRACE turns it on at start-up:
// "1" or "stderr" writes to standard error, any other value names a file to append to.
#pragma once

#include <functional>
#include <string_view>

namespace quorvel {

// True when trace lines go anywhere; cheap enough to test before formatting a line.
bool debugTraceEnabled();

// Writes one printf-formatted line (the format carries its own "\n") when the channel is on.
void debugTrace(const char* format, ...) __attribute__((format(printf, 1, 2)));

// Replaces where trace lines go (tests, tools); an empty function turns the channel off.
void setDebugTraceSink(std::function<void(std::string_view)> sink);

}  // namespace quorvel
