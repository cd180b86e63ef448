// The debug channel: an optional sink chosen from QUORVEL_DEBUG_TRACE or set by the program.
#include "catalogue/debug_trace.h"

#include <algorithm>
#include <atomic>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <string>

namespace quorvel {
namespace {

struct Channel {
    std::mutex mutex;
    std::function<void(std::string_view)> sink;
    std::atomic<bool> enabled{false};

    Channel() {
        const char* env = std::getenv("QUORVEL_DEBUG_TRACE");
        if (env == nullptr || *env == '\0' || std::strcmp(env, "0") == 0)
            return;
        if (std::strcmp(env, "1") == 0 || std::strcmp(env, "stderr") == 0) {
            sink = [](std::string_view line) { std::fwrite(line.data(), 1, line.size(), stderr); };
        } else {
            std::string path = env;
            sink = [path](std::string_view line) {
                if (std::FILE* f = std::fopen(path.c_str(), "a")) {
                    std::fwrite(line.data(), 1, line.size(), f);
                    std::fclose(f);
                }
            };
        }
        enabled = true;
    }
};

Channel& channel() {
    static Channel c;
    return c;
}

}  // namespace

bool debugTraceEnabled() {
    return channel().enabled.load(std::memory_order_relaxed);
}

void debugTrace(const char* format, ...) {
    Channel& c = channel();
    if (!c.enabled.load(std::memory_order_relaxed))
        return;
    char buf[512];
    va_list args;
    va_start(args, format);
    int n = std::vsnprintf(buf, sizeof buf, format, args);
    va_end(args);
    if (n < 0)
        return;
    std::string_view line(buf, std::min<std::size_t>(static_cast<std::size_t>(n), sizeof buf - 1));
    std::lock_guard lock(c.mutex);
    if (c.sink)
        c.sink(line);
}

void setDebugTraceSink(std::function<void(std::string_view)> sink) {
    Channel& c = channel();
    std::lock_guard lock(c.mutex);
    c.sink = std::move(sink);
    c.enabled = static_cast<bool>(c.sink);
}

}  // namespace quorvel
