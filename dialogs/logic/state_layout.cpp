// The state dialog's layout arithmetic.
#include "dialogs/logic/state_layout.h"

#include <algorithm>

namespace quorvel::dialogs {

namespace {

constexpr int kTextH = 14;     // a static text or check box
constexpr int kButtonH = 22;   // a push button
constexpr int kRowPitch = 16;  // identity rows and receptacle rows

// Identity rows.
constexpr int kTopRow = 20;
constexpr int kTopRowWithAddresses = 36;
constexpr int kCircuitAreaGap = 64;

// Circuit groups.
constexpr int kFirstX = 30;
constexpr int kGap = 8;
constexpr int kMaxSlots = 6;
constexpr int kColumnWidth = 196;
constexpr int kSwitchedColumnWidth = 242;
constexpr int kColumnPitch = 178;
constexpr int kSwitchedColumnPitch = 258;
constexpr int kGroupBaseHeight = 62;
constexpr int kSwitchButtonsHeight = 46;
constexpr int kRightMargin = 30;
constexpr int kBottomMargin = 102;

PlacedControl At(int x, int y, int w, int h) {
    return PlacedControl{true, LayoutRect{x, y, w, h}};
}

std::u16string Joined(const char16_t (&a)[kProfileTextChars],
                      const char16_t (&b)[kProfileTextChars]) {
    return ProfileString(a) + ProfileString(b);
}

int CircuitCount(const PduRecord& r) {
    return std::min<int>(r.circuitCount, kMaxCircuits);
}

int Columns(const PduRecord& r, int circuit) {
    return std::max<int>(r.receptacleColumns[circuit], 1);
}

// Rows of receptacles a circuit shows: all of them in one column, or spread over its columns.
int ReceptacleRowCount(const PduRecord& r, int circuit) {
    const int n = r.receptaclesPerCircuit[circuit];
    const int columns = r.receptacleColumns[circuit];
    return columns < 2 ? n : (n + columns - 1) / columns;
}

// Rows per column: the record's value, which sizes the group and steps the positions.
int RowsPerColumn(const PduRecord& r, int circuit) {
    return r.receptacleMaxColumns[circuit];
}

// The position-th receptacle row (from 0) that belongs to the circuit, or -1.
int NthRowOfCircuit(const PduRecord& r, int circuit, int position) {
    for (int row = 0; row < kMaxReceptacles; ++row) {
        if (r.receptacleInput[row] == circuit && position-- == 0) {
            return row;
        }
    }
    return -1;
}

void PlaceIdentity(StateLayout& l, const PduRecord& r, bool otherInterface) {
    const int top = l.topRow;
    if (otherInterface) {
        l.macLabel = At(36, kTopRow, 68, kTextH);
        l.macValue = At(106, kTopRow, 110, kTextH);
        l.ipLabel = At(220, kTopRow, 58, kTextH);
        l.ipValue = At(280, kTopRow, 120, kTextH);
        l.updateFieldsLabel = At(416, top, 68, kTextH);
        l.updateFieldsCheck = At(486, top, 16, kTextH);
        l.updateSoftwareLabel = At(416, top + 16, 68, kTextH);
        l.updateSoftwareCheck = At(486, top + 16, 16, kTextH);
    }
    l.versionLabel = At(36, top, 88, kTextH);
    l.versionValue = At(126, top, 90, kTextH);
    l.modelLabel = At(36, top + 16, 48, kTextH);
    l.modelValue = At(86, top + 16, 132, kTextH);
    if (HasEnvironment(r)) {
        l.temperatureLabel = At(220, top, 68, kTextH);
        l.temperatureValue = At(290, top, 124, kTextH);
        l.humidityLabel = At(220, top + 16, 68, kTextH);
        l.humidityValue = At(290, top + 16, 124, kTextH);
    }
    l.alarmLabel = At(36, top + 32, 68, kTextH);
    l.alarmText = At(106, top + 32, 110, kTextH);
    l.tripped = At(106, top + 32, 80, kButtonH);
}

// Sizes every circuit below the circuit count, then places them on the grid of layout slots.
void PlaceCircuits(StateLayout& l, const PduRecord& r, bool consoleDeveloper) {
    const int areaTop = l.topRow + kCircuitAreaGap;
    const int count = CircuitCount(r);
    const int columnWidth = IsSwitched(r) ? kSwitchedColumnWidth : kColumnWidth;
    for (int i = 0; i < count; ++i) {
        LayoutRect& g = l.circuits[i].group;
        g = LayoutRect{kFirstX, areaTop, columnWidth * Columns(r, i), kGroupBaseHeight};
        if (HasReceptacleRows(r) && RowsPerColumn(r, i) != 0) {
            g.h += kRowPitch * RowsPerColumn(r, i);
        }
        if (IsSwitched(r) && consoleDeveloper) {
            g.h += kSwitchButtonsHeight;
        }
    }
    int x = kFirstX;
    for (int slot = 0; slot < kMaxSlots; ++slot) {
        int widest = -1;
        for (int i = 0; i < count; ++i) {
            if (r.circuitLayoutHigh[i] == slot) {
                l.circuits[i].group.x = x;
                widest = std::max(widest, l.circuits[i].group.w);
            }
        }
        if (widest >= 0) {
            x += widest + kGap;
        }
    }
    int y = areaTop;
    for (int slot = 0; slot < kMaxSlots; ++slot) {
        int tallest = -1;
        for (int i = 0; i < count; ++i) {
            if (r.circuitLayoutLow[i] == slot) {
                l.circuits[i].group.y = y;
                tallest = std::max(tallest, l.circuits[i].group.h);
            }
        }
        if (tallest >= 0) {
            y += tallest + kGap;
        }
    }
    int right = 0;
    int bottom = areaTop;
    for (int i = 0; i < count; ++i) {
        right = std::max(right, l.circuits[i].group.right());
        bottom = std::max(bottom, l.circuits[i].group.bottom());
    }
    l.width = std::clamp(right + kRightMargin, kStateMinWidth, kStateMaxWidth);
    l.height = std::min(bottom + kBottomMargin, kStateMaxHeight);
}

// Lays out the circuit's receptacle rows; returns how many rows hold a receptacle.
int PlaceReceptacles(StateLayout& l, const PduRecord& r, int i, int pitch) {
    const LayoutRect& g = l.circuits[i].group;
    const int n = r.receptaclesPerCircuit[i];
    if (n <= 0 || !HasReceptacleRows(r)) {
        return 0;
    }
    const int rowsPerColumn = RowsPerColumn(r, i);
    const int columns = Columns(r, i);
    int used = 0;
    for (int row = 0; row < ReceptacleRowCount(r, i); ++row) {
        const int y = g.y + 50 + kRowPitch * row;
        for (int m = 0; m < columns; ++m) {
            const int position = m * rowsPerColumn + row;
            if (position >= r.receptacleTotal) {
                break;
            }
            const int k = NthRowOfCircuit(r, i, position);
            if (k < 0) {
                break;
            }
            ReceptacleRowLayout& rl = l.rows[k];
            const int x = g.x + 18 + m * pitch;
            used = row + 1;
            rl.shown = true;
            rl.circuit = i;
            rl.name = Joined(r.receptacleWord[i], r.receptacleLabel[k]);
            rl.nameRect = LayoutRect{x, y, 78, kTextH};
            if (IsMetered(r)) {
                rl.current = At(x + 80, y, 74, kTextH);
            }
            if (IsSwitched(r)) {
                rl.check = At(x + 160, y, 16, kTextH);
                rl.reset = At(x + 180, y - 1, 20, 15);
            }
        }
    }
    return used;
}

void PlaceCircuitContents(StateLayout& l, const PduRecord& r, bool consoleDeveloper) {
    const int pitch = IsSwitched(r) ? kSwitchedColumnPitch : kColumnPitch;
    for (int i = 0; i < CircuitCount(r); ++i) {
        CircuitLayout& c = l.circuits[i];
        if (r.circuitVisible[i] == 0) {
            continue;
        }
        const LayoutRect& g = c.group;
        c.shown = true;
        c.caption = Joined(r.circuitWord, r.circuitShortLabel[i]);
        if (r.receptacleColumns[i] == 0) {
            c.currentHeaders.push_back(LayoutRect{g.x + 98, g.y + 18, 60, kTextH});
        } else {
            for (int m = 0; m < r.receptacleColumns[i]; ++m) {
                c.currentHeaders.push_back(LayoutRect{g.x + 98 + m * pitch, g.y + 18, 60, kTextH});
                if (r.receptaclesPerCircuit[i] > 0 && IsSwitched(r)) {
                    c.powerHeaders.push_back(
                        LayoutRect{g.x + 178 + m * pitch, g.y + 18, 50, kTextH});
                }
            }
        }
        if (HasVoltageInputs(r) &&
            (VoltageInputCircuit(r, 0) == i || VoltageInputCircuit(r, 1) == i)) {
            c.voltage = At(g.x + 18, g.y + 18, 76, kTextH);
        }
        c.totalLabel = At(g.x + 18, g.y + 34, 76, kTextH);
        c.totalValue = At(g.x + 98, g.y + 34, 76, kTextH);
        const int rows = PlaceReceptacles(l, r, i, pitch);
        if (IsSwitched(r) && consoleDeveloper && r.receptaclesPerCircuit[i] > 0 &&
            HasReceptacleRows(r)) {
            const int y = g.y + 66 + kRowPitch * rows;
            const std::u16string name = ProfileString(r.circuitShortLabel[i]);
            c.setAll = At(g.x + 12, y, 80, kButtonH);
            c.clearAll = At(g.right() - 92, y, 80, kButtonH);
            c.setAllText = u"Set All " + name;
            c.clearAllText = u"Clear All " + name;
        }
    }
}

void PlaceBottomLine(StateLayout& l, bool otherInterface) {
    const int y = l.height - 70;
    if (otherInterface) {
        const int q = (l.width - 300) / 3;
        l.refresh = At(q / 2 + 30, y, 80, kButtonH + 2);
        l.clear = At(q / 2 + q + 110, y, 80, kButtonH + 2);
        l.ok = At(q / 2 + 2 * q + 190, y, 80, kButtonH + 2);
        l.progress = At(86, l.height - 94, l.width - 172, kTextH);
    } else {
        l.ok = At(l.width - 110, y, 80, kButtonH + 2);
        l.light = At(116, y + 2, 20, 20);
    }
}

}  // namespace

std::u16string ProfileString(const char16_t (&text)[kProfileTextChars]) {
    std::size_t n = 0;
    while (n < kProfileTextChars && text[n] != 0) {
        ++n;
    }
    return std::u16string(text, n);
}

StateLayout ComputeStateLayout(const PduRecord& record, std::int32_t mode, bool developer) {
    StateLayout l;
    const bool otherInterface = mode != 0;
    const bool consoleDeveloper = !otherInterface && developer;
    l.topRow = otherInterface ? kTopRowWithAddresses : kTopRow;
    PlaceIdentity(l, record, otherInterface);
    PlaceCircuits(l, record, consoleDeveloper);
    PlaceCircuitContents(l, record, consoleDeveloper);
    PlaceBottomLine(l, otherInterface);
    return l;
}

}  // namespace quorvel::dialogs
