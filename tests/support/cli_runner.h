// Runs quorvelctl in-process with the given arguments and collects its exit code and output.
#pragma once

#include <sstream>
#include <string>
#include <vector>

#include "cli/context.h"

namespace quorvel::test {

struct CliResult {
    int code;
    std::string out, err;
};

inline CliResult runCtl(std::vector<std::string> args) {
    args.insert(args.begin(), "quorvelctl");
    std::vector<char*> argv;
    for (auto& a : args) {
        argv.push_back(a.data());
    }
    std::ostringstream out, err;
    int code = quorvel::cli::run(static_cast<int>(argv.size()), argv.data(), out, err);
    return {code, out.str(), err.str()};
}

}  // namespace quorvel::test
