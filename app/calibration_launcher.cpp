// The Calibrate button's launcher.
#include "app/launchers.h"

namespace quorvel::app {

void LaunchCalibrationDialog(const LaunchContext&) {
    // Not built yet: the dialog comes with its own change.
}

}  // namespace quorvel::app
