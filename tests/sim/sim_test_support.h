// What the simulator's tests share: loading a shipped profile, a console past its login, the
// line that reads a variable, and the items of a reply.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "sim/console.h"
#include "sim/profile.h"

namespace quorvel::sim {

// Loads the profile `name` (a shipped one, or a .json path) into `p`. Call it under
// ASSERT_NO_FATAL_FAILURE.
inline void Load(const std::string& name, Profile& p) {
    std::string error;
    ASSERT_TRUE(loadProfile(name, p, error)) << name << ": " << error;
}

// A console serving `profile` with `faults`, logged in as the host does it: an empty line, then
// the password.
inline Console LoggedIn(const Profile& profile, Faults faults = {}) {
    Console c(profile, faults);
    c.feed("\x1b\r");
    c.feed("Kel Voran\r");
    return c;
}

// The "h" line that reads variable `id`.
inline std::string ReadLine(unsigned id) {
    char line[16];
    std::snprintf(line, sizeof line, "h %x", id);
    return line;
}

// The blank-separated items of a reply text.
inline std::vector<std::string> ReplyItems(const std::string& text) {
    std::vector<std::string> out;
    std::size_t i = 0;
    while (i < text.size()) {
        const std::size_t j = std::min(text.find(' ', i), text.size());
        out.push_back(text.substr(i, j - i));
        i = j + 1;
    }
    return out;
}

}  // namespace quorvel::sim
