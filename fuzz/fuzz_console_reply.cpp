// Console replies as the device link takes them apart: items, hexadecimal values and byte
// pairs, the module line, environment readings, configuration values and status readings.
#include <cstddef>
#include <cstdint>
#include <string>

#include "link/device_ops.h"
#include "link/module_line.h"
#include "link/reply_items.h"
#include "link/status_reader.h"
#include "link/value_codec.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // A reply text is at most 255 characters and never holds a NUL.
    std::string text(reinterpret_cast<const char*>(data), size < 255 ? size : 255);
    text = text.c_str();

    std::string copy = text;
    char* items[quorvel::kMaxReplyItems];
    const int n = quorvel::SplitReplyItems(copy.data(), 1000, items);
    for (int i = 0; i < n; ++i) {
        (void)quorvel::ParseHexItem(items[i]);
        (void)quorvel::DecimalReading(items[i]);
        (void)quorvel::IntegerReading(items[i]);
        std::uint8_t element[64];
        for (std::uint8_t kind = 0; kind <= 8; ++kind) {
            quorvel::DecodeConfigValue(kind, sizeof element, items[i], element);
        }
    }
    std::uint8_t bytes[64];
    (void)quorvel::DecodeHexPairs(text.c_str(), bytes, sizeof bytes);

    std::uint8_t modules[quorvel::kModuleSlots];
    std::uint16_t env = 0;
    for (int generation = 1; generation <= 4; ++generation) {
        quorvel::ParseModuleLine(text.c_str(), generation, modules, env);
    }
    std::int16_t readings[4] = {};
    (void)quorvel::ParseEnvironment(text.c_str(), readings);
    return 0;
}
