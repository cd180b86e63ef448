#include "link/session_worker.h"

#include <chrono>
#include <cstring>

#include "link/console_lease.h"
#include "link/messages.h"
#include "link/pdu_ifce.h"
#include "link/reply_items.h"
#include "platform/events.h"
#include "platform/thread_stop.h"

namespace quorvel {

namespace {

constexpr int kLoginTries = 5;
constexpr int kStopWaitMs = 500;
constexpr int kBaud = 9600;

class Session {
  public:
    explicit Session(SessionRecord& r) : rec_(r) {}

    void run();

  private:
    void post(unsigned msg, std::uintptr_t w, std::intptr_t l) { rec_.owner->post(msg, w, l); }
    void status(const std::u16string& text) { post(UM_STATUS_TEXT, 0, rec_.setStatusText(text)); }
    void failure(const std::u16string& text) {
        post(UM_ACCESS_ERROR, 1, rec_.setFailureText(text));
    }
    void linkState(int state) { post(UM_LINK_STATE, 0, state); }
    bool stopRequested() const { return rec_.stopFlag.load() != 0; }

    // Logs in and reads the identity, version and modules; false when the session ends here.
    bool connect();
    void readIdentity();
    void readVersion();
    void logOff();
    void end();

    SessionRecord& rec_;
    PDUIfce ifce_;
    bool ended_ = false;  // a failure ended the session: no logout
};

void Session::readIdentity() {
    rec_.featureWord = 0xFFFF;
    rec_.attributeWord = 0xFFFFFFFF;
    rec_.extensionWord = 0;
    char reply[kReplyTextSize];
    if (!ifce_.ReadIdentityLine(reply)) {
        return;
    }
    char* items[4];
    int n = SplitReplyItems(reply, 4, items);
    if (n >= 2) {
        rec_.featureWord = HexItem<std::uint16_t>(items[0]);
        rec_.attributeWord = HexItem<std::uint32_t>(items[1]);
    }
    if (n == 4) {
        rec_.extensionWord = HexItem<std::uint16_t>(items[3]);
    }
}

void Session::readVersion() {
    char reply[kReplyTextSize];
    if (!ifce_.ReadVersionLine(reply)) {
        return;
    }
    char* items[2];
    int n = SplitReplyItems(reply, 2, items);
    // At most 62 characters of the version and 8 of the generation are kept.
    CopyWide(rec_.versionText, 63, Widen(items[0]));
    CopyWide(rec_.generationText, 9, n == 2 ? Widen(items[1]) : u"V1");
    const std::u16string gen = rec_.generationText;
    rec_.generationNumber = gen == u"V4" ? 4 : gen == u"V3" ? 3 : gen == u"V2" ? 2 : 1;
}

void Session::logOff() {
    PublishInterface(nullptr);
    status(u"Log off");
    {
        std::lock_guard lock(ConsoleMutex());
        ifce_.Logout(false);
    }
    status(u"Finished");
}

void Session::end() {
    linkState(1);
    post(UM_SESSION_ENDED, 0, 1);
}

void Session::run() {
    auto stopEvent = platform::OpenNamedEvent(kStopEventName);
    if (!stopEvent) {
        status(u"Error...");
        failure(u"Failed Create Event");
        end();
        return;
    }
    linkState(0);
    rec_.generationNumber = 0;
    ifce_.SetParams(rec_.comPortIndex + 1, kBaud, 8, 0, 0);
    status(u"Logging in...");

    if (!connect()) {
        // A failed login or configuration read ends without a logout; a stop request logs off.
        if (!ended_) {
            logOff();
        }
        end();
        return;
    }
    PublishInterface(&ifce_);
    linkState(0);
    status(u"Entered Normal Processing Loop");
    // A signal with the stop flag clear only wakes the worker; it goes on waiting.
    while (!(stopEvent->wait(kStopWaitMs) && stopRequested())) {
    }
    logOff();
    end();
}

bool Session::connect() {
    // Until it is published, a stop request ends the console's waits at once, so that a
    // Disconnect or Quit during the login or the identification takes effect within one
    // attempt rather than after all of them.
    const platform::ThreadStopScope stopScope(&rec_.stopFlag);
    bool loggedIn = false;
    for (int i = 0; i < kLoginTries && !loggedIn; ++i) {
        if (stopRequested()) {
            return false;
        }
        std::lock_guard lock(ConsoleMutex());
        loggedIn = ifce_.Login();
    }
    if (stopRequested()) {
        return false;
    }
    if (!loggedIn) {
        status(ifce_.ErrorText());
        failure(u"Failed Login");
        ended_ = true;
        return false;
    }

    linkState(2);
    bool configured;
    {
        std::lock_guard lock(ConsoleMutex());
        readIdentity();
        readVersion();
        std::memset(rec_.modules, 0, sizeof rec_.modules);
        status(u"Getting PDU configuration...");
        char modules[kReplyTextSize];
        configured = ifce_.ReadModuleLine(modules);
        if (configured) {
            ParseModuleLine(modules, rec_.generationNumber, rec_.modules, rec_.environmentFlags);
        }
    }
    if (!configured && !stopRequested()) {
        status(ifce_.ErrorText());
        failure(u"Failed Get Configuration");
        ended_ = true;
        return false;
    }
    if (!configured) {
        return false;
    }
    post(UM_CONFIG_READY, 1, 0);
    return true;
}

}  // namespace

std::intptr_t SessionRecord::keep(char16_t (&field)[128], const std::u16string& text) {
    constexpr std::size_t kKept = 64;
    std::lock_guard lock(textMutex_);
    CopyWide(field, 128, text);
    posted_.emplace_back(++lastPosted_, field);
    if (posted_.size() > kKept) {
        posted_.pop_front();
    }
    return lastPosted_;
}

std::intptr_t SessionRecord::setStatusText(const std::u16string& text) {
    return keep(statusText_, text);
}

std::intptr_t SessionRecord::setFailureText(const std::u16string& text) {
    return keep(failureText_, text);
}

std::u16string SessionRecord::postedText(std::intptr_t lParam) const {
    std::lock_guard lock(textMutex_);
    for (const auto& [number, text] : posted_) {
        if (number == lParam) {
            return text;
        }
    }
    return posted_.empty() ? std::u16string{} : posted_.back().second;
}

std::u16string SessionRecord::statusText() const {
    std::lock_guard lock(textMutex_);
    return statusText_;
}

std::u16string SessionRecord::failureText() const {
    std::lock_guard lock(textMutex_);
    return failureText_;
}

void RunSessionWorker(SessionRecord& record) {
    if (!record.owner) {
        return;
    }
    Session session(record);
    session.run();
}

SessionWorker::~SessionWorker() {
    if (running()) {
        requestStop();
    }
    thread_.finish(kEndBoundMs);
}

bool SessionWorker::start(SessionRecord& record) {
    if (running()) {
        return false;
    }
    thread_.finish(0);  // the previous session's thread has ended: join it
    record_ = &record;
    thread_.start([&record] { RunSessionWorker(record); });
    return true;
}

void SessionWorker::requestStop() {
    if (record_ == nullptr) {
        return;
    }
    record_->stopFlag.store(1);
    if (auto ev = platform::OpenNamedEvent(kStopEventName)) {
        ev->set();
    }
}

bool SessionWorker::join(int timeoutMs) {
    if (!thread_.waitFinished(timeoutMs)) {
        return false;
    }
    thread_.finish(0);
    return true;
}

}  // namespace quorvel
