// The model dialog's drop-down entries.
#include "dialogs/logic/model_dropdowns.h"

#include <cstdint>

namespace quorvel::dialogs {

namespace {

constexpr int kSeriesCount = 26 * 26 * 26;
constexpr int kInletCount = 64;

constexpr DropDownItem kVoltage[] = {
    {"120 V", 0}, {"208 V", 1}, {"120/120/240 V", 2}, {"208/120 V", 3}};
constexpr DropDownItem kFormFactor[] = {{"Vertical", 2}, {"1U-Horizontal", 0}, {"2U-Horizontal", 1},
                                        {"Wedge", 4},    {"Wedge2U", 6},       {"Dual", 3},
                                        {"Scope", 5}};
constexpr DropDownItem kCurrent[] = {{"10 A", 0}, {"15 A", 1}, {"16 A", 6},
                                     {"20 A", 2}, {"30 A", 3}, {"32 A", 8},
                                     {"40 A", 4}, {"50 A", 5}, {"20/20/30 A", 7}};
constexpr DropDownItem kPhase[] = {{"1 Phase", 0}, {"3 Phase", 1}};
constexpr DropDownItem kDigits[] = {{"0", 0}, {"1", 1}, {"2", 2}, {"3", 3}, {"4", 4},
                                    {"5", 5}, {"6", 6}, {"7", 7}, {"8", 8}};

bool Listed(const char16_t* text) {
    return text[0] != u'\0' && text[0] != u'?';
}

}  // namespace

std::span<const DropDownItem> VoltageItems() {
    return kVoltage;
}
std::span<const DropDownItem> FormFactorItems() {
    return kFormFactor;
}
std::span<const DropDownItem> CurrentItems() {
    return kCurrent;
}
std::span<const DropDownItem> PhaseItems() {
    return kPhase;
}
std::span<const DropDownItem> MeterItems() {
    return std::span<const DropDownItem>(kDigits).first(7);
}
std::span<const DropDownItem> BreakerItems() {
    return std::span<const DropDownItem>(kDigits).first(7);
}
std::span<const DropDownItem> TldItems() {
    return kDigits;
}

std::vector<IndexedItem> SeriesItems(const ModelOps& ops) {
    std::vector<IndexedItem> items;
    if (ops.GetSeriesText == nullptr) {
        return items;
    }
    char16_t text[kAttributeTextChars];
    for (int index = 0; index < kSeriesCount; ++index) {
        text[0] = u'\0';
        const auto i = static_cast<std::uint16_t>(index);
        if (!ops.GetSeriesText(i, 0, 0, 0, text, kAttributeTextChars) || !Listed(text)) {
            continue;
        }
        char first = '?';
        char second = '?';
        char third = 'A';
        if (ops.GetSeriesLetters) {
            second = ops.GetSeriesLetters(i, &first, &third);
        }
        std::u16string entry;
        if (third != 'A') {
            entry += static_cast<char16_t>(third);
        }
        entry += static_cast<char16_t>(first);
        entry += static_cast<char16_t>(second);
        items.push_back({entry + u':' + text, index});
    }
    return items;
}

std::vector<IndexedItem> InletItems(const ModelOps& ops) {
    std::vector<IndexedItem> items;
    if (ops.GetInletText == nullptr) {
        return items;
    }
    char16_t text[kAttributeTextChars];
    for (int index = 0; index < kInletCount; ++index) {
        text[0] = u'\0';
        const auto i = static_cast<std::uint16_t>(index);
        if (!ops.GetInletText(i, 0, 0, text, kAttributeTextChars) || !Listed(text)) {
            continue;
        }
        char inlet = '?';
        char extension = ' ';
        if (ops.GetInletChars) {
            inlet = ops.GetInletChars(static_cast<std::uint8_t>(index), &extension);
        }
        if (inlet == '\0') {
            inlet = '?';
        }
        std::u16string entry;
        if (extension >= 'B') {
            entry += static_cast<char16_t>(extension);
        }
        entry += static_cast<char16_t>(inlet);
        items.push_back({entry + u':' + text, index});
    }
    return items;
}

}  // namespace quorvel::dialogs
