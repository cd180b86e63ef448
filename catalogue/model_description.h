// What a model is in words: the text of each field of a model code, the short and long labels of
// circuits and receptacles, and socket type names. Pure reads of the attribute tables.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "catalogue/attribute_tables.h"
#include "catalogue/model_code.h"

namespace quorvel {

// Description numbers of DescribeModelField(); any other number describes as "Invalid".
enum class ModelDescriptionField : int {
    Prefix = 0,
    FormFactor = 1,
    Voltage = 2,
    Phase = 3,
    Breakers = 4,
    Current = 5,
    Meters = 6,
    Features = 7,
    Sensors = 8,
    Series = 9,
    Inlet = 10,
    TldCount = 11,
    InletExt = 12,
};

// Labels per circuit row: 6 label indexes; 8 circuit label styles; 9 receptacle word styles.
constexpr unsigned kLabelColumns = 6;
constexpr unsigned kCircuitLabelRows = 8;
constexpr unsigned kReceptaclePrefixRows = 9;

// CircuitLabelTable: short circuit labels by label style (low nibble of the circuit layout type)
// and label index.
extern const char16_t* const CircuitLabelTable[kCircuitLabelRows][kLabelColumns];
// ReceptaclePrefixTable: receptacle words by word style (high nibble of the receptacle label
// style) and label index.
extern const char16_t* const ReceptaclePrefixTable[kReceptaclePrefixRows][kLabelColumns];

// Writes the text of one field of the code into `out` (cut to `capacity` characters including the
// terminator). The no-model code gives the empty text. Returns the number of characters written.
std::size_t DescribeModelField(std::uint16_t feature, std::uint32_t attribute,
                               std::uint16_t extension, int description, char16_t* out,
                               std::size_t capacity, const AttributeTables& tables = Attributes());
std::u16string DescribeModelField(const ModelCode& code, int description,
                                  const AttributeTables& tables = Attributes());

// With `shortLabel`: the CircuitLabelTable entry of the layout type's low nibble and the label
// index (empty for a nibble of 8 or more or an index above 5). Without: the circuit word of the
// high nibble ("Circuit ", "Branch " or empty). Always succeeds; returns the characters written.
std::size_t CircuitLabel(std::uint8_t layoutType, bool shortLabel, unsigned labelIndex,
                         char16_t* out, std::size_t capacity);
std::u16string CircuitLabel(std::uint8_t layoutType, bool shortLabel, unsigned labelIndex);

// With `shortLabel`: the receptacle's label by the style's low nibble (1 the number in decimal,
// 2 the letter number + 64, so 1 is "A"; otherwise empty). Without: the ReceptaclePrefixTable
// entry of the style's high nibble and the label index; a high nibble of 9 or more reads the
// table as one list of 54 entries at the label index. Always succeeds.
std::size_t ReceptacleLabel(std::uint8_t labelStyle, bool shortLabel, unsigned labelIndex,
                            unsigned number, char16_t* out, std::size_t capacity);
std::u16string ReceptacleLabel(std::uint8_t labelStyle, bool shortLabel, unsigned labelIndex,
                               unsigned number);

// Name of a socket type code 1..13 ("IEC C13" .. "SCHUKO"); "" for 0 and codes above 13.
const char16_t* SocketTypeName(unsigned code);

// How many of the 36 receptacle type codes lie in 1..127: present and not managed.
unsigned CountTypedReceptacles(const std::uint8_t* codes36);

}  // namespace quorvel
