// The device model's definitions: element sizes, generation, present readings and variables.
#include "sim/device.h"

#include <algorithm>
#include <cmath>

namespace quorvel::sim {

namespace {

// Readings have the console's resolution, so limits compare with what the host is told.
double hundredths(double value) {
    return std::round(value * 100.0) / 100.0;
}

// Load of outlet `index` whether it is on or not.
double outletLoad(const Device& d, int index) {
    auto i = static_cast<std::size_t>(index);
    return hundredths(d.outletCurrents[i] * d.driftNow.outlets[i]);
}

}  // namespace

std::size_t elementSize(int type) {
    switch (type) {
        case kVarIp:
            return 4;
        case kVarMac:
            return 6;
        case kVarText:
            return kTextSize;
        case kVarByte:
        case kVarBytes:
            return 1;
        default:
            return 2;
    }
}

int Device::generationNumber() const {
    if (generation == "V4")
        return 4;
    if (generation == "V3")
        return 3;
    if (generation == "V2")
        return 2;
    return 1;
}

double Device::outletCurrent(int index) const {
    if (index < 0 || index >= outletCount || index >= kMaxOutlets)
        return 0.0;
    if ((identity.feature & kFeatureSwitched) && !outletOn(index))
        return 0.0;
    return outletLoad(*this, index);
}

int Device::voltage(int input) const {
    if (input < 0 || input >= static_cast<int>(voltages.size()))
        return 0;
    auto i = static_cast<std::size_t>(input);
    return static_cast<int>(std::lround(voltages[i] * driftNow.voltages[i]));
}

double Device::circuitCurrent(int circuit) const {
    if (circuit < 0 || circuit >= std::min(circuitCount, kCircuits))
        return 0.0;
    auto c = static_cast<std::size_t>(circuit);
    double amperes = circuitCurrents[c] * driftNow.circuits[c];
    int first = 0;
    for (std::size_t b = 0; b < c; ++b)
        first += branchOutlets[b];
    const int end = std::min(first + branchOutlets[c], std::min(outletCount, kMaxOutlets));
    for (int i = first; i < end; ++i)
        amperes -= outletLoad(*this, i) - outletCurrent(i);
    return hundredths(std::max(amperes, 0.0));
}

double Device::temperatureReading(int sensor) const {
    if (sensor < 0 || sensor >= std::min(sensors, 2))
        return 0.0;
    auto s = static_cast<std::size_t>(sensor);
    return hundredths(temperature[s] * driftNow.temperature[s]);
}

double Device::humidityReading(int sensor) const {
    if (sensor < 0 || sensor >= std::min(sensors, 2))
        return 0.0;
    auto s = static_cast<std::size_t>(sensor);
    return hundredths(std::clamp(humidity[s] * driftNow.humidity[s], 0.0, 100.0));
}

unsigned Device::variableNumber(int id, std::size_t index) const {
    auto it = variables.find(id);
    if (it == variables.end() || index >= it->second.elements.size())
        return 0;
    const auto& bytes = it->second.elements[index];
    unsigned value = 0;
    for (std::size_t k = 0; k < std::min<std::size_t>(bytes.size(), 2); ++k)
        value |= static_cast<unsigned>(bytes[k]) << (8 * k);
    return value;
}

}  // namespace quorvel::sim
