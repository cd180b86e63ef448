// The Web button's launcher.
#include "app/init_dbase_dlg.h"
#include "app/launchers.h"

namespace quorvel::app {

void LaunchWebDialog(const LaunchContext& context) {
    if (context.pdu == nullptr) {
        return;
    }
    CInitDbaseDlg dialog(context.developer ? 1 : 0, context.pdu, context.parent);
    dialog.exec();
}

}  // namespace quorvel::app
