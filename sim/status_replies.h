// Replies of the status queries the host's status reader asks: measurement reads ("G"), outlet
// states ("P", "p"), environment ("J") and alarms ("n"), all from the device's present readings.
#pragma once

#include <string_view>
#include <vector>

#include "sim/commands.h"
#include "sim/device.h"

namespace quorvel::sim {

// "G <kind> <flag or circuit> <selector>".
CommandResult measurementQuery(const Device& d, const std::vector<std::string_view>& t);
// "P <selector>", "P <branch> <selector>" and "p <selector>".
CommandResult outletStateQuery(const Device& d, const std::vector<std::string_view>& t);
// "J": two items per sensor; "*" readings without a sensor.
std::string environmentText(const Device& d);
// "n": alarm word and lock word.
std::string alarmText(const Device& d);

}  // namespace quorvel::sim
