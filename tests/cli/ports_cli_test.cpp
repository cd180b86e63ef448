// quorvelctl ports on the simulator's pseudo-terminals, and the trace of a session: the login
// with its password masked, every line the simulated PDU took in, and the logout.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <stdlib.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "cli/cli_test_support.h"
#include "link/pdu_ifce.h"
#include "platform/serial_port.h"
#include "platform/serial_ports.h"
#include "sim/pty_simulator.h"
#include "support/cli_runner.h"

namespace quorvel::cli {
namespace {

using test::quorvelctl;

// The entry of `ports` for device, or null.
nlohmann::json EntryFor(const nlohmann::json& out, const std::string& device) {
    for (const auto& p : out["ports"]) {
        if (p["device"] == device) {
            return p;
        }
    }
    return nullptr;
}

TEST(QuorvelctlPorts, ShowsTheSimulatorsTerminalUnderItsComPortAndWhenItIsHeld) {
    sim::PtySimulator simulator;
    ASSERT_NO_FATAL_FAILURE(test::Serve(simulator, test::LoadedProfile("v2")));
    const std::string pty = std::filesystem::canonical(simulator.slavePath()).string();

    auto r = quorvelctl({"--port", pty, "ports"});
    ASSERT_EQ(r.code, 0) << r.err;
    nlohmann::json e = EntryFor(r.json, pty);
    ASSERT_FALSE(e.is_null()) << r.json.dump();
    // The device database knows no pseudo-terminals: not detected.
    test::ExpectFields(e, R"({"com": ["COM1"], "detected": false, "exists": true, "mayOpen": true,
        "joinGroup": null, "held": false})");
    EXPECT_FALSE(e.contains("hint"));

    // Another user of the line holds it as this program does (exclusive lock).
    platform::SerialPort::OpenError openError;
    auto holder = platform::SerialPort::open(pty, platform::LineSettings{}, openError);
    ASSERT_NE(holder, nullptr);
    r = quorvelctl({"--port", pty, "ports"});
    EXPECT_EQ(EntryFor(r.json, pty)["held"], true) << r.json.dump();
    holder.reset();
    EXPECT_EQ(EntryFor(quorvelctl({"--port", pty, "ports"}).json, pty)["held"], false);

    // Only USB adapters: the terminal is not one.
    r = quorvelctl({"--port", pty, "ports", "--usb"});
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_TRUE(EntryFor(r.json, pty).is_null());
    // Looking never writes to the line.
    simulator.settle(200);
    simulator.withConsole([](sim::Console& c) { EXPECT_TRUE(c.bytesTaken().empty()); });

    // The built-in simulated PDU stands behind COM1 for the verb as for a session.
    r = quorvelctl({"--simulate", "ports"});
    ASSERT_EQ(r.code, 0) << r.err;
    bool found = false;
    for (const auto& p : r.json["ports"]) {
        if (p["com"] == nlohmann::json::array({"COM1"}) && p["detected"] == false) {
            found = p["device"].get<std::string>().rfind("/dev/pts/", 0) == 0;
        }
    }
    EXPECT_TRUE(found) << r.json.dump();
}

TEST(QuorvelctlPorts, ListsTheDetectedDevicesOnceAndOnlyTheUsbOnesWithUsb) {
    const std::string byId = "/dev/serial/by-id/usb-FTDI_FT232R_USB_UART_A1B2C3-if00-port0";
    platform::SetTtySource([byId] {
        return std::vector<platform::TtyRecord>{
            {"ttyUSB7",
             "/dev/ttyUSB7",
             {byId},
             {{"ID_BUS", "usb"}, {"ID_VENDOR", "FTDI"}},
             "ftdi_sio",
             "",
             true},
            {"ttyS7", "/dev/ttyS7", {}, {}, "serial", "4", true}};
    });
    // COM1 names the adapter by its link: it is the adapter's entry, not one of its own.
    auto all = quorvelctl({"--port", byId, "ports"});
    auto usb = quorvelctl({"ports", "--usb"});
    platform::SetTtySource(nullptr);
    ASSERT_EQ(all.code, 0) << all.err;
    ASSERT_EQ(all.json["ports"].size(), 2u) << all.json.dump();
    const nlohmann::json adapter = EntryFor(all.json, "/dev/ttyUSB7");
    test::ExpectFields(
        adapter, {{"com", nlohmann::json::array({"COM1"})}, {"store", byId}, {"vendor", "FTDI"}});
    EXPECT_EQ(EntryFor(all.json, "/dev/ttyS7")["com"], nlohmann::json::array({"COM8"}));
    ASSERT_EQ(usb.json["ports"].size(), 1u) << usb.json.dump();
    EXPECT_EQ(usb.json["ports"][0]["device"], "/dev/ttyUSB7");
}

struct TraceFile {
    std::vector<nlohmann::json> records;
    std::string raw;
};

TraceFile ReadTrace(const std::string& path) {
    TraceFile t;
    std::ifstream in(path);
    std::string line;
    while (std::getline(in, line)) {
        t.raw += line + "\n";
        t.records.push_back(nlohmann::json::parse(line));
    }
    return t;
}

std::string Stream(const TraceFile& t, const char* dir) {
    std::string s;
    for (const auto& r : t.records) {
        if (r.value("dir", "") == dir) {
            s += r["text"].get<std::string>();
        }
    }
    return s;
}

// The records of `event` ("start", "open", "close").
long Events(const TraceFile& t, const char* event) {
    return std::count_if(t.records.begin(), t.records.end(),
                         [event](const auto& j) { return j.value("event", "") == event; });
}

std::string Masked(std::string line) {
    for (const std::string secret : {kConsolePassword, kAccessCode}) {
        for (auto at = line.find(secret); at != std::string::npos; at = line.find(secret)) {
            line.replace(at, secret.size(), "***");
        }
    }
    return line;
}

class QuorvelctlTrace : public ::testing::Test {
  protected:
    const test::TempDir dir_{"trace"};
    const std::string trace_ = dir_.file("trace.jsonl"), record_ = dir_.file("record.json");
};

TEST_F(QuorvelctlTrace, HoldsTheLoginWithItsPasswordMaskedEveryLineAndTheLogout) {
    auto r = quorvelctl({"--trace", trace_, "--simulate=v2", "--simulate-record", record_, "config",
                         "set", "cRecepName3=Lamp"});
    ASSERT_EQ(r.code, 0) << r.err;
    const TraceFile t = ReadTrace(trace_);
    std::ifstream recordFile(record_);
    const auto taken = nlohmann::json::parse(recordFile);
    ASSERT_TRUE(taken["endsWithLogout"]);

    EXPECT_EQ(t.raw.find(kConsolePassword), std::string::npos);
    const std::string sent = Stream(t, "tx");
    const std::string received = Stream(t, "rx");
    EXPECT_THAT(received, ::testing::HasSubstr("\r\nPassword: "));
    EXPECT_THAT(received, ::testing::HasSubstr("Password: ***\r\r\n?"));  // echoed, accepted
    // Every line the PDU took in, in order, ended by its carriage return.
    std::size_t at = 0;
    bool sawPassword = false;
    for (const auto& line : taken["lines"]) {
        const std::string want = Masked(line.get<std::string>()) + "\r";
        sawPassword = sawPassword || line == kConsolePassword;
        const std::size_t found = sent.find(want, at);
        ASSERT_NE(found, std::string::npos) << "missing from the trace: " << want;
        at = found + want.size();
    }
    EXPECT_TRUE(sawPassword);
    EXPECT_THAT(sent, ::testing::HasSubstr("H "));  // the setting itself
    // The last bytes sent are the logout, and the line was opened and closed.
    const auto lastSent = std::find_if(t.records.rbegin(), t.records.rend(),
                                       [](const auto& j) { return j.value("dir", "") == "tx"; });
    ASSERT_NE(lastSent, t.records.rend());
    EXPECT_EQ((*lastSent)["text"], "\x12\r");
    EXPECT_EQ(t.records.front()["event"], "start");
    EXPECT_EQ(Events(t, "open"), 1);
    EXPECT_EQ(Events(t, "close"), 1);
    double previous = 0;
    for (const auto& j : t.records) {
        EXPECT_GE(j["t"].get<double>(), previous);
        previous = j["t"].get<double>();
    }
}

TEST_F(QuorvelctlTrace, MasksTheAccessCodeAndTheVariableAddsRunsToOneFile) {
    ::setenv("QUORVEL_TRACE", trace_.c_str(), 1);
    auto first = quorvelctl({"--simulate=v2", "format-db"});
    auto second = quorvelctl({"--simulate=v2", "identify"});
    ::unsetenv("QUORVEL_TRACE");
    ASSERT_EQ(first.code, 0) << first.err;
    ASSERT_EQ(second.code, 0) << second.err;
    const TraceFile t = ReadTrace(trace_);
    EXPECT_EQ(t.raw.find(kAccessCode), std::string::npos);
    EXPECT_THAT(Stream(t, "tx"), ::testing::HasSubstr("I ***\r"));
    EXPECT_EQ(Events(t, "start"), 2);

    // A trace file that cannot be written is a usage error, before anything is sent.
    EXPECT_EQ(quorvelctl({"--trace", "/nonexistent/dir/t.jsonl", "--simulate", "identify"}).code,
              2);
}

}  // namespace
}  // namespace quorvel::cli
