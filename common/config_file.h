// A PDU's configuration kept as a file: every item the configuration dialog shows, keyed and
// written as quorvelctl config get prints it, with the PDU it was read from. quorvelctl config
// export/import and the dialog's Export… and Import… share the format and the import rules.
#pragma once

#include <nlohmann/json.hpp>

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "common/config_catalogue.h"
#include "common/model_profile.h"

namespace quorvel {

constexpr int kConfigFileFormat = 1;

// The PDU a file was read from: its model code, generation, firmware digits and layout.
struct ConfigFileOrigin {
    std::uint16_t featureWord = 0;
    std::uint32_t attributeWord = 0;
    std::uint16_t extensionWord = 0;
    int generation = 0;
    std::string firmware;  // "%u.%u.%u" of the firmware digits
    int circuits = 0;      // circuits the dialog shows
    int receptacles = 0;   // receptacle rows the dialog shows
};

struct ConfigFile {
    int format = kConfigFileFormat;
    ConfigFileOrigin origin;
    bool passwords = false;  // the device password, KOVA name and KOVA password are in it
    // Key -> value as config get shows it: a text, or for cNetOptions and cRecepControl an
    // object of check box states (box name or receptacle number -> true/false).
    nlohmann::ordered_json items = nlohmann::ordered_json::object();
};

ConfigFileOrigin ConfigOriginOf(const PduRecord& record);
// The file of a PDU's shown items; the device password, KOVA name and KOVA password stay out of
// it unless passwords is set.
ConfigFile MakeConfigFile(const PduRecord& record, nlohmann::ordered_json items, bool passwords);

std::string WriteConfigFile(const ConfigFile& file);
// Reads a file's text; false with the reason when it is not a configuration file of a known
// format, names a key the catalogue does not have or holds a value of the wrong shape.
bool ReadConfigFile(std::string_view text, ConfigFile& file, std::string& error);

// What importing a file into a PDU does, before anything is written.
struct ConfigImportPlan {
    // Why the file is from a PDU of another layout; empty when it is not. Such a file is
    // applied only when forced, and then only the keys the PDU has.
    std::string otherLayout;
    std::vector<std::pair<std::string, std::string>> skipped;  // key and why
    // Values a field would not take, named by key and range as config set names them; when
    // there is one, nothing is applied.
    std::vector<std::string> refused;
    // Keys whose value in the file differs from what the PDU shows, the network options first
    // (they say the unit of the temperature limits).
    std::vector<std::string> apply;
};

// shown: what the PDU shows now, every key it has (protected ones in clear only with
// developer), as config get prints it. The MAC address is never written, so never applied.
ConfigImportPlan PlanConfigImport(const ConfigFile& file, const ConfigFileOrigin& pdu,
                                  const nlohmann::ordered_json& shown, ConfigTables tables,
                                  bool developer);

// The value of key in the file as config set takes it: the text itself, or for the check box
// objects the comma list of the checked names or numbers, where a box the file does not name
// keeps its state in `shown`.
std::string ConfigEntryText(std::string_view key, const nlohmann::ordered_json& value,
                            const nlohmann::ordered_json& shown);

}  // namespace quorvel
