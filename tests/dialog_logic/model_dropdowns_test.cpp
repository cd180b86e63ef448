// The model dialog's series and inlet entries: their letters, the texts left out, and the
// lookups that are missing.
#include <gtest/gtest.h>

#include "dialogs/logic/model_dropdowns.h"
#include "model_test_ops.h"

namespace quorvel::dialogs {
namespace {

using testing::FakeCatalogue;
using testing::FakeModelOps;

TEST(ModelDropDowns, SeriesEntries) {
    FakeCatalogue() = {};
    FakeCatalogue().series[27].text = u"Vertical 16 outlets";
    FakeCatalogue().series[2 * 676 + 82].text = u"Extended";  // third letter C
    FakeCatalogue().series[30].text = u"?unused";
    FakeCatalogue().series[31].text = u"";
    const ModelOps ops = FakeModelOps();
    const std::vector<IndexedItem> items = SeriesItems(ops);
    ASSERT_EQ(items.size(), 2u);
    EXPECT_EQ(items[0].text, u"QB:Vertical 16 outlets");
    EXPECT_EQ(items[0].index, 27);
    EXPECT_EQ(items[1].text, u"CSE:Extended");  // third, first, second
    EXPECT_EQ(items[1].index, 2 * 676 + 82);

    ModelOps noLetters = ops;
    noLetters.GetSeriesLetters = nullptr;
    EXPECT_EQ(SeriesItems(noLetters)[0].text, u"??:Vertical 16 outlets");
    EXPECT_TRUE(SeriesItems(ModelOps{}).empty());
}

TEST(ModelDropDowns, InletEntries) {
    FakeCatalogue() = {};
    FakeCatalogue().inlets[0] = u"NEMA 5-15P";
    FakeCatalogue().inlets[26] = u"CS8365C";
    FakeCatalogue().inlets[63] = u"Customer specified cord end";
    FakeCatalogue().inlets[5] = u"?";
    const ModelOps ops = FakeModelOps();
    const std::vector<IndexedItem> items = InletItems(ops);
    ASSERT_EQ(items.size(), 3u);
    EXPECT_EQ(items[0].text, u"A:NEMA 5-15P");
    EXPECT_EQ(items[1].text, u"1:CS8365C");
    EXPECT_EQ(items[2].text, u"B6:Customer specified cord end");
    EXPECT_EQ(items[2].index, 63);

    ModelOps noChars = ops;
    noChars.GetInletChars = nullptr;
    EXPECT_EQ(InletItems(noChars)[2].text, u"?:Customer specified cord end");
}

}  // namespace
}  // namespace quorvel::dialogs
