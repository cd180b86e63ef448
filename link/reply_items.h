// Taking console replies apart: splitting a reply text into blank-separated items in place,
// and reading hexadecimal items and hexadecimal byte pairs.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace quorvel {

constexpr int kMaxReplyItems = 64;

// Splits text in place at blanks into at most maxItems items (never more than 64). Every text,
// even an empty one, gives at least one item; a text ending in a blank gives a last, empty one.
// items receives the start of each item; returns their number.
int SplitReplyItems(char* text, int maxItems, char* items[]);

// Value of a hexadecimal digit, or -1.
int HexDigit(char c);

// Reads a hexadecimal item: leading white space, an optional sign and "0x" accepted, digits up
// to the first non-digit (none give 0). Callers truncate to their field's width.
std::uint64_t ParseHexItem(const char* item);

template <typename T>
T HexItem(const char* item) {
    return static_cast<T>(ParseHexItem(item));
}

// Reads a decimal number as the console writes it, whatever the program's locale: leading white
// space, an optional sign, digits with an optional fraction; no digits give 0.
double ParseDecimal(const char* item);

// A decimal reading in hundredths as the console's 16-bit fields hold it: trunc(x * 100 +
// 0.0001), cut to its low 16 bits. Defined for any size of reading (NaN and infinities give 0).
std::uint16_t HundredthsLow16(double x);

// Decodes hexadecimal byte pairs from text into out, at most capacity bytes, stopping at the
// end of the text: a non-hexadecimal first digit counts as 0, a non-hexadecimal second digit
// makes the whole byte 0. Returns the number of bytes stored.
std::size_t DecodeHexPairs(const char* text, std::uint8_t* out, std::size_t capacity);

// Each byte as two upper-case hexadecimal digits.
std::string EncodeHexPairs(const std::uint8_t* bytes, std::size_t count);

// Widens 8-bit text byte by byte.
std::u16string Widen(const char* text);
// Narrows wide text, keeping the low byte of every character.
std::string Narrow(const std::u16string& text);

// Copies at most capacity - 1 characters of src into dst and terminates it.
void CopyWide(char16_t* dst, std::size_t capacity, const std::u16string& src);

}  // namespace quorvel
