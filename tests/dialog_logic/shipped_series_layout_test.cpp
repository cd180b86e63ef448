// The state and configuration dialogs laid out for every series of the shipped catalogue, with
// every combination of socket control, socket meter, voltage meter and environment sensor: each
// group fits the dialog's size limits, no two groups overlap, and every receptacle on a circuit's
// current input is shown once, inside its circuit's group, clear of every other row.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "catalogue/model_profile_builder.h"
#include "common/config_catalogue.h"
#include "dialogs/logic/config_layout.h"
#include "dialogs/logic/state_layout.h"
#include "generators/generator_test_support.h"

namespace quorvel::dialogs {
namespace {

using quorvel::testing::featureCombinations;
using quorvel::testing::seriesCode;
using quorvel::testing::shippedCatalogue;

template <typename Rect>
bool Overlap(const Rect& a, const Rect& b) {
    return a.x < b.right() && b.x < a.right() && a.y < b.bottom() && b.y < a.bottom();
}

template <typename Rect>
bool Inside(const Rect& inner, const Rect& outer) {
    return inner.x >= outer.x && inner.y >= outer.y && inner.right() <= outer.right() &&
           inner.bottom() <= outer.bottom();
}

template <typename Rect>
std::string Text(const Rect& r) {
    return "(" + std::to_string(r.x) + "," + std::to_string(r.y) + " " + std::to_string(r.w) + "x" +
           std::to_string(r.h) + ")";
}

// No two of the rects overlapping, and each inside `box` when there is one.
template <typename Rect>
void ExpectApart(const std::vector<Rect>& rects, const std::string& what,
                 const Rect* box = nullptr) {
    for (std::size_t i = 0; i < rects.size(); ++i) {
        EXPECT_TRUE(box == nullptr || Inside(rects[i], *box))
            << what << " " << i << " " << Text(rects[i]) << " outside " << Text(*box);
        for (std::size_t j = i + 1; j < rects.size(); ++j) {
            EXPECT_FALSE(Overlap(rects[i], rects[j])) << what << " " << i << " " << Text(rects[i])
                                                      << " and " << j << " " << Text(rects[j]);
        }
    }
}

// The receptacles the dialogs show for a circuit: those on its current input.
std::vector<int> OnCircuit(const PduRecord& r, int circuit) {
    std::vector<int> rows;
    for (int k = 0; k < kMaxReceptacles; ++k) {
        if (r.receptaclePresent[k] != kAbsent && r.receptacleInput[k] == circuit)
            rows.push_back(k);
    }
    return rows;
}

void CheckState(const PduRecord& r, bool developer) {
    const StateLayout l = ComputeStateLayout(r, 0, developer);
    const bool rows = (r.featureWord & (kFeatureSwitched | kFeatureReceptacleMeters)) != 0;
    std::vector<LayoutRect> groups;
    for (int c = 0; c < r.circuitCount; ++c) {
        const CircuitLayout& g = l.circuits[c];
        ASSERT_TRUE(g.shown) << "circuit " << c;
        groups.push_back(g.group);
        EXPECT_LE(g.group.right() + 30, kStateMaxWidth) << "circuit " << c;
        EXPECT_LE(g.group.bottom() + 102, kStateMaxHeight) << "circuit " << c;
        std::vector<LayoutRect> inside = g.currentHeaders;
        inside.insert(inside.end(), g.powerHeaders.begin(), g.powerHeaders.end());
        for (const PlacedControl* p : {&g.voltage, &g.totalLabel, &g.setAll, &g.clearAll}) {
            if (p->shown)
                inside.push_back(p->rect);
        }
        for (int k : OnCircuit(r, c)) {
            const ReceptacleRowLayout& row = l.rows[k];
            EXPECT_EQ(row.shown, rows) << "receptacle " << k;
            if (!row.shown)
                continue;
            EXPECT_EQ(row.circuit, c);
            inside.push_back(row.nameRect);
            for (const PlacedControl* p : {&row.current, &row.check, &row.reset}) {
                if (p->shown)
                    inside.push_back(p->rect);
            }
        }
        ExpectApart(inside, "circuit " + std::to_string(c) + " control", &g.group);
    }
    ExpectApart(groups, "group");
}

void CheckConfig(const PduRecord& r) {
    static const ConfigCatalogue catalogue;
    const ConfigLayout l = ComputeConfigLayout(r, 0, catalogue.table(kGeneralItems));
    const bool rows = (r.featureWord & (kFeatureSwitched | kFeatureReceptacleMeters)) != 0;
    EXPECT_FALSE(l.scrolls) << "the fields do not fit the largest window";
    EXPECT_LE(l.width, kMaxWidth);
    EXPECT_LE(l.height, kMaxHeight);
    const ConfigBottomControls& b = l.bottom;
    std::vector<ConfigRect> boxes;
    std::size_t shownRows = 0;
    ASSERT_EQ(l.groups.size(), static_cast<std::size_t>(r.circuitCount));
    for (const ConfigCircuitGroup& g : l.groups) {
        const std::string what = "circuit " + std::to_string(g.circuit);
        boxes.push_back(g.box);
        EXPECT_LE(g.box.right() + 30, l.width) << what;
        for (const ConfigRect& control : {b.progress, b.format, b.setDefaults, b.resetNet, b.clear,
                                          b.load, b.save, b.ok, b.importFile, b.exportFile}) {
            EXPECT_FALSE(Overlap(g.box, control))
                << what << " " << Text(g.box) << " reaches a bottom control " << Text(control);
        }
        std::vector<ConfigRect> inside{g.maxCurrentLabel, g.maxCurrentEdit};
        if (g.lockCurrent) {
            inside.push_back(g.lockLabel);
            inside.push_back(g.lockEdit);
        }
        for (const ConfigVoltageRows& v : g.voltages) {
            inside.insert(inside.end(), {v.minLabel, v.minEdit, v.maxLabel, v.maxEdit});
        }
        for (const ConfigColumnHeads& h : g.heads) {
            inside.push_back(h.name);
            if (g.lockCurrent)
                inside.insert(inside.end(), {h.onDelay, h.resetDelay, h.powerOn});
        }
        std::vector<int> expected = rows ? OnCircuit(r, g.circuit) : std::vector<int>{};
        std::vector<int> placed;
        for (const ConfigReceptacleRow& row : l.receptacles) {
            if (row.circuit != g.circuit)
                continue;
            placed.push_back(row.row);
            inside.insert(inside.end(), {row.label, row.name});
            if (g.lockCurrent)
                inside.insert(inside.end(), {row.onDelay, row.resetDelay, row.powerOn});
        }
        EXPECT_EQ(placed, expected) << what;
        shownRows += placed.size();
        ExpectApart(inside, what + " control", &g.box);
    }
    EXPECT_EQ(shownRows, l.receptacles.size());
    ExpectApart(boxes, "group");
}

TEST(ShippedSeriesLayout, EverySeriesFitsBothDialogs) {
    const auto series = shippedCatalogue().presentSeries();
    ASSERT_EQ(series.size(), 11u);
    for (SeriesIndex idx : series) {
        for (std::uint16_t features : featureCombinations()) {
            const ModelCode code = seriesCode(idx, features);
            SCOPED_TRACE(encodeModelCode(code));
            PduRecord r;
            ASSERT_TRUE(BuildModelProfile(code, r, shippedCatalogue()));
            for (bool developer : {false, true})
                CheckState(r, developer);
            CheckConfig(r);
        }
    }
}

}  // namespace
}  // namespace quorvel::dialogs
