// Shared by the benchmarks: a paced simulated PDU whose line counts every byte both ways, and
// a session worker run up to its normal processing loop.
#pragma once

#include <sys/resource.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <memory>
#include <string>

#include "link/messages.h"
#include "link/session_worker.h"
#include "link/transport.h"
#include "platform/events.h"
#include "platform/message_target.h"
#include "platform/serial_port.h"
#include "sim/profile.h"
#include "sim/pty_simulator.h"

namespace quorvel::bench {

inline std::atomic<long> g_lineBytes{0};

// Counts every byte that crosses the line in either direction.
class CountingDevice : public platform::SerialDevice {
  public:
    explicit CountingDevice(std::unique_ptr<platform::SerialDevice> inner)
        : inner_(std::move(inner)) {}
    long read(char* buf, std::size_t n, platform::ReadLimits limits) override {
        long r = inner_->read(buf, n, limits);
        if (r > 0) {
            g_lineBytes += r;
        }
        return r;
    }
    long write(const char* buf, std::size_t n, int totalMs) override {
        long w = inner_->write(buf, n, totalMs);
        if (w > 0) {
            g_lineBytes += w;
        }
        return w;
    }
    std::string osError() const override { return inner_->osError(); }

  private:
    std::unique_ptr<platform::SerialDevice> inner_;
};

// A simulated PDU paced at baud, with the transport routed to it through a counting device.
inline bool startPacedSimulator(sim::PtySimulator& simulator, const char* profileName, int baud) {
    sim::Profile profile;
    std::string error;
    if (!sim::loadProfile(profileName, profile, error) ||
        !simulator.start(profile, sim::Faults{}, baud, error)) {
        std::fprintf(stderr, "benchmark: %s\n", error.c_str());
        return false;
    }
    const std::string path = simulator.slavePath();
    transport::SetDeviceOpener([path](int, const platform::LineSettings& settings) {
        transport::OpenResult r;
        r.deviceName = path;
        platform::SerialPort::OpenError err;
        if (auto port = platform::SerialPort::open(path, settings, err)) {
            r.device = std::make_unique<CountingDevice>(std::move(port));
        }
        return r;
    });
    return true;
}

// A session worker that has reached its normal processing loop (interface published).
class Session {
  public:
    Session() : stopEvent_(platform::CreateNamedEvent(kStopEventName)) {
        record.owner = std::make_shared<platform::MessagePort>(&queue_);
    }
    ~Session() { stop(); }
    bool connect() {
        worker_.start(record);
        bool ready = false;
        while (auto m = queue_.take(120000)) {
            if (m->msg == UM_CONFIG_READY) {
                ready = true;
            } else if (m->msg == UM_LINK_STATE && ready && m->lParam == 0) {
                return true;
            } else if (m->msg == UM_SESSION_ENDED) {
                return false;
            }
        }
        return false;
    }
    void stop() {
        worker_.requestStop();
        worker_.join(60000);
    }
    SessionRecord record;

  private:
    std::shared_ptr<platform::AutoResetEvent> stopEvent_;
    platform::MessageQueue queue_;
    SessionWorker worker_;
};

// One row of scripts/bench's table: "bench<TAB>measure<TAB>value<TAB>note".
inline void tableRow(const std::string& measure, const std::string& value,
                     const std::string& note = "") {
    std::printf("bench\t%s\t%s\t%s\n", measure.c_str(), value.c_str(), note.c_str());
    std::fflush(stdout);
}

inline std::string formatted(const char* format, double value) {
    char text[64];
    std::snprintf(text, sizeof text, format, value);
    return text;
}

inline double cpuSeconds() {
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return static_cast<double>(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
           static_cast<double>(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

inline double secondsSince(std::chrono::steady_clock::time_point t) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - t).count();
}

}  // namespace quorvel::bench
