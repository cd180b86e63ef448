// The status reader: one snapshot of the PDU's live state (voltages, currents, on/off and
// reset-blocked states, environment, alarms) packed into a StatusFrame.
#pragma once

#include <cstdint>
#include <span>

#include "common/model_profile.h"

namespace quorvel {

constexpr std::size_t kMinStatusFrameSize = 152;
constexpr std::size_t kStatusFrameClearBytes = 104;

// Writes the frame for the record's generation into frame (at least 152 bytes). False when a
// query failed all its tries, there is no current interface, "G B" gave fewer than 8 items, or
// the frame would not fit; the frame is then partly written.
bool ReadStatusFrame(const PduRecord& record, std::span<std::uint8_t> frame);

// A reply item read as a decimal number, in hundredths: trunc(x * 100 + 0.0001), cut to 16 bits.
std::uint16_t DecimalReading(const char* item);
// A reply item read as an integer: white space, an optional sign, decimal digits.
long IntegerReading(const char* item);

}  // namespace quorvel
