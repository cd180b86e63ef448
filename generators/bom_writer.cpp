// Bill of materials: quantities from the model code's fields, one line per kind of part.
#include "generators/bom_writer.h"

#include <string>

#include "catalogue/model_description.h"
#include "generators/document_identity.h"

namespace quorvel {
namespace {

constexpr std::size_t kBomCodeCapacity = 128;
constexpr const char* kCurrentTexts[9] = {"10", "15", "20",       "30", "40",
                                          "50", "16", "20/20/30", "32"};

std::string count(unsigned n) {
    return std::to_string(n);
}

// Single-phase 120/120/240 V, 20/20/30 A models of series index 30 (low seven bits) with three
// or more breakers share their LEDs and toroids differently.
bool splitPhaseException(const ModelCode& c) {
    const unsigned seriesLow7 = ((c.attribute >> 18) & 0x3Fu) | (c.attribute & 0x80u ? 64u : 0u);
    return phaseCode(c) == 0 && voltageCode(c) == 2 && currentCode(c) == 7 &&
           breakerCount(c) >= 3 && seriesLow7 == 30;
}

}  // namespace

std::string BomFieldOutOfRange(const ModelCode& code) {
    if (isNoModel(code))
        return "the no-model code";
    struct Field {
        const char* name;
        unsigned value;
        unsigned max;
    };
    const Field fields[] = {
        {"series index", seriesIndexOf(code), kSeriesCount - 1},
        {"form factor code", formFactorCode(code), 6},
        {"voltage code", voltageCode(code), 3},
        {"phase", phaseCode(code), 1},
        {"breaker count", breakerCount(code), 6},
        {"current code", currentCode(code), 8},
        {"meter count", meterCount(code), 6},
        {"TLD count", tldCount(code), 8},
    };
    for (const Field& f : fields) {
        if (f.value > f.max) {
            return std::string(f.name) + " " + std::to_string(f.value) + ", not 0.." +
                   std::to_string(f.max);
        }
    }
    return {};
}

bool WriteBomText(TextSink& sink, const ModelCode& code) {
    const bool ethernet = (code.feature & kFeatEthernet) != 0;
    const bool env = (code.feature & kFeatEnvSensor) != 0;
    const bool voltMeter = (code.feature & kFeatVoltMeter) != 0;
    const bool threePhase = phaseCode(code) == 1;
    const unsigned c = meterCount(code);
    const unsigned d = breakerCount(code);
    const unsigned e = d != 0 ? d : 1;
    const unsigned f = tldCount(code);  // 0 without socket control or meter
    const bool split = splitPhaseException(code);
    const unsigned amps = currentCode(code);
    const char* current = amps < 9 ? kCurrentTexts[amps] : "0";

    char model[kBomCodeCapacity] = {};
    encodeModelCode(code, model, sizeof model);
    const std::string formFactor = narrowText(
        DescribeModelField(code, static_cast<int>(ModelDescriptionField::FormFactor)).c_str(),
        kBomCodeCapacity);

    LineWriter w(sink);
    w.line("*");
    w.join("* ", std::string(kOrgName));
    w.join("* BOM for PDU ", std::string(model));
    w.line("*");
    w.join("1 - Chassis with ", formFactor, " form factor");
    if (ethernet)
        w.line("1 - ZOLT module");
    if (env) {
        w.line("1 - ZARN module");
        w.line("1 - Environmental probe");
    }
    if (c != 0)
        w.join(count(c), " - Display Mete", c != 1 ? "rs" : "r");
    if (d != 0)
        w.join(count(d), " - Breake", d != 1 ? "rs " : "r ", current, " Amps");
    if (f != 0) {
        w.join(count(f), " - TLD modul", f != 1 ? "es" : "e");
        if (!split)
            w.join(count(f * 6), " - Bicolor LEDs");
    }

    std::string kvb = "1 - KVB module w/:";
    kvb += threePhase ? " 3 phase" : " single phase";
    if (voltMeter)
        kvb += ", Voltage monitoring";
    if (env)
        kvb += ", env. RJ11";
    if (f != 0)
        kvb += ", " + count(f) + " TLD RJ45";
    if (c != 0)
        kvb += ", " + count(c) + " Display RJ45";
    if (ethernet)
        kvb += ", 1 ZOLT RJ45";
    w.line(kvb);

    const unsigned g = f * 6 + (split ? 0 : e);
    if (g != 0)
        w.join(count(g), " - Toroi", g > 1 ? "ds" : "d");
    const unsigned h = c + (ethernet ? 1 : 0) + f;
    if (h != 0)
        w.join(count(h), " - Inter-module cabl", h != 1 ? "es" : "e");
    if (env)
        w.line("1 - KVB to ZARN RJ11 cable");
    return w.ok();
}

bool WriteBom(const std::filesystem::path& path, const ModelCode& code) {
    if (path.empty() || isNoModel(code))
        return false;
    TextFile file;
    if (!file.create(path))
        return false;
    const bool written = WriteBomText(file, code);
    const bool closed = file.close();
    return written && closed;
}

bool WriteBom(const char16_t* path, std::uint16_t feature, std::uint32_t attribute,
              std::uint16_t extension) {
    std::filesystem::path file;
    if (!documentPath(path, file))
        return false;
    return WriteBom(file, ModelCode{feature, attribute, extension});
}

}  // namespace quorvel
