// The Calibrate button's launcher: developer mode only, on the session record's references.
#include "app/calibration_dlg.h"
#include "app/launchers.h"
#include "link/calibration_ops.h"

namespace quorvel::app {

void LaunchCalibrationDialog(const LaunchContext& context) {
    if (!context.developer || context.pdu == nullptr || context.session == nullptr) {
        return;
    }
    CalibrationOps ops;
    FillCalibrationOps(ops, 1);
    CPDUCalibDlg dialog(context.pdu, &ops, context.session, context.parent);
    dialog.exec();
}

}  // namespace quorvel::app
