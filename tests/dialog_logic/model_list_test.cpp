// The model dialog's working list: loading the caller's leading valid entries, adding with the
// duplicate and full checks, deleting, and writing back into the caller's array.
#include <gtest/gtest.h>

#include <vector>

#include "dialogs/logic/model_list.h"

namespace quorvel::dialogs {
namespace {

ModelListEntry Entry(std::uint16_t f, std::uint32_t a = 0x1000, std::uint16_t e = 0) {
    return ModelListEntry{f, a, e, 1};
}

std::u16string Name(const ModelWords& w) {
    const std::string text = "M" + std::to_string(w.feature);
    return std::u16string(text.begin(), text.end());
}

TEST(WorkingModelList, LoadsLeadingValidEntriesUpToOneHundred) {
    std::vector<ModelListEntry> caller(500);
    caller[0] = Entry(1);
    caller[1] = Entry(2);
    caller[3] = Entry(4);  // after the first invalid entry: not part of the list
    WorkingModelList list;
    list.load(caller.data(), 500, Name);
    ASSERT_EQ(list.count(), 2);
    EXPECT_EQ(list.at(1).text, u"M2");
    EXPECT_EQ(list.at(1).words, (ModelWords{2, 0x1000, 0}));

    for (int i = 0; i < 500; ++i) {
        caller[static_cast<std::size_t>(i)] = Entry(static_cast<std::uint16_t>(i));
    }
    list.load(caller.data(), 500, Name);
    EXPECT_EQ(list.count(), kWorkingListCapacity);

    list.load(caller.data(), 3, Name);  // the caller's capacity bounds the read
    EXPECT_EQ(list.count(), 3);
    list.load(nullptr, 500, Name);
    EXPECT_EQ(list.count(), 0);
}

TEST(WorkingModelList, LongStringsAreCut) {
    std::vector<ModelListEntry> caller{Entry(1)};
    WorkingModelList list;
    list.load(caller.data(), 1, [](const ModelWords&) { return std::u16string(80, u'X'); });
    EXPECT_EQ(list.at(0).text.size(), kModelStringChars);
}

TEST(WorkingModelList, AddRefusesDuplicatesAndAFullList) {
    WorkingModelList list;
    int position = -1;
    EXPECT_EQ(list.add({7, 1, 0}, u"A", &position), AddOutcome::Added);
    EXPECT_EQ(position, 0);
    // Same words under another string is still the same model.
    EXPECT_EQ(list.add({7, 1, 0}, u"B"), AddOutcome::Duplicate);
    EXPECT_EQ(list.count(), 1);
    // The extension word is part of a model's identity.
    EXPECT_EQ(list.add({7, 1, 0x1000}, u"C", &position), AddOutcome::Added);
    EXPECT_EQ(position, 1);

    for (std::uint16_t f = 100; list.count() < kWorkingListCapacity; ++f) {
        ASSERT_EQ(list.add({f, 0, 0}, u"X"), AddOutcome::Added);
    }
    EXPECT_EQ(list.add({9999, 0, 0}, u"new"), AddOutcome::Full);
    // With the list full, a duplicate is still reported as such.
    EXPECT_EQ(list.add({7, 1, 0}, u"A"), AddOutcome::Duplicate);
    EXPECT_EQ(list.count(), kWorkingListCapacity);
    EXPECT_EQ(list.findText(u"new"), -1);
}

TEST(WorkingModelList, DeleteClosesTheGap) {
    WorkingModelList list;
    list.add({1, 0, 0}, u"one");
    list.add({2, 0, 0}, u"two");
    list.add({3, 0, 0}, u"three");
    EXPECT_FALSE(list.remove(3));
    EXPECT_FALSE(list.remove(-1));
    ASSERT_TRUE(list.remove(0));
    ASSERT_EQ(list.count(), 2);
    EXPECT_EQ(list.at(0).text, u"two");
    EXPECT_EQ(list.at(1).text, u"three");
    EXPECT_EQ(list.findText(u"three"), 1);
    EXPECT_EQ(list.findWords({3, 0, 0}), 1);
    EXPECT_EQ(list.findWords({1, 0, 0}), -1);
    // The place freed at the end takes the next model.
    int position = -1;
    list.add({4, 0, 0}, u"four", &position);
    EXPECT_EQ(position, 2);
}

TEST(WorkingModelList, WriteBackZeroesTheRestAndKeepsToTheCapacity) {
    WorkingModelList list;
    list.add({1, 0x11, 0x1000}, u"one");
    list.add({2, 0x22, 0}, u"two");
    std::vector<ModelListEntry> caller(5, Entry(0xEE, 0xEE, 0xEE));
    EXPECT_EQ(list.writeBack(caller.data(), 5), 2);
    EXPECT_EQ(caller[0].feature, 1);
    EXPECT_EQ(caller[0].attribute, 0x11u);
    EXPECT_EQ(caller[0].extension, 0x1000);
    EXPECT_EQ(caller[0].valid, 1);
    EXPECT_EQ(caller[1].feature, 2);
    for (std::size_t i = 2; i < 5; ++i) {
        EXPECT_EQ(caller[i].feature, 0) << i;
        EXPECT_EQ(caller[i].attribute, 0u) << i;
        EXPECT_EQ(caller[i].valid, 0) << i;
    }
    // A smaller caller's array receives only what fits, and nothing is written past it.
    std::vector<ModelListEntry> small(2, Entry(0xEE));
    EXPECT_EQ(list.writeBack(small.data(), 1), 1);
    EXPECT_EQ(small[1].feature, 0xEE);

    WorkingModelList empty;
    EXPECT_EQ(empty.writeBack(caller.data(), 5), 0);
    EXPECT_EQ(caller[0].valid, 0);
}

}  // namespace
}  // namespace quorvel::dialogs
