#include "link/calibration_channels.h"

#include <algorithm>
#include <cstdio>
#include <utility>

#include "link/pdu_ifce.h"

namespace quorvel {

namespace {

constexpr std::uint32_t kFormFactorMask = 0x7;
constexpr std::uint32_t kFormWedge = 4;
constexpr std::uint32_t kFormWedge2U = 6;

std::u16string Text(const ProfileText& text) {
    std::u16string s;
    for (char16_t c : text) {
        if (c == 0) {
            break;
        }
        s.push_back(c);
    }
    return s;
}

std::u16string Ascii(const char* text) {
    std::u16string s;
    while (*text != '\0') {
        s.push_back(static_cast<unsigned char>(*text++));
    }
    return s;
}

std::uint32_t Item(int high, int low) {
    return static_cast<std::uint32_t>(high) << 8 | static_cast<std::uint32_t>(low);
}

// The circuit a voltage input belongs to: the low nibbles of the voltage map for inputs 0 and 1,
// the high nibbles for inputs 2 and 3.
int VoltageInputCircuit(const PduRecord& record, int input) {
    const std::uint8_t nibble =
        input < 2 ? record.voltageMapLow[input] : record.voltageMapHigh[input - 2];
    return nibble & 0x0F;
}

std::u16string CircuitName(const PduRecord& record, int circuit) {
    std::u16string name = Text(record.circuitWord);
    if (circuit >= 0 && circuit < kMaxCircuits) {
        name += Text(record.circuitShortLabel[circuit]);
    }
    return name;
}

// Receptacles measured on each first-generation circuit, at most 12 per circuit and 26 in all:
// as the record counts them per current input, else the metered receptacles spread evenly.
std::vector<int> FirstGenSockets(const PduRecord& record, int circuits) {
    std::vector<int> counts(static_cast<std::size_t>(circuits), 0);
    int total = 0;
    for (int c = 0; c < circuits; ++c) {
        counts[c] = std::min<int>(record.receptaclesPerCircuit[c], kFirstGenChannelsPerCircuit);
        total += counts[c];
    }
    if (total == 0) {
        const int mapped = std::min<int>(record.mappedReceptacles, kFirstGenMaxSockets);
        for (int c = 0; c < circuits; ++c) {
            counts[c] = std::min(kFirstGenChannelsPerCircuit,
                                 mapped / circuits + (c < mapped % circuits ? 1 : 0));
        }
    }
    total = 0;
    for (int& n : counts) {
        n = std::min(n, kFirstGenMaxSockets - total);
        total += n;
    }
    return counts;
}

// A later-generation channel is offered only when the console has a keyword for its row: the
// current rows end at circuit D and the voltage rows at input C, so circuits E and F and the
// fourth voltage input can be measured but never calibrated.
bool Writable(bool voltage, int row) {
    return PDUIfce::CalibrationKeyword(voltage, row, 0) != nullptr;
}

}  // namespace

int CalibrationGeneration(const char16_t* text) {
    if (text == nullptr || text[0] != u'V' || text[1] == 0 || text[2] != 0) {
        return 1;
    }
    switch (text[1]) {
        case u'4':
            return 4;
        case u'3':
            return 3;
        case u'2':
            return 2;
        default:
            return 1;
    }
}

int VoltageInputCount(int generation, std::uint16_t extensionWord) {
    return generation > 2 && extensionWord >= kExtendedExtension ? 4 : 2;
}

bool IsVoltageChannel(int generation, std::uint16_t featureWord, std::uint8_t kind,
                      std::uint8_t index) {
    if (!(featureWord & kFeatureVoltageInputs)) {
        return false;
    }
    return generation <= 1 ? index == kFirstGenVoltageChannel : kind == kChannelVoltage;
}

std::u16string ReceptacleChannelLabel(const PduRecord& record, int k) {
    if (k < 0 || k >= kMaxReceptacles) {
        return {};
    }
    const int input = record.receptacleInput[k];
    std::u16string label = input < kMaxCircuits ? Text(record.receptacleWord[input]) : u"";
    const int map = record.receptacleMap[k];
    switch (record.receptacleLabelStyle & 0x0F) {
        case 1: {
            char number[8];
            std::snprintf(number, sizeof number, "%d", map);
            label += Ascii(number);
            break;
        }
        case 2:
            label.push_back(static_cast<char16_t>(map + 64));
            break;
        default:
            break;
    }
    return label;
}

bool ReversedCircuitFamily(const PduRecord& record) {
    const std::uint32_t form = record.attributeWord & kFormFactorMask;
    return record.phaseCount == 3 && (form == kFormWedge || form == kFormWedge2U);
}

std::vector<CalibrationChannel> LaterGenerationChannels(const PduRecord& record, int generation) {
    std::vector<CalibrationChannel> list;
    if (record.featureWord & kFeatureVoltageInputs) {
        const int inputs = VoltageInputCount(generation, record.extensionWord);
        std::vector<std::pair<int, int>> byCircuit;  // (circuit, input)
        for (int i = 0; i < inputs; ++i) {
            if (Writable(true, i)) {
                byCircuit.emplace_back(VoltageInputCircuit(record, i), i);
            }
        }
        std::stable_sort(byCircuit.begin(), byCircuit.end(),
                         [](const auto& a, const auto& b) { return a.first < b.first; });
        for (const auto& [circuit, input] : byCircuit) {
            list.push_back(
                {Item(kChannelVoltage, input), CircuitName(record, circuit) + u" Voltage"});
        }
    }
    if (record.circuitCount != 0) {
        for (int j = 0; j < kMaxCircuits; ++j) {
            if (record.circuitVisible[j] && Writable(false, j)) {
                list.push_back({Item(kChannelCircuit, j), CircuitName(record, j)});
            }
        }
    }
    if (record.featureWord & kFeatureReceptacleMeters) {
        for (int k = 0; k < kMaxReceptacles; ++k) {
            if (record.receptaclePresent[k] != kAbsent) {
                list.push_back({Item(kChannelReceptacle, record.receptaclePresent[k] + 1),
                                ReceptacleChannelLabel(record, k)});
            }
        }
    }
    return list;
}

std::vector<CalibrationChannel> FirstGenerationChannels(const PduRecord& record) {
    const bool threePhase = record.phaseCount == 3;
    const int maxCircuits = threePhase ? 3 : 2;
    const int circuits = std::clamp<int>(record.circuitCount, 1, maxCircuits);
    const std::u16string word = Text(record.circuitWord);

    // Three-phase units name their circuits by the phase pair, with "Branch " or alone; the
    // others by letter, with "Circuit " when the series says so, else "Branch ".
    std::vector<std::u16string> names;
    if (threePhase) {
        const std::u16string prefix = word.empty() ? u"" : u"Branch ";
        names = {prefix + u"XY", prefix + u"YZ", prefix + u"ZX"};
        if (ReversedCircuitFamily(record)) {
            std::swap(names[0], names[2]);
        }
    } else {
        const std::u16string prefix = word == u"Circuit " ? u"Circuit " : u"Branch ";
        names = {prefix + u"A", prefix + u"B"};
    }

    std::vector<CalibrationChannel> list;
    if (record.featureWord & kFeatureVoltageInputs) {
        const char16_t* voltages[3] = {u"Branch A Voltage", u"Branch B Voltage", nullptr};
        const char16_t* threePhaseVoltages[3] = {u"Branch XY Voltage", u"Branch YZ Voltage",
                                                 u"Branch ZX Voltage"};
        for (int c = 0; c < maxCircuits; ++c) {
            const char16_t* name = threePhase ? threePhaseVoltages[c] : voltages[c];
            list.push_back({Item(c, kFirstGenVoltageChannel), name});
        }
    }
    for (int c = 0; c < circuits; ++c) {
        list.push_back({Item(c, 0), names[c]});
    }
    if (record.featureWord & kFeatureReceptacleMeters) {
        const std::vector<int> sockets = FirstGenSockets(record, circuits);
        int number = 0;
        for (int n : sockets) {
            number += n;
        }
        for (int c = 0; c < circuits; ++c) {
            for (int channel = 1; channel <= sockets[c]; ++channel) {
                char name[16];
                std::snprintf(name, sizeof name, "Socket %d", number--);
                list.push_back({Item(c, channel), Ascii(name)});
            }
        }
    }
    return list;
}

std::vector<CalibrationChannel> CalibrationChannels(const PduRecord& record, int generation) {
    return generation <= 1 ? FirstGenerationChannels(record)
                           : LaterGenerationChannels(record, generation);
}

}  // namespace quorvel
