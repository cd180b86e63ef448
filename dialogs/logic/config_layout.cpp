// The configuration dialog's layout arithmetic.
//
// Choices beyond the fixed rules: the circuit layout nibbles are counted from the smallest one
// the visible circuits use (the catalogue numbers grid places from 1); a circuit's receptacles
// run down each column, as many rows as its receptacle maximum columns value (rows per column)
// says; and a page that outgrows the largest window scrolls above the bottom controls instead of
// being cut off.
#include "dialogs/logic/config_layout.h"

#include <algorithm>

#include "common/config_catalogue.h"

namespace quorvel::dialogs {

namespace {

constexpr int kEditHeight = 20;
constexpr int kGeneralLabelWidth = 122;
constexpr int kGeneralEditWidth = 122;
constexpr int kCheckWidth = 52;
constexpr int kNetOptionX[5] = {20, 74, 128, 182, 236};
constexpr int kGeneralEndWithEnvironment = 620;
constexpr int kGeneralEndWithout = 524;

constexpr int kHeadsDy = 20;
constexpr int kFirstRowDy = 44;
constexpr int kFirstRowDySwitched = 56;
constexpr int kColumnWidth = 188;
constexpr int kColumnWidthSwitched = 310;
constexpr int kRowLabelDx = 18;
constexpr int kRowNameDx = 98;
constexpr int kRowOnDelayDx = 188;
constexpr int kRowResetDelayDx = 234;
constexpr int kRowPowerOnDx = 280;
constexpr int kLimitLabelDx = 36;
constexpr int kLimitLabelDxSwitched = 80;
constexpr int kLimitEditFurther = 90;
constexpr int kLockLabelDx = 18;
constexpr int kLockEditDx = 178;
constexpr int kLimitEditWidth = 60;

constexpr int kButtonWidth = 76;
constexpr int kButtonHeight = 24;
constexpr int kProgressX = 380;
constexpr int kProgressHeight = 18;
constexpr int kBandTopDevice = 140;  // the bottom controls' band, from the window's bottom
constexpr int kBandTop = 125;
constexpr int kFileRowAbove =
    30;                          // the file buttons' row, as far below OK's as OK's below Format's
constexpr int kViewportGap = 5;  // between a scrolling page and the progress bar
constexpr int kScrollBarAllowance = 18;  // a horizontal scroll bar's height, with room to spare

struct GroupSize {
    int width = 0;
    int height = 0;
};

int clampInt(int v, int lo, int hi) {
    return std::max(lo, std::min(v, hi));
}

ConfigRect rect(int x, int y, int w, int h = kEditHeight) {
    return ConfigRect{x, y, w, h};
}

}  // namespace

std::vector<int> CircuitReceptacleRows(const PduRecord& record, int circuit) {
    std::vector<int> rows;
    for (int row = 0; row < kMaxReceptacles; ++row) {
        if (ReceptacleRowUsed(record, row) && record.receptacleInput[row] == circuit) {
            rows.push_back(row);
        }
    }
    return rows;
}

ConfigLayout ComputeConfigLayout(const PduRecord& record, std::int32_t mode,
                                 const ConfigItemDescriptor* generalTable) {
    ConfigLayout out;
    const std::uint16_t feature = record.featureWord;
    const bool switched = (feature & kFeatureSwitched) != 0;
    const bool metered = (feature & kFeatureReceptacleMeters) != 0;
    const bool hasRows = switched || metered;
    const bool environment = (feature & kFeatureEnvironment) != 0;
    const bool voltages = (feature & kFeatureVoltageInputs) != 0;

    // The general column, one row per entry in catalogue order.
    int rowIndex = 0;
    for (int i = 0, n = ConfigTableEntries(generalTable); i < n; ++i) {
        const ConfigItemDescriptor& d = generalTable[i];
        if (d.code == kItemEnvironmentLimits && !environment) {
            continue;
        }
        const int y = kGroupsY + kRowStep * rowIndex++;
        if (d.code == kItemNetOptions) {
            for (std::size_t b = 0; b < out.netOptions.size(); ++b) {
                out.netOptions[b] = rect(kNetOptionX[b], y, kCheckWidth);
            }
            continue;
        }
        out.general.push_back({i, rect(kGeneralLabelX, y, kGeneralLabelWidth),
                               rect(kGeneralEditX, y, kGeneralEditWidth)});
    }
    out.generalEnd = environment ? kGeneralEndWithEnvironment : kGeneralEndWithout;

    // The visible circuits and their sizes.
    struct Placed {
        int circuit;
        int column;
        int row;
        std::vector<int> receptacles;
        std::vector<int> voltageInputs;
        int columns;
        int rowsPerColumn;
        GroupSize size;
    };
    std::vector<Placed> placed;
    int firstColumn = 0xFF;
    int firstRow = 0xFF;
    for (int c = 0; c < kMaxCircuits; ++c) {
        if (record.circuitVisible[c] == 0) {
            continue;
        }
        firstColumn = std::min<int>(firstColumn, record.circuitLayoutHigh[c] & 0x0F);
        firstRow = std::min<int>(firstRow, record.circuitLayoutLow[c] & 0x0F);
    }
    for (int c = 0; c < kMaxCircuits; ++c) {
        if (record.circuitVisible[c] == 0) {
            continue;
        }
        Placed p;
        p.circuit = c;
        p.column = clampInt((record.circuitLayoutHigh[c] & 0x0F) - firstColumn, 0, 5);
        p.row = clampInt((record.circuitLayoutLow[c] & 0x0F) - firstRow, 0, 5);
        p.receptacles = CircuitReceptacleRows(record, c);
        for (int v = 0; v < 2 && voltages; ++v) {
            if (VoltageInputCircuit(record, v) == c) {
                p.voltageInputs.push_back(v);
            }
        }
        // A receptacle columns value of 0 sizes the group as one column.
        p.columns = std::max<int>(record.receptacleColumns[c], 1);
        p.rowsPerColumn = hasRows ? record.receptacleMaxColumns[c] : 0;
        const int baseWidth = switched ? 328 : metered ? 206 : 236;
        p.size.width = baseWidth * p.columns;
        p.size.height = (switched  ? 114
                         : metered ? 78
                                   : 54) +
                        kRowStep * p.rowsPerColumn + 48 * static_cast<int>(p.voltageInputs.size());
        placed.push_back(std::move(p));
    }

    // The grid: each column as wide as its widest group, each row as tall as its tallest.
    std::array<int, 6> widest{};
    std::array<int, 6> tallest{};
    for (const Placed& p : placed) {
        widest[static_cast<std::size_t>(p.column)] =
            std::max(widest[static_cast<std::size_t>(p.column)], p.size.width);
        tallest[static_cast<std::size_t>(p.row)] =
            std::max(tallest[static_cast<std::size_t>(p.row)], p.size.height);
    }
    std::array<int, 6> columnX{};
    std::array<int, 6> rowY{};
    columnX[0] = kGroupsX;
    rowY[0] = kGroupsY;
    for (std::size_t k = 1; k < 6; ++k) {
        columnX[k] = columnX[k - 1] + widest[k - 1] + kGridGap;
        rowY[k] = rowY[k - 1] + tallest[k - 1] + kGridGap;
    }

    int rightmost = 0;
    int allBottom = 0;
    int columnZeroBottom = 0;
    for (const Placed& p : placed) {
        ConfigCircuitGroup g;
        g.circuit = p.circuit;
        g.gridColumn = p.column;
        g.gridRow = p.row;
        g.columns = p.columns;
        g.rowsPerColumn = p.rowsPerColumn;
        const int gx = columnX[static_cast<std::size_t>(p.column)];
        const int gy = rowY[static_cast<std::size_t>(p.row)];
        g.box = rect(gx, gy, p.size.width, p.size.height);
        const int columnWidth = switched ? kColumnWidthSwitched : kColumnWidth;
        const int firstRowY = gy + (switched ? kFirstRowDySwitched : kFirstRowDy);
        if (hasRows) {
            for (int k = 0; k < p.columns; ++k) {
                const int base = gx + k * columnWidth;
                ConfigColumnHeads h;
                h.name = rect(base + kRowNameDx, gy + kHeadsDy, 84);
                if (switched) {
                    h.onDelay = rect(base + kRowOnDelayDx, gy + kHeadsDy, 46);
                    h.resetDelay = rect(base + kRowResetDelayDx, gy + kHeadsDy, 46);
                    h.powerOn = rect(base + kRowPowerOnDx, gy + kHeadsDy, 44);
                }
                g.heads.push_back(h);
            }
            // Down each column first: receptacle j in column j / m, row j mod m.
            for (std::size_t j = 0; j < p.receptacles.size() && p.rowsPerColumn > 0; ++j) {
                const int k = static_cast<int>(j) / p.rowsPerColumn;
                const int r = static_cast<int>(j) % p.rowsPerColumn;
                const int base = gx + k * columnWidth;
                const int y = firstRowY + kRowStep * r;
                ConfigReceptacleRow row;
                row.row = p.receptacles[j];
                row.circuit = p.circuit;
                row.label = rect(base + kRowLabelDx, y, kRowNameDx - kRowLabelDx - 2);
                row.name =
                    rect(base + kRowNameDx, y, (switched ? kRowOnDelayDx : 184) - kRowNameDx - 4);
                if (switched) {
                    row.onDelay = rect(base + kRowOnDelayDx, y, 40);
                    row.resetDelay = rect(base + kRowResetDelayDx, y, 40);
                    row.powerOn = rect(base + kRowPowerOnDx, y, 20);
                }
                out.receptacles.push_back(row);
            }
        }
        // Limit rows below the receptacle rows.
        const int labelDx = switched ? kLimitLabelDxSwitched : kLimitLabelDx;
        const int currentY = hasRows ? firstRowY + kRowStep * p.rowsPerColumn : gy + kHeadsDy;
        // Limit labels end where their edits begin; a long text may reach left to the
        // receptacle labels' column.
        const int limitLabelWidth = labelDx + kLimitEditFurther - kLockLabelDx - 2;
        g.maxCurrentLabel = rect(gx + kLockLabelDx, currentY, limitLabelWidth);
        g.maxCurrentEdit = rect(gx + labelDx + kLimitEditFurther, currentY, kLimitEditWidth);
        int lastY = currentY;
        if (switched) {
            g.lockCurrent = true;
            lastY = currentY + kRowStep;
            g.lockLabel = rect(gx + kLockLabelDx, lastY, kLockEditDx - kLockLabelDx - 2);
            g.lockEdit = rect(gx + kLockEditDx, lastY, kLimitEditWidth);
        }
        for (int input : p.voltageInputs) {
            ConfigVoltageRows v;
            v.input = input;
            v.minLabel = rect(gx + kLockLabelDx, lastY + kRowStep, limitLabelWidth);
            v.minEdit = rect(gx + labelDx + kLimitEditFurther, lastY + kRowStep, kLimitEditWidth);
            v.maxLabel = rect(gx + kLockLabelDx, lastY + 2 * kRowStep, limitLabelWidth);
            v.maxEdit =
                rect(gx + labelDx + kLimitEditFurther, lastY + 2 * kRowStep, kLimitEditWidth);
            g.voltages.push_back(v);
            lastY += 2 * kRowStep;
        }
        rightmost = std::max(rightmost, g.box.right());
        allBottom = std::max(allBottom, g.box.bottom());
        if (p.column == 0) {
            columnZeroBottom = std::max(columnZeroBottom, g.box.bottom());
        }
        out.groups.push_back(std::move(g));
    }

    // The window: wide enough for the rightmost group, tall enough for the general column or
    // the first grid column with room for the bottom controls below.
    const int wantWidth = std::max(kMinWidth, rightmost + 30);
    int wantHeight =
        out.generalEnd + 30 > columnZeroBottom + 134 ? out.generalEnd + 30 : columnZeroBottom + 135;
    wantHeight = std::max({wantHeight, allBottom + 65, kMinHeight});
    out.width = clampInt(wantWidth, kMinWidth, kMaxWidth);
    out.height = clampInt(wantHeight, kMinHeight, kMaxHeight);
    out.scrolls = wantWidth > out.width || wantHeight > out.height;
    if (out.scrolls) {
        // The window grows (within its limits) until the page fits above the bottom controls,
        // with room for the bar of a page that scrolls sideways.
        const int band = (mode == 0 ? kBandTopDevice : kBandTop) + kViewportGap;
        out.pageWidth = std::max(wantWidth, out.width);
        out.pageHeight = std::max(out.generalEnd, allBottom) + kGridGap;
        const int bar = out.pageWidth > out.width ? kScrollBarAllowance : 0;
        out.height =
            clampInt(std::max(out.height, out.pageHeight + bar + band), kMinHeight, kMaxHeight);
        out.viewport = rect(0, 0, out.width, out.height - band);
    } else {
        out.viewport = rect(0, 0, out.width, out.height);
        out.pageWidth = out.width;
        out.pageHeight = out.height;
    }

    // The bottom controls, spread with the window's width.
    const int W = out.width;
    const int H = out.height;
    const int E = (W - 599) / 4 + 76;
    const int F = (W - 599) / 8 + 280;
    const int G = E + F;
    const int K = E + G;
    ConfigBottomControls& b = out.bottom;
    b.deviceButtons = mode == 0;
    const int progressY = b.deviceButtons ? H - 135 : H - 120;
    b.progress = rect(kProgressX, progressY, E + K + kButtonWidth - kProgressX, kProgressHeight);
    if (b.deviceButtons) {
        b.format = rect(F, H - 100, kButtonWidth, kButtonHeight);
        b.setDefaults = rect(G, H - 100, kButtonWidth, kButtonHeight);
        b.resetNet = rect(E + G, H - 100, kButtonWidth, kButtonHeight);
    }
    b.clear = rect(F, H - 65, kButtonWidth, kButtonHeight);
    b.load = rect(G, H - 65, kButtonWidth, kButtonHeight);
    b.save = rect(K, H - 65, kButtonWidth, kButtonHeight);
    b.ok = rect(E + K, H - 65, kButtonWidth, kButtonHeight);
    b.importFile = rect(G, H - kFileRowAbove, kButtonWidth, kButtonHeight);
    b.exportFile = rect(K, H - kFileRowAbove, kButtonWidth, kButtonHeight);
    return out;
}

}  // namespace quorvel::dialogs
