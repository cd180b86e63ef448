// 6-bit packed map access and the two counts over a packed receptacle-to-current-input map.
#include "catalogue/attribute_records.h"

#include <bit>

namespace quorvel {

std::uint8_t packedValue(const std::uint8_t* bytes, unsigned k) {
    unsigned v = 0;
    for (unsigned b = 0; b < 6; ++b) {
        const unsigned bit = 6 * k + b;
        v = (v << 1) | ((bytes[bit / 8] >> (7 - bit % 8)) & 1u);
    }
    return static_cast<std::uint8_t>(v);
}

void setPackedValue(std::uint8_t* bytes, unsigned k, std::uint8_t value) {
    for (unsigned b = 0; b < 6; ++b) {
        const unsigned bit = 6 * k + b;
        const auto mask = static_cast<std::uint8_t>(0x80u >> (bit % 8));
        if ((value >> (5 - b)) & 1u) {
            bytes[bit / 8] |= mask;
        } else {
            bytes[bit / 8] &= static_cast<std::uint8_t>(~mask);
        }
    }
}

unsigned countUsedReceptacleGroups(const std::uint8_t* packedMap36) {
    unsigned used = 0;
    for (unsigned col = 0; col < 8; ++col) {
        for (unsigned row = 0; row < 6; ++row) {
            if (packedValue(packedMap36 + 6 * row, col) != 0) {
                ++used;
                break;
            }
        }
    }
    return used;
}

unsigned countMappedReceptacles(const std::uint8_t* packedMap36) {
    unsigned n = 0;
    for (unsigned i = 0; i < 36; ++i) {
        n += static_cast<unsigned>(std::popcount(packedMap36[i]));
    }
    return n;
}

}  // namespace quorvel
