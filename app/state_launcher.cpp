// The Monitor button's launcher: the state dialog over the main program's state operations.
#include "app/launchers.h"
#include "common/state_ops.h"
#include "dialogs/halvex_exports.h"
#include "link/state_operations.h"

namespace quorvel::app {

void LaunchStateDialog(const LaunchContext& context) {
    if (context.pdu == nullptr || context.addresses == nullptr) {
        return;
    }
    StateOps ops;
    FillStateOps(ops, context.developer ? 1 : 0);
    PduStateDlg(context.pdu, &ops, context.addresses);
}

}  // namespace quorvel::app
