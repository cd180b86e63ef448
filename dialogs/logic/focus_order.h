// The order in which Tab visits the controls of a dialog whose layout is computed: the order in
// which the dialog is read. A box (a circuit's group, the column of general fields) is read as
// one piece, all its controls before the next box; boxes and the controls outside any box follow
// each other line by line from the top, each line from the left, and inside a box its controls
// are read the same way. Tops a few pixels apart still count as one line, so a button placed a
// pixel above the check box beside it is read after that check box.
#pragma once

#include <cstddef>
#include <vector>

namespace quorvel::dialogs {

constexpr int kNoFocusBox = -1;
constexpr int kSameLinePixels = 4;

struct FocusPoint {
    int x = 0;
    int y = 0;
};

struct FocusControl {
    FocusPoint at;          // the control's top left corner
    int box = kNoFocusBox;  // the index of the box holding it, or kNoFocusBox
};

// Indexes into controls in reading order; boxes holds each box's top left corner. A control whose
// box index names no box is read as a control outside any box; a box without controls is skipped.
std::vector<std::size_t> ReadingOrder(const std::vector<FocusControl>& controls,
                                      const std::vector<FocusPoint>& boxes);

}  // namespace quorvel::dialogs
