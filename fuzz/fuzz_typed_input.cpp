// What an operator types into the dialogs' fields, narrow and wide: addresses, numbers,
// hundredths, temperatures and texts. Every parse stays within its element, and an address it
// yields formats back into a text the parser reads to the same bytes.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "common/address_text.h"
#include "common/config_values.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);

    std::uint8_t ip[4] = {};
    std::uint8_t mac[6] = {};
    quorvel::ParseIpAddress(text, ip);
    quorvel::ParseMacAddress(text, mac);

    // A formatted address reads back to the same bytes.
    std::uint8_t ipAgain[4] = {};
    std::uint8_t macAgain[6] = {};
    quorvel::ParseIpAddress(quorvel::FormatIpAddress(ip), ipAgain);
    quorvel::ParseMacAddress(quorvel::FormatMacAddress(mac), macAgain);
    for (int i = 0; i < 4; ++i) {
        if (ip[i] != ipAgain[i]) {
            __builtin_trap();
        }
    }
    for (int i = 0; i < 6; ++i) {
        if (mac[i] != macAgain[i]) {
            __builtin_trap();
        }
    }

    // The same bytes as a wide field, cut by a capacity shorter than the text.
    std::u16string wide;
    for (std::size_t i = 0; i + 1 < size; i += 2) {
        wide.push_back(static_cast<char16_t>(data[i] | data[i + 1] << 8));
    }
    const std::size_t capacity = wide.size() / 2 + 1;
    quorvel::ParseIpAddress(wide.data(), capacity, ip);
    quorvel::ParseMacAddress(wide.data(), capacity, mac);

    // Configuration elements of every kind in the sizes the catalogue gives them, each in a
    // buffer of exactly that size.
    struct Shape {
        std::uint8_t kind;
        std::uint32_t size;
    };
    constexpr Shape kShapes[] = {{0, 2},  {1, 2},  {2, 4}, {3, 6}, {4, 2},
                                 {4, 32}, {4, 64}, {5, 2}, {6, 1}, {7, 8}};
    for (const Shape& shape : kShapes) {
        std::vector<std::uint8_t> element(shape.size);
        quorvel::ParseConfigElement(shape.kind, shape.size, wide, element.data(),
                                    quorvel::TerminatedTextChars(shape.size));
        (void)quorvel::FormatConfigElement(shape.kind, shape.size, element.data());
    }
    (void)quorvel::ParseDecimalInteger(wide);
    (void)quorvel::HundredthsEntered(wide);
    (void)quorvel::HundredthsTruncated(wide);
    (void)quorvel::TemperatureEntered(wide, true);
    (void)quorvel::TemperatureEntered(wide, false);

    char16_t field[16];
    quorvel::WriteWideText(text, field, 16);
    bool terminated = false;
    for (char16_t c : field) {
        terminated = terminated || c == 0;
    }
    if (!terminated) {
        __builtin_trap();
    }
    return 0;
}
