// CLumarcApp: start-up of the desktop program. Reads the command line, keeps to one instance,
// starts the built-in simulator when asked, runs the main window and tidies up after it.
#pragma once

#include <string>
#include <vector>

namespace quorvel::app {

class CLumarcApp {
  public:
    // args without the program name; a QApplication must exist. Returns the exit code.
    int run(const std::vector<std::string>& args);
};

}  // namespace quorvel::app
