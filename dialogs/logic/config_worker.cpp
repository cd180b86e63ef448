// The configuration worker's commands and the frame of its load and save passes.
#include "dialogs/logic/config_worker.h"

#include <mutex>

#include "dialogs/logic/worker_messages.h"

namespace quorvel::dialogs {

ConfigWorkerLoop::ConfigWorkerLoop(std::shared_ptr<ConfigWorkerBlock> block,
                                   std::shared_ptr<ConfigPassPlan> plan)
    : WorkerLoop(Signals{&block->wakeEvent, &block->threadId, &block->command, &block->window,
                         &block->stopRequested}),
      block_(std::move(block)),
      plan_(std::move(plan)) {}

void ConfigWorkerLoop::open() {
    opened_ = true;
    if (block_->ops->Open) {
        std::lock_guard lock(block_->dataMutex);
        handle_ = block_->ops->Open(block_.get());
    }
}

bool ConfigWorkerLoop::perform(std::uint8_t code) {
    const ConfigOps& ops = *block_->ops;
    // A command given before the worker took the open command replaces it; the device is
    // opened all the same before the first thing done with it.
    if (!opened_ && code != CFG_CMD_OPEN && code != CFG_CMD_CLOSE && code >= CFG_CMD_FORMAT &&
        code <= CFG_CMD_SAVE) {
        open();
    }
    switch (code) {
        case CFG_CMD_OPEN:
            open();
            break;
        case CFG_CMD_FORMAT:
            command(kConfigFormat);
            break;
        case CFG_CMD_RESET_NETWORK:
            command(kConfigResetNetwork);
            break;
        case CFG_CMD_LOAD: {
            std::vector<ConfigTransfer> items;
            if (plan_) {
                std::lock_guard lock(block_->dataMutex);
                items = plan_->loadItems(*block_);
            }
            runPass(items, ops.ReadItem, true);
            break;
        }
        case CFG_CMD_SAVE:
            if (ops.WriteItem) {
                std::vector<ConfigTransfer> items;
                if (plan_) {
                    std::lock_guard lock(block_->dataMutex);
                    items = plan_->saveItems(*block_);
                }
                runPass(items, ops.WriteItem, false);
            }
            break;
        case CFG_CMD_CLOSE:
            if (ops.Close) {
                std::lock_guard lock(block_->dataMutex);
                ops.Close(handle_, block_.get());
            }
            return false;
        default:
            break;
    }
    return true;
}

void ConfigWorkerLoop::command(std::int32_t code) {
    if (block_->ops->Command) {
        std::lock_guard lock(block_->dataMutex);
        block_->ops->Command(handle_, code, block_.get());
    }
}

void ConfigWorkerLoop::runPass(const std::vector<ConfigTransfer>& items, Transfer transfer,
                               bool load) {
    postEvent(EV_BUSY, kBusyStarts);
    const std::size_t total = items.size();
    std::size_t done = 0;
    for (const ConfigTransfer& item : items) {
        if (stopRequested()) {
            break;
        }
        {
            std::lock_guard lock(block_->dataMutex);
            if (transfer) {
                transfer(handle_, item.table, item.index, block_.get());
            }
            // Nothing is copied into the device image here: WriteItem does that once the PDU
            // took the element, so an element it refused still differs and the next save
            // tries it again.
            if (load && plan_) {
                plan_->loaded(*block_, item);
            }
        }
        ++done;
        postEvent(EV_PROGRESS, static_cast<std::intptr_t>(done * 100 / total));
        post(UM_ITEM_DONE, ItemDoneParam(item.table, item.index), 0);
    }
    if (load || done > 0) {
        postEvent(EV_PROGRESS, 100);
    }
    postEvent(EV_BUSY, kBusyEnds);
}

}  // namespace quorvel::dialogs
