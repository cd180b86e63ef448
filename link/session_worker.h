// The session worker: the thread that makes and ends one connection. It logs in, reads the
// identity, version and modules into the session record, publishes the console as the current
// interface, idles until asked to stop, then logs off. It reports only by posted messages.
#pragma once

#include <atomic>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <string>

#include "link/module_line.h"
#include "platform/bounded_thread.h"
#include "platform/message_target.h"

namespace quorvel {

inline constexpr char kStopEventName[] = "LUMARC_POLLTHREAD_EVENT_NAME";

// The worker's parameter block, owned by the main window (or the CLI) for the whole run.
struct SessionRecord {
    std::uint16_t environmentFlags = 0;
    std::uint8_t modules[kModuleSlots] = {};
    std::atomic<std::uint8_t> stopFlag{0};
    std::int16_t comPortIndex = 0;  // 0 = COM1
    std::shared_ptr<platform::MessagePort> owner;
    std::uint8_t developerFlag = 0;
    std::uint16_t featureWord = 0xFFFF;
    std::uint32_t attributeWord = 0xFFFFFFFF;
    std::uint16_t extensionWord = 0;
    char16_t versionText[64] = {};
    char16_t generationText[10] = {};
    std::uint8_t generationNumber = 0;
    // Calibration references, in order: 20, 50, 1200, 9, 0, 120 when a window starts.
    std::uint16_t calibrationRefs[6] = {20, 50, 1200, 9, 0, 120};

    // The worker posts status and failure texts faster than a window may read them, so every
    // posted text is kept under a number that travels as the message's lParam; the latest text
    // is what the record shows.
    std::intptr_t setStatusText(const std::u16string& text);
    std::intptr_t setFailureText(const std::u16string& text);
    std::u16string statusText() const;
    std::u16string failureText() const;
    // The text a UM_STATUS_TEXT or UM_ACCESS_ERROR message carried (the latest when that one
    // has been forgotten: the last 64 are kept).
    std::u16string postedText(std::intptr_t lParam) const;

  private:
    std::intptr_t keep(char16_t (&field)[128], const std::u16string& text);

    mutable std::mutex textMutex_;
    char16_t statusText_[128] = {};
    char16_t failureText_[128] = {};
    std::intptr_t lastPosted_ = 0;
    std::deque<std::pair<std::intptr_t, std::u16string>> posted_;
};

// Runs one session on the calling thread, start to end.
void RunSessionWorker(SessionRecord& record);

// Owns the worker thread of one connection.
class SessionWorker {
  public:
    // How long the owner's end waits for the worker to log off. Asked to stop, a worker gives
    // up the exchange in progress at once, and its logout and close take at most about 1 s.
    static constexpr int kEndBoundMs = 5000;

    SessionWorker() = default;
    // Asks the worker to stop and joins it within kEndBoundMs; a worker still running then is
    // left to end on its own.
    ~SessionWorker();
    SessionWorker(const SessionWorker&) = delete;
    SessionWorker& operator=(const SessionWorker&) = delete;

    // Starts a worker on record; false when one is still running.
    bool start(SessionRecord& record);
    bool running() const { return !thread_.finished(); }
    // Sets the stop flag and signals the named stop event.
    void requestStop();
    // Waits up to timeoutMs for the worker to end; true when it ended (and was joined).
    bool join(int timeoutMs);

  private:
    SessionRecord* record_ = nullptr;
    platform::BoundedThread thread_;
};

}  // namespace quorvel
