// The device model over time: power resets that end after their delay, readings that drift
// slowly around their profile values, and alarm and lock bits latched from the configured limits.
#include <algorithm>
#include <cmath>

#include "sim/device.h"

namespace quorvel::sim {

namespace {

// More steps than this in one call change nothing a slow walk would not have forgotten.
constexpr unsigned kMaxDriftSteps = 600;
constexpr double kDriftPull = 0.1;      // share of the distance to 1 taken back each step
constexpr double kDriftSpread = 0.004;  // standard deviation of one step

template <std::size_t N>
void walk(std::array<double, N>& factors, std::mt19937& random) {
    std::normal_distribution<double> step(0.0, kDriftSpread);
    for (double& f : factors) {
        f = 1.0 + (f - 1.0) * (1.0 - kDriftPull) + step(random);
        f = std::clamp(f, 1.0 - kDriftLimit, 1.0 + kDriftLimit);
    }
}

long hundredthsOf(double value) {
    return std::lround(value * 100.0);
}

}  // namespace

void Device::advance(unsigned ms, std::mt19937& random) {
    for (int i = 0; i < kMaxOutlets; ++i) {
        if (!((resetting >> i) & 1U))
            continue;
        auto& left = resetRemainingMs[static_cast<std::size_t>(i)];
        if (left > ms) {
            left -= ms;
            continue;
        }
        left = 0;
        resetting &= ~(std::uint64_t{1} << i);
        outletsOn |= std::uint64_t{1} << i;
    }
    if (drift) {
        const std::uint64_t total = std::uint64_t{driftCarryMs} + ms;
        const auto steps = std::min<std::uint64_t>(total / kDriftStepMs, kMaxDriftSteps);
        driftCarryMs = static_cast<unsigned>(total % kDriftStepMs);
        for (std::uint64_t s = 0; s < steps; ++s) {
            walk(driftNow.voltages, random);
            walk(driftNow.circuits, random);
            walk(driftNow.outlets, random);
            walk(driftNow.temperature, random);
            walk(driftNow.humidity, random);
        }
    }
    raiseAlarms();
}

void Device::raiseAlarms() {
    for (int c = 0; c < std::min(circuitCount, kCircuits); ++c) {
        const long current = hundredthsOf(circuitCurrent(c));
        const unsigned maximum = variableNumber(kVarMaxCurrents, static_cast<std::size_t>(c));
        const unsigned lock = variableNumber(kVarLockCurrents, static_cast<std::size_t>(c));
        if (maximum != 0 && current > static_cast<long>(maximum))
            alarmWord |= static_cast<std::uint16_t>(1U << c);
        if (lock != 0 && current >= static_cast<long>(lock))
            lockWord |= static_cast<std::uint16_t>(1U << c);
    }
    auto check = [this](long reading, unsigned low, unsigned high, std::uint16_t lowBit,
                        std::uint16_t highBit) {
        if (low != 0 && reading < static_cast<long>(low))
            alarmWord |= lowBit;
        if (high != 0 && reading > static_cast<long>(high))
            alarmWord |= highBit;
    };
    for (int s = 0; s < std::min(sensors, 2); ++s) {
        check(hundredthsOf(temperatureReading(s)), variableNumber(kVarEnvironmentLimits, 0),
              variableNumber(kVarEnvironmentLimits, 1), kAlarmTemperatureLow,
              kAlarmTemperatureHigh);
        check(hundredthsOf(humidityReading(s)), variableNumber(kVarEnvironmentLimits, 2),
              variableNumber(kVarEnvironmentLimits, 3), kAlarmHumidityLow, kAlarmHumidityHigh);
    }
    for (int input = 0; input < 2; ++input) {
        const auto i = static_cast<std::size_t>(input);
        check(voltage(input), variableNumber(kVarMinVoltages, i),
              variableNumber(kVarMaxVoltages, i),
              static_cast<std::uint16_t>(kAlarmVoltageLow << input),
              static_cast<std::uint16_t>(kAlarmVoltageHigh << input));
    }
}

void Device::startReset(int index) {
    const auto i = static_cast<std::size_t>(index);
    resetRemainingMs[i] = variableNumber(kVarResetDelays, i) * 1000U;
    resetting |= std::uint64_t{1} << index;
    outletsOn &= ~(std::uint64_t{1} << index);
}

void Device::cancelReset(int index) {
    resetting &= ~(std::uint64_t{1} << index);
    resetRemainingMs[static_cast<std::size_t>(index)] = 0;
}

}  // namespace quorvel::sim
