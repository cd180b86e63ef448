// How quorvelctl verbs take a model: a model code string, or the three words as the operator
// sees them ("47C0:DB98B4B2:100A", the only form that carries an extended-series marker).
#pragma once

#include <string>

#include "catalogue/model_code.h"

namespace quorvel::cli {

// True with the words of text; a model code string is upper-cased and decoded.
bool ParseCodeArgument(const std::string& text, ModelCode& code);

// "%4.4X:%8.8X:%4.4X" of the words.
std::string WordsText(const ModelCode& code);

}  // namespace quorvel::cli
