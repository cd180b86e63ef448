#include "link/web_database_worker.h"

#include <chrono>

#include "link/device_ops.h"
#include "platform/events.h"
#include "platform/message_target.h"
#include "platform/thread_stop.h"

namespace quorvel {

namespace {

constexpr int kWaitMs = 1000;
constexpr int kDatabaseFormat = 1;
constexpr int kDatabaseRestartNetwork = 2;

void Post(const WebPassHooks& hooks, unsigned code, std::intptr_t value) {
    if (hooks.post) {
        hooks.post(code, value);
    }
}

bool Stopped(const WebPassHooks& hooks) {
    return hooks.stopRequested && hooks.stopRequested();
}

std::intptr_t Percent(int done, int total) {
    return total <= 0 ? 100 : static_cast<std::intptr_t>(done) * 100 / total;
}

// Asks the dialog whether to go on after a failed default value and waits for the answer.
bool AskContinue(WebWorkerBlock& block, int entry) {
    {
        std::lock_guard lock(block.answerMutex);
        block.answer = -1;
    }
    block.post(kWebAskContinue, entry);
    std::unique_lock lock(block.answerMutex);
    const bool answered =
        block.answerCv.wait_for(lock, std::chrono::milliseconds(kWebAnswerBoundMs),
                                [&block] { return block.answer >= 0 || block.abandoned.load(); });
    return answered && block.answer == 1 && !block.abandoned.load();
}

}  // namespace

int RunWebLoadPass(WebDatabase& db, const WebPassHooks& hooks) {
    Post(hooks, kWebBusy, kLoadStarted);
    Post(hooks, kWebProgress, 0);
    const int marked = db.marked();
    int done = 0;
    for (int i = 0; i < WebDatabase::size() && !Stopped(hooks); ++i) {
        if (db.entry(i).mark != 1) {
            continue;
        }
        if (!ReadWebEntry(db, i)) {
            if (hooks.giveUp && hooks.giveUp(i)) {
                break;
            }
            continue;
        }
        db.entry(i).mark = 0;
        ++done;
        Post(hooks, kWebProgress, Percent(done, marked));
        Post(hooks, kWebShowEntry, i);
    }
    Post(hooks, kWebProgress, 100);
    Post(hooks, kWebBusy, kLoadDone);
    return done;
}

int RunWebWritePass(WebDatabase& db, bool initialise, const WebPassHooks& hooks) {
    Post(hooks, kWebBusy, initialise ? kInitialiseStarted : kSaveStarted);
    Post(hooks, kWebProgress, 0);
    const int marked = db.marked();
    int done = 0;
    for (int i = 0; i < WebDatabase::size(); ++i) {
        if (db.entry(i).mark != 1) {
            continue;
        }
        if (WriteWebEntry(db, i)) {
            db.acknowledge(i);
            db.entry(i).mark = 0;
            ++done;
            Post(hooks, kWebProgress, Percent(done, marked));
        } else if (hooks.giveUp && hooks.giveUp(i)) {
            break;
        } else if (initialise && hooks.askContinue && !hooks.askContinue(i)) {
            break;
        }
    }
    Post(hooks, kWebProgress, 100);
    Post(hooks, kWebBusy, initialise ? kInitialiseDone : kSaveDone);
    return done;
}

void WebWorkerBlock::post(unsigned code, std::intptr_t value) const {
    if (window) {
        window->post(UM_WEB_EVENT, code, value);
    }
}

WebDatabaseLoop::WebDatabaseLoop(std::shared_ptr<WebWorkerBlock> block)
    : CommandLoop({&block->event, &block->threadId, &block->command, &block->stopRequested},
                  std::nullopt, kWebEnd),
      block_(std::move(block)) {}

int WebDatabaseLoop::waitTimeoutMs() const {
    return kWaitMs;
}

bool WebDatabaseLoop::isWrite(std::uint8_t command) const {
    return command == kWebInitialise || command == kWebSave || command == kWebRestartNetwork;
}

void WebDatabaseLoop::perform(std::uint8_t command) {
    WebWorkerBlock& block = *block_;
    // Its device operations give up between their tries once a read is to stop, and note a PDU
    // that does not answer.
    const platform::ThreadStopScope scope(&block);
    block.unanswered.store(false);
    WebPassHooks hooks;
    hooks.post = [&block](unsigned code, std::intptr_t value) { block.post(code, value); };
    hooks.askContinue = [&block](int entry) { return AskContinue(block, entry); };
    hooks.stopRequested = [&block] { return block.stopRequested.load(); };
    hooks.giveUp = [&block](int) { return block.unanswered.load(); };
    WebDatabase& db = *block.database;
    switch (command) {
        case kWebInitialise:
            block.post(kWebBusy, kInitialiseStarted);
            if (!DeviceDatabaseCommand(kDatabaseFormat)) {
                block.post(kWebFormatFailed, 0);
                break;
            }
            RunWebWritePass(db, true, hooks);
            break;
        case kWebLoad:
            RunWebLoadPass(db, hooks);
            break;
        case kWebSave:
            RunWebWritePass(db, false, hooks);
            break;
        case kWebRestartNetwork:
            block.post(kWebRestartDone, DeviceDatabaseCommand(kDatabaseRestartNetwork) ? 1 : 0);
            break;
        default:
            break;
    }
}

WebDatabaseWorker::WebDatabaseWorker(std::shared_ptr<WebWorkerBlock> block)
    : CommandWorker(std::make_shared<WebDatabaseLoop>(block), block->window),
      block_(std::move(block)) {}

WebDatabaseWorker::~WebDatabaseWorker() {
    finish(0);
}

void WebDatabaseWorker::answer(bool goOn) {
    {
        std::lock_guard lock(block_->answerMutex);
        block_->answer = goOn ? 1 : 0;
    }
    block_->answerCv.notify_all();
}

bool WebDatabaseWorker::finish(int timeoutMs) {
    const bool ended = CommandWorker::finish(timeoutMs);
    if (!ended) {
        {
            std::lock_guard lock(block_->answerMutex);
            block_->abandoned.store(true);
        }
        block_->answerCv.notify_all();
    }
    return ended;
}

}  // namespace quorvel
