// The measuring channels a calibration can address: the list the calibration dialog offers for
// a PDU record (later generations from the record's circuits and receptacles, first-generation
// units from fixed rules), and what each entry's item value means.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "common/model_profile.h"

namespace quorvel {

// Later generations: item value = kind * 256 + index.
constexpr std::uint8_t kChannelVoltage = 1;     // index: voltage input 0..3
constexpr std::uint8_t kChannelCircuit = 2;     // index: circuit 0..5
constexpr std::uint8_t kChannelReceptacle = 3;  // index: receptacle number + 1
// First generation: item value = circuit * 256 + channel; channel 0 is the circuit's total
// current, 1..12 one receptacle current, 0x0F the circuit's voltage.
constexpr std::uint8_t kFirstGenVoltageChannel = 0x0F;
constexpr int kFirstGenMaxSockets = 26;
constexpr int kFirstGenChannelsPerCircuit = 12;

struct CalibrationChannel {
    std::uint32_t item = 0;
    std::u16string name;

    std::uint8_t kind() const { return static_cast<std::uint8_t>(item >> 8); }
    std::uint8_t index() const { return static_cast<std::uint8_t>(item & 0xFF); }
};

// The generation number of a generation text: "V4" 4, "V3" 3, "V2" 2, anything else 1.
int CalibrationGeneration(const char16_t* generationText);

// Voltage inputs of a unit: 4 above generation 2 with the large sets, else 2.
int VoltageInputCount(int generation, std::uint16_t extensionWord);

// True when (kind, index) names a voltage channel of a unit with voltage inputs: kind 1 from
// generation 2 on, channel 0x0F on first-generation units. Without feature bit 0x20 no channel
// is a voltage channel.
bool IsVoltageChannel(int generation, std::uint16_t featureWord, std::uint8_t kind,
                      std::uint8_t index);

// The label of receptacle k (0..47): the receptacle word of the circuit it is measured on and
// its map value, as a number (label style 1) or a letter (style 2), or the word alone.
std::u16string ReceptacleChannelLabel(const PduRecord& record, int k);

// The first-generation family whose receptacle channels 1..6 belong to circuits C, C, B, B, A,
// A and whose circuit names run the other way round (three-phase wedge units).
bool ReversedCircuitFamily(const PduRecord& record);

// The channel list of a unit of the given generation.
std::vector<CalibrationChannel> CalibrationChannels(const PduRecord& record, int generation);
std::vector<CalibrationChannel> LaterGenerationChannels(const PduRecord& record, int generation);
std::vector<CalibrationChannel> FirstGenerationChannels(const PduRecord& record);

}  // namespace quorvel
