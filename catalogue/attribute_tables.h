// AttributeTables: what pduattribs.ini says about each series (maps, layout, receptacle types,
// description) and each inlet type. Records for a series are created together on the first value
// stored for it and live as long as the tables; a reload writes over them and removes nothing.
#pragma once

#include <bitset>
#include <cstdint>
#include <memory>
#include <shared_mutex>
#include <span>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "catalogue/attribute_records.h"
#include "catalogue/model_code.h"

namespace quorvel {

// Table numbers that route a stored value (one per key of the attribute file).
enum AttributeTable : std::uint8_t {
    kTabVSampleMap = 0,
    kTabISampleMap = 1,
    kTabMeterAddMap = 2,
    kTabVAddMap = 3,
    kTabIAddMap = 4,
    kTabISubMap = 5,
    kTabRecepIMap = 6,
    kTabRecepMap = 7,
    kTabVoltMap = 8,
    kTabCurrMap = 9,
    kTabCircSelVolt = 10,
    kTabCircVisible = 11,
    kTabCircLayoutType = 12,
    kTabCircLayout = 13,
    kTabRecepLabel = 14,
    kTabRecepLayout = 15,
    kTabRecepColumns = 16,
    kTabRecepMaxColumns = 17,
    kTabExtModel = 18,
    kTabExtIntend = 19,
    kTabExtRecepType = 20,
    kTabSeriesText = 21,
    kTabInletText = 22,
};
constexpr unsigned kTableCount = 23;

// Highest column each table accepts.
unsigned maxColumnOf(unsigned table);

class AttributeTables {
  public:
    AttributeTables() = default;
    AttributeTables(const AttributeTables&) = delete;
    AttributeTables& operator=(const AttributeTables&) = delete;

    // Stores one value. `value` is used by the numeric tables, `text` by tables 21 and 22.
    // False for an index out of range (17575 for series tables, 63 for inlets), a column beyond
    // the table's accepted columns or a table number above 22; nothing is changed then.
    bool storeValue(std::uint16_t index, std::uint8_t table, std::uint8_t column,
                    std::uint16_t value, std::string_view text = {});
    // Stores values[c] at column c, in column order, stopping at the first value refused.
    // Returns how many were stored (one lock for the lot: the loader's path for a line).
    std::size_t storeValues(std::uint16_t index, std::uint8_t table,
                            std::span<const std::uint16_t> values);

    // A series is present once any value was stored for it.
    bool seriesPresent(SeriesIndex index) const;
    unsigned seriesCount() const;
    std::vector<SeriesIndex> presentSeries() const;  // ascending
    // An inlet is present once its text was stored.
    bool inletPresent(InletIndex index) const;
    unsigned inletCount() const;

    // Description of a series; "" when the index is not below 17576, the series is absent or has
    // no text.
    std::u16string seriesText(SeriesIndex index) const;
    // By letters (second, first in the rotated alphabet, optional third): "" when second is "?"
    // or a pair letter is not "A".."Z"; a third letter outside "A".."Z" counts as none.
    std::u16string seriesTextByLetters(char second, char first, char third) const;
    // Description of an inlet type; "" when the index is not below 64 or there is no text.
    std::u16string inletText(InletIndex index) const;
    // By characters: inlet "A".."Z" or "1".."6", extension "B" adds 32.
    std::u16string inletTextByChars(char inlet, char extension) const;

    // Records of the model's series. False, with the output zero-filled, for the no-model code,
    // a series that is not present, or a null output. Without `raw` (and for codes whose
    // ExtensionWord is not above 0x0FFF) the packed maps are given one value per byte; a
    // current-input map the series stores one value per byte already is given as stored.
    bool kvbMapRecord(const ModelCode& code, KvbMapRecord* out, bool raw) const;
    bool layoutRecord(const ModelCode& code, LayoutRecord* out, bool raw) const;
    bool extRecord(const ModelCode& code, ExtRecord* out) const;
    // The same records as upper-case hexadecimal (116 and 128 digits); "" when absent.
    std::string kvbMapText(const ModelCode& code, bool raw) const;
    std::string layoutText(const ModelCode& code, bool raw) const;

    // The records as stored (packed maps packed); false when the series is absent.
    bool storedRecords(SeriesIndex index, KvbMapRecord* kvb, LayoutRecord* layout,
                       ExtRecord* ext) const;

  private:
    struct SeriesRecords {
        KvbMapRecord kvb{};
        LayoutRecord layout{};
        ExtRecord ext{};
        AttributeText text{};
        bool recepIMapDirect = false;  // "KVBRecepIMap" was stored one value per byte
    };

    bool storeLocked(std::uint16_t index, std::uint8_t table, std::uint8_t column,
                     std::uint16_t value, std::string_view text);
    const SeriesRecords* findLocked(SeriesIndex index) const;
    static std::u16string textOf(const AttributeText& t);

    mutable std::shared_mutex mutex_;
    std::unordered_map<SeriesIndex, std::unique_ptr<SeriesRecords>> series_;
    std::bitset<kSeriesCount> present_;
    AttributeText inlets_[kInletCount]{};
    std::bitset<kInletCount> inletPresent_;
};

// The process-wide tables that the program loads from beside itself (see LoadPDUAttributes()).
// Reading while another thread reloads is safe; each lookup sees one value at a time.
AttributeTables& Attributes();

}  // namespace quorvel
