// The Model button's launcher.
#include "app/launchers.h"

namespace quorvel::app {

void LaunchModelDialog(const LaunchContext&) {
    // Not built yet: the dialog comes with its own change.
}

}  // namespace quorvel::app
