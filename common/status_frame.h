// Reading a status frame: the counted blocks of a StatusFrame taken apart with every bound
// checked, as the state dialog and the scripting front end show them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace quorvel {

struct StatusFrameView {
    std::vector<std::uint16_t> voltages;         // whole volts
    std::vector<std::uint16_t> circuitCurrents;  // hundredths of an ampere
    std::vector<std::uint16_t> extra;
    std::vector<std::uint16_t> receptacleCurrents;  // hundredths of an ampere
    std::vector<std::uint8_t> state;         // the bitmap's bytes as sent; empty when skipped
    std::vector<std::uint8_t> blocked;       // likewise
    std::vector<std::int16_t> temperatures;  // hundredths of a degree, signed; 0 = no reading
    std::vector<std::uint16_t> humidities;   // hundredths of a percent; 0 = no reading
    std::uint8_t alarmCount = 0;
    std::uint16_t alarmWord = 0;
    std::uint16_t lockWord = 0;
    std::size_t length = 0;  // bytes the frame took
};

// False when the frame has no 0xAA 0x55 marker or a block runs past the buffer. A bitmap length
// outside 1..6 is skipped over, as the dialog does.
bool ParseStatusFrame(std::span<const std::uint8_t> frame, StatusFrameView& out);

// Bit k of a bitmap of 1 to 6 bytes taken as a big-endian number (false past its end).
bool BitmapBit(const std::vector<std::uint8_t>& bitmap, unsigned k);

}  // namespace quorvel
