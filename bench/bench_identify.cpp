// How long "identify" takes against the simulated PDU paced at 9600 baud, against the time the
// bytes themselves need on the wire (bytes both ways x 10 bits / 9600).
#include "bench/bench_support.h"

int main(int argc, char** argv) {
    using namespace quorvel;
    const int baud = 9600;
    const char* profileName = argc > 1 ? argv[1] : "v2";
    sim::PtySimulator simulator;
    if (!bench::startPacedSimulator(simulator, profileName, baud)) {
        return 1;
    }
    const auto start = std::chrono::steady_clock::now();
    bench::Session session;
    if (!session.connect()) {
        std::fprintf(stderr, "bench_identify: the session did not reach its normal loop\n");
        return 1;
    }
    session.stop();
    const double elapsed = bench::secondsSince(start);
    const long bytes = bench::g_lineBytes.load();
    const double wire = static_cast<double>(bytes) * 10.0 / baud;
    std::printf(
        "identify at %d baud (%s): %.3f s elapsed, %ld bytes both ways, wire-time bound "
        "%.3f s, ratio %.2f\n",
        baud, profileName, elapsed, bytes, wire, elapsed / wire);
    bench::tableRow(std::string("identify ") + profileName + " at 9600 baud",
                    bench::formatted("%.2f x wire time", elapsed / wire),
                    bench::formatted("%.2f s", elapsed));
    return 0;
}
