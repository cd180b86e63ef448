// The web server's network settings and user logins on the simulated unit.
#include "sim/web_database_server.h"

#include "sim/device.h"

namespace quorvel::sim {

namespace {

constexpr int kVarIpAddress = 5;
constexpr int kVarSubnet = 10;
constexpr int kVarGateway = 11;
constexpr int kVarOptions = 12;
constexpr int kVarName = 17;
constexpr int kVarUserName = 91;
constexpr int kVarPassword = 95;
constexpr int kWebUsers = 4;

std::array<std::uint8_t, 4> address(const Device& d, int id) {
    std::array<std::uint8_t, 4> out{};
    auto it = d.variables.find(id);
    if (it != d.variables.end() && !it->second.elements.empty()) {
        const auto& e = it->second.elements.front();
        for (std::size_t i = 0; i < out.size() && i < e.size(); ++i)
            out[i] = e[i];
    }
    return out;
}

}  // namespace

std::string variableText(const Device& d, int id) {
    std::string text;
    auto it = d.variables.find(id);
    if (it == d.variables.end() || it->second.elements.empty())
        return text;
    const auto& e = it->second.elements.front();
    for (std::size_t i = 0; i + 1 < e.size(); i += 2) {
        if (e[i] == 0 && e[i + 1] == 0)
            break;
        text.push_back(static_cast<char>(e[i]));
    }
    return text;
}

NetworkSettings networkFromVariables(const Device& d) {
    NetworkSettings s;
    s.ip = address(d, kVarIpAddress);
    s.subnet = address(d, kVarSubnet);
    s.gateway = address(d, kVarGateway);
    s.options = static_cast<std::uint16_t>(d.variableNumber(kVarOptions, 0));
    s.name = variableText(d, kVarName);
    return s;
}

void restartNetwork(Device& d) {
    d.webServer.active = networkFromVariables(d);
}

bool webLogin(const Device& d, std::string_view user, std::string_view password) {
    if (user.empty())
        return false;
    for (int u = 0; u < kWebUsers; ++u) {
        if (variableText(d, kVarUserName + u) == user &&
            variableText(d, kVarPassword + u) == password) {
            return true;
        }
    }
    return false;
}

}  // namespace quorvel::sim
