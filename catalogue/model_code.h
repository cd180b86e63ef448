// The model code: the three numeric words that name a PDU model on the device, and the
// 15 to 17 character part number string the operator reads and types. Converts between the two
// and takes the words apart field by field. Pure computation; needs no attribute tables.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace quorvel {

// A series index 0..17575 (26 x 26 x 26 - 1); an inlet index 0..63.
using SeriesIndex = std::uint16_t;
using InletIndex = std::uint8_t;

constexpr unsigned kSeriesCount = 26 * 26 * 26;  // 17576
constexpr unsigned kInletCount = 64;

// A model code as three words, always in this order.
struct ModelCode {
    std::uint16_t feature = 0;    // FeatureWord
    std::uint32_t attribute = 0;  // AttributeWord
    std::uint16_t extension = 0;  // ExtensionWord

    bool operator==(const ModelCode&) const = default;
};

// FeatureWord 0xFFFF with AttributeWord 0xFFFFFFFF: no model.
constexpr ModelCode kNoModel{0xFFFF, 0xFFFFFFFFu, 0};
bool isNoModel(const ModelCode& code);

// FeatureWord bits.
constexpr std::uint16_t kFeatVoltMeter = 1u << 5;
constexpr std::uint16_t kFeatEthernet = 1u << 6;
constexpr std::uint16_t kFeatSerial = 1u << 7;
constexpr std::uint16_t kFeatSocketControl = 1u << 8;
constexpr std::uint16_t kFeatSocketMeter = 1u << 9;
constexpr std::uint16_t kFeatEnvSensor = 1u << 10;
constexpr std::uint16_t kFeatThreePhase = 1u << 14;
// ExtensionWord bits.
constexpr std::uint16_t kExtSecondSensor = 1u << 9;
constexpr std::uint16_t kExtExtendedMin = 0x1000;  // words above 0x0FFF select stored records

// Field numbers of modelCodeField().
enum class ModelCodeField : int {
    Prefix = 0,
    FormFactor = 1,
    Voltage = 2,
    Phase = 3,
    Breakers = 4,
    Current = 5,
    Meters = 6,
    Features = 7,
    Sensors = 8,
    SecondLetter = 9,
    Inlet = 10,
    TldCount = 11,
    FirstLetter = 12,
    InletExt = 13,
    ThirdLetter = 14,
};

// Decodes a model code string. The text (NUL-terminated within `capacity` characters) is first
// converted to upper case in place. Returns false, leaving the outputs untouched, when the text is
// not a valid model code; each output may be null.
bool decodeModelCode(char* text, std::size_t capacity, std::uint16_t* feature,
                     std::uint32_t* attribute, std::uint16_t* extension);
bool decodeModelCode(char16_t* text, std::size_t capacity, std::uint16_t* feature,
                     std::uint32_t* attribute, std::uint16_t* extension);
// Convenience form: upper-cases `text` in place; true and fills `code` when valid.
bool decodeModelCode(std::string& text, ModelCode& code);

// Writes the model code string of the words into `out` (cut to `capacity` characters including
// the terminator); the no-model sentinel writes the empty string. Returns the full length of the
// string (which may exceed capacity - 1).
std::size_t encodeModelCode(const ModelCode& code, char* out, std::size_t capacity);
// Convenience form: the whole model code string ("" for the sentinel).
std::string encodeModelCode(const ModelCode& code);

// The character(s) the encoder writes for one field; "?" for a field number above 14, "" for the
// sentinel. InletExt gives "B", "A" when a third letter follows, else ""; ThirdLetter gives ""
// below series index 676.
std::string modelCodeField(const ModelCode& code, int field);

// Series letters of an index: returns the second letter; the first letter (rotated alphabet) and
// the third letter ("A" below 676) through the optional outputs. An index of 17576 or more gives
// "?" for all three.
char seriesLetters(SeriesIndex index, char* first = nullptr, char* third = nullptr);
// Series index of letters: first (rotated alphabet "P".."Z" = 0..10, "A".."O" = 11..25), second
// and third plain "A".."Z"; third 0 means none. Returns -1 when a letter is out of range.
int seriesIndexOfLetters(char first, char second, char third = 0);
// Rotated value of a first series letter, or -1.
int rotatedLetterValue(char c);
// The first series letter of a rotated value 0..25.
char rotatedLetter(int value);

// Inlet characters of an index: returns the inlet character ("A".."Z", "1".."6"); the extension
// character ("B" when bit 5 is set, else a space) through the optional output.
char inletChars(InletIndex index, char* extension = nullptr);
// Inlet index of the characters: inlet "A".."Z" or "1".."6", extension "B" adds 32 (anything else
// adds nothing). Returns -1 when the inlet character is out of range.
int inletIndexOfChars(char inlet, char extension = 0);

// Series index of a code: AttributeWord bits 18..23, bit 7 (x64), ExtensionWord bits 0..7 (x128).
SeriesIndex seriesIndexOf(std::uint32_t attribute, std::uint16_t extension);
inline SeriesIndex seriesIndexOf(const ModelCode& code) {
    return seriesIndexOf(code.attribute, code.extension);
}

// The TLD count as its bits say (0..15), without any rule applied.
unsigned tldCountBits(const ModelCode& code);
// TLD count: 0 without socket control or meter; else the count, 4 when its bits are 0.
unsigned tldCount(const ModelCode& code);

// Management class 0..4 ("1 Phase Serial Only", "1 Phase Unmanaged", "1 Phase Managed",
// "3 Phase Unmanaged", "3 Phase Managed"), or 0xFFFF.
std::uint16_t managementClass(std::uint16_t feature);

// Field values of the words, as the decoder stores them.
inline unsigned formFactorCode(const ModelCode& c) {
    return c.attribute & 7u;
}
inline unsigned voltageCode(const ModelCode& c) {
    return (c.attribute >> 4) & 7u;
}
inline unsigned phaseCode(const ModelCode& c) {
    return (c.feature >> 14) & 3u;
}
inline unsigned currentCode(const ModelCode& c) {
    return (c.attribute >> 8) & 15u;
}
inline unsigned meterCount(const ModelCode& c) {
    return (c.attribute >> 24) & 7u;
}
inline unsigned breakerCount(const ModelCode& c) {
    return (c.attribute >> 27) & 7u;
}
inline InletIndex inletIndexOf(const ModelCode& c) {
    return static_cast<InletIndex>((c.attribute >> 12) & 63u);
}

}  // namespace quorvel
