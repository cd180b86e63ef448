// A status snapshot of a first- and a fourth-generation PDU paced at 9600 baud against the
// wire-time bound, and the CPU a session takes while it idles in its normal processing loop.
#include <thread>

#include "bench/bench_support.h"
#include "catalogue/attribute_loader.h"
#include "catalogue/attribute_tables.h"
#include "catalogue/model_profile_builder.h"
#include "link/state_operations.h"

int main(int argc, char** argv) {
    using namespace quorvel;
    const int baud = 9600;
    const double idleSeconds = argc > 1 ? std::atof(argv[1]) : 10.0;
    if (!LoadPDUAttributes(Attributes(), QUORVEL_SOURCE_DIR "/data/pduattribs.ini")) {
        std::fprintf(stderr, "bench_status: cannot load the attribute file\n");
        return 1;
    }
    for (const char* profileName : {"v1", "v4"}) {
        sim::PtySimulator simulator;
        if (!bench::startPacedSimulator(simulator, profileName, baud)) {
            return 1;
        }
        bench::Session session;
        if (!session.connect()) {
            std::fprintf(stderr, "bench_status: no session with %s\n", profileName);
            return 1;
        }
        PduRecord record;
        BuildModelProfile(session.record.featureWord, session.record.attributeWord,
                          session.record.extensionWord, &record);
        StateOps ops;
        FillStateOps(ops, 0);
        StateWorkerBlock block;
        block.ops = &ops;
        block.record = &record;
        ops.OpenDevice(&block);

        bench::g_lineBytes = 0;
        const auto start = std::chrono::steady_clock::now();
        ops.ReadState(0, 1, &block);
        const double elapsed = bench::secondsSince(start);
        const bool framed = block.statusFrame[0] == 0xAA;
        const long bytes = bench::g_lineBytes.load();
        const double wire = static_cast<double>(bytes) * 10.0 / baud;
        std::printf(
            "status snapshot at %d baud (%s)%s: %.3f s elapsed, %ld bytes both ways, "
            "wire-time bound %.3f s, ratio %.2f\n",
            baud, profileName, framed ? "" : " FAILED", elapsed, bytes, wire, elapsed / wire);
        bench::tableRow(std::string("status snapshot ") + profileName + " at 9600 baud",
                        framed ? bench::formatted("%.2f x wire time", elapsed / wire) : "FAILED",
                        bench::formatted("%.2f s", elapsed));

        if (profileName[1] == '4') {
            const double cpu0 = bench::cpuSeconds();
            const auto idle = std::chrono::steady_clock::now();
            std::this_thread::sleep_for(std::chrono::duration<double>(idleSeconds));
            const double used = bench::cpuSeconds() - cpu0;
            std::printf(
                "idle session (with the simulator in-process): %.4f s CPU in %.1f s, "
                "%.3f %% of one core\n",
                used, bench::secondsSince(idle), 100.0 * used / idleSeconds);
            bench::tableRow("CPU, session idle (v4)",
                            bench::formatted("%.2f %% of a core", 100.0 * used / idleSeconds),
                            "simulator in-process");
        }
        session.stop();
    }
    return 0;
}
