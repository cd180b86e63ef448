#include "link/value_codec.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "link/reply_items.h"

namespace quorvel {

namespace {

constexpr int kTextGroups = 32;

std::uint16_t load16(const std::uint8_t* p) {
    std::uint16_t v;
    std::memcpy(&v, p, sizeof v);
    return v;
}

void store16(std::uint8_t* p, std::uint16_t v) {
    std::memcpy(p, &v, sizeof v);
}

// Reads numbers separated by any of `separators` into up to n bytes.
void decodeSeparated(const char* item, int n, bool hex, const char* separators, std::uint8_t* out) {
    std::memset(out, 0, static_cast<std::size_t>(n));
    const char* p = item;
    for (int i = 0; i < n; ++i) {
        out[i] = static_cast<std::uint8_t>(hex ? ParseHexItem(p) : std::strtoul(p, nullptr, 10));
        p = std::strpbrk(p, separators);
        if (p == nullptr) {
            break;
        }
        ++p;
    }
}

}  // namespace

std::string EncodeConfigValue(std::uint8_t kind, std::uint32_t size, std::uint8_t count,
                              const std::uint8_t* e) {
    char text[256];
    switch (kind) {
        case kKindIpAddress:
            std::snprintf(text, sizeof text, "%d.%d.%d.%d", e[0], e[1], e[2], e[3]);
            return text;
        case kKindMacAddress:
            std::snprintf(text, sizeof text, "%2.2X:%2.2X:%2.2X:%2.2X:%2.2X:%2.2X", e[0], e[1],
                          e[2], e[3], e[4], e[5]);
            return text;
        case kKindText: {
            // Low byte first, then high byte, for every character; always 32 groups.
            std::string s;
            const int chars = std::min<int>(static_cast<int>(size / 2), kTextGroups);
            for (int i = 0; i < kTextGroups; ++i) {
                std::uint16_t c = i < chars ? load16(e + 2 * i) : 0;
                std::snprintf(text, sizeof text, "%2.2X%2.2X", c & 0xFF, c >> 8);
                s += text;
            }
            return s;
        }
        case kKindByte:
            std::snprintf(text, sizeof text, "%x", unsigned{e[0]});
            return text;
        case kKindByteString: {
            std::string s;
            for (int i = count - 1; i >= 0; --i) {
                std::snprintf(text, sizeof text, "%2.2x", unsigned{e[i]});
                s += text;
            }
            return s;
        }
        case kKindSigned16:
        case kKindUnsigned16:
        case kKindHundredths:
            std::snprintf(text, sizeof text, "%x", unsigned{load16(e)});
            return text;
        default:
            return {};
    }
}

void DecodeConfigValue(std::uint8_t kind, std::uint32_t size, const char* item, std::uint8_t* e) {
    switch (kind) {
        case kKindIpAddress:
            decodeSeparated(item, 4, false, ".", e);
            break;
        case kKindMacAddress:
            decodeSeparated(item, 6, true, ":-", e);
            break;
        case kKindText: {
            const std::size_t chars = size / 2;
            std::memset(e, 0, size);
            std::size_t i = 0;
            for (const char* p = item; i < chars && std::strlen(p) >= 4; p += 4, ++i) {
                auto digit = [](char c) { return std::max(0, HexDigit(c)); };
                const int low = digit(p[0]) << 4 | digit(p[1]);
                const int high = digit(p[2]) << 4 | digit(p[3]);
                store16(e + 2 * i, static_cast<std::uint16_t>(high << 8 | low));
            }
            break;
        }
        case kKindByte:
        case kKindByteString:
            e[0] = HexItem<std::uint8_t>(item);
            break;
        case kKindSigned16:
        case kKindUnsigned16:
        case kKindHundredths:
            store16(e, HexItem<std::uint16_t>(item));
            break;
        default:
            break;
    }
}

int PackedSextetBytes(int count) {
    return (count * 6 + 7) / 8;
}

void PackSextets(const std::uint8_t* values, int count, std::uint8_t* bytes) {
    std::memset(bytes, 0, static_cast<std::size_t>(PackedSextetBytes(count)));
    for (int i = 0; i < count; ++i) {
        for (int b = 0; b < 6; ++b) {
            if (values[i] & (1u << b)) {
                const int bit = 6 * i + b;
                bytes[bit / 8] = static_cast<std::uint8_t>(bytes[bit / 8] | (1u << (bit % 8)));
            }
        }
    }
}

void UnpackSextets(const std::uint8_t* bytes, int count, std::uint8_t* values) {
    for (int i = 0; i < count; ++i) {
        std::uint8_t v = 0;
        for (int b = 0; b < 6; ++b) {
            const int bit = 6 * i + b;
            if (bytes[bit / 8] & (1u << (bit % 8))) {
                v = static_cast<std::uint8_t>(v | (1u << b));
            }
        }
        values[i] = v;
    }
}

}  // namespace quorvel
