// The state worker's commands and its refresh sequence.
#include "dialogs/logic/state_worker.h"

#include <algorithm>
#include <cstring>

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
                         &block->stopRequested}),
      block_(std::move(block)) {}

bool StateWorkerLoop::postMaskCommand(std::uint8_t command, const MaskEdit& edit) {
    if (!canSignal()) {
        return false;
    }
    {
        // The command byte is written under the same lock the worker takes the masks under, so
        // the worker never runs an older command with a newer command's masks.
        std::lock_guard lock(pendingMutex_);
        std::uint32_t(&mask)[2] = edit.mask == MaskEdit::Mask::On    ? pending_.on
                                  : edit.mask == MaskEdit::Mask::Off ? pending_.off
                                                                     : pending_.reset;
        if (edit.replace) {
            clearMask(mask);
        }
        addMask(mask, edit.bits);
        block_->command.store(command);
    }
    block_->wakeEvent->set();
    return true;
}

ReceptacleMasks StateWorkerLoop::pendingMasks() const {
    std::lock_guard lock(pendingMutex_);
    return pending_;
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

bool StateWorkerLoop::perform(std::uint8_t command) {
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
            runMaskCommand(block_->onMask, block_->offMask, block_->resetMask,
                           consoleMode() ? kRunSwitch : kOtherSwitch);
            break;
        case STATE_CMD_SWITCH_OFF:
            runMaskCommand(block_->offMask, block_->resetMask, block_->onMask,
                           consoleMode() ? kRunSwitch : kOtherSwitch);
            break;
        case STATE_CMD_RESET:
            runMaskCommand(block_->resetMask, block_->offMask, block_->onMask,
                           consoleMode() ? kRunReset : kOtherReset);
            break;
        case STATE_CMD_CLOSE:
            if (ops.CloseDevice) {
                std::lock_guard lock(block_->dataMutex);
                ops.CloseDevice(handle_, block_.get());
            }
            return false;
        case STATE_CMD_CLEAR_ALARMS:
            runCommand(consoleMode() ? kRunClearAlarms : kOtherClearAlarms);
            break;
        default:
            break;
    }
    return true;
}

bool StateWorkerLoop::takePendingMasks(ReceptacleMasks& taken) {
    std::lock_guard lock(pendingMutex_);
    if (isMaskCommand(block_->command.load())) {
        // A newer switching or reset command was posted after this one was taken: it replaces
        // this one and takes the masks when its turn comes.
        return false;
    }
    taken = pending_;
    pending_ = ReceptacleMasks{};
    return true;
}

void StateWorkerLoop::runMaskCommand(std::uint32_t (&keep)[2], std::uint32_t (&clearA)[2],
                                     std::uint32_t (&clearB)[2], std::uint8_t code) {
    ReceptacleMasks taken;
    if (!takePendingMasks(taken)) {
        return;
    }
    std::lock_guard lock(block_->dataMutex);
    addMask(block_->onMask, taken.on);
    addMask(block_->offMask, taken.off);
    addMask(block_->resetMask, taken.reset);
    clearMask(clearA);
    clearMask(clearB);
    if (block_->ops->RunCommand) {
        block_->ops->RunCommand(handle_, code, block_.get());
    }
    clearMask(keep);
}

void StateWorkerLoop::runCommand(std::uint8_t code) {
    if (block_->ops->RunCommand) {
        std::lock_guard lock(block_->dataMutex);
        block_->ops->RunCommand(handle_, code, block_.get());
    }
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
