// The built-in simulated PDU of --simulate: a simulator on a pseudo-terminal that stands behind
// whichever COM port the operator connects to.
#pragma once

#include <memory>
#include <string>

#include "sim/faults.h"
#include "sim/profile.h"

namespace quorvel::sim {
class PtySimulator;
}

namespace quorvel::app {

class SimulatedPdu {
  public:
    SimulatedPdu();
    ~SimulatedPdu();  // removes the port mapping and stops the simulator
    SimulatedPdu(const SimulatedPdu&) = delete;
    SimulatedPdu& operator=(const SimulatedPdu&) = delete;

    // Loads the profile (a name from the profiles folder or a .json path) and starts serving,
    // with the failure modes given.
    bool start(const std::string& profile, const sim::Faults& faults, std::string& error);
    bool start(const std::string& profile, std::string& error) {
        return start(profile, sim::Faults{}, error);
    }
    // Puts the simulator behind COM port n (1..20); the previous port gets its own device back.
    // A simulated PDU that hung up or was unplugged is plugged in again first: the device as it
    // was, on a new terminal, without the failure modes.
    void mapPort(int n);
    // Takes the simulated PDU away: with the adapter (the terminal hangs up) or only the cable
    // (the terminal stays and nothing answers). The next mapPort plugs it in again.
    enum class Unplug { Adapter, Cable };
    void unplug(Unplug what);
    const std::string& profile() const { return profile_; }
    // The simulator serving now (null before start): what it received and stores.
    sim::PtySimulator* simulator() { return simulator_.get(); }
    std::string devicePath() const;

  private:
    void replugIfGone();

    std::unique_ptr<sim::PtySimulator> simulator_;
    sim::Profile loaded_;
    std::string profile_;
    int mappedPort_ = 0;
    bool unplugged_ = false;
};

}  // namespace quorvel::app
