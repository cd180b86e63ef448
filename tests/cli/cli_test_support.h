// What the quorvelctl tests share: a simulated PDU the verbs reach by --port, pdusim in a process
// of its own, the check of a refused command line, the check of a JSON answer's fields and the
// count of the configuration elements two devices hold apart.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "sim/pty_simulator.h"
#include "support/child_process.h"
#include "support/cli_runner.h"
#include "support/sim_console.h"
#include "support/temp_dir.h"

namespace quorvel::test {

// A simulated PDU on a pseudo-terminal, and quorvelctl run against it with --port.
struct ServedPdu {
    // Serves `profile`. Call it under ASSERT_NO_FATAL_FAILURE.
    void serve(const std::string& profile) {
        ASSERT_NO_FATAL_FAILURE(Serve(simulator, LoadedProfile(profile)));
    }
    // quorvelctl --port <the PDU> `verb` args...
    CliJsonResult ctl(const std::string& verb, std::vector<std::string> args = {}) {
        args.insert(args.begin(), {"--port", simulator.slavePath(), verb});
        return quorvelctl(std::move(args));
    }
    sim::PtySimulator simulator;
};

// pdusim in its own process, started with `args`; path() is the port it printed first (empty
// when it printed none within five seconds).
class PdusimProcess {
  public:
    explicit PdusimProcess(std::vector<std::string> args) {
        args.insert(args.begin(), QUORVEL_BIN_DIR "/pdusim");
        if (process_.start(std::move(args), "/dev/null", true)) {
            path_ = process_.readLine(std::chrono::seconds(5)).value_or("");
        }
    }
    const std::string& path() const { return path_; }
    ChildProcess& process() { return process_; }

  private:
    ChildProcess process_;
    std::string path_;
};

// quorvelctl with `args` exits with `code`, prints nothing and says why on standard error: a
// message holding `reason`, and for a refusal (exit 1) on one line.
inline void ExpectRefused(const std::vector<std::string>& args, int code,
                          const std::string& reason) {
    const CliResult r = runCtl(args);
    EXPECT_EQ(r.code, code) << args.back() << ": " << r.err;
    EXPECT_EQ(r.out, "") << args.back();
    EXPECT_NE(r.err.find(reason), std::string::npos) << args.back() << ": " << r.err;
    if (code == 1) {
        EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << r.err;
    }
}

// Every field of `want` as `got` holds it; objects field by field, so `want` may leave some out.
inline void ExpectFields(const nlohmann::json& got, const nlohmann::json& want,
                         const std::string& where = "") {
    for (const auto& [key, value] : want.items()) {
        const std::string at = where + "/" + key;
        if (value.is_object() && got.contains(key) && got[key].is_object()) {
            ExpectFields(got[key], value, at);
        } else {
            EXPECT_EQ(got.contains(key) ? got[key] : nlohmann::json("(missing)"), value) << at;
        }
    }
}

// The same with `want` as JSON text.
inline void ExpectFields(const nlohmann::json& got, const char* want) {
    ExpectFields(got, nlohmann::json::parse(want));
}

// Elements of every variable of `a` that differ in `b` (one missing on either side counts).
inline int DifferingElements(const sim::Device& a, const sim::Device& b) {
    int n = 0;
    for (const auto& [id, var] : a.variables) {
        const auto& other = b.variables.at(id).elements;
        for (std::size_t e = 0; e < std::max(var.elements.size(), other.size()); ++e) {
            n += e >= var.elements.size() || e >= other.size() || var.elements[e] != other[e];
        }
    }
    return n;
}

}  // namespace quorvel::test
