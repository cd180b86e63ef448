// Storing values into AttributeTables and reading records for a model.
#include "catalogue/attribute_tables.h"

#include <algorithm>
#include <cstring>
#include <mutex>

namespace quorvel {
namespace {

constexpr std::uint8_t kMaxColumn[kTableCount] = {
    0, 0, 5, 1, 5, 5, 35, 47, 1, 2, 5, 0, 0, 5, 0, 0, 2, 5, 0, 3, 47, 0, 0,
};

constexpr std::uint8_t kVoltMapFlags = 0x70;

void widenInto(AttributeText& dst, std::string_view text) {
    std::size_t n = std::min(text.size(), kTextChars - 1);
    for (std::size_t i = 0; i < kTextChars; ++i) {
        dst[i] = i < n ? static_cast<char16_t>(static_cast<unsigned char>(text[i])) : u'\0';
    }
}

void appendHex(std::string& s, const std::uint8_t* bytes, std::size_t n) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    for (std::size_t i = 0; i < n; ++i) {
        s.push_back(kDigits[bytes[i] >> 4]);
        s.push_back(kDigits[bytes[i] & 15]);
    }
}

bool codeExtended(const ModelCode& code) {
    return code.extension > 0x0FFF;
}

}  // namespace

unsigned maxColumnOf(unsigned table) {
    return table < kTableCount ? kMaxColumn[table] : 0;
}

bool AttributeTables::storeValue(std::uint16_t index, std::uint8_t table, std::uint8_t column,
                                 std::uint16_t value, std::string_view text) {
    std::unique_lock lock(mutex_);
    return storeLocked(index, table, column, value, text);
}

std::size_t AttributeTables::storeValues(std::uint16_t index, std::uint8_t table,
                                         std::span<const std::uint16_t> values) {
    std::unique_lock lock(mutex_);
    std::size_t n = 0;
    while (n < values.size() && n <= 0xFF &&
           storeLocked(index, table, static_cast<std::uint8_t>(n), values[n], {})) {
        ++n;
    }
    return n;
}

bool AttributeTables::storeLocked(std::uint16_t index, std::uint8_t table, std::uint8_t column,
                                  std::uint16_t value, std::string_view text) {
    if (table >= kTableCount || column > kMaxColumn[table]) {
        return false;
    }
    if (table == kTabInletText) {
        if (index >= kInletCount)
            return false;
        widenInto(inlets_[index], text);
        inletPresent_.set(index);
        return true;
    }
    if (index >= kSeriesCount) {
        return false;
    }
    auto& slot = series_[index];
    if (!slot) {
        slot = std::make_unique<SeriesRecords>();
        present_.set(index);
    }
    SeriesRecords& s = *slot;
    const auto byte = static_cast<std::uint8_t>(value & 0xFF);
    const unsigned c = column;
    const bool extended = s.layout.extModel[0] > 0x0F;

    switch (table) {
        case kTabVSampleMap:
            s.kvb.vSampleMap = byte;
            break;
        case kTabISampleMap:
            s.kvb.iSampleMap = byte;
            break;
        case kTabMeterAddMap:
            s.kvb.meterAddMap[c] = byte;
            break;
        case kTabVAddMap:
            s.kvb.vAddMap[c] = byte;
            break;
        case kTabIAddMap:
            s.kvb.iAddMap[c] = byte;
            break;
        case kTabISubMap:
            s.kvb.iSubMap[c] = byte;
            break;
        case kTabRecepIMap:
            s.recepIMapDirect = extended;
            if (extended) {
                s.kvb.recepIMap[c] = byte;
            } else {
                setPackedValue(s.kvb.recepIMap + 6 * (c / 6), c % 6, byte & 0x3F);
            }
            break;
        case kTabRecepMap:
            setPackedValue(s.layout.recepMap, c, byte & 0x3F);
            break;
        case kTabVoltMap:
            s.layout.voltMap[c] = extended ? byte : static_cast<std::uint8_t>(byte | kVoltMapFlags);
            break;
        case kTabCurrMap:
            s.layout.currMap[c] = byte;
            break;
        case kTabCircSelVolt: {
            const std::uint8_t bit = (c % 2 == 0) ? 0x80 : 0x08;
            if (byte != 0) {
                s.layout.currMap[c / 2] |= bit;
            } else {
                s.layout.currMap[c / 2] &= static_cast<std::uint8_t>(~bit);
            }
            break;
        }
        case kTabCircVisible:
            s.layout.circVisible = byte;
            break;
        case kTabCircLayoutType:
            s.layout.circLayoutType = byte;
            break;
        case kTabCircLayout:
            s.layout.circLayout[c] = byte;
            break;
        case kTabRecepLabel:
            s.layout.recepLabel = byte;
            break;
        case kTabRecepLayout:
            s.layout.recepLayout = byte;
            break;
        case kTabRecepColumns:
            s.layout.recepColumns[c] = byte;
            break;
        case kTabRecepMaxColumns:
            s.layout.recepMaxColumns[c] = byte;
            break;
        case kTabExtModel:
            s.layout.extModel[0] = static_cast<std::uint8_t>(value >> 8);
            s.layout.extModel[1] = byte;
            break;
        case kTabExtIntend:
            s.ext.intend[c] = byte;
            break;
        case kTabExtRecepType:
            s.ext.recepType[c] = byte;
            break;
        case kTabSeriesText:
            widenInto(s.text, text);
            break;
        default:
            return false;
    }
    return true;
}

const AttributeTables::SeriesRecords* AttributeTables::findLocked(SeriesIndex index) const {
    if (index >= kSeriesCount || !present_.test(index))
        return nullptr;
    auto it = series_.find(index);
    return it == series_.end() ? nullptr : it->second.get();
}

std::u16string AttributeTables::textOf(const AttributeText& t) {
    std::size_t n = 0;
    while (n < kTextChars && t[n] != 0)
        ++n;
    return std::u16string(t, n);
}

bool AttributeTables::seriesPresent(SeriesIndex index) const {
    std::shared_lock lock(mutex_);
    return findLocked(index) != nullptr;
}

unsigned AttributeTables::seriesCount() const {
    std::shared_lock lock(mutex_);
    return static_cast<unsigned>(present_.count());
}

std::vector<SeriesIndex> AttributeTables::presentSeries() const {
    std::shared_lock lock(mutex_);
    std::vector<SeriesIndex> out;
    out.reserve(series_.size());
    for (const auto& [idx, rec] : series_)
        out.push_back(idx);
    std::sort(out.begin(), out.end());
    return out;
}

bool AttributeTables::inletPresent(InletIndex index) const {
    std::shared_lock lock(mutex_);
    return index < kInletCount && inletPresent_.test(index);
}

unsigned AttributeTables::inletCount() const {
    std::shared_lock lock(mutex_);
    return static_cast<unsigned>(inletPresent_.count());
}

std::u16string AttributeTables::seriesText(SeriesIndex index) const {
    std::shared_lock lock(mutex_);
    const SeriesRecords* s = findLocked(index);
    return s ? textOf(s->text) : std::u16string();
}

std::u16string AttributeTables::seriesTextByLetters(char second, char first, char third) const {
    if (second == '?')
        return {};
    const char t = (third >= 'A' && third <= 'Z') ? third : '\0';
    const int idx = seriesIndexOfLetters(first, second, t);
    return idx < 0 ? std::u16string() : seriesText(static_cast<SeriesIndex>(idx));
}

std::u16string AttributeTables::inletText(InletIndex index) const {
    if (index >= kInletCount)
        return {};
    std::shared_lock lock(mutex_);
    return textOf(inlets_[index]);
}

std::u16string AttributeTables::inletTextByChars(char inlet, char extension) const {
    const int idx = inletIndexOfChars(inlet, extension);
    return idx < 0 ? std::u16string() : inletText(static_cast<InletIndex>(idx));
}

bool AttributeTables::storedRecords(SeriesIndex index, KvbMapRecord* kvb, LayoutRecord* layout,
                                    ExtRecord* ext) const {
    std::shared_lock lock(mutex_);
    const SeriesRecords* s = findLocked(index);
    if (!s)
        return false;
    if (kvb)
        *kvb = s->kvb;
    if (layout)
        *layout = s->layout;
    if (ext)
        *ext = s->ext;
    return true;
}

bool AttributeTables::kvbMapRecord(const ModelCode& code, KvbMapRecord* out, bool raw) const {
    if (!out)
        return false;
    *out = KvbMapRecord{};
    if (isNoModel(code))
        return false;
    KvbMapRecord stored;
    bool direct = false;
    {
        std::shared_lock lock(mutex_);
        const SeriesRecords* s = findLocked(seriesIndexOf(code));
        if (!s)
            return false;
        stored = s->kvb;
        direct = s->recepIMapDirect;
    }
    *out = stored;
    if (!raw && !codeExtended(code) && !direct) {
        for (unsigned row = 0; row < 6; ++row) {
            for (unsigned j = 0; j < 6; ++j) {
                out->recepIMap[6 * row + j] = packedValue(stored.recepIMap + 6 * row, j);
            }
        }
    }
    return true;
}

bool AttributeTables::layoutRecord(const ModelCode& code, LayoutRecord* out, bool raw) const {
    if (!out)
        return false;
    *out = LayoutRecord{};
    if (isNoModel(code))
        return false;
    LayoutRecord stored;
    if (!storedRecords(seriesIndexOf(code), nullptr, &stored, nullptr))
        return false;
    *out = stored;
    const bool extended = codeExtended(code);
    if (extended || raw) {
        out->extModel[0] =
            static_cast<std::uint8_t>((out->extModel[0] | (code.extension >> 8)) & 0xF0);
    } else {
        out->voltMap[0] &= 0x0F;
        out->voltMap[1] &= 0x0F;
        for (unsigned k = 0; k < 36; ++k)
            out->recepMap[k] = packedValue(stored.recepMap, k);
        out->extModel[0] &= 0xF0;
    }
    if (extended) {
        out->extModel[0] =
            static_cast<std::uint8_t>((out->extModel[0] & 0xF0) | ((code.extension >> 8) & 0x0F));
    }
    return true;
}

bool AttributeTables::extRecord(const ModelCode& code, ExtRecord* out) const {
    if (!out)
        return false;
    *out = ExtRecord{};
    if (isNoModel(code))
        return false;
    return storedRecords(seriesIndexOf(code), nullptr, nullptr, out);
}

std::string AttributeTables::kvbMapText(const ModelCode& code, bool raw) const {
    KvbMapRecord r;
    std::string s;
    if (!kvbMapRecord(code, &r, raw))
        return s;
    appendHex(s, bytesOf(r), sizeof r);
    return s;
}

std::string AttributeTables::layoutText(const ModelCode& code, bool raw) const {
    LayoutRecord r;
    std::string s;
    if (!layoutRecord(code, &r, raw))
        return s;
    appendHex(s, bytesOf(r), sizeof r);
    return s;
}

AttributeTables& Attributes() {
    static AttributeTables tables;
    return tables;
}

}  // namespace quorvel
