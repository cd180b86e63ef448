// Every MIB module the shipped catalogue can produce, loaded by Net-SNMP's snmptranslate with
// every warning on, over minimal base modules (tests/generators/mibs): every series, both module
// generations, every combination of socket control, socket meter, voltage meter and environment
// sensor. The loader must say nothing, and the tree it builds must hold every object of the file
// with its type, access and number, and no number twice under one parent.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <map>
#include <regex>
#include <set>
#include <string>
#include <vector>

#include "catalogue/model_profile_builder.h"
#include "generator_test_support.h"
#include "generators/mib_writer.h"
#include "support/temp_dir.h"

namespace quorvel {
namespace {

using namespace quorvel::testing;
namespace fs = std::filesystem;

// One node of a module: an object (with its syntax as the loader prints it), a group, a module
// identity or a trap (parent "PDU#", the loader's name for the traps of enterprise PDU).
struct Node {
    std::string parent;
    std::string name;
    unsigned number = 0;
    std::string syntax;  // "" for groups, identities and traps
    std::string access;  // "-R--" or "-RW-" for objects

    auto key() const { return std::tie(parent, name, number, syntax, access); }
    bool operator<(const Node& o) const { return key() < o.key(); }
    bool operator==(const Node& o) const { return key() == o.key(); }
};

std::ostream& operator<<(std::ostream& os, const Node& n) {
    return os << n.parent << "." << n.name << "(" << n.number << ") " << n.access << " "
              << n.syntax;
}

// How the loader's tree prints an object's SYNTAX: its base type, then its textual convention,
// size or range.
std::string printedSyntax(const std::string& syntax) {
    static const std::regex display(R"(^DisplayString \(SIZE \((\d+\.\.\d+)\)\)$)");
    static const std::regex integer(R"(^INTEGER \((\d+\.\.\d+)\)$)");
    static const std::regex octets(R"(^OCTET STRING \(SIZE \((\d+)\)\)$)");
    std::smatch m;
    if (std::regex_match(syntax, m, display))
        return "String TC DisplayString Size " + m[1].str();
    if (std::regex_match(syntax, m, integer))
        return "INTEGER Range " + m[1].str();
    if (std::regex_match(syntax, m, octets))
        return "String Size " + m[1].str();
    if (syntax == "IpAddress")
        return "IpAddr";
    return "unexpected SYNTAX " + syntax;
}

// The nodes the generated text defines, read from the text itself.
std::vector<Node> definedNodes(const std::string& text) {
    static const std::regex group(R"(^(\w+) OBJECT IDENTIFIER ::= \{ (\w+) (\d+) \}$)");
    static const std::regex start(R"(^(\S+) (OBJECT-TYPE|TRAP-TYPE|MODULE-IDENTITY)$)");
    static const std::regex syntax(R"(^    SYNTAX (.+)$)");
    static const std::regex access(R"(^    ACCESS (read-only|read-write)$)");
    static const std::regex placed(R"(^    ::= \{ (\w+) (\d+) \}$)");
    static const std::regex trapNumber(R"(^    ::= (\d+)$)");
    std::vector<Node> out;
    Node pending;
    bool traps = false;
    std::smatch m;
    for (const std::string& l : splitLines(text)) {
        if (std::regex_match(l, m, group)) {
            out.push_back({m[2], m[1], static_cast<unsigned>(std::stoul(m[3])), "", ""});
        } else if (std::regex_match(l, m, start)) {
            pending = Node{};
            pending.name = m[1];
        } else if (std::regex_match(l, m, syntax)) {
            pending.syntax = printedSyntax(m[1]);
        } else if (std::regex_match(l, m, access)) {
            pending.access = m[1] == "read-only" ? "-R--" : "-RW-";
        } else if (std::regex_match(l, m, placed) && !pending.name.empty()) {
            pending.parent = m[1];
            pending.number = static_cast<unsigned>(std::stoul(m[2]));
            out.push_back(pending);
            pending = Node{};
        } else if (std::regex_match(l, m, trapNumber) && !pending.name.empty()) {
            pending.parent = "PDU#";
            pending.number = static_cast<unsigned>(std::stoul(m[1]));
            out.push_back(pending);
            pending = Node{};
            traps = true;
        }
    }
    if (traps)
        out.push_back({"PDU", "PDU#", 0, "", ""});  // where the loader hangs the traps
    return out;
}

// The loader's tree ("snmptranslate -Tp") under TEVRA, as nodes. A node line is
// "<indent>+--NAME(N)" or "<indent>+-- ACCS TYPE NAME(N)", three columns of indent per level;
// the lines below a leaf add its textual convention, size or range.
std::vector<Node> loadedNodes(const std::string& tree) {
    static const std::regex nodeLine(R"(^([ |]*)\+--(?: (\S{4}) +(\S+) +)?(\S+)\((\d+)\)$)");
    static const std::regex detail(R"(^[ |]*(Textual Convention|Size|Range): (\S+)$)");
    std::vector<Node> out;
    std::vector<std::string> path;  // names by depth
    std::smatch m;
    for (const std::string& l : splitLines(tree)) {
        if (std::regex_match(l, m, nodeLine)) {
            const std::size_t depth = m[1].length() / 3;
            path.resize(depth);
            path.push_back(m[4]);
            if (depth == 0 || std::find(path.begin(), path.end(), "TEVRA") == path.end())
                continue;
            Node n;
            n.parent = path[depth - 1];
            n.name = m[4];
            n.number = static_cast<unsigned>(std::stoul(m[5]));
            n.access = m[2];
            n.syntax = m[3];
            out.push_back(n);
        } else if (std::regex_match(l, m, detail) && !out.empty()) {
            const std::string what = m[1] == "Textual Convention" ? "TC" : m[1].str();
            out.back().syntax += " " + what + " " + m[2].str();
        }
    }
    return out;
}

struct Loaded {
    int status = -1;
    std::string tree;
    std::string messages;
};

// snmptranslate over the base modules and the file alone, with every warning on (-PW: also
// what -Pw leaves out, such as a SYNTAX it cannot translate); no configuration
// file is read and its persistent folder is a scratch one (made beforehand, so that it does not
// report creating it).
Loaded load(const fs::path& file, const fs::path& scratch) {
    const fs::path persistent = scratch / "persistent";
    fs::create_directories(persistent / "cert_indexes");
    const fs::path out = scratch / "tree.txt";
    const fs::path err = scratch / "messages.txt";
    const fs::path bases = fs::path(QUORVEL_SOURCE_DIR) / "tests" / "generators" / "mibs";
    const std::string command = "SNMPCONFPATH=" + (scratch / "none").string() +
                                " SNMP_PERSISTENT_DIR=" + persistent.string() +
                                " snmptranslate -PW -M " + bases.string() + ":" +
                                file.parent_path().string() + " -m " + file.string() + " -Tp >" +
                                out.string() + " 2>" + err.string();
    Loaded l;
    l.status = std::system(command.c_str());
    l.tree = readFile(out);
    l.messages = readFile(err);
    return l;
}

// The checks on one written module; returns the number of objects it holds.
std::size_t checkModule(const fs::path& file, const fs::path& scratch) {
    const std::string text = readFile(file);
    const Loaded l = load(file, scratch);
    EXPECT_EQ(l.status, 0);
    EXPECT_EQ(l.messages, "") << "the loader warned or failed";

    const std::vector<Node> defined = definedNodes(text);
    const std::vector<Node> loaded = loadedNodes(l.tree);
    std::size_t objects = 0;
    static const std::regex identifier("^[A-Za-z][A-Za-z0-9]*$");
    for (const Node& n : defined) {
        EXPECT_TRUE(n.name == "PDU#" || std::regex_match(n.name, identifier)) << n;
        objects += n.access.empty() ? 0 : 1;
    }
    EXPECT_EQ(std::multiset<Node>(loaded.begin(), loaded.end()),
              std::multiset<Node>(defined.begin(), defined.end()));
    std::map<std::pair<std::string, unsigned>, std::string> numbers;
    for (const Node& n : loaded) {
        const auto [at, fresh] = numbers.emplace(std::pair{n.parent, n.number}, n.name);
        EXPECT_TRUE(fresh) << n.parent << " " << n.number << " is both " << at->second << " and "
                           << n.name;
    }
    return objects;
}

bool haveLoader() {
    return std::system("command -v snmptranslate >/dev/null 2>&1") == 0;
}

// Every address object is typed, the MAC address is a six-byte string, and a name that would
// begin with a digit is taken by the loader.
TEST(MibLoader, BaseModulesAndOneModuleLoadQuietly) {
    ASSERT_TRUE(haveLoader()) << "snmptranslate (Debian package snmp, see scripts/bootstrap)";
    const test::TempDir scratch("loader_one");
    const auto& dir = scratch.path();
    const auto file = dir / "one.mib";
    ASSERT_TRUE(WriteMib(file, seriesCode(27, kFeatSocketControl | kFeatEnvSensor), 2, fixedTime(),
                         shippedCatalogue()));
    checkModule(file, dir);
    const std::vector<Node> loaded = loadedNodes(load(file, dir).tree);
    std::set<std::string> addresses;
    for (const Node& n : loaded) {
        if (n.syntax == "IpAddr")
            addresses.insert(n.name);
        if (n.name == "MACADDRESS") {
            EXPECT_EQ(n.syntax, "String Size 6");
        }
    }
    EXPECT_EQ(addresses,
              (std::set<std::string>{"PDUIP", "SUBNETMASK", "GATEWAY", "HOST1", "HOST2", "HOST3"}));
}

TEST(MibLoader, EveryShippedSeriesGenerationAndFeatureCombinationLoads) {
    ASSERT_TRUE(haveLoader()) << "snmptranslate (Debian package snmp, see scripts/bootstrap)";
    const test::TempDir scratch("loader_all");
    const auto& dir = scratch.path();
    const auto series = shippedCatalogue().presentSeries();
    ASSERT_EQ(series.size(), 11u);
    int loadedFiles = 0;
    int refused = 0;
    for (SeriesIndex idx : series) {
        for (std::uint16_t features : featureCombinations()) {
            const ModelCode code = seriesCode(idx, features);
            ModelProfile profile;
            ASSERT_TRUE(BuildModelProfile(code, profile, shippedCatalogue())) << idx;
            for (int generation : {1, 2}) {
                SCOPED_TRACE(encodeModelCode(code) + " generation " + std::to_string(generation));
                const auto file =
                    dir / ("m" + std::to_string(idx) + "_" + std::to_string(features) + "_" +
                           std::to_string(generation) + ".mib");
                const bool fits = generation == 2 || profile.circuitCount <= 3;
                ASSERT_EQ(WriteMib(file, code, generation, fixedTime(), shippedCatalogue()), fits);
                if (!fits) {
                    EXPECT_FALSE(fs::exists(file)) << "a refused module writes nothing";
                    ++refused;
                    continue;
                }
                // Sixteen objects always, and limit, current and power per circuit.
                EXPECT_GE(checkModule(file, dir), 16u + 3u * profile.circuitCount);
                ++loadedFiles;
                fs::remove(file);
            }
        }
    }
    // Series UE, WG, XH and AK have more than three circuits.
    EXPECT_EQ(refused, 4 * 16);
    EXPECT_EQ(loadedFiles, 11 * 32 - refused);
}

}  // namespace
}  // namespace quorvel
