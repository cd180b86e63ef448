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

// A first-generation module numbers the per-receptacle metrics and the lock currents from 4 and
// its temperature traps from 4: it has room for three circuits. A model with more is written
// for the second generation only.
constexpr unsigned kFirstGenerationMaxCircuits = 3;

// The circuits the module of a profile describes.
unsigned MibCircuitCount(const ModelProfile& profile);
// False for a first-generation module of a model with more than kFirstGenerationMaxCircuits
// circuits, whose object and trap numbers would repeat.
bool MibGenerationFits(const ModelProfile& profile, int generation);

// Writes the MIB module of the code to `path`, stamped with the local time, using the
// process-wide attribute tables. True when the whole file was written. No file is created when
// the path is null or empty, the code has no profile or the module does not fit the generation
// (MibGenerationFits); a file that cannot be created or a write that fails gives false (what
// was written stays).
bool WriteMib(const char16_t* path, std::uint16_t feature, std::uint32_t attribute,
              std::uint16_t extension, int generation);

// The same with the time stamp and the tables given.
bool WriteMib(const std::filesystem::path& path, const ModelCode& code, int generation,
              const std::tm& when, const AttributeTables& tables = Attributes());

// The module text of a built profile, line by line into `sink`; stops at the first failed
// write and returns false. Writes nothing and returns false when the module does not fit the
// generation.
bool WriteMibText(TextSink& sink, const ModelProfile& profile, int generation, const std::tm& when);

}  // namespace quorvel
