// Small helpers shared by the device-side command handlers: splitting a command line, outcome
// builders, number formatting and branch letters.
#pragma once

#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

#include "sim/commands.h"
#include "sim/device.h"

namespace quorvel::sim::text {

inline CommandResult accepted() {
    return {CommandResult::Kind::Accepted, {}};
}
inline CommandResult reply(std::string text) {
    return {CommandResult::Kind::Text, std::move(text)};
}
inline CommandResult refused(std::string_view error) {
    return {CommandResult::Kind::Refused, std::string(error)};
}

// Items separated by blanks.
std::vector<std::string_view> tokens(std::string_view line);

std::string format(const char* fmt, auto... args) {
    char buf[64];
    std::snprintf(buf, sizeof buf, fmt, args...);
    return buf;
}

// "0" or "1".
bool parseSwitch(std::string_view text, bool& on);
// Branch letter A, B, C (either case) as 0..2; -1 for anything else.
int branchIndex(std::string_view text);
// Number of the first outlet of `branch`, counted from 0.
int branchOffset(const Device& d, int branch);

}  // namespace quorvel::sim::text
