// Tab order of computed layouts: rows of a box read across its columns, boxes read one at a time
// in grid order, and the controls outside any box in their own lines.
#include <gtest/gtest.h>

#include "dialogs/logic/focus_order.h"

namespace quorvel::dialogs {
namespace {

std::vector<std::size_t> Order(const std::vector<FocusControl>& controls,
                               const std::vector<FocusPoint>& boxes) {
    return ReadingOrder(controls, boxes);
}

TEST(FocusOrder, RowsOfABoxReadAcrossItsColumns) {
    // Two columns of receptacle rows, listed column by column as the receptacles are numbered;
    // each row's reset button sits one pixel above its check box.
    const std::vector<FocusControl> controls = {
        {{190, 134}, 0},  // 0: column 0 row 0 check box
        {{210, 133}, 0},  // 1: its reset button
        {{190, 150}, 0},  // 2: column 0 row 1 check box
        {{210, 149}, 0},  // 3: its reset button
        {{448, 134}, 0},  // 4: column 1 row 0 check box
        {{468, 133}, 0},  // 5: its reset button
        {{448, 150}, 0},  // 6: column 1 row 1 check box
        {{468, 149}, 0},  // 7: its reset button
        {{312, 182}, 0},  // 8: "Clear All" at the group's right
        {{42, 182}, 0},   // 9: "Set All" at the group's left
    };
    EXPECT_EQ(Order(controls, {{30, 84}}),
              (std::vector<std::size_t>{0, 1, 4, 5, 2, 3, 6, 7, 9, 8}));
}

TEST(FocusOrder, BoxesAreReadWholeInGridOrderBetweenTheControlsOutside) {
    // Box 0: the general column; boxes 1-4: a two by two grid whose first row has groups of
    // different heights; box 5 holds nothing.
    const std::vector<FocusPoint> boxes = {{20, 20},   {280, 20},  {616, 20},
                                           {280, 300}, {616, 300}, {0, 0}};
    const std::vector<FocusControl> controls = {
        {{600, 735}},      // 0: OK
        {{400, 700}},      // 1: Format
        {{398, 300}, 4},   // 2: in the grid's second row, right
        {{298, 320}, 3},   // 3: in the grid's second row, left
        {{74, 68}, 0},     // 4: second box of the general column's option row
        {{144, 44}, 0},    // 5: second general edit
        {{20, 68}, 0},     // 6: first box of the option row
        {{144, 20}, 0},    // 7: first general edit
        {{700, 60}, 2},    // 8: first row, right group
        {{400, 60}, 1},    // 9: first row, left group
        {{300, 90}, 1},    // 10: next line of the left group
        {{500, 702}},      // 11: Set Defaults, two pixels lower than Format
        {{400, 735}, 99},  // 12: Clear, with a box index that names no box
        {{106, 2}},        // 13: above everything
    };
    EXPECT_EQ(Order(controls, boxes),
              (std::vector<std::size_t>{13, 7, 5, 6, 4, 9, 10, 8, 3, 2, 1, 11, 12, 0}));
    EXPECT_TRUE(Order({}, boxes).empty());
}

}  // namespace
}  // namespace quorvel::dialogs
