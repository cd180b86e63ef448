// quorvelctl mib and bom: write the SNMP MIB module of a model whose profile the attribute file
// can build, or the bill of materials of any model code whose fields are in range (it needs
// nothing but the code).
#include <CLI/CLI.hpp>

#include <charconv>
#include <filesystem>
#include <memory>
#include <string>
#include <system_error>

#include "catalogue/model_code.h"
#include "catalogue/model_profile_builder.h"
#include "cli/code_argument.h"
#include "cli/context.h"
#include "generators/bom_writer.h"
#include "generators/mib_writer.h"

namespace quorvel::cli {
namespace {

struct DocumentRequest {
    std::string code;
    std::string file;
    int generation = kMibSecondGeneration;
};

bool parsed(Context& ctx, const std::string& verb, const std::string& text, ModelCode& code) {
    if (ParseCodeArgument(text, code))
        return true;
    ctx.fail(verb + ": not a valid model code: " + text);
    return false;
}

// The profile of the code when the attribute file can build it; else reports why.
bool profileOf(Context& ctx, const std::string& text, ModelCode& code, ModelProfile& profile) {
    if (!parsed(ctx, "mib", text, code) || !ctx.loadAttributes())
        return false;
    if (!BuildModelProfile(code, profile)) {
        ctx.fail("mib: no profile for " + text +
                 " (series not in the attribute file, or a field out of range); nothing written");
        return false;
    }
    return true;
}

void report(Context& ctx, const std::string& verb, const std::string& file, bool written) {
    std::error_code ec;
    const auto bytes = std::filesystem::file_size(file, ec);
    if (!written) {
        ctx.fail(verb + ": could not write " + file +
                 (ec ? std::string(" (not created)")
                     : " (stopped after " + std::to_string(bytes) + " bytes)"));
        return;
    }
    ctx.printJson({{"file", file}, {"bytes", ec ? 0 : bytes}});
}

void addMib(CLI::App& app, Context& ctx) {
    auto req = std::make_shared<DocumentRequest>();
    auto* cmd = app.add_subcommand("mib", "Write the SNMP MIB module of a model");
    cmd->add_option("CODE", req->code, "Model code string or words FFFF:FFFFFFFF:FFFF")->required();
    cmd->add_option("--gen", req->generation, "KVB module generation: 1 or 2")
        ->required()
        ->check(CLI::IsMember({1, 2}));
    cmd->add_option("-o,--output", req->file, "MIB file to write")->required();
    cmd->callback([&ctx, req] {
        ModelCode code;
        ModelProfile profile;
        if (!profileOf(ctx, req->code, code, profile))
            return;
        if (!MibGenerationFits(profile, req->generation)) {
            ctx.fail("mib: " + req->code + " has " + std::to_string(MibCircuitCount(profile)) +
                     " circuits and a first-generation MIB numbers at most " +
                     std::to_string(kFirstGenerationMaxCircuits) +
                     " without repeating object numbers; write it with --gen 2; nothing written");
            return;
        }
        std::tm now{};
        const std::time_t t = std::time(nullptr);
        localtime_r(&t, &now);
        report(ctx, "mib", req->file, WriteMib(req->file, code, req->generation, now));
    });
}

void addBom(CLI::App& app, Context& ctx) {
    auto req = std::make_shared<DocumentRequest>();
    auto* cmd = app.add_subcommand("bom", "Write the bill of materials of a model");
    cmd->add_option("CODE", req->code, "Model code string or words FFFF:FFFFFFFF:FFFF")->required();
    cmd->add_option("-o,--output", req->file, "BOM file to write")->required();
    cmd->callback([&ctx, req] {
        ModelCode code;
        if (!parsed(ctx, "bom", req->code, code))
            return;
        if (const std::string field = BomFieldOutOfRange(code); !field.empty()) {
            ctx.fail("bom: " + req->code + ": " + field + "; nothing written");
            return;
        }
        report(ctx, "bom", req->file, WriteBom(req->file, code));
    });
}

}  // namespace

void registerGeneratorCommands(CLI::App& app, Context& ctx) {
    addMib(app, ctx);
    addBom(app, ctx);
}

}  // namespace quorvel::cli
