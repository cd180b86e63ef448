// quorvelctl verbs that talk to the PDU through a session.
#include <CLI/CLI.hpp>

#include <cstdio>

#include "cli/cli_session.h"
#include "cli/context.h"
#include "cli/model_text.h"
#include "link/reply_items.h"

namespace quorvel::cli {

namespace {

nlohmann::json identityJson(const SessionRecord& r) {
    char code[32];
    std::snprintf(code, sizeof code, "%4.4X:%8.8X:%4.4X", unsigned{r.featureWord},
                  unsigned{r.attributeWord}, unsigned{r.extensionWord});
    nlohmann::json modules = nlohmann::json::array();
    for (auto m : r.modules) {
        modules.push_back(m);
    }
    return {
        {"feature", r.featureWord},
        {"attribute", r.attributeWord},
        {"extension", r.extensionWord},
        {"modelCode", code},
        {"model", ModelCodeText(r.featureWord, r.attributeWord, r.extensionWord)},
        {"version", Narrow(r.versionText)},
        {"generation", Narrow(r.generationText)},
        {"generationNumber", r.generationNumber},
        {"modules", modules},
        {"environment", r.environmentFlags},
    };
}

}  // namespace

void registerLinkCommands(CLI::App& app, Context& ctx) {
    auto* identify = app.add_subcommand(
        "identify", "Log in, read the PDU's identity, version and modules, log off");
    identify->callback([&ctx] {
        CliSession session(ctx);
        if (!session.connect()) {
            return;
        }
        session.disconnect();
        ctx.printJson(identityJson(session.record()));
    });
}

}  // namespace quorvel::cli
