// The simulator behind a COM port.
#include "app/simulated_pdu.h"

#include "platform/port_map.h"
#include "sim/pty_simulator.h"

namespace quorvel::app {

SimulatedPdu::SimulatedPdu() = default;

SimulatedPdu::~SimulatedPdu() {
    mapPort(0);
    if (simulator_) {
        simulator_->stop();
    }
}

bool SimulatedPdu::start(const std::string& profile, std::string& error) {
    sim::Profile loaded;
    if (!sim::loadProfile(profile, loaded, error)) {
        error = "simulator profile " + profile + ": " + error;
        return false;
    }
    simulator_ = std::make_unique<sim::PtySimulator>();
    if (!simulator_->start(std::move(loaded), sim::Faults{}, 0, error)) {
        error = "could not start the simulator: " + error;
        simulator_.reset();
        return false;
    }
    profile_ = profile;
    return true;
}

void SimulatedPdu::mapPort(int n) {
    if (mappedPort_ != 0 && mappedPort_ != n) {
        platform::setPortOverride(mappedPort_, "");
        mappedPort_ = 0;
    }
    if (n >= 1 && n <= 20 && simulator_) {
        platform::setPortOverride(n, simulator_->slavePath());
        mappedPort_ = n;
    }
}

std::string SimulatedPdu::devicePath() const {
    return simulator_ ? simulator_->slavePath() : std::string();
}

}  // namespace quorvel::app
