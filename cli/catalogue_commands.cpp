// quorvelctl verbs of the model catalogue: decode and encode model codes, load an attribute file.
#include <CLI/CLI.hpp>

#include <charconv>
#include <memory>
#include <string>

#include "catalogue/attribute_loader.h"
#include "catalogue/model_code.h"
#include "cli/context.h"

namespace quorvel::cli {
namespace {

// Reads a hexadecimal word ("1A2B" or "0x1A2B") of at most `maxValue`.
bool parseHexWord(const std::string& text, std::uint32_t maxValue, std::uint32_t& out) {
    std::string_view s = text;
    if (s.size() > 2 && s[0] == '0' && (s[1] == 'x' || s[1] == 'X'))
        s.remove_prefix(2);
    if (s.empty())
        return false;
    std::uint64_t v = 0;
    auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), v, 16);
    if (ec != std::errc{} || end != s.data() + s.size() || v > maxValue)
        return false;
    out = static_cast<std::uint32_t>(v);
    return true;
}

std::string utf8(const std::u16string& s) {
    std::string out;
    for (char16_t c : s) {  // attribute texts are bytes widened one by one
        if (c < 0x80) {
            out.push_back(static_cast<char>(c));
        } else {
            out.push_back(static_cast<char>(0xC0 | (c >> 6)));
            out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
        }
    }
    return out;
}

std::string seriesName(SeriesIndex index) {
    char first = 0, third = 0;
    char second = seriesLetters(index, &first, &third);
    std::string name;
    if (index >= 676)
        name.push_back(third);
    name.push_back(first);
    name.push_back(second);
    return name;
}

void addDecode(CLI::App& app, Context& ctx) {
    auto code = std::make_shared<std::string>();
    auto* cmd = app.add_subcommand("decode", "Decode a model code string into its three words");
    cmd->add_option("CODE", *code, "Model code string, e.g. SQV21230410BA-0")->required();
    cmd->callback([&ctx, code] {
        std::string text = *code;
        ModelCode mc;
        if (!decodeModelCode(text, mc)) {
            ctx.fail("not a valid model code: " + *code);
            return;
        }
        ctx.printJson(
            {{"feature", mc.feature}, {"attribute", mc.attribute}, {"extension", mc.extension}});
    });
}

void addEncode(CLI::App& app, Context& ctx) {
    auto words = std::make_shared<std::array<std::string, 3>>();
    auto* cmd = app.add_subcommand("encode", "Encode three model code words (hexadecimal)");
    cmd->add_option("FEATURE", (*words)[0], "FeatureWord, 16-bit hexadecimal")->required();
    cmd->add_option("ATTRIBUTE", (*words)[1], "AttributeWord, 32-bit hexadecimal")->required();
    cmd->add_option("EXTENSION", (*words)[2], "ExtensionWord, 16-bit hexadecimal")->required();
    cmd->callback([&ctx, words] {
        std::uint32_t f = 0, a = 0, e = 0;
        if (!parseHexWord((*words)[0], 0xFFFF, f) || !parseHexWord((*words)[1], 0xFFFFFFFFu, a) ||
            !parseHexWord((*words)[2], 0xFFFF, e)) {
            ctx.fail("encode: words must be hexadecimal (16, 32 and 16 bits)", kExitUsage);
            return;
        }
        ModelCode mc{static_cast<std::uint16_t>(f), a, static_cast<std::uint16_t>(e)};
        ctx.printJson({{"model", encodeModelCode(mc)}});
    });
}

void addAttribs(CLI::App& app, Context& ctx) {
    auto file = std::make_shared<std::string>();
    auto* cmd = app.add_subcommand("attribs", "Load an attribute file and report what it holds");
    cmd->add_option("FILE", *file, "Attribute file (default: --attribs, else beside the program)");
    cmd->callback([&ctx, file] {
        std::filesystem::path path = !file->empty()         ? std::filesystem::path(*file)
                                     : !ctx.attribs.empty() ? std::filesystem::path(ctx.attribs)
                                                            : defaultAttributeFile();
        AttributeTables tables;
        AttributeLoadReport report;
        if (!LoadPDUAttributes(tables, path, &report)) {
            if (report.stopLine > 0) {
                ctx.fail(path.string() + ":" + std::to_string(report.stopLine) +
                         ": load stopped: " + report.reason);
            } else {
                ctx.fail(report.reason);
            }
            return;
        }
        nlohmann::json series = nlohmann::json::array();
        for (SeriesIndex idx : tables.presentSeries()) {
            series.push_back({{"letters", seriesName(idx)},
                              {"index", idx},
                              {"text", utf8(tables.seriesText(idx))}});
        }
        ctx.printJson({{"file", path.string()},
                       {"loaded", true},
                       {"endMarker", report.endMarker},
                       {"lines", report.lines},
                       {"values", report.valuesStored},
                       {"series", tables.seriesCount()},
                       {"inlets", tables.inletCount()},
                       {"ignoredLines", report.ignoredLines},
                       {"longLines", report.longLines},
                       {"seriesList", series}});
    });
}

}  // namespace

void registerCatalogueCommands(CLI::App& app, Context& ctx) {
    addDecode(app, ctx);
    addEncode(app, ctx);
    addAttribs(app, ctx);
}

}  // namespace quorvel::cli
