// The simulator's failure modes as one text, as pdusim, quorvelctl and Quorvel take them on their
// command lines: comma-separated items such as "silent-from=5,slow=150".
#pragma once

#include <string>
#include <string_view>

#include "sim/faults.h"

namespace quorvel::sim {

// Adds every item of `list` to `faults`; false with the reason in `error` on the first item that
// is not understood (faults is then partly filled). An empty list adds nothing.
bool ParseFaultList(std::string_view list, Faults& faults, std::string& error);

// One line per item, for --help texts.
std::string FaultListHelp();

}  // namespace quorvel::sim
