// Runs quorvelctl in-process with the given arguments and collects its exit code and output,
// as text or read as JSON.
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

// What a verb printed, read as JSON (null when it printed nothing).
struct CliJsonResult {
    int code;
    nlohmann::json json;
    std::string err;
};

// quorvelctl with the attribute file beside the test programs.
inline CliJsonResult quorvelctl(std::vector<std::string> args) {
    args.insert(args.begin(), {"--attribs", QUORVEL_BIN_DIR "/pduattribs.ini"});
    CliResult r = runCtl(std::move(args));
    nlohmann::json j = r.out.empty() ? nlohmann::json{} : nlohmann::json::parse(r.out);
    return {r.code, j, r.err};
}

}  // namespace quorvel::test
