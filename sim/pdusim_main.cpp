// pdusim: serves a simulated PDU console on a pseudo-terminal. Prints the pty's slave path on the
// first line of stdout and serves until SIGINT or SIGTERM (or until a hang-up fault fires).
#include <signal.h>

#include <CLI/CLI.hpp>
#include <cstdint>
#include <cstdio>
#include <ctime>
#include <optional>
#include <string>

#include "sim/fault_list.h"
#include "sim/pty_simulator.h"

namespace {

std::optional<unsigned> lineOption(int n) {
    return n >= 0 ? std::optional<unsigned>(static_cast<unsigned>(n)) : std::nullopt;
}

}  // namespace

int main(int argc, char** argv) {
    CLI::App app{"Simulated PDU serial console on a pseudo-terminal"};
    std::string profileName = "v2";
    int baud = 0;
    bool silent = false;
    int silentFrom = -1;
    bool refusePassword = false;
    bool garbage = false;
    int dropAfter = -1;
    int hangupAfter = -1;
    unsigned slowMs = 0;
    unsigned seed = 1;
    bool noDrift = false;
    std::optional<std::uint32_t> driftSeed;
    std::string faultList;
    app.add_option("--profile", profileName, "Profile name (v1, v2, ...) or path to a JSON file")
        ->capture_default_str();
    app.add_option("--baud", baud, "Pace output at this baud rate, 10 bits a byte (0 = unpaced)")
        ->check(CLI::Range(0, 4000000));
    app.add_flag("--silent", silent, "Never answer, not even the echo");
    app.add_option("--silent-from", silentFrom, "Go quiet from the N-th command line on")
        ->check(CLI::Range(1, 1000000));
    app.add_flag("--refuse-password", refusePassword, "Never accept the password");
    app.add_flag("--garbage", garbage, "Answer every line with random bytes");
    app.add_option("--garbage-seed", seed, "Seed of the random bytes")->capture_default_str();
    app.add_option("--drop-after", dropAfter, "Stop answering after N command lines")
        ->check(CLI::Range(0, 1000000));
    app.add_option("--hangup-after", hangupAfter, "Close the pty after N command lines")
        ->check(CLI::Range(0, 1000000));
    app.add_option("--slow", slowMs, "Delay every reply by this many milliseconds")
        ->check(CLI::Range(0, 60000));
    app.add_option("--faults", faultList,
                   "Failure modes as one comma-separated list, added to the flags above:\n" +
                       quorvel::sim::FaultListHelp());
    app.add_flag("--no-drift", noDrift,
                 "Keep voltages, currents and environment readings at their profile values");
    app.add_option("--seed", driftSeed,
                   "Seed of the readings' drift (default: the profile's, else 1)");
    CLI11_PARSE(app, argc, argv);

    quorvel::sim::Profile profile;
    std::string error;
    if (!quorvel::sim::loadProfile(profileName, profile, error)) {
        std::fprintf(stderr, "pdusim: %s\n", error.c_str());
        return 1;
    }
    if (noDrift)
        profile.device.drift = false;
    if (driftSeed)
        profile.seed = *driftSeed;
    quorvel::sim::Faults faults;
    faults.silent = silent;
    faults.silentFromLine = lineOption(silentFrom);
    faults.refusePassword = refusePassword;
    faults.garbage = garbage;
    faults.garbageSeed = seed;
    faults.dropAfterLines = lineOption(dropAfter);
    faults.hangupAfterLines = lineOption(hangupAfter);
    faults.slowMs = slowMs;
    if (!quorvel::sim::ParseFaultList(faultList, faults, error)) {
        std::fprintf(stderr, "pdusim: --faults: %s\n", error.c_str());
        return 2;
    }

    // The serving thread inherits the blocked signals; this thread takes them with sigtimedwait.
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGINT);
    sigaddset(&stopSignals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);

    quorvel::sim::PtySimulator sim;
    const std::string name = profile.name;
    if (!sim.start(std::move(profile), faults, baud, error)) {
        std::fprintf(stderr, "pdusim: %s\n", error.c_str());
        return 1;
    }
    std::printf("%s\n", sim.slavePath().c_str());
    std::fflush(stdout);
    std::fprintf(stderr, "pdusim: profile %s on %s%s\n", name.c_str(), sim.slavePath().c_str(),
                 baud > 0 ? (" at " + std::to_string(baud) + " baud").c_str() : "");

    const timespec tick{0, 200'000'000};
    while (true) {
        int sig = sigtimedwait(&stopSignals, nullptr, &tick);
        if (sig == SIGINT || sig == SIGTERM)
            break;
        if (sim.isHungUp()) {
            std::fprintf(stderr, "pdusim: hung up\n");
            break;
        }
    }
    sim.stop();
    return 0;
}
