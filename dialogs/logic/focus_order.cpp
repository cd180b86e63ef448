// Reading order of computed layouts.
#include "dialogs/logic/focus_order.h"

#include <algorithm>
#include <numeric>

namespace quorvel::dialogs {

namespace {

// Indexes of the points, line by line from the top and each line from the left. A line begins
// at its topmost point and takes every point whose top lies at most kSameLinePixels below it.
std::vector<std::size_t> ReadPoints(const std::vector<FocusPoint>& points) {
    std::vector<std::size_t> order(points.size());
    std::iota(order.begin(), order.end(), std::size_t{0});
    std::stable_sort(order.begin(), order.end(), [&points](std::size_t a, std::size_t b) {
        return points[a].y != points[b].y ? points[a].y < points[b].y : points[a].x < points[b].x;
    });
    auto line = order.begin();
    while (line != order.end()) {
        const int top = points[*line].y;
        const auto end = std::find_if(line, order.end(), [&points, top](std::size_t i) {
            return points[i].y - top > kSameLinePixels;
        });
        std::stable_sort(line, end, [&points](std::size_t a, std::size_t b) {
            return points[a].x < points[b].x;
        });
        line = end;
    }
    return order;
}

}  // namespace

std::vector<std::size_t> ReadingOrder(const std::vector<FocusControl>& controls,
                                      const std::vector<FocusPoint>& boxes) {
    // What is read as one piece: a control outside any box, or a box with all its controls.
    struct Piece {
        int box = kNoFocusBox;
        std::size_t control = 0;
    };
    std::vector<std::vector<std::size_t>> members(boxes.size());
    std::vector<Piece> pieces;
    std::vector<FocusPoint> corners;
    for (std::size_t i = 0; i < controls.size(); ++i) {
        const int box = controls[i].box;
        if (box >= 0 && static_cast<std::size_t>(box) < boxes.size()) {
            members[static_cast<std::size_t>(box)].push_back(i);
        } else {
            pieces.push_back({kNoFocusBox, i});
            corners.push_back(controls[i].at);
        }
    }
    for (std::size_t b = 0; b < boxes.size(); ++b) {
        if (!members[b].empty()) {
            pieces.push_back({static_cast<int>(b), 0});
            corners.push_back(boxes[b]);
        }
    }

    std::vector<std::size_t> out;
    out.reserve(controls.size());
    for (std::size_t p : ReadPoints(corners)) {
        if (pieces[p].box == kNoFocusBox) {
            out.push_back(pieces[p].control);
            continue;
        }
        const std::vector<std::size_t>& inside = members[static_cast<std::size_t>(pieces[p].box)];
        std::vector<FocusPoint> at;
        at.reserve(inside.size());
        for (std::size_t i : inside) {
            at.push_back(controls[i].at);
        }
        for (std::size_t k : ReadPoints(at)) {
            out.push_back(inside[k]);
        }
    }
    return out;
}

}  // namespace quorvel::dialogs
