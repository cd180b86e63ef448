// Maps the COM port numbers the operator picks (COM1..COM20) to device paths. In order:
// a path set by this program (the simulator, --port), the environment variable QUORVEL_COMn,
// the settings value Ports/COMn of the user's Quorvel settings, then /dev/ttyS<n-1>.
#pragma once

#include <filesystem>
#include <string>

namespace quorvel::platform {

// Device path for COM port n.
std::string resolvePortPath(int n);

// Where the path of COM port n comes from, in the order resolvePortPath looks.
enum class PortSource { Program, Environment, Settings, Default };
PortSource portPathSource(int n);

// Maps COM port n to path for the rest of the run ("" removes the mapping).
void setPortOverride(int n, const std::string& path);

// The settings file that holds [Ports] COMn=PATH lines: $XDG_CONFIG_HOME/TEVRA/Quorvel.conf,
// else ~/.config/TEVRA/Quorvel.conf (the file the desktop program's settings live in).
std::filesystem::path settingsFilePath();

// The value of key in [section] of an INI-style settings file, or "" when absent.
std::string readSettingsValue(const std::filesystem::path& file, const std::string& section,
                              const std::string& key);

// Parses a port argument: "COM3", "com3", "3" give 3; anything else gives 0.
int parsePortNumber(const std::string& text);

}  // namespace quorvel::platform
