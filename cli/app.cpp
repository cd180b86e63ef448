#include <CLI/CLI.hpp>

#include <ostream>

#include "cli/context.h"

namespace quorvel::cli {

void Context::printJson(const nlohmann::json& j) const { *out << j.dump() << '\n'; }

void Context::fail(const std::string& reason, int code) {
    *err << "quorvelctl: " << reason << '\n';
    exitCode = code;
}

int run(int argc, char** argv, std::ostream& out, std::ostream& err) {
    Context ctx;
    ctx.out = &out;
    ctx.err = &err;

    CLI::App app{"quorvelctl: commission, configure and monitor a rack PDU from scripts"};
    app.require_subcommand(1);
    app.add_option("--port", ctx.port,
                   "COM port (COM1..COM20, or 1..20) or an absolute device path");
    auto* sim = app.add_option("--simulate", "Run against the built-in simulated PDU [=PROFILE]")
                    ->expected(0, 1);
    app.add_option("--attribs", ctx.attribs, "Attribute file (default: pduattribs.ini beside the program)");
    app.parse_complete_callback([&ctx, sim] {
        if (sim->count() > 0) {
            auto values = sim->results();
            ctx.simulate = values.empty() ? std::string{} : values.front();
        }
    });

    registerLinkCommands(app, ctx);
    registerCatalogueCommands(app, ctx);

    try {
        app.parse(argc, argv);
    } catch (const CLI::CallForHelp& e) {
        out << app.help();
        return kExitOk;
    } catch (const CLI::ParseError& e) {
        err << "quorvelctl: " << e.what() << '\n';
        return kExitUsage;
    }
    return ctx.exitCode;
}

}  // namespace quorvel::cli
