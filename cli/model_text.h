// The model code string of three model code words for the CLI's JSON ("" when the words do not
// form a valid code).
#pragma once

#include <cstdint>
#include <string>

namespace quorvel::cli {

std::string ModelCodeText(std::uint16_t feature, std::uint32_t attribute, std::uint16_t extension);

}  // namespace quorvel::cli
