// The lines of the socket type information dialog.
#include "dialogs/logic/socket_type_text.h"

#include <array>
#include <cstdint>
#include <string>

#include "dialogs/logic/model_compose.h"

namespace quorvel::dialogs {

namespace {

constexpr int kDescribeFormFactor = 1;
constexpr int kDescribePhase = 3;
constexpr std::size_t kTextChars = 128;
constexpr int kNumbersPerRow = 16;
constexpr int kReceptacleCodes = 48;
constexpr int kSocketTypes = 13;
constexpr int kCircuits = 6;

// Record offsets.
constexpr std::size_t kMeterAddresses = 2;
constexpr std::size_t kCurrentAddresses = 10;
constexpr std::size_t kPackedMap = 22;
constexpr std::size_t kCircuitNibbles = 38;
constexpr std::size_t kCircuitLayoutType = 42;
constexpr std::size_t kReceptacleLayout = 49;
constexpr std::size_t kExtPhase = 0;
constexpr std::size_t kExtFormFactor = 1;
constexpr std::size_t kExtCodes = 4;

// Receptacle layout bits.
constexpr std::uint8_t kTopDown = 0x1;
constexpr std::uint8_t kFromLeft = 0x2;
constexpr std::uint8_t kLogicalOrder = 0x4;
constexpr std::uint8_t kLeftSideFirst = 0x8;

// Receptacle code bits.
constexpr std::uint8_t kSocketMask = 0x0F;
constexpr std::uint8_t kManaged = 0x80;

const char* const kCircuitNames[kCircuits] = {"First Circuit",  "Second Circuit", "Third Circuit",
                                              "Fourth Circuit", "Fifth Circuit",  "Sixth Circuit"};

std::u16string W(std::string_view text) {
    return std::u16string(text.begin(), text.end());
}

std::u16string N(int value) {
    return W(std::to_string(value));
}

std::u16string TextOf(const char16_t* buffer) {
    return std::u16string(buffer);
}

struct Records {
    std::array<std::uint8_t, kKvbMapRecordBytes> kvb{};
    std::array<std::uint8_t, kLayoutRecordBytes> layout{};
    std::array<std::uint8_t, kExtRecordBytes> ext{};
};

Records FetchRecords(const ModelOps& ops, int seriesIndex) {
    const ModelWords w = SeriesOnlyWords(seriesIndex);
    Records r;
    if (ops.GetKvbMapRecord &&
        !ops.GetKvbMapRecord(w.feature, w.attribute, w.extension, r.kvb.data(), true)) {
        r.kvb.fill(0);
    }
    if (ops.GetLayoutRecord &&
        !ops.GetLayoutRecord(w.feature, w.attribute, w.extension, r.layout.data(), true)) {
        r.layout.fill(0);
    }
    if (ops.GetExtRecord && !ops.GetExtRecord(w.feature, w.attribute, w.extension, r.ext.data())) {
        r.ext.fill(0);
    }
    return r;
}

std::u16string Describe(const ModelOps& ops, const ModelWords& w, int number) {
    char16_t text[kTextChars] = {};
    ops.DescribeField(w.feature, w.attribute, w.extension, number, text, kTextChars);
    return TextOf(text);
}

std::u16string Title(const ModelOps& ops, int seriesIndex) {
    const auto index = static_cast<std::uint16_t>(seriesIndex);
    char first = '?';
    char second = '?';
    if (ops.GetSeriesLetters) {
        second = ops.GetSeriesLetters(index, &first, nullptr);
    }
    char16_t text[kAttributeTextChars] = {};
    if (ops.GetSeriesText && !ops.GetSeriesText(index, 0, 0, 0, text, kAttributeTextChars)) {
        text[0] = u'\0';
    }
    return u"Description for Chassis Type " + std::u16string{char16_t(first), char16_t(second)} +
           u": " + TextOf(text);
}

std::u16string IntendedLine(const ModelOps& ops, const Records& r) {
    std::u16string line = u"Intended for ";
    if (ops.DescribeField) {
        ModelWords phase;
        phase.feature = static_cast<std::uint16_t>((r.ext[kExtPhase] & 3u) << 14);
        ModelWords form;
        form.attribute = r.ext[kExtFormFactor];
        line += Describe(ops, phase, kDescribePhase) + u" and ";
        line += Describe(ops, form, kDescribeFormFactor) + u" form factor";
    }
    return line;
}

std::u16string NumberingLine(const ModelOps& ops, const Records& r) {
    const std::uint8_t layout = r.layout[kReceptacleLayout];
    const bool topDown = layout & kTopDown;
    const bool fromLeft = layout & kFromLeft;
    const std::uint8_t form = r.ext[kExtFormFactor];
    std::u16string how;
    switch (form) {
        case 2:
            how = topDown ? u"Top-Down Ascending" : u"Bottom-Up Ascending";
            break;
        case 3:
            how = topDown ? u"Top-Down Ascending from " : u"Bottom-Up Ascending from ";
            how += fromLeft ? u"Left PDU column" : u"Right PDU column";
            break;
        case 0:
        case 1:
        case 4:
            how = fromLeft ? u"from Left to Right Ascending" : u"from Right to Left Ascending";
            break;
        default: {
            // The layout bits define no wording for the other form factors.
            ModelWords w;
            w.attribute = form;
            const std::u16string name =
                ops.DescribeField ? Describe(ops, w, kDescribeFormFactor) : std::u16string();
            how = name.empty() ? u"not defined for this form factor"
                               : u"not defined for the " + name + u" form factor";
            break;
        }
    }
    return u"Numbering of receptacles are " + how;
}

void ReceptacleLines(const ModelOps& ops, const Records& r, std::vector<std::u16string>& lines) {
    const unsigned managed =
        ops.CountMappedReceptacles ? ops.CountMappedReceptacles(r.kvb.data() + kPackedMap) : 0;
    const unsigned unmanaged =
        ops.CountTypedReceptacles ? ops.CountTypedReceptacles(r.ext.data() + kExtCodes) : 0;
    const int a = static_cast<int>(managed);
    const int b = static_cast<int>(unmanaged);
    if (a != 0 && b != 0) {
        lines.push_back(u"There are " + N(a) + u" managed and " + N(b) + u" unmanaged receptacles");
    } else if (a != 0) {
        lines.push_back(u"All " + N(a) + u" receptacles are managed");
    } else if (b != 0) {
        lines.push_back(u"All " + N(b) + u" receptacles are unmanaged");
    } else {
        lines.push_back(u"There are no receptacles");
    }

    const std::uint8_t* codes = r.ext.data() + kExtCodes;
    if (a != 0 || b != 0) {
        std::array<std::vector<int>, kSocketTypes + 1> byType;
        std::vector<int> managedNumbers;
        std::vector<int> unmanagedNumbers;
        for (int k = 0; k < kReceptacleCodes; ++k) {
            const std::uint8_t code = codes[k];
            const int type = code & kSocketMask;
            if (type >= 1 && type <= kSocketTypes) {
                byType[static_cast<std::size_t>(type)].push_back(k + 1);
            }
            if (code & kManaged) {
                managedNumbers.push_back(k + 1);
            } else if (code != 0) {
                unmanagedNumbers.push_back(k + 1);
            }
        }
        auto nameOf = [&](int type) {
            const char16_t* name = ops.GetSocketTypeName
                                       ? ops.GetSocketTypeName(static_cast<std::uint32_t>(type))
                                       : nullptr;
            return name != nullptr ? std::u16string(name) : std::u16string();
        };
        for (int type = 1; type <= kSocketTypes; ++type) {
            const auto& numbers = byType[static_cast<std::size_t>(type)];
            if (!numbers.empty()) {
                lines.push_back(N(static_cast<int>(numbers.size())) + u" receptacles are " +
                                nameOf(type));
            }
        }
        for (int type = 1; type <= kSocketTypes; ++type) {
            const auto& numbers = byType[static_cast<std::size_t>(type)];
            if (!numbers.empty()) {
                lines.push_back(ReceptacleNumbersLine(nameOf(type), numbers));
            }
        }
        if (!managedNumbers.empty()) {
            lines.push_back(ReceptacleNumbersLine(u"Managed", managedNumbers));
        }
        if (!unmanagedNumbers.empty()) {
            lines.push_back(ReceptacleNumbersLine(u"Unmanaged", unmanagedNumbers));
        }
    }

    for (int circuit = 0; circuit < kCircuits; ++circuit) {
        std::vector<int> numbers;
        for (int k = 0; k < kReceptacleCodes; ++k) {
            if (codes[k] != 0 && ((codes[k] >> 4) & 7) == circuit) {
                numbers.push_back(k + 1);
            }
        }
        if (!numbers.empty()) {
            lines.push_back(ReceptacleNumbersLine(W(kCircuitNames[circuit]), numbers));
        }
    }
}

std::u16string MetersLine(const Records& r) {
    int meters = 0;
    for (std::size_t i = 0; i < kCircuits; ++i) {
        meters += r.kvb[kMeterAddresses + i] != 0 ? 1 : 0;
    }
    if (meters == 0) {
        return u"There are no meters";
    }
    if (meters == 1) {
        return u"There can be up to 1 meter";
    }
    return u"There can be up to " + N(meters) + u" meters";
}

std::u16string CircuitsLine(const ModelOps& ops, const Records& r) {
    int m = 0;
    for (std::size_t i = 0; i < kCircuits; ++i) {
        m += r.kvb[kCurrentAddresses + i] != 0 ? 1 : 0;
    }
    if (m == 0) {
        return u"There are no circuits";
    }
    const std::uint8_t layoutType = r.layout[kCircuitLayoutType];
    std::u16string labels;
    for (int j = 0; j < m; ++j) {
        const std::uint8_t byte = r.layout[kCircuitNibbles + static_cast<std::size_t>(j / 2)];
        const std::uint8_t nibble = (j % 2 == 0) ? byte >> 4 : byte & 0x0F;
        const std::uint32_t labelIndex = nibble & 7u;  // bit 3 selects the voltage
        std::u16string label;
        if (ops.GetCircuitLabel) {
            char16_t word[kTextChars] = {};
            char16_t shortLabel[kTextChars] = {};
            ops.GetCircuitLabel(layoutType, false, labelIndex, word, kTextChars);
            ops.GetCircuitLabel(layoutType, true, labelIndex, shortLabel, kTextChars);
            label = TextOf(word) + TextOf(shortLabel);
        }
        if (j == 0 && label.empty()) {
            labels = u"no circuit labels";
            break;
        }
        if (j > 0) {
            labels += u", ";
        }
        labels += label;
    }
    if (m == 1) {
        return u"There is 1 circuit: " + labels;
    }
    return u"There are " + N(m) + u" circuits: \n" + labels;
}

}  // namespace

std::u16string ReceptacleNumbersLine(std::u16string_view name, const std::vector<int>& numbers) {
    std::u16string line(name);
    line += u" Receptacles: \n";
    int written = 0;
    for (int number : numbers) {
        line += N(number) + u",";
        if (++written % kNumbersPerRow == 0) {
            line += u'\n';
        }
    }
    return line;
}

SocketTypeDescription DescribeSocketType(const ModelOps& ops, int seriesIndex) {
    SocketTypeDescription d;
    d.title = Title(ops, seriesIndex);
    const Records r = FetchRecords(ops, seriesIndex);
    const std::uint8_t layout = r.layout[kReceptacleLayout];
    d.lines.push_back(IntendedLine(ops, r));
    d.lines.push_back(NumberingLine(ops, r));
    d.lines.push_back(u"Receptacles displayed are sorted in " +
                      std::u16string(layout & kLogicalOrder ? u"Logical" : u"Physical") +
                      u" order");
    d.lines.push_back(u"Receptacles displayed have columns filled on the " +
                      std::u16string(layout & kLeftSideFirst ? u"Left" : u"Right") +
                      u" side first");
    ReceptacleLines(ops, r, d.lines);
    d.lines.push_back(MetersLine(r));
    d.lines.push_back(CircuitsLine(ops, r));
    return d;
}

}  // namespace quorvel::dialogs
