#include "cli/model_text.h"

#include "catalogue/model_code.h"

namespace quorvel::cli {

std::string ModelCodeText(std::uint16_t feature, std::uint32_t attribute, std::uint16_t extension) {
    return encodeModelCode(ModelCode{feature, attribute, extension});
}

}  // namespace quorvel::cli
