// A configuration dialog run and its catalogue plan.
#include "dialogs/logic/config_plan.h"

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

}  // namespace quorvel::dialogs
