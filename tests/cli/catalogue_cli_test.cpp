// quorvelctl decode, encode and attribs, run in-process.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "cli/cli_test_support.h"
#include "cli/context.h"
#include "support/cli_runner.h"

namespace {

using Result = quorvel::test::CliResult;
using quorvel::test::runCtl;

TEST(CatalogueCli, DecodeAndEncode) {
    Result r = runCtl({"decode", "sqv21230410ba-0"});
    ASSERT_EQ(r.code, 0) << r.err;
    const auto j = nlohmann::json::parse(r.out);
    EXPECT_EQ(j, (nlohmann::json{{"feature", 0x80}, {"attribute", 0x146C0312}, {"extension", 0}}));

    r = runCtl({"decode", "SQV21230410BA-"});
    EXPECT_EQ(r.code, 1);
    EXPECT_THAT(r.err, ::testing::HasSubstr("SQV21230410BA-"));
    EXPECT_EQ(r.out, "");

    r = runCtl({"encode", "0080", "0x146C0312", "0"});
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(nlohmann::json::parse(r.out)["model"], "SQV21230410BA-0");
    r = runCtl({"encode", "FFFF", "FFFFFFFF", "0"});
    EXPECT_EQ(nlohmann::json::parse(r.out)["model"], "");

    EXPECT_EQ(runCtl({"encode", "10000", "0", "0"}).code, 2);  // FeatureWord has 16 bits
    EXPECT_EQ(runCtl({"encode", "80", "xyz", "0"}).code, 2);
    EXPECT_EQ(runCtl({"encode", "80", "0"}).code, 2);
}

TEST(CatalogueCli, AttribsReportsTheShippedCatalogue) {
    // No FILE: the catalogue beside the program (the test program's folder holds a copy).
    Result r = runCtl({"attribs"});
    ASSERT_EQ(r.code, 0) << r.err;
    const auto j = nlohmann::json::parse(r.out);
    EXPECT_EQ(j["loaded"], true);
    EXPECT_GE(j["series"].get<int>(), 8);
    EXPECT_GE(j["inlets"].get<int>(), 1);
    EXPECT_EQ(j["ignoredLines"].size(), 0u);
    EXPECT_EQ(j["seriesList"].size(), j["series"].get<std::size_t>());
}

TEST(CatalogueCli, AttribsNamesTheLineWhereTheLoadStopped) {
    const quorvel::test::TempDir dir("cli_attr");
    const std::string bad = dir.file("bad.ini"), good = dir.file("good.ini");
    std::ofstream(bad) << "* test\nRecepTypeDescrQB=x\nPMCurrMapqb=1\n";
    std::ofstream(good) << "RecepTypeDescrQB=x\nRecepTypeDescrCQB=same\nInplugTypeDescrB1=y\n";

    Result r = runCtl({"attribs", bad});
    EXPECT_EQ(r.code, 1);
    EXPECT_THAT(r.err, ::testing::HasSubstr("bad.ini:3:"));

    // The global option names the file when the verb does not.
    r = runCtl({"--attribs", good, "attribs"});
    ASSERT_EQ(r.code, 0) << r.err;
    const auto j = nlohmann::json::parse(r.out);
    quorvel::test::ExpectFields(j, R"({"series": 2, "inlets": 1})");
    EXPECT_EQ(j["seriesList"][1]["letters"], "CQB");

    r = runCtl({"attribs", dir.file("missing.ini")});
    EXPECT_EQ(r.code, 1);
    EXPECT_THAT(r.err, ::testing::HasSubstr("missing.ini"));
}

}  // namespace
