// Whether a dragged dialog is still sufficiently on screen once the operator lets it go.
#pragma once

#include "dialogs/halvex_api.h"

namespace quorvel::dialogs {

// Window rectangle in screen pixels; right and bottom lie one past the last pixel.
struct WindowEdges {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
};

// With a 4-pixel margin: on screen when a vertical edge lies inside [4, width-4) and a
// horizontal edge inside [4, height-4); off screen when both vertical edges lie left of the
// margin or both at or beyond width-4, or likewise both horizontal edges; on screen otherwise.
QUORVEL_HALVEX_API bool IsSufficientlyOnScreen(WindowEdges window, int screenWidth,
                                               int screenHeight);

}  // namespace quorvel::dialogs
