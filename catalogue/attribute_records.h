// The per-series attribute records read from pduattribs.ini. KvbMapRecord and LayoutRecord are
// sent to the PDU byte for byte as hexadecimal text when a model is stamped, so their layouts
// are a wire format; every member is a byte so there is no padding. Also the 6-bit packed maps.
#pragma once

#include <cstddef>
#include <cstdint>

namespace quorvel {

// Receptacle and current-input maps (58 bytes).
struct KvbMapRecord {
    std::uint8_t vSampleMap;      //  0 KVBVSampleMap
    std::uint8_t iSampleMap;      //  1 KVBISampleMap
    std::uint8_t meterAddMap[6];  //  2 KVBMeterAddMap, one byte per circuit
    std::uint8_t vAddMap[2];      //  8 KVBVAddMap
    std::uint8_t iAddMap[6];      // 10 KVBIAddMap; non-zero: the circuit has a current input
    std::uint8_t iSubMap[6];      // 16 KVBISubMap
    std::uint8_t recepIMap[36];   // 22 KVBRecepIMap: 6 rows (current inputs) of 6 bytes
};

// Circuit and receptacle layout (64 bytes).
struct LayoutRecord {
    std::uint8_t recepMap[36];        //  0 PMRecepMap: 48 packed 6-bit label numbers
    std::uint8_t voltMap[2];          // 36 PMVoltMap
    std::uint8_t currMap[3];          // 38 PMCurrMap / PMCircSelVolt: one nibble per circuit
    std::uint8_t circVisible;         // 41 PMCircVisible
    std::uint8_t circLayoutType;      // 42 PMCircLayoutType: circuit word << 4 | short-label style
    std::uint8_t circLayout[6];       // 43 PMCircLayout
    std::uint8_t recepLayout;         // 49 PMRecepLayout
    std::uint8_t recepLabel;          // 50 PMRecepLabel: word style << 4 | numbering style
    std::uint8_t recepColumns[3];     // 51 PMRecepColumns: one nibble per circuit
    std::uint8_t recepMaxColumns[6];  // 54 PMRecepMaxColumns
    std::uint8_t extModel[2];         // 60 PMExtModel, high byte first
    std::uint8_t reserved[2];         // 62 always 0
};

// Design phase, form factor and receptacle types (52 bytes).
struct ExtRecord {
    std::uint8_t intend[4];      // 0 PExtIntend: phase (0 single, 1 three), form factor code, -, -
    std::uint8_t recepType[48];  // 4 PExtRecepType: socket type | circuit << 4 | 0x80 managed
};

static_assert(sizeof(KvbMapRecord) == 58);
static_assert(sizeof(LayoutRecord) == 64);
static_assert(sizeof(ExtRecord) == 52);

constexpr std::size_t kTextChars = 64;  // SeriesText and InletText: 63 characters + NUL
using AttributeText = char16_t[kTextChars];

// Offsets used when a record is handled as bytes.
constexpr std::size_t kRecepIMapOffset = 22;
constexpr std::size_t kExtModelOffset = 60;

// Receptacle-type code bits.
constexpr std::uint8_t kRecepTypeSocketMask = 0x0F;
constexpr std::uint8_t kRecepTypeCircuitMask = 0x70;
constexpr std::uint8_t kRecepTypeManaged = 0x80;

// A packed map holds 6-bit values most significant bit first: value k occupies bits 6k..6k+5
// counted from the top bit of byte 0. `bytes` must hold at least 6 * (k + 1) bits.
std::uint8_t packedValue(const std::uint8_t* bytes, unsigned k);
void setPackedValue(std::uint8_t* bytes, unsigned k, std::uint8_t value);

// Over a packed receptacle-to-current-input map (6 rows of 6 bytes, 8 values per row):
// the number of columns 0..7 that hold a non-zero value in any row ...
unsigned countUsedReceptacleGroups(const std::uint8_t* packedMap36);
// ... and the total number of set bits over all rows and columns.
unsigned countMappedReceptacles(const std::uint8_t* packedMap36);

// Record views as bytes.
inline std::uint8_t* bytesOf(KvbMapRecord& r) {
    return reinterpret_cast<std::uint8_t*>(&r);
}
inline std::uint8_t* bytesOf(LayoutRecord& r) {
    return reinterpret_cast<std::uint8_t*>(&r);
}
inline std::uint8_t* bytesOf(ExtRecord& r) {
    return reinterpret_cast<std::uint8_t*>(&r);
}
inline const std::uint8_t* bytesOf(const KvbMapRecord& r) {
    return reinterpret_cast<const std::uint8_t*>(&r);
}
inline const std::uint8_t* bytesOf(const LayoutRecord& r) {
    return reinterpret_cast<const std::uint8_t*>(&r);
}
inline const std::uint8_t* bytesOf(const ExtRecord& r) {
    return reinterpret_cast<const std::uint8_t*>(&r);
}

}  // namespace quorvel
