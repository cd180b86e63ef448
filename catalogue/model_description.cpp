// Field texts of a model code, circuit and receptacle labels and socket type names.
#include "catalogue/model_description.h"

#include <cstdio>

namespace quorvel {

const char16_t* const CircuitLabelTable[kCircuitLabelRows][kLabelColumns] = {
    {u"", u"", u"", u"", u"", u""},
    {u"1", u"2", u"3", u"4", u"5", u"6"},
    {u"A", u"B", u"C", u"D", u"E", u"F"},
    {u"X", u"Y", u"Z", u"N", u"G", u"W"},
    {u"XY", u"YZ", u"ZX", u"UV", u"VW", u"WU"},
    {u"X1", u"Y1", u"Z1", u"X2", u"Y2", u"Z2"},
    {u"XY1", u"YZ1", u"ZX1", u"XY2", u"YZ2", u"ZX2"},
    {u"X", u"Y", u"Z", u"G", u"N", u"W"},
};

const char16_t* const ReceptaclePrefixTable[kReceptaclePrefixRows][kLabelColumns] = {
    {u"", u"", u"", u"", u"", u""},
    {u"A", u"B", u"C", u"D", u"E", u"F"},
    {u"X", u"Y", u"Z", u"N", u"G", u"W"},
    {u"XY", u"YZ", u"ZX", u"UV", u"VW", u"WU"},
    {u"Socket ", u"Socket ", u"Socket ", u"Socket ", u"Socket ", u"Socket "},
    {u"Receptacle ", u"Receptacle ", u"Receptacle ", u"Receptacle ", u"Receptacle ",
     u"Receptacle "},
    {u"Port ", u"Port ", u"Port ", u"Port ", u"Port ", u"Port "},
    {u"Recep", u"Recep", u"Recep", u"Recep", u"Recep", u"Recep"},
    {u"X", u"Y", u"Z", u"G", u"N", u"W"},
};

namespace {

constexpr const char16_t* kInvalid = u"Invalid";

constexpr const char16_t* kFormFactorText[8] = {
    u"1U-Horizontal", u"2U-Horizontal", u"Vertical", u"Dual",
    u"Wedge",         u"Scope",         u"Wedge2U",  u"Invalid",
};
constexpr const char16_t* kVoltageText[4] = {u"120 V", u"208 V", u"120/120/240 V", u"208/120 V"};
constexpr const char16_t* kPhaseText[2] = {u"1 Phase", u"3 Phase"};
constexpr const char16_t* kCurrentText[9] = {
    u"10 A", u"15 A", u"20 A", u"30 A", u"40 A", u"50 A", u"16 A", u"20/20/30 A", u"32 A",
};
constexpr const char16_t* kSocketTypeText[14] = {
    u"",
    u"IEC C13",
    u"IEC C19",
    u"NEMA 5-15R",
    u"NEMA 5-20R",
    u"NEMA L5-15R",
    u"NEMA L5-20R",
    u"NEMA L5-30R",
    u"NEMA 6-20R",
    u"NEMA L6-15R",
    u"NEMA L6-16R",
    u"NEMA L6-20R",
    u"NEMA L6-30R",
    u"SCHUKO",
};

// Copies `text` into `out`, cut to `capacity` characters including the terminator.
std::size_t copyText(const char16_t* text, std::size_t length, char16_t* out,
                     std::size_t capacity) {
    if (!out || capacity == 0)
        return 0;
    const std::size_t n = length < capacity - 1 ? length : capacity - 1;
    for (std::size_t i = 0; i < n; ++i)
        out[i] = text[i];
    out[n] = u'\0';
    return n;
}

std::size_t copyText(const char16_t* text, char16_t* out, std::size_t capacity) {
    return copyText(text, std::char_traits<char16_t>::length(text), out, capacity);
}

std::size_t copyNumber(unsigned value, char16_t* out, std::size_t capacity) {
    char digits[16];
    const int n = std::snprintf(digits, sizeof digits, "%d", static_cast<int>(value));
    char16_t wide[16];
    for (int i = 0; i < n; ++i)
        wide[i] = static_cast<char16_t>(digits[i]);
    return copyText(wide, n > 0 ? static_cast<std::size_t>(n) : 0, out, capacity);
}

std::u16string toString(const char16_t* buffer, std::size_t length) {
    return std::u16string(buffer, length);
}

}  // namespace

std::size_t DescribeModelField(std::uint16_t feature, std::uint32_t attribute,
                               std::uint16_t extension, int description, char16_t* out,
                               std::size_t capacity, const AttributeTables& tables) {
    const ModelCode code{feature, attribute, extension};
    if (isNoModel(code))
        return copyText(u"", out, capacity);

    switch (static_cast<ModelDescriptionField>(description)) {
        case ModelDescriptionField::Prefix:
            return copyText(u"Prefix", out, capacity);
        case ModelDescriptionField::FormFactor:
            return copyText(kFormFactorText[formFactorCode(code)], out, capacity);
        case ModelDescriptionField::Voltage: {
            const unsigned v = voltageCode(code);
            return copyText(v < 4 ? kVoltageText[v] : kInvalid, out, capacity);
        }
        case ModelDescriptionField::Phase: {
            const unsigned p = phaseCode(code);
            return copyText(p < 2 ? kPhaseText[p] : kInvalid, out, capacity);
        }
        case ModelDescriptionField::Breakers:
            return copyNumber(breakerCount(code), out, capacity);
        case ModelDescriptionField::Current: {
            const unsigned c = currentCode(code);
            return copyText(c < 9 ? kCurrentText[c] : kInvalid, out, capacity);
        }
        case ModelDescriptionField::Meters:
            return copyNumber(meterCount(code), out, capacity);
        case ModelDescriptionField::Features:
            return copyText(u"???", out, capacity);
        case ModelDescriptionField::Sensors: {
            unsigned sensors = 0;
            if (feature & kFeatEnvSensor)
                sensors = (extension & kExtSecondSensor) ? 3 : 1;
            return copyNumber(sensors, out, capacity);
        }
        case ModelDescriptionField::Series: {
            const std::u16string text = tables.seriesText(seriesIndexOf(code));
            return copyText(text.data(), text.size(), out, capacity);
        }
        case ModelDescriptionField::Inlet: {
            // The inlet character only: the extension bit 17 does not take part.
            const std::u16string text = tables.inletText(inletIndexOf(code) & 0x1F);
            return copyText(text.data(), text.size(), out, capacity);
        }
        case ModelDescriptionField::TldCount:
            return copyNumber(tldCount(code), out, capacity);
        case ModelDescriptionField::InletExt:
            return copyText(u"RtypeExt", out, capacity);
    }
    return copyText(kInvalid, out, capacity);
}

std::u16string DescribeModelField(const ModelCode& code, int description,
                                  const AttributeTables& tables) {
    char16_t buffer[kTextChars];
    const std::size_t n = DescribeModelField(code.feature, code.attribute, code.extension,
                                             description, buffer, kTextChars, tables);
    return toString(buffer, n);
}

std::size_t CircuitLabel(std::uint8_t layoutType, bool shortLabel, unsigned labelIndex,
                         char16_t* out, std::size_t capacity) {
    if (!shortLabel) {
        const unsigned word = layoutType >> 4;
        return copyText(word == 1 ? u"Circuit " : word == 2 ? u"Branch " : u"", out, capacity);
    }
    const unsigned row = layoutType & 0x0F;
    if (row >= kCircuitLabelRows || labelIndex >= kLabelColumns)
        return copyText(u"", out, capacity);
    return copyText(CircuitLabelTable[row][labelIndex], out, capacity);
}

std::u16string CircuitLabel(std::uint8_t layoutType, bool shortLabel, unsigned labelIndex) {
    char16_t buffer[kTextChars];
    return toString(buffer, CircuitLabel(layoutType, shortLabel, labelIndex, buffer, kTextChars));
}

std::size_t ReceptacleLabel(std::uint8_t labelStyle, bool shortLabel, unsigned labelIndex,
                            unsigned number, char16_t* out, std::size_t capacity) {
    if (shortLabel) {
        switch (labelStyle & 0x0F) {
            case 1:
                return copyNumber(number, out, capacity);
            case 2: {
                // A character code, as an 8-bit character would be; code 0 ends the text.
                const auto letter = static_cast<char16_t>((number + 64) & 0xFF);
                return copyText(&letter, letter != 0 ? 1 : 0, out, capacity);
            }
            default:
                return copyText(u"", out, capacity);
        }
    }
    const unsigned row = labelStyle >> 4;
    if (row < kReceptaclePrefixRows) {
        if (labelIndex >= kLabelColumns)
            return copyText(u"", out, capacity);
        return copyText(ReceptaclePrefixTable[row][labelIndex], out, capacity);
    }
    // Word styles past the table read it as one list, row after row, at the label index.
    constexpr unsigned kFlatEntries = kReceptaclePrefixRows * kLabelColumns;
    if (labelIndex >= kFlatEntries)
        return copyText(u"", out, capacity);
    return copyText(ReceptaclePrefixTable[labelIndex / kLabelColumns][labelIndex % kLabelColumns],
                    out, capacity);
}

std::u16string ReceptacleLabel(std::uint8_t labelStyle, bool shortLabel, unsigned labelIndex,
                               unsigned number) {
    char16_t buffer[kTextChars];
    return toString(
        buffer, ReceptacleLabel(labelStyle, shortLabel, labelIndex, number, buffer, kTextChars));
}

const char16_t* SocketTypeName(unsigned code) {
    return code < 14 ? kSocketTypeText[code] : u"";
}

unsigned CountTypedReceptacles(const std::uint8_t* codes36) {
    if (!codes36)
        return 0;
    unsigned n = 0;
    for (unsigned k = 0; k < 36; ++k) {
        if (codes36[k] >= 1 && codes36[k] <= 127)
            ++n;
    }
    return n;
}

}  // namespace quorvel
