// A library dialog's handle on its worker thread: the command worker over the dialog's loop,
// posting commands by their byte.
#pragma once

#include <cstdint>
#include <memory>

#include "dialogs/halvex_api.h"
#include "dialogs/logic/worker_loop.h"
#include "platform/command_loop.h"

namespace quorvel::dialogs {

class QUORVEL_HALVEX_API DialogWorker : public platform::CommandWorker {
  public:
    DialogWorker(std::shared_ptr<WorkerLoop> loop, std::shared_ptr<platform::MessagePort> port)
        : CommandWorker(std::move(loop), std::move(port)) {}
    // Queues the command after those given before it.
    void post(std::uint8_t command) { give(command); }
};

}  // namespace quorvel::dialogs
