#include "cli/readings.h"

#include <algorithm>
#include <cmath>
#include <string_view>
#include <utility>

#include "common/config_values.h"

namespace quorvel::cli {

namespace {

std::u16string_view textOf(const ProfileText& text) {
    std::size_t n = 0;
    while (n < kProfileTextChars && text[n] != 0) {
        ++n;
    }
    return {text, n};
}

double amperes(std::uint16_t hundredths) {
    return hundredths / 100.0;
}

// The receptacle rows that have a receptacle on one of the model's circuits, each with the index
// of its outlet in the frame (and on the console), in outlet order. Later generations number
// outlets by their row; the first packs each circuit's outlets after those of the circuits
// before it.
std::vector<std::pair<int, int>> OutletRows(const PduRecord& record) {
    const int circuits = std::min<int>(record.circuitCount, kMaxCircuits);
    std::vector<std::pair<int, int>> rows;
    for (int c = 0; c < circuits; ++c) {
        for (int row = 0; row < kMaxReceptacles; ++row) {
            if (record.receptaclePresent[row] != kAbsent && record.receptacleInput[row] == c) {
                rows.emplace_back(row, 0);
            }
        }
    }
    for (std::size_t i = 0; i < rows.size(); ++i) {
        rows[i].second = record.generationNumber >= 2 ? rows[i].first : static_cast<int>(i);
    }
    std::sort(rows.begin(), rows.end(),
              [](const auto& x, const auto& y) { return x.second < y.second; });
    return rows;
}

}  // namespace

double CelsiusOf(double fahrenheit) {
    return std::round((fahrenheit - 32.0) * 5.0 / 9.0 * 100.0) / 100.0;
}

Readings DecodeReadings(const PduRecord& record, const StatusFrameView& frame,
                        std::uint16_t displayOptions) {
    Readings r;
    if (record.featureWord & kFeatureVoltageInputs) {
        r.voltages.assign(frame.voltages.begin(), frame.voltages.end());
    }
    const std::size_t circuits = std::min<std::size_t>(
        std::min<int>(record.circuitCount, kMaxCircuits), frame.circuitCurrents.size());
    for (std::size_t c = 0; c < circuits; ++c) {
        r.circuitCurrents.push_back(amperes(frame.circuitCurrents[c]));
    }

    const bool metered = (record.featureWord & kFeatureReceptacleMeters) != 0;
    const bool switched = (record.featureWord & kFeatureSwitched) != 0 && !frame.state.empty();
    for (const auto& [row, index] : OutletRows(record)) {
        OutletReading o;
        o.number = index + 1;
        std::u16string name(textOf(record.receptacleWord[record.receptacleInput[row]]));
        name += textOf(record.receptacleLabel[row]);
        o.name = ToUtf8(name);
        const auto at = static_cast<std::size_t>(index);
        if (metered && at < frame.receptacleCurrents.size()) {
            o.current = amperes(frame.receptacleCurrents[at]);
        }
        if (switched && at < frame.state.size() * 8) {
            o.on = BitmapBit(frame.state, static_cast<unsigned>(index));
        }
        r.outlets.push_back(std::move(o));
    }

    r.celsius = (displayOptions & kCelsiusDisplay) != 0;
    for (std::uint16_t t : frame.temperatures) {
        std::optional<double> v;
        if (t != 0) {
            v = r.celsius ? CelsiusOf(t / 100.0) : t / 100.0;
        }
        r.temperatures.push_back(v);
    }
    for (std::uint16_t h : frame.humidities) {
        r.humidities.push_back(h != 0 ? std::optional<double>(h / 100.0) : std::nullopt);
    }
    r.alarmWord = frame.alarmWord;
    r.lockWord = frame.lockWord;
    return r;
}

}  // namespace quorvel::cli
