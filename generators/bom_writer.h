// The bill-of-materials writer: for a model code, a short text listing the parts a PDU of that
// model is built from (chassis, modules, meters, breakers, TLD modules, LEDs, the KVB module's
// options, toroids and cables), derived from the code's words alone.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>

#include "catalogue/model_code.h"
#include "generators/text_output.h"

namespace quorvel {

// Writes the bill of materials of the code to `path`; true when the whole file was written.
// No file is created for a null or empty path or the no-model code; a file that cannot be
// created or a write that fails gives false (what was written stays).
bool WriteBom(const char16_t* path, std::uint16_t feature, std::uint32_t attribute,
              std::uint16_t extension);
bool WriteBom(const std::filesystem::path& path, const ModelCode& code);

// The first field of the code that a model code string cannot carry, named with its range
// ("current code 9, not 0..8"), or "" when every field is in range. The no-model code names
// itself.
std::string BomFieldOutOfRange(const ModelCode& code);

// The text of the code's bill of materials, line by line into `sink`; stops at the first failed
// write and returns false.
bool WriteBomText(TextSink& sink, const ModelCode& code);

}  // namespace quorvel
