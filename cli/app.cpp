#include <CLI/CLI.hpp>

#include <ostream>

#include "catalogue/attribute_loader.h"
#include "catalogue/attribute_tables.h"
#include "cli/context.h"
#include "link/serial_trace.h"
#include "sim/fault_list.h"

namespace quorvel::cli {

void Context::printJson(const nlohmann::json& j) const {
    *out << j.dump() << '\n';
}

void Context::fail(const std::string& reason, int code) {
    *err << "quorvelctl: " << reason << '\n';
    exitCode = code;
}

bool Context::loadAttributes() {
    const std::filesystem::path file =
        attribs.empty() ? defaultAttributeFile() : std::filesystem::path(attribs);
    AttributeLoadReport report;
    if (!LoadPDUAttributes(Attributes(), file, &report)) {
        fail("could not load the attribute file " + file.string() +
             (report.stopLine > 0 ? ", line " + std::to_string(report.stopLine) : std::string{}) +
             (report.reason.empty() ? std::string{} : ": " + report.reason));
        return false;
    }
    return true;
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
    app.add_option("--simulate-faults", ctx.simulateFaults,
                   "Failure modes of the simulated PDU, comma-separated:\n" + sim::FaultListHelp())
        ->needs(sim);
    app.add_option("--simulate-baud", ctx.simulateBaud,
                   "Pace the simulated PDU's replies at this baud rate (default: unpaced)")
        ->check(CLI::NonNegativeNumber)
        ->needs(sim);
    app.add_option("--simulate-record", ctx.simulateRecord,
                   "When the run ends, write every line the simulated PDU took in to this file "
                   "(JSON)")
        ->needs(sim);
    app.add_option("--attribs", ctx.attribs,
                   "Attribute file (default: pduattribs.ini beside the program)");
    app.add_option("--trace", ctx.trace,
                   "Write every byte sent to and received from the PDU to this file, as JSON "
                   "lines (default: the file QUORVEL_TRACE names, if any)");
    // The trace ends with the run, whichever way it ends.
    struct TraceGuard {
        ~TraceGuard() { trace::Stop(); }
    } traceGuard;
    app.parse_complete_callback([&ctx, sim] {
        if (sim->count() > 0) {
            auto values = sim->results();
            ctx.simulate = values.empty() ? std::string{} : values.front();
        }
        if (std::string error; !trace::StartFromOption(ctx.trace, "quorvelctl", error)) {
            throw CLI::ValidationError("--trace", error);
        }
    });

    registerPortCommands(app, ctx);
    registerLinkCommands(app, ctx);
    registerStateCommands(app, ctx);
    registerMonitorCommands(app, ctx);
    registerCatalogueCommands(app, ctx);
    registerGeneratorCommands(app, ctx);
    registerProfileCommands(app, ctx);
    registerCalibrationCommands(app, ctx);
    registerWebCommands(app, ctx);
    registerConfigCommands(app, ctx);

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
