// Starting, driving and stopping a dialog worker thread.
#include "dialogs/logic/dialog_worker.h"

namespace quorvel::dialogs {

DialogWorker::DialogWorker(std::shared_ptr<WorkerLoop> loop, std::uint8_t closeCommand,
                           std::shared_ptr<platform::MessagePort> port)
    : loop_(std::move(loop)), closeCommand_(closeCommand), port_(std::move(port)) {}

DialogWorker::~DialogWorker() {
    stop();
}

void DialogWorker::start() {
    if (thread_.running()) {
        return;
    }
    loop_->arm();
    // The thread shares the loop (and through it the block), so neither goes away under it.
    thread_.start([loop = loop_] { loop->run(); });
}

void DialogWorker::post(std::uint8_t command) {
    loop_->postCommand(command);
}

bool DialogWorker::stop(int timeoutMs) {
    bool ended = true;
    if (thread_.running()) {
        loop_->requestStop();
        loop_->postCommand(closeCommand_);
        ended = thread_.finish(timeoutMs);
    }
    if (port_) {
        port_->detach();
    }
    return ended;
}

}  // namespace quorvel::dialogs
