// The socket type information dialog's text: what the attribute tables say about one series
// (design phase and form factor, receptacle numbering and display, receptacles by socket type,
// management and circuit, meters and circuits), one line per entry, read through ModelOps.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "common/model_ops.h"
#include "dialogs/halvex_api.h"

namespace quorvel::dialogs {

struct SocketTypeDescription {
    std::u16string title;
    std::vector<std::u16string> lines;
};

// The description of series `seriesIndex`. A null slot leaves its part of the text out; the
// records of a null or failing slot count as all zero.
QUORVEL_HALVEX_API SocketTypeDescription DescribeSocketType(const ModelOps& ops, int seriesIndex);

// "<name> Receptacles: \n" followed by each number as "%d,", with a line feed after every 16th.
QUORVEL_HALVEX_API std::u16string ReceptacleNumbersLine(std::u16string_view name,
                                                        const std::vector<int>& numbers);

}  // namespace quorvel::dialogs
