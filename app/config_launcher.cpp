// The Configure button's launcher: the configuration dialog over the main program's
// configuration operations.
#include "app/launchers.h"
#include "common/config_ops.h"
#include "dialogs/halvex_exports.h"
#include "link/config_operations.h"

namespace quorvel::app {

void LaunchConfigDialog(const LaunchContext& context) {
    if (context.pdu == nullptr || context.addresses == nullptr) {
        return;
    }
    ConfigOps ops;
    FillConfigOps(ops, context.developer ? 1 : 0);
    PduConfigDlg(context.pdu, &ops, context.addresses);
}

}  // namespace quorvel::app
