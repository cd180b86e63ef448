// The simulated unit's web server as far as the web database reaches it: the network settings
// in effect (taken from the configuration variables at start and at every network restart "X")
// and the web users' login.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace quorvel::sim {

struct Device;

struct NetworkSettings {
    std::array<std::uint8_t, 4> ip{};
    std::array<std::uint8_t, 4> subnet{};
    std::array<std::uint8_t, 4> gateway{};
    std::uint16_t options = 0;  // 0x01 DHCP, 0x10 web server, 0x20 no software update, 0x40 Celsius
    std::string name;
    bool operator==(const NetworkSettings&) const = default;
};

struct WebServerState {
    NetworkSettings active;  // what the web server runs with
};

// The network settings the configuration variables hold now (5 IP address, 10 subnet mask,
// 11 gateway, 12 option bits, 17 PDU name).
NetworkSettings networkFromVariables(const Device& d);
// Starts the web server with the stored settings (at power-up and at "X").
void restartNetwork(Device& d);
// True when a web user (names 91-94, passwords 95-98) has this non-empty name and password.
bool webLogin(const Device& d, std::string_view user, std::string_view password);
// Text of a text variable's first element (low bytes of its wide characters, up to the first 0).
std::string variableText(const Device& d, int id);

}  // namespace quorvel::sim
