// Reading the command line.
#include "app/command_line.h"

namespace quorvel::app {

CommandLine ParseCommandLine(const std::vector<std::string>& args) {
    CommandLine out;
    std::string rest;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
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
    out.developer = rest.find("-d") != std::string::npos;
    out.multiInstance = rest.find("-m") != std::string::npos;
    return out;
}

}  // namespace quorvel::app
