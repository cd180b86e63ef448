// A simulated PDU on a pseudo-terminal as the device link's tests use it: served behind a COM
// port number, logged in to and published as the current console; and taken away again.
#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <thread>
#include <utility>

#include "link/console_lease.h"
#include "link/pdu_ifce.h"
#include "platform/port_map.h"
#include "sim/faults.h"
#include "sim/profile.h"
#include "sim/pty_simulator.h"

namespace quorvel::test {

// The profile called `name` (a profile of the profiles folder or a .json path); a test failure
// and an empty profile when it does not load.
inline sim::Profile LoadedProfile(const std::string& name) {
    sim::Profile profile;
    std::string error;
    EXPECT_TRUE(sim::loadProfile(name, profile, error)) << name << ": " << error;
    return profile;
}

// Starts `simulator` on `profile` without line timing. Call it under ASSERT_NO_FATAL_FAILURE.
inline void Serve(sim::PtySimulator& simulator, const sim::Profile& profile) {
    std::string error;
    ASSERT_TRUE(simulator.start(profile, sim::Faults{}, 0, error)) << error;
}

// Serves `profile` with `faults` behind COM `port` (at the simulator's `baud`, 0 for no line
// timing), logs `ifce` in and publishes it. Call it under ASSERT_NO_FATAL_FAILURE.
inline void ServeAndLogIn(sim::PtySimulator& simulator, PDUIfce& ifce, int port,
                          const sim::Profile& profile, const sim::Faults& faults = {},
                          int baud = 0) {
    std::string error;
    ASSERT_TRUE(simulator.start(profile, faults, baud, error)) << error;
    platform::setPortOverride(port, simulator.slavePath());
    ASSERT_TRUE(ifce.SetParams(port, 9600, 8, 0, 0));
    ASSERT_TRUE(ifce.Login()) << ifce.ErrorTextNarrow();
    PublishInterface(&ifce);
}

// The last line the simulated device took in, once it is a logout line or boundMs have passed
// (the serving thread takes bytes a moment after they were written). Lines are shown with
// their control characters as ^D and ^R.
inline std::string LastLineTaken(sim::PtySimulator& simulator, int boundMs = 2000) {
    const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(boundMs);
    std::string last = "(nothing)";
    for (;;) {
        bool logout = false;
        simulator.withConsole([&](sim::Console& c) {
            logout = c.endsWithLogout();
            if (!c.linesTaken().empty()) {
                last = c.linesTaken().back();
            }
        });
        if (logout || std::chrono::steady_clock::now() >= until) {
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    for (auto [control, shown] : {std::pair{'\x04', "^D"}, std::pair{'\x12', "^R"}}) {
        if (const auto at = last.find(control); at != std::string::npos) {
            last.replace(at, 1, shown);
        }
    }
    return last;
}

// Withdraws the published console and the mapping of COM `port`.
inline void Unserve(int port) {
    PublishInterface(nullptr);
    platform::setPortOverride(port, "");
}

}  // namespace quorvel::test
