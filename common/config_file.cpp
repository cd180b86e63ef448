// The configuration file format and the rules of an import: which keys fit the PDU, which values
// a field would refuse, which differ from what the PDU shows.
#include "common/config_file.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cstdio>

#include "common/config_values.h"

namespace quorvel {

namespace {

using Json = nlohmann::ordered_json;

constexpr std::size_t kNameChars = 32;

std::string modelCodeText(const ConfigFileOrigin& o) {
    char code[32];
    std::snprintf(code, sizeof code, "%4.4X:%8.8X:%4.4X", unsigned{o.featureWord},
                  static_cast<unsigned>(o.attributeWord), unsigned{o.extensionWord});
    return code;
}

// "%4.4X:%8.8X:%4.4X" back into its three words.
bool parseModelCode(const std::string& text, ConfigFileOrigin& o) {
    if (text.size() != 18 || text[4] != ':' || text[13] != ':') {
        return false;
    }
    const auto hex = [&text](std::size_t at, std::size_t n, auto& out) {
        const char* first = text.data() + at;
        if (!std::all_of(first, first + n, [](char c) {
                return std::isxdigit(static_cast<unsigned char>(c)) != 0;
            })) {
            return false;
        }
        const auto r = std::from_chars(first, first + n, out, 16);
        return r.ec == std::errc{} && r.ptr == first + n;
    };
    return hex(0, 4, o.featureWord) && hex(5, 8, o.attributeWord) && hex(14, 4, o.extensionWord);
}

bool isNetOptions(std::string_view key) {
    return key == "cNetOptions";
}
bool isPowerOn(std::string_view key) {
    return key == "cRecepControl";
}

// A check box object: names the caller knows, each true or false.
bool checkBoxes(const Json& value, bool (*known)(const std::string&)) {
    if (!value.is_object()) {
        return false;
    }
    for (const auto& [name, state] : value.items()) {
        if (!state.is_boolean() || !known(name)) {
            return false;
        }
    }
    return true;
}

bool netBoxName(const std::string& name) {
    return std::any_of(kNetOptionBoxes.begin(), kNetOptionBoxes.end(),
                       [&name](const NetOptionBox& b) { return name == b.name; });
}

bool receptacleNumber(const std::string& name) {
    int n = 0;
    const auto r = std::from_chars(name.data(), name.data() + name.size(), n);
    return r.ec == std::errc{} && r.ptr == name.data() + name.size() && n >= 1 &&
           n <= kMaxReceptacles && name[0] != '0';
}

// The "C" box of a cNetOptions object; `otherwise` when it does not say.
bool celsiusOf(const Json& items, bool otherwise) {
    const auto options = items.find("cNetOptions");
    if (options == items.end() || !options->is_object()) {
        return otherwise;
    }
    const auto c = options->find("C");
    return c != options->end() && c->is_boolean() ? c->get<bool>() : otherwise;
}

// Why a field would not take the text; empty when it would. The texts are config set's.
std::string refusal(const ConfigItemDescriptor& d, int table, const std::string& text,
                    bool celsius) {
    const std::string key = d.keyName;
    const std::u16string wide = FromUtf8(text);
    if (table == kGeneralItems && d.code == kItemEnvironmentLimits && d.elementIndex < 2) {
        if (!text.empty() && !IsDecimalText(text)) {
            return key + ": expected a temperature in degrees " + (celsius ? "C" : "F");
        }
        if (!TemperatureEntryFits(wide, celsius)) {
            return ToUtf8(RefusedEntryText(FromUtf8(key) + (celsius ? u" (C)" : u" (F)"), wide,
                                           TemperatureEntryRange(celsius)));
        }
        return {};
    }
    EntryRange range;
    switch (d.kind) {
        case kKindSigned16:
        case kKindUnsigned16:
        case kKindByte:
            ConfigEntryRange(d.kind, range);
            if (!IsIntegerText(text)) {
                return key + ": expected an integer " + ToUtf8(EntryRangeText(range));
            }
            break;
        case kKindHundredths:
            ConfigEntryRange(d.kind, range);
            if (!text.empty() && !IsDecimalText(text)) {
                return key + ": expected a number " + ToUtf8(EntryRangeText(range));
            }
            break;
        case kKindIpAddress:
            if (!text.empty() && !IsIpText(text)) {
                return key + ": expected an IP address a.b.c.d";
            }
            return {};
        case kKindText: {
            const std::size_t chars =
                table == kReceptacleNameItems ? kNameChars : TerminatedTextChars(d.size);
            if (wide.size() > chars) {
                return key + ": at most " + std::to_string(chars) + " characters";
            }
            return {};
        }
        default:
            return {};
    }
    if (!ConfigEntryFits(d.kind, wide)) {
        return ToUtf8(RefusedEntryText(FromUtf8(key), wide, range));
    }
    return {};
}

// Whether a check box object in the file sets a box other than `shown` has it.
bool boxesDiffer(const Json& file, const Json& shown) {
    for (const auto& [name, state] : file.items()) {
        const auto now = shown.find(name);
        if (now != shown.end() && *now != state) {
            return true;
        }
    }
    return false;
}

}  // namespace

ConfigFileOrigin ConfigOriginOf(const PduRecord& record) {
    ConfigFileOrigin o;
    o.featureWord = record.featureWord;
    o.attributeWord = record.attributeWord;
    o.extensionWord = record.extensionWord;
    o.generation = record.generationNumber;
    o.firmware = std::to_string(record.firmwareVersion[0]) + "." +
                 std::to_string(record.firmwareVersion[1]) + "." +
                 std::to_string(record.firmwareVersion[2]);
    o.circuits = static_cast<int>(std::count_if(std::begin(record.circuitVisible),
                                                std::end(record.circuitVisible),
                                                [](std::uint8_t v) { return v != 0; }));
    for (int r = 0; r < kMaxReceptacles; ++r) {
        o.receptacles += ReceptacleRowShown(record, r) ? 1 : 0;
    }
    return o;
}

ConfigFile MakeConfigFile(const PduRecord& record, nlohmann::ordered_json items, bool passwords) {
    ConfigFile file;
    file.origin = ConfigOriginOf(record);
    file.passwords = passwords;
    file.items = std::move(items);
    if (!passwords) {
        const ConfigCatalogue catalogue;
        for (int t = 0; t < kConfigItemTables; ++t) {
            const ConfigItemDescriptor* table = catalogue.table(t);
            for (int i = 0, n = ConfigTableEntries(table); i < n; ++i) {
                if (IsProtectedItem(table[i].code)) {
                    file.items.erase(table[i].keyName);
                }
            }
        }
    }
    return file;
}

std::string WriteConfigFile(const ConfigFile& file) {
    Json j = Json::object();
    j["format"] = file.format;
    j["model"] = {{"code", modelCodeText(file.origin)},
                  {"generation", file.origin.generation},
                  {"firmware", file.origin.firmware},
                  {"circuits", file.origin.circuits},
                  {"receptacles", file.origin.receptacles}};
    j["passwords"] = file.passwords;
    j["items"] = file.items;
    return j.dump(2) + "\n";
}

bool ReadConfigFile(std::string_view text, ConfigFile& file, std::string& error) {
    const Json j = Json::parse(text.begin(), text.end(), nullptr, false);
    if (j.is_discarded() || !j.is_object()) {
        error = "not a configuration file (no JSON object)";
        return false;
    }
    const auto format = j.find("format");
    if (format == j.end() || !format->is_number_integer()) {
        error = "not a configuration file (no format)";
        return false;
    }
    if (*format != kConfigFileFormat) {
        error = "format " + format->dump() + " is not known (this program reads format " +
                std::to_string(kConfigFileFormat) + ")";
        return false;
    }
    ConfigFile out;
    const auto model = j.find("model");
    const auto passwords = j.find("passwords");
    const auto items = j.find("items");
    const auto integer = [](const Json& m, const char* name, int& to) {
        const auto v = m.find(name);
        if (v == m.end() || !v->is_number_integer() || *v < 0 || *v > 255) {
            return false;
        }
        to = v->get<int>();
        return true;
    };
    if (model == j.end() || !model->is_object() || !model->contains("code") ||
        !(*model)["code"].is_string() || !parseModelCode((*model)["code"], out.origin) ||
        !integer(*model, "generation", out.origin.generation) ||
        !integer(*model, "circuits", out.origin.circuits) ||
        !integer(*model, "receptacles", out.origin.receptacles) || !model->contains("firmware") ||
        !(*model)["firmware"].is_string()) {
        error = "the model it was read from is missing or malformed";
        return false;
    }
    out.origin.firmware = (*model)["firmware"].get<std::string>();
    if (passwords == j.end() || !passwords->is_boolean()) {
        error = "it does not say whether it holds the passwords";
        return false;
    }
    out.passwords = passwords->get<bool>();
    if (items == j.end() || !items->is_object()) {
        error = "it holds no items";
        return false;
    }
    const ConfigCatalogue catalogue;
    const ConfigItemDescriptor* tables[kConfigItemTables] = {catalogue.table(0), catalogue.table(1),
                                                             catalogue.table(2)};
    for (const auto& [key, value] : items->items()) {
        int t = 0;
        int i = 0;
        if (!FindConfigKey(tables, key, t, i)) {
            error = "no configuration key " + key;
            return false;
        }
        const bool shape = isNetOptions(key) ? checkBoxes(value, netBoxName)
                           : isPowerOn(key)  ? checkBoxes(value, receptacleNumber)
                                             : value.is_string();
        if (!shape) {
            error = key + ": not a value of its kind";
            return false;
        }
        if (IsProtectedItem(tables[t][i].code) && !out.passwords) {
            error = "it says it holds no passwords but holds " + key;
            return false;
        }
    }
    out.items = *items;
    file = std::move(out);
    return true;
}

ConfigImportPlan PlanConfigImport(const ConfigFile& file, const ConfigFileOrigin& pdu,
                                  const nlohmann::ordered_json& shown, ConfigTables tables,
                                  bool developer) {
    ConfigImportPlan plan;
    int missing = 0;
    for (const auto& [key, value] : file.items.items()) {
        int t = 0;
        int i = 0;
        if (!shown.contains(key) || !FindConfigKey(tables, key, t, i)) {
            plan.skipped.emplace_back(key, "not on this PDU");
            ++missing;
        } else if (IsProtectedItem(tables[t][i].code) && !developer) {
            plan.skipped.emplace_back(key, "written only with -d");
        }
    }
    const ConfigFileOrigin& f = file.origin;
    if (f.circuits != pdu.circuits || f.receptacles != pdu.receptacles) {
        plan.otherLayout = "it was read from a PDU with " + std::to_string(f.circuits) +
                           " circuit(s) and " + std::to_string(f.receptacles) +
                           " receptacle(s), this one has " + std::to_string(pdu.circuits) +
                           " and " + std::to_string(pdu.receptacles);
    } else if (missing > 0) {
        plan.otherLayout =
            "it holds " + std::to_string(missing) + " item(s) this PDU does not have";
    }

    const bool shownCelsius = celsiusOf(shown, false);
    const bool fileCelsius = celsiusOf(file.items, shownCelsius);
    for (const auto& [key, now] : shown.items()) {
        const auto in = file.items.find(key);
        int t = 0;
        int i = 0;
        if (in == file.items.end() || !FindConfigKey(tables, key, t, i)) {
            continue;
        }
        const ConfigItemDescriptor& d = tables[t][i];
        if (d.code == kItemMacAddress || (IsProtectedItem(d.code) && !developer)) {
            continue;
        }
        const bool temperature =
            t == kGeneralItems && d.code == kItemEnvironmentLimits && d.elementIndex < 2;
        bool differs = false;
        if (in->is_object()) {
            differs = now.is_object() && boxesDiffer(*in, now);
        } else {
            // A limit given in the other unit is entered even when its digits look the same.
            differs = *in != now || (temperature && fileCelsius != shownCelsius);
            const std::string why = refusal(d, t, in->get<std::string>(), fileCelsius);
            if (differs && !why.empty()) {
                plan.refused.push_back(why);
            }
        }
        if (differs) {
            plan.apply.push_back(key);
        }
    }
    std::stable_partition(plan.apply.begin(), plan.apply.end(),
                          [](const std::string& k) { return isNetOptions(k); });
    return plan;
}

std::string ConfigEntryText(std::string_view key, const nlohmann::ordered_json& value,
                            const nlohmann::ordered_json& shown) {
    if (!value.is_object()) {
        return value.is_string() ? value.get<std::string>() : std::string{};
    }
    std::vector<std::string> names;
    if (isNetOptions(key)) {
        for (const NetOptionBox& b : kNetOptionBoxes) {
            names.emplace_back(b.name);
        }
    } else if (shown.is_object()) {
        for (const auto& [name, state] : shown.items()) {
            names.push_back(name);
        }
    }
    std::string list;
    for (const std::string& name : names) {
        const auto given = value.find(name);
        const auto now = shown.is_object() ? shown.find(name) : shown.end();
        const bool on = given != value.end()                      ? given->get<bool>()
                        : now != shown.end() && now->is_boolean() ? now->get<bool>()
                                                                  : false;
        if (on) {
            list += (list.empty() ? "" : ",") + name;
        }
    }
    return list;
}

}  // namespace quorvel
