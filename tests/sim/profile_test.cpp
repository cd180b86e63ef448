// Simulator profiles: the shipped ones load and answer within the host's reply buffer; the
// loader rejects malformed ones with a reason.
#include <gtest/gtest.h>
#include <filesystem>

#include <algorithm>
#include <array>
#include <cstdint>
#include <numeric>
#include <string>
#include <vector>

#include "sim/commands.h"
#include "sim/console.h"
#include "sim/encoding.h"
#include "sim/profile.h"
#include "sim/sim_test_support.h"

namespace quorvel::sim {
namespace {

// The host's reply buffer holds 255 characters: echo, CR LF, text and prompt must fit.
constexpr std::size_t kHostReplyLimit = 255;

// Numbers of each shipped profile's model as the attribute catalogue decodes its code, and its
// generation, module items and console password.
struct ModelNumbers {
    const char* profile;
    const char* code;
    std::uint16_t feature;
    std::uint16_t extension;
    int circuits;
    std::array<int, 6> perCircuit;
    int groups;
    int generation;
    std::size_t modules;
    bool password;
};

constexpr ModelNumbers kModels[] = {
    {"v1", "SS211230231CD-3", 0x05C0, 0x0000, 2, {6, 6, 0}, 3, 1, 8, true},
    {"v2", "SQV11220241BB-3", 0x07C0, 0x0000, 2, {8, 8, 0}, 3, 2, 8, true},
    {"v2-loggedin", "SQV11220241BB-3", 0x07C0, 0x0000, 2, {8, 8, 0}, 3, 2, 8, false},
    {"v2-alarm", "SQV11220241BB-3", 0x07C0, 0x0000, 2, {8, 8, 0}, 3, 2, 8, true},
    {"v3", "STV433303D1DL-4", 0x47E0, 0x0000, 3, {8, 8, 8}, 4, 3, 8, true},
    {"v4", "SQV43340341EL-3AC", 0x47C0, 0x100A, 3, {6, 6, 6}, 3, 4, 16, true},
    {"v2-bpa", "SP121116160AM-1AB", 0x0180, 0x0005, 1, {6}, 1, 2, 8, true},
    {"v3-xh", "SXX236506G0HB-4B", 0x43A0, 0x0001, 6, {4, 4, 4, 4, 4, 4}, 4, 3, 8, true},
};

// Each loads by its name; every query the host makes of it fits the host's reply buffer.
TEST(ShippedProfiles, LoadByNameAndAnswerWithinTheHostReplyBuffer) {
    for (const auto& m : kModels) {
        SCOPED_TRACE(m.profile);
        Profile p;
        ASSERT_NO_FATAL_FAILURE(Load(m.profile, p));
        EXPECT_EQ(p.name, m.profile);
        EXPECT_FALSE(p.description.empty());
        EXPECT_EQ(p.device.generationNumber(), m.generation);
        EXPECT_EQ(p.passwordRequired, m.password);
        // The first generation's version reply carries no generation.
        EXPECT_EQ(ReplyItems(runCommand(p.device, p.device, "u").text).size(),
                  m.generation == 1 ? 1U : 2U);
        EXPECT_EQ(ReplyItems(runCommand(p.device, p.device, "V").text).size(), m.modules);

        std::vector<std::string> lines = {"v",    "u",    "V", "q", "G B 0 ff", "G i 0 f3",
                                          "P ff", "p ff", "J", "n", "G I A ff"};
        for (const auto& [id, var] : p.device.variables)
            lines.push_back(ReadLine(static_cast<unsigned>(id)));
        Console c = LoggedIn(p);
        ASSERT_TRUE(c.loggedIn());
        for (const auto& line : lines) {
            std::string reply = c.feed(line + "\r");
            EXPECT_LE(reply.size(), kHostReplyLimit) << line;
            EXPECT_TRUE(reply.ends_with("\r\n?")) << line;
            EXPECT_EQ(reply.find("ERROR"), std::string::npos) << reply;
        }
    }
}

// Every question the host's status reader asks of the model gets as many items as it reads, and
// the outlets, circuits and groups behind them are the model's.
TEST(ShippedProfiles, AnswerTheStatusQuestionsOfTheirModel) {
    for (const auto& m : kModels) {
        SCOPED_TRACE(std::string(m.profile) + " " + m.code);
        Profile p;
        ASSERT_NO_FATAL_FAILURE(Load(m.profile, p));
        const Device& d = p.device;
        auto ask = [&d](const std::string& line) {
            Device copy = d;
            CommandResult r = runCommand(copy, d, line);
            EXPECT_EQ(r.kind, CommandResult::Kind::Text) << line << ": " << r.text;
            return r.text;
        };
        EXPECT_EQ(d.identity.feature, m.feature);
        if (d.identity.items >= 4) {
            EXPECT_EQ(d.identity.extension, m.extension);
        }
        EXPECT_EQ(d.circuitCount, m.circuits);
        EXPECT_EQ(d.outletCount, std::accumulate(m.perCircuit.begin(), m.perCircuit.end(), 0));
        EXPECT_EQ(d.groupCount, m.groups);
        for (std::size_t c = 0; c < m.perCircuit.size(); ++c)
            EXPECT_EQ(d.branchOutlets[c], m.perCircuit[c]) << c;
        const bool large = m.extension >= 0x1000 && d.identity.items >= 4;
        const std::uint64_t allOn = (std::uint64_t{1} << d.outletCount) - 1;

        if (d.generationNumber() >= 2) {
            auto b = ReplyItems(ask("G B 0 ff"));
            const std::size_t voltages = large ? 4 : 2;
            ASSERT_EQ(b.size(), voltages + 6);
            for (std::size_t c = 0; c < 6; ++c)
                EXPECT_EQ(b[voltages + c] != "0.00", static_cast<int>(c) < m.circuits) << c;
            if (m.feature & kFeatureMetered) {
                int sets = 1 + (m.groups > 2) + (m.groups > 4) + (m.groups > 6 && large);
                EXPECT_GE(sets * 12, d.outletCount);
                int metered = 0;
                for (int set = 0; set < sets; ++set) {
                    auto items = ReplyItems(ask("G i 0 f" + std::to_string(set)));
                    ASSERT_EQ(items.size(), 12U) << set;
                    for (const auto& item : items)
                        metered += item != "0.00";
                }
                EXPECT_EQ(metered, d.outletCount);
            }
            if (m.feature & kFeatureSwitched) {
                const std::string states = ask("P ff");
                EXPECT_EQ(states.size(), large && d.outletCount > 32 ? 12U : 10U);
                EXPECT_EQ(std::stoull(states, nullptr, 16), allOn);
                EXPECT_EQ(std::stoull(ask("p ff"), nullptr, 16), 0U);
            }
            if (m.feature & kFeatureEnvironment) {
                EXPECT_EQ(ReplyItems(ask("J")).size(), 2U * static_cast<std::size_t>(d.sensors));
            }
            EXPECT_EQ(ReplyItems(ask("n")).size(), 2U);
        } else {
            std::uint64_t states = 0;
            int offset = 0;
            for (int c = 0; c < m.circuits; ++c) {
                const std::string letter(1, static_cast<char>('A' + c));
                const int n = m.perCircuit[static_cast<std::size_t>(c)];
                const bool metered = m.feature & kFeatureMetered;
                auto items = ReplyItems(ask("G I " + letter + (metered ? " ff" : " 0")));
                EXPECT_EQ(items.size(), metered ? 1U + static_cast<std::size_t>(n) : 1U);
                EXPECT_NE(items.front(), "0.00");
                const auto bits = std::stoull(ask("P " + letter + " ff"), nullptr, 16);
                EXPECT_LT(bits, std::uint64_t{1} << n);
                states |= bits << offset;
                offset += n;
            }
            EXPECT_EQ(states, allOn);
            if (m.feature & kFeatureVoltage) {
                EXPECT_EQ(std::stoi(ask("G V A 0")) * 100 / 256, d.voltages[0]);
            }
        }
    }
}

TEST(ProfileLoading, ByPathAndUnknownNames) {
    Profile p;
    std::string error;
    ASSERT_TRUE(loadProfile(
        (std::filesystem::path(QUORVEL_SOURCE_DIR) / "sim/profiles/v3.json").string(), p, error))
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
        {"{" + base + R"(, "outlets": {"count": 4, "circuits": 1, "branches": [2, 2]}})",
         "beyond \"circuits\""},
        {"{" + base + R"(, "drift": "no"})", "drift"},
        {"{" + base + R"(, "seed": -1})", "seed"},
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
