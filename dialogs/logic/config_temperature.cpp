// The temperature limits' two units and the unit switch.
#include "dialogs/logic/config_temperature.h"

namespace quorvel::dialogs {

void TemperatureLimits::load(int which, std::uint16_t fahrenheit) {
    const std::size_t i = index(which);
    fahrenheit_[i] = fahrenheit;
    celsiusValue_[i] = FahrenheitToCelsius(fahrenheit);
    changed_[i] = false;
}

void TemperatureLimits::switchUnit(bool celsius, const std::array<std::u16string, 2>& texts) {
    for (std::size_t i = 0; i < 2; ++i) {
        if (!changed_[i]) {
            continue;
        }
        if (texts[i].empty()) {
            fahrenheit_[i] = 0;
            celsiusValue_[i] = kCelsiusNotSet;
        } else if (celsius_) {
            celsiusValue_[i] = HundredthsTruncated(texts[i]);
            fahrenheit_[i] = CelsiusToFahrenheit(celsiusValue_[i]);
        } else {
            fahrenheit_[i] = static_cast<std::uint16_t>(HundredthsTruncated(texts[i]));
            celsiusValue_[i] = FahrenheitToCelsius(fahrenheit_[i]);
        }
        changed_[i] = false;
    }
    celsius_ = celsius;
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
