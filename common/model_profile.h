// Everything known about one model, built from its model code and the attribute tables, and
// the main program's image of the connected PDU, which has the same layout. Plain data shared
// by Quorvel and Halvex.
#pragma once

#include <cstdint>

namespace quorvel {

constexpr int kMaxCircuits = 6;
constexpr int kMaxReceptacles = 48;
constexpr int kProfileTextChars = 32;  // up to 31 characters and the terminator
constexpr std::uint8_t kAbsent = 255;

using ProfileText = char16_t[kProfileTextChars];

struct ModelProfile {
    std::uint16_t featureWord = 0;
    std::uint32_t attributeWord = 0;
    std::uint16_t extensionWord = 0;
    // The four bytes after the words belong to the device link and the main window; the
    // profile builder only clears them.
    std::uint8_t generationNumber = 0;     // 1..4
    std::uint8_t firmwareVersion[3] = {};  // digits of the firmware version text

    std::uint8_t receptacleTotal = 0;
    std::uint8_t mappedReceptacles = 0;
    std::uint8_t phaseCount = 0;      // 1, 3, or 0 when invalid
    std::uint8_t nominalVoltage = 0;  // 120 or 208, 0 when invalid
    std::uint8_t currentRating = 0;   // amperes; 223 stands for "20/20/30 A"
    std::uint8_t meterCount = 0;
    std::uint8_t breakerCount = 0;
    std::uint8_t receptacleGroups = 0;
    std::uint8_t circuitCount = 0;
    std::uint8_t voltageMapLow[2] = {};
    std::uint8_t voltageMapHigh[2] = {};
    std::uint8_t circuitLabelIndex[kMaxCircuits] = {};
    std::uint8_t circuitSelectsVoltage[kMaxCircuits] = {};
    std::uint8_t receptaclesPerCircuit[kMaxCircuits] = {};  // on each circuit's current input
    ProfileText circuitWord = {};
    ProfileText circuitShortLabel[kMaxCircuits] = {};
    std::uint8_t receptacleMap[kMaxReceptacles] = {};
    std::uint8_t receptaclePresent[kMaxReceptacles] = {};  // its own number, or 255
    std::uint8_t receptacleType[kMaxReceptacles] = {};
    std::uint8_t receptacleInput[kMaxReceptacles] = {};  // current input 0..5, or 255
    std::uint8_t circuitVisible[kMaxCircuits] = {};
    std::uint8_t circuitLayoutType = 0;
    std::uint8_t circuitLayoutHigh[kMaxCircuits] = {};
    std::uint8_t circuitLayoutLow[kMaxCircuits] = {};
    std::uint8_t receptacleLayout = 0;
    std::uint8_t receptacleLabelStyle = 0;
    ProfileText receptacleWord[kMaxCircuits] = {};
    ProfileText receptacleLabel[kMaxReceptacles] = {};
    std::uint8_t receptacleColumns[kMaxCircuits] = {};
    std::uint8_t receptacleMaxColumns[kMaxCircuits] = {};
};

// The main program's image of one PDU: a model profile whose generation number and firmware
// digits the link and the main window fill in.
using PduRecord = ModelProfile;

// Feature bits the device link looks at.
constexpr std::uint16_t kFeatureVoltageInputs = 0x0020;
constexpr std::uint16_t kFeatureSwitched = 0x0100;
constexpr std::uint16_t kFeatureReceptacleMeters = 0x0200;
constexpr std::uint16_t kFeatureEnvironment = 0x0400;
// An ExtensionWord of this or more: 16 outlet groups and the larger receptacle sets.
constexpr std::uint16_t kExtendedExtension = 0x1000;

}  // namespace quorvel
