// What the simulator's tests share: loading a shipped profile, and the items of a reply.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "sim/profile.h"

namespace quorvel::sim {

// Loads the profile `name` (a shipped one, or a .json path) into `p`. Call it under
// ASSERT_NO_FATAL_FAILURE.
inline void Load(const std::string& name, Profile& p) {
    std::string error;
    ASSERT_TRUE(loadProfile(name, p, error)) << name << ": " << error;
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
