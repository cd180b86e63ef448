// The temperature limits' two units and the unit switch.
#include "dialogs/logic/config_temperature.h"

namespace quorvel::dialogs {

void TemperatureLimits::load(int which, std::uint16_t fahrenheit) {
    const std::size_t i = index(which);
    fahrenheit_[i] = fahrenheit;
    celsiusValue_[i] = FahrenheitToCelsius(fahrenheit);
    changed_[i] = false;
}

std::array<bool, 2> TemperatureLimits::switchUnit(bool celsius,
                                                  const std::array<std::u16string, 2>& texts) {
    std::array<bool, 2> refused{};
    for (std::size_t i = 0; i < 2; ++i) {
        if (!changed_[i]) {
            continue;
        }
        changed_[i] = false;
        if (!TemperatureEntryFits(texts[i], celsius_)) {
            refused[i] = true;
        } else if (texts[i].empty()) {
            fahrenheit_[i] = 0;
            celsiusValue_[i] = kCelsiusNotSet;
        } else if (celsius_) {
            celsiusValue_[i] = HundredthsTruncated(texts[i]);
            fahrenheit_[i] = CelsiusToFahrenheit(celsiusValue_[i]);
        } else {
            fahrenheit_[i] = static_cast<std::uint16_t>(HundredthsTruncated(texts[i]));
            celsiusValue_[i] = FahrenheitToCelsius(fahrenheit_[i]);
        }
    }
    celsius_ = celsius;
    return refused;
}

std::u16string TemperatureLimits::text(int which) const {
    const std::size_t i = index(which);
    return celsius_ ? FormatTemperature(celsiusValue_[i], true)
                    : FormatTemperature(fahrenheit_[i], false);
}

std::u16string TemperatureLimits::label(int which) const {
    std::u16string s = which == kMax ? u"Max Temperature (" : u"Min Temperature (";
    s += celsius_ ? u"C):" : u"F):";
    return s;
}

}  // namespace quorvel::dialogs
