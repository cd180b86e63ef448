// Composing model code words from the model dialog's control values and back.
#include "dialogs/logic/model_compose.h"

#include <cstdio>

namespace quorvel::dialogs {

namespace {

// FeatureWord bits.
constexpr std::uint16_t kVoltMeterBit = 0x20;
constexpr std::uint16_t kEthernetBit = 0x40;
constexpr std::uint16_t kSerialBit = 0x80;
constexpr std::uint16_t kSocketControlBit = 0x100;
constexpr std::uint16_t kSocketMeterBit = 0x200;
constexpr std::uint16_t kEnvironmentBit = 0x400;
constexpr std::uint16_t kPhaseUnit = 0x4000;
// ExtensionWord bits.
constexpr std::uint16_t kTldBit3 = 0x100;
constexpr std::uint16_t kSecondSensorBit = 0x200;
// AttributeWord bits.
constexpr std::uint32_t kTldBit2 = 0x8;
constexpr std::uint32_t kSeriesBit6 = 0x80;
constexpr std::uint32_t kInletBit5 = 0x20000;

constexpr int kThreePhase = 1;
constexpr int kTldsThreePhase = 3;
constexpr int kTldsSinglePhase = 4;
// A code with socket control or meter whose TLD bits are all 0 counts 4 TLDs.
constexpr int kTldsUnset = 4;

std::uint32_t U(int value) {
    return static_cast<std::uint32_t>(value);
}

}  // namespace

bool IsNoModel(const ModelWords& words) {
    return words.feature == 0xFFFF && words.attribute == 0xFFFFFFFFu;
}

std::string CodeText(const ModelWords& words) {
    char text[24];
    std::snprintf(text, sizeof text, "%4.4X:%8.8X:%4.4X", static_cast<unsigned>(words.feature),
                  static_cast<unsigned>(words.attribute), static_cast<unsigned>(words.extension));
    return text;
}

bool ModelSelections::complete() const {
    for (int v : {phase, voltage, series, meters, inlet, formFactor, current, breakers, tlds}) {
        if (v < 0) {
            return false;
        }
    }
    return true;
}

FeatureChecks ApplyCheckRules(FeatureChecks checks, FeatureBox clicked) {
    switch (clicked) {
        case FeatureBox::SocketControl:
        case FeatureBox::SocketMeter: {
            bool& box =
                clicked == FeatureBox::SocketControl ? checks.socketControl : checks.socketMeter;
            if (!checks.serial && !checks.ethernet) {
                box = false;
            }
            break;
        }
        case FeatureBox::Ethernet:
        case FeatureBox::Serial:
            // Ethernet always comes with serial.
            if (checks.ethernet) {
                checks.serial = true;
            }
            // Socket control and meter need a port to be reached through.
            if (!checks.serial && !checks.ethernet) {
                checks.socketControl = false;
                checks.socketMeter = false;
            }
            break;
        case FeatureBox::Environment:
            if (!checks.environment) {
                checks.second = false;
            }
            break;
        case FeatureBox::Second:
            if (checks.second) {
                checks.environment = true;
            }
            break;
        case FeatureBox::VoltMeter:
            break;
    }
    return checks;
}

int AdjustedTldSelection(const FeatureChecks& checks, const ModelSelections& selections) {
    if (!checks.socketMeter && !checks.socketControl) {
        return 0;
    }
    if (selections.tlds == 0) {
        return selections.phase == kThreePhase ? kTldsThreePhase : kTldsSinglePhase;
    }
    return selections.tlds;
}

bool ComposeModelWords(const FeatureChecks& checks, const ModelSelections& s, ModelWords& words) {
    if (!s.complete()) {
        return false;
    }
    const std::uint32_t inlet = U(s.inlet);
    const std::uint32_t series = U(s.series);
    const std::uint32_t tlds = U(s.tlds);

    std::uint32_t attribute = U(s.formFactor) | U(s.voltage) << 4 | U(s.current) << 8 |
                              (inlet & 0x1F) << 12 | ((inlet & 0x20) ? kInletBit5 : 0) |
                              (series & 0x3F) << 18 | ((series & 0x40) ? kSeriesBit6 : 0) |
                              U(s.meters) << 24 | U(s.breakers) << 27 | (tlds & 3) << 30 |
                              ((tlds & 4) ? kTldBit2 : 0);

    std::uint32_t feature = U(s.phase) * kPhaseUnit;
    feature |= checks.socketMeter ? kSocketMeterBit : 0;
    feature |= checks.socketControl ? kSocketControlBit : 0;
    feature |= checks.ethernet ? kEthernetBit : 0;
    feature |= checks.serial ? kSerialBit : 0;
    feature |= checks.voltMeter ? kVoltMeterBit : 0;
    feature |= (checks.environment || checks.second) ? kEnvironmentBit : 0;

    std::uint32_t extension = (series >> 7) & 0xFF;
    extension |= (tlds & 8) ? kTldBit3 : 0;
    extension |= checks.second ? kSecondSensorBit : 0;

    words.feature = static_cast<std::uint16_t>(feature);
    words.attribute = attribute;
    words.extension = static_cast<std::uint16_t>(extension);
    return true;
}

int SeriesIndexOfWords(const ModelWords& w) {
    return static_cast<int>(((w.attribute >> 18) & 0x3F) | ((w.attribute & kSeriesBit6) ? 64 : 0) |
                            (U(w.extension & 0xFF) << 7));
}

ModelWords SeriesOnlyWords(int seriesIndex) {
    const std::uint32_t series = U(seriesIndex);
    ModelWords words;
    words.attribute = (series & 0x3F) << 18 | ((series & 0x40) ? kSeriesBit6 : 0);
    words.extension = static_cast<std::uint16_t>((series >> 7) & 0xFF);
    return words;
}

ModelControls ControlsOfWords(const ModelWords& w) {
    ModelControls c;
    FeatureChecks& k = c.checks;
    k.serial = (w.feature & kSerialBit) != 0;
    k.ethernet = (w.feature & kEthernetBit) != 0;
    k.socketControl = (w.feature & kSocketControlBit) != 0;
    k.socketMeter = (w.feature & kSocketMeterBit) != 0;
    k.environment = (w.feature & kEnvironmentBit) != 0;
    k.second = k.environment && (w.extension & kSecondSensorBit) != 0;
    k.voltMeter = (w.feature & kVoltMeterBit) != 0;

    ModelSelections& s = c.selections;
    s.phase = (w.feature >> 14) & 3;
    s.voltage = static_cast<int>((w.attribute >> 4) & 7);
    s.series = SeriesIndexOfWords(w);
    s.meters = static_cast<int>((w.attribute >> 24) & 7);
    s.inlet = static_cast<int>((w.attribute >> 12) & 0x3F);
    s.formFactor = static_cast<int>(w.attribute & 7);
    s.current = static_cast<int>((w.attribute >> 8) & 0xF);
    s.breakers = static_cast<int>((w.attribute >> 27) & 7);
    int tlds = static_cast<int>((w.attribute >> 30) & 3) | ((w.attribute & kTldBit2) ? 4 : 0) |
               ((w.extension & kTldBit3) ? 8 : 0);
    if (tlds == 0 && (k.socketControl || k.socketMeter)) {
        tlds = kTldsUnset;
    }
    s.tlds = tlds;
    return c;
}

}  // namespace quorvel::dialogs
