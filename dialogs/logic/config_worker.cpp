// The configuration worker's commands and the frame of its load and save passes.
#include "dialogs/logic/config_worker.h"

#include <mutex>

#include "dialogs/logic/worker_messages.h"

namespace quorvel::dialogs {

ConfigWorkerLoop::ConfigWorkerLoop(std::shared_ptr<ConfigWorkerBlock> block,
                                   std::shared_ptr<ConfigPassPlan> plan)
    : WorkerLoop(Signals{&block->wakeEvent, &block->threadId, &block->command, &block->window,
                         &block->stopRequested, &block->unanswered},
                 CFG_CMD_OPEN, CFG_CMD_CLOSE),
      block_(std::move(block)),
      plan_(std::move(plan)) {}

bool ConfigWorkerLoop::isWrite(std::uint8_t command) const {
    return command == CFG_CMD_FORMAT || command == CFG_CMD_RESET_NETWORK || command == CFG_CMD_SAVE;
}

void ConfigWorkerLoop::perform(std::uint8_t code) {
    const ConfigOps& ops = *block_->ops;
    switch (code) {
        case CFG_CMD_OPEN:
            if (ops.Open) {
                std::lock_guard lock(block_->dataMutex);
                handle_ = ops.Open(block_.get());
            }
            opened_.store(true);
            break;
        case CFG_CMD_FORMAT:
            command(kConfigFormat, code);
            break;
        case CFG_CMD_RESET_NETWORK:
            command(kConfigResetNetwork, code);
            break;
        case CFG_CMD_LOAD: {
            std::vector<ConfigTransfer> items;
            if (plan_) {
                std::lock_guard lock(block_->dataMutex);
                items = plan_->loadItems(*block_);
            }
            runPass(items, ops.ReadItem, true, code);
            break;
        }
        case CFG_CMD_SAVE:
            if (ops.WriteItem) {
                std::vector<ConfigTransfer> items;
                if (plan_) {
                    std::lock_guard lock(block_->dataMutex);
                    items = plan_->saveItems(*block_);
                }
                runPass(items, ops.WriteItem, false, code);
            }
            break;
        case CFG_CMD_CLOSE:
            if (ops.Close) {
                std::lock_guard lock(block_->dataMutex);
                ops.Close(handle_, block_.get());
            }
            break;
        default:
            break;
    }
}

void ConfigWorkerLoop::command(std::int32_t code, std::uint8_t command) {
    if (block_->ops->Command) {
        clearUnanswered();
        {
            std::lock_guard lock(block_->dataMutex);
            block_->ops->Command(handle_, code, block_.get());
        }
        if (unanswered()) {
            postEvent(EV_UNANSWERED, command);
        }
    }
}

void ConfigWorkerLoop::runPass(const std::vector<ConfigTransfer>& items, Transfer transfer,
                               bool load, std::uint8_t command) {
    postEvent(EV_BUSY, kBusyStarts);
    const std::size_t total = items.size();
    std::size_t done = 0;
    bool silent = false;
    for (const ConfigTransfer& item : items) {
        if (load && stopRequested()) {
            break;
        }
        clearUnanswered();
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
        if (unanswered()) {
            // Every further item would wait out all its tries on a line gone quiet.
            silent = true;
            break;
        }
        ++done;
        postEvent(EV_PROGRESS, static_cast<std::intptr_t>(done * 100 / total));
        post(UM_ITEM_DONE, ItemDoneParam(item.table, item.index), 0);
    }
    if (load || done > 0) {
        postEvent(EV_PROGRESS, 100);
    }
    if (silent) {
        postEvent(EV_UNANSWERED, command);
    }
    postEvent(EV_BUSY, kBusyEnds);
}

}  // namespace quorvel::dialogs
