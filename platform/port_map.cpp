#include "platform/port_map.h"

#include <array>
#include <cctype>
#include <cstdlib>
#include <fstream>
#include <mutex>

namespace quorvel::platform {

namespace {

constexpr int kMaxPort = 20;

struct Overrides {
    std::mutex mutex;
    std::array<std::string, kMaxPort + 1> paths;
};

Overrides& overrides() {
    static Overrides o;
    return o;
}

std::string trim(const std::string& s) {
    auto b = s.find_first_not_of(" \t\r\n");
    if (b == std::string::npos) {
        return {};
    }
    auto e = s.find_last_not_of(" \t\r\n");
    return s.substr(b, e - b + 1);
}

}  // namespace

void setPortOverride(int n, const std::string& path) {
    if (n < 1 || n > kMaxPort) {
        return;
    }
    auto& o = overrides();
    std::lock_guard lock(o.mutex);
    o.paths[static_cast<std::size_t>(n)] = path;
}

std::filesystem::path settingsFilePath() {
    if (const char* xdg = std::getenv("XDG_CONFIG_HOME"); xdg && *xdg) {
        return std::filesystem::path(xdg) / "TEVRA" / "Quorvel.conf";
    }
    const char* home = std::getenv("HOME");
    return std::filesystem::path(home && *home ? home : ".") / ".config" / "TEVRA" / "Quorvel.conf";
}

std::string readSettingsValue(const std::filesystem::path& file, const std::string& section,
                              const std::string& key) {
    std::ifstream in(file);
    std::string line;
    bool inSection = false;
    while (std::getline(in, line)) {
        line = trim(line);
        if (line.empty() || line[0] == ';' || line[0] == '#') {
            continue;
        }
        if (line.front() == '[') {
            inSection = line == "[" + section + "]";
            continue;
        }
        auto eq = line.find('=');
        if (inSection && eq != std::string::npos && trim(line.substr(0, eq)) == key) {
            std::string value = trim(line.substr(eq + 1));
            if (value.size() >= 2 && value.front() == '"' && value.back() == '"') {
                value = value.substr(1, value.size() - 2);
            }
            return value;
        }
    }
    return {};
}

PortSource portPathSource(int n) {
    if (n >= 1 && n <= kMaxPort) {
        auto& o = overrides();
        std::lock_guard lock(o.mutex);
        if (!o.paths[static_cast<std::size_t>(n)].empty()) {
            return PortSource::Program;
        }
    }
    const std::string name = "COM" + std::to_string(n);
    if (const char* env = std::getenv(("QUORVEL_" + name).c_str()); env && *env) {
        return PortSource::Environment;
    }
    if (!readSettingsValue(settingsFilePath(), "Ports", name).empty()) {
        return PortSource::Settings;
    }
    return PortSource::Default;
}

std::string resolvePortPath(int n) {
    if (n >= 1 && n <= kMaxPort) {
        auto& o = overrides();
        std::lock_guard lock(o.mutex);
        if (!o.paths[static_cast<std::size_t>(n)].empty()) {
            return o.paths[static_cast<std::size_t>(n)];
        }
    }
    const std::string name = "COM" + std::to_string(n);
    if (const char* env = std::getenv(("QUORVEL_" + name).c_str()); env && *env) {
        return env;
    }
    if (std::string fromSettings = readSettingsValue(settingsFilePath(), "Ports", name);
        !fromSettings.empty()) {
        return fromSettings;
    }
    return "/dev/ttyS" + std::to_string(n - 1);
}

int parsePortNumber(const std::string& text) {
    std::string digits = text;
    if (digits.size() > 3 && std::toupper(static_cast<unsigned char>(digits[0])) == 'C' &&
        std::toupper(static_cast<unsigned char>(digits[1])) == 'O' &&
        std::toupper(static_cast<unsigned char>(digits[2])) == 'M') {
        digits = digits.substr(3);
    }
    if (digits.empty() || digits.size() > 2) {
        return 0;
    }
    for (char c : digits) {
        if (!std::isdigit(static_cast<unsigned char>(c))) {
            return 0;
        }
    }
    int n = std::stoi(digits);
    return n >= 1 && n <= kMaxPort ? n : 0;
}

}  // namespace quorvel::platform
