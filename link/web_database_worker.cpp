#include "link/web_database_worker.h"

#include <sys/syscall.h>
#include <unistd.h>

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
    const bool answered = block.answerCv.wait_for(
        lock, std::chrono::milliseconds(kWebAnswerBoundMs),
        [&block] { return block.answer >= 0 || block.stopRequested.load(); });
    return answered && block.answer == 1 && !block.stopRequested.load();
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
    for (int i = 0; i < WebDatabase::size() && !Stopped(hooks); ++i) {
        if (db.entry(i).mark != 1) {
            continue;
        }
        if (WriteWebEntry(db, i)) {
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

void RunWebDatabaseWorker(WebWorkerBlock& block) {
    block.threadId.store(static_cast<std::uint32_t>(::syscall(SYS_gettid)));
    // Its device operations give up between their tries once the dialog asked it to stop.
    const platform::ThreadStopScope stopScope(&block.stopRequested);
    const std::shared_ptr<platform::AutoResetEvent> event = block.event;
    WebPassHooks hooks;
    hooks.post = [&block](unsigned code, std::intptr_t value) { block.post(code, value); };
    hooks.askContinue = [&block](int entry) { return AskContinue(block, entry); };
    hooks.stopRequested = [&block] { return block.stopRequested.load(); };
    WebDatabase& db = *block.database;
    while (event) {
        if (!event->wait(kWaitMs)) {
            continue;
        }
        // Taken at once: a command given during a pass waits for the next wake.
        const std::uint8_t command = block.command.exchange(kWebIdle);
        if (command == kWebEnd) {
            break;
        }
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
    block.threadId.store(0);
}

WebDatabaseWorker::WebDatabaseWorker(std::shared_ptr<WebWorkerBlock> block)
    : block_(std::move(block)) {}

WebDatabaseWorker::~WebDatabaseWorker() {
    stop();
}

void WebDatabaseWorker::start() {
    if (thread_.running()) {
        return;
    }
    if (!block_->event) {
        block_->event = std::make_shared<platform::AutoResetEvent>();
    }
    block_->stopRequested.store(false);
    thread_.start([block = block_] { RunWebDatabaseWorker(*block); });
}

void WebDatabaseWorker::give(std::uint8_t command) {
    if (!block_->event) {
        return;
    }
    block_->command.store(command);
    block_->event->set();
}

void WebDatabaseWorker::answer(bool goOn) {
    {
        std::lock_guard lock(block_->answerMutex);
        block_->answer = goOn ? 1 : 0;
    }
    block_->answerCv.notify_all();
}

bool WebDatabaseWorker::stop(int timeoutMs) {
    bool ended = true;
    if (thread_.running()) {
        {
            std::lock_guard lock(block_->answerMutex);
            block_->stopRequested.store(true);
        }
        block_->answerCv.notify_all();
        give(kWebEnd);
        ended = thread_.finish(timeoutMs);
    }
    if (block_->window) {
        block_->window->detach();
    }
    return ended;
}

}  // namespace quorvel
