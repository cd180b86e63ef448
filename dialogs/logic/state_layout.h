// Where every control of the state dialog goes: the identity rows, the circuit groups on their
// layout grid, the receptacle rows inside them and the bottom line, computed from the PDU record,
// the interface mode and the developer flag. Pixels in the dialog's own coordinates.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "common/model_profile.h"

namespace quorvel::dialogs {

struct LayoutRect {
    int x = 0;
    int y = 0;
    int w = 0;
    int h = 0;
    int right() const { return x + w; }
    int bottom() const { return y + h; }
    bool operator==(const LayoutRect&) const = default;
};

// A control that is shown at rect, or stays hidden.
struct PlacedControl {
    bool shown = false;
    LayoutRect rect;
};

struct CircuitLayout {
    bool shown = false;  // index below the circuit count and its visible flag set
    LayoutRect group;    // also computed for hidden circuits below the circuit count
    std::u16string caption;
    std::vector<LayoutRect> currentHeaders;
    std::vector<LayoutRect> powerHeaders;
    PlacedControl voltage;
    PlacedControl totalLabel;
    PlacedControl totalValue;
    PlacedControl setAll;
    PlacedControl clearAll;
    std::u16string setAllText;
    std::u16string clearAllText;
};

struct ReceptacleRowLayout {
    bool shown = false;
    int circuit = -1;  // the circuit whose group shows the row
    std::u16string name;
    LayoutRect nameRect;
    PlacedControl current;
    PlacedControl check;
    PlacedControl reset;
};

struct StateLayout {
    int width = 0;
    int height = 0;
    int topRow = 0;  // y of the first identity row under the address row

    // Identity rows.
    PlacedControl versionLabel, versionValue, modelLabel, modelValue;
    PlacedControl temperatureLabel, temperatureValue, humidityLabel, humidityValue;
    PlacedControl alarmLabel, alarmText, tripped;
    PlacedControl macLabel, macValue, ipLabel, ipValue;
    PlacedControl updateFieldsLabel, updateFieldsCheck, updateSoftwareLabel, updateSoftwareCheck;

    std::array<CircuitLayout, kMaxCircuits> circuits;
    std::array<ReceptacleRowLayout, kMaxReceptacles> rows;

    // Bottom line.
    PlacedControl ok, light, refresh, clear, progress;
};

// Limits of the dialog's size.
constexpr int kStateMinWidth = 550;
constexpr int kStateMaxWidth = 1200;
constexpr int kStateMaxHeight = 800;

// Feature tests the dialog makes on the record.
inline bool HasVoltageInputs(const PduRecord& r) {
    return (r.featureWord & kFeatureVoltageInputs) != 0;
}
inline bool IsSwitched(const PduRecord& r) {
    return (r.featureWord & kFeatureSwitched) != 0;
}
inline bool IsMetered(const PduRecord& r) {
    return (r.featureWord & kFeatureReceptacleMeters) != 0;
}
inline bool HasReceptacleRows(const PduRecord& r) {
    return (r.featureWord & (kFeatureSwitched | kFeatureReceptacleMeters)) != 0;
}
inline bool HasEnvironment(const PduRecord& r) {
    return (r.featureWord & kFeatureEnvironment) != 0;
}
// The circuit (0..15) that voltage input `input` (0 or 1) measures.
inline int VoltageInputCircuit(const PduRecord& r, int input) {
    return r.voltageMapLow[input] & 0x0F;
}

// A fixed wide text of the record, up to its terminator.
std::u16string ProfileString(const char16_t (&text)[kProfileTextChars]);

StateLayout ComputeStateLayout(const PduRecord& record, std::int32_t mode, bool developer);

}  // namespace quorvel::dialogs
