// The state dialog's worker: opens the device, refreshes identity and status (on command, and on
// every timeout while auto refresh is on), switches and resets receptacles, clears alarms. It
// hands the dialog copies of what it read, so the window thread never waits for the device.
// Switching, reset and clearing alarms are writes: they finish when the dialog closes.
#pragma once

#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>

#include "common/state_ops.h"
#include "dialogs/halvex_api.h"
#include "dialogs/logic/worker_loop.h"

namespace quorvel::dialogs {

// The three receptacle masks: word 0 bit k = receptacle k+1, word 1 bit k = receptacle k+33.
struct ReceptacleMasks {
    std::uint32_t on[2] = {};
    std::uint32_t off[2] = {};
    std::uint32_t reset[2] = {};
};

// The masks of one switching or reset command, given with it: either the mask becomes exactly
// `bits`, or `bits` are added to what it holds. Every command takes its own.
struct MaskEdit {
    enum class Mask { On, Off, Reset };
    Mask mask = Mask::On;
    bool replace = false;
    std::uint32_t bits[2] = {};
};

// The worker block's data fields as the worker last left them, copied for the window thread.
struct StateSnapshot {
    std::uint8_t macAddress[6] = {};
    std::uint8_t ipAddress[4] = {};
    std::uint8_t firmwareVersion[3] = {};
    std::uint16_t modelFeature = 0xFFFF;
    std::uint32_t modelAttribute = 0xFFFFFFFF;
    std::uint16_t modelExtension = 0;
    std::uint8_t updateFieldsFlag = 0;
    std::uint8_t updateSoftwareFlag = 0;
    std::uint16_t displayOptions = 0;
    std::uint8_t statusFrame[kStatusFrameSize] = {};
};

class QUORVEL_HALVEX_API StateWorkerLoop : public WorkerLoop {
  public:
    static constexpr int kDefaultPollMs = 1000;

    explicit StateWorkerLoop(std::shared_ptr<StateWorkerBlock> block);

    // Window thread: queues a switching or reset command with its masks. False (nothing done)
    // when the worker has no wake event or is closing.
    bool postMaskCommand(std::uint8_t command, const MaskEdit& edit);
    // Window thread, after EV_UNANSWERED: what the PDU was not told, since it stopped
    // answering (the command it stopped at and every switching or reset command queued after
    // it), and forgets it.
    ReceptacleMasks takeNotDone();
    // Window thread: a copy of the data the worker read last; never waits for an operation.
    StateSnapshot snapshot() const;
    // False when commands cannot reach the worker (no wake event).
    bool canSignal() const { return block_->wakeEvent != nullptr; }

  protected:
    int waitTimeoutMs() const override;
    void onTimeout() override;
    bool isWrite(std::uint8_t command) const override;
    void perform(std::uint8_t command) override;

  private:
    bool consoleMode() const { return block_->ops->mode == 0; }
    void refresh();
    void readState(std::uint8_t kind);
    // Copies the block's data fields for the window thread; the caller holds dataMutex.
    void publishSnapshot();
    // Clears the masks named by the command, sets its own from its edit, runs the request,
    // then clears its own.
    void runMaskCommand(std::uint8_t command, std::uint32_t (&own)[2], std::uint32_t (&clearA)[2],
                        std::uint32_t (&clearB)[2], std::uint8_t code);
    void runCommand(std::uint8_t command, std::uint8_t code);
    // After a request the PDU did not answer: keeps what was left of it, and of every mask
    // command still queued (which the loop then drops), for the dialog.
    void keepNotDone(std::uint8_t command, const std::uint32_t (&left)[2]);

    std::shared_ptr<StateWorkerBlock> block_;
    std::int32_t handle_ = 0;    // only the worker's thread uses it
    bool firstRefresh_ = false;  // set by the open command, cleared by a refresh

    // Held only for a copy, never across an operation.
    mutable std::mutex editsMutex_;
    std::deque<MaskEdit> edits_;  // of the mask commands queued, in order
    ReceptacleMasks notDone_;
    mutable std::mutex snapshotMutex_;
    StateSnapshot snapshot_;
};

}  // namespace quorvel::dialogs
