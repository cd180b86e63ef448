// Simulator profiles: the shipped ones load and answer within the host's reply buffer; the
// loader rejects malformed ones with a reason.
#include <gtest/gtest.h>

#include <string>

#include "sim/commands.h"
#include "sim/console.h"
#include "sim/encoding.h"
#include "sim/profile.h"

namespace quorvel::sim {
namespace {

constexpr const char* kShipped[] = {"v1", "v2", "v3", "v4", "v2-loggedin"};

// The host's reply buffer holds 255 characters: echo, CR LF, text and prompt must fit.
constexpr std::size_t kHostReplyLimit = 255;

std::size_t countItems(const std::string& text) {
    std::size_t n = text.empty() ? 0 : 1;
    for (char c : text)
        n += c == ' ';
    return n;
}

TEST(ShippedProfiles, LoadByNameWithTheirGeneration) {
    for (const char* name : kShipped) {
        Profile p;
        std::string error;
        ASSERT_TRUE(loadProfile(name, p, error)) << error;
        EXPECT_EQ(p.name, name);
        EXPECT_FALSE(p.description.empty()) << name;
        EXPECT_GE(countItems(runCommand(p.device, p.device, "V").text), 8U) << name;
        EXPECT_GT(p.device.outletCount, 0) << name;
    }
    Profile v1, v4, loggedIn;
    std::string error;
    ASSERT_TRUE(loadProfile("v1", v1, error));
    ASSERT_TRUE(loadProfile("v4", v4, error));
    ASSERT_TRUE(loadProfile("v2-loggedin", loggedIn, error));
    EXPECT_EQ(v1.device.generationNumber(), 1);
    EXPECT_EQ(countItems(runCommand(v1.device, v1.device, "u").text), 1U);
    EXPECT_EQ(v4.device.generationNumber(), 4);
    EXPECT_GE(v4.device.identity.extension, 0x1000);
    EXPECT_EQ(countItems(runCommand(v4.device, v4.device, "V").text), 16U);
    EXPECT_FALSE(loggedIn.passwordRequired);
}

TEST(ShippedProfiles, EveryQueryFitsTheHostReplyBuffer) {
    for (const char* name : kShipped) {
        Profile p;
        std::string error;
        ASSERT_TRUE(loadProfile(name, p, error)) << error;
        std::vector<std::string> lines = {"v",    "u",    "V", "q", "G B 0 ff", "G i 0 f3",
                                          "P ff", "p ff", "J", "n", "G I A ff"};
        for (const auto& [id, var] : p.device.variables) {
            char line[16];
            std::snprintf(line, sizeof line, "h %x", static_cast<unsigned>(id));
            lines.emplace_back(line);
        }
        Console c(p);
        c.feed("\r");
        c.feed("Kel Voran\r");
        ASSERT_TRUE(c.loggedIn());
        for (const auto& line : lines) {
            std::string reply = c.feed(line + "\r");
            EXPECT_LE(reply.size(), kHostReplyLimit) << name << ": " << line;
            EXPECT_TRUE(reply.ends_with("\r\n?")) << name << ": " << line;
            EXPECT_EQ(reply.find("ERROR"), std::string::npos) << name << ": " << reply;
        }
    }
}

TEST(ProfileLoading, ByPathAndUnknownNames) {
    Profile p;
    std::string error;
    ASSERT_TRUE(loadProfile(std::string(QUORVEL_SOURCE_DIR) + "/sim/profiles/v3.json", p, error))
        << error;
    EXPECT_EQ(p.device.generation, "V3");
    EXPECT_FALSE(loadProfile("no-such-profile", p, error));
    EXPECT_NE(error.find("no-such-profile"), std::string::npos);
    EXPECT_FALSE(loadProfile("/nonexistent/v2.json", p, error));
    EXPECT_EQ(p.device.generation, "V3");  // a failed load leaves the profile alone
}

TEST(ProfileParsing, VariablesWithCountFillAndErasedTexts) {
    const std::string json = R"({
        "identity": {"feature": "0x0720", "attribute": "1"},
        "version": "02.00.00", "generation": "V2",
        "outlets": {"count": 4},
        "variables": [
            {"id": 8, "type": 6, "count": 5, "values": [3, 4], "fill": 9},
            {"id": 7, "type": 7, "count": 4, "fill": 63},
            {"id": 18, "type": 4, "values": [null]},
            {"id": 75, "type": 0, "values": [-2]}
        ]})";
    Profile p;
    std::string error;
    ASSERT_TRUE(parseProfile(json, "inline", p, error)) << error;
    EXPECT_TRUE(p.passwordRequired);
    EXPECT_EQ(p.device.outletsOn, 0xFU);  // outlets start on
    EXPECT_EQ(encodeVariable(p.device.variables[8]), "3 4 9 9 9");
    EXPECT_EQ(encodeVariable(p.device.variables[7]), "3f 3f 3f 3f");
    EXPECT_EQ(encodeVariable(p.device.variables[18]), std::string(128, 'F'));
    EXPECT_EQ(encodeVariable(p.device.variables[75]), "fffe");
}

TEST(ProfileParsing, MalformedProfilesNameTheirFault) {
    const std::string base = R"("identity": {"feature": "720", "attribute": "1"}, "version": "1")";
    struct Case {
        std::string json;
        std::string expected;
    } cases[] = {
        {"{" + base + ", \"colour\": 1}", "unknown field \"colour\""},
        {R"({"identity": {"feature": "12345", "attribute": "1"}, "version": "1"})",
         "identity.feature"},
        {R"({"identity": {"attribute": "1"}, "version": "1"})", "identity"},
        {R"({"identity": {"feature": "1", "attribute": "1"}})", "version"},
        {"{" + base + R"(, "layout": "00"})", "layout"},
        {"{" + base + R"(, "variables": [{"id": 7, "type": 7, "count": 5}]})", "4, 6 or 8"},
        {"{" + base + R"(, "variables": [{"id": 5, "type": 2, "values": ["1.2.3"]}]})",
         "variables[0].values[0]"},
        {"{" + base + R"(, "variables": [{"id": 5, "type": 1}, {"id": 5, "type": 1, "count": 1}]})",
         "needs \"values\" or \"count\""},
        {"{" + base + R"(, "variables": [{"id": 17, "type": 4, "count": 2}]})", "reply buffer"},
        {"{" + base + R"(, "modules": ["A=B C"]})", "blanks"},
        {"{" + base + R"(, "outlets": {"count": 4, "branches": [4, 1]}})", "more outlets"},
        {"{" + base, "not valid JSON"},
    };
    for (const auto& c : cases) {
        Profile p;
        std::string error;
        EXPECT_FALSE(parseProfile(c.json, "case", p, error)) << c.json;
        EXPECT_NE(error.find(c.expected), std::string::npos) << c.json << " -> " << error;
    }
}

}  // namespace
}  // namespace quorvel::sim
