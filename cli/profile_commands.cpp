// quorvelctl profile: the whole model profile of a model code string or of three words
// ("47C0:DB98B4B2:100A"), as one JSON object with the labels as UTF-8 strings.
#include <CLI/CLI.hpp>

#include <charconv>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "catalogue/model_code.h"
#include "catalogue/model_profile_builder.h"
#include "cli/code_argument.h"
#include "cli/context.h"

namespace quorvel::cli {
namespace {

// UTF-8 of a terminated fixed wide text (surrogate pairs joined; a lone surrogate becomes U+FFFD).
std::string utf8(const ProfileText& text) {
    std::string out;
    for (std::size_t i = 0; i < kProfileTextChars && text[i] != 0; ++i) {
        char32_t c = text[i];
        if (c >= 0xD800 && c <= 0xDBFF && i + 1 < kProfileTextChars && text[i + 1] >= 0xDC00 &&
            text[i + 1] <= 0xDFFF) {
            c = 0x10000 + ((c - 0xD800) << 10) + (text[i + 1] - 0xDC00);
            ++i;
        } else if (c >= 0xD800 && c <= 0xDFFF) {
            c = 0xFFFD;
        }
        if (c < 0x80) {
            out.push_back(static_cast<char>(c));
        } else if (c < 0x800) {
            out.push_back(static_cast<char>(0xC0 | (c >> 6)));
            out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
        } else if (c < 0x10000) {
            out.push_back(static_cast<char>(0xE0 | (c >> 12)));
            out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
        } else {
            out.push_back(static_cast<char>(0xF0 | (c >> 18)));
            out.push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
        }
    }
    return out;
}

template <std::size_t N>
nlohmann::json bytes(const std::uint8_t (&values)[N]) {
    return nlohmann::json(std::vector<int>(std::begin(values), std::end(values)));
}

template <std::size_t N>
nlohmann::json texts(const ProfileText (&values)[N]) {
    nlohmann::json list = nlohmann::json::array();
    for (const ProfileText& t : values)
        list.push_back(utf8(t));
    return list;
}

nlohmann::json profileJson(const ModelProfile& p, bool valid) {
    const ModelCode code{p.featureWord, p.attributeWord, p.extensionWord};
    return {
        {"valid", valid},
        {"model", encodeModelCode(code)},
        {"words", WordsText(code)},
        {"featureWord", p.featureWord},
        {"attributeWord", p.attributeWord},
        {"extensionWord", p.extensionWord},
        {"generationNumber", p.generationNumber},
        {"firmwareVersion", bytes(p.firmwareVersion)},
        {"receptacleTotal", p.receptacleTotal},
        {"mappedReceptacles", p.mappedReceptacles},
        {"phaseCount", p.phaseCount},
        {"nominalVoltage", p.nominalVoltage},
        {"currentRating", p.currentRating},
        {"meterCount", p.meterCount},
        {"breakerCount", p.breakerCount},
        {"receptacleGroups", p.receptacleGroups},
        {"circuitCount", p.circuitCount},
        {"voltageMapLow", bytes(p.voltageMapLow)},
        {"voltageMapHigh", bytes(p.voltageMapHigh)},
        {"circuitLabelIndex", bytes(p.circuitLabelIndex)},
        {"circuitSelectsVoltage", bytes(p.circuitSelectsVoltage)},
        {"receptaclesPerCircuit", bytes(p.receptaclesPerCircuit)},
        {"circuitWord", utf8(p.circuitWord)},
        {"circuitShortLabel", texts(p.circuitShortLabel)},
        {"receptacleMap", bytes(p.receptacleMap)},
        {"receptaclePresent", bytes(p.receptaclePresent)},
        {"receptacleType", bytes(p.receptacleType)},
        {"receptacleInput", bytes(p.receptacleInput)},
        {"circuitVisible", bytes(p.circuitVisible)},
        {"circuitLayoutType", p.circuitLayoutType},
        {"circuitLayoutHigh", bytes(p.circuitLayoutHigh)},
        {"circuitLayoutLow", bytes(p.circuitLayoutLow)},
        {"receptacleLayout", p.receptacleLayout},
        {"receptacleLabelStyle", p.receptacleLabelStyle},
        {"receptacleWord", texts(p.receptacleWord)},
        {"receptacleLabel", texts(p.receptacleLabel)},
        {"receptacleColumns", bytes(p.receptacleColumns)},
        {"receptacleMaxColumns", bytes(p.receptacleMaxColumns)},
    };
}

}  // namespace

void registerProfileCommands(CLI::App& app, Context& ctx) {
    auto code = std::make_shared<std::string>();
    auto* cmd = app.add_subcommand("profile", "Print the whole model profile of a model code");
    cmd->add_option("CODE", *code,
                    "Model code string (SQV21230410BA-0) or words FFFF:FFFFFFFF:FFFF")
        ->required();
    cmd->callback([&ctx, code] {
        ModelCode mc;
        std::string text = *code;
        if (!ParseCodeArgument(text, mc)) {
            ctx.fail("profile: not a valid model code: " + *code);
            return;
        }
        if (isNoModel(mc)) {
            ctx.fail("profile: " + *code + " is the no-model code");
            return;
        }
        if (!ctx.loadAttributes())
            return;
        if (!Attributes().seriesPresent(seriesIndexOf(mc))) {
            ctx.fail("profile: the series of " + *code + " is not in the attribute file");
            return;
        }
        ModelProfile profile;
        const bool valid = BuildModelProfile(mc, profile);
        ctx.printJson(profileJson(profile, valid));
    });
}

}  // namespace quorvel::cli
