// The MIB writer over a small test series (two circuits "Circuit A" and "Circuit B", two voltage
// inputs, sixteen sockets with socket 4 missing) and over the shipped catalogue: which objects
// and traps appear, their names and numbers, the header's time stamp, and every way of failing.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <sys/resource.h>

#include <csignal>
#include <cstdlib>
#include <regex>

#include "catalogue/model_profile_builder.h"
#include "generator_test_support.h"
#include "generators/mib_document.h"
#include "generators/mib_writer.h"
#include "support/temp_dir.h"

namespace quorvel {
namespace {

using ::testing::ElementsAre;
using ::testing::ElementsAreArray;
using ::testing::HasSubstr;
using ::testing::IsSupersetOf;
using ::testing::Not;
using namespace quorvel::testing;

// Inputs: receptacles 0..7 on current input 0, 8..15 on input 1. Receptacle 3 has no map value.
constexpr const char* kSeries =
    "KVBIAddMapQB=30 31\n"
    "KVBRecepIMapQB=3F 03 00 00 00 00 00 3C 0F\n"
    "PMRecepMapQB=1 2 3 0 5 6 7 8 9 10 11 12 13 14 15 16\n"
    "PMVoltMapQB=0 1\n"
    "PMCurrMapQB=01\n"
    "PMCircLayoutTypeQB=12\n"
    "PMRecepLabelQB=41\n"
    "RecepTypeDescrQB=Test series\n";

// Series QC: four circuits with no circuit word, labelled "1".."4", receptacles with no word
// labelled "11".."14", one voltage input (the second is unmapped: "0 F").
constexpr const char* kNumberedSeries =
    "KVBIAddMapQC=30 31 32 33\n"
    "KVBRecepIMapQC=03 00 00 00 00 00 0C\n"
    "PMRecepMapQC=11 12 13 14\n"
    "PMVoltMapQC=0 F\n"
    "PMCurrMapQC=01 23\n"
    "PMCircLayoutTypeQC=01\n"
    "PMRecepLabelQC=01\n"
    "RecepTypeDescrQC=Numbered series\n";

constexpr const char* kMinimal = "SQV11220010BA-0";        // serial only
constexpr const char* kMeterOnly = "SQV11220080BA-3";      // socket meter, no control
constexpr const char* kEverything = "SQV112200G1BA-3";     // volts, control, meter, sensor
constexpr const char* kUnknownSeries = "SZV11220010BA-0";  // series not in the tables
constexpr const char* kNumbered = "SQV112200G1CA-3";       // series QC, every feature

class MibWriterTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(LoadPDUAttributesFromText(tables_, kSeries));
        ASSERT_TRUE(LoadPDUAttributesFromText(tables_, kNumberedSeries));
    }

    ModelProfile profile(const char* text, std::uint16_t extraFeatures = 0) {
        ModelCode code = decodedCode(text);
        code.feature |= extraFeatures;
        ModelProfile p;
        EXPECT_TRUE(BuildModelProfile(code, p, tables_)) << text;
        return p;
    }

    std::string mib(const char* text, int generation, std::uint16_t extraFeatures = 0) {
        StringSink sink;
        EXPECT_TRUE(WriteMibText(sink, profile(text, extraFeatures), generation, fixedTime()));
        return sink.text;
    }

    AttributeTables tables_;
};

// Every group and object as "name parent number", every trap as "name number", in file order.
std::vector<std::string> skeleton(const std::string& text) {
    static const std::regex group(R"(^(\w+) OBJECT IDENTIFIER ::= \{ (\w+) (\d+) \}$)");
    static const std::regex objectStart(R"(^(\w+) OBJECT-TYPE$)");
    static const std::regex objectEnd(R"(^    ::= \{ (\w+) (\d+) \}$)");
    static const std::regex trapStart(R"(^(\w+) TRAP-TYPE$)");
    static const std::regex trapEnd(R"(^    ::= (\d+)$)");
    std::vector<std::string> out;
    std::string pending;
    std::smatch m;
    for (const std::string& l : splitLines(text)) {
        if (std::regex_match(l, m, group)) {
            out.push_back(m[1].str() + " " + m[2].str() + " " + m[3].str());
        } else if (std::regex_match(l, m, objectStart) || std::regex_match(l, m, trapStart)) {
            pending = m[1];
        } else if (std::regex_match(l, m, objectEnd) && !pending.empty()) {
            out.push_back(pending + " " + m[1].str() + " " + m[2].str());
            pending.clear();
        } else if (std::regex_match(l, m, trapEnd) && !pending.empty()) {
            out.push_back(pending + " " + m[1].str());
            pending.clear();
        }
    }
    return out;
}

// The lines of one object or trap, from its first line to the empty line after it.
std::vector<std::string> block(const std::string& text, const std::string& firstLine) {
    const auto lines = splitLines(text);
    std::vector<std::string> out;
    bool in = false;
    for (const std::string& l : lines) {
        in = in || l == firstLine;
        if (!in)
            continue;
        out.push_back(l);
        if (l.empty())
            break;
    }
    return out;
}

std::vector<std::string> filtered(const std::vector<std::string>& items, const std::string& part) {
    std::vector<std::string> out;
    for (const auto& i : items) {
        if (i.find(part) != std::string::npos)
            out.push_back(i);
    }
    return out;
}

TEST_F(MibWriterTest, MinimalModelHasOnlyTheAlwaysPresentObjectsAndTraps) {
    for (int generation : {1, 2}) {
        const std::string text = mib(kMinimal, generation);
        const bool second = generation == 2;
        EXPECT_THAT(
            skeleton(text),
            ElementsAre(
                "TEVRA enterprises 32473", "SystemInfo PDU 1", "VERSION SystemInfo 1",
                "MODELCODE SystemInfo 2", "Configuration PDU 2", "LOGINTERVAL Configuration 1",
                "ALARMINTERVAL Configuration 2", "LOGDIFFERENCE Configuration 3",
                "PDUIP Configuration 6", "MACADDRESS Configuration 7", "NetOptions Configuration 8",
                "AUTOIP NetOptions 1", "HOSTACCESS NetOptions 2", "SUBNETMASK Configuration 9",
                "GATEWAY Configuration 10", "AlarmHosts Configuration 11", "HOST1 AlarmHosts 1",
                "HOST2 AlarmHosts 2", "HOST3 AlarmHosts 3", "CurrentLimits Configuration 12",
                "CircuitAMAXCURR CurrentLimits 1", "CircuitBMAXCURR CurrentLimits 2",
                "PDUNAME Configuration 17", "Metrics PDU 3", "Current Metrics 2",
                "CURRENTCircuitA Current 1", "CURRENTCircuitB Current 2", "Power Metrics 3",
                "POWERCircuitA Power 1", "POWERCircuitB Power 2", "ALARMS Metrics 7",
                "maxCurrentCircuitA 1", "maxCurrentCircuitB 2",
                second ? "changeLog 15" : "changeLog 8", second ? "dataLog 16" : "dataLog 9",
                second ? "endAlarm 17" : "endAlarm 10"))
            << "generation " << generation;
        EXPECT_THAT(block(text, "changeLog TRAP-TYPE"),
                    ElementsAre("changeLog TRAP-TYPE", "    ENTERPRISE PDU ", "    VARIABLES {",
                                "        CURRENTCircuitA,", "        CURRENTCircuitB,",
                                "        ALARMS", "    }", "    DESCRIPTION",
                                "        \"Trap is sent when changes in current exceed the amount "
                                "set in LOGDIFFERENCE.\"",
                                second ? "    ::= 15" : "    ::= 8", ""));
        EXPECT_THAT(block(text, "endAlarm TRAP-TYPE"),
                    ElementsAre("endAlarm TRAP-TYPE", "    ENTERPRISE PDU ", "    VARIABLES {",
                                "        ALARMS", "    }", "    DESCRIPTION",
                                "        \"Trap is sent when all alarms have been "
                                "resolved/cleared\"",
                                second ? "    ::= 17" : "    ::= 10", ""));
        EXPECT_TRUE(text.ends_with("    ::= " + std::string(second ? "17" : "10") + "\n\nEND\n"));
    }
}

TEST_F(MibWriterTest, CircuitNamesDropTheirSpacesOnlyInIdentifiers) {
    const std::string text = mib(kMinimal, 1);
    EXPECT_THAT(block(text, "CircuitAMAXCURR OBJECT-TYPE"),
                ElementsAre("CircuitAMAXCURR OBJECT-TYPE", "    SYNTAX INTEGER (0..1999)",
                            "    ACCESS read-write", "    STATUS mandatory", "    DESCRIPTION",
                            "        \"Maximum current that Circuit A can draw in 1/100 Amps, "
                            "0=ignore.\"",
                            "    ::= { CurrentLimits 1 }", ""));
    EXPECT_THAT(block(text, "maxCurrentCircuitB TRAP-TYPE"),
                ElementsAre("maxCurrentCircuitB TRAP-TYPE", "    ENTERPRISE PDU ",
                            "    VARIABLES {    CURRENTCircuitB }", "    DESCRIPTION",
                            "        \"Trap is sent when current in Circuit B exceeds set limit.\"",
                            "    ::= 2", ""));
}

TEST_F(MibWriterTest, ReceptacleNumbersStartAtFourOrSevenAndKeepGaps) {
    const auto first = skeleton(mib(kEverything, 1));
    const auto second = skeleton(mib(kEverything, 2));
    // Receptacle 3 is missing: its numbers are skipped, not reused.
    EXPECT_THAT(filtered(first, " Current "),
                IsSupersetOf({"CURRENTSocket1 Current 4", "CURRENTSocket3 Current 6",
                              "CURRENTSocket5 Current 8", "CURRENTSocket16 Current 19"}));
    EXPECT_THAT(filtered(first, "CURRENTSocket4"), ::testing::IsEmpty());
    EXPECT_THAT(filtered(second, " Current "),
                IsSupersetOf({"CURRENTSocket1 Current 7", "CURRENTSocket3 Current 9",
                              "CURRENTSocket5 Current 11", "CURRENTSocket16 Current 22"}));
    EXPECT_THAT(filtered(second, " Power 1"), IsSupersetOf({"POWERSocket5 Power 11"}));
    std::vector<std::string> controls;  // by receptacle number, 4 left out
    for (const int n : {1, 2, 3, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16})
        controls.push_back("Socket" + std::to_string(n) + "CTRL ReceptacleControl " +
                           std::to_string(n));
    EXPECT_THAT(filtered(first, "CTRL ReceptacleControl"), ElementsAreArray(controls));
    EXPECT_THAT(filtered(first, "LOCKCURR"), ElementsAre("CircuitALOCKCURR CurrentLimits 4",
                                                         "CircuitBLOCKCURR CurrentLimits 5"));
    EXPECT_THAT(filtered(second, "LOCKCURR"), ElementsAre("CircuitALOCKCURR CurrentLimits 7",
                                                          "CircuitBLOCKCURR CurrentLimits 8"));
    EXPECT_THAT(filtered(first, "endAlarm"), ElementsAre("endAlarm 10"));
    EXPECT_THAT(filtered(second, "endAlarm"), ElementsAre("endAlarm 17"));
}

TEST_F(MibWriterTest, SecondGenerationAddsVoltageLimitsTrapsAndLocks) {
    const std::string text1 = mib(kEverything, 1);
    const std::string text2 = mib(kEverything, 2);
    const auto first = skeleton(text1);
    const auto second = skeleton(text2);
    // Both generations report the voltages; only the second has limits, traps and locks.
    EXPECT_THAT(filtered(first, "VOLTAGE"),
                ElementsAre("VOLTAGECircuitA Voltage 1", "VOLTAGECircuitB Voltage 2"));
    for (const char* absent : {"VoltageLimits", "MINVOLT", "MAXVOLT", "minVolt", "maxVolt"})
        EXPECT_THAT(filtered(first, absent), ::testing::IsEmpty()) << absent;
    EXPECT_THAT(filtered(first, "LOCKS"), ::testing::IsEmpty());
    EXPECT_THAT(filtered(second, "VOLT"),
                ElementsAre("CircuitAMINVOLT VoltageLimits 1", "CircuitBMINVOLT VoltageLimits 2",
                            "CircuitAMAXVOLT VoltageLimits 3", "CircuitBMAXVOLT VoltageLimits 4",
                            "VOLTAGECircuitA Voltage 1", "VOLTAGECircuitB Voltage 2"));
    EXPECT_THAT(filtered(second, "Volt"),
                IsSupersetOf({"VoltageLimits Configuration 22", "Voltage Metrics 1"}));
    EXPECT_THAT(filtered(second, "inVolt"), ElementsAre("minVoltCircuitA 7", "minVoltCircuitB 8"));
    EXPECT_THAT(filtered(second, "axVolt"), ElementsAre("maxVoltCircuitA 9", "maxVoltCircuitB 10"));
    EXPECT_THAT(filtered(second, "Temperature"),
                ElementsAre("minTemperature 11", "maxTemperature 12"));
    EXPECT_THAT(filtered(first, "Humidity"), ElementsAre("minHumidity 6", "maxHumidity 7"));
    EXPECT_THAT(filtered(second, "ReceptacleLOCKS"), ElementsAre("ReceptacleLOCKS Control 4"));
    EXPECT_THAT(block(text2, "ReceptacleLOCKS OBJECT-TYPE"),
                ElementsAre("ReceptacleLOCKS OBJECT-TYPE", "    SYNTAX INTEGER (0..65535)",
                            "    ACCESS read-write", "    STATUS mandatory", "    DESCRIPTION",
                            "        \"Map of receptacle locks, writing with 1 clears them all:",
                            "        bit0 = 1st circuit, bit1 = 2nd circuit, bit2 = 3rd circuit,",
                            "        bit3 = 4th circuit, bit4 = 5th circuit, bit5 = 6th "
                            "circuit.\"",
                            "    ::= { Control 4 }", ""));
    EXPECT_THAT(block(text1, "ALARMS OBJECT-TYPE"),
                IsSupersetOf({"        \"Alarmed state bit map: bit0=circA, bit1=circB, "
                              "bit2=circC,",
                              "        bit4=minTemp, bit5=maxTemp, bit6=minHumid, "
                              "bit7=maxHumid.\""}));
    EXPECT_THAT(
        block(text2, "dataLog TRAP-TYPE"),
        ElementsAre("dataLog TRAP-TYPE", "    ENTERPRISE PDU ", "    VARIABLES {",
                    "        VOLTAGECircuitA,", "        VOLTAGECircuitB,",
                    "        CURRENTCircuitA,", "        CURRENTCircuitB,",
                    "        ReceptacleCurrentMAP,", "        ReceptaclesCTRLMAP,",
                    "        TEMPERATURE, HUMIDITY,", "        ALARMS", "    }", "    DESCRIPTION",
                    "        \"Trap is sent when the data logging interval time is "
                    "reached\"",
                    "    ::= 16", ""));
    // Humidity texts carry a single percent sign.
    EXPECT_THAT(text2, HasSubstr("\"Minimum humidity in 1/100 of %, 0=ignore.\""));
    EXPECT_THAT(text2, HasSubstr("\"Humidity in 1/100 %.\""));
}

TEST_F(MibWriterTest, SocketMeterWithoutControlHasNamesAndCurrentMapButNoControl) {
    const std::string text = mib(kMeterOnly, 2);
    const auto items = skeleton(text);
    EXPECT_THAT(items,
                IsSupersetOf({"ReceptacleNames Configuration 21", "Socket1NAME ReceptacleNames 1",
                              "Socket16NAME ReceptacleNames 16", "ReceptacleCurrentMAP Metrics 8",
                              "CURRENTSocket1 Current 7"}));
    for (const char* absent : {"Control", "CTRL", "ONDLY", "RESDLY", "STATUS", "LOCK", "ONOFF",
                               "RESET", "VOLT", "TEMP", "HUMID"}) {
        EXPECT_THAT(filtered(items, absent), ::testing::IsEmpty()) << absent;
    }
    EXPECT_THAT(block(text, "changeLog TRAP-TYPE"),
                IsSupersetOf({"        ReceptacleCurrentMAP,"}));
    EXPECT_THAT(text, Not(HasSubstr("CTRLMAP")));
}

TEST_F(MibWriterTest, PowerFactorBitAddsItsGroup) {
    const auto items = skeleton(mib(kEverything, 1, 1u << 4));
    EXPECT_THAT(items, IsSupersetOf({"PowerFactor Metrics 4", "POWERFACTCircuitA PowerFactor 1",
                                     "POWERFACTSocket1 PowerFactor 4",
                                     "POWERFACTSocket16 PowerFactor 19"}));
    EXPECT_THAT(filtered(skeleton(mib(kEverything, 1)), "POWERFACT"), ::testing::IsEmpty());
}

// Names that would begin with a digit begin with "P"; names that begin with a letter and the
// descriptions keep the bare numbers. With "0 F" only the first voltage input exists.
TEST_F(MibWriterTest, NumberNamesGetALetterAndAMissingVoltageInputIsLeftOut) {
    const std::string text = mib(kNumbered, 2);
    const auto items = skeleton(text);
    EXPECT_THAT(filtered(items, " CurrentLimits "),
                ElementsAre("P1MAXCURR CurrentLimits 1", "P2MAXCURR CurrentLimits 2",
                            "P3MAXCURR CurrentLimits 3", "P4MAXCURR CurrentLimits 4",
                            "P1LOCKCURR CurrentLimits 7", "P2LOCKCURR CurrentLimits 8",
                            "P3LOCKCURR CurrentLimits 9", "P4LOCKCURR CurrentLimits 10"));
    EXPECT_THAT(
        items,
        IsSupersetOf({"P11CTRL ReceptacleControl 1", "P11ONDLY ReceptacleONDelay 1",
                      "P11RESDLY ReceptacleResetDelay 1", "P11NAME ReceptacleNames 1",
                      "CURRENT11 Current 7", "POWER11 Power 7", "P11STATUS ReceptacleStatus 1",
                      "P11ONOFF ReceptaclesOnOff 1", "P11RESET ReceptaclesReset 1"}));
    EXPECT_THAT(filtered(items, "Volt"),
                ElementsAre("VoltageLimits Configuration 22", "P1MINVOLT VoltageLimits 1",
                            "P1MAXVOLT VoltageLimits 3", "Voltage Metrics 1", "VOLTAGE1 Voltage 1",
                            "minVolt1 7", "maxVolt1 9"));
    EXPECT_THAT(text, HasSubstr("\"Maximum current that 1 can draw in 1/100 Amps, 0=ignore.\""));
    EXPECT_THAT(text, HasSubstr("\"11 power state, 0=OFF, 1=ON.\""));
    EXPECT_THAT(block(text, "changeLog TRAP-TYPE"),
                IsSupersetOf({"        VOLTAGE1,", "        CURRENT1,", "        CURRENT4,"}));
    for (const std::string& item : items)
        EXPECT_FALSE(item[0] >= '0' && item[0] <= '9') << item;
}

TEST(MibIdentifier, ADigitFirstGetsTheLetter) {
    EXPECT_EQ(mib::identifier("", "0", "CTRL"), "P0CTRL");
    EXPECT_EQ(mib::identifier("", "9"), "P9");
    EXPECT_EQ(mib::identifier("CURRENT", "1"), "CURRENT1");
    EXPECT_EQ(mib::identifier("", "A1", "NAME"), "A1NAME");
    EXPECT_EQ(mib::identifier("", ""), "");
}

// The first generation numbers receptacle metrics, lock currents and temperature traps from 4:
// a model with more than three circuits is refused and nothing is written.
TEST_F(MibWriterTest, FirstGenerationOfMoreThanThreeCircuitsIsRefused) {
    const ModelProfile p = profile(kNumbered);
    ASSERT_EQ(MibCircuitCount(p), 4u);
    EXPECT_FALSE(MibGenerationFits(p, 1));
    EXPECT_FALSE(MibGenerationFits(p, 0));
    EXPECT_TRUE(MibGenerationFits(p, 2));
    EXPECT_TRUE(MibGenerationFits(profile(kEverything), 1));
    StringSink sink;
    EXPECT_FALSE(WriteMibText(sink, p, 1, fixedTime()));
    EXPECT_EQ(sink.calls, 0);

    const test::TempDir scratch("first_gen");
    const auto& dir = scratch.path();
    const ModelCode code = decodedCode(kNumbered);
    EXPECT_FALSE(WriteMib(dir / "v1.mib", code, 1, fixedTime(), tables_));
    EXPECT_TRUE(std::filesystem::is_empty(dir));
    EXPECT_TRUE(WriteMib(dir / "v2.mib", code, 2, fixedTime(), tables_));
}

TEST_F(MibWriterTest, HeaderNamesTheModelAndTheTimeStamp) {
    const auto lines = splitLines(mib(kMinimal, 1));
    ASSERT_GT(lines.size(), 45u);
    EXPECT_EQ(lines[0], "--");
    EXPECT_EQ(lines[1], "-- Tevra");
    EXPECT_EQ(lines[3], "-- Version : 1.0.2");
    EXPECT_EQ(lines[4], "-- " + std::string(72, '*'));
    EXPECT_EQ(lines[6], "TEVRA-PDU-SQV11220010BA-0-MIB DEFINITIONS ::= BEGIN");
    const std::vector<std::string> stamp(2, "    LAST-UPDATED \"200903050704Z\" -- 5 March 2009");
    EXPECT_THAT(filtered(lines, "LAST-UPDATED"), ::testing::ContainerEq(stamp));
    EXPECT_THAT(lines, ::testing::Contains("        \"PDU Model SQV11220010BA-0.\""));
    for (const auto& [month, name] : {std::pair{0, "January"}, std::pair{11, "December"}}) {
        std::tm when = fixedTime();
        when.tm_mon = month;
        StringSink sink;
        ASSERT_TRUE(WriteMibText(sink, profile(kMinimal), 2, when));
        EXPECT_THAT(sink.text, HasSubstr(std::string("Z\" -- 5 ") + name + " 2009\n"));
    }

    // Through the public entry: today's local date, no leading zero in the long date.
    const test::TempDir scratch("stamp");
    const auto& dir = scratch.path();
    const std::u16string path = (dir / "now.mib").u16string();
    const std::time_t before = std::time(nullptr);
    const ModelCode code = decodedCode(kMinimal);
    ASSERT_TRUE(LoadPDUAttributesFromText(Attributes(), kSeries));
    ASSERT_TRUE(WriteMib(path.c_str(), code.feature, code.attribute, code.extension, 2));
    const std::time_t after = std::time(nullptr);
    const std::string written = readFile(dir / "now.mib");
    bool matched = false;
    for (std::time_t t : {before, after}) {
        std::tm local{};
        localtime_r(&t, &local);
        char expected[64];
        std::strftime(expected, sizeof expected, "%Y%m%d%H%MZ\" -- ", &local);
        std::string line =
            "    LAST-UPDATED \"" + std::string(expected) + std::to_string(local.tm_mday);
        std::strftime(expected, sizeof expected, " %B %Y\n", &local);
        matched = matched || written.find(line + expected) != std::string::npos;
    }
    EXPECT_TRUE(matched) << written.substr(0, 900);
}

TEST_F(MibWriterTest, RefusalsCreateNoFile) {
    const test::TempDir scratch("refuse");
    const auto& dir = scratch.path();
    // Series not in the tables; an invalid voltage code (given as words).
    EXPECT_FALSE(WriteMib(dir / "a.mib", decodedCode(kUnknownSeries), 2, fixedTime(), tables_));
    ModelCode badVolts = decodedCode(kMinimal);
    badVolts.attribute |= 0x70;
    EXPECT_FALSE(WriteMib(dir / "b.mib", badVolts, 2, fixedTime(), tables_));
    EXPECT_FALSE(WriteMib(dir / "c.mib", kNoModel, 2, fixedTime(), tables_));
    EXPECT_TRUE(std::filesystem::is_empty(dir));

    EXPECT_FALSE(WriteMib(std::filesystem::path{}, decodedCode(kMinimal), 2, fixedTime(), tables_));
    EXPECT_FALSE(WriteMib(nullptr, 0x80, 0, 0, 2));
    EXPECT_FALSE(WriteMib(u"", 0x80, 0, 0, 2));
    const char16_t loneSurrogate[] = {u'x', 0xD800, 0};
    std::filesystem::path converted;
    EXPECT_FALSE(documentPath(loneSurrogate, converted));
    EXPECT_TRUE(documentPath(u"d\u00e9j\u00e0.mib", converted));
    EXPECT_EQ(converted.string(), "d\xc3\xa9j\xc3\xa0.mib");
    // A folder that does not exist.
    EXPECT_FALSE(
        WriteMib(dir / "missing" / "d.mib", decodedCode(kMinimal), 2, fixedTime(), tables_));
}

TEST_F(MibWriterTest, FirstFailedWriteEndsTheOutput) {
    const ModelProfile p = profile(kEverything);
    StringSink whole;
    ASSERT_TRUE(WriteMibText(whole, p, 2, fixedTime()));
    ASSERT_GT(whole.calls, 100);
    for (int failAt : {1, 2, 40, whole.calls}) {
        StringSink sink(failAt);
        EXPECT_FALSE(WriteMibText(sink, p, 2, fixedTime()));
        EXPECT_EQ(sink.calls, failAt) << "nothing is written after the failed write";
        EXPECT_TRUE(whole.text.starts_with(sink.text));
    }
    // A full disk: every byte that leaves the buffer is refused.
    EXPECT_FALSE(WriteMib("/dev/full", decodedCode(kEverything), 2, fixedTime(), tables_));
}

// A file size limit below the module's size: the output stops where the limit refuses a write,
// the generator says so and what was written stays.
TEST_F(MibWriterTest, PartialFileStaysWhenTheDiskRefuses) {
    const test::TempDir scratch("partial");
    const auto& dir = scratch.path();
    const auto file = dir / "partial.mib";
    const ModelCode code = decodedCode(kEverything);
    constexpr rlim_t kLimit = 10000;
    const auto writeUnderLimit = [&] {
        std::signal(SIGXFSZ, SIG_IGN);
        rlimit limit{kLimit, kLimit};
        setrlimit(RLIMIT_FSIZE, &limit);
        std::_Exit(WriteMib(file, code, 2, fixedTime(), tables_) ? 0 : 3);
    };
    EXPECT_EXIT(writeUnderLimit(), ::testing::ExitedWithCode(3), "");
    StringSink whole;
    ASSERT_TRUE(WriteMibText(whole, profile(kEverything), 2, fixedTime()));
    ASSERT_GT(whole.text.size(), kLimit);
    const std::string partial = readFile(file);
    EXPECT_EQ(partial.size(), kLimit);
    EXPECT_TRUE(whole.text.starts_with(partial));
}

// Whole modules of shipped catalogue models, against texts checked line by line when they were
// made. Any change of spacing, order or numbering shows here.
struct ExpectedMib {
    const char* code;
    int generation;
    const char* file;
};

class ShippedMibTest : public ::testing::TestWithParam<ExpectedMib> {};

TEST_P(ShippedMibTest, MatchesTheCheckedText) {
    const ExpectedMib& e = GetParam();
    const test::TempDir scratch(std::string("shipped_") + e.file);
    const auto out = scratch.path() / e.file;
    ASSERT_TRUE(WriteMib(out, decodedCode(e.code), e.generation, fixedTime(), shippedCatalogue()));
    const std::string expected = readFile(std::filesystem::path(QUORVEL_SOURCE_DIR) / "tests" /
                                          "generators" / "expected" / e.file);
    ASSERT_FALSE(expected.empty()) << e.file;
    EXPECT_EQ(splitLines(readFile(out)), splitLines(expected)) << e.file;
    EXPECT_EQ(readFile(out), expected) << "line ends or the final line end differ";
}

INSTANTIATE_TEST_SUITE_P(
    Catalogue, ShippedMibTest,
    ::testing::Values(ExpectedMib{"SS211215231CA-3", 1, "SS211215231CA-3_gen1.mib"},
                      ExpectedMib{"STV233303D3DG-4", 2, "STV233303D3DG-4_gen2.mib"},
                      ExpectedMib{"SUD236166E0EN-6", 2, "SUD236166E0EN-6_gen2.mib"}),
    [](const auto& info) { return std::string("model") + std::to_string(info.index); });

}  // namespace
}  // namespace quorvel
