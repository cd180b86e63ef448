// Builds the ModelProfile of a model code from the attribute tables: counts, ratings, the
// receptacle and current-input maps, circuit and receptacle layout, and every label.
#pragma once

#include <cstdint>

#include "catalogue/attribute_tables.h"
#include "catalogue/model_code.h"
#include "common/model_profile.h"

namespace quorvel {

// Fills `out` for the code. True when the code's phase, voltage, current, meter and breaker fields
// are all valid and its series is present. With invalid fields the profile is still filled as far
// as it goes; with the series absent only the three words are set; with no output or the no-model
// code the result is false and the profile (if any) is all zero.
bool BuildModelProfile(std::uint16_t feature, std::uint32_t attribute, std::uint16_t extension,
                       ModelProfile* out, const AttributeTables& tables = Attributes());
inline bool BuildModelProfile(const ModelCode& code, ModelProfile& out,
                              const AttributeTables& tables = Attributes()) {
    return BuildModelProfile(code.feature, code.attribute, code.extension, &out, tables);
}

// The receptacle-to-current-input map of a series as the series stores it: packed (eight 6-bit
// values per row) for ordinary series, direct (six values, one per byte) for extended series.
class ReceptacleInputMap {
  public:
    ReceptacleInputMap(const std::uint8_t* map36, bool direct) : map_(map36), direct_(direct) {}
    // The stored records of a series tell the form apart.
    ReceptacleInputMap(const KvbMapRecord& kvb, const LayoutRecord& layout);

    unsigned columns() const { return direct_ ? 6 : 8; }
    // Value `column` of row `row` (current input): bit u set means receptacle 6 * column + u.
    std::uint8_t value(unsigned row, unsigned column) const;
    // Columns that hold a non-zero value in any row.
    unsigned usedColumns() const;
    // Set bits over the values of one row, and over all rows.
    unsigned rowBits(unsigned row) const;
    unsigned totalBits() const;

  private:
    const std::uint8_t* map_;
    bool direct_;
};

}  // namespace quorvel
