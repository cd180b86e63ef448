// quorvelctl mib and bom, run in-process: every series of the shipped catalogue gets both
// documents; codes without a profile, bad options and unwritable files are refused.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "catalogue/attribute_loader.h"
#include "catalogue/model_code.h"
#include "cli/context.h"
#include "support/cli_runner.h"

namespace {

using ::testing::HasSubstr;
namespace fs = std::filesystem;

using Result = quorvel::test::CliResult;
using quorvel::test::runCtl;

class GeneratorCli : public ::testing::Test {
  protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() / ("quorvel_gencli_" + std::to_string(::getpid()));
        fs::remove_all(dir_);
        fs::create_directories(dir_);
    }
    void TearDown() override { fs::remove_all(dir_); }
    std::string file(const std::string& name) const { return (dir_ / name).string(); }

    fs::path dir_;
};

// A model code of a series with every feature its phase allows: words, so that extended series
// keep their marker.
std::string wordsOf(quorvel::SeriesIndex index, const quorvel::ExtRecord& ext,
                    const quorvel::LayoutRecord& layout) {
    using namespace quorvel;
    const unsigned threePhase = ext.intend[0] == 1 ? 1 : 0;
    const std::uint16_t feature = static_cast<std::uint16_t>(
        kFeatSerial | kFeatEthernet | kFeatVoltMeter | kFeatSocketControl | kFeatSocketMeter |
        kFeatEnvSensor | (threePhase << 14));
    const std::uint32_t attribute = (ext.intend[1] & 7u) | (1u << 4) | (3u << 8) |
                                    ((index & 0x3Fu) << 18) | ((index >> 6 & 1u) << 7) |
                                    (2u << 24) | (2u << 27) | (2u << 30);
    std::uint16_t extension = static_cast<std::uint16_t>((index >> 7) & 0xFF);
    if (layout.extModel[0] > 0x0F)
        extension |= kExtExtendedMin;
    char text[32];
    std::snprintf(text, sizeof text, "%4.4X:%8.8X:%4.4X", feature, attribute, extension);
    return text;
}

TEST_F(GeneratorCli, WritesBothDocumentsForEverySeriesOfTheShippedCatalogue) {
    quorvel::AttributeTables tables;
    ASSERT_TRUE(quorvel::LoadPDUAttributes(tables, quorvel::defaultAttributeFile()));
    ASSERT_GE(tables.seriesCount(), 8u);
    for (quorvel::SeriesIndex idx : tables.presentSeries()) {
        quorvel::KvbMapRecord kvb;
        quorvel::LayoutRecord layout;
        quorvel::ExtRecord ext;
        ASSERT_TRUE(tables.storedRecords(idx, &kvb, &layout, &ext));
        const std::string code = wordsOf(idx, ext, layout);
        for (const char* gen : {"1", "2"}) {
            const std::string mib = file("m" + std::to_string(idx) + "_" + gen + ".mib");
            Result r = runCtl({"mib", code, "--gen", gen, "-o", mib});
            ASSERT_EQ(r.code, 0) << code << ": " << r.err;
            const auto j = nlohmann::json::parse(r.out);
            EXPECT_EQ(j["file"], mib);
            EXPECT_EQ(j["bytes"], fs::file_size(mib));
            std::ifstream in(mib);
            std::string last, line;
            while (std::getline(in, line))
                last = line;
            EXPECT_EQ(last, "END") << code;
        }
        const std::string bom = file("b" + std::to_string(idx) + ".bom");
        Result r = runCtl({"bom", code, "-o", bom});
        ASSERT_EQ(r.code, 0) << code << ": " << r.err;
        EXPECT_EQ(nlohmann::json::parse(r.out)["bytes"], fs::file_size(bom));
    }
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
    auto refused = [&](std::vector<std::string> args, int code, const std::string& reason) {
        const Result r = runCtl(args);
        EXPECT_EQ(r.code, code) << r.err;
        EXPECT_EQ(r.out, "");
        EXPECT_THAT(r.err, HasSubstr(reason));
        if (code == 1) {
            EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << r.err;
        }
    };
    // Series ZZ is not in the catalogue: no profile, no file.
    refused({"mib", "SZV11220010ZA-0", "--gen", "2", "-o", file("zz.mib")}, 1, "no profile");
    refused({"bom", "SZV11220010ZA-0", "-o", file("zz.bom")}, 1, "no profile");
    // An invalid voltage code given as words.
    refused({"mib", "0080:006C0372:0000", "--gen", "1", "-o", file("v.mib")}, 1, "no profile");
    refused({"mib", "SQV1122", "--gen", "2", "-o", file("x.mib")}, 1, "not a valid model code");
    refused({"bom", "0080:XYZ:0", "-o", file("x.bom")}, 1, "not a valid model code");
    EXPECT_TRUE(fs::is_empty(dir_));

    refused({"mib", "STV233303D3DG-4", "--gen", "2", "-o", file("no/such/dir.mib")}, 1,
            "could not write");
    refused({"bom", "STV233303D3DG-4", "-o", "/dev/full"}, 1, "could not write");
    refused({"mib", "STV233303D3DG-4", "--gen", "3", "-o", file("g.mib")}, 2, "--gen");
    refused({"mib", "STV233303D3DG-4", "-o", file("g.mib")}, 2, "--gen");
    refused({"bom", "STV233303D3DG-4"}, 2, "--output");
    refused({"--attribs", file("missing.ini"), "bom", "STV233303D3DG-4", "-o", file("b.bom")}, 1,
            "could not load the attribute file");
}

}  // namespace
