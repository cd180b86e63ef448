// quorvelctl verbs that talk to the PDU through a session.
#include <CLI/CLI.hpp>

#include <cstdio>
#include <functional>

#include "catalogue/model_code.h"
#include "cli/cli_session.h"
#include "cli/code_argument.h"
#include "cli/context.h"
#include "cli/model_text.h"
#include "link/device_ops.h"
#include "link/reply_items.h"

namespace quorvel::cli {

namespace {

std::string codeText(std::uint16_t f, std::uint32_t a, std::uint16_t e) {
    return WordsText(ModelCode{f, a, e});
}

nlohmann::json identityJson(const SessionRecord& r) {
    nlohmann::json modules = nlohmann::json::array();
    for (auto m : r.modules) {
        modules.push_back(m);
    }
    return {
        {"feature", r.featureWord},
        {"attribute", r.attributeWord},
        {"extension", r.extensionWord},
        {"modelCode", codeText(r.featureWord, r.attributeWord, r.extensionWord)},
        {"model", ModelCodeText(r.featureWord, r.attributeWord, r.extensionWord)},
        {"version", Narrow(r.versionText)},
        {"generation", Narrow(r.generationText)},
        {"generationNumber", r.generationNumber},
        {"modules", modules},
        {"environment", r.environmentFlags},
    };
}

// Connects, runs op while the session idles, logs off. op returns the JSON to print, or
// nothing when it failed; then the interface's last error text is the reason.
void withSession(Context& ctx,
                 const std::function<std::optional<nlohmann::json>(CliSession&)>& op) {
    CliSession session(ctx);
    if (!session.connect()) {
        return;
    }
    std::optional<nlohmann::json> result = op(session);
    std::string error = result ? std::string{} : CurrentInterfaceError();
    session.disconnect();
    if (!result) {
        while (!error.empty() && error.back() == '\n') {
            error.pop_back();
        }
        if (ctx.exitCode == kExitOk) {
            ctx.fail(error.empty() ? "the PDU refused the operation" : error);
        }
        return;
    }
    ctx.printJson(*result);
}

// A verb that sends one device-wide command and reports {key: true}.
void addSimpleVerb(CLI::App& app, Context& ctx, const char* name, const char* help, const char* key,
                   std::function<bool()> op) {
    auto* cmd = app.add_subcommand(name, help);
    cmd->callback([&ctx, key, op] {
        withSession(ctx, [&](CliSession&) -> std::optional<nlohmann::json> {
            if (!op()) {
                return std::nullopt;
            }
            return nlohmann::json{{key, true}};
        });
    });
}

}  // namespace

void registerLinkCommands(CLI::App& app, Context& ctx) {
    auto* identify = app.add_subcommand(
        "identify", "Log in, read the PDU's identity, version and modules, log off");
    identify->callback([&ctx] {
        withSession(ctx, [](CliSession& s) -> std::optional<nlohmann::json> {
            return identityJson(s.record());
        });
    });

    auto* stamp = app.add_subcommand("stamp", "Stamp a model code into the PDU and read it back");
    auto code = std::make_shared<std::string>();
    auto kind = std::make_shared<int>(0);
    stamp->add_option("CODE", *code, "Model code string or words FFFF:FFFFFFFF:FFFF")->required();
    stamp
        ->add_option("--kind", *kind,
                     "0 the code, 1 the code with its map record, 2 the layout record")
        ->check(CLI::Range(0, 2));
    stamp->callback([&ctx, code, kind] {
        if (!ctx.loadAttributes()) {
            return;
        }
        ModelCode words;
        if (!ParseCodeArgument(*code, words)) {
            ctx.fail("not a valid model code: " + *code);
            return;
        }
        withSession(ctx, [&](CliSession&) -> std::optional<nlohmann::json> {
            if (!StampModel(words.feature, words.attribute, words.extension, *kind)) {
                return std::nullopt;
            }
            nlohmann::json j{
                {"stamped", true},
                {"kind", *kind},
                {"model", ModelCodeText(words.feature, words.attribute, words.extension)},
                {"modelCode", codeText(words.feature, words.attribute, words.extension)}};
            std::uint16_t f = 0, e = 0;
            std::uint32_t a = 0;
            if (ReadIdentity(&f, &a, &e, nullptr) >= 2) {
                j["readBack"] = {{"modelCode", codeText(f, a, e)},
                                 {"model", ModelCodeText(f, a, e)}};
            }
            return j;
        });
    });

    addSimpleVerb(app, ctx, "reboot", "Reboot the PDU", "rebooted", [] { return RebootPdu(); });
    addSimpleVerb(app, ctx, "format-db", "Format the PDU's database and load its defaults",
                  "formatted", [] { return DeviceDatabaseCommand(1); });
    addSimpleVerb(app, ctx, "reset-network", "Restart the PDU's networking with its settings",
                  "networkReset", [] { return DeviceDatabaseCommand(2); });
}

}  // namespace quorvel::cli
