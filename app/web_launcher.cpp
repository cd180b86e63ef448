// The Web button's launcher.
#include "app/launchers.h"

namespace quorvel::app {

void LaunchWebDialog(const LaunchContext&) {
    // Not built yet: the dialog comes with its own change.
}

}  // namespace quorvel::app
