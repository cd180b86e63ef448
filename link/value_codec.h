// How configuration values travel on the console: one element of an item written as the value
// text of "H" and read back from an item of the "h" reply; and the packing of 6-bit values.
#pragma once

#include <cstdint>
#include <string>

#include "common/config_item.h"

namespace quorvel {

// The "H" value text of the element at `element` (kind as in the descriptor, count for byte
// strings). Empty for a kind above 7.
std::string EncodeConfigValue(std::uint8_t kind, std::uint32_t size, std::uint8_t count,
                              const std::uint8_t* element);

// Decodes one reply item into the element at `element` (size bytes for texts).
void DecodeConfigValue(std::uint8_t kind, std::uint32_t size, const char* item,
                       std::uint8_t* element);

// Packs count values of 6 bits (4, 6 or 8) into 3, 5 or 6 bytes, value i at bits 6i..6i+5
// counted from the lowest bit of the first byte.
void PackSextets(const std::uint8_t* values, int count, std::uint8_t* bytes);
void UnpackSextets(const std::uint8_t* bytes, int count, std::uint8_t* values);
// Bytes that count packed values take.
int PackedSextetBytes(int count);

}  // namespace quorvel
