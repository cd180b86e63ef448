// The simulated PDU's state: identity and stamped records, firmware version, modules, outlets,
// measurements, alarms, configuration variables and calibration table. Plain data that the
// console commands read and change; a profile gives its starting values.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace quorvel::sim {

inline constexpr std::size_t kKvbMapSize = 58;
inline constexpr std::size_t kLayoutSize = 64;
inline constexpr int kMaxOutlets = 48;
inline constexpr int kCircuits = 6;
inline constexpr std::size_t kTextSize = 64;  // bytes of a text variable: 32 wide characters

// Value types of configuration variables as the console encodes them.
enum VarType : int {
    kVarIp = 2,      // 4 bytes, "a.b.c.d"
    kVarMac = 3,     // 6 bytes, "XX:XX:XX:XX:XX:XX"
    kVarText = 4,    // wide characters, low byte first, as groups of 4 hexadecimal digits
    kVarByte = 6,    // one byte, hexadecimal
    kVarBytes = 7,   // byte string of 4, 6 or 8 bytes; each byte is one element
    kVarNumber = 0,  // 16-bit number, hexadecimal (also types 1 and 5)
};

// One configuration variable: every element holds its raw bytes (a 16-bit number little-endian).
struct ConfigVar {
    int type = kVarNumber;
    std::vector<std::vector<std::uint8_t>> elements;
};

// Bytes of one element of a variable of this type (texts: kTextSize).
std::size_t elementSize(int type);

struct Identity {
    std::uint16_t feature = 0;
    std::uint32_t attribute = 0;
    std::uint16_t extension = 0;
    std::array<std::uint8_t, kKvbMapSize> kvbMap{};
    int items = 4;  // items of the identity reply: 2 (words), 3 (+ map) or 4 (+ extension)
};

// Feature bits the console acts on.
inline constexpr std::uint16_t kFeatureVoltage = 0x0020;
inline constexpr std::uint16_t kFeatureSwitched = 0x0100;
inline constexpr std::uint16_t kFeatureMetered = 0x0200;
inline constexpr std::uint16_t kFeatureEnvironment = 0x0400;

struct Device {
    Identity identity;
    std::array<std::uint8_t, kLayoutSize> layout{};
    std::string version;     // e.g. "02.03.01"
    std::string generation;  // "V1".."V4"; empty: the version reply carries the version alone
    std::vector<std::string> modules;  // module line items, "DISP=HOJ-1"

    // Outlets: bit k = outlet k + 1. Groups are numbered 33.. on the console, bit i = group i.
    int outletCount = 0;
    int groupCount = 4;
    std::array<int, 3> branchOutlets{};  // first generation: outlets of branches A, B, C
    std::uint64_t outletsOn = 0;
    std::uint64_t resetBlocked = 0;
    std::uint16_t groupsOn = 0;

    // Measurements.
    std::array<int, 4> voltages{};                     // whole volts per voltage input
    std::array<double, kCircuits> circuitCurrents{};   // amperes
    std::array<double, kMaxOutlets> outletCurrents{};  // amperes while the outlet is on
    int sensors = 0;                                   // environment sensors, 0..2
    std::array<double, 2> temperature{};               // degrees
    std::array<double, 2> humidity{};                  // percent
    std::uint16_t alarmWord = 0;
    std::uint16_t lockWord = 0;

    std::map<int, ConfigVar> variables;  // by console variable id

    // Calibration: keyword ("K I A0", "K V B2") -> channel -> value, and the store count.
    bool calibrationMode = false;
    std::map<std::string, std::map<int, std::uint16_t>> calibration;
    int calibrationStores = 0;

    // What the privileged and maintenance commands did.
    int databaseFormats = 0;
    int networkRestarts = 0;
    int reboots = 0;
    int outletResets = 0;

    // 4, 3 or 2 for "V4".."V2", else 1.
    int generationNumber() const;
    // ExtensionWord 0x1000 or more: 16 groups, 48 outlets, four voltage inputs.
    bool largeSets() const { return identity.extension >= 0x1000; }
    bool outletOn(int index) const { return (outletsOn >> index) & 1U; }
    // Present current of outlet `index` (0 while it is off or absent).
    double outletCurrent(int index) const;
};

}  // namespace quorvel::sim
