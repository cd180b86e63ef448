// The program's command line: the switches "-d" (developer) and "-m" (no single-instance check),
// found anywhere in the command line, and the options --simulate[=PROFILE], --simulate-faults LIST
// --screenshot FILE and --trace FILE.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace quorvel::app {

constexpr char kDefaultSimProfile[] = "v2";

struct CommandLine {
    bool developer = false;               // "-d"
    bool multiInstance = false;           // "-m"
    std::optional<std::string> simulate;  // profile name; set by --simulate
    // --simulate-faults LIST: the simulated PDU's failure modes ("silent-from=5,slow=150").
    std::string simulateFaults;
    std::string screenshot;  // --screenshot FILE: render the window, write the PNG, exit
    // --screenshot-dialog NAME: press that Actions button (monitor, configure, web, model,
    // calibrate) once connected and render the dialog it opens instead of the window.
    std::string screenshotDialog;
    // --screenshot-type OBJECT=TEXT: type TEXT into that edit field (or editable drop-down) of
    // the dialog, as the operator would; --screenshot-press OBJECT: then press that button of the
    // dialog and render the dialog itself once it settled again.
    std::string screenshotType;
    std::string screenshotPress;
    // --screenshot-click OBJECT: then press this button of the dialog and render what it opens.
    std::string screenshotClick;
    int screenshotSettleMs = 3000;  // --screenshot-settle MS: how long a dialog may settle
    // --screenshot-tty FILE: the serial devices the Ports dialog shows, as a JSON list of
    // device records, in place of this machine's own.
    std::string screenshotTty;
    std::string trace;  // --trace FILE: every byte on the serial line, as JSON lines
    std::string error;  // a malformed option
};

// args without the program name. The switches are searched as substrings of the remaining
// command line; the values of the long options are not searched.
CommandLine ParseCommandLine(const std::vector<std::string>& args);

}  // namespace quorvel::app
