// The CPU the process takes while the state dialog's worker monitors a fourth-generation PDU
// paced at 9600 baud: the worker refreshes identity and status about once a second, as it does
// behind the dialog, with the simulator in the same process.
#include <atomic>
#include <thread>

#include "bench/bench_support.h"
#include "catalogue/attribute_loader.h"
#include "catalogue/attribute_tables.h"
#include "catalogue/model_profile_builder.h"
#include "dialogs/logic/dialog_worker.h"
#include "dialogs/logic/state_worker.h"
#include "dialogs/logic/worker_messages.h"
#include "link/state_operations.h"

namespace {

// Counts the status events the worker posts, as the dialog would receive them.
class StatusCounter : public quorvel::platform::MessageTarget {
  public:
    void post(unsigned msg, std::uintptr_t wParam, std::intptr_t) override {
        if (msg == quorvel::dialogs::UM_WORKER_EVENT && wParam == quorvel::dialogs::EV_STATUS) {
            ++frames;
        }
    }
    std::atomic<int> frames{0};
};

}  // namespace

int main(int argc, char** argv) {
    using namespace quorvel;
    const int baud = 9600;
    const double seconds = argc > 1 ? std::atof(argv[1]) : 10.0;
    if (!LoadPDUAttributes(Attributes(), QUORVEL_SOURCE_DIR "/data/pduattribs.ini")) {
        std::fprintf(stderr, "bench_monitor: cannot load the attribute file\n");
        return 1;
    }
    sim::PtySimulator simulator;
    if (!bench::startPacedSimulator(simulator, "v4", baud)) {
        return 1;
    }
    bench::Session session;
    if (!session.connect()) {
        std::fprintf(stderr, "bench_monitor: no session\n");
        return 1;
    }
    PduRecord record;
    BuildModelProfile(session.record.featureWord, session.record.attributeWord,
                      session.record.extensionWord, &record);
    StateOps ops;
    FillStateOps(ops, 0);
    DeviceAddressBlock addresses{};
    StatusCounter counter;
    auto port = std::make_shared<platform::MessagePort>(&counter);
    auto block = std::make_shared<StateWorkerBlock>();
    block->ops = &ops;
    block->window = port;
    block->record = &record;
    block->addresses = &addresses;
    block->autoRefresh = 1;

    {
        dialogs::DialogWorker worker(std::make_shared<dialogs::StateWorkerLoop>(block), port);
        worker.start();
        const double cpu0 = bench::cpuSeconds();
        const auto start = std::chrono::steady_clock::now();
        std::this_thread::sleep_for(std::chrono::duration<double>(seconds));
        const double used = bench::cpuSeconds() - cpu0;
        const double elapsed = bench::secondsSince(start);
        const bool stopped = worker.finish(10000);
        std::printf(
            "monitoring v4 at %d baud: %d status frames in %.1f s, %.4f s CPU, %.3f %% of "
            "one core%s\n",
            baud, counter.frames.load(), elapsed, used, 100.0 * used / elapsed,
            stopped ? "" : " (the worker did not stop in time)");
        bench::tableRow("CPU, monitoring v4 at 9600 baud",
                        bench::formatted("%.2f %% of a core", 100.0 * used / elapsed),
                        std::to_string(counter.frames.load()) + " frames; simulator in-process");
    }
    session.stop();
    return 0;
}
