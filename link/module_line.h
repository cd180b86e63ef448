// Reading the module configuration line (the reply to "V"): which display, TLD and network
// modules are fitted, and which environment sensors.
#pragma once

#include <cstdint>

namespace quorvel {

constexpr int kModuleSlots = 16;
constexpr std::uint16_t kEnvSensor0 = 0x1000;
constexpr std::uint16_t kEnvSensor1 = 0x2000;

// Module kinds (high nibble of a module byte).
enum ModuleKind : std::uint8_t {
    kModuleNone = 0,
    kModuleDisplay = 1,
    kModuleTld = 2,
    kModuleEthernet = 3
};

// Name shown for a module kind: "NONE", "Display", "TLD", "Ethernet" ("" for others).
const char* ModuleKindName(int kind);

// Fills the 16 module bytes (high nibble kind, low nibble instance) from the module line and
// sets the environment flags of the sensors it reports. Fewer than 8 items: no modules.
void ParseModuleLine(const char* text, int generationNumber, std::uint8_t (&modules)[kModuleSlots],
                     std::uint16_t& environmentFlags);

}  // namespace quorvel
