// quorvelctl config get and config set: the PDU's configuration items through the operations
// and the passes the configuration dialog uses, keyed and shown as the dialog shows them.
#include <CLI/CLI.hpp>

#include <algorithm>
#include <cstring>
#include <fstream>
#include <iterator>
#include <map>
#include <memory>
#include <optional>
#include <set>

#include "catalogue/model_profile_builder.h"
#include "cli/cli_session.h"
#include "cli/context.h"
#include "common/config_catalogue.h"
#include "common/config_file.h"
#include "common/config_values.h"
#include "link/config_operations.h"
#include "link/device_ops.h"

namespace quorvel::cli {

namespace {

constexpr std::size_t kNameChars = 32;

std::uint16_t load16(const std::uint8_t* p) {
    return static_cast<std::uint16_t>(p[0] | p[1] << 8);
}

void store16(std::uint8_t* p, std::uint16_t v) {
    p[0] = static_cast<std::uint8_t>(v & 0xFF);
    p[1] = static_cast<std::uint8_t>(v >> 8);
}

bool maskBit(const std::uint8_t* image, int bit) {
    return (image[kPowerOnMaskOffset + bit / 8] >> (bit % 8)) & 1u;
}

// What a configuration dialog holds while it runs: the record, the operations, the run's own
// catalogue and the block with both images.
struct Configurator {
    PduRecord record;
    DeviceAddressBlock addresses;
    ConfigOps ops;
    ConfigCatalogue catalogue;
    std::unique_ptr<ConfigWorkerBlock> block = std::make_unique<ConfigWorkerBlock>();
    std::int32_t handle = 0;
    bool developer = false;

    Configurator(const SessionRecord& session, bool dev) : developer(dev) {
        if (!BuildModelProfile(session.featureWord, session.attributeWord, session.extensionWord,
                               &record)) {
            record.featureWord = session.featureWord;
            record.attributeWord = session.attributeWord;
            record.extensionWord = session.extensionWord;
        }
        // The firmware digits as the main window takes them from the version text ("04.02.00").
        const std::u16string_view version(session.versionText);
        for (std::size_t d = 0; d < 3; ++d) {
            const char16_t c = 3 * d + 1 < version.size() ? version[3 * d + 1] : u'0';
            record.firmwareVersion[d] =
                static_cast<std::uint8_t>(c >= u'0' && c <= u'9'   ? c - u'0'
                                          : c >= u'A' && c <= u'F' ? c - u'A' + 10
                                                                   : 0);
        }
        FillConfigOps(ops, dev ? 1 : 0);
        block->ops = &ops;
        block->record = &record;
        block->addresses = &addresses;
        catalogue.attach(*block);
        handle = ops.Open(block.get());
    }
    ConfigTables tables() const { return block->itemTables; }
    const ConfigItemDescriptor& item(int t, int i) const { return block->itemTables[t][i]; }
    bool celsius() const {
        const int i = FindConfigItem(tables()[kGeneralItems], kItemNetOptions);
        return i >= 0 &&
               (load16(block->editImage + item(kGeneralItems, i).offset) & kNetCelsiusBit) != 0;
    }

    // The load pass; stops at the first item the PDU does not answer and returns its key,
    // or null when everything was read.
    const char* load() {
        for (const ConfigTransfer& t : ConfigLoadItems(record, tables(), ops.mode)) {
            if (!ConfigReadEntry(t.table, t.index, block.get())) {
                return item(t.table, t.index).keyName;
            }
            ConfigTakeLoaded(t, tables(), ops.mode, block->deviceImage, block->editImage);
        }
        return nullptr;
    }
    bool stillDiffers(const ConfigTransfer& t) const {
        const auto left =
            ConfigSaveItems(record, tables(), ops.mode, block->deviceImage, block->editImage);
        return std::find(left.begin(), left.end(), t) != left.end();
    }
    // The save pass; returns what it wrote and what the PDU did not take. An element the PDU
    // refused does not stop it; a PDU that stopped answering does, since every further element
    // would wait out all its tries (what is left stays different and is listed as not taken).
    std::pair<std::vector<ConfigTransfer>, std::vector<ConfigTransfer>> save() {
        const auto items =
            ConfigSaveItems(record, tables(), ops.mode, block->deviceImage, block->editImage);
        for (const ConfigTransfer& t : items) {
            ops.WriteItem(handle, t.table, t.index, block.get());
            if (stillDiffers(t) && ConsoleStoppedAnswering()) {
                break;
            }
        }
        // WriteItem copies an element into the device image only when the PDU took it.
        const auto left =
            ConfigSaveItems(record, tables(), ops.mode, block->deviceImage, block->editImage);
        std::vector<ConfigTransfer> written;
        for (const ConfigTransfer& t : items) {
            if (std::find(left.begin(), left.end(), t) == left.end()) {
                written.push_back(t);
            }
        }
        return {written, left};
    }

    // Whether the dialog shows entry i of table t for this PDU.
    bool shown(int t, int i) const { return ConfigEntryShown(record, tables(), t, i); }

    // Every item the dialog shows, in catalogue order as it lists them.
    nlohmann::ordered_json shownValues() const {
        nlohmann::ordered_json out = nlohmann::ordered_json::object();
        for (int t : {kGeneralItems, kReceptacleNameItems, kCircuitItems}) {
            for (int i = 0, n = ConfigTableEntries(tables()[t]); i < n; ++i) {
                if (shown(t, i)) {
                    out[item(t, i).keyName] = value(t, i);
                }
            }
        }
        return out;
    }

    // The value of entry i of table t as the dialog shows it.
    nlohmann::ordered_json value(int t, int i) const {
        const ConfigItemDescriptor& d = item(t, i);
        const std::uint8_t* e = block->editImage + d.offset;
        if (d.code == kItemNetOptions && t == kGeneralItems) {
            nlohmann::ordered_json boxes = nlohmann::ordered_json::object();
            for (const NetOptionBox& box : kNetOptionBoxes) {
                boxes[box.name] = NetOptionChecked(load16(e), box);
            }
            return boxes;
        }
        if (d.code == kItemRecepControl && t == kCircuitItems) {
            nlohmann::ordered_json on = nlohmann::ordered_json::object();
            for (int r = 0; r < kMaxReceptacles; ++r) {
                if (ReceptacleRowShown(record, r)) {
                    on[std::to_string(r + 1)] = maskBit(block->editImage, r);
                }
            }
            return on;
        }
        if (d.code == kItemEnvironmentLimits && t == kGeneralItems) {
            if (d.elementIndex >= 2) {
                return ToUtf8(FormatHumidity(load16(e)));
            }
            const std::uint16_t f = load16(e);
            return ToUtf8(celsius() ? FormatTemperature(FahrenheitToCelsius(f), true)
                                    : FormatTemperature(f, false));
        }
        if (d.kind == kKindText && IsProtectedItem(d.code) && !developer) {
            return ToUtf8(kMaskedText);
        }
        return ToUtf8(FormatConfigElement(d.kind, d.size, e));
    }
};

std::vector<std::string> splitList(const std::string& text) {
    std::vector<std::string> parts;
    std::size_t start = 0;
    while (start <= text.size() && !text.empty()) {
        const std::size_t comma = text.find(',', start);
        const std::size_t end = comma == std::string::npos ? text.size() : comma;
        if (end > start) {
            parts.push_back(text.substr(start, end - start));
        }
        if (comma == std::string::npos) {
            break;
        }
        start = comma + 1;
    }
    return parts;
}

bool isInteger(const std::string& s, long long lo, long long hi) {
    std::size_t i = s.size() > 0 && (s[0] == '-' || s[0] == '+') ? 1 : 0;
    if (i == s.size() || s.size() - i > 6 ||
        s.find_first_not_of("0123456789", i) != std::string::npos) {
        return false;
    }
    const long long v = std::stoll(s);
    return v >= lo && v <= hi;
}

// Why an assignment was not taken, and the exit code that says so.
struct Refusal {
    std::string text;
    int code = kExitUsage;  // the value is not of the field's form
};

// A value of the field's form but outside its range: the PDU is not asked to take it.
Refusal outOfRange(const std::u16string& field, const std::u16string& typed,
                   const EntryRange& range) {
    return {ToUtf8(RefusedEntryText(field, typed, range)), kExitFailure};
}

// Enters one assignment into the edit image; a refusal when the value cannot be taken.
std::optional<Refusal> assign(Configurator& c, int t, int i, const std::string& text) {
    const ConfigItemDescriptor& d = c.item(t, i);
    std::uint8_t* e = c.block->editImage + d.offset;
    const std::u16string wide = FromUtf8(text);
    if (t == kGeneralItems && d.code == kItemNetOptions) {
        std::uint16_t v = load16(e);
        std::set<std::string> checked;
        for (const std::string& name : splitList(text)) {
            checked.insert(name);
        }
        for (const NetOptionBox& box : kNetOptionBoxes) {
            v = WithNetOption(v, box, checked.erase(box.name) > 0);
        }
        if (!checked.empty()) {
            return Refusal{"no network option " + *checked.begin() +
                           " (AutoIP, Hosts, WEB, SWU, C)"};
        }
        store16(e, v);
        return std::nullopt;
    }
    if (t == kCircuitItems && d.code == kItemRecepControl) {
        std::set<int> on;
        for (const std::string& n : splitList(text)) {
            if (!isInteger(n, 1, kMaxReceptacles) ||
                !ReceptacleRowShown(c.record, std::stoi(n) - 1)) {
                return Refusal{"no receptacle " + n + " on this PDU"};
            }
            on.insert(std::stoi(n) - 1);
        }
        for (int r = 0; r < kMaxReceptacles; ++r) {
            if (ReceptacleRowShown(c.record, r)) {
                std::uint8_t& byte = c.block->editImage[kPowerOnMaskOffset + r / 8];
                const auto bit = static_cast<std::uint8_t>(1u << (r % 8));
                byte = static_cast<std::uint8_t>(on.count(r) ? byte | bit : byte & ~bit);
            }
        }
        return std::nullopt;
    }
    const std::u16string key = FromUtf8(d.keyName);
    if (t == kGeneralItems && d.code == kItemEnvironmentLimits && d.elementIndex < 2) {
        const bool celsius = c.celsius();
        if (!text.empty() && !IsDecimalText(text)) {
            return Refusal{"expected a temperature in degrees " + std::string(celsius ? "C" : "F")};
        }
        if (!TemperatureEntryFits(wide, celsius)) {
            return outOfRange(key + (celsius ? u" (C)" : u" (F)"), wide,
                              TemperatureEntryRange(celsius));
        }
        store16(e, TemperatureEntered(wide, celsius));
        return std::nullopt;
    }
    EntryRange range;
    switch (d.kind) {
        case kKindSigned16:
        case kKindUnsigned16:
        case kKindByte:
            ConfigEntryRange(d.kind, range);
            if (!IsIntegerText(text)) {
                return Refusal{"expected an integer " + ToUtf8(EntryRangeText(range))};
            }
            break;
        case kKindHundredths:
            ConfigEntryRange(d.kind, range);
            if (!text.empty() && !IsDecimalText(text)) {
                return Refusal{"expected a number " + ToUtf8(EntryRangeText(range))};
            }
            break;
        case kKindIpAddress:
            if (!text.empty() && !IsIpText(text)) {
                return Refusal{"expected an IP address a.b.c.d"};
            }
            break;
        case kKindText: {
            const std::size_t chars =
                t == kReceptacleNameItems ? kNameChars : TerminatedTextChars(d.size);
            if (wide.size() > chars) {
                return Refusal{"at most " + std::to_string(chars) + " characters"};
            }
            break;
        }
        default:
            return Refusal{"not settable"};
    }
    if (!ConfigEntryFits(d.kind, wide)) {
        return outOfRange(key, wide, range);
    }
    ParseConfigElement(d.kind, d.size, wide, e,
                       t == kReceptacleNameItems ? kNameChars : TerminatedTextChars(d.size));
    return std::nullopt;
}

std::string trimmed(std::string error) {
    while (!error.empty() && error.back() == '\n') {
        error.pop_back();
    }
    return error;
}

// Loads every item from the PDU; a read that fails is reported naming its key, with what the
// command therefore did not do ("", ", nothing was written").
bool loadFromPdu(Context& ctx, Configurator& c, const char* consequence) {
    if (const char* key = c.load()) {
        ctx.fail(std::string("could not read ") + key + " from the PDU" + consequence + ": " +
                 trimmed(CurrentInterfaceError()));
        return false;
    }
    return true;
}

void runGet(Context& ctx, const std::vector<std::string>& keys, bool developer) {
    if (!ctx.loadAttributes()) {
        return;
    }
    CliSession session(ctx);
    if (!session.connect()) {
        return;
    }
    Configurator c(session.record(), developer);
    std::vector<std::pair<int, int>> wanted;
    for (const std::string& key : keys) {
        int t = 0;
        int i = 0;
        if (!FindConfigKey(c.tables(), key, t, i)) {
            ctx.fail("no configuration key " + key, kExitUsage);
            return;
        }
        if (!c.shown(t, i)) {
            ctx.fail(key + " is not on this PDU");
            return;
        }
        wanted.emplace_back(t, i);
    }
    if (!loadFromPdu(ctx, c, "")) {
        return;
    }
    session.disconnect();
    nlohmann::ordered_json out =
        keys.empty() ? c.shownValues() : nlohmann::ordered_json(nlohmann::ordered_json::object());
    for (const auto& [t, i] : wanted) {
        out[c.item(t, i).keyName] = c.value(t, i);
    }
    *ctx.out << out.dump() << '\n';
}

// Runs the save pass, logs off and prints the report with what was written and what was
// refused; a refusal, or a PDU that stopped answering, fails the command naming how many.
void SaveAndReport(Context& ctx, Configurator& c, CliSession& session,
                   nlohmann::ordered_json report) {
    const auto [written, refused] = c.save();
    const std::string error = trimmed(CurrentInterfaceError());
    const bool unanswered = !refused.empty() && ConsoleStoppedAnswering();
    session.disconnect();
    nlohmann::ordered_json done = nlohmann::ordered_json::object();
    for (const ConfigTransfer& t : written) {
        done[c.item(t.table, t.index).keyName] = c.value(t.table, t.index);
    }
    nlohmann::json failed = nlohmann::json::array();
    for (const ConfigTransfer& t : refused) {
        failed.push_back(c.item(t.table, t.index).keyName);
    }
    report["written"] = done;
    report["refused"] = failed;
    *ctx.out << report.dump() << '\n';
    if (!refused.empty()) {
        const std::string what =
            unanswered ? "the PDU stopped answering, not written: " : "the PDU refused ";
        ctx.fail(what + std::to_string(refused.size()) + " item(s)" +
                 (error.empty() ? std::string{} : ": " + error));
    }
}

void runSet(Context& ctx, const std::vector<std::string>& assignments, bool developer) {
    // Parse the command line before touching the device.
    std::vector<std::pair<std::string, std::string>> pairs;
    for (const std::string& a : assignments) {
        const std::size_t eq = a.find('=');
        if (eq == std::string::npos || eq == 0) {
            ctx.fail("expected KEY=VALUE, got " + a, kExitUsage);
            return;
        }
        pairs.emplace_back(a.substr(0, eq), a.substr(eq + 1));
    }
    if (!ctx.loadAttributes()) {
        return;
    }
    CliSession session(ctx);
    if (!session.connect()) {
        return;
    }
    Configurator c(session.record(), developer);
    std::vector<std::pair<std::pair<int, int>, std::string>> entries;
    for (const auto& [key, value] : pairs) {
        int t = 0;
        int i = 0;
        if (!FindConfigKey(c.tables(), key, t, i)) {
            ctx.fail("no configuration key " + key, kExitUsage);
            return;
        }
        const ConfigItemDescriptor& d = c.item(t, i);
        if (d.code == kItemMacAddress) {
            ctx.fail(key + " is never written", kExitUsage);
            return;
        }
        if (IsProtectedItem(d.code) && !developer) {
            ctx.fail(key + " is written only with --developer", kExitUsage);
            return;
        }
        if (!c.shown(t, i)) {
            ctx.fail(key + " is not on this PDU");
            return;
        }
        entries.push_back({{t, i}, value});
    }
    if (!loadFromPdu(ctx, c, ", nothing was written")) {
        return;
    }
    // The network options first: they say in which unit the temperature limits are given.
    std::stable_partition(entries.begin(), entries.end(), [&c](const auto& entry) {
        return c.item(entry.first.first, entry.first.second).code == kItemNetOptions;
    });
    // A value that is refused writes nothing at all: the command stops before the save.
    for (const auto& [where, value] : entries) {
        if (const auto refusal = assign(c, where.first, where.second, value)) {
            ctx.fail(
                refusal->code == kExitUsage
                    ? std::string(c.item(where.first, where.second).keyName) + ": " + refusal->text
                    : refusal->text + ", nothing was written",
                refusal->code);
            return;
        }
    }
    SaveAndReport(ctx, c, session, nlohmann::ordered_json::object());
}

// The file's items as config set would enter them, or a refusal naming the first that would not.
std::optional<Refusal> enterFile(Configurator& c, const ConfigFile& file,
                                 const ConfigImportPlan& plan,
                                 const nlohmann::ordered_json& before) {
    for (const std::string& key : plan.apply) {
        int t = 0;
        int i = 0;
        FindConfigKey(c.tables(), key, t, i);
        if (auto refusal = assign(c, t, i, ConfigEntryText(key, file.items[key], before[key]))) {
            refusal->text = key + ": " + refusal->text;
            return refusal;
        }
    }
    return std::nullopt;
}

void runExport(Context& ctx, const std::string& path, bool developer) {
    if (!ctx.loadAttributes()) {
        return;
    }
    CliSession session(ctx);
    if (!session.connect()) {
        return;
    }
    Configurator c(session.record(), developer);
    if (!loadFromPdu(ctx, c, ", nothing was exported")) {
        return;
    }
    session.disconnect();
    const ConfigFile file = MakeConfigFile(c.record, c.shownValues(), developer);
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << WriteConfigFile(file);
    out.close();
    if (!out) {
        ctx.fail("cannot write " + path);
        return;
    }
    ctx.printJson({{"file", path}, {"items", file.items.size()}, {"passwords", file.passwords}});
}

void runImport(Context& ctx, const std::string& path, bool dryRun, bool force, bool developer) {
    // The file is read and checked before the device is touched.
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        ctx.fail("cannot read " + path);
        return;
    }
    const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    ConfigFile file;
    std::string error;
    if (!ReadConfigFile(text, file, error)) {
        ctx.fail(path + ": " + error);
        return;
    }
    if (!ctx.loadAttributes()) {
        return;
    }
    CliSession session(ctx);
    if (!session.connect()) {
        return;
    }
    Configurator c(session.record(), developer);
    if (!loadFromPdu(ctx, c, ", nothing was written")) {
        return;
    }
    const nlohmann::ordered_json before = c.shownValues();
    const ConfigImportPlan plan =
        PlanConfigImport(file, ConfigOriginOf(c.record), before, c.tables(), developer);
    if (!plan.otherLayout.empty() && !force) {
        ctx.fail(path + ": " + plan.otherLayout +
                 "; nothing was written (--force applies the items this PDU has)");
        return;
    }
    if (!plan.refused.empty()) {
        std::string all;
        for (const std::string& r : plan.refused) {
            all += (all.empty() ? "" : "; ") + r;
        }
        ctx.fail(path + ": " + all + ", nothing was written");
        return;
    }
    if (const auto refusal = enterFile(c, file, plan, before)) {
        ctx.fail(path + ": " + refusal->text + ", nothing was written");
        return;
    }
    // What the save pass would write, element by element.
    nlohmann::ordered_json report = nlohmann::ordered_json::object();
    nlohmann::ordered_json changes = nlohmann::ordered_json::object();
    for (const ConfigTransfer& t : ConfigSaveItems(c.record, c.tables(), c.ops.mode,
                                                   c.block->deviceImage, c.block->editImage)) {
        const char* key = c.item(t.table, t.index).keyName;
        changes[key] = {{"from", before[key]}, {"to", c.value(t.table, t.index)}};
    }
    nlohmann::ordered_json skipped = nlohmann::ordered_json::object();
    for (const auto& [key, why] : plan.skipped) {
        skipped[key] = why;
    }
    report["changes"] = changes;
    report["skipped"] = skipped;
    if (dryRun) {
        session.disconnect();
        *ctx.out << report.dump() << '\n';
        return;
    }
    SaveAndReport(ctx, c, session, std::move(report));
}

}  // namespace

void registerConfigCommands(CLI::App& app, Context& ctx) {
    auto* config = app.add_subcommand("config", "Read or change the PDU's configuration items");
    config->require_subcommand(1);
    auto developer = std::make_shared<bool>(false);
    config->add_flag("-d,--developer", *developer,
                     "Show and set the PDU password, KOVA name and KOVA password");

    auto keys = std::make_shared<std::vector<std::string>>();
    auto* get = config->add_subcommand("get", "Print items as the configuration dialog shows them");
    get->add_option("KEY", *keys, "Keys such as cDeviceIP or cRecepName3 (default: all)");
    get->fallthrough();
    get->callback([&ctx, keys, developer] { runGet(ctx, *keys, *developer); });

    auto assignments = std::make_shared<std::vector<std::string>>();
    auto* set = config->add_subcommand("set", "Change items and save them to the PDU");
    set->add_option("KEY=VALUE", *assignments, "Items to change")->required();
    set->fallthrough();
    set->callback([&ctx, assignments, developer] { runSet(ctx, *assignments, *developer); });

    auto path = std::make_shared<std::string>();
    auto* exp = config->add_subcommand(
        "export", "Write every item the dialog shows to a file (the passwords only with -d)");
    exp->add_option("FILE", *path, "The configuration file to write")->required();
    exp->fallthrough();
    exp->callback([&ctx, path, developer] { runExport(ctx, *path, *developer); });

    auto dryRun = std::make_shared<bool>(false);
    auto force = std::make_shared<bool>(false);
    auto* imp = config->add_subcommand(
        "import", "Save the items of a file that differ from the PDU's, as config set does");
    imp->add_option("FILE", *path, "A file written by config export")->required();
    imp->add_flag("--dry-run", *dryRun, "Only print what would change");
    imp->add_flag("--force", *force,
                  "Apply a file of another layout: the items this PDU has, the rest listed");
    imp->fallthrough();
    imp->callback([&ctx, path, dryRun, force, developer] {
        runImport(ctx, *path, *dryRun, *force, *developer);
    });
}

}  // namespace quorvel::cli
