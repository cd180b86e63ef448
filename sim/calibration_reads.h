// The raw converter reads of calibration on the simulated unit. A channel's raw reading is its
// load (a reference load on the bench, else the live reading) converted back through the
// channel's entry in the calibration table, so that what the unit shows and what a calibration
// against two loads computes agree with the table it holds.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "sim/commands.h"
#include "sim/device.h"

namespace quorvel::sim {

// Factory calibration of a channel that was never calibrated.
inline constexpr int kFactoryCurrentScale = 1226;
inline constexpr int kFactoryCurrentOffset = 87;
inline constexpr int kFactoryVoltageScale = 240;
inline constexpr int kFactoryVoltageOffset = 0;

struct ChannelCalibration {
    int scale = 0;
    int offset = 0;
};

// The bench and table key of a channel: "I A 3", "V B 0" (row 0..5 as A..F).
std::string calibrationChannelKey(bool voltage, int row, int channel);

// The channel's scale (column 2) and offset (column 1, signed), or the factory values when the
// table has no usable entry.
ChannelCalibration channelCalibration(const Device& d, bool voltage, int row, int channel);

// raw = trunc(amperes x 100 x 4095 / scale) + offset for currents, trunc(volts x 4096 / scale)
// + offset for voltages, kept within 0..0xFFFF.
std::uint16_t rawReading(const Device& d, bool voltage, int row, int channel, double load);

// Puts a reference load on a channel (amperes or volts); clearReferenceLoads takes them all off.
void setReferenceLoad(Device& d, bool voltage, int row, int channel, double load);
void clearReferenceLoads(Device& d);

// Answers the raw reads "G V 1 s", "G I 1 s", "G i 1 s" and the first generation's "G I a s"
// and "G V a 0" (lower-case circuit letter); nothing for any other "G" line.
std::optional<CommandResult> calibrationRead(const Device& d,
                                             const std::vector<std::string_view>& t);

}  // namespace quorvel::sim
