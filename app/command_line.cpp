// Reading the command line.
#include "app/command_line.h"

#include <cstdlib>

namespace quorvel::app {

namespace {

// "--name VALUE" or "--name=VALUE"; true when args[i] is the option, with i moved past it.
bool TakeValue(const std::vector<std::string>& args, std::size_t& i, const std::string& name,
               std::string& value, std::string& error) {
    const std::string& a = args[i];
    if (a == name) {
        if (i + 1 >= args.size()) {
            error = name + " needs a value";
        } else {
            value = args[++i];
        }
        return true;
    }
    if (a.rfind(name + "=", 0) == 0) {
        value = a.substr(name.size() + 1);
        return true;
    }
    return false;
}

}  // namespace

CommandLine ParseCommandLine(const std::vector<std::string>& args) {
    CommandLine out;
    std::string rest;
    std::string settle;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (TakeValue(args, i, "--screenshot-dialog", out.screenshotDialog, out.error) ||
            TakeValue(args, i, "--screenshot-click", out.screenshotClick, out.error) ||
            TakeValue(args, i, "--screenshot-type", out.screenshotType, out.error) ||
            TakeValue(args, i, "--screenshot-press", out.screenshotPress, out.error) ||
            TakeValue(args, i, "--screenshot-settle", settle, out.error) ||
            TakeValue(args, i, "--screenshot-tty", out.screenshotTty, out.error) ||
            TakeValue(args, i, "--simulate-faults", out.simulateFaults, out.error) ||
            TakeValue(args, i, "--trace", out.trace, out.error)) {
            continue;
        }
        if (a == "--simulate") {
            out.simulate = kDefaultSimProfile;
        } else if (a.rfind("--simulate=", 0) == 0) {
            const std::string name = a.substr(11);
            out.simulate = name.empty() ? std::string(kDefaultSimProfile) : name;
        } else if (a == "--screenshot") {
            if (i + 1 >= args.size()) {
                out.error = "--screenshot needs a file name";
            } else {
                out.screenshot = args[++i];
            }
        } else if (a.rfind("--screenshot=", 0) == 0) {
            out.screenshot = a.substr(13);
        } else {
            rest += a;
            rest += ' ';
        }
    }
    if (!settle.empty()) {
        char* end = nullptr;
        const long ms = std::strtol(settle.c_str(), &end, 10);
        if (*end != '\0' || ms < 0 || ms > 60000) {
            out.error = "--screenshot-settle takes milliseconds, 0 to 60000";
        } else {
            out.screenshotSettleMs = static_cast<int>(ms);
        }
    }
    out.developer = rest.find("-d") != std::string::npos;
    out.multiInstance = rest.find("-m") != std::string::npos;
    return out;
}

}  // namespace quorvel::app
