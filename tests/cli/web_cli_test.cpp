// quorvelctl web get and web set against one simulated PDU: what is read, that only changes are
// written, the network restart, and command lines refused before anything is sent.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "cli/cli_test_support.h"
#include "sim/pty_simulator.h"
#include "sim/web_database_server.h"
#include "support/cli_runner.h"
#include "support/sim_console.h"

namespace quorvel::cli {
namespace {

using Result = test::CliJsonResult;

class WebCli : public ::testing::Test, protected test::ServedPdu {
  protected:
    void SetUp() override { ASSERT_NO_FATAL_FAILURE(serve("v2")); }
    Result web(std::vector<std::string> args) { return ctl("web", std::move(args)); }
    // The "H" settings the device received so far.
    std::vector<std::string> settings() {
        std::vector<std::string> out;
        simulator.withConsole([&](sim::Console& c) {
            for (const auto& l : c.receivedLines()) {
                if (l[0] == 'H' || l[0] == 'X') {
                    out.push_back(l);
                }
            }
        });
        return out;
    }
};

TEST_F(WebCli, GetPrintsTheWebSettings) {
    Result r = web({"get"});
    ASSERT_EQ(r.code, 0) << r.err;
    test::ExpectFields(r.json, R"({"name": "PDUName", "ip": "192.168.123.123",
        "subnet": "255.255.255.0", "gateway": "192.168.123.1", "options": 16, "webEnabled": true,
        "swUpdate": true, "dhcp": false})");
    ASSERT_EQ(r.json["users"].size(), 4u);
    EXPECT_EQ(r.json["users"][0]["name"], "kavro");
    EXPECT_EQ(r.json["users"][0]["password"], "kavro");
    EXPECT_EQ(r.json["users"][3]["name"], "");
    EXPECT_TRUE(settings().empty());
}

TEST_F(WebCli, SetWritesOnlyWhatChanged) {
    Result same = web({"set", "name=PDUName", "swupdate=on"});
    ASSERT_EQ(same.code, 0) << same.err;
    EXPECT_TRUE(same.json["saved"].empty());
    EXPECT_TRUE(settings().empty());

    Result user = web({"set", "user2=tech", "password2=s3cret"});
    ASSERT_EQ(user.code, 0) << user.err;
    EXPECT_EQ(user.json["saved"], nlohmann::json({"user2", "password2"}));
    EXPECT_EQ(user.json["networkChanged"], false);
    EXPECT_EQ(settings().size(), 2u);
    EXPECT_TRUE(sim::webLogin(simulator.deviceSnapshot(), "tech", "s3cret"));

    Result net = web({"set", "gateway=10.0.0.1", "swupdate=off", "--restart"});
    ASSERT_EQ(net.code, 0) << net.err;
    test::ExpectFields(
        net.json,
        R"({"saved": ["gateway", "options"], "networkChanged": true, "restarted": true})");
    const sim::Device d = simulator.deviceSnapshot();
    EXPECT_EQ(d.webServer.active.gateway, (std::array<std::uint8_t, 4>{10, 0, 0, 1}));
    EXPECT_EQ(d.variableNumber(12, 0), 0x30u);

    Result back = web({"get"});
    test::ExpectFields(back.json, R"({"gateway": "10.0.0.1", "swUpdate": false})");
    EXPECT_EQ(back.json["users"][1]["password"], "s3cret");

    // Without --restart a network change is saved but does not take effect.
    Result later = web({"set", "ip=10.0.0.5"});
    EXPECT_EQ(later.json["restarted"], false);
    EXPECT_EQ(simulator.deviceSnapshot().webServer.active.ip[3], 123);
}

TEST_F(WebCli, BadAssignmentsAreRefusedBeforeAnythingIsSent) {
    for (std::vector<std::string> args :
         {std::vector<std::string>{"set", "gateway=10.0.0"},
          std::vector<std::string>{"set", "ip=1.2.3.256"},
          std::vector<std::string>{"set", "name=" + std::string(32, 'x')},
          std::vector<std::string>{"set", "celsius=maybe"},
          std::vector<std::string>{"set", "user5=x"}, std::vector<std::string>{"set", "name"},
          std::vector<std::string>{"set", "user1=ok", "password1=tab\there"}}) {
        Result r = web(args);
        EXPECT_EQ(r.code, 2) << args.back();
        EXPECT_FALSE(r.err.empty());
    }
    EXPECT_TRUE(settings().empty());
    EXPECT_EQ(web({}).code, 2);
}

}  // namespace
}  // namespace quorvel::cli
