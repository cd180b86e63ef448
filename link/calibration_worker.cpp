#include "link/calibration_worker.h"

#include "platform/thread_stop.h"

namespace quorvel {

namespace {

constexpr int kDefaultRepeatMs = 1000;

bool IsSample(std::uint8_t command) {
    return command == kCalSampleLow || command == kCalSampleHigh;
}

}  // namespace

CalibrationLoop::CalibrationLoop(std::shared_ptr<CalibrationWorkerBlock> block)
    : CommandLoop({&block->event, &block->threadId, &block->command, &block->stopRequested},
                  kCalOpen, kCalClose),
      block_(std::move(block)) {}

int CalibrationLoop::waitTimeoutMs() const {
    return block_->repeatPeriodMs == 0 ? kDefaultRepeatMs
                                       : static_cast<int>(block_->repeatPeriodMs);
}

bool CalibrationLoop::isWrite(std::uint8_t command) const {
    return command == kCalStore || command == kCalWrite || command == kCalReboot;
}

void CalibrationLoop::onTimeout() {
    block_->timeouts.fetch_add(1);
    if (block_->repeat.load() != 0 && repeating_ != 0 && !stopRequested()) {
        perform(repeating_);
    }
}

void CalibrationLoop::perform(std::uint8_t command) {
    CalibrationWorkerBlock& block = *block_;
    // Its device operations give up between their tries once a read is to stop, and note a PDU
    // that does not answer.
    const platform::ThreadStopScope scope(&block);
    block.unanswered.store(false);
    const CalibrationOps* ops = block.ops;
    // A sample command repeats until another command comes.
    repeating_ = IsSample(command) ? command : 0;
    switch (command) {
        case kCalOpen:
            if (ops != nullptr && ops->Open != nullptr) {
                handle_ = ops->Open(&block);
            }
            block.post(UM_CAL_DONE, command, 1);
            break;
        case kCalClose:
            if (ops != nullptr && ops->Close != nullptr) {
                ops->Close(handle_, &block);
            }
            break;
        case kCalStore:
        case kCalSampleLow:
        case kCalSampleHigh:
        case kCalWrite:
        case kCalReboot: {
            const bool ok =
                ops != nullptr && ops->Action != nullptr && ops->Action(handle_, command, &block);
            if (!IsSample(command)) {
                block.post(UM_CAL_DONE, command, ok ? 1 : 0);
            }
            break;
        }
        default:
            break;
    }
}

}  // namespace quorvel
