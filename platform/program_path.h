// Where the running program lies: the folder that holds pduattribs.ini and the simulator
// profiles. Paths of any length are supported.
#pragma once

#include <filesystem>

namespace quorvel::platform {

// Full path of the running executable (from /proc/self/exe); empty when it cannot be read.
std::filesystem::path programPath();

// Folder of the running executable, or the current folder when the path cannot be read.
std::filesystem::path programDirectory();

}  // namespace quorvel::platform
