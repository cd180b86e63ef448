// One status frame in engineering units, as the state dialog shows it: volts, amperes, degrees
// in the unit the PDU is set to, percent humidity, the outlets' states and the alarm words.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "common/model_profile.h"
#include "common/status_frame.h"

namespace quorvel::cli {

struct OutletReading {
    int number = 0;                 // the outlet's number on the console, from 1
    std::string name;               // the circuit's receptacle prefix and the receptacle's name
    std::optional<double> current;  // amperes; only with metered receptacles
    std::optional<bool> on;         // only with switched receptacles
};

struct Readings {
    std::vector<int> voltages;            // volts per voltage input; only with voltage inputs
    std::vector<double> circuitCurrents;  // amperes of the model's circuits
    std::vector<OutletReading> outlets;   // the receptacle rows that have a receptacle
    bool celsius = false;                 // the PDU shows degrees Celsius
    std::vector<std::optional<double>> temperatures;  // per sensor, in the PDU's unit
    std::vector<std::optional<double>> humidities;    // per sensor, percent
    std::uint16_t alarmWord = 0;
    std::uint16_t lockWord = 0;
};

// Bit 0x40 of the display options: temperatures in degrees Celsius.
constexpr std::uint16_t kCelsiusDisplay = 0x40;

Readings DecodeReadings(const PduRecord& record, const StatusFrameView& frame,
                        std::uint16_t displayOptions);

// Degrees Celsius of a reading in degrees Fahrenheit, to hundredths.
double CelsiusOf(double fahrenheit);

}  // namespace quorvel::cli
