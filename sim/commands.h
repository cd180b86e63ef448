// The PDU console's command set on the device side: one command line in, one outcome out
// (accepted setting, reply text of a query, or refusal with an error text). No framing here:
// the console adds echo and prompt.
#pragma once

#include <string>
#include <string_view>

#include "sim/device.h"

namespace quorvel::sim {

inline constexpr std::string_view kAccessCode = "47310862";

// Error texts of refused lines.
inline constexpr std::string_view kErrUnknownCommand = "ERROR: unknown command";
inline constexpr std::string_view kErrBadArguments = "ERROR: bad arguments";
inline constexpr std::string_view kErrAccessDenied = "ERROR: access denied";
inline constexpr std::string_view kErrUnknownVariable = "ERROR: unknown variable";
inline constexpr std::string_view kErrBadValue = "ERROR: bad value";
inline constexpr std::string_view kErrWriteProtected = "ERROR: write protected";
inline constexpr std::string_view kErrNotSwitched = "ERROR: outlets not switched";
inline constexpr std::string_view kErrResetBlocked = "ERROR: reset blocked";
inline constexpr std::string_view kErrLineTooLong = "ERROR: line too long";

struct CommandResult {
    enum class Kind { Accepted, Text, Refused };
    Kind kind = Kind::Refused;
    std::string text;  // the reply text of a query, or the error text of a refusal
};

// Runs one command line (its CR removed). `factory` holds the configuration that "I" restores.
CommandResult runCommand(Device& device, const Device& factory, std::string_view line);

// Raw converter readings the calibration reads report for a current in amperes and a voltage.
std::uint16_t rawCurrent(double amperes);
std::uint16_t rawVoltage(int volts);

}  // namespace quorvel::sim
