// quorvelctl web get / web set: the PDU settings its web server depends on (name, network
// settings and option bits, four web users), read and saved with the web database dialog's own
// passes and Save rule, so only what changed is written.
#include <CLI/CLI.hpp>

#include <cstdio>
#include <map>
#include <memory>

#include "catalogue/model_profile_builder.h"
#include "cli/cli_session.h"
#include "cli/context.h"
#include "link/device_ops.h"
#include "link/reply_items.h"
#include "link/web_database_worker.h"

namespace quorvel::cli {

namespace {

constexpr int kTextLimit = 31;

std::u16string Wide(const std::string& s) {
    return std::u16string(s.begin(), s.end());
}

bool ParseBool(const std::string& v, bool& out) {
    if (v == "on" || v == "true" || v == "1" || v == "yes") {
        out = true;
        return true;
    }
    if (v == "off" || v == "false" || v == "0" || v == "no") {
        out = false;
        return true;
    }
    return false;
}

bool ValidAddress(const std::string& v) {
    unsigned a, b, c, d;
    char tail;
    return std::sscanf(v.c_str(), "%3u.%3u.%3u.%3u%c", &a, &b, &c, &d, &tail) == 4 && a < 256 &&
           b < 256 && c < 256 && d < 256 && v.find_first_not_of("0123456789.") == std::string::npos;
}

bool ValidText(const std::string& v) {
    if (v.size() > kTextLimit) {
        return false;
    }
    for (unsigned char c : v) {
        if (c < 0x20 || c > 0x7E) {
            return false;
        }
    }
    return true;
}

// The key of an edited item in the JSON and on the command line.
std::string KeyOf(std::uint8_t code) {
    switch (code) {
        case kItemPduName:
            return "name";
        case kItemPduIp:
            return "ip";
        case kItemSubnet:
            return "subnet";
        case kItemGateway:
            return "gateway";
        case kItemOptions:
            return "options";
        default:
            break;
    }
    if (code >= kItemUserName && code < kItemUserName + kWebUsers) {
        return "user" + std::to_string(code - kItemUserName + 1);
    }
    return "password" + std::to_string(code - kItemPassword + 1);
}

// Applies one KEY=VALUE to the edits; a reason on failure.
std::string Apply(WebEdits& e, const std::string& assignment) {
    const auto eq = assignment.find('=');
    if (eq == std::string::npos || eq == 0) {
        return "expected KEY=VALUE, not '" + assignment + "'";
    }
    const std::string key = assignment.substr(0, eq);
    const std::string value = assignment.substr(eq + 1);
    std::map<std::string, bool*> boxes = {{"dhcp", &e.options.dhcp},
                                          {"web", &e.options.web},
                                          {"swupdate", &e.options.swUpdate},
                                          {"celsius", &e.options.celsius}};
    if (auto it = boxes.find(key); it != boxes.end()) {
        return ParseBool(value, *it->second) ? "" : key + " takes on or off, not '" + value + "'";
    }
    std::map<std::string, std::u16string*> addresses = {
        {"ip", &e.ip}, {"subnet", &e.subnet}, {"gateway", &e.gateway}};
    if (auto it = addresses.find(key); it != addresses.end()) {
        if (!ValidAddress(value)) {
            return key + " takes an address a.b.c.d, not '" + value + "'";
        }
        *it->second = Wide(value);
        return "";
    }
    std::map<std::string, std::u16string*> texts = {{"name", &e.name}};
    for (int u = 0; u < kWebUsers; ++u) {
        texts["user" + std::to_string(u + 1)] = &e.users[u];
        texts["password" + std::to_string(u + 1)] = &e.passwords[u];
    }
    if (auto it = texts.find(key); it != texts.end()) {
        if (!ValidText(value)) {
            return key + " takes at most 31 printable ASCII characters";
        }
        *it->second = Wide(value);
        return "";
    }
    return "unknown key '" + key +
           "' (name, ip, subnet, gateway, dhcp, web, swupdate, celsius, user1..user4, "
           "password1..password4)";
}

nlohmann::json EditsJson(const WebDatabase& db) {
    const WebEdits e = StoredEdits(db);
    nlohmann::json users = nlohmann::json::array();
    for (int u = 0; u < kWebUsers; ++u) {
        users.push_back({{"name", Narrow(e.users[u])}, {"password", Narrow(e.passwords[u])}});
    }
    return {
        {"name", Narrow(e.name)},       {"ip", Narrow(e.ip)},
        {"subnet", Narrow(e.subnet)},   {"gateway", Narrow(e.gateway)},
        {"options", StoredOptions(db)}, {"dhcp", e.options.dhcp},
        {"webEnabled", e.options.web},  {"swUpdate", e.options.swUpdate},
        {"celsius", e.options.celsius}, {"users", users},
    };
}

std::string Trimmed(std::string s) {
    while (!s.empty() && (s.back() == '\n' || s.back() == '\r')) {
        s.pop_back();
    }
    return s;
}

// Connects, binds the table to the PDU and loads the edited entries; false (reported) when
// the session or the load failed.
bool Load(Context& ctx, CliSession& session, WebDatabase& db) {
    if (!ctx.loadAttributes() || !session.connect()) {
        return false;
    }
    const SessionRecord& s = session.record();
    PduRecord pdu{};
    BuildModelProfile(s.featureWord, s.attributeWord, s.extensionWord, &pdu);
    pdu.featureWord = s.featureWord;
    pdu.extensionWord = s.extensionWord;
    pdu.generationNumber = s.generationNumber;
    db.bind(pdu);
    const int wanted = MarkLoad(db);
    WebPassHooks hooks;
    hooks.giveUp = [](int) { return true; };  // one entry missing fails the verb anyway
    if (RunWebLoadPass(db, hooks) != wanted) {
        const std::string error = Trimmed(CurrentInterfaceError());
        ctx.fail("could not read the web variables" + (error.empty() ? "" : ": " + error));
        return false;
    }
    return true;
}

}  // namespace

void registerWebCommands(CLI::App& app, Context& ctx) {
    auto* web = app.add_subcommand("web", "The PDU settings its web server depends on");
    web->require_subcommand(1);

    auto* get = web->add_subcommand("get", "Print name, network settings and web users");
    get->callback([&ctx] {
        CliSession session(ctx);
        auto db = std::make_unique<WebDatabase>();
        if (!Load(ctx, session, *db)) {
            return;
        }
        session.disconnect();
        ctx.printJson(EditsJson(*db));
    });

    auto assignments = std::make_shared<std::vector<std::string>>();
    auto restart = std::make_shared<bool>(false);
    auto* set = web->add_subcommand("set", "Change settings; only what differs is written");
    set->add_option("KEY=VALUE", *assignments,
                    "name, ip, subnet, gateway, dhcp, web, swupdate, celsius (on/off), "
                    "user1..user4, password1..password4")
        ->required();
    set->add_flag("--restart", *restart,
                  "Restart the PDU's network when a network setting changed, so it takes effect");
    set->callback([&ctx, assignments, restart] {
        // The whole command line is checked before anything is sent.
        WebEdits probe;
        for (const std::string& a : *assignments) {
            if (std::string reason = Apply(probe, a); !reason.empty()) {
                ctx.fail(reason, kExitUsage);
                return;
            }
        }
        CliSession session(ctx);
        auto db = std::make_unique<WebDatabase>();
        if (!Load(ctx, session, *db)) {
            return;
        }
        WebEdits edits = StoredEdits(*db);
        for (const std::string& a : *assignments) {
            Apply(edits, a);
        }
        const SaveMarks marks = MarkEdits(*db, edits);
        nlohmann::json saved = nlohmann::json::array();
        for (int i = 0; i < WebDatabase::size(); ++i) {
            if (db->entry(i).mark == 1) {
                saved.push_back(KeyOf(db->entry(i).code));
            }
        }
        // An entry the PDU refused does not stop the others; a PDU that stopped answering does.
        WebPassHooks hooks;
        hooks.giveUp = [](int) { return ConsoleStoppedAnswering(); };
        if (marks.marked > 0 && RunWebWritePass(*db, false, hooks) != marks.marked) {
            const std::string error = Trimmed(CurrentInterfaceError());
            ctx.fail("could not write every change" + (error.empty() ? "" : ": " + error));
            return;
        }
        bool restarted = false;
        if (marks.networkChanged && *restart) {
            restarted = DeviceDatabaseCommand(2);
            if (!restarted) {
                ctx.fail("the changes were saved, but the network restart failed");
                return;
            }
        }
        session.disconnect();
        ctx.printJson(
            {{"saved", saved}, {"networkChanged", marks.networkChanged}, {"restarted", restarted}});
    });
}

}  // namespace quorvel::cli
