// Simulator profiles: the starting state of a simulated PDU and its console, read from JSON
// files (sim/profiles/*.json; the schema is described in sim/profiles/README.md).
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "sim/device.h"

namespace quorvel::sim {

struct Profile {
    std::string name;
    std::string description;
    bool passwordRequired = true;  // false: the console is logged in and stays so
    std::uint32_t seed = 1;        // of the readings' drift (device.drift switches it)
    Device device;
};

// Loads a profile by name ("v2" -> "v2.json" in the "profiles" folder beside the running
// program, then in the source tree's profile folder) or by path (anything holding a '/' or
// ending in ".json"). Returns false with a reason in `error` on failure.
bool loadProfile(const std::string& nameOrPath, Profile& out, std::string& error);

// Parses a profile from JSON text; `origin` names the source in error messages.
bool parseProfile(const std::string& json, const std::string& origin, Profile& out,
                  std::string& error);

// The folders searched for profiles by name, in order.
std::vector<std::filesystem::path> profileDirectories();

}  // namespace quorvel::sim
