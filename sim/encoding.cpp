#include "sim/encoding.h"

#include <cstdio>

namespace quorvel::sim {

namespace {

int hexDigit(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

std::vector<std::string_view> splitAt(std::string_view text, std::string_view separators) {
    std::vector<std::string_view> parts;
    std::size_t start = 0;
    for (std::size_t i = 0; i <= text.size(); ++i) {
        if (i == text.size() || separators.find(text[i]) != std::string_view::npos) {
            parts.push_back(text.substr(start, i - start));
            start = i + 1;
        }
    }
    return parts;
}

}  // namespace

bool parseHex(std::string_view text, std::uint64_t max, std::uint64_t& out) {
    if (text.empty() || text.size() > 16)
        return false;
    std::uint64_t value = 0;
    for (char c : text) {
        int d = hexDigit(c);
        if (d < 0)
            return false;
        value = value * 16 + static_cast<std::uint64_t>(d);
    }
    if (value > max)
        return false;
    out = value;
    return true;
}

bool parseDecimal(std::string_view text, std::uint64_t max, std::uint64_t& out) {
    if (text.empty() || text.size() > 10)
        return false;
    std::uint64_t value = 0;
    for (char c : text) {
        if (c < '0' || c > '9')
            return false;
        value = value * 10 + static_cast<std::uint64_t>(c - '0');
    }
    if (value > max)
        return false;
    out = value;
    return true;
}

std::string toHexPairs(const std::uint8_t* bytes, std::size_t size) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    std::string out;
    out.reserve(size * 2);
    for (std::size_t i = 0; i < size; ++i) {
        out += kDigits[bytes[i] >> 4];
        out += kDigits[bytes[i] & 0x0F];
    }
    return out;
}

bool fromHexPairs(std::string_view text, std::uint8_t* bytes, std::size_t size) {
    if (text.size() != size * 2)
        return false;
    for (std::size_t i = 0; i < size; ++i) {
        int hi = hexDigit(text[2 * i]);
        int lo = hexDigit(text[2 * i + 1]);
        if (hi < 0 || lo < 0)
            return false;
        bytes[i] = static_cast<std::uint8_t>(hi * 16 + lo);
    }
    return true;
}

std::vector<std::uint8_t> numberBytes(std::uint16_t value) {
    return {static_cast<std::uint8_t>(value & 0xFF), static_cast<std::uint8_t>(value >> 8)};
}

std::uint16_t numberValue(const std::vector<std::uint8_t>& bytes) {
    std::uint16_t value = 0;
    if (!bytes.empty())
        value = bytes[0];
    if (bytes.size() > 1)
        value = static_cast<std::uint16_t>(value | (bytes[1] << 8));
    return value;
}

std::vector<std::uint8_t> textBytes(std::string_view text, std::size_t size) {
    std::vector<std::uint8_t> bytes(size, 0);
    for (std::size_t i = 0; i < text.size() && 2 * i + 1 < size; ++i) {
        bytes[2 * i] = static_cast<std::uint8_t>(text[i]);
    }
    return bytes;
}

std::string encodeVariable(const ConfigVar& var) {
    std::string out;
    char buf[64];
    for (std::size_t i = 0; i < var.elements.size(); ++i) {
        const auto& e = var.elements[i];
        if (i > 0)
            out += ' ';
        switch (var.type) {
            case kVarIp:
                std::snprintf(buf, sizeof buf, "%d.%d.%d.%d", e.at(0), e.at(1), e.at(2), e.at(3));
                out += buf;
                break;
            case kVarMac:
                std::snprintf(buf, sizeof buf, "%2.2X:%2.2X:%2.2X:%2.2X:%2.2X:%2.2X", e.at(0),
                              e.at(1), e.at(2), e.at(3), e.at(4), e.at(5));
                out += buf;
                break;
            case kVarText:
                out += toHexPairs(e.data(), e.size());
                break;
            case kVarByte:
            case kVarBytes:
                std::snprintf(buf, sizeof buf, "%x", e.empty() ? 0U : e[0]);
                out += buf;
                break;
            default:
                std::snprintf(buf, sizeof buf, "%x", static_cast<unsigned>(numberValue(e)));
                out += buf;
                break;
        }
    }
    return out;
}

bool decodeValue(int type, std::size_t count, std::string_view text,
                 std::vector<std::vector<std::uint8_t>>& out) {
    out.clear();
    std::uint64_t v = 0;
    switch (type) {
        case kVarIp: {
            auto parts = splitAt(text, ".");
            if (parts.size() != 4)
                return false;
            std::vector<std::uint8_t> bytes;
            for (auto p : parts) {
                if (!parseDecimal(p, 255, v))
                    return false;
                bytes.push_back(static_cast<std::uint8_t>(v));
            }
            out.push_back(std::move(bytes));
            return true;
        }
        case kVarMac: {
            auto parts = splitAt(text, ":-");
            if (parts.size() != 6)
                return false;
            std::vector<std::uint8_t> bytes;
            for (auto p : parts) {
                if (p.size() > 2 || !parseHex(p, 255, v))
                    return false;
                bytes.push_back(static_cast<std::uint8_t>(v));
            }
            out.push_back(std::move(bytes));
            return true;
        }
        case kVarText: {
            // Groups of four digits, at most the element's size; the rest of it is zeros.
            if (text.empty() || text.size() % 4 != 0 || text.size() > kTextSize * 2)
                return false;
            std::vector<std::uint8_t> bytes(kTextSize, 0);
            if (!fromHexPairs(text, bytes.data(), text.size() / 2))
                return false;
            out.push_back(std::move(bytes));
            return true;
        }
        case kVarByte:
            if (!parseHex(text, 0xFF, v))
                return false;
            out.push_back({static_cast<std::uint8_t>(v)});
            return true;
        case kVarBytes: {
            if (count == 0 || text.size() != count * 2)
                return false;
            std::vector<std::uint8_t> wire(count);
            if (!fromHexPairs(text, wire.data(), count))
                return false;
            for (std::size_t i = 0; i < count; ++i)
                out.push_back({wire[count - 1 - i]});
            return true;
        }
        default:
            if (!parseHex(text, 0xFFFF, v))
                return false;
            out.push_back(numberBytes(static_cast<std::uint16_t>(v)));
            return true;
    }
}

}  // namespace quorvel::sim
