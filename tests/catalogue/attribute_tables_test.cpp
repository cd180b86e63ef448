// AttributeTables: where each table's values land, packed and direct maps, the records given for
// a model in raw and converted forms, texts and the packed-map counts.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "catalogue/attribute_tables.h"

namespace quorvel {
namespace {

constexpr SeriesIndex kQB = 27;
// A code of series QB (no features) and the same code as a device reports an extended series.
constexpr ModelCode kCodeQB{0x0080, 27u << 18, 0x0000};
constexpr ModelCode kCodeQBExt{0x0080, 27u << 18, 0x1300};

TEST(PackedMap, SixBitValuesMostSignificantBitFirst) {
    std::uint8_t bytes[6] = {};
    setPackedValue(bytes, 0, 0x3F);
    setPackedValue(bytes, 1, 0x01);
    setPackedValue(bytes, 3, 0x2A);
    EXPECT_EQ(bytes[0], 0xFC);  // value 0 at the top of byte 0
    EXPECT_EQ(bytes[1], 0x10);  // value 1: two bits in byte 0, four in byte 1
    EXPECT_EQ(bytes[2], 0x2A);  // value 3: the low six bits of byte 2
    EXPECT_EQ(packedValue(bytes, 1), 0x01);
    setPackedValue(bytes, 0, 0);
    EXPECT_EQ(bytes[0], 0x00);
    EXPECT_EQ(packedValue(bytes, 3), 0x2A);
}

TEST(PackedMap, GroupAndReceptacleCounts) {
    std::uint8_t map[36] = {};
    EXPECT_EQ(countUsedReceptacleGroups(map), 0u);
    EXPECT_EQ(countMappedReceptacles(map), 0u);
    setPackedValue(map + 0, 0, 0x3F);   // row 0, column 0: six receptacles
    setPackedValue(map + 6, 0, 0x01);   // row 1, column 0 again
    setPackedValue(map + 12, 2, 0x05);  // row 2, column 2
    setPackedValue(map + 30, 7, 0x03);  // row 5, column 7 (never written by the loader)
    EXPECT_EQ(countUsedReceptacleGroups(map), 3u);
    EXPECT_EQ(countMappedReceptacles(map), 6u + 1 + 2 + 2);
}

TEST(AttributeStore, FirstValueCreatesAllRecordsAndLimitsAreKept) {
    AttributeTables t;
    EXPECT_FALSE(t.seriesPresent(kQB));
    ASSERT_TRUE(t.storeValue(kQB, kTabCircVisible, 0, 0x03));
    EXPECT_TRUE(t.seriesPresent(kQB));
    EXPECT_EQ(t.seriesCount(), 1u);
    KvbMapRecord kvb;
    ExtRecord ext;
    EXPECT_TRUE(t.kvbMapRecord(kCodeQB, &kvb, true));
    EXPECT_TRUE(t.extRecord(kCodeQB, &ext));
    EXPECT_EQ(t.seriesText(kQB), u"");

    EXPECT_TRUE(t.storeValue(17575, kTabVSampleMap, 0, 1));
    EXPECT_FALSE(t.storeValue(17576, kTabVSampleMap, 0, 1));
    EXPECT_FALSE(t.storeValue(100, kTabCurrMap, 3, 1));  // PMCurrMap accepts columns 0..2
    EXPECT_FALSE(t.storeValue(100, 23, 0, 1));
    EXPECT_FALSE(t.seriesPresent(100));  // a refused value creates nothing
    EXPECT_EQ(t.seriesCount(), 2u);

    EXPECT_TRUE(t.storeValue(63, kTabInletText, 0, 0, "x"));
    EXPECT_FALSE(t.storeValue(64, kTabInletText, 0, 0, "x"));
    EXPECT_EQ(t.inletCount(), 1u);
    EXPECT_EQ(t.seriesCount(), 2u);  // inlets are not series
}

TEST(AttributeStore, EachTableLandsAtItsOffset) {
    AttributeTables t;
    struct Case {
        std::uint8_t table, column;
        std::uint16_t value;
        int record;  // 0 kvb, 1 layout, 2 ext
        std::size_t offset;
        std::uint8_t expect;
    } cases[] = {
        {kTabVSampleMap, 0, 0x11, 0, 0, 0x11},     {kTabISampleMap, 0, 0x12, 0, 1, 0x12},
        {kTabMeterAddMap, 5, 0x13, 0, 7, 0x13},    {kTabVAddMap, 1, 0x14, 0, 9, 0x14},
        {kTabIAddMap, 5, 0x15, 0, 15, 0x15},       {kTabISubMap, 5, 0x16, 0, 21, 0x16},
        {kTabVoltMap, 1, 0x03, 1, 37, 0x73},       {kTabCurrMap, 2, 0x45, 1, 40, 0x45},
        {kTabCircVisible, 0, 0x3F, 1, 41, 0x3F},   {kTabCircLayoutType, 0, 0x25, 1, 42, 0x25},
        {kTabCircLayout, 5, 0x66, 1, 48, 0x66},    {kTabRecepLayout, 0, 0x0D, 1, 49, 0x0D},
        {kTabRecepLabel, 0, 0x52, 1, 50, 0x52},    {kTabRecepColumns, 2, 0x21, 1, 53, 0x21},
        {kTabRecepMaxColumns, 5, 9, 1, 59, 9},     {kTabExtModel, 0, 0x0A0B, 1, 60, 0x0A},
        {kTabExtModel, 0, 0x0A0B, 1, 61, 0x0B},    {kTabExtIntend, 3, 0x77, 2, 3, 0x77},
        {kTabExtRecepType, 47, 0x91, 2, 51, 0x91}, {kTabVAddMap, 0, 0x1FF, 0, 8, 0xFF},
    };
    for (const auto& c : cases)
        ASSERT_TRUE(t.storeValue(kQB, c.table, c.column, c.value));
    KvbMapRecord kvb;
    LayoutRecord layout;
    ExtRecord ext;
    ASSERT_TRUE(t.storedRecords(kQB, &kvb, &layout, &ext));
    const std::uint8_t* bytes[] = {bytesOf(kvb), bytesOf(layout), bytesOf(ext)};
    for (const auto& c : cases) {
        EXPECT_EQ(bytes[c.record][c.offset], c.expect)
            << "table " << int(c.table) << " offset " << c.offset;
    }
    EXPECT_EQ(layout.reserved[0] | layout.reserved[1], 0);
}

TEST(AttributeStore, CircuitVoltageSelectBitsKeepTheLabelNibbles) {
    AttributeTables t;
    ASSERT_TRUE(t.storeValue(kQB, kTabCurrMap, 0, 0x01));
    ASSERT_TRUE(t.storeValue(kQB, kTabCurrMap, 1, 0x23));
    ASSERT_TRUE(t.storeValue(kQB, kTabCircSelVolt, 0, 1));  // circuit 0: byte 38, 0x80
    ASSERT_TRUE(t.storeValue(kQB, kTabCircSelVolt, 3, 7));  // circuit 3: byte 39, 0x08
    LayoutRecord l;
    ASSERT_TRUE(t.storedRecords(kQB, nullptr, &l, nullptr));
    EXPECT_EQ(l.currMap[0], 0x81);
    EXPECT_EQ(l.currMap[1], 0x2B);
    ASSERT_TRUE(t.storeValue(kQB, kTabCircSelVolt, 0, 0x100));  // low byte 0 clears
    ASSERT_TRUE(t.storedRecords(kQB, nullptr, &l, nullptr));
    EXPECT_EQ(l.currMap[0], 0x01);
}

TEST(AttributeStore, ExtendedSeriesKeepsDirectMapsFromTheNextValueOn) {
    AttributeTables t;
    // Stored before the series is extended: packed, and the voltage map gains 0x70.
    ASSERT_TRUE(t.storeValue(kQB, kTabRecepIMap, 7, 0x7F));  // row 1 value 1, low six bits
    ASSERT_TRUE(t.storeValue(kQB, kTabVoltMap, 0, 0x01));
    ASSERT_TRUE(t.storeValue(kQB, kTabExtModel, 0, 0x0F00));  // 0x0F is not extended yet
    ASSERT_TRUE(t.storeValue(kQB, kTabVoltMap, 1, 0x02));
    ASSERT_TRUE(t.storeValue(kQB, kTabExtModel, 0, 0x1000));
    ASSERT_TRUE(t.storeValue(kQB, kTabRecepIMap, 8, 0x7F));
    ASSERT_TRUE(t.storeValue(kQB, kTabRecepIMap, 35, 0x44));
    ASSERT_TRUE(t.storeValue(kQB, kTabVoltMap, 0, 0x05));
    KvbMapRecord kvb;
    LayoutRecord l;
    ASSERT_TRUE(t.storedRecords(kQB, &kvb, &l, nullptr));
    EXPECT_EQ(packedValue(kvb.recepIMap + 6, 1), 0x3F);
    EXPECT_EQ(kvb.recepIMap[8], 0x7F);  // direct: the whole byte
    EXPECT_EQ(kvb.recepIMap[35], 0x44);
    EXPECT_EQ(l.voltMap[0], 0x05);
    EXPECT_EQ(l.voltMap[1], 0x72);
}

TEST(AttributeRecords, KvbMapConvertedUnpacksTheCurrentInputMap) {
    AttributeTables t;
    ASSERT_TRUE(t.storeValue(kQB, kTabRecepIMap, 0, 0x3F));
    ASSERT_TRUE(t.storeValue(kQB, kTabRecepIMap, 1, 0x03));
    ASSERT_TRUE(t.storeValue(kQB, kTabRecepIMap, 35, 0x21));
    KvbMapRecord raw, conv, ext;
    ASSERT_TRUE(t.kvbMapRecord(kCodeQB, &raw, true));
    ASSERT_TRUE(t.kvbMapRecord(kCodeQB, &conv, false));
    ASSERT_TRUE(t.kvbMapRecord(kCodeQBExt, &ext, false));
    EXPECT_EQ(raw.recepIMap[0], 0xFC);
    EXPECT_EQ(raw.recepIMap[1], 0x30);
    EXPECT_EQ(conv.recepIMap[0], 0x3F);
    EXPECT_EQ(conv.recepIMap[1], 0x03);
    EXPECT_EQ(conv.recepIMap[35], 0x21);
    EXPECT_EQ(std::memcmp(&raw, &ext, sizeof raw), 0);  // extended codes get the stored bytes

    const std::string text = t.kvbMapText(kCodeQB, false);
    ASSERT_EQ(text.size(), 116u);
    EXPECT_EQ(text.substr(44, 4), "3F03");
    EXPECT_EQ(t.kvbMapText(kCodeQB, true).substr(44, 4), "FC30");
}

TEST(AttributeRecords, LayoutConvertedAndRaw) {
    AttributeTables t;
    for (unsigned k = 0; k < 48; ++k)
        ASSERT_TRUE(t.storeValue(kQB, kTabRecepMap, k, k + 1));
    ASSERT_TRUE(t.storeValue(kQB, kTabVoltMap, 0, 0x01));
    ASSERT_TRUE(t.storeValue(kQB, kTabExtModel, 0, 0x0A5C));
    LayoutRecord conv, raw, ext;
    ASSERT_TRUE(t.layoutRecord(kCodeQB, &conv, false));
    for (unsigned k = 0; k < 36; ++k)
        EXPECT_EQ(conv.recepMap[k], k + 1);
    EXPECT_EQ(conv.voltMap[0], 0x01);   // 0x71 keeps its low nibble
    EXPECT_EQ(conv.extModel[0], 0x00);  // 0x0A keeps its high nibble
    EXPECT_EQ(conv.extModel[1], 0x5C);

    ASSERT_TRUE(t.layoutRecord(kCodeQB, &raw, true));
    EXPECT_EQ(packedValue(raw.recepMap, 47), 48);
    EXPECT_EQ(raw.voltMap[0], 0x71);
    EXPECT_EQ(raw.extModel[0], 0x00);  // (0x0A | 0x00) & 0xF0

    // ExtensionWord 0x1300: byte 60 = (0x0A | 0x13) & 0xF0, then its low nibble from bits 8..11.
    ASSERT_TRUE(t.layoutRecord(kCodeQBExt, &ext, false));
    EXPECT_EQ(ext.extModel[0], 0x13);
    EXPECT_EQ(ext.voltMap[0], 0x71);
    EXPECT_EQ(std::memcmp(ext.recepMap, raw.recepMap, 36), 0);

    const std::string text = t.layoutText(kCodeQB, false);
    ASSERT_EQ(text.size(), 128u);
    EXPECT_EQ(text.substr(0, 6), "010203");
    EXPECT_EQ(text.find_first_not_of("0123456789ABCDEF"), std::string::npos);
}

TEST(AttributeRecords, MissingSeriesAndNoModelGiveZeroedOutputs) {
    AttributeTables t;
    ASSERT_TRUE(t.storeValue(kQB, kTabVSampleMap, 0, 0xFF));
    KvbMapRecord kvb;
    std::memset(&kvb, 0xEE, sizeof kvb);
    EXPECT_FALSE(t.kvbMapRecord(kNoModel, &kvb, false));
    EXPECT_EQ(kvb.vSampleMap, 0);
    LayoutRecord l;
    std::memset(&l, 0xEE, sizeof l);
    EXPECT_FALSE(t.layoutRecord(ModelCode{0x80, 28u << 18, 0}, &l, true));  // series QC
    EXPECT_EQ(l.recepMap[0], 0);
    ExtRecord e;
    EXPECT_FALSE(t.extRecord(ModelCode{0x80, 27u << 18, 0x00FF}, &e));  // index beyond 17575
    EXPECT_FALSE(t.kvbMapRecord(kCodeQB, nullptr, false));
    EXPECT_EQ(t.layoutText(kNoModel, false), "");
}

TEST(AttributeTexts, WidenedCutAndLookedUpByLetters) {
    AttributeTables t;
    const std::string long70(70, 'x');
    ASSERT_TRUE(t.storeValue(kQB, kTabSeriesText, 0, 0, long70));
    EXPECT_EQ(t.seriesText(kQB), std::u16string(63, u'x'));
    ASSERT_TRUE(t.storeValue(kQB, kTabSeriesText, 0, 0, "Caf\xE9"));
    EXPECT_EQ(t.seriesText(kQB), u"Caf\u00E9");  // each byte widened, shorter text overwrites

    EXPECT_EQ(t.seriesTextByLetters('B', 'Q', 'A'), u"Caf\u00E9");
    EXPECT_EQ(t.seriesTextByLetters('B', 'Q', '-'), u"Caf\u00E9");  // not a letter: no third
    EXPECT_EQ(t.seriesTextByLetters('?', 'Q', 'A'), u"");
    EXPECT_EQ(t.seriesTextByLetters('B', 'Q', 'C'), u"");
    EXPECT_EQ(t.seriesText(17576), u"");

    ASSERT_TRUE(t.storeValue(63, kTabInletText, 0, 0, "Cord end"));
    ASSERT_TRUE(t.storeValue(26, kTabInletText, 0, 0, "CS8365C"));
    EXPECT_EQ(t.inletTextByChars('6', 'B'), u"Cord end");
    EXPECT_EQ(t.inletTextByChars('1', ' '), u"CS8365C");
    EXPECT_EQ(t.inletTextByChars('?', ' '), u"");
    EXPECT_EQ(t.inletText(64), u"");
    EXPECT_TRUE(t.inletPresent(63));
    EXPECT_FALSE(t.inletPresent(62));
}

}  // namespace
}  // namespace quorvel
