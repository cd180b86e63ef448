// A snapshot as a Network UPS Tools device definition: the "name: value" lines that NUT's
// dummy-ups driver reads, with NUT's standard variable names for a PDU. Kept current by
// replacing the whole file, so that a reader never sees half of one.
#pragma once

#include <string>

#include "cli/readings.h"

namespace quorvel::cli {

// `model` is the model code string. Temperatures go out in degrees Celsius, as NUT defines
// ambient.temperature, whatever unit the PDU shows.
std::string NutDeviceText(const std::string& model, const Readings& readings);

// Writes `text` to a temporary file beside `path`, then renames it over `path`. False, with
// the reason, when either step fails.
bool ReplaceFile(const std::string& path, const std::string& text, std::string& error);

}  // namespace quorvel::cli
