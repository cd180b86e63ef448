#include "sim/profile.h"

#include <fstream>
#include <initializer_list>
#include <nlohmann/json.hpp>
#include <sstream>

#include "platform/program_path.h"
#include "sim/encoding.h"

#ifndef QUORVEL_SIM_PROFILE_DIR
#define QUORVEL_SIM_PROFILE_DIR ""
#endif

namespace quorvel::sim {

namespace {

using nlohmann::json;

// Longest "h" reply text that still leaves room for the echo and the prompt in the host's
// 256-byte reply buffer.
constexpr std::size_t kMaxVariableText = 240;

// Raised inside the parser only; parseProfile turns it into its error text.
struct ProfileError {
    std::string message;
};

[[noreturn]] void fail(const std::string& where, const std::string& what) {
    throw ProfileError{where + ": " + what};
}

void checkKeys(const json& obj, const std::string& where, std::initializer_list<const char*> keys) {
    if (!obj.is_object())
        fail(where, "expected an object");
    for (const auto& [key, value] : obj.items()) {
        bool known = false;
        for (const char* k : keys)
            known = known || key == k;
        if (!known)
            fail(where, "unknown field \"" + key + "\"");
    }
}

std::uint64_t hexField(const json& v, const std::string& where, std::size_t digits) {
    if (!v.is_string())
        fail(where, "expected hexadecimal text");
    std::string_view s = v.get_ref<const std::string&>();
    if (s.starts_with("0x") || s.starts_with("0X"))
        s.remove_prefix(2);
    std::uint64_t out = 0;
    if (s.size() > digits || !parseHex(s, ~std::uint64_t{0}, out)) {
        fail(where, "expected hexadecimal text of at most " + std::to_string(digits) + " digits");
    }
    return out;
}

template <std::size_t N>
void bytesField(const json& v, const std::string& where, std::array<std::uint8_t, N>& out) {
    if (!v.is_string() || !fromHexPairs(v.get_ref<const std::string&>(), out.data(), N)) {
        fail(where, "expected " + std::to_string(N * 2) + " hexadecimal digits");
    }
}

long long intField(const json& v, const std::string& where, long long lo, long long hi) {
    if (!v.is_number_integer())
        fail(where, "expected an integer");
    auto n = v.get<long long>();
    if (n < lo || n > hi) {
        fail(where, "expected a value from " + std::to_string(lo) + " to " + std::to_string(hi));
    }
    return n;
}

std::string wordField(const json& v, const std::string& where) {
    if (!v.is_string())
        fail(where, "expected text");
    const auto& s = v.get_ref<const std::string&>();
    if (s.find_first_of(" \r\n\x1b") != std::string::npos)
        fail(where, "blanks are not allowed");
    return s;
}

template <typename T, std::size_t N>
void numberArray(const json& v, const std::string& where, std::array<T, N>& out) {
    if (!v.is_array() || v.size() > N) {
        fail(where, "expected an array of at most " + std::to_string(N) + " numbers");
    }
    for (std::size_t i = 0; i < v.size(); ++i) {
        if (!v[i].is_number())
            fail(where, "expected numbers");
        out[i] = v[i].get<T>();
    }
}

std::vector<std::uint8_t> element(int type, const json& v, const std::string& where) {
    switch (type) {
        case kVarIp:
        case kVarMac: {
            std::vector<std::vector<std::uint8_t>> parsed;
            if (!v.is_string() || !decodeValue(type, 1, v.get_ref<const std::string&>(), parsed)) {
                fail(where,
                     type == kVarIp ? "expected \"a.b.c.d\"" : "expected \"XX:XX:XX:XX:XX:XX\"");
            }
            return parsed.front();
        }
        case kVarText:
            if (v.is_null())
                return std::vector<std::uint8_t>(kTextSize, 0xFF);  // erased memory
            if (!v.is_string() || v.get_ref<const std::string&>().size() > kTextSize / 2) {
                fail(where, "expected text of at most 32 characters, or null");
            }
            return textBytes(v.get_ref<const std::string&>());
        case kVarByte:
        case kVarBytes:
            return {static_cast<std::uint8_t>(intField(v, where, 0, 255))};
        default:
            return numberBytes(static_cast<std::uint16_t>(intField(v, where, -32768, 65535)));
    }
}

void parseVariables(const json& list, Device& d) {
    if (!list.is_array())
        fail("variables", "expected an array");
    for (std::size_t i = 0; i < list.size(); ++i) {
        const json& v = list[i];
        std::string where = "variables[" + std::to_string(i) + "]";
        checkKeys(v, where, {"id", "type", "count", "values", "fill", "comment"});
        if (!v.contains("id") || !v.contains("type"))
            fail(where, "needs \"id\" and \"type\"");
        int id = static_cast<int>(intField(v["id"], where + ".id", 1, 255));
        ConfigVar var;
        var.type = static_cast<int>(intField(v["type"], where + ".type", 0, 7));
        const json empty = json::array();
        const json& values = v.contains("values") ? v["values"] : empty;
        if (!values.is_array())
            fail(where + ".values", "expected an array");
        std::size_t count = values.size();
        if (v.contains("count"))
            count = static_cast<std::size_t>(intField(v["count"], where + ".count", 1, 64));
        if (count == 0)
            fail(where, "needs \"values\" or \"count\"");
        if (values.size() > count)
            fail(where + ".values", "more values than \"count\"");
        if (var.type == kVarBytes && count != 4 && count != 6 && count != 8) {
            fail(where + ".count", "a byte string has 4, 6 or 8 bytes");
        }
        std::vector<std::uint8_t> fill(elementSize(var.type), 0);
        if (v.contains("fill"))
            fill = element(var.type, v["fill"], where + ".fill");
        for (std::size_t k = 0; k < count; ++k) {
            var.elements.push_back(
                k < values.size()
                    ? element(var.type, values[k], where + ".values[" + std::to_string(k) + "]")
                    : fill);
        }
        if (encodeVariable(var).size() > kMaxVariableText) {
            fail(where, "its reply would not fit the host's reply buffer");
        }
        if (!d.variables.emplace(id, std::move(var)).second) {
            fail(where + ".id", "variable " + std::to_string(id) + " is given twice");
        }
    }
}

void parseOutlets(const json& o, Device& d) {
    checkKeys(o, "outlets", {"count", "groups", "circuits", "branches", "on", "resetBlocked"});
    if (o.contains("count"))
        d.outletCount = static_cast<int>(intField(o["count"], "outlets.count", 0, kMaxOutlets));
    if (o.contains("groups"))
        d.groupCount = static_cast<int>(intField(o["groups"], "outlets.groups", 0, 16));
    if (o.contains("circuits"))
        d.circuitCount =
            static_cast<int>(intField(o["circuits"], "outlets.circuits", 0, kCircuits));
    if (o.contains("branches")) {
        numberArray(o["branches"], "outlets.branches", d.branchOutlets);
        int sum = 0;
        for (std::size_t c = 0; c < d.branchOutlets.size(); ++c) {
            const int n = d.branchOutlets[c];
            if (n < 0 || n > 16)
                fail("outlets.branches", "expected 0 to 16 outlets per branch");
            if (n > 0 && static_cast<int>(c) >= d.circuitCount)
                fail("outlets.branches", "outlets on a circuit beyond \"circuits\"");
            sum += n;
        }
        if (sum > d.outletCount)
            fail("outlets.branches", "more outlets than \"count\"");
    }
    const std::uint64_t mask =
        d.outletCount >= 64 ? ~std::uint64_t{0} : (std::uint64_t{1} << d.outletCount) - 1;
    d.outletsOn = mask;  // everything on unless told otherwise
    if (o.contains("on"))
        d.outletsOn = hexField(o["on"], "outlets.on", 12) & mask;
    if (o.contains("resetBlocked")) {
        d.resetBlocked = hexField(o["resetBlocked"], "outlets.resetBlocked", 12) & mask;
    }
}

void parseDocument(const json& doc, Profile& p) {
    checkKeys(doc, "profile",
              {"name", "description", "passwordRequired", "drift", "seed", "identity", "layout",
               "version", "generation", "modules", "outlets", "measurements", "environment",
               "alarms", "variables"});
    Device& d = p.device;
    if (doc.contains("name"))
        p.name = wordField(doc["name"], "name");
    if (doc.contains("description")) {
        if (!doc["description"].is_string())
            fail("description", "expected text");
        p.description = doc["description"].get<std::string>();
    }
    if (doc.contains("passwordRequired")) {
        if (!doc["passwordRequired"].is_boolean())
            fail("passwordRequired", "expected true or false");
        p.passwordRequired = doc["passwordRequired"].get<bool>();
    }
    if (doc.contains("drift")) {
        if (!doc["drift"].is_boolean())
            fail("drift", "expected true or false");
        d.drift = doc["drift"].get<bool>();
    }
    if (doc.contains("seed"))
        p.seed = static_cast<std::uint32_t>(intField(doc["seed"], "seed", 0, 0xFFFFFFFFLL));
    if (!doc.contains("identity"))
        fail("profile", "needs \"identity\"");
    const json& id = doc["identity"];
    checkKeys(id, "identity", {"feature", "attribute", "extension", "kvbMap", "items"});
    if (!id.contains("feature") || !id.contains("attribute")) {
        fail("identity", "needs \"feature\" and \"attribute\"");
    }
    d.identity.feature = static_cast<std::uint16_t>(hexField(id["feature"], "identity.feature", 4));
    d.identity.attribute =
        static_cast<std::uint32_t>(hexField(id["attribute"], "identity.attribute", 8));
    if (id.contains("extension")) {
        d.identity.extension =
            static_cast<std::uint16_t>(hexField(id["extension"], "identity.extension", 4));
    }
    if (id.contains("kvbMap"))
        bytesField(id["kvbMap"], "identity.kvbMap", d.identity.kvbMap);
    if (id.contains("items"))
        d.identity.items = static_cast<int>(intField(id["items"], "identity.items", 2, 4));
    if (doc.contains("layout"))
        bytesField(doc["layout"], "layout", d.layout);
    if (!doc.contains("version"))
        fail("profile", "needs \"version\"");
    d.version = wordField(doc["version"], "version");
    if (d.version.empty())
        fail("version", "must not be empty");
    if (doc.contains("generation"))
        d.generation = wordField(doc["generation"], "generation");
    if (doc.contains("modules")) {
        const json& m = doc["modules"];
        if (!m.is_array() || m.size() > 20)
            fail("modules", "expected an array of at most 20 items");
        for (std::size_t i = 0; i < m.size(); ++i) {
            d.modules.push_back(wordField(m[i], "modules[" + std::to_string(i) + "]"));
        }
    }
    if (doc.contains("outlets"))
        parseOutlets(doc["outlets"], d);
    if (doc.contains("measurements")) {
        const json& m = doc["measurements"];
        checkKeys(m, "measurements", {"voltages", "circuitCurrents", "outletCurrents"});
        if (m.contains("voltages"))
            numberArray(m["voltages"], "measurements.voltages", d.voltages);
        if (m.contains("circuitCurrents")) {
            numberArray(m["circuitCurrents"], "measurements.circuitCurrents", d.circuitCurrents);
        }
        if (m.contains("outletCurrents")) {
            numberArray(m["outletCurrents"], "measurements.outletCurrents", d.outletCurrents);
        }
    }
    if (doc.contains("environment")) {
        const json& e = doc["environment"];
        checkKeys(e, "environment", {"sensors", "temperature", "humidity"});
        if (e.contains("sensors"))
            d.sensors = static_cast<int>(intField(e["sensors"], "environment.sensors", 0, 2));
        if (e.contains("temperature"))
            numberArray(e["temperature"], "environment.temperature", d.temperature);
        if (e.contains("humidity"))
            numberArray(e["humidity"], "environment.humidity", d.humidity);
    }
    if (doc.contains("alarms")) {
        const json& a = doc["alarms"];
        checkKeys(a, "alarms", {"alarm", "lock"});
        if (a.contains("alarm"))
            d.alarmWord = static_cast<std::uint16_t>(hexField(a["alarm"], "alarms.alarm", 4));
        if (a.contains("lock"))
            d.lockWord = static_cast<std::uint16_t>(hexField(a["lock"], "alarms.lock", 4));
    }
    if (doc.contains("variables"))
        parseVariables(doc["variables"], d);
}

bool readFile(const std::filesystem::path& path, std::string& text) {
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return false;
    std::ostringstream buf;
    buf << in.rdbuf();
    text = buf.str();
    return static_cast<bool>(in) || in.eof();
}

}  // namespace

bool parseProfile(const std::string& text, const std::string& origin, Profile& out,
                  std::string& error) {
    json doc = json::parse(text, nullptr, false);
    if (doc.is_discarded()) {
        error = origin + ": not valid JSON";
        return false;
    }
    Profile p;
    try {
        parseDocument(doc, p);
    } catch (const ProfileError& e) {
        error = origin + ": " + e.message;
        return false;
    } catch (const json::exception& e) {
        error = origin + ": " + e.what();
        return false;
    }
    out = std::move(p);
    return true;
}

std::vector<std::filesystem::path> profileDirectories() {
    std::vector<std::filesystem::path> dirs{platform::programDirectory() / "profiles"};
    std::filesystem::path built{QUORVEL_SIM_PROFILE_DIR};
    if (!built.empty())
        dirs.push_back(built);
    return dirs;
}

bool loadProfile(const std::string& nameOrPath, Profile& out, std::string& error) {
    if (nameOrPath.empty()) {
        error = "no profile named";
        return false;
    }
    std::vector<std::filesystem::path> candidates;
    const bool isPath = nameOrPath.find('/') != std::string::npos || nameOrPath.ends_with(".json");
    if (isPath) {
        candidates.emplace_back(nameOrPath);
    } else {
        for (const auto& dir : profileDirectories())
            candidates.push_back(dir / (nameOrPath + ".json"));
    }
    std::string text;
    for (const auto& path : candidates) {
        if (!readFile(path, text))
            continue;
        if (!parseProfile(text, path.string(), out, error))
            return false;
        if (out.name.empty())
            out.name = path.stem().string();
        return true;
    }
    error =
        isPath
            ? "cannot read profile " + nameOrPath
            : "no profile \"" + nameOrPath + "\" in " + candidates.front().parent_path().string() +
                  (candidates.size() > 1 ? " or " + candidates.back().parent_path().string() : "");
    return false;
}

}  // namespace quorvel::sim
