// Which configuration items a load or save pass transfers, in order. The worker runs the pass
// and reports it; the plan alone knows the item tables, the element counts and what changed.
#pragma once

#include <cstdint>
#include <vector>

#include "common/config_catalogue.h"
#include "common/config_ops.h"

namespace quorvel::dialogs {

// One ReadItem or WriteItem call: item `index` of item table `table`.
using quorvel::ConfigTransfer;

class ConfigPassPlan {
  public:
    virtual ~ConfigPassPlan() = default;
    // Called on the worker's thread with the block's data mutex held.
    virtual std::vector<ConfigTransfer> loadItems(const ConfigWorkerBlock& block) = 0;
    virtual std::vector<ConfigTransfer> saveItems(const ConfigWorkerBlock& block) = 0;
    // After the ReadItem of a load transfer, before its item-done message: takes what was read
    // into the edit image. Same thread and mutex.
    virtual void loaded(ConfigWorkerBlock&, const ConfigTransfer&) {}
};

}  // namespace quorvel::dialogs
