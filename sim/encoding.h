// Console value encodings on the device side: hexadecimal numbers and byte pairs, and the texts
// with which configuration variables are read ("h") and written ("H").
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "sim/device.h"

namespace quorvel::sim {

// Strict hexadecimal number: 1..16 digits, nothing else, value at most `max`.
bool parseHex(std::string_view text, std::uint64_t max, std::uint64_t& out);
// Strict decimal number: 1..10 digits, nothing else, value at most `max`.
bool parseDecimal(std::string_view text, std::uint64_t max, std::uint64_t& out);

// Bytes as upper-case hexadecimal pairs.
std::string toHexPairs(const std::uint8_t* bytes, std::size_t size);
// Exactly size * 2 hexadecimal digits into `size` bytes.
bool fromHexPairs(std::string_view text, std::uint8_t* bytes, std::size_t size);

// The "h" reply: every element in its console encoding, separated by blanks.
std::string encodeVariable(const ConfigVar& var);

// Parses one element's "H" value text. Byte strings (type 7) carry every element at once,
// last byte first; `out` then receives them all, one byte each, in element order.
bool decodeValue(int type, std::size_t count, std::string_view text,
                 std::vector<std::vector<std::uint8_t>>& out);

// The raw bytes of a 16-bit number element, and back.
std::vector<std::uint8_t> numberBytes(std::uint16_t value);
std::uint16_t numberValue(const std::vector<std::uint8_t>& bytes);

// A text element from 8-bit text: each byte becomes a wide character, padded with zeros.
std::vector<std::uint8_t> textBytes(std::string_view text, std::size_t size = kTextSize);

}  // namespace quorvel::sim
