// The built-in simulated PDU of --simulate: a simulator on a pseudo-terminal that stands behind
// whichever COM port the operator connects to.
#pragma once

#include <memory>
#include <string>

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

    // Loads the profile (a name from the profiles folder or a .json path) and starts serving.
    bool start(const std::string& profile, std::string& error);
    // Puts the simulator behind COM port n (1..20); the previous port gets its own device back.
    void mapPort(int n);
    const std::string& profile() const { return profile_; }
    std::string devicePath() const;

  private:
    std::unique_ptr<sim::PtySimulator> simulator_;
    std::string profile_;
    int mappedPort_ = 0;
};

}  // namespace quorvel::app
