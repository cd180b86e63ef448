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

bool SimulatedPdu::start(const std::string& profile, const sim::Faults& faults,
                         std::string& error) {
    if (!sim::loadProfile(profile, loaded_, error)) {
        error = "simulator profile " + profile + ": " + error;
        return false;
    }
    simulator_ = std::make_unique<sim::PtySimulator>();
    if (!simulator_->start(loaded_, faults, 0, error)) {
        error = "could not start the simulator: " + error;
        simulator_.reset();
        return false;
    }
    profile_ = profile;
    return true;
}

void SimulatedPdu::unplug(Unplug what) {
    if (!simulator_) {
        return;
    }
    if (what == Unplug::Adapter) {
        simulator_->hangUp();
    } else {
        simulator_->withConsole([](sim::Console& c) { c.pullCable(); });
    }
    unplugged_ = true;
}

void SimulatedPdu::replugIfGone() {
    if (!simulator_ || (!unplugged_ && !simulator_->isHungUp())) {
        return;
    }
    unplugged_ = false;
    sim::Profile again = loaded_;
    again.device = simulator_->deviceSnapshot();
    simulator_->stop();
    std::string error;
    if (!simulator_->start(std::move(again), sim::Faults{}, 0, error)) {
        simulator_.reset();  // the port then has no device behind it, as a dead adapter
    }
}

void SimulatedPdu::mapPort(int n) {
    replugIfGone();  // a new terminal: the mapping below is made afresh
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
