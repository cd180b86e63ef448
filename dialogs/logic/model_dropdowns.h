// The model dialog's drop-down entries: the fixed lists with their item data (the code values
// they stand for), and the entry texts of series ("Socket Types:") and inlets ("Input Plug:").
#pragma once

#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "common/model_ops.h"
#include "dialogs/halvex_api.h"

namespace quorvel::dialogs {

struct DropDownItem {
    const char* text;
    int data;
};

QUORVEL_HALVEX_API std::span<const DropDownItem> VoltageItems();
QUORVEL_HALVEX_API std::span<const DropDownItem> FormFactorItems();
QUORVEL_HALVEX_API std::span<const DropDownItem> CurrentItems();
QUORVEL_HALVEX_API std::span<const DropDownItem> PhaseItems();
QUORVEL_HALVEX_API std::span<const DropDownItem> MeterItems();    // "0".."6"
QUORVEL_HALVEX_API std::span<const DropDownItem> BreakerItems();  // "0".."6"
QUORVEL_HALVEX_API std::span<const DropDownItem> TldItems();      // "0".."8"

// A drop-down entry whose item data is a series or inlet index.
struct IndexedItem {
    std::u16string text;
    int index;
};

// Every series 0..17575 with a text that is not empty and does not start with "?", in index
// order: "%c%c:%s" (first letter, second letter, text), or "%c%c%c:%s" (third, first, second)
// when the third letter is not "A". Empty without GetSeriesText.
QUORVEL_HALVEX_API std::vector<IndexedItem> SeriesItems(const ModelOps& ops);

// Every inlet 0..63 with such a text: "%c:%s" (inlet character, text), or "%c%c:%s" (extension,
// inlet character, text) when the extension character is "B" or later; "?" stands for the
// characters without GetInletChars. Empty without GetInletText.
QUORVEL_HALVEX_API std::vector<IndexedItem> InletItems(const ModelOps& ops);

}  // namespace quorvel::dialogs
