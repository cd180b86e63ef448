// What every quorvelctl verb shares: the global options and the JSON/error output helpers.
#pragma once

#include <nlohmann/json.hpp>

#include <iosfwd>
#include <optional>
#include <string>

namespace CLI {
class App;
}

namespace quorvel::cli {

// Exit codes of every verb.
constexpr int kExitOk = 0;
constexpr int kExitFailure = 1;  // the device, a file or the input said no
constexpr int kExitUsage = 2;    // the command line itself is wrong

struct Context {
    std::ostream* out = nullptr;
    std::ostream* err = nullptr;

    // Global options.
    std::string port;                     // "COM3", "3" or an absolute device path; "" = COM1
    std::optional<std::string> simulate;  // set when --simulate was given; "" = default profile
    std::string simulateFaults;           // --simulate-faults LIST: the simulator's failure modes
    int simulateBaud = 0;                 // --simulate-baud N: pace its replies; 0 unpaced
    std::string simulateRecord;           // --simulate-record FILE: what it received, as JSON
    std::string attribs;                  // --attribs FILE; "" = pduattribs.ini beside the program
    std::string trace;                    // --trace FILE; "" = QUORVEL_TRACE or none

    int exitCode = kExitOk;

    // Loads the process-wide attribute tables from --attribs or beside the program; reports a
    // failure through fail() and returns false.
    bool loadAttributes();

    // Prints one JSON object on its own line to out.
    void printJson(const nlohmann::json& j) const;
    // Prints "quorvelctl: <reason>" on err and sets exitCode to code.
    void fail(const std::string& reason, int code = kExitFailure);
};

// Each group of verbs adds its subcommands to the app; the callbacks run with ctx filled in.
void registerLinkCommands(CLI::App& app, Context& ctx);
void registerPortCommands(CLI::App& app, Context& ctx);
void registerCatalogueCommands(CLI::App& app, Context& ctx);
void registerStateCommands(CLI::App& app, Context& ctx);
void registerMonitorCommands(CLI::App& app, Context& ctx);
void registerGeneratorCommands(CLI::App& app, Context& ctx);
void registerProfileCommands(CLI::App& app, Context& ctx);
void registerCalibrationCommands(CLI::App& app, Context& ctx);
void registerWebCommands(CLI::App& app, Context& ctx);
void registerConfigCommands(CLI::App& app, Context& ctx);

// Runs quorvelctl with the given arguments; returns the process exit code.
int run(int argc, char** argv, std::ostream& out, std::ostream& err);

}  // namespace quorvel::cli
