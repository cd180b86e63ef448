// Serves a simulated PDU console on a pseudo-terminal: one thread reads the pty master, feeds
// the Console, writes its answers back (paced at a baud rate when asked) and moves the device's
// time on with the real time passed. The host opens the slave path like any serial device.
#pragma once

#include <atomic>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

#include "sim/console.h"
#include "sim/faults.h"
#include "sim/profile.h"

namespace quorvel::sim {

class PtySimulator {
  public:
    PtySimulator();
    ~PtySimulator();  // stops and joins
    PtySimulator(const PtySimulator&) = delete;
    PtySimulator& operator=(const PtySimulator&) = delete;

    // Creates the pty and starts serving. `baud` 0 = unpaced; otherwise every byte sent takes
    // 10 bits of wire time. Fails (false + reason) when the pty cannot be made or the simulator
    // was started and not stopped since (a hang-up too needs stop() before the next start).
    bool start(Profile profile, Faults faults, int baud, std::string& error);
    // The slave device, e.g. "/dev/pts/7"; valid after start.
    std::string slavePath() const { return slavePath_; }
    // Stops serving and closes the pty; idempotent; returns within a bound.
    void stop();
    // Closes the master now, as a pulled adapter would: the host's reads and writes fail.
    void hangUp();
    // The device hung up (hangUp() or a hang-up fault); the slave path is gone.
    bool isHungUp() const { return hungUp_.load(); }

    // Waits up to boundMs until the console has taken in every byte the host wrote before the
    // call: until nothing is waiting to be read and nothing came for a quiet spell (the kernel
    // hands written bytes to the master a moment after the write). True when it settled.
    bool settle(int boundMs);

    // Runs `fn` on the console under the simulator's lock: safe at any time.
    void withConsole(const std::function<void(Console&)>& fn);
    // A copy of the live device model, taken under the lock.
    Device deviceSnapshot();
    // What the console would answer to `line` now (see Console::peek), under the lock.
    CommandResult peek(std::string_view line);
    // Direct access without locking: only while no client is exchanging bytes (the serving
    // thread touches the console only when bytes arrive). Prefer withConsole().
    Console& console() { return *console_; }

  private:
    void run();
    void closeFds();

    std::optional<Console> console_;
    std::mutex mutex_;  // guards console_ and the closing of the master by the thread
    std::condition_variable hungUpCv_;
    std::string slavePath_;
    int master_ = -1;
    int slaveKeep_ = -1;  // held so the master never sees a hang-up while no client is open
    int wake_ = -1;       // eventfd that wakes the serving thread
    int baud_ = 0;
    std::thread thread_;
    std::atomic<bool> stopping_{false};
    std::atomic<bool> hangUpRequested_{false};
    std::atomic<bool> hungUp_{false};
    std::atomic<bool> taking_{false};  // bytes read from the master, not yet fed to the console
    std::atomic<long long> lastTakenNs_{0};  // steady clock, when bytes were last fed
};

}  // namespace quorvel::sim
