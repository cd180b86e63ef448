#include "platform/events.h"

#include <chrono>
#include <map>

namespace quorvel::platform {

void AutoResetEvent::set() {
    {
        std::lock_guard lock(mutex_);
        signalled_ = true;
    }
    cv_.notify_one();
}

bool AutoResetEvent::wait(int timeoutMs) {
    std::unique_lock lock(mutex_);
    auto ready = cv_.wait_for(lock, std::chrono::milliseconds(timeoutMs < 0 ? 0 : timeoutMs),
                              [this] { return signalled_; });
    if (ready) {
        signalled_ = false;
    }
    return ready;
}

namespace {

struct NamedEvents {
    std::mutex mutex;
    std::map<std::string, std::shared_ptr<AutoResetEvent>> events;
};

NamedEvents& namedEvents() {
    static NamedEvents table;
    return table;
}

}  // namespace

std::shared_ptr<AutoResetEvent> CreateNamedEvent(const std::string& name) {
    auto& t = namedEvents();
    std::lock_guard lock(t.mutex);
    auto& slot = t.events[name];
    if (!slot) {
        slot = std::make_shared<AutoResetEvent>();
    }
    return slot;
}

std::shared_ptr<AutoResetEvent> OpenNamedEvent(const std::string& name) {
    auto& t = namedEvents();
    std::lock_guard lock(t.mutex);
    auto it = t.events.find(name);
    return it == t.events.end() ? nullptr : it->second;
}

void CloseNamedEvent(const std::string& name) {
    auto& t = namedEvents();
    std::lock_guard lock(t.mutex);
    t.events.erase(name);
}

}  // namespace quorvel::platform
