#include "sim/fault_list.h"

#include <charconv>
#include <cstdint>
#include <optional>

namespace quorvel::sim {

namespace {

struct Item {
    const char* name;
    const char* value;  // what follows "=", or null for a flag
    const char* help;
};

constexpr Item kItems[] = {
    {"anchor", "TEXT", "count the lines below from the first command line beginning with TEXT"},
    {"silent", nullptr, "never answer, not even the echo"},
    {"silent-from", "N", "go quiet from the N-th command line on (1 = right after login)"},
    {"refuse-password", nullptr, "never accept the password"},
    {"garbage", nullptr, "answer every line with random bytes"},
    {"garbage-from", "N", "answer with random bytes from the N-th command line on"},
    {"garbage-seed", "S", "seed of the random bytes"},
    {"drop-after", "N", "echo the line after the N-th command line, then go quiet"},
    {"drop-chars", "K", "lose every K-th character sent (line noise)"},
    {"drop-chars-from", "N", "start losing characters at the N-th command line"},
    {"hangup-after", "N", "hang up after answering the N-th command line"},
    {"hangup-at", "N", "hang up in the middle of the N-th command line"},
    {"slow", "MS", "send every reply MS milliseconds late"},
};

std::optional<std::uint32_t> number(std::string_view text) {
    std::uint32_t value = 0;
    const char* end = text.data() + text.size();
    auto [ptr, ec] = std::from_chars(text.data(), end, value);
    if (text.empty() || ec != std::errc() || ptr != end) {
        return std::nullopt;
    }
    return value;
}

bool apply(std::string_view name, std::uint32_t v, Faults& f) {
    if (name == "silent-from") {
        f.silentFromLine = v;
    } else if (name == "garbage-from") {
        f.garbageFromLine = v;
    } else if (name == "garbage-seed") {
        f.garbageSeed = v;
    } else if (name == "drop-after") {
        f.dropAfterLines = v;
    } else if (name == "drop-chars") {
        f.dropCharsEvery = v;
    } else if (name == "drop-chars-from") {
        f.dropCharsFromLine = v;
    } else if (name == "hangup-after") {
        f.hangupAfterLines = v;
    } else if (name == "hangup-at") {
        f.hangupAtLine = v;
    } else if (name == "slow") {
        f.slowMs = v;
    } else {
        return false;
    }
    return true;
}

}  // namespace

bool ParseFaultList(std::string_view list, Faults& faults, std::string& error) {
    while (!list.empty()) {
        const std::size_t comma = list.find(',');
        const std::string_view item = list.substr(0, comma);
        list = comma == std::string_view::npos ? std::string_view{} : list.substr(comma + 1);
        if (item.empty()) {
            continue;
        }
        const std::size_t eq = item.find('=');
        const std::string_view name = item.substr(0, eq);
        const Item* known = nullptr;
        for (const Item& k : kItems) {
            if (name == k.name) {
                known = &k;
            }
        }
        if (known == nullptr) {
            error = "unknown fault '" + std::string(name) + "'";
            return false;
        }
        if (known->value == nullptr) {
            if (eq != std::string_view::npos) {
                error = "fault '" + std::string(name) + "' takes no value";
                return false;
            }
            if (name == "silent") {
                faults.silent = true;
            } else if (name == "refuse-password") {
                faults.refusePassword = true;
            } else {
                faults.garbage = true;
            }
            continue;
        }
        if (name == "anchor") {
            if (eq == std::string_view::npos || eq + 1 == item.size()) {
                error = "fault 'anchor' needs =TEXT";
                return false;
            }
            faults.anchor = std::string(item.substr(eq + 1));
            continue;
        }
        const auto value =
            eq == std::string_view::npos ? std::nullopt : number(item.substr(eq + 1));
        if (!value) {
            error = "fault '" + std::string(name) + "' needs =" + known->value + ", a whole number";
            return false;
        }
        apply(name, *value, faults);
    }
    return true;
}

std::string FaultListHelp() {
    std::string out;
    for (const Item& k : kItems) {
        std::string head = std::string("  ") + k.name + (k.value ? std::string("=") + k.value : "");
        head.resize(std::max<std::size_t>(head.size() + 1, 22), ' ');
        out += head + k.help + "\n";
    }
    return out;
}

}  // namespace quorvel::sim
