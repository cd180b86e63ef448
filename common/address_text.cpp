// Formatting and parsing of IP and MAC address texts.
#include "common/address_text.h"

#include <algorithm>
#include <cstdio>

namespace quorvel {

namespace {

int digitValue(char c, bool hex) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (hex && c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    if (hex && c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    return -1;
}

// The number at the start of text (blanks skipped, "0x" allowed when hex); 0 when none.
std::uint8_t leadingNumber(std::string_view text, bool hex) {
    std::size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) {
        ++i;
    }
    if (hex && i + 1 < text.size() && text[i] == '0' &&
        (text[i + 1] == 'x' || text[i + 1] == 'X')) {
        i += 2;
    }
    unsigned value = 0;
    for (; i < text.size(); ++i) {
        const int d = digitValue(text[i], hex);
        if (d < 0) {
            break;
        }
        value = (value * (hex ? 16 : 10) + static_cast<unsigned>(d)) & 0xFFFFu;
    }
    return static_cast<std::uint8_t>(value & 0xFF);
}

void parseSeparated(std::string_view text, bool hex, std::string_view separators, std::uint8_t* out,
                    std::size_t n) {
    std::fill(out, out + n, std::uint8_t{0});
    for (std::size_t i = 0; i < n; ++i) {
        out[i] = leadingNumber(text, hex);
        const std::size_t next = text.find_first_of(separators);
        if (next == std::string_view::npos) {
            break;
        }
        text.remove_prefix(next + 1);
    }
}

std::string narrow(const char16_t* text, std::size_t capacity) {
    std::string s;
    if (text == nullptr) {
        return s;
    }
    for (std::size_t i = 0; i < capacity && text[i] != u'\0'; ++i) {
        s += text[i] < 0x80 ? static_cast<char>(text[i]) : '?';
    }
    return s;
}

}  // namespace

std::string FormatIpAddress(const std::uint8_t (&ip)[4]) {
    char text[32];
    std::snprintf(text, sizeof text, "%d.%d.%d.%d", ip[0], ip[1], ip[2], ip[3]);
    return text;
}

std::string FormatMacAddress(const std::uint8_t (&mac)[6]) {
    char text[32];
    std::snprintf(text, sizeof text, "%2.2X:%2.2X:%2.2X:%2.2X:%2.2X:%2.2X", mac[0], mac[1], mac[2],
                  mac[3], mac[4], mac[5]);
    return text;
}

void ParseIpAddress(std::string_view text, std::uint8_t (&ip)[4]) {
    parseSeparated(text, false, ".", ip, 4);
}

void ParseMacAddress(std::string_view text, std::uint8_t (&mac)[6]) {
    parseSeparated(text, true, ":-", mac, 6);
}

void ParseIpAddress(const char16_t* text, std::size_t capacity, std::uint8_t (&ip)[4]) {
    ParseIpAddress(narrow(text, capacity), ip);
}

void ParseMacAddress(const char16_t* text, std::size_t capacity, std::uint8_t (&mac)[6]) {
    ParseMacAddress(narrow(text, capacity), mac);
}

void WriteWideText(std::string_view text, char16_t* field, std::size_t capacity) {
    if (field == nullptr || capacity == 0) {
        return;
    }
    const std::size_t n = std::min(text.size(), capacity - 1);
    for (std::size_t i = 0; i < n; ++i) {
        field[i] = static_cast<unsigned char>(text[i]);
    }
    field[n] = u'\0';
}

}  // namespace quorvel
