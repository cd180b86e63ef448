// The simulated unit's calibration bench: reference loads that a test or quorvelctl puts on a
// measuring channel, so that its raw reads report a known load instead of the live reading.
#pragma once

#include <map>
#include <string>

namespace quorvel::sim {

struct CalibrationBench {
    // Keyed like the calibration table ("I A 3": current table, row A, channel 3; "V B 0"):
    // amperes or volts on that channel while set.
    std::map<std::string, double> loads;
};

}  // namespace quorvel::sim
