// The configuration dialog's temperature limits: kept in Fahrenheit, as the PDU stores them, and
// in Celsius, shown in one of the two units, with a changed flag per edit so that only a limit
// the operator typed is read back from its text.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "common/config_values.h"
#include "dialogs/halvex_api.h"

namespace quorvel::dialogs {

class QUORVEL_HALVEX_API TemperatureLimits {
  public:
    static constexpr int kMin = 0;
    static constexpr int kMax = 1;

    // A limit as read from the PDU: Fahrenheit kept, Celsius computed, changed flag cleared.
    void load(int which, std::uint16_t fahrenheit);
    // The operator typed into the limit's edit.
    void edited(int which) { changed_[index(which)] = true; }
    bool changed(int which) const { return changed_[index(which)]; }

    // Switches to the unit asked for (a switch to the unit shown brings the limits up to
    // date): a limit whose edit changed is first read from its text in the unit shown (empty:
    // not set) and its other unit computed. A text outside the unit's range
    // (TemperatureEntryRange) is refused: that limit keeps its value and its flag in the result
    // is set. The changed flags are cleared; the edits then show text(), the labels label().
    std::array<bool, 2> switchUnit(bool celsius, const std::array<std::u16string, 2>& texts);

    bool celsius() const { return celsius_; }
    std::uint16_t fahrenheit(int which) const { return fahrenheit_[index(which)]; }
    std::int32_t celsiusValue(int which) const { return celsiusValue_[index(which)]; }
    // The limit in the unit shown; empty when not set.
    std::u16string text(int which) const;
    // "Min Temperature (F):" and the like, in the unit shown.
    std::u16string label(int which) const;

  private:
    static std::size_t index(int which) { return which == kMax ? 1 : 0; }

    std::array<std::uint16_t, 2> fahrenheit_{};  // hundredths, 0 = not set
    std::array<std::int32_t, 2> celsiusValue_{kCelsiusNotSet, kCelsiusNotSet};
    std::array<bool, 2> changed_{};
    bool celsius_ = false;
};

}  // namespace quorvel::dialogs
