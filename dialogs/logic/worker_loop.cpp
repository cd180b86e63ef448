// Posting from a library dialog's worker.
#include "dialogs/logic/worker_loop.h"

#include "dialogs/logic/worker_messages.h"

namespace quorvel::dialogs {

void WorkerLoop::post(unsigned msg, std::uintptr_t wParam, std::intptr_t lParam) {
    const auto& port = *window_;
    if (port) {
        port->post(msg, wParam, lParam);
    }
}

void WorkerLoop::postEvent(unsigned code, std::intptr_t value) {
    post(UM_WORKER_EVENT, code, value);
}

}  // namespace quorvel::dialogs
