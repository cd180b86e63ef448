// A program a test runs beside itself: its standard output read line by line within a time
// limit (or sent to a log file with its standard error), signals, and its exit awaited within a
// bound. Whatever still runs when it goes is terminated, killed after a grace time, and reaped.
#pragma once

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <optional>
#include <string>
#include <thread>
#include <vector>

extern char** environ;

namespace quorvel::test {

class ChildProcess {
  public:
    ChildProcess() = default;
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;
    ~ChildProcess() { stop(); }

    // Runs argv[0] (a path) with the environment plus `env` ("NAME=value"). Standard error, and
    // standard output unless `pipeOut`, go to `logPath`. False when it could not be started.
    bool start(std::vector<std::string> argv, const std::string& logPath, bool pipeOut,
               const std::vector<std::string>& env = {}) {
        int fds[2] = {-1, -1};
        if (pipeOut && ::pipe2(fds, O_CLOEXEC) != 0) {
            return false;
        }
        std::vector<char*> args;
        for (auto& a : argv) {
            args.push_back(a.data());
        }
        args.push_back(nullptr);
        std::vector<std::string> envText;
        for (char** e = environ; *e != nullptr; ++e) {
            envText.emplace_back(*e);
        }
        envText.insert(envText.end(), env.begin(), env.end());
        std::vector<char*> envp;
        for (auto& e : envText) {
            envp.push_back(e.data());
        }
        envp.push_back(nullptr);

        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 2, logPath.c_str(),
                                         O_WRONLY | O_CREAT | O_APPEND, 0644);
        if (pipeOut) {
            posix_spawn_file_actions_adddup2(&actions, fds[1], 1);
        } else {
            posix_spawn_file_actions_adddup2(&actions, 2, 1);
        }
        const int rc = posix_spawn(&pid_, args[0], &actions, nullptr, args.data(), envp.data());
        posix_spawn_file_actions_destroy(&actions);
        if (pipeOut) {
            ::close(fds[1]);
            out_ = fds[0];
        }
        if (rc != 0) {
            pid_ = -1;
            return false;
        }
        return true;
    }

    // The next line of standard output without its line end; none at its end or after `limit`
    // (a limit of 0 takes only what has arrived).
    std::optional<std::string> readLine(std::chrono::milliseconds limit) {
        const auto deadline = std::chrono::steady_clock::now() + limit;
        for (;;) {
            if (const auto end = buffer_.find('\n'); end != std::string::npos) {
                std::string line = buffer_.substr(0, end);
                buffer_.erase(0, end + 1);
                return line;
            }
            const auto left =
                std::max<long>(0, std::chrono::duration_cast<std::chrono::milliseconds>(
                                      deadline - std::chrono::steady_clock::now())
                                      .count());
            pollfd p{out_, POLLIN, 0};
            if (out_ < 0 || ::poll(&p, 1, static_cast<int>(left)) <= 0) {
                return std::nullopt;
            }
            char chunk[4096];
            const ssize_t n = ::read(out_, chunk, sizeof chunk);
            if (n <= 0) {
                return std::nullopt;
            }
            buffer_.append(chunk, static_cast<std::size_t>(n));
        }
    }

    void signal(int sig) const {
        if (pid_ > 0) {
            ::kill(pid_, sig);
        }
    }

    // The exit code (128 + the signal for a program a signal ended); none while it still runs
    // after `limit`.
    std::optional<int> waitExit(std::chrono::milliseconds limit) {
        const auto deadline = std::chrono::steady_clock::now() + limit;
        while (pid_ > 0) {
            int status = 0;
            const pid_t r = ::waitpid(pid_, &status, WNOHANG);
            if (r == pid_) {
                pid_ = -1;
                exit_ = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
                break;
            }
            if (r < 0 || std::chrono::steady_clock::now() >= deadline) {
                return std::nullopt;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        return exit_;
    }

    bool running() { return pid_ > 0 && !waitExit(std::chrono::milliseconds(0)); }

    // Terminates, then kills after two seconds; reaps.
    void stop() {
        if (pid_ > 0) {
            signal(SIGTERM);
            if (!waitExit(std::chrono::seconds(2))) {
                signal(SIGKILL);
                waitExit(std::chrono::seconds(5));
            }
        }
        if (out_ >= 0) {
            ::close(out_);
            out_ = -1;
        }
    }

  private:
    pid_t pid_ = -1;
    int out_ = -1;
    std::string buffer_;
    std::optional<int> exit_;
};

}  // namespace quorvel::test
