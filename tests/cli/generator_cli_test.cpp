// quorvelctl mib and bom, run in-process: the first generation refused for more than three
// circuits, a bill of materials for a code the attribute file does not know; codes without a
// profile or with fields out of range, bad options and unwritable files are refused.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "catalogue/attribute_loader.h"
#include "catalogue/model_code.h"
#include "cli/cli_test_support.h"
#include "cli/context.h"
#include "support/cli_runner.h"

namespace {

using ::testing::HasSubstr;
namespace fs = std::filesystem;

using Result = quorvel::test::CliResult;
using quorvel::test::runCtl;

class GeneratorCli : public ::testing::Test {
  protected:
    std::string file(const std::string& name) const { return dir_.file(name); }
    bool nothingWritten() const { return fs::is_empty(dir_.path()); }

    quorvel::test::TempDir dir_{"gencli"};
};

// A first-generation module has room for three circuits: series UE (six) is refused with the
// reason and nothing is written; the second generation writes it.
TEST_F(GeneratorCli, FirstGenerationOfSixCircuitsIsRefusedWithTheReason) {
    Result r = runCtl({"mib", "SUD436AA653EA-6B", "--gen", "1", "-o", file("ue1.mib")});
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err,
              "quorvelctl: mib: SUD436AA653EA-6B has 6 circuits and a first-generation MIB numbers "
              "at most 3 "
              "without repeating object numbers; write it with --gen 2; nothing written\n");
    EXPECT_TRUE(nothingWritten());
    r = runCtl({"mib", "SUD436AA653EA-6B", "--gen", "2", "-o", file("ue2.mib")});
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(nlohmann::json::parse(r.out)["bytes"], fs::file_size(file("ue2.mib")));
}

// The bill of materials needs nothing but the code: a series the attribute file lacks, or no
// attribute file at all, still gets one.
TEST_F(GeneratorCli, BomOfASeriesTheAttributeFileLacks) {
    const Result r =
        runCtl({"--attribs", file("missing.ini"), "bom", "SZV11220010ZA-0", "-o", file("zz.bom")});
    ASSERT_EQ(r.code, 0) << r.err;
    std::ifstream in(file("zz.bom"));
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    EXPECT_EQ(lines, (std::vector<std::string>{"*", "* Tevra", "* BOM for PDU SZV11220010ZA-0", "*",
                                               "1 - Chassis with Vertical form factor",
                                               "2 - Breakers 20 Amps",
                                               "1 - KVB module w/: single phase", "2 - Toroids"}));
}

TEST_F(GeneratorCli, ModelCodeStringsWork) {
    Result r = runCtl({"mib", "stv233303d3dg-4", "--gen", "1", "-o", file("td.mib")});
    ASSERT_EQ(r.code, 0) << r.err;
    r = runCtl({"bom", "STV233303D3DG-4", "-o", file("td.bom")});
    ASSERT_EQ(r.code, 0) << r.err;
    std::ifstream in(file("td.bom"));
    std::string first3, line;
    for (int i = 0; i < 3 && std::getline(in, line); ++i)
        first3 += line + "|";
    EXPECT_EQ(first3, "*|* Tevra|* BOM for PDU STV233303D3DG-4|");
}

TEST_F(GeneratorCli, RefusesWithOneLineReason) {
    const auto refused = quorvel::test::ExpectRefused;
    // Series ZZ is not in the catalogue: no profile, no file.
    refused({"mib", "SZV11220010ZA-0", "--gen", "2", "-o", file("zz.mib")}, 1, "no profile");
    // An invalid voltage code given as words.
    refused({"mib", "0080:006C0372:0000", "--gen", "1", "-o", file("v.mib")}, 1, "no profile");
    refused({"bom", "0080:006C0902:0000", "-o", file("v.bom")}, 1,
            "bom: 0080:006C0902:0000: current code 9, not 0..8; nothing written");
    refused({"mib", "SQV1122", "--gen", "2", "-o", file("x.mib")}, 1, "not a valid model code");
    refused({"bom", "0080:XYZ:0", "-o", file("x.bom")}, 1, "not a valid model code");
    EXPECT_TRUE(nothingWritten());

    refused({"mib", "STV233303D3DG-4", "--gen", "2", "-o", file("no/such/dir.mib")}, 1,
            "could not write");
    refused({"bom", "STV233303D3DG-4", "-o", "/dev/full"}, 1, "could not write");
    refused({"mib", "STV233303D3DG-4", "--gen", "3", "-o", file("g.mib")}, 2, "--gen");
    refused({"mib", "STV233303D3DG-4", "-o", file("g.mib")}, 2, "--gen");
    refused({"bom", "STV233303D3DG-4"}, 2, "--output");
    refused({"--attribs", file("missing.ini"), "mib", "STV233303D3DG-4", "--gen", "2", "-o",
             file("b.mib")},
            1, "could not load the attribute file");
}

}  // namespace
