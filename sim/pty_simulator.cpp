#include "sim/pty_simulator.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <system_error>
#include <thread>

namespace quorvel::sim {

namespace {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

// Longest the serving thread sleeps without looking at its flags.
constexpr auto kIdleWait = 100ms;
// Longest a hang-up waits for the host to read the last reply.
constexpr auto kDrainWait = 1000ms;
constexpr auto kDrainSettle = 20ms;
// How long no byte may have come before the console counts as having taken everything in.
constexpr auto kQuiet = 50ms;

struct Pending {
    Clock::time_point notBefore;
    std::string bytes;
    std::size_t sent = 0;
};

std::string errnoText(const char* what) {
    return std::string(what) + ": " + std::strerror(errno);
}

void closeFd(int& fd) {
    if (fd >= 0)
        ::close(fd);
    fd = -1;
}

}  // namespace

PtySimulator::PtySimulator() = default;

PtySimulator::~PtySimulator() {
    stop();
}

bool PtySimulator::start(Profile profile, Faults faults, int baud, std::string& error) {
    if (thread_.joinable() || master_ >= 0) {
        error = "the simulator is already running";
        return false;
    }
    if (baud < 0) {
        error = "baud rate must not be negative";
        return false;
    }
    master_ = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (master_ < 0) {
        error = errnoText("posix_openpt");
        return false;
    }
    char name[128] = {};
    if (::grantpt(master_) != 0 || ::unlockpt(master_) != 0 ||
        ::ptsname_r(master_, name, sizeof name) != 0) {
        error = errnoText("pty setup");
        closeFds();
        return false;
    }
    slaveKeep_ = ::open(name, O_RDWR | O_NOCTTY | O_CLOEXEC);
    termios tio{};
    if (slaveKeep_ < 0 || ::tcgetattr(slaveKeep_, &tio) != 0) {
        error = errnoText("opening the pty slave");
        closeFds();
        return false;
    }
    ::cfmakeraw(&tio);
    tio.c_cc[VMIN] = 0;
    tio.c_cc[VTIME] = 0;
    if (::tcsetattr(slaveKeep_, TCSANOW, &tio) != 0) {
        error = errnoText("tcsetattr on the pty slave");
        closeFds();
        return false;
    }
    int flags = ::fcntl(master_, F_GETFL);
    if (flags < 0 || ::fcntl(master_, F_SETFL, flags | O_NONBLOCK) != 0) {
        error = errnoText("fcntl on the pty master");
        closeFds();
        return false;
    }
    wake_ = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (wake_ < 0) {
        error = errnoText("eventfd");
        closeFds();
        return false;
    }
    slavePath_ = name;
    baud_ = baud;
    stopping_ = false;
    hangUpRequested_ = false;
    hungUp_ = false;
    {
        std::lock_guard lock(mutex_);
        console_.emplace(std::move(profile), faults);
    }
    try {
        thread_ = std::thread(&PtySimulator::run, this);
    } catch (const std::system_error& e) {
        error = std::string("cannot start the serving thread: ") + e.what();
        closeFds();
        return false;
    }
    return true;
}

void PtySimulator::stop() {
    stopping_ = true;
    if (wake_ >= 0) {
        std::uint64_t one = 1;
        [[maybe_unused]] auto n = ::write(wake_, &one, sizeof one);
    }
    if (thread_.joinable())
        thread_.join();
    closeFds();
}

void PtySimulator::hangUp() {
    if (!thread_.joinable() || hungUp_)
        return;
    hangUpRequested_ = true;
    std::uint64_t one = 1;
    [[maybe_unused]] auto n = ::write(wake_, &one, sizeof one);
    // The serving thread closes the master at its next turn; wait for it, within a bound.
    std::unique_lock lock(mutex_);
    hungUpCv_.wait_for(lock, 2s, [this] { return hungUp_.load(); });
}

bool PtySimulator::settle(int boundMs) {
    const auto start = Clock::now();
    const auto until = start + std::chrono::milliseconds(boundMs);
    for (;;) {
        int unread = 0;
        {
            std::lock_guard lock(mutex_);
            if (master_ < 0 || ::ioctl(master_, FIONREAD, &unread) != 0) {
                return true;  // nothing can arrive any more
            }
        }
        const auto lastTaken = Clock::time_point(std::chrono::nanoseconds(lastTakenNs_.load()));
        if (unread == 0 && !taking_.load() && Clock::now() - std::max(start, lastTaken) >= kQuiet) {
            return true;
        }
        if (Clock::now() >= until) {
            return false;
        }
        std::this_thread::sleep_for(5ms);
    }
}

void PtySimulator::withConsole(const std::function<void(Console&)>& fn) {
    std::lock_guard lock(mutex_);
    if (console_)
        fn(*console_);
}

Device PtySimulator::deviceSnapshot() {
    std::lock_guard lock(mutex_);
    return console_ ? console_->device() : Device{};
}

CommandResult PtySimulator::peek(std::string_view line) {
    std::lock_guard lock(mutex_);
    return console_ ? console_->peek(line) : CommandResult{};
}

void PtySimulator::closeFds() {
    closeFd(master_);
    closeFd(slaveKeep_);
    closeFd(wake_);
}

void PtySimulator::run() {
    std::deque<Pending> queue;
    const auto byteTime = baud_ > 0 ? std::chrono::nanoseconds(10'000'000'000LL / baud_)
                                    : std::chrono::nanoseconds(0);
    Clock::time_point nextSlot = Clock::now();  // when the next paced byte may leave
    bool closing = false;                       // a hang-up fault fired: flush, then close
    Clock::time_point drainFrom{};
    char buf[4096];
    // The device's clock follows real time in whole milliseconds, at every wake-up (at least
    // every kIdleWait) and before every line it answers; the caller holds the lock.
    Clock::time_point advancedTo = Clock::now();
    auto advanceClock = [&] {
        const auto ms = std::chrono::floor<std::chrono::milliseconds>(Clock::now() - advancedTo);
        if (ms.count() <= 0)
            return;
        advancedTo += ms;
        console_->advance(static_cast<unsigned>(std::min<long long>(ms.count(), 60'000)));
    };

    {
        std::lock_guard lock(mutex_);
        closing = console_->hungUp();
    }
    while (!stopping_ && !hangUpRequested_) {
        {
            std::lock_guard lock(mutex_);
            advanceClock();
        }
        auto now = Clock::now();
        auto wakeAt = now + kIdleWait;
        bool wantWritable = false;
        while (!queue.empty()) {
            Pending& p = queue.front();
            if (now < p.notBefore) {
                wakeAt = std::min(wakeAt, p.notBefore);
                break;
            }
            std::size_t allowed = p.bytes.size() - p.sent;
            if (baud_ > 0) {
                nextSlot = std::max(nextSlot, p.notBefore);  // an idle line starts afresh
                if (nextSlot > now) {
                    wakeAt = std::min(wakeAt, nextSlot);
                    break;
                }
                auto due = static_cast<std::size_t>(1 + (now - nextSlot) / byteTime);
                allowed = std::min(allowed, due);
            }
            ssize_t n = ::write(master_, p.bytes.data() + p.sent, allowed);
            if (n < 0) {
                if (errno == EINTR)
                    continue;
                if (errno == EAGAIN) {
                    wantWritable = true;
                } else {
                    queue.clear();  // the line is gone; nothing can be delivered
                }
                break;
            }
            p.sent += static_cast<std::size_t>(n);
            if (baud_ > 0)
                nextSlot += byteTime * n;
            if (p.sent == p.bytes.size())
                queue.pop_front();
            if (static_cast<std::size_t>(n) < allowed) {
                wantWritable = true;
                break;
            }
        }
        if (closing && queue.empty()) {
            // Closing the master discards what the host has not read yet: give it the time to
            // take in the last reply (the bytes reach the slave's queue a moment after the
            // write, hence the settling time before looking), within a bound.
            if (drainFrom == Clock::time_point{})
                drainFrom = now;
            int unread = 0;
            const bool settled = now - drainFrom >= kDrainSettle;
            if (now - drainFrom >= kDrainWait ||
                (settled && (::ioctl(slaveKeep_, FIONREAD, &unread) != 0 || unread == 0))) {
                break;
            }
            wakeAt = std::min(wakeAt, now + 5ms);
        }

        pollfd fds[2] = {
            {master_, static_cast<short>((closing ? 0 : POLLIN) | (wantWritable ? POLLOUT : 0)), 0},
            {wake_, POLLIN, 0}};
        auto wait = std::max(wakeAt - Clock::now(), Clock::duration::zero());
        auto secs = std::chrono::duration_cast<std::chrono::seconds>(wait);
        timespec ts{static_cast<time_t>(secs.count()),
                    static_cast<long>(
                        std::chrono::duration_cast<std::chrono::nanoseconds>(wait - secs).count())};
        int ready = ::ppoll(fds, 2, &ts, nullptr);
        if (ready < 0) {
            if (errno == EINTR)
                continue;  // look at the flags and wait again
            break;         // the descriptors are unusable: stop serving rather than spin
        }
        if (fds[1].revents & POLLIN) {
            std::uint64_t count = 0;
            [[maybe_unused]] auto n = ::read(wake_, &count, sizeof count);
        }
        if (fds[0].revents & POLLIN) {
            taking_ = true;
            ssize_t n = ::read(master_, buf, sizeof buf);
            if (n > 0) {
                std::vector<Burst> bursts;
                {
                    std::lock_guard lock(mutex_);
                    advanceClock();
                    bursts =
                        console_->feedTimed(std::string_view(buf, static_cast<std::size_t>(n)));
                    closing = console_->hungUp();
                }
                auto at = Clock::now();
                for (auto& b : bursts) {
                    at += std::chrono::milliseconds(b.delayMs);
                    queue.push_back({at, std::move(b.bytes)});
                }
            }
            lastTakenNs_ = std::chrono::duration_cast<std::chrono::nanoseconds>(
                               Clock::now().time_since_epoch())
                               .count();
            taking_ = false;
        } else if (fds[0].revents & (POLLHUP | POLLERR)) {
            // Cannot happen while the slave is held open; never spin on it regardless.
            pollfd w{wake_, POLLIN, 0};
            ::poll(&w, 1, static_cast<int>(kIdleWait.count()));
        }
    }

    if (closing || hangUpRequested_) {
        // The flag goes first: whoever sees the line closed also sees isHungUp().
        std::lock_guard lock(mutex_);
        hungUp_ = true;
        closeFd(master_);
        closeFd(slaveKeep_);
        hungUpCv_.notify_all();
    }
}

}  // namespace quorvel::sim
