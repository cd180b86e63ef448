// quorvelctl calibrate: samples one channel at a low and a high reference load, computes slope,
// offset and threshold as the calibration dialog does, writes them and makes the PDU store its
// table. Against the built-in simulator the reference loads are put on the channel for you;
// against a real PDU the verb asks you to apply each load and press Enter.
#include <CLI/CLI.hpp>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <functional>
#include <iostream>
#include <memory>
#include <optional>

#include "catalogue/model_profile_builder.h"
#include "cli/cli_session.h"
#include "cli/context.h"
#include "link/calibration_channels.h"
#include "link/calibration_math.h"
#include "link/calibration_ops.h"
#include "link/device_ops.h"
#include "link/reply_items.h"
#include "sim/calibration_reads.h"
#include "sim/profile.h"
#include "sim/pty_simulator.h"

namespace quorvel::cli {

namespace {

struct CalibrateOptions {
    std::string channel;
    std::optional<std::string> low, high, threshold;
};

std::string Lower(std::string s) {
    std::transform(s.begin(), s.end(), s.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return s;
}

std::string ItemText(std::uint32_t item) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%04X", item);
    return text;
}

// The channel named by its list name (any case) or by its item value ("0x305").
const CalibrationChannel* FindChannel(const std::vector<CalibrationChannel>& list,
                                      const std::string& wanted) {
    const std::string key = Lower(wanted);
    const bool byItem = key.rfind("0x", 0) == 0;
    for (const CalibrationChannel& c : list) {
        if (byItem ? HexItem<std::uint32_t>(key.c_str()) == c.item : Lower(Narrow(c.name)) == key) {
            return &c;
        }
    }
    return nullptr;
}

std::string ChannelNames(const std::vector<CalibrationChannel>& list) {
    std::string names;
    for (const CalibrationChannel& c : list) {
        names += (names.empty() ? "" : ", ") + ("\"" + Narrow(c.name) + "\"");
    }
    return names.empty() ? "none" : names;
}

std::string Trimmed(std::string s) {
    while (!s.empty() && (s.back() == '\n' || s.back() == '\r')) {
        s.pop_back();
    }
    return s;
}

// The built-in simulator of --simulate, started here so that the verb can put the reference
// loads on it; the session then connects to its path.
struct Bench {
    std::unique_ptr<EmbeddedSimulator> simulator;

    bool start(Context& ctx) {
        simulator = StartSimulator(ctx);
        if (!simulator) {
            return false;
        }
        ctx.port = simulator->slavePath();
        ctx.simulate.reset();
        return true;
    }
};

void Calibrate(Context& ctx, const CalibrateOptions& opt) {
    if (!ctx.loadAttributes()) {
        return;
    }
    Bench bench;
    if (ctx.simulate && !bench.start(ctx)) {
        return;
    }
    CliSession session(ctx);
    if (!session.connect()) {
        return;
    }
    const SessionRecord& s = session.record();
    PduRecord pdu{};
    BuildModelProfile(s.featureWord, s.attributeWord, s.extensionWord, &pdu);
    pdu.featureWord = s.featureWord;
    pdu.attributeWord = s.attributeWord;
    pdu.extensionWord = s.extensionWord;
    const int generation = CalibrationGeneration(s.generationText);
    pdu.generationNumber = static_cast<std::uint8_t>(generation);

    const std::vector<CalibrationChannel> list = CalibrationChannels(pdu, generation);
    const CalibrationChannel* channel = FindChannel(list, opt.channel);
    if (channel == nullptr) {
        ctx.fail(
            "no channel \"" + opt.channel + "\" on this PDU; its channels: " + ChannelNames(list),
            kExitUsage);
        return;
    }
    const bool voltage =
        IsVoltageChannel(generation, pdu.featureWord, channel->kind(), channel->index());
    if (voltage && opt.low && ReadWholeReference(*opt.low) != 0) {
        ctx.fail("a voltage input is calibrated from 0 V: --low must be 0", kExitUsage);
        return;
    }
    const std::string low = opt.low.value_or(voltage ? "0" : "0.50");
    const std::string high = opt.high.value_or(voltage ? "120" : "12.00");
    const std::string threshold = opt.threshold.value_or(voltage ? "9" : "0.20");

    CalibrationOps ops;
    FillCalibrationOps(ops, 1);
    CalibrationWorkerBlock block;
    block.ops = &ops;
    block.record = &pdu;
    block.featureWord = pdu.featureWord;
    block.extensionWord = pdu.extensionWord;
    block.generation = static_cast<std::uint8_t>(generation);
    block.kind = channel->kind();
    block.index = channel->index();
    ops.Open(&block);

    const CalibrationTarget target =
        CalibrationWriteTarget(generation, pdu.featureWord, channel->kind(), channel->index());
    const std::string unit = voltage ? " V" : " A";
    // Puts the load on the channel (simulator) or asks the operator to; false when nobody did.
    auto apply = [&](const std::string& value) {
        if (bench.simulator) {
            bench.simulator->withConsole([&](sim::Console& c) {
                sim::setReferenceLoad(c.device(), target.voltage, target.row, target.channel,
                                      ParseDecimal(value.c_str()));
            });
            return true;
        }
        *ctx.err << "Apply " << value << unit << " to " << Narrow(channel->name)
                 << ", then press Enter" << std::endl;
        std::string line;
        return static_cast<bool>(std::getline(std::cin, line));
    };
    auto failWith = [&](const std::string& what) {
        const std::string error = Trimmed(CurrentInterfaceError());
        ctx.fail(what + (error.empty() ? std::string{} : ": " + error));
    };

    std::uint16_t lowRaw = 0;
    if (!voltage) {
        if (!apply(low)) {
            ctx.fail("no answer on standard input");
            return;
        }
        if (!ops.Action(0, kCalSampleLow, &block)) {
            failWith("could not sample the low load");
            return;
        }
        lowRaw = block.lowSample.load();
    }
    if (!apply(high)) {
        ctx.fail("no answer on standard input");
        return;
    }
    if (!ops.Action(0, kCalSampleHigh, &block)) {
        failWith("could not sample the high load");
        return;
    }
    const std::uint16_t highRaw = block.highSample.load();

    const CalibrationResult r =
        voltage ? ComputeVoltageCalibration(lowRaw, highRaw,
                                            {ReadWholeReference(low), ReadWholeReference(high),
                                             ReadWholeReference(threshold)})
                : ComputeCurrentCalibration(lowRaw, highRaw,
                                            {ReadCurrentReference(low), ReadCurrentReference(high),
                                             ReadCurrentReference(threshold)});
    DescribedChannel described{generation, channel->kind(), channel->index(),
                               ReversedCircuitFamily(pdu), channel->name};
    const std::string description = Narrow(CalibrationDescription(described, r));
    if (bench.simulator) {
        bench.simulator->withConsole([](sim::Console& c) { sim::clearReferenceLoads(c.device()); });
    }
    if (!r.valid) {
        ctx.fail("ILLEGAL CALIBRATION VALUES: " + description);
        return;
    }
    block.threshold = static_cast<std::uint16_t>(r.threshold);
    block.offset = static_cast<std::uint16_t>(r.offset);
    block.scale = static_cast<std::uint16_t>(r.scale);
    if (!ops.Action(0, kCalWrite, &block)) {
        failWith(ConsoleStoppedAnswering() ? "the PDU stopped answering the calibration writes"
                                           : "the PDU refused the calibration values");
        return;
    }
    if (!ops.Action(0, kCalStore, &block)) {
        failWith("the PDU did not store its calibration table");
        return;
    }
    session.disconnect();
    ctx.printJson({
        {"channel", Narrow(channel->name)},
        {"item", ItemText(channel->item)},
        {"voltage", voltage},
        {"lowRaw", lowRaw},
        {"highRaw", highRaw},
        {"scale", r.scale},
        {"offset", r.offset},
        {"threshold", r.threshold},
        {"description", description},
        {"stored", true},
    });
}

}  // namespace

void registerCalibrationCommands(CLI::App& app, Context& ctx) {
    auto opt = std::make_shared<CalibrateOptions>();
    auto* cmd = app.add_subcommand(
        "calibrate",
        "Calibrate one measuring channel from a low and a high reference load, write the values "
        "and store the PDU's calibration table");
    cmd->add_option("CHANNEL", opt->channel,
                    "Channel as the calibration dialog lists it (\"Socket 5\", \"Branch X "
                    "Voltage\") or its item value (0x0305)")
        ->required();
    cmd->add_option("--low", opt->low, "Low reference: amperes (default 0.50); voltage inputs 0");
    cmd->add_option("--high", opt->high, "High reference: amperes (default 12.00) or volts (120)");
    cmd->add_option("--threshold", opt->threshold,
                    "Threshold reference: amperes (default 0.20) or a whole number (9)");
    cmd->callback([&ctx, opt] { Calibrate(ctx, *opt); });
}

}  // namespace quorvel::cli
