// A configuration dialog run and its catalogue plan.
#include "dialogs/logic/config_plan.h"

#include "dialogs/logic/worker_messages.h"

namespace quorvel::dialogs {

std::shared_ptr<ConfigRun> MakeConfigRun(const PduRecord* record, const ConfigOps* ops,
                                         const DeviceAddressBlock* addresses) {
    auto run = std::make_shared<ConfigRun>();
    if (record != nullptr) {
        run->record = *record;
    }
    if (ops != nullptr) {
        run->ops = *ops;
    }
    if (addresses != nullptr) {
        run->addresses = *addresses;
    }
    run->block = std::make_shared<ConfigWorkerBlock>();
    run->block->ops = &run->ops;
    run->block->record = &run->record;
    run->block->addresses = &run->addresses;
    run->catalogue.attach(*run->block);
    return run;
}

std::vector<ConfigTransfer> CatalogueConfigPlan::loadItems(const ConfigWorkerBlock& block) {
    return ConfigLoadItems(*block.record, block.itemTables, block.ops->mode);
}

std::vector<ConfigTransfer> CatalogueConfigPlan::saveItems(const ConfigWorkerBlock& block) {
    return ConfigSaveItems(*block.record, block.itemTables, block.ops->mode, block.deviceImage,
                           block.editImage);
}

void CatalogueConfigPlan::loaded(ConfigWorkerBlock& block, const ConfigTransfer& t) {
    ConfigTakeLoaded(t, block.itemTables, block.ops->mode, block.deviceImage, block.editImage);
}

std::vector<std::string> PendingConfigKeys(const ConfigWorkerBlock& block) {
    std::vector<std::string> keys;
    for (const ConfigTransfer& t : ConfigSaveItems(*block.record, block.itemTables, block.ops->mode,
                                                   block.deviceImage, block.editImage)) {
        const char* key = block.itemTables[t.table][t.index].keyName;
        keys.emplace_back(key != nullptr ? key : "?");
    }
    return keys;
}

std::u16string UnansweredConfigText(std::uint8_t command, const std::vector<std::string>& pending) {
    std::string text;
    switch (command) {
        case CFG_CMD_SAVE:
            text = "The PDU stopped answering, not written: " + std::to_string(pending.size()) +
                   " item(s)";
            for (std::size_t i = 0; i < pending.size(); ++i) {
                text += (i == 0 ? ": " : ", ") + pending[i];
            }
            break;
        case CFG_CMD_FORMAT:
            text = "The PDU stopped answering: the database was not formatted.";
            break;
        case CFG_CMD_RESET_NETWORK:
            text = "The PDU stopped answering: the network settings were not reset.";
            break;
        default:
            break;
    }
    return {text.begin(), text.end()};
}

}  // namespace quorvel::dialogs
