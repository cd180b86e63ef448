// The on-screen rule of the draggable dialogs.
#include "dialogs/logic/screen_placement.h"

namespace quorvel::dialogs {

namespace {
constexpr int kMargin = 4;

bool inside(int v, int extent) {
    return v >= kMargin && v < extent - kMargin;
}
bool bothBefore(int a, int b) {
    return a < kMargin && b < kMargin;
}
bool bothBeyond(int a, int b, int extent) {
    return a >= extent - kMargin && b >= extent - kMargin;
}
}  // namespace

bool IsSufficientlyOnScreen(WindowEdges w, int width, int height) {
    if ((inside(w.left, width) || inside(w.right, width)) &&
        (inside(w.top, height) || inside(w.bottom, height))) {
        return true;
    }
    return !(bothBefore(w.left, w.right) || bothBeyond(w.left, w.right, width) ||
             bothBefore(w.top, w.bottom) || bothBeyond(w.top, w.bottom, height));
}

}  // namespace quorvel::dialogs
