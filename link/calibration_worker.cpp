#include "link/calibration_worker.h"

#include <sys/syscall.h>
#include <unistd.h>

#include <chrono>

#include "platform/events.h"
#include "platform/message_target.h"
#include "platform/thread_stop.h"

namespace quorvel {

namespace {

constexpr int kDefaultRepeatMs = 1000;

bool IsSample(std::uint8_t command) {
    return command == kCalSampleLow || command == kCalSampleHigh;
}

void Perform(CalibrationWorkerBlock& block, std::uint8_t command, std::int32_t& handle) {
    const CalibrationOps* ops = block.ops;
    switch (command) {
        case kCalOpen:
            if (ops != nullptr && ops->Open != nullptr) {
                handle = ops->Open(&block);
            }
            block.post(UM_CAL_DONE, command, 1);
            break;
        case kCalStore:
        case kCalSampleLow:
        case kCalSampleHigh:
        case kCalWrite:
        case kCalReboot: {
            const bool ok =
                ops != nullptr && ops->Action != nullptr && ops->Action(handle, command, &block);
            if (!IsSample(command)) {
                block.post(UM_CAL_DONE, command, ok ? 1 : 0);
            }
            break;
        }
        default:
            break;
    }
}

}  // namespace

void RunCalibrationWorker(CalibrationWorkerBlock& block) {
    block.threadId.store(static_cast<std::uint32_t>(::syscall(SYS_gettid)));
    // Its device operations give up between their tries once the dialog asked it to stop.
    const platform::ThreadStopScope stopScope(&block.stopRequested);
    const std::shared_ptr<platform::AutoResetEvent> event = block.event;
    const int period =
        block.repeatPeriodMs == 0 ? kDefaultRepeatMs : static_cast<int>(block.repeatPeriodMs);
    std::int32_t handle = 0;
    while (event) {
        const bool woken = event->wait(period);
        std::uint8_t command = block.command.load();
        if (!woken) {
            block.timeouts.fetch_add(1);
            if (block.repeat != 0 && IsSample(command)) {
                Perform(block, command, handle);
            }
            continue;
        }
        if (command == kCalClose) {
            if (block.ops != nullptr && block.ops->Close != nullptr) {
                block.ops->Close(handle, &block);
            }
            break;
        }
        Perform(block, command, handle);
        // A sample command stays to be repeated; any other returns to idle unless the dialog
        // has given a new command meanwhile (that one waits for the next pass).
        if (!IsSample(command)) {
            block.command.compare_exchange_strong(command, kCalIdle);
        }
    }
    block.threadId.store(0);
}

CalibrationWorker::CalibrationWorker(std::shared_ptr<CalibrationWorkerBlock> block)
    : block_(std::move(block)) {}

CalibrationWorker::~CalibrationWorker() {
    stop();
}

void CalibrationWorker::start() {
    if (thread_.running()) {
        return;
    }
    if (!block_->event) {
        block_->event = std::make_shared<platform::AutoResetEvent>();
    }
    block_->stopRequested.store(false);
    block_->command.store(kCalOpen);
    block_->event->set();
    thread_.start([block = block_] { RunCalibrationWorker(*block); });
}

void CalibrationWorker::give(std::uint8_t command) {
    if (!block_->event) {
        return;
    }
    block_->command.store(command);
    block_->event->set();
}

bool CalibrationWorker::stop(int timeoutMs) {
    bool ended = true;
    if (thread_.running()) {
        block_->stopRequested.store(true);
        give(kCalClose);
        ended = thread_.finish(timeoutMs);
    }
    if (block_->window) {
        block_->window->detach();
    }
    return ended;
}

}  // namespace quorvel
