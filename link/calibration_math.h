// The calibration arithmetic: slope ("scale"), offset and trip threshold of one channel from its
// raw readings at a low and a high reference load, their validity ranges, the reference texts
// the dialog shows and keeps, and the description the operator confirms.
#pragma once

#include <cstdint>
#include <string>

namespace quorvel {

// Session record order of the six calibration references.
enum CalibrationReference : int {
    kRefCurrentThreshold = 0,  // amperes x 100
    kRefCurrentLow = 1,
    kRefCurrentHigh = 2,
    kRefVoltageThreshold = 3,  // whole numbers
    kRefVoltageLow = 4,
    kRefVoltageHigh = 5,
};

struct CalibrationResult {
    long long scale = 0;
    long long offset = 0;
    long long threshold = 0;
    bool valid = false;
};

// Current references as typed, each read as a decimal number in single precision plus 0.0001.
struct CurrentReferences {
    float low = 0;
    float high = 0;
    float threshold = 0;
};

// Voltage references as whole numbers.
struct VoltageReferences {
    long low = 0;
    long high = 0;
    long threshold = 0;
};

// A current reference text as the arithmetic reads it (decimal, single precision, + 0.0001;
// text that does not parse reads 0).
float ReadCurrentReference(const std::string& text);
// What the session record keeps of it: trunc(x * 100 + 0.1).
std::uint16_t CurrentReferenceHundredths(float reference);
// "%.2f" of hundredths / 100, as the dialog shows a kept current reference.
std::string CurrentReferenceText(std::uint16_t hundredths);
// A whole-number reference text (leading digits; nothing readable gives 0), kept within
// +-1000000 so that the arithmetic cannot overflow.
long ReadWholeReference(const std::string& text);

// A raw sample text "0x..." read as hexadecimal; false when it does not begin with "0x".
bool ReadRawSampleText(const std::string& text, std::uint16_t& value);
// "0x%X" of a raw sample.
std::string RawSampleText(std::uint16_t raw);
// "0x%x" of a computed value as the 16-bit field that is written.
std::string CalibrationValueText(long long value);

// Current channel: scale = trunc((H - L) x 409500 / (high - low)); when above 100, offset =
// trunc(high - H x 100 x 4095 / scale) and threshold = trunc(T x 100 x 4096 / scale). Valid when
// 100 < scale <= 4096, -190 <= offset <= 190 and 0 <= threshold <= 190. Nothing is computed
// (and the result is invalid) unless high > low.
CalibrationResult ComputeCurrentCalibration(std::uint16_t lowRaw, std::uint16_t highRaw,
                                            const CurrentReferences& refs);
// Voltage channel: scale = (high ref - low ref) x 4096 / (high - low); when above 100, offset =
// high - high ref x 4096 / scale and threshold = the threshold reference. Valid when
// 100 < scale <= 4096, -50 <= offset <= 50 and 0 <= threshold <= 100.
CalibrationResult ComputeVoltageCalibration(std::uint16_t lowRaw, std::uint16_t highRaw,
                                            const VoltageReferences& refs);

// What a description needs to know of the selected channel.
struct DescribedChannel {
    int generation = 1;
    std::uint8_t kind = 0;   // first generation: the circuit 0..2
    std::uint8_t index = 0;  // first generation: the channel
    bool reversedFamily = false;
    std::u16string label;  // the channel list's name (later generations)
};

// The circuit letter of a first-generation description: 'A' + circuit; in the reversed family
// receptacle channels 1-2 give 'C', 3-4 'B', 5-6 'A'.
char16_t FirstGenCircuitLetter(const DescribedChannel& channel);

// "Circuit %c scale=%d, offset=%d, threshold=0x%x" (first generation), "<name> scale=..." for
// voltage inputs and circuits, "Receptacle <label> scale=..." for receptacles.
std::u16string CalibrationDescription(const DescribedChannel& channel,
                                      const CalibrationResult& result);

}  // namespace quorvel
