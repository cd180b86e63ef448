#include "link/module_line.h"

#include <cstring>
#include <string>
#include <vector>

namespace quorvel {

namespace {

constexpr int kMaxItems = 20;
constexpr int kMinItems = 8;

// The fifth character's low four bits: the instance digit after "HOJ" or "TLD" and a separator.
std::uint8_t instanceDigit(const std::string& value) {
    return value.size() > 4 ? static_cast<std::uint8_t>(value[4] & 0x0F) : 0;
}

bool startsWith(const std::string& s, const char* prefix) {
    return s.compare(0, std::strlen(prefix), prefix) == 0;
}

}  // namespace

const char* ModuleKindName(int kind) {
    switch (kind) {
        case kModuleNone:
            return "NONE";
        case kModuleDisplay:
            return "Display";
        case kModuleTld:
            return "TLD";
        case kModuleEthernet:
            return "Ethernet";
        default:
            return "";
    }
}

void ParseModuleLine(const char* text, int generationNumber, std::uint8_t (&modules)[kModuleSlots],
                     std::uint16_t& environmentFlags) {
    // Every "=" starts a value that runs to the next blank or the end of the line.
    std::vector<std::string> values;
    const char* end = text + std::strcspn(text, "\r");
    for (const char* p = text; p < end && static_cast<int>(values.size()) < kMaxItems; ++p) {
        if (*p == '=') {
            const char* stop = p + 1;
            while (stop < end && *stop != ' ') {
                ++stop;
            }
            values.emplace_back(p + 1, stop);
        }
    }
    std::memset(modules, 0, sizeof modules);
    if (static_cast<int>(values.size()) < kMinItems) {
        return;
    }
    int hojSeen = 0;
    int tldSeen = 0;
    for (std::size_t k = 0; k < values.size() && k < kModuleSlots; ++k) {
        const std::string& v = values[k];
        std::uint8_t module = 0;
        if (startsWith(v, "HOJ")) {
            std::uint8_t instance = generationNumber >= 2
                                        ? instanceDigit(v)
                                        : static_cast<std::uint8_t>(hojSeen & 0x0F);
            ++hojSeen;
            module = static_cast<std::uint8_t>(kModuleDisplay << 4 | instance);
        } else if (startsWith(v, "TLD")) {
            std::uint8_t instance = generationNumber == 2
                                        ? instanceDigit(v)
                                        : static_cast<std::uint8_t>(tldSeen & 0x0F);
            ++tldSeen;
            module = static_cast<std::uint8_t>(kModuleTld << 4 | instance);
        } else if (startsWith(v, "ZOLT")) {
            module = kModuleEthernet << 4;
        } else if (startsWith(v, "ENV")) {
            char sensor = v.size() > 4 ? v[4] : '\0';
            if (sensor == '0') {
                environmentFlags |= kEnvSensor0;
            } else if (sensor == '1') {
                environmentFlags |= kEnvSensor1;
            }
        }
        modules[k] = module;
    }
}

}  // namespace quorvel
