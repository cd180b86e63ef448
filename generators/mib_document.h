// Inside the MIB writer: what a model's module is made of (features, circuit, voltage input and
// receptacle names) and the sections that write it.
#pragma once

#include <ctime>
#include <string>
#include <string_view>
#include <vector>

#include "common/model_profile.h"
#include "generators/text_output.h"

namespace quorvel::mib {

// A circuit, voltage input or receptacle: its number (j, i or k), the name as object
// identifiers use it (spaces removed) and as descriptions use it.
struct Named {
    unsigned index = 0;
    std::string id;
    std::string text;
};

struct MibModel {
    std::string code;  // model code string
    bool secondGeneration = false;
    unsigned u = 4;  // number base of the per-receptacle metrics: 4, or 7 for the second
    bool envSensor = false;
    bool socketControl = false;
    bool socketMeter = false;
    bool voltMeter = false;
    bool powerFactor = false;
    std::vector<Named> circuits;     // j = 0..n-1
    std::vector<Named> inputs;       // the voltage inputs that exist, 0 before 1
    std::vector<Named> receptacles;  // the receptacles that exist, in order 0..47

    bool hasVoltageInputs() const { return !inputs.empty(); }
};

MibModel makeMibModel(const ModelProfile& profile, int generation);

// Comment header, module name, imports and the two module identities.
void writeHeader(LineWriter& w, const MibModel& m, const std::tm& when);
// SystemInfo, Configuration, Metrics and Control.
void writeObjects(LineWriter& w, const MibModel& m);
// The traps and the closing "END".
void writeTraps(LineWriter& w, const MibModel& m);

// "%S%S" in a description template replaced by a name.
std::string fill(std::string_view tmpl, const std::string& name);

// What an identifier that would begin with a digit begins with instead (a model whose circuit
// or receptacle word is empty and whose labels are numbers): receptacle "1" controls as P1CTRL.
constexpr char kDigitIdentifierPrefix = 'P';

// The object or trap identifier `prefix` + `name` + `suffix`, with kDigitIdentifierPrefix in
// front when it would begin with a digit.
std::string identifier(std::string_view prefix, std::string_view name,
                       std::string_view suffix = {});

}  // namespace quorvel::mib
