// The MIB writer's entry points, the model it writes from and the module header.
#include "generators/mib_writer.h"

#include <algorithm>
#include <cstdio>
#include <string>

#include "catalogue/model_profile_builder.h"
#include "generators/document_identity.h"
#include "generators/mib_document.h"

namespace quorvel {
namespace mib {
namespace {

constexpr std::uint16_t kFeatPowerFactor = 1u << 4;  // decoded codes never set it
constexpr std::size_t kMibCodeCapacity = 32;

constexpr const char* kMonthNames[12] = {"January",   "February", "March",    "April",
                                         "May",       "June",     "July",     "August",
                                         "September", "October",  "November", "December"};

std::string withoutSpaces(std::string s) {
    std::erase(s, ' ');
    return s;
}

Named named(unsigned index, const std::string& text) {
    return Named{index, withoutSpaces(text), text};
}

std::string text(const ProfileText& t) {
    return narrowText(t, kProfileTextChars);
}

// "200901151230Z" -- 15 January 2009
std::string lastUpdatedLine(const std::tm& when) {
    char stamp[32];
    std::snprintf(stamp, sizeof stamp, "%04d%02d%02d%02d%02d", when.tm_year + 1900, when.tm_mon + 1,
                  when.tm_mday, when.tm_hour, when.tm_min);
    const char* month = when.tm_mon >= 0 && when.tm_mon < 12 ? kMonthNames[when.tm_mon] : "";
    char longDate[64];
    std::snprintf(longDate, sizeof longDate, "%d %s %d", when.tm_mday, month, when.tm_year + 1900);
    return std::string("    LAST-UPDATED \"") + stamp + "Z\" -- " + longDate;
}

}  // namespace

std::string fill(std::string_view tmpl, const std::string& name) {
    std::string out(tmpl);
    if (const auto at = out.find("%S%S"); at != std::string::npos)
        out.replace(at, 4, name);
    return out;
}

std::string identifier(std::string_view prefix, std::string_view name, std::string_view suffix) {
    std::string id;
    id.reserve(prefix.size() + name.size() + suffix.size() + 1);
    id.append(prefix).append(name).append(suffix);
    if (!id.empty() && id.front() >= '0' && id.front() <= '9')
        id.insert(id.begin(), kDigitIdentifierPrefix);
    return id;
}

MibModel makeMibModel(const ModelProfile& p, int generation) {
    MibModel m;
    char code[kMibCodeCapacity] = {};
    encodeModelCode(ModelCode{p.featureWord, p.attributeWord, p.extensionWord}, code, sizeof code);
    m.code = code;
    m.secondGeneration = generation >= 2;
    m.u = m.secondGeneration ? 7 : 4;
    m.envSensor = (p.featureWord & kFeatEnvSensor) != 0;
    m.socketControl = (p.featureWord & kFeatSocketControl) != 0;
    m.socketMeter = (p.featureWord & kFeatSocketMeter) != 0;
    m.voltMeter = (p.featureWord & kFeatVoltMeter) != 0;
    m.powerFactor = (p.featureWord & kFeatPowerFactor) != 0;

    const unsigned n = MibCircuitCount(p);
    const std::string word = text(p.circuitWord);
    for (unsigned j = 0; j < n; ++j)
        m.circuits.push_back(named(j, word + text(p.circuitShortLabel[j])));
    for (unsigned i = 0; i < 2; ++i) {
        const unsigned circuit = p.voltageMapLow[i] & 0x0Fu;
        if (circuit < n)
            m.inputs.push_back(named(i, word + text(p.circuitShortLabel[circuit])));
    }
    for (unsigned k = 0; k < kMaxReceptacles; ++k) {
        if (p.receptaclePresent[k] == kAbsent)
            continue;
        const unsigned input = p.receptacleInput[k];
        const std::string rword = input < kMaxCircuits ? text(p.receptacleWord[input]) : "";
        m.receptacles.push_back(named(k, rword + text(p.receptacleLabel[k])));
    }
    return m;
}

void writeHeader(LineWriter& w, const MibModel& m, const std::tm& when) {
    const std::string org = kOrgName;
    w.line("--");
    w.join("-- ", org);
    w.join("-- ", kOrgLegalNotice);
    w.line("-- Version : 1.0.2");
    w.join("-- ", std::string(72, '*'));
    w.line("");

    w.join("TEVRA-PDU-", m.code, "-MIB DEFINITIONS ::= BEGIN");
    w.line("");

    for (const char* l : {"IMPORTS", "    MODULE-IDENTITY", "    NOTIFICATION-TYPE",
                          "    TRAP-TYPE", "        FROM RFC-1215", "    DisplayString",
                          "        FROM RFC1213-MIB", "    OBJECT-TYPE", "        FROM RFC-1212",
                          "    enterprises", "    IpAddress", "        FROM RFC1155-SMI;", ""})
        w.line(l);

    w.join("TEVRA OBJECT IDENTIFIER ::= { enterprises ", std::to_string(kOrgEnterpriseNumber),
           " }");

    const std::string lastUpdated = lastUpdatedLine(when);
    const std::string organization = "    ORGANIZATION \"" + org + "\"";
    w.line("Products MODULE-IDENTITY");
    w.line(lastUpdated);
    w.line(organization);
    w.line("    CONTACT-INFO");
    w.join("        \"", org);
    w.join("        ", kOrgContactLines[0]);
    w.join("        ", kOrgContactLines[1]);
    w.join("        ", kOrgContactLines[2]);
    w.join("        ", kOrgContactLines[3], "\"");
    w.line("    DESCRIPTION");
    w.join("        \"", org, "\"");
    w.line("    ::= { TEVRA 1 }");

    w.line("PDU MODULE-IDENTITY");
    w.line(lastUpdated);
    w.line(organization);
    w.line("    CONTACT-INFO");
    w.join("        \"", kOrgSupportContact, "\"");
    w.line("    DESCRIPTION");
    w.join("        \"PDU Model ", m.code, ".\"");
    w.line("    ::= { Products 1 }");
}

}  // namespace mib

unsigned MibCircuitCount(const ModelProfile& profile) {
    return std::min<unsigned>(profile.circuitCount, kMaxCircuits);
}

bool MibGenerationFits(const ModelProfile& profile, int generation) {
    return generation >= kMibSecondGeneration ||
           MibCircuitCount(profile) <= kFirstGenerationMaxCircuits;
}

bool WriteMibText(TextSink& sink, const ModelProfile& profile, int generation,
                  const std::tm& when) {
    if (!MibGenerationFits(profile, generation))
        return false;
    const mib::MibModel m = mib::makeMibModel(profile, generation);
    LineWriter w(sink);
    mib::writeHeader(w, m, when);
    mib::writeObjects(w, m);
    mib::writeTraps(w, m);
    return w.ok();
}

bool WriteMib(const std::filesystem::path& path, const ModelCode& code, int generation,
              const std::tm& when, const AttributeTables& tables) {
    if (path.empty())
        return false;
    ModelProfile profile;
    if (!BuildModelProfile(code, profile, tables) || !MibGenerationFits(profile, generation))
        return false;
    TextFile file;
    if (!file.create(path))
        return false;
    const bool written = WriteMibText(file, profile, generation, when);
    const bool closed = file.close();
    return written && closed;
}

bool WriteMib(const char16_t* path, std::uint16_t feature, std::uint32_t attribute,
              std::uint16_t extension, int generation) {
    std::filesystem::path file;
    if (!documentPath(path, file))
        return false;
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    if (!localtime_r(&now, &local))
        return false;
    return WriteMib(file, ModelCode{feature, attribute, extension}, generation, local);
}

}  // namespace quorvel
