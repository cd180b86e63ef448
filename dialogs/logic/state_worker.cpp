// The state worker's commands and its refresh sequence.
#include "dialogs/logic/state_worker.h"

#include <algorithm>
#include <cstring>
#include <utility>

#include "dialogs/logic/worker_messages.h"

namespace quorvel::dialogs {

namespace {

// Request codes of RunCommand for a device interface other than the console.
constexpr std::uint8_t kOtherSwitch = 1;
constexpr std::uint8_t kOtherReset = 2;
constexpr std::uint8_t kOtherClearAlarms = 11;

// ReadState kinds.
constexpr std::uint8_t kReadIdentity = 0;
constexpr std::uint8_t kReadStatus = 1;

void clearMask(std::uint32_t (&mask)[2]) {
    mask[0] = mask[1] = 0;
}

void addMask(std::uint32_t (&into)[2], const std::uint32_t (&bits)[2]) {
    into[0] |= bits[0];
    into[1] |= bits[1];
}

bool isMaskCommand(std::uint8_t command) {
    return command == STATE_CMD_SWITCH_ON || command == STATE_CMD_SWITCH_OFF ||
           command == STATE_CMD_RESET;
}

}  // namespace

StateWorkerLoop::StateWorkerLoop(std::shared_ptr<StateWorkerBlock> block)
    : WorkerLoop(Signals{&block->wakeEvent, &block->threadId, &block->command, &block->window,
                         &block->stopRequested, &block->unanswered},
                 STATE_CMD_OPEN, STATE_CMD_CLOSE),
      block_(std::move(block)) {}

bool StateWorkerLoop::postMaskCommand(std::uint8_t command, const MaskEdit& edit) {
    if (!canSignal()) {
        return false;
    }
    // The edit joins the queue under the same lock as its command, so every mask command takes
    // the edit given with it.
    std::lock_guard lock(editsMutex_);
    edits_.push_back(edit);
    if (!give(command)) {
        edits_.pop_back();
        return false;
    }
    return true;
}

ReceptacleMasks StateWorkerLoop::takeNotDone() {
    std::lock_guard lock(editsMutex_);
    return std::exchange(notDone_, ReceptacleMasks{});
}

StateSnapshot StateWorkerLoop::snapshot() const {
    std::lock_guard lock(snapshotMutex_);
    return snapshot_;
}

void StateWorkerLoop::publishSnapshot() {
    const StateWorkerBlock& b = *block_;
    std::lock_guard lock(snapshotMutex_);
    std::memcpy(snapshot_.macAddress, b.macAddress, sizeof b.macAddress);
    std::memcpy(snapshot_.ipAddress, b.ipAddress, sizeof b.ipAddress);
    std::memcpy(snapshot_.firmwareVersion, b.firmwareVersion, sizeof b.firmwareVersion);
    snapshot_.modelFeature = b.modelFeature;
    snapshot_.modelAttribute = b.modelAttribute;
    snapshot_.modelExtension = b.modelExtension;
    snapshot_.updateFieldsFlag = b.updateFieldsFlag;
    snapshot_.updateSoftwareFlag = b.updateSoftwareFlag;
    snapshot_.displayOptions = b.displayOptions;
    std::memcpy(snapshot_.statusFrame, b.statusFrame, sizeof b.statusFrame);
}

int StateWorkerLoop::waitTimeoutMs() const {
    const int interval = block_->pollInterval.load();
    return interval > 0 ? interval : kDefaultPollMs;
}

void StateWorkerLoop::onTimeout() {
    if (block_->autoRefresh.load() != 0 && !commandPending() && block_->ops->ReadState &&
        !stopRequested()) {
        refresh();
    }
}

bool StateWorkerLoop::isWrite(std::uint8_t command) const {
    return isMaskCommand(command) || command == STATE_CMD_CLEAR_ALARMS;
}

void StateWorkerLoop::perform(std::uint8_t command) {
    const StateOps& ops = *block_->ops;
    switch (command) {
        case STATE_CMD_OPEN: {
            firstRefresh_ = true;
            {
                std::lock_guard lock(block_->dataMutex);
                if (ops.OpenDevice) {
                    handle_ = ops.OpenDevice(block_.get());
                }
                publishSnapshot();
            }
            if (block_->autoRefresh.load() != 0 && ops.ReadState && !stopRequested()) {
                refresh();
            }
            break;
        }
        case STATE_CMD_REFRESH:
            if (ops.ReadState) {
                refresh();
            }
            break;
        case STATE_CMD_SWITCH_ON:
            runMaskCommand(command, block_->onMask, block_->offMask, block_->resetMask,
                           consoleMode() ? kRunSwitch : kOtherSwitch);
            break;
        case STATE_CMD_SWITCH_OFF:
            runMaskCommand(command, block_->offMask, block_->resetMask, block_->onMask,
                           consoleMode() ? kRunSwitch : kOtherSwitch);
            break;
        case STATE_CMD_RESET:
            runMaskCommand(command, block_->resetMask, block_->offMask, block_->onMask,
                           consoleMode() ? kRunReset : kOtherReset);
            break;
        case STATE_CMD_CLOSE:
            if (ops.CloseDevice) {
                std::lock_guard lock(block_->dataMutex);
                ops.CloseDevice(handle_, block_.get());
            }
            break;
        case STATE_CMD_CLEAR_ALARMS:
            runCommand(command, consoleMode() ? kRunClearAlarms : kOtherClearAlarms);
            break;
        default:
            break;
    }
}

void StateWorkerLoop::runMaskCommand(std::uint8_t command, std::uint32_t (&own)[2],
                                     std::uint32_t (&clearA)[2], std::uint32_t (&clearB)[2],
                                     std::uint8_t code) {
    MaskEdit edit;
    {
        std::lock_guard lock(editsMutex_);
        if (!edits_.empty()) {
            edit = edits_.front();
            edits_.pop_front();
        }
    }
    std::lock_guard lock(block_->dataMutex);
    clearMask(clearA);
    clearMask(clearB);
    if (edit.replace) {
        clearMask(own);
    }
    addMask(own, edit.bits);
    clearUnanswered();
    if (block_->ops->RunCommand) {
        block_->ops->RunCommand(handle_, code, block_.get());
    }
    // What the request left in its mask is what the PDU was not told.
    if (unanswered()) {
        keepNotDone(command, own);
    }
    clearMask(own);
}

void StateWorkerLoop::runCommand(std::uint8_t command, std::uint8_t code) {
    if (block_->ops->RunCommand) {
        clearUnanswered();
        {
            std::lock_guard lock(block_->dataMutex);
            block_->ops->RunCommand(handle_, code, block_.get());
        }
        if (unanswered()) {
            postEvent(EV_UNANSWERED, command);
        }
    }
}

void StateWorkerLoop::keepNotDone(std::uint8_t command, const std::uint32_t (&left)[2]) {
    {
        std::lock_guard lock(editsMutex_);
        auto keep = [this](std::uint8_t c, const std::uint32_t(&bits)[2]) {
            addMask(c == STATE_CMD_SWITCH_ON    ? notDone_.on
                    : c == STATE_CMD_SWITCH_OFF ? notDone_.off
                                                : notDone_.reset,
                    bits);
        };
        keep(command, left);
        // Every further request would wait out all its tries on a line gone quiet.
        std::deque<std::uint8_t> dropped;
        dropQueued([&dropped](std::uint8_t c) {
            if (!isMaskCommand(c)) {
                return false;
            }
            dropped.push_back(c);
            return true;
        });
        for (std::uint8_t c : dropped) {
            if (!edits_.empty()) {
                keep(c, edits_.front().bits);
                edits_.pop_front();
            }
        }
    }
    postEvent(EV_UNANSWERED, command);
}

void StateWorkerLoop::readState(std::uint8_t kind) {
    std::lock_guard lock(block_->dataMutex);
    block_->ops->ReadState(handle_, kind, block_.get());
    publishSnapshot();
}

void StateWorkerLoop::refresh() {
    postEvent(EV_BUSY, kBusyStarts);
    if (consoleMode()) {
        if (firstRefresh_) {
            postEvent(EV_PULSE, kPulseToggle);
            readState(kReadIdentity);
            postEvent(EV_PROGRESS, 50);
            postEvent(EV_PULSE, kPulseToggle);
            postEvent(EV_IDENTITY, 0);
        }
        postEvent(EV_PULSE, kPulseToggle);
        readState(kReadStatus);
        postEvent(EV_PROGRESS, 100);
        postEvent(EV_PULSE, kPulseToggle);
    } else {
        // The other device interface's kinds, in the order it expects them.
        postEvent(EV_PROGRESS, 0);
        postEvent(EV_PULSE, kPulseToggle);
        readState(6);
        postEvent(EV_PROGRESS, 25);
        postEvent(EV_PULSE, kPulseToggle);
        readState(9);
        postEvent(EV_PROGRESS, 50);
        postEvent(EV_PULSE, kPulseToggle);
        readState(8);
        postEvent(EV_IDENTITY, 0);
        postEvent(EV_PROGRESS, 75);
        postEvent(EV_PULSE, kPulseToggle);
        readState(4);
        postEvent(EV_PROGRESS, 100);
    }
    postEvent(EV_STATUS, 0);
    postEvent(EV_PROGRESS, 100);
    postEvent(EV_BUSY, kBusyEnds);
    firstRefresh_ = false;
}

}  // namespace quorvel::dialogs
