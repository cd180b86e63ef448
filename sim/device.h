// The simulated PDU's state: identity and stamped records, firmware version, modules, outlets,
// measurements, alarms, configuration variables and calibration table. Plain data that the
// console commands read and change; a profile gives its starting values; advance() moves time.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <map>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "sim/calibration_bench.h"
#include "sim/web_database_server.h"

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

// Configuration variables the live model reads (numbers, 0 = no limit).
inline constexpr int kVarResetDelays = 9;         // seconds per outlet
inline constexpr int kVarMaxCurrents = 14;        // hundredths of an ampere per circuit
inline constexpr int kVarLockCurrents = 15;       // hundredths of an ampere per circuit
inline constexpr int kVarEnvironmentLimits = 16;  // min/max temperature (hundredths of a degree
                                                  // Fahrenheit), min/max humidity (hundredths of %)
inline constexpr int kVarMinVoltages = 45;        // whole volts per voltage input
inline constexpr int kVarMaxVoltages = 46;        // whole volts per voltage input

// Alarm word bits (circuit j over its maximum current: 1 << j; the lock word uses 1 << j for
// circuit j at its lock current).
inline constexpr std::uint16_t kAlarmTemperatureLow = 0x0040;
inline constexpr std::uint16_t kAlarmTemperatureHigh = 0x0080;
inline constexpr std::uint16_t kAlarmHumidityLow = 0x0100;
inline constexpr std::uint16_t kAlarmHumidityHigh = 0x0200;
inline constexpr std::uint16_t kAlarmVoltageLow = 0x0400;   // input 1; input 2 is the next bit
inline constexpr std::uint16_t kAlarmVoltageHigh = 0x1000;  // input 1; input 2 is the next bit

// Readings wander by a mean-reverting random walk, one step a second, within this fraction of
// their profile values.
inline constexpr unsigned kDriftStepMs = 1000;
inline constexpr double kDriftLimit = 0.03;

// Present drift of every reading as a factor of its profile value (1 = no drift).
struct Drift {
    std::array<double, 4> voltages;
    std::array<double, kCircuits> circuits;
    std::array<double, kMaxOutlets> outlets;
    std::array<double, 2> temperature;
    std::array<double, 2> humidity;
    Drift() {
        voltages.fill(1.0);
        circuits.fill(1.0);
        outlets.fill(1.0);
        temperature.fill(1.0);
        humidity.fill(1.0);
    }
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
    int circuitCount = kCircuits;
    // Outlets of each circuit, numbered on from the previous circuit's; the first generation
    // names circuits 0..2 by the branch letters A, B, C.
    std::array<int, kCircuits> branchOutlets{};
    std::uint64_t outletsOn = 0;
    std::uint64_t resetBlocked = 0;  // outlets that can never be power-reset
    std::uint64_t resetting = 0;     // outlets in a power reset: off and blocked until it ends
    std::array<unsigned, kMaxOutlets> resetRemainingMs{};
    std::uint16_t groupsOn = 0;

    // Measurements as the profile gives them; the readings are these times their drift.
    std::array<int, 4> voltages{};                     // whole volts per voltage input
    std::array<double, kCircuits> circuitCurrents{};   // amperes with every outlet on
    std::array<double, kMaxOutlets> outletCurrents{};  // amperes while the outlet is on
    int sensors = 0;                                   // environment sensors, 0..2
    std::array<double, 2> temperature{};               // degrees Fahrenheit
    std::array<double, 2> humidity{};                  // percent
    bool drift = true;                                 // false: readings stay as given
    Drift driftNow;
    unsigned driftCarryMs = 0;  // time towards the next drift step
    // Latched alarms: raised by advance() while a reading is beyond its limit, cleared by "N".
    std::uint16_t alarmWord = 0;
    std::uint16_t lockWord = 0;

    std::map<int, ConfigVar> variables;  // by console variable id
    // Variables whose "H" the console refuses as a write-protected store would ("ERROR: write
    // protected"); tests use it to see what the host does with a refused write.
    std::set<int> writeProtected;

    // Calibration: keyword ("K I A0", "K V B2") -> channel -> value, and the store count.
    bool calibrationMode = false;
    std::map<std::string, std::map<int, std::uint16_t>> calibration;
    int calibrationStores = 0;
    // Calibration keywords whose writes the console refuses as write protected, for tests of
    // what the host does with a refused calibration write.
    std::set<std::string> calibrationRefused;
    CalibrationBench bench;  // reference loads on channels being calibrated
    WebServerState webServer;

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
    // Outlets that cannot be power-reset now (for good or while a reset runs).
    std::uint64_t blockedOutlets() const { return resetBlocked | resetting; }

    // Present readings, in the console's resolution (hundredths; voltages whole volts).
    int voltage(int input) const;
    // Circuit `circuit`'s current: its profile value less the load of its switched-off outlets;
    // 0 beyond the circuit count.
    double circuitCurrent(int circuit) const;
    // Current of outlet `index` while on (0 while it is off or absent).
    double outletCurrent(int index) const;
    double temperatureReading(int sensor) const;
    double humidityReading(int sensor) const;

    // Element `index` of a number variable (0 when absent).
    unsigned variableNumber(int id, std::size_t index) const;

    // Moves time on: ends power resets whose delay ran out, drifts the readings (when `drift`,
    // one step per kDriftStepMs, drawn from `random`) and raises alarms.
    void advance(unsigned ms, std::mt19937& random);
    // Latches the alarm and lock bits of readings beyond the configured limits.
    void raiseAlarms();
    // Starts the power reset of outlet `index`: off and blocked for its reset delay.
    void startReset(int index);
    // Switching an outlet by hand ends its reset.
    void cancelReset(int index);
};

}  // namespace quorvel::sim
