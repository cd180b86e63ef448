// Every device path of quorvelctl against every failure mode of the simulated PDU, the fault
// starting at the path's own first line: the documented failure and its message, within the
// bound the console's own limits give, with no thread left behind.
//
// The bounds: a query gives up after 5 tries of 2 sanity checks, each a 400 ms wait of 20 reads
// that time out after 1 ms a byte + 10 ms (about 11.6 s a try, 58 s in all); a setting after 5
// tries of 5 sanity checks (about 145 s). Identify makes each of its three queries once.
#include <dirent.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <ostream>
#include <string>
#include <thread>
#include <vector>

#include "support/cli_runner.h"

namespace quorvel {
namespace {

using Clock = std::chrono::steady_clock;

constexpr double kIdentifyBound = 45;  // three single queries
constexpr double kQueryBound = 70;     // one query's five tries
constexpr double kSettingBound = 160;  // one setting's five tries
constexpr double kHangupBound = 10;    // a vanished line fails each exchange at once
constexpr double kSlowBound = 90;      // every exchange 150 ms late, and a path of many items

struct Path {
    const char* name;
    std::vector<std::string> args;
    const char* anchor;       // the first line of the path's own work; null: right after login
    const char* failure;      // how quorvelctl's reason starts when the path fails
    double bound;             // seconds, for a path whose line went silent or answers garbage
    const char* report = "";  // what it prints all the same
};

struct Fault {
    const char* name;
    const char* list;  // the failure mode, counted from the path's anchor line
};

const Path kPaths[] = {
    {"Identify", {"identify"}, nullptr, "Failed Get Configuration: ", kIdentifyBound},
    {"Status", {"status"}, "G B", "no status frame: ", kQueryBound},
    {"Monitor", {"monitor", "--count", "2"}, "G B", "no status frame: ", kQueryBound},
    {"Switch", {"switch", "3", "off"}, "R ", "SendCommand: ", kSettingBound},
    {"ConfigGet",
     {"config", "get"},
     "h ",
     "could not read cLogInterval from the PDU: ",
     kQueryBound},
    {"ConfigSet",
     {"config", "set", "cRecepName3=Lamp"},
     "H ",
     "the PDU stopped answering, not written: 1 item(s): ",
     kSettingBound,
     "{\"written\":{},\"refused\":[\"cRecepName3\"]}\n"},
    {"Stamp", {"stamp", "SQV11220241BB-3"}, "s ", "SendCommand: ", kSettingBound},
    {"Calibrate",
     {"calibrate", "Socket 1"},
     "K ",
     "the PDU stopped answering the calibration writes: ",
     kSettingBound},
    {"WebGet", {"web", "get"}, "h ", "could not read the web variables: ", kQueryBound},
    {"WebSet", {"web", "set", "name=Rack7"}, "H ", "could not write every change: ", kSettingBound},
};

const Fault kFaults[] = {
    {"Silent", "silent-from=1"},
    {"Garbage", "garbage-from=1"},
    {"DroppedCharacters", "drop-chars=9,drop-chars-from=1"},
    {"SlowReplies", "slow=150"},
    {"HangupMidExchange", "hangup-at=1"},
};

int threadCount() {
    int n = 0;
    if (DIR* d = ::opendir("/proc/self/task")) {
        while (const dirent* e = ::readdir(d)) {
            n += e->d_name[0] != '.';
        }
        ::closedir(d);
    }
    return n;
}

// The thread count once it has stopped falling for 50 ms, within a second.
int settledThreadCount() {
    int n = threadCount();
    for (int steady = 0, i = 0; steady < 5 && i < 100; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
        const int now = threadCount();
        steady = now < n ? 0 : steady + 1;
        n = std::min(n, now);
    }
    return n;
}

struct Case {
    const Path* path;
    const Fault* fault;
};

void PrintTo(const Case& c, std::ostream* os) {
    *os << c.path->name << " with " << c.fault->list;
}

class FaultPaths : public ::testing::TestWithParam<Case> {};

TEST_P(FaultPaths, FailAsDocumentedInBoundedTime) {
    const Path& path = *GetParam().path;
    const Fault& fault = *GetParam().fault;
    std::string faults = fault.list;
    if (path.anchor != nullptr) {
        faults = std::string("anchor=") + path.anchor + "," + faults;
    }
    std::vector<std::string> args = {"--attribs", QUORVEL_BIN_DIR "/pduattribs.ini",
                                     "--simulate=v2", "--simulate-faults", faults};
    args.insert(args.end(), path.args.begin(), path.args.end());

    // A sanitizer's runtime starts a thread of its own with the first thread the program
    // makes; one made and joined here puts it into the count before the run.
    // A joined thread may linger in the task list for a moment after its join, so the count
    // is taken once it has settled.
    std::thread([] {}).join();
    const int threadsBefore = settledThreadCount();
    const auto start = Clock::now();
    const test::CliResult r = test::runCtl(args);
    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    int threadsAfter = threadCount();
    for (int i = 0; i < 100 && threadsAfter > threadsBefore; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
        threadsAfter = threadCount();
    }
    EXPECT_LE(threadsAfter, threadsBefore) << "a thread outlived the run";

    const std::string reason = "quorvelctl: " + std::string(path.failure);
    const std::string name = fault.name;
    if (name == "SlowReplies") {
        EXPECT_EQ(r.code, 0) << r.err;
        EXPECT_LT(seconds, kSlowBound);
    } else if (name == "HangupMidExchange") {
        EXPECT_EQ(r.code, 1);
        EXPECT_EQ(r.err.rfind(reason, 0), 0u) << r.err;
        EXPECT_LT(seconds, kHangupBound);
    } else if (name == "DroppedCharacters") {
        // Line noise may let a try through, or garble an answer into a refusal; what is
        // reported is the result or a failure that carries the console's own reason.
        if (r.code != 0) {
            EXPECT_EQ(r.code, 1);
            EXPECT_TRUE(r.err.find("GetStatus: ") != std::string::npos ||
                        r.err.find("SendCommand: ") != std::string::npos)
                << r.err;
        }
        EXPECT_LT(seconds, path.bound);
    } else {
        EXPECT_EQ(r.code, 1);
        EXPECT_EQ(r.err.rfind(reason, 0), 0u) << r.err;
        EXPECT_NE(r.err.find("could not establish sanity"), std::string::npos) << r.err;
        // Nothing is printed as if it had worked; config set reports what it did not write.
        EXPECT_EQ(r.out, path.report) << r.err;
        EXPECT_LT(seconds, path.bound);
    }
}

std::vector<Case> allCases() {
    std::vector<Case> out;
    for (const Path& p : kPaths) {
        for (const Fault& f : kFaults) {
            out.push_back({&p, &f});
        }
    }
    return out;
}

INSTANTIATE_TEST_SUITE_P(Cli, FaultPaths, ::testing::ValuesIn(allCases()),
                         [](const ::testing::TestParamInfo<Case>& info) {
                             return std::string(info.param.path->name) + "_" +
                                    info.param.fault->name;
                         });

}  // namespace
}  // namespace quorvel
