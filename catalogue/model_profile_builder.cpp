// Building a ModelProfile from a model code and the stored attribute records of its series.
#include "catalogue/model_profile_builder.h"

#include <algorithm>
#include <bit>

#include "catalogue/model_description.h"

namespace quorvel {
namespace {

constexpr std::uint8_t kValueBits = 0x3F;  // a map value names six receptacles

constexpr std::uint8_t kCurrentRating[9] = {10, 15, 20, 30, 40, 50, 16, 223, 32};

std::uint8_t saturate(unsigned n) {
    return static_cast<std::uint8_t>(std::min(n, 255u));
}

// Nibble of circuit j in a run of bytes holding circuit 2n high and 2n+1 low.
std::uint8_t circuitNibble(const std::uint8_t* bytes, unsigned j) {
    const std::uint8_t b = bytes[j / 2];
    return static_cast<std::uint8_t>(j % 2 == 0 ? b >> 4 : b & 0x0F);
}

}  // namespace

ReceptacleInputMap::ReceptacleInputMap(const KvbMapRecord& kvb, const LayoutRecord& layout)
    // An extended series (its stored extension model high byte above 0x0F) keeps the map direct.
    : map_(kvb.recepIMap), direct_(layout.extModel[0] > 0x0F) {}

std::uint8_t ReceptacleInputMap::value(unsigned row, unsigned column) const {
    if (row >= 6 || column >= columns())
        return 0;
    const std::uint8_t* r = map_ + 6 * row;
    return direct_ ? static_cast<std::uint8_t>(r[column] & kValueBits) : packedValue(r, column);
}

unsigned ReceptacleInputMap::usedColumns() const {
    unsigned used = 0;
    for (unsigned m = 0; m < columns(); ++m) {
        for (unsigned l = 0; l < 6; ++l) {
            if (value(l, m) != 0) {
                ++used;
                break;
            }
        }
    }
    return used;
}

unsigned ReceptacleInputMap::rowBits(unsigned row) const {
    unsigned n = 0;
    for (unsigned m = 0; m < columns(); ++m)
        n += static_cast<unsigned>(std::popcount(value(row, m)));
    return n;
}

unsigned ReceptacleInputMap::totalBits() const {
    unsigned n = 0;
    for (unsigned l = 0; l < 6; ++l)
        n += rowBits(l);
    return n;
}

bool BuildModelProfile(std::uint16_t feature, std::uint32_t attribute, std::uint16_t extension,
                       ModelProfile* out, const AttributeTables& tables) {
    if (!out)
        return false;
    ModelProfile& p = *out;
    p = ModelProfile{};
    const ModelCode code{feature, attribute, extension};
    if (isNoModel(code))
        return false;
    p.featureWord = feature;
    p.attributeWord = attribute;
    p.extensionWord = extension;

    // The records as stored: the maps keep the form the series stores them in, and the packed
    // maps keep all eight values of each row.
    KvbMapRecord kvb{};
    LayoutRecord layout{};
    ExtRecord ext{};
    if (!tables.storedRecords(seriesIndexOf(code), &kvb, &layout, &ext))
        return false;

    bool valid = true;
    unsigned groups = tldCount(code);
    unsigned mapped = groups * 6;

    switch (phaseCode(code)) {
        case 0:
            p.phaseCount = 1;
            break;
        case 1:
            p.phaseCount = 3;
            break;
        default:
            valid = false;
    }
    const unsigned volts = voltageCode(code);
    if (volts < 4) {
        p.nominalVoltage = volts == 0 ? 120 : 208;
    } else {
        valid = false;
    }
    const unsigned amps = currentCode(code);
    if (amps < 9) {
        p.currentRating = kCurrentRating[amps];
    } else {
        valid = false;
    }
    if (meterCount(code) <= 6) {
        p.meterCount = static_cast<std::uint8_t>(meterCount(code));
    } else {
        valid = false;
    }
    if (breakerCount(code) <= 6) {
        p.breakerCount = static_cast<std::uint8_t>(breakerCount(code));
    } else {
        valid = false;
    }

    // Groups and mapped receptacles as the current-input map says, where it says anything.
    const ReceptacleInputMap inputs(kvb, layout);
    if (const unsigned used = inputs.usedColumns(); used != 0)
        groups = used;
    if (const unsigned bits = inputs.totalBits(); bits != 0)
        mapped = bits;
    if (mapped == 0)
        mapped = groups * 6;
    p.receptacleGroups = saturate(groups);
    p.mappedReceptacles = saturate(mapped);
    p.receptacleTotal = saturate(mapped + CountTypedReceptacles(ext.recepType));

    unsigned circuits = 0;
    for (std::uint8_t a : kvb.iAddMap)
        circuits += a != 0 ? 1 : 0;
    p.circuitCount = circuits != 0 ? static_cast<std::uint8_t>(circuits) : p.breakerCount;

    for (unsigned l = 0; l < kMaxCircuits; ++l)
        p.receptaclesPerCircuit[l] = static_cast<std::uint8_t>(inputs.rowBits(l));
    for (unsigned k = 0; k < kMaxReceptacles; ++k)
        p.receptacleMap[k] = packedValue(layout.recepMap, k);

    for (unsigned j = 0; j < kMaxCircuits; ++j) {
        p.circuitVisible[j] = static_cast<std::uint8_t>((layout.circVisible >> j) & 1u);
        p.circuitLayoutHigh[j] = static_cast<std::uint8_t>(layout.circLayout[j] >> 4);
        p.circuitLayoutLow[j] = static_cast<std::uint8_t>(layout.circLayout[j] & 0x0F);
        p.receptacleMaxColumns[j] = layout.recepMaxColumns[j];
        p.receptacleColumns[j] = circuitNibble(layout.recepColumns, j);
        const std::uint8_t nibble = circuitNibble(layout.currMap, j);
        p.circuitLabelIndex[j] = nibble & 0x07;
        p.circuitSelectsVoltage[j] = (nibble >> 3) & 1u;
    }

    p.receptacleLayout = layout.recepLayout;
    p.circuitLayoutType = layout.circLayoutType;
    p.receptacleLabelStyle = layout.recepLabel;
    for (unsigned i = 0; i < 2; ++i) {
        p.voltageMapLow[i] = layout.voltMap[i] & 0x0F;
        p.voltageMapHigh[i] = static_cast<std::uint8_t>(layout.voltMap[i] >> 4);
    }

    CircuitLabel(p.circuitLayoutType, false, 0, p.circuitWord, kProfileTextChars);
    for (unsigned j = 0; j < kMaxCircuits; ++j) {
        const unsigned t = p.circuitLabelIndex[j];
        if (t > 5)
            continue;  // both labels stay empty
        CircuitLabel(p.circuitLayoutType, true, t, p.circuitShortLabel[j], kProfileTextChars);
        ReceptacleLabel(p.receptacleLabelStyle, false, t, 0, p.receptacleWord[j],
                        kProfileTextChars);
    }
    for (unsigned k = 0; k < kMaxReceptacles; ++k) {
        ReceptacleLabel(p.receptacleLabelStyle, true, 0, p.receptacleMap[k], p.receptacleLabel[k],
                        kProfileTextChars);
    }

    std::copy(std::begin(ext.recepType), std::end(ext.recepType), std::begin(p.receptacleType));

    std::fill(std::begin(p.receptaclePresent), std::end(p.receptaclePresent), kAbsent);
    std::fill(std::begin(p.receptacleInput), std::end(p.receptacleInput), kAbsent);
    if (p.mappedReceptacles != 0) {
        for (unsigned k = 0; k < kMaxReceptacles; ++k) {
            if (p.receptacleMap[k] != 0)
                p.receptaclePresent[k] = static_cast<std::uint8_t>(k);
        }
        for (unsigned l = 0; l < 6; ++l) {
            for (unsigned m = 0; m < inputs.columns(); ++m) {
                const std::uint8_t v = inputs.value(l, m);
                for (unsigned u = 0; u < 6; ++u) {
                    if ((v >> u) & 1u)
                        p.receptacleInput[6 * m + u] = static_cast<std::uint8_t>(l);
                }
            }
        }
    }
    return valid;
}

}  // namespace quorvel
