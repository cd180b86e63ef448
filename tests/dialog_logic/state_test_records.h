// PDU records for the dialogs' logic tests, built by hand so the tests need no catalogue, and a
// byte writer for the state dialog's status frames.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "common/model_profile.h"

namespace quorvel::dialogs::testing {

inline void SetText(char16_t (&field)[kProfileTextChars], const std::u16string& text) {
    field[text.copy(field, kProfileTextChars - 1)] = 0;
}

// Circuits of `perCircuit` receptacles each, one column each, stacked in column slot 1 and row
// slots 1, 2, 3...: switched, metered, with a sensor, like the fourth-generation unit.
inline PduRecord StackedRecord(int circuits, int perCircuit,
                               std::uint16_t features = kFeatureSwitched |
                                                        kFeatureReceptacleMeters |
                                                        kFeatureEnvironment) {
    PduRecord r{};
    r.featureWord = features;
    r.generationNumber = 4;
    r.circuitCount = static_cast<std::uint8_t>(circuits);
    r.voltageMapLow[0] = 0;
    r.voltageMapLow[1] = 15;
    SetText(r.circuitWord, u"Circuit ");
    for (int k = 0; k < kMaxReceptacles; ++k) {
        r.receptaclePresent[k] = kAbsent;
        r.receptacleInput[k] = kAbsent;
    }
    int row = 0;
    for (int c = 0; c < circuits; ++c) {
        r.receptaclesPerCircuit[c] = static_cast<std::uint8_t>(perCircuit);
        SetText(r.circuitShortLabel[c], std::u16string(1, static_cast<char16_t>(u'X' + c)));
        SetText(r.receptacleWord[c], u"Socket ");
        r.circuitVisible[c] = 1;
        r.circuitLayoutHigh[c] = 1;
        r.circuitLayoutLow[c] = static_cast<std::uint8_t>(c + 1);
        r.receptacleColumns[c] = 1;
        r.receptacleMaxColumns[c] = static_cast<std::uint8_t>(perCircuit);
        for (int n = 0; n < perCircuit && row < kMaxReceptacles; ++n, ++row) {
            r.receptaclePresent[row] = static_cast<std::uint8_t>(row);
            r.receptacleInput[row] = static_cast<std::uint8_t>(c);
            const std::string label = std::to_string(row + 1);
            SetText(r.receptacleLabel[row], std::u16string(label.begin(), label.end()));
        }
    }
    r.receptacleTotal = static_cast<std::uint8_t>(row);
    return r;
}

// Big-endian status frame bytes.
struct FrameBytes {
    std::vector<std::uint8_t> v{0xAA, 0x55};
    FrameBytes& b(unsigned x) {
        v.push_back(static_cast<std::uint8_t>(x));
        return *this;
    }
    FrameBytes& w(unsigned x) { return b(x >> 8 & 0xFF).b(x & 0xFF); }
    FrameBytes& words(std::initializer_list<unsigned> values) {
        b(static_cast<unsigned>(values.size()));
        for (unsigned x : values) {
            w(x);
        }
        return *this;
    }
    FrameBytes& bytes(std::initializer_list<unsigned> values) {
        b(static_cast<unsigned>(values.size()));
        for (unsigned x : values) {
            b(x);
        }
        return *this;
    }
};

}  // namespace quorvel::dialogs::testing
