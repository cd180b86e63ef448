// The SNMP MIB writer: for a model code, an SNMPv1 MIB module describing exactly the objects and
// traps that a PDU of that model exposes, for the first (KVB V1) or second (KVB V2) generation
// of its management module.
#pragma once

#include <cstdint>
#include <ctime>
#include <filesystem>

#include "catalogue/attribute_tables.h"
#include "catalogue/model_code.h"
#include "common/model_profile.h"
#include "generators/text_output.h"

namespace quorvel {

// Module generations as the file name dialog offers them; any value below 2 is the first.
constexpr int kMibFirstGeneration = 1;
constexpr int kMibSecondGeneration = 2;

// Writes the MIB module of the code to `path`, stamped with the local time, using the
// process-wide attribute tables. True when the whole file was written. No file is created when
// the path is null or empty or the code has no profile; a file that cannot be created or a write
// that fails gives false (what was written stays).
bool WriteMib(const char16_t* path, std::uint16_t feature, std::uint32_t attribute,
              std::uint16_t extension, int generation);

// The same with the time stamp and the tables given.
bool WriteMib(const std::filesystem::path& path, const ModelCode& code, int generation,
              const std::tm& when, const AttributeTables& tables = Attributes());

// The module text of a built profile, line by line into `sink`; stops at the first failed
// write and returns false.
bool WriteMibText(TextSink& sink, const ModelProfile& profile, int generation, const std::tm& when);

}  // namespace quorvel
