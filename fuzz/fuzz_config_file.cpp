// libFuzzer target: reading arbitrary text as a configuration file, then planning its import
// into a PDU that shows a few items. A file that reads must write back to a file that reads
// the same.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "common/config_file.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace quorvel;
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    ConfigFile file;
    std::string error;
    if (!ReadConfigFile(text, file, error)) {
        return 0;
    }
    ConfigFile again;
    if (!ReadConfigFile(WriteConfigFile(file), again, error) || again.items != file.items ||
        again.origin.featureWord != file.origin.featureWord ||
        again.origin.attributeWord != file.origin.attributeWord ||
        again.origin.receptacles != file.origin.receptacles) {
        __builtin_trap();
    }
    static const ConfigCatalogue catalogue;
    static const ConfigItemDescriptor* tables[kConfigItemTables] = {
        catalogue.table(0), catalogue.table(1), catalogue.table(2)};
    static const nlohmann::ordered_json shown = {
        {"cLogInterval", "60"},        {"cNetOptions", {{"AutoIP", true}, {"C", false}}},
        {"cMinTempLimit", "50.0"},     {"cDevsPassword", "**********"},
        {"cRecepName1", "RecepName1"}, {"cRecepControl", {{"1", true}}}};
    const ConfigImportPlan plan = PlanConfigImport(file, ConfigFileOrigin{}, shown, tables, true);
    for (const std::string& key : plan.apply) {
        ConfigEntryText(key, file.items[key], shown[key]);
    }
    return 0;
}
