// Address texts and their bytes: IP addresses as "%d.%d.%d.%d" and MAC addresses as six
// two-digit hexadecimal bytes, in narrow text and in the fixed wide texts of the address block.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace quorvel {

std::string FormatIpAddress(const std::uint8_t (&ip)[4]);
std::string FormatMacAddress(const std::uint8_t (&mac)[6]);

// Up to 4 decimal numbers separated by "."; a missing number leaves 0; each byte keeps the low
// 8 bits of its number.
void ParseIpAddress(std::string_view text, std::uint8_t (&ip)[4]);
// Up to 6 hexadecimal numbers (an optional "0x" each) separated by ":" or "-", as above.
void ParseMacAddress(std::string_view text, std::uint8_t (&mac)[6]);

// The same for a wide text of at most `capacity` characters (ended by its terminator or by the
// capacity); a character outside ASCII is read like any other character that is no digit.
void ParseIpAddress(const char16_t* text, std::size_t capacity, std::uint8_t (&ip)[4]);
void ParseMacAddress(const char16_t* text, std::size_t capacity, std::uint8_t (&mac)[6]);

// Writes an ASCII text into a wide field of `capacity` characters, cut to fit and terminated.
void WriteWideText(std::string_view text, char16_t* field, std::size_t capacity);

}  // namespace quorvel
