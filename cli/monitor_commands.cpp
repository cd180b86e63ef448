// quorvelctl monitor: holds one session and prints a decoded snapshot of the PDU's live state at
// every refresh, as JSON lines or CSV, until a count is reached or the run is interrupted; with
// --nut it also keeps a NUT device definition file current for dummy-ups.
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <unistd.h>

#include <CLI/CLI.hpp>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <map>
#include <memory>
#include <optional>
#include <ostream>
#include <thread>

#include "cli/cli_session.h"
#include "cli/context.h"
#include "cli/live_state.h"
#include "cli/model_text.h"
#include "cli/nut_device_file.h"
#include "cli/readings.h"

namespace quorvel::cli {

namespace {

// What a signal handler may touch: lock-free atomics and write(2).
static_assert(std::atomic<bool>::is_always_lock_free);
static_assert(std::atomic<int>::is_always_lock_free);
static_assert(std::atomic<std::atomic<bool>*>::is_always_lock_free);

std::atomic<bool> gInterrupted{false};
// The stop flag of the operations running now (they give up between exchanges once it is set).
std::atomic<std::atomic<bool>*> gStopFlag{nullptr};
std::atomic<int> gWakeFd{-1};
// Handlers running now. Whoever withdraws the stop flag or the pipe clears its pointer first,
// then waits for 0 (a handler takes a few instructions) before the flag or the pipe goes.
std::atomic<int> gHandlersBusy{0};

void awaitHandlers() {
    while (gHandlersBusy.load() != 0) {
        std::this_thread::yield();
    }
}

extern "C" void onInterrupt(int) {
    gHandlersBusy.fetch_add(1);
    const int savedErrno = errno;
    gInterrupted.store(true);
    if (std::atomic<bool>* stop = gStopFlag.load()) {
        stop->store(true);
    }
    const int fd = gWakeFd.load();
    if (fd >= 0) {
        const char byte = 1;
        [[maybe_unused]] const ssize_t n = ::write(fd, &byte, 1);
    }
    errno = savedErrno;
    gHandlersBusy.fetch_sub(1);
}

// SIGINT and SIGTERM for the length of one run: the handler records the interruption, stops the
// device operation in progress and wakes the wait between refreshes. The previous handlers come
// back at the end.
class InterruptScope {
  public:
    InterruptScope() {
        gInterrupted.store(false);
        if (::pipe2(fds_, O_CLOEXEC | O_NONBLOCK) != 0) {
            error_ = std::string("could not make the interrupt pipe: ") + std::strerror(errno);
            fds_[0] = fds_[1] = -1;
            return;
        }
        gWakeFd.store(fds_[1]);
        struct sigaction action {};
        action.sa_handler = onInterrupt;
        sigemptyset(&action.sa_mask);
        action.sa_flags = SA_RESTART;
        ::sigaction(SIGINT, &action, &previousInt_);
        ::sigaction(SIGTERM, &action, &previousTerm_);
    }
    ~InterruptScope() {
        if (!error_.empty()) {
            return;
        }
        ::sigaction(SIGINT, &previousInt_, nullptr);
        ::sigaction(SIGTERM, &previousTerm_, nullptr);
        gWakeFd.store(-1);
        awaitHandlers();
        for (int fd : fds_) {
            if (fd >= 0) {
                ::close(fd);
            }
        }
    }
    InterruptScope(const InterruptScope&) = delete;
    InterruptScope& operator=(const InterruptScope&) = delete;

    // Why the handlers could not be put in place ("" when they are).
    const std::string& error() const { return error_; }
    const std::atomic<bool>* flag() const { return &gInterrupted; }
    bool interrupted() const { return gInterrupted.load(); }

    // Waits until `deadline`; true when the run was interrupted first.
    bool waitUntil(std::chrono::steady_clock::time_point deadline) {
        while (!interrupted()) {
            const auto left = std::chrono::ceil<std::chrono::milliseconds>(
                deadline - std::chrono::steady_clock::now());
            if (left.count() <= 0) {
                return false;
            }
            pollfd p{fds_[0], POLLIN, 0};
            if (::poll(&p, 1, static_cast<int>(left.count())) > 0) {
                char drain[16];
                while (::read(fds_[0], drain, sizeof drain) > 0) {
                }
            }
        }
        return true;
    }

  private:
    std::string error_;
    int fds_[2] = {-1, -1};
    struct sigaction previousInt_ {};
    struct sigaction previousTerm_ {};
};

// Points the handler at the operations' stop flag while it lives; when it ends, no handler can
// still be storing into the flag.
class StopFlagLink {
  public:
    explicit StopFlagLink(std::atomic<bool>& flag) {
        gStopFlag.store(&flag);
        if (gInterrupted.load()) {
            flag.store(true);
        }
    }
    ~StopFlagLink() {
        gStopFlag.store(nullptr);
        awaitHandlers();
    }
    StopFlagLink(const StopFlagLink&) = delete;
    StopFlagLink& operator=(const StopFlagLink&) = delete;
};

struct MonitorOptions {
    double interval = 1.0;  // seconds
    long count = 0;         // 0: until interrupted
    std::string format = "jsonl";
    std::string nutFile;
};

std::string utcNow() {
    const std::time_t now = std::time(nullptr);
    std::tm utc{};
    ::gmtime_r(&now, &utc);
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%SZ", &utc);
    return text;
}

std::string fixed(double value) {
    char text[32];
    std::snprintf(text, sizeof text, "%.2f", value);
    return text;
}

nlohmann::json optionalJson(const std::optional<double>& v) {
    return v ? nlohmann::json(*v) : nlohmann::json(nullptr);
}

nlohmann::json snapshotJson(const std::string& time, const Readings& r) {
    nlohmann::json outlets = nlohmann::json::array();
    for (const OutletReading& o : r.outlets) {
        nlohmann::json j = {{"outlet", o.number}, {"name", o.name}};
        if (o.current) {
            j["current"] = *o.current;
        }
        if (o.on) {
            j["on"] = *o.on;
        }
        outlets.push_back(std::move(j));
    }
    nlohmann::json temperatures = nlohmann::json::array();
    for (const auto& t : r.temperatures) {
        temperatures.push_back(optionalJson(t));
    }
    nlohmann::json humidities = nlohmann::json::array();
    for (const auto& h : r.humidities) {
        humidities.push_back(optionalJson(h));
    }
    return {
        {"time", time},
        {"voltages", r.voltages},
        {"circuitCurrents", r.circuitCurrents},
        {"outlets", std::move(outlets)},
        {"temperatureUnit", r.celsius ? "C" : "F"},
        {"temperatures", std::move(temperatures)},
        {"humidities", std::move(humidities)},
        {"alarm", r.alarmWord},
        {"lock", r.lockWord},
    };
}

// The CSV columns of one snapshot in order, each with its text (empty for no reading).
std::vector<std::pair<std::string, std::string>> csvFields(const std::string& time,
                                                           const Readings& r) {
    std::vector<std::pair<std::string, std::string>> f;
    f.emplace_back("time", time);
    for (std::size_t i = 0; i < r.voltages.size(); ++i) {
        f.emplace_back("voltage" + std::to_string(i + 1) + "_V", std::to_string(r.voltages[i]));
    }
    for (std::size_t c = 0; c < r.circuitCurrents.size(); ++c) {
        f.emplace_back("circuit" + std::to_string(c + 1) + "_A", fixed(r.circuitCurrents[c]));
    }
    for (const OutletReading& o : r.outlets) {
        const std::string n = "outlet" + std::to_string(o.number);
        if (o.current) {
            f.emplace_back(n + "_A", fixed(*o.current));
        }
        if (o.on) {
            f.emplace_back(n + "_on", *o.on ? "1" : "0");
        }
    }
    const std::string unit = r.celsius ? "_C" : "_F";
    for (std::size_t i = 0; i < r.temperatures.size(); ++i) {
        const auto& t = r.temperatures[i];
        f.emplace_back("temperature" + std::to_string(i + 1) + unit, t ? fixed(*t) : "");
    }
    for (std::size_t i = 0; i < r.humidities.size(); ++i) {
        const auto& h = r.humidities[i];
        f.emplace_back("humidity" + std::to_string(i + 1) + "_pct", h ? fixed(*h) : "");
    }
    f.emplace_back("alarm", std::to_string(r.alarmWord));
    f.emplace_back("lock", std::to_string(r.lockWord));
    return f;
}

// Prints snapshots in the chosen format; CSV takes its columns from the first snapshot.
class SnapshotPrinter {
  public:
    SnapshotPrinter(std::ostream& out, bool csv) : out_(out), csv_(csv) {}

    // False once the output no longer takes lines.
    bool print(const Readings& r) {
        const std::string time = utcNow();
        if (!csv_) {
            out_ << snapshotJson(time, r).dump() << '\n';
        } else {
            auto fields = csvFields(time, r);
            if (columns_.empty()) {
                for (const auto& [name, value] : fields) {
                    columns_.push_back(name);
                }
                line(columns_);
            }
            std::map<std::string, std::string> byName(fields.begin(), fields.end());
            std::vector<std::string> row;
            for (const std::string& c : columns_) {
                row.push_back(byName[c]);
            }
            line(row);
        }
        out_.flush();
        return out_.good();
    }

  private:
    void line(const std::vector<std::string>& cells) {
        for (std::size_t i = 0; i < cells.size(); ++i) {
            out_ << (i > 0 ? "," : "") << cells[i];
        }
        out_ << '\n';
    }

    std::ostream& out_;
    bool csv_;
    std::vector<std::string> columns_;
};

std::string modelText(const SessionRecord& s) {
    std::string code = ModelCodeText(s.featureWord, s.attributeWord, s.extensionWord);
    if (code.empty()) {
        char words[32];
        std::snprintf(words, sizeof words, "%4.4X:%8.8X:%4.4X", unsigned{s.featureWord},
                      unsigned{s.attributeWord}, unsigned{s.extensionWord});
        code = words;
    }
    return code;
}

// The refreshes of one session; "" when the run ended by its count or an interruption, else
// why it stopped.
std::string refresh(LiveState& live, InterruptScope& interrupt, const MonitorOptions& o,
                    const std::string& model, std::ostream& out) {
    const StopFlagLink stopLink(live.block.stopRequested);
    live.readIdentity();
    SnapshotPrinter printer(out, o.format == "csv");
    const auto interval = std::chrono::duration_cast<std::chrono::steady_clock::duration>(
        std::chrono::duration<double>(o.interval));
    auto next = std::chrono::steady_clock::now();
    for (long n = 0; o.count == 0 || n < o.count; ++n) {
        if (interrupt.waitUntil(next)) {
            return {};
        }
        next = std::chrono::steady_clock::now() + interval;
        StatusFrameView frame;
        if (!live.readStatus(frame)) {
            if (interrupt.interrupted()) {
                return {};
            }
            const std::string reason = ConsoleReason();
            return "no status frame" + (reason.empty() ? std::string{} : ": " + reason);
        }
        const Readings r = DecodeReadings(live.record, frame, live.block.displayOptions);
        if (!o.nutFile.empty()) {
            std::string error;
            if (!ReplaceFile(o.nutFile, NutDeviceText(model, r), error)) {
                return "--nut: " + error;
            }
        }
        if (!printer.print(r)) {
            return {};  // the reader went away
        }
    }
    return {};
}

void runMonitor(Context& ctx, const MonitorOptions& o) {
    if (!ctx.loadAttributes()) {
        return;
    }
    InterruptScope interrupt;
    if (!interrupt.error().empty()) {
        ctx.fail(interrupt.error());
        return;
    }
    CliSession session(ctx);
    if (!session.connect(interrupt.flag())) {
        return;  // reported, or interrupted before the session was up
    }
    std::string failure;
    {
        LiveState live(session.record());
        failure = refresh(live, interrupt, o, modelText(session.record()), *ctx.out);
    }
    session.disconnect();
    if (!failure.empty()) {
        ctx.fail(failure);
    }
}

}  // namespace

void registerMonitorCommands(CLI::App& app, Context& ctx) {
    auto options = std::make_shared<MonitorOptions>();
    auto* monitor = app.add_subcommand(
        "monitor", "Print a live-state snapshot at every refresh until --count or interrupted");
    monitor->add_option("--interval", options->interval, "Seconds between refreshes, 1..3600")
        ->check(CLI::Range(1.0, 3600.0))
        ->capture_default_str();
    monitor->add_option("--count", options->count, "Stop after N snapshots, 1..1000000000")
        ->check(CLI::Range(1L, 1000000000L));
    monitor->add_option("--format", options->format, "jsonl or csv")
        ->check(CLI::IsMember({"jsonl", "csv"}))
        ->capture_default_str();
    monitor->add_option("--nut", options->nutFile,
                        "Keep this NUT device definition file (dummy-ups) current");
    monitor->callback([&ctx, options] { runMonitor(ctx, *options); });
}

}  // namespace quorvel::cli
