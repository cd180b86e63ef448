// How long "identify" takes against the simulated PDU paced at 9600 baud, against the time the
// bytes themselves need on the wire (bytes both ways x 10 bits / 9600).
#include <atomic>
#include <chrono>
#include <cstdio>
#include <memory>

#include "link/messages.h"
#include "link/session_worker.h"
#include "link/transport.h"
#include "platform/events.h"
#include "platform/message_target.h"
#include "platform/port_map.h"
#include "platform/serial_port.h"
#include "sim/profile.h"
#include "sim/pty_simulator.h"

namespace {

std::atomic<long> g_bytes{0};

// Counts every byte that crosses the line in either direction.
class CountingDevice : public quorvel::platform::SerialDevice {
public:
    explicit CountingDevice(std::unique_ptr<quorvel::platform::SerialDevice> inner)
        : inner_(std::move(inner)) {}
    long read(char* buf, std::size_t n, quorvel::platform::ReadLimits limits) override {
        long r = inner_->read(buf, n, limits);
        if (r > 0) {
            g_bytes += r;
        }
        return r;
    }
    long write(const char* buf, std::size_t n, int totalMs) override {
        long w = inner_->write(buf, n, totalMs);
        if (w > 0) {
            g_bytes += w;
        }
        return w;
    }
    std::string osError() const override { return inner_->osError(); }

private:
    std::unique_ptr<quorvel::platform::SerialDevice> inner_;
};

}  // namespace

int main(int argc, char** argv) {
    using namespace quorvel;
    const int baud = 9600;
    const char* profileName = argc > 1 ? argv[1] : "v2";
    sim::Profile profile;
    std::string error;
    if (!sim::loadProfile(profileName, profile, error)) {
        std::fprintf(stderr, "bench_identify: %s\n", error.c_str());
        return 1;
    }
    sim::PtySimulator simulator;
    if (!simulator.start(profile, sim::Faults{}, baud, error)) {
        std::fprintf(stderr, "bench_identify: %s\n", error.c_str());
        return 1;
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

    auto stopEvent = platform::CreateNamedEvent(kStopEventName);
    platform::MessageQueue queue;
    SessionRecord record;
    record.owner = std::make_shared<platform::MessagePort>(&queue);
    SessionWorker worker;

    const auto start = std::chrono::steady_clock::now();
    worker.start(record);
    bool ready = false;
    while (auto m = queue.take(120000)) {
        if (m->msg == UM_CONFIG_READY) {
            ready = true;
            worker.requestStop();
        }
        if (m->msg == UM_SESSION_ENDED) {
            break;
        }
    }
    worker.join(60000);
    const double elapsed =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    if (!ready) {
        std::fprintf(stderr, "bench_identify: the session did not reach its normal loop\n");
        return 1;
    }
    const double wire = static_cast<double>(g_bytes.load()) * 10.0 / baud;
    std::printf("identify at %d baud (%s): %.3f s elapsed, %ld bytes both ways, wire-time bound "
                "%.3f s, ratio %.2f\n",
                baud, profileName, elapsed, g_bytes.load(), wire, elapsed / wire);
    return 0;
}
