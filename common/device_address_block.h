// The main program's device address block: three fixed wide texts that it hands to the state and
// configuration dialogs.
#pragma once

#include <cstddef>

namespace quorvel {

constexpr std::size_t kAddressTextChars = 64;

// IP address, MAC address and version text, each terminated within its 64 characters.
struct DeviceAddressBlock {
    char16_t ipAddress[kAddressTextChars] = {};
    char16_t macAddress[kAddressTextChars] = {};
    char16_t versionText[kAddressTextChars] = {};
};

}  // namespace quorvel
