// The recent-models list in the registry store: the stored text of an entry and its reading
// back, missing values, saving over a longer list, and saving an emptied list.
#include <vector>

#include "model_dialog_support.h"

namespace quorvel::dialogs::testing {
namespace {

using app::LoadModelList;
using app::ModelFromStoredText;
using app::MruKind;
using app::MruRead;
using app::MruWrite;
using app::SaveModelList;
using app::StoredModelText;

constexpr int kKind = static_cast<int>(MruKind::ModelCombo);

class ModelListStore : public ::testing::Test {
  protected:
    void SetUp() override {
        IsolateSettings();
        ClearStoredModels();
    }
};

TEST_F(ModelListStore, StoredTextAndItsReading) {
    EXPECT_EQ(StoredModelText(ModelListEntry{0x47C0, 0xDB98B4B2, 0x100A, 1}), "47C0DB98B4B2100A");
    EXPECT_EQ(StoredModelText(ModelListEntry{0x80, 0x2, 0x0, 1}),
              "008000000002"
              "0000");

    ModelListEntry e = ModelFromStoredText("47c0db98b4b2100a");
    EXPECT_EQ(e.feature, 0x47C0);
    EXPECT_EQ(e.attribute, 0xDB98B4B2u);
    EXPECT_EQ(e.extension, 0x100A);
    EXPECT_EQ(e.valid, 1);
    // Twelve characters: no extension word.
    e = ModelFromStoredText("07C0D26C1202");
    EXPECT_EQ(e.attribute, 0xD26C1202u);
    EXPECT_EQ(e.extension, 0);
    // Each word reads up to its first non-hexadecimal character.
    e = ModelFromStoredText("07XYD26C12Z2001F");
    EXPECT_EQ(e.feature, 0x07);
    EXPECT_EQ(e.attribute, 0xD26C12u);
    EXPECT_EQ(e.extension, 0x001F);
    // Only the first 29 characters were ever read.
    e = ModelFromStoredText("07C0D26C1202" + QString(17, u'0') + "FFFF");
    EXPECT_EQ(e.extension, 0);
}

TEST_F(ModelListStore, LoadMarksMissingValuesInvalid) {
    ASSERT_TRUE(MruWrite(kKind, 0, "07C0D26C12020000"));
    ASSERT_TRUE(MruWrite(kKind, 2, "47E01BACB3BA1000"));
    std::vector<ModelListEntry> list(4, ModelListEntry{1, 1, 1, 1});
    EXPECT_TRUE(LoadModelList(list.data(), 4));
    EXPECT_EQ(list[0].valid, 1);
    EXPECT_EQ(list[0].feature, 0x07C0);
    EXPECT_EQ(list[1].valid, 0);
    EXPECT_EQ(list[1].feature, 0);
    EXPECT_EQ(list[2].valid, 1);
    EXPECT_EQ(list[2].extension, 0x1000);
    EXPECT_EQ(list[3].valid, 0);
}

TEST_F(ModelListStore, SaveReplacesTheWholeList) {
    std::vector<ModelListEntry> list{kModelQB, kModelTD, kModelSerialOnly};
    ASSERT_TRUE(SaveModelList(list.data(), 3));
    EXPECT_EQ(MruRead(kKind, 2), "0080006C02020000");

    // A shorter list leaves nothing of the longer one; writing stops at the first invalid entry
    // and at the count.
    list = {kModelTD, ModelListEntry{}, kModelQB};
    ASSERT_TRUE(SaveModelList(list.data(), 3));
    EXPECT_EQ(MruRead(kKind, 0), "47E01BACB3BA0000");
    EXPECT_TRUE(MruRead(kKind, 1).isEmpty());
    EXPECT_TRUE(MruRead(kKind, 2).isEmpty());
    list = {kModelQB, kModelTD};
    ASSERT_TRUE(SaveModelList(list.data(), 1));
    EXPECT_TRUE(MruRead(kKind, 1).isEmpty());

    // An emptied list deletes every stored value and writes none.
    list = {kModelQB, kModelTD, kModelSerialOnly};
    ASSERT_TRUE(SaveModelList(list.data(), 3));
    std::vector<ModelListEntry> empty(kRecentModelCapacity);
    ASSERT_TRUE(SaveModelList(empty.data(), 0));
    for (int i = 0; i < 4; ++i) {
        EXPECT_TRUE(MruRead(kKind, i).isEmpty()) << i;
    }
    std::vector<ModelListEntry> loaded(kRecentModelCapacity, ModelListEntry{1, 1, 1, 1});
    ASSERT_TRUE(LoadModelList(loaded.data(), kRecentModelCapacity));
    for (const ModelListEntry& e : loaded) {
        ASSERT_EQ(e.valid, 0);
    }
}

}  // namespace
}  // namespace quorvel::dialogs::testing
