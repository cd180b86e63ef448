#include "cli/model_text.h"

namespace quorvel::cli {

std::string ModelCodeText(std::uint16_t, std::uint32_t, std::uint16_t) {
    // Filled in once the model code codec is wired up.
    return {};
}

}  // namespace quorvel::cli
