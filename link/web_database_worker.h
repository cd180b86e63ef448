// The web database dialog's worker: the load, save and initialise passes over the web variable
// table, and the thread that runs them one command at a time and reports by posted messages.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>

#include "link/web_database.h"
#include "platform/bounded_thread.h"

namespace quorvel::platform {
class AutoResetEvent;
class MessagePort;
}  // namespace quorvel::platform

namespace quorvel {

// The worker's message to its dialog (wParam: event code below, lParam: value).
constexpr unsigned UM_WEB_EVENT = 0x40A;

enum WebEventCode : unsigned {
    kWebProgress = 2,      // percent done
    kWebBusy = 4,          // 0/1/2 load, save, initialise started; 3/4/5 done
    kWebShowEntry = 5,     // entry index read: show it
    kWebAskContinue = 6,   // a default value could not be written (entry index): continue?
    kWebFormatFailed = 7,  // the database could not be formatted; nothing was written
    kWebRestartDone = 8,   // the network restart was sent (1) or failed (0)
};

enum WebBusyValue : std::intptr_t {
    kLoadStarted = 0,
    kSaveStarted = 1,
    kInitialiseStarted = 2,
    kLoadDone = 3,
    kSaveDone = 4,
    kInitialiseDone = 5,
};

enum WebCommand : std::uint8_t {
    kWebIdle = 0,
    kWebInitialise = 1,  // format the database ("I"), then write every marked entry
    kWebLoad = 4,
    kWebSave = 5,
    kWebEnd = 6,
    kWebRestartNetwork = 7,  // "X": restart the PDU so that network changes take effect
};

// What a pass reports and asks as it goes.
struct WebPassHooks {
    std::function<void(unsigned code, std::intptr_t value)> post;
    // Initialise pass: a write failed; true to go on. Null goes on.
    std::function<bool(int entry)> askContinue;
    // Checked before every entry: true ends the pass early.
    std::function<bool()> stopRequested;
    // After an entry could not be transferred: true ends the pass. quorvelctl uses it so as not
    // to wait out every try of every further entry on a dead line; null goes on (the dialog,
    // whose operator can cancel).
    std::function<bool(int entry)> giveUp;
};

// Load: reads every marked entry in table order; a read clears its mark. Returns the number read.
int RunWebLoadPass(WebDatabase& db, const WebPassHooks& hooks);
// Save or initialise: writes every marked entry; a write clears its mark. Returns the number
// written.
int RunWebWritePass(WebDatabase& db, bool initialise, const WebPassHooks& hooks);

// Shared by the dialog and its worker thread. The dialog touches the table only between passes.
struct WebWorkerBlock {
    std::shared_ptr<WebDatabase> database = std::make_shared<WebDatabase>();
    std::shared_ptr<platform::MessagePort> window;  // posts are dropped while null or detached
    std::shared_ptr<platform::AutoResetEvent> event;
    std::atomic<std::uint32_t> threadId{0};
    std::atomic<std::uint8_t> command{0};
    std::atomic<bool> stopRequested{false};

    // The answer to kWebAskContinue: -1 none yet, 0 no, 1 yes.
    std::mutex answerMutex;
    std::condition_variable answerCv;
    int answer = -1;

    void post(unsigned code, std::intptr_t value) const;
};

// Longest wait for the operator's answer to a failed default value; no answer ends the pass.
constexpr int kWebAnswerBoundMs = 600000;

// The worker's body on the calling thread: waits on the event (1000 ms at a time), takes the
// command byte and performs it, until the end command.
void RunWebDatabaseWorker(WebWorkerBlock& block);

class WebDatabaseWorker {
  public:
    static constexpr int kStopMs = 3000;

    explicit WebDatabaseWorker(std::shared_ptr<WebWorkerBlock> block);
    ~WebDatabaseWorker();  // stop()
    WebDatabaseWorker(const WebDatabaseWorker&) = delete;
    WebDatabaseWorker& operator=(const WebDatabaseWorker&) = delete;

    // Creates the event (not signalled) and starts the thread.
    void start();
    // Writes the command byte and signals the event.
    void give(std::uint8_t command);
    // Answers a kWebAskContinue question.
    void answer(bool goOn);
    // Gives the end command, ends a pass in progress after its current entry and waits up to
    // timeoutMs. True when the thread ended and was joined; otherwise it finishes on its own,
    // holding the block and its table. The dialog's port is detached either way.
    bool stop(int timeoutMs = kStopMs);
    bool running() const { return thread_.running(); }

  private:
    std::shared_ptr<WebWorkerBlock> block_;
    platform::BoundedThread thread_;
};

}  // namespace quorvel
