#include "link/reply_items.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <cstring>

namespace quorvel {

int HexDigit(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    return -1;
}

int SplitReplyItems(char* text, int maxItems, char* items[]) {
    const int limit = std::min(maxItems, kMaxReplyItems);
    if (limit <= 0) {
        return 0;
    }
    int count = 0;
    char* p = text;
    while (count < limit) {
        while (*p == ' ') {
            ++p;
        }
        items[count++] = p;
        while (*p != '\0' && *p != ' ') {
            ++p;
        }
        if (*p == '\0') {
            break;
        }
        *p++ = '\0';
    }
    return count;
}

std::uint64_t ParseHexItem(const char* item) {
    const char* p = item;
    while (*p != '\0' && std::isspace(static_cast<unsigned char>(*p))) {
        ++p;
    }
    bool negative = false;
    if (*p == '+' || *p == '-') {
        negative = *p == '-';
        ++p;
    }
    if (p[0] == '0' && (p[1] == 'x' || p[1] == 'X') && HexDigit(p[2]) >= 0) {
        p += 2;
    }
    std::uint64_t value = 0;
    for (int d; (d = HexDigit(*p)) >= 0; ++p) {
        value = (value << 4) | static_cast<std::uint64_t>(d);
    }
    return negative ? (~value + 1) : value;
}

double ParseDecimal(const char* item) {
    const char* p = item;
    while (*p != '\0' && std::isspace(static_cast<unsigned char>(*p))) {
        ++p;
    }
    const bool negative = *p == '-';
    if (*p == '+' || *p == '-') {
        ++p;
    }
    double value = 0;
    std::from_chars(p, p + std::strlen(p), value, std::chars_format::fixed);
    return negative ? -value : value;
}

std::uint16_t HundredthsLow16(double x) {
    // The low 16 bits taken arithmetically: a conversion of an out-of-range double to an
    // integer would be undefined, and fmod is exact on the whole numbers a double holds.
    double low = std::fmod(std::trunc(x * 100 + 0.0001), 65536.0);
    if (std::isnan(low)) {
        return 0;
    }
    if (low < 0) {
        low += 65536.0;
    }
    return static_cast<std::uint16_t>(low);
}

std::size_t DecodeHexPairs(const char* text, std::uint8_t* out, std::size_t capacity) {
    std::size_t n = 0;
    for (const char* p = text; n < capacity && p[0] != '\0' && p[1] != '\0'; p += 2) {
        int hi = HexDigit(p[0]);
        int lo = HexDigit(p[1]);
        out[n++] = lo < 0 ? 0 : static_cast<std::uint8_t>(((hi < 0 ? 0 : hi) << 4) | lo);
    }
    return n;
}

std::string EncodeHexPairs(const std::uint8_t* bytes, std::size_t count) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    std::string s;
    s.reserve(count * 2);
    for (std::size_t i = 0; i < count; ++i) {
        s.push_back(kDigits[bytes[i] >> 4]);
        s.push_back(kDigits[bytes[i] & 0x0F]);
    }
    return s;
}

std::u16string Widen(const char* text) {
    std::u16string w;
    for (const char* p = text; *p != '\0'; ++p) {
        w.push_back(static_cast<char16_t>(static_cast<unsigned char>(*p)));
    }
    return w;
}

std::string Narrow(const std::u16string& text) {
    std::string s;
    s.reserve(text.size());
    for (char16_t c : text) {
        s.push_back(static_cast<char>(c & 0xFF));
    }
    return s;
}

void CopyWide(char16_t* dst, std::size_t capacity, const std::u16string& src) {
    if (capacity == 0) {
        return;
    }
    std::size_t n = std::min(src.size(), capacity - 1);
    std::copy_n(src.data(), n, dst);
    dst[n] = u'\0';
}

}  // namespace quorvel
