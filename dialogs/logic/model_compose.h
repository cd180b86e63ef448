// The model dialog's code composition: the three model code words from the values of its check
// boxes and drop-downs, the control values that show a given code, and the rules that tie the
// feature check boxes together. Plain computation; the dialog only applies the results.
#pragma once

#include <cstdint>
#include <string>

#include "dialogs/halvex_api.h"

namespace quorvel::dialogs {

// A model code as three words.
struct ModelWords {
    std::uint16_t feature = 0;
    std::uint32_t attribute = 0;
    std::uint16_t extension = 0;

    bool operator==(const ModelWords&) const = default;
};

// FeatureWord 0xFFFF with AttributeWord 0xFFFFFFFF: a PDU that was never stamped.
QUORVEL_HALVEX_API bool IsNoModel(const ModelWords& words);

// "%4.4X:%8.8X:%4.4X".
QUORVEL_HALVEX_API std::string CodeText(const ModelWords& words);

// The seven feature check boxes.
enum class FeatureBox {
    Serial,
    Ethernet,
    SocketControl,
    SocketMeter,
    Environment,
    Second,
    VoltMeter
};

struct FeatureChecks {
    bool serial = false;
    bool ethernet = false;
    bool socketControl = false;
    bool socketMeter = false;
    bool environment = false;  // "Env(T&&H)"
    bool second = false;       // "2nd"
    bool voltMeter = false;

    bool operator==(const FeatureChecks&) const = default;
};

// The drop-downs' selections as their item data; kNoSelection when nothing is selected.
constexpr int kNoSelection = -1;

struct ModelSelections {
    int phase = kNoSelection;       // 0 single, 1 three phase
    int voltage = kNoSelection;     // voltage code
    int series = kNoSelection;      // series index ("Socket Types:")
    int meters = kNoSelection;      // meter count
    int inlet = kNoSelection;       // inlet index ("Input Plug:")
    int formFactor = kNoSelection;  // form factor code
    int current = kNoSelection;     // current rating code
    int breakers = kNoSelection;    // breaker count
    int tlds = kNoSelection;        // TLD count

    bool complete() const;
    bool operator==(const ModelSelections&) const = default;
};

// Everything the controls show of one code.
struct ModelControls {
    FeatureChecks checks;
    ModelSelections selections;
};

// The check boxes after the operator clicked `clicked` (whose new state `checks` already holds):
// socket control or meter cannot be checked without serial or Ethernet, and unchecking the last
// of serial and Ethernet unchecks them both; Ethernet brings serial; serial stays checked while
// Ethernet is; "2nd" brings the environment sensor, and unchecking the environment sensor drops
// "2nd".
QUORVEL_HALVEX_API FeatureChecks ApplyCheckRules(FeatureChecks checks, FeatureBox clicked);

// The TLD selection composing uses: "0" without socket control and meter; with either, a "0"
// becomes 3 for three phase and 4 for single phase; otherwise the selection stays.
QUORVEL_HALVEX_API int AdjustedTldSelection(const FeatureChecks& checks,
                                            const ModelSelections& selections);

// The words of complete selections (TLD count as given: apply AdjustedTldSelection first).
// False, leaving `words` alone, when a selection is missing.
QUORVEL_HALVEX_API bool ComposeModelWords(const FeatureChecks& checks,
                                          const ModelSelections& selections, ModelWords& words);

// The control values that show the words. A field without a matching drop-down entry comes out
// as a value the dialog does not find, which leaves that drop-down without a selection.
QUORVEL_HALVEX_API ModelControls ControlsOfWords(const ModelWords& words);

// Series index of the words: AttributeWord bits 18..23, bit 7 (x64), ExtensionWord bits 0..7
// (x128).
QUORVEL_HALVEX_API int SeriesIndexOfWords(const ModelWords& words);

// The words of a series' records lookup: FeatureWord 0 and only the series index bits set.
QUORVEL_HALVEX_API ModelWords SeriesOnlyWords(int seriesIndex);

}  // namespace quorvel::dialogs
