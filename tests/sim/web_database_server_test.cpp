// The simulated unit's web server: network settings take effect at start and at "X" only, the
// web users' logins follow the user variables, and "I" restores the stored defaults.
#include <gtest/gtest.h>

#include "sim/commands.h"
#include "sim/console.h"
#include "sim/encoding.h"
#include "sim/profile.h"
#include "sim/sim_test_support.h"
#include "sim/web_database_server.h"

namespace quorvel::sim {
namespace {

using Kind = CommandResult::Kind;

// The "H" value of a text: its wide characters as hexadecimal pairs, low byte first.
std::string textHex(const std::string& text) {
    const std::vector<std::uint8_t> bytes = textBytes(text);
    return toHexPairs(bytes.data(), bytes.size());
}

class WebServer : public testing::Test {
  protected:
    void SetUp() override { ASSERT_NO_FATAL_FAILURE(Load("v2", profile)); }
    CommandResult run(Console& c, const std::string& line) {
        return runCommand(c.device(), c.profile().device, line);
    }
    Profile profile;
};

TEST_F(WebServer, NetworkSettingsTakeEffectAtStartAndOnRestartOnly) {
    Console console(profile);
    const NetworkSettings& active = console.device().webServer.active;
    EXPECT_EQ(active.ip, (std::array<std::uint8_t, 4>{192, 168, 123, 123}));
    EXPECT_EQ(active.gateway, (std::array<std::uint8_t, 4>{192, 168, 123, 1}));
    EXPECT_EQ(active.options, 16);
    EXPECT_EQ(active.name, "PDUName");

    ASSERT_EQ(run(console, "H b 10.0.0.1 0").kind, Kind::Accepted);
    ASSERT_EQ(run(console, "H c 11 0").kind, Kind::Accepted);  // DHCP on
    EXPECT_EQ(console.device().webServer.active.gateway[0], 192);
    EXPECT_EQ(networkFromVariables(console.device()).gateway[0], 10);
    ASSERT_EQ(run(console, "X 47310862").kind, Kind::Accepted);
    EXPECT_EQ(console.device().webServer.active.gateway,
              (std::array<std::uint8_t, 4>{10, 0, 0, 1}));
    EXPECT_EQ(console.device().webServer.active.options, 0x11);
    EXPECT_EQ(console.device().networkRestarts, 1);
}

TEST_F(WebServer, LoginsFollowTheUserVariables) {
    Console console(profile);
    EXPECT_TRUE(webLogin(console.device(), "kavro", "kavro"));
    EXPECT_FALSE(webLogin(console.device(), "kavro", "wrong"));
    EXPECT_FALSE(webLogin(console.device(), "", ""));  // users 2-4 are empty
    ASSERT_EQ(run(console, "H 5c " + textHex("tech") + " 0").kind, Kind::Accepted);
    ASSERT_EQ(run(console, "H 60 " + textHex("s3cret") + " 0").kind, Kind::Accepted);
    EXPECT_TRUE(webLogin(console.device(), "tech", "s3cret"));
    EXPECT_EQ(variableText(console.device(), 0x5c), "tech");
    // Formatting restores the stored defaults: the new user is gone.
    ASSERT_EQ(run(console, "I 47310862").kind, Kind::Accepted);
    EXPECT_FALSE(webLogin(console.device(), "tech", "s3cret"));
    EXPECT_TRUE(webLogin(console.device(), "kavro", "kavro"));
}

}  // namespace
}  // namespace quorvel::sim
