// Everything one configuration dialog run hands its worker, and the pass plan over the item
// catalogue. The run owns copies of the caller's table, record and addresses and its own
// catalogue, so a worker that outlives its dialog never meets freed memory.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "common/config_catalogue.h"
#include "common/config_ops.h"
#include "dialogs/halvex_api.h"
#include "dialogs/logic/config_pass_plan.h"

namespace quorvel::dialogs {

struct QUORVEL_HALVEX_API ConfigRun {
    ConfigOps ops;     // the caller's table (an empty one when none was given)
    PduRecord record;  // the caller's record; Open updates this copy
    DeviceAddressBlock addresses;
    ConfigCatalogue catalogue;                 // this run's tables; Open lowers their counts
    std::shared_ptr<ConfigWorkerBlock> block;  // points at the fields above, images cleared
};

// A run over copies of what the caller passed (any of which may be null).
QUORVEL_HALVEX_API std::shared_ptr<ConfigRun> MakeConfigRun(const PduRecord* record,
                                                            const ConfigOps* ops,
                                                            const DeviceAddressBlock* addresses);

// The load and save passes as the catalogue orders them, over the run's block.
class QUORVEL_HALVEX_API CatalogueConfigPlan : public ConfigPassPlan {
  public:
    explicit CatalogueConfigPlan(std::shared_ptr<ConfigRun> run) : run_(std::move(run)) {}
    std::vector<ConfigTransfer> loadItems(const ConfigWorkerBlock& block) override;
    std::vector<ConfigTransfer> saveItems(const ConfigWorkerBlock& block) override;
    void loaded(ConfigWorkerBlock& block, const ConfigTransfer& t) override;

  private:
    std::shared_ptr<ConfigRun> run_;  // keeps the block's pointers valid
};

// The keys of the elements a save would still write, that is what the PDU has not acknowledged.
QUORVEL_HALVEX_API std::vector<std::string> PendingConfigKeys(const ConfigWorkerBlock& block);

// What the dialog tells the operator when the PDU stopped answering the command (a save, a
// format or a network reset); empty for a command that only reads.
QUORVEL_HALVEX_API std::u16string UnansweredConfigText(std::uint8_t command,
                                                       const std::vector<std::string>& pending);

}  // namespace quorvel::dialogs
