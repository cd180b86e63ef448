// A ModelOps over made-up series records for the dialogs' logic tests: the lookups behave as
// the catalogue's do, over one series whose records the test writes into FakeCatalogue().
#pragma once

#include <algorithm>
#include <array>
#include <bit>
#include <cstdint>
#include <cstring>
#include <map>
#include <numeric>
#include <string>

#include "common/model_ops.h"
#include "dialogs/logic/model_compose.h"

namespace quorvel::dialogs::testing {

struct FakeSeries {
    std::u16string text;
    std::array<std::uint8_t, kKvbMapRecordBytes> kvb{};
    std::array<std::uint8_t, kLayoutRecordBytes> layout{};
    std::array<std::uint8_t, kExtRecordBytes> ext{};
};

struct FakeCatalogueState {
    std::map<int, FakeSeries> series;
    std::map<int, std::u16string> inlets;
    int lastRecordSeries = -1;  // series index of the last record lookup
    bool lastRaw = false;       // its raw flag
};

inline FakeCatalogueState& FakeCatalogue() {
    static FakeCatalogueState state;
    return state;
}

inline void CopyOut(const std::u16string& text, char16_t* out, std::size_t capacity) {
    const std::size_t n = std::min(text.size(), capacity - 1);
    std::copy_n(text.begin(), n, out);
    out[n] = u'\0';
}

// First series letter in the rotated alphabet: "P".."Z" for 0..10, "A".."O" for 11..25.
inline char RotatedLetter(int value) {
    return value <= 10 ? static_cast<char>('P' + value) : static_cast<char>('A' + value - 11);
}

inline const FakeSeries* Lookup(std::uint16_t f, std::uint32_t a, std::uint16_t e, bool raw) {
    const int index = SeriesIndexOfWords(ModelWords{f, a, e});
    FakeCatalogue().lastRecordSeries = index;
    FakeCatalogue().lastRaw = raw;
    auto it = FakeCatalogue().series.find(index);
    return it == FakeCatalogue().series.end() ? nullptr : &it->second;
}

template <std::size_t N>
bool CopyRecord(const FakeSeries* s, const std::array<std::uint8_t, N> FakeSeries::*record,
                std::uint8_t* out) {
    std::memset(out, 0, N);
    if (s == nullptr) {
        return false;
    }
    std::memcpy(out, (s->*record).data(), N);
    return true;
}

inline ModelOps FakeModelOps() {
    ModelOps ops;
    ops.GetSeriesText = [](std::uint16_t index, char, char, char, char16_t* out,
                           std::size_t capacity) {
        auto it = FakeCatalogue().series.find(index);
        CopyOut(it == FakeCatalogue().series.end() ? u"" : it->second.text, out, capacity);
        return out[0] != u'\0';
    };
    ops.GetSeriesLetters = [](std::uint16_t index, char* first, char* third) {
        if (first != nullptr) {
            *first = RotatedLetter(index / 26 % 26);
        }
        if (third != nullptr) {
            *third = static_cast<char>('A' + index / 676);
        }
        return static_cast<char>('A' + index % 26);
    };
    ops.GetInletText = [](std::uint16_t index, char, char, char16_t* out, std::size_t capacity) {
        auto it = FakeCatalogue().inlets.find(index);
        CopyOut(it == FakeCatalogue().inlets.end() ? u"" : it->second, out, capacity);
        return out[0] != u'\0';
    };
    ops.GetInletChars = [](std::uint8_t index, char* extension) {
        if (extension != nullptr) {
            *extension = (index & 32) ? 'B' : ' ';
        }
        const int i = index & 31;
        return i < 26 ? static_cast<char>('A' + i) : static_cast<char>('1' + i - 26);
    };
    ops.GetKvbMapRecord = [](std::uint16_t f, std::uint32_t a, std::uint16_t e, std::uint8_t* out,
                             bool raw) {
        return CopyRecord(Lookup(f, a, e, raw), &FakeSeries::kvb, out);
    };
    ops.GetLayoutRecord = [](std::uint16_t f, std::uint32_t a, std::uint16_t e, std::uint8_t* out,
                             bool raw) {
        return CopyRecord(Lookup(f, a, e, raw), &FakeSeries::layout, out);
    };
    ops.GetExtRecord = [](std::uint16_t f, std::uint32_t a, std::uint16_t e, std::uint8_t* out) {
        return CopyRecord(Lookup(f, a, e, true), &FakeSeries::ext, out);
    };
    ops.DescribeField = [](std::uint16_t f, std::uint32_t a, std::uint16_t, std::int32_t number,
                           char16_t* out, std::size_t capacity) {
        static const char16_t* const kForms[] = {u"1U-Horizontal", u"2U-Horizontal", u"Vertical",
                                                 u"Dual",          u"Wedge",         u"Scope",
                                                 u"Wedge2U",       u"Invalid"};
        static const char16_t* const kPhases[] = {u"1 Phase", u"3 Phase", u"Invalid", u"Invalid"};
        const char16_t* text = number == 1   ? kForms[a & 7]
                               : number == 3 ? kPhases[f >> 14]
                                             : u"Invalid";
        CopyOut(text, out, capacity);
    };
    ops.GetCircuitLabel = [](std::uint8_t layoutType, bool shortLabel, std::uint32_t labelIndex,
                             char16_t* out, std::size_t capacity) {
        static const char16_t* const kShort[] = {u"A", u"B", u"C", u"D", u"E", u"F"};
        std::u16string text;
        if (shortLabel) {
            text = (layoutType & 0x0F) == 2 && labelIndex < 6 ? kShort[labelIndex] : u"";
        } else {
            text = (layoutType >> 4) == 1 ? u"Circuit " : u"";
        }
        CopyOut(text, out, capacity);
    };
    ops.GetSocketTypeName = [](std::uint32_t code) -> const char16_t* {
        static const char16_t* const kNames[] = {u"",           u"IEC C13",    u"IEC C19",
                                                 u"NEMA 5-15R", u"NEMA 5-20R", u"NEMA L5-15R"};
        return code < 6 ? kNames[code] : u"";
    };
    ops.CountMappedReceptacles = [](const std::uint8_t* map) {
        return std::accumulate(map, map + 36, 0u, [](std::uint32_t n, std::uint8_t byte) {
            return n + static_cast<std::uint32_t>(std::popcount(byte));
        });
    };
    ops.CountTypedReceptacles = [](const std::uint8_t* codes) {
        return static_cast<std::uint32_t>(
            std::count_if(codes, codes + 36, [](std::uint8_t c) { return c >= 1 && c <= 127; }));
    };
    return ops;
}

}  // namespace quorvel::dialogs::testing
