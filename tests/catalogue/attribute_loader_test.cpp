// LoadPDUAttributes: the line format, where a bad line stops the load, reloads, the file-level
// failures and the debug trace.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <vector>

#include "catalogue/attribute_loader.h"
#include "catalogue/debug_trace.h"
#include "generators/generator_test_support.h"
#include "support/temp_dir.h"

namespace quorvel {
namespace {

using ::testing::ElementsAre;

constexpr SeriesIndex kQB = 27;

LayoutRecord layoutOf(const AttributeTables& t, SeriesIndex idx) {
    LayoutRecord l{};
    EXPECT_TRUE(t.storedRecords(idx, nullptr, &l, nullptr)) << idx;
    return l;
}
KvbMapRecord kvbOf(const AttributeTables& t, SeriesIndex idx) {
    KvbMapRecord k{};
    EXPECT_TRUE(t.storedRecords(idx, &k, nullptr, nullptr)) << idx;
    return k;
}

TEST(AttributeFile, EndMarkerAndEndOfFile) {
    AttributeTables t;
    AttributeLoadReport r;
    EXPECT_TRUE(LoadPDUAttributesFromText(t, "END_OF_FILE\nPMCurrMapQB=1\n", &r));
    EXPECT_TRUE(r.endMarker);
    EXPECT_EQ(t.seriesCount(), 0u);

    EXPECT_TRUE(LoadPDUAttributesFromText(t, "* comment\n\nPMCurrMapQB=1 2 3", &r));
    EXPECT_FALSE(r.endMarker);
    EXPECT_EQ(r.valuesStored, 3);
    EXPECT_TRUE(LoadPDUAttributesFromText(t, "end_of_fileX\nPMCurrMapQB=9\n", &r));
    EXPECT_EQ(layoutOf(t, kQB).currMap[0], 0x01);
}

TEST(AttributeFile, KeysMatchWithoutCaseButIndexLettersMustBeUpperCase) {
    AttributeTables t;
    AttributeLoadReport r;
    ASSERT_TRUE(LoadPDUAttributesFromText(t, "pmcurrmapQB=1 2 3\n", &r));
    EXPECT_EQ(layoutOf(t, kQB).currMap[2], 0x03);

    EXPECT_FALSE(LoadPDUAttributesFromText(t, "* x\nPMCurrMapqb=1 2 3\n", &r));
    EXPECT_EQ(r.stopLine, 2);
    EXPECT_FALSE(LoadPDUAttributesFromText(t, "PMCurrMapQB1=1\n", &r));  // no "=" in place
    EXPECT_FALSE(LoadPDUAttributesFromText(t, "PMCurrMapQ=1\n", &r));
}

TEST(AttributeFile, LongestKeyFirst) {
    AttributeTables t;
    ASSERT_TRUE(LoadPDUAttributesFromText(t, "PMCircLayoutTypeQB=5\nPMCircLayoutQB=7 8\n"));
    const LayoutRecord l = layoutOf(t, kQB);
    EXPECT_EQ(l.circLayoutType, 0x05);
    EXPECT_EQ(l.circLayout[0], 0x07);
    EXPECT_EQ(l.circLayout[1], 0x08);
}

TEST(AttributeFile, SeriesAndInletIndexes) {
    AttributeTables t;
    ASSERT_TRUE(LoadPDUAttributesFromText(t,
                                          "RecepTypeDescrQB=two\n"
                                          "RecepTypeDescrAQB=three letters, same series\n"
                                          "RecepTypeDescrZQB=z\n"
                                          "RecepTypeDescrPA=first\n"
                                          "InplugTypeDescrB6=last inlet\n"
                                          "InplugTypeDescrA1=inlet 26\n"
                                          "InplugTypeDescrC=inlet 2\n"));
    EXPECT_EQ(t.seriesText(kQB), u"three letters, same series");
    EXPECT_EQ(t.seriesText(25 * 676 + 27), u"z");
    EXPECT_EQ(t.seriesText(0), u"first");
    EXPECT_EQ(t.seriesCount(), 3u);
    EXPECT_EQ(t.inletText(63), u"last inlet");
    EXPECT_EQ(t.inletText(26), u"inlet 26");
    EXPECT_EQ(t.inletText(2), u"inlet 2");

    AttributeLoadReport r;
    EXPECT_FALSE(LoadPDUAttributesFromText(t, "InplugTypeDescrC1=x\n", &r));
    EXPECT_EQ(r.stopLine, 1);
    EXPECT_FALSE(LoadPDUAttributesFromText(t, "InplugTypeDescr7=x\n", &r));
    EXPECT_EQ(r.reason, "InplugTypeDescr: bad inlet index");
}

TEST(AttributeFile, SplittingAtTheDelimiter) {
    using Fields = std::vector<std::string_view>;
    EXPECT_EQ(splitAttributeValues("1 2 3 ", ' '), (Fields{"1", "2", "3", ""}));
    EXPECT_EQ(splitAttributeValues("1,  2", ' '), (Fields{"1,", "", "2"}));
    EXPECT_EQ(splitAttributeValues(" 1, 2,", ','), (Fields{"1", "2", ""}));
    EXPECT_EQ(splitAttributeValues("", ','), (Fields{""}));
    AttributeTables t;
    AttributeLoadReport r;
    // The trailing delimiter makes a fourth field, column 3, which PMCurrMap does not accept.
    EXPECT_FALSE(LoadPDUAttributesFromText(t, "PMCurrMapQB=1 2 3 \n", &r));
    EXPECT_EQ(r.stopLine, 1);
    EXPECT_EQ(layoutOf(t, kQB).currMap[2], 0x03);  // the first three were stored

    ASSERT_TRUE(LoadPDUAttributesFromText(t,
                                          "KVBIAddMapQB=1,  2\n"
                                          "DELIMITER=,\n"
                                          "KVBISubMapQB= 1, 2\n"
                                          "PMRecepMapQB=5 6\n"));
    const KvbMapRecord k = kvbOf(t, kQB);
    EXPECT_THAT(k.iAddMap, ElementsAre(1, 0, 2, 0, 0, 0));
    EXPECT_THAT(k.iSubMap, ElementsAre(1, 2, 0, 0, 0, 0));
    // After the comma line, a space-separated map is one field.
    EXPECT_EQ(packedValue(layoutOf(t, kQB).recepMap, 0), 5);
    EXPECT_EQ(packedValue(layoutOf(t, kQB).recepMap, 1), 0);
}

TEST(AttributeFile, FortyEightFieldsAtMost) {
    std::string map = "PMRecepMapQB=";
    for (int i = 1; i <= 50; ++i)
        map += std::to_string(i) + " ";
    AttributeTables t;
    ASSERT_TRUE(LoadPDUAttributesFromText(t, map + "\n"));
    EXPECT_EQ(packedValue(layoutOf(t, kQB).recepMap, 47), 48);

    std::string imap = "KVBRecepIMapQB=";
    for (int i = 0; i < 37; ++i)
        imap += "1 ";
    AttributeLoadReport r;
    EXPECT_FALSE(LoadPDUAttributesFromText(t, imap + "\n", &r));  // column 36
    EXPECT_THAT(r.reason, ::testing::HasSubstr("column 36"));
}

TEST(AttributeFile, LenientNumbers) {
    EXPECT_EQ(parseLenientNumber("  1fz", true), 0x1F);
    EXPECT_EQ(parseLenientNumber("\t-1", true), -1);
    EXPECT_EQ(parseLenientNumber("+12", false), 12);
    EXPECT_EQ(parseLenientNumber("0x1F", true), 0);  // no prefix: digits stop at "x"
    EXPECT_EQ(parseLenientNumber("zz", true), 0);
    EXPECT_EQ(parseLenientNumber("12AB", false), 12);
    EXPECT_EQ(parseLenientNumber("FFFFFFFFFFFF", true), 0x7FFFFFFF);
    EXPECT_EQ(parseLenientNumber("-FFFFFFFFFFFF", true), -0x80000000L);
    EXPECT_EQ(parseLenientNumber("99999999999999999999999", false), 0x7FFFFFFF);

    AttributeTables t;
    ASSERT_TRUE(LoadPDUAttributesFromText(t,
                                          "KVBVSampleMapQB=-1\n"
                                          "PMRecepMaxColumnsQB=300 x 7F\n"
                                          "PMExtModelQB=FFFFFFFFF\n"
                                          "PMCircVisibleQB=3f trailing text\n"));
    const LayoutRecord l = layoutOf(t, kQB);
    EXPECT_EQ(kvbOf(t, kQB).vSampleMap, 0xFF);
    EXPECT_THAT(l.recepMaxColumns, ElementsAre(300 & 0xFF, 0, 7, 0, 0, 0));
    EXPECT_EQ(l.extModel[0], 0xFF);  // saturated at 0x7FFFFFFF, low 16 bits kept
    EXPECT_EQ(l.extModel[1], 0xFF);
    EXPECT_EQ(l.circVisible, 0x3F);

    // A one-value key takes the first field only; a line ends at a NUL.
    const char withNul[] = "PMExtModelRA=1234 5678\nPMCircVisibleRA=2a\0 PMCircVisibleRA=1\n";
    ASSERT_TRUE(LoadPDUAttributesFromText(t, std::string_view(withNul, sizeof withNul - 1)));
    EXPECT_THAT(layoutOf(t, 52).extModel, ElementsAre(0x12, 0x34));
    EXPECT_EQ(layoutOf(t, 52).circVisible, 0x2A);
}

TEST(AttributeFile, TextValuesTakeTheRestOfTheLine) {
    AttributeTables t;
    const std::string text70(70, 'a');
    ASSERT_TRUE(LoadPDUAttributesFromText(t, "RecepTypeDescrQB=" + text70 +
                                                 "\r\n"
                                                 "DELIMITER=,\r\n"
                                                 "RecepTypeDescrRA=a, b  c\r\n"));
    EXPECT_EQ(t.seriesText(kQB), std::u16string(63, u'a'));
    EXPECT_EQ(t.seriesText(52), u"a, b  c");
}

TEST(AttributeFile, ExtendedStorageDependsOnLineOrder) {
    AttributeTables t;
    ASSERT_TRUE(LoadPDUAttributesFromText(t,
                                          "KVBRecepIMapQB=3F 03\n"
                                          "PMVoltMapQB=1\n"
                                          "PMExtModelQB=1000\n"
                                          "PMVoltMapQB=1 2\n"
                                          "PMExtModelRA=2000\n"
                                          "KVBRecepIMapRA=3F 03\n"));
    // QB's map came before its PMExtModel line: packed. RA's came after: direct.
    EXPECT_EQ(kvbOf(t, kQB).recepIMap[0], 0xFC);
    EXPECT_EQ(kvbOf(t, 52).recepIMap[0], 0x3F);
    EXPECT_EQ(kvbOf(t, 52).recepIMap[1], 0x03);
    EXPECT_THAT(layoutOf(t, kQB).voltMap, ElementsAre(0x01, 0x02));
}

TEST(AttributeFile, FailureStopsAtTheBadLineAndKeepsEarlierValues) {
    AttributeTables t;
    AttributeLoadReport r;
    EXPECT_FALSE(LoadPDUAttributesFromText(t,
                                           "PMCircVisibleQB=3\n"
                                           "* a comment\n"
                                           "PMVoltMapQB=1 2 3\n"  // column 2 is beyond 0..1
                                           "PMCircVisibleRA=7\n",
                                           &r));
    EXPECT_EQ(r.stopLine, 3);
    EXPECT_EQ(r.reason, "PMVoltMap: column 2 is beyond the 2 accepted");
    EXPECT_EQ(layoutOf(t, kQB).circVisible, 3);
    EXPECT_THAT(layoutOf(t, kQB).voltMap, ElementsAre(0x71, 0x72));
    EXPECT_FALSE(t.seriesPresent(52));
}

TEST(AttributeFile, ReloadOverwritesAndRemovesNothing) {
    AttributeTables t;
    ASSERT_TRUE(LoadPDUAttributesFromText(t,
                                          "RecepTypeDescrQB=old\nPMCircVisibleQB=3\n"
                                          "RecepTypeDescrRA=dropped later\n"
                                          "InplugTypeDescrA=plug\n"));
    ASSERT_TRUE(LoadPDUAttributesFromText(t, "RecepTypeDescrQB=new\n"));
    EXPECT_EQ(t.seriesText(kQB), u"new");
    EXPECT_EQ(layoutOf(t, kQB).circVisible, 3);  // not in the new file: kept
    EXPECT_EQ(t.seriesText(52), u"dropped later");
    EXPECT_EQ(t.inletText(0), u"plug");
    EXPECT_EQ(t.seriesCount(), 2u);
}

TEST(AttributeFile, ReportsIgnoredAndLongLines) {
    AttributeTables t;
    AttributeLoadReport r;
    const std::string longText =
        "RecepTypeDescrQB=" + std::string(300, 'b') + "PMCurrMapQB=1 2 3 4";
    ASSERT_TRUE(LoadPDUAttributesFromText(
        t, "  \nUnknownKeyQB=1\nDelimiter=\n" + longText + "\nKVBIAddMapQB=1 2\n", &r));
    EXPECT_THAT(r.ignoredLines, ElementsAre(2));
    EXPECT_THAT(r.longLines, ElementsAre(4));
    EXPECT_EQ(r.lines, 5);
    // The tail of the long line is not read as a line of its own; the delimiter stayed a space.
    EXPECT_THAT(kvbOf(t, kQB).iAddMap, ElementsAre(1, 2, 0, 0, 0, 0));
    EXPECT_EQ(t.seriesText(kQB), std::u16string(63, u'b'));
    // 255 characters are a whole line; the 256th makes it long.
    const std::string prefix = "RecepTypeDescrRA=";
    ASSERT_TRUE(LoadPDUAttributesFromText(t,
                                          prefix + std::string(255 - prefix.size(), 'c') + "\n" +
                                              prefix + std::string(256 - prefix.size(), 'c'),
                                          &r));
    EXPECT_THAT(r.longLines, ElementsAre(2));
}

TEST(AttributeFile, MissingOrEmptyFilesLeaveTheTablesAlone) {
    const test::TempDir scratch("attr");
    const auto& dir = scratch.path();
    AttributeTables t;
    AttributeLoadReport r;
    EXPECT_FALSE(LoadPDUAttributes(t, dir / "none.ini", &r));
    EXPECT_FALSE(r.reason.empty());
    std::ofstream(dir / "empty.ini").close();
    EXPECT_FALSE(LoadPDUAttributes(t, dir / "empty.ini"));
    EXPECT_FALSE(LoadPDUAttributes(t, dir));  // a folder
    EXPECT_EQ(t.seriesCount(), 0u);

    // A path far longer than 128 characters loads like any other.
    auto deep = dir;
    for (int i = 0; i < 6; ++i)
        deep /= std::string(40, static_cast<char>('a' + i));
    std::filesystem::create_directories(deep);
    const auto file = deep / kAttributeFileName;
    std::ofstream(file) << "RecepTypeDescrQB=deep\n";
    ASSERT_GT(file.string().size(), 240u);
    EXPECT_TRUE(LoadPDUAttributes(t, file));
    EXPECT_EQ(t.seriesText(kQB), u"deep");
}

// The process-wide tables are the shipped catalogue, which the build copies beside the tests,
// whatever file of that name lies in the working folder.
TEST(AttributeFile, ProcessWideTablesLoadFromBesideTheProgram) {
    const test::TempDir scratch("cwd");
    const auto& dir = scratch.path();
    std::ofstream(dir / kAttributeFileName) << "RecepTypeDescrQB=from the working folder\n";
    const auto cwd = std::filesystem::current_path();
    std::filesystem::current_path(dir);
    const bool loaded = LoadPDUAttributes();
    std::filesystem::current_path(cwd);
    ASSERT_TRUE(loaded);

    const AttributeTables& shipped = testing::shippedCatalogue();
    const std::vector<SeriesIndex> series = shipped.presentSeries();
    EXPECT_GT(series.size(), 1u);
    EXPECT_EQ(Attributes().presentSeries(), series);
    for (const SeriesIndex s : series) {
        EXPECT_EQ(Attributes().seriesText(s), shipped.seriesText(s)) << s;
    }
    EXPECT_EQ(Attributes().inletCount(), shipped.inletCount());
}

TEST(AttributeFile, DebugTraceOneLinePerStoredValue) {
    std::vector<std::string> lines;
    setDebugTraceSink([&](std::string_view line) { lines.emplace_back(line); });
    AttributeTables t;
    LoadPDUAttributesFromText(t, "PMCurrMapQB=1 23\nInplugTypeDescrB6=Cord\nPMVoltMapQB=1 2 3\n");
    setDebugTraceSink({});
    EXPECT_FALSE(debugTraceEnabled());
    EXPECT_THAT(lines, ElementsAre("LoadPDUAttributes: rtab=27, vartype=9, rentry=0, value=1\n",
                                   "LoadPDUAttributes: rtab=27, vartype=9, rentry=1, value=35\n",
                                   "LoadPDUAttributes: rtab=63, vartype=22, rentry=0, value=Cord\n",
                                   "LoadPDUAttributes: rtab=27, vartype=8, rentry=0, value=1\n",
                                   "LoadPDUAttributes: rtab=27, vartype=8, rentry=1, value=2\n"));
}

}  // namespace
}  // namespace quorvel
