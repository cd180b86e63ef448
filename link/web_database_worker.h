// The web database dialog's worker: the load, save and initialise passes over the web variable
// table, and the command loop that runs them one at a time and reports by posted messages.
// Save, initialise and the network restart are writes: they finish when the dialog closes.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>

#include "link/web_database.h"
#include "platform/command_loop.h"

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
    // Load pass: checked before every entry; true ends the pass early.
    std::function<bool()> stopRequested;
    // After an entry could not be transferred: true ends the pass, so as not to wait out every
    // try of every further entry on a line that stopped answering. Null goes on.
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
    std::atomic<bool> stopRequested{false};  // a read's tries end early once set
    std::atomic<bool> unanswered{false};     // an operation got no answer from the PDU
    std::atomic<bool> abandoned{false};      // nobody will answer a question any more

    // The answer to kWebAskContinue: -1 none yet, 0 no, 1 yes.
    std::mutex answerMutex;
    std::condition_variable answerCv;
    int answer = -1;

    void post(unsigned code, std::intptr_t value) const;
};

// Longest wait for the operator's answer to a failed default value; no answer ends the pass.
constexpr int kWebAnswerBoundMs = 600000;

class WebDatabaseLoop : public platform::CommandLoop {
  public:
    explicit WebDatabaseLoop(std::shared_ptr<WebWorkerBlock> block);

  protected:
    int waitTimeoutMs() const override;
    bool isWrite(std::uint8_t command) const override;
    void perform(std::uint8_t command) override;

  private:
    std::shared_ptr<WebWorkerBlock> block_;
};

// The worker of one web database dialog. It has no open command: the dialog gives its Load.
class WebDatabaseWorker : public platform::CommandWorker {
  public:
    explicit WebDatabaseWorker(std::shared_ptr<WebWorkerBlock> block);
    ~WebDatabaseWorker();
    // Answers a kWebAskContinue question.
    void answer(bool goOn);
    // As CommandWorker::finish; a worker left to go on on its own gets No to any question.
    bool finish(int timeoutMs);

  private:
    std::shared_ptr<WebWorkerBlock> block_;
};

}  // namespace quorvel
