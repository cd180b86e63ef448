// The web variable table and the web database dialog's rules: the table's shape and defaults,
// binding by generation, what Load reads, the Save rule and its network flag, the option boxes,
// Initialize's defaults (the 20/20/30 A rating among them) and the text conversions.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "link/web_database.h"

namespace quorvel {
namespace {

using ::testing::ElementsAreArray;

PduRecord Record(int generation, std::uint16_t extension, int circuits, int rating) {
    PduRecord r;
    r.generationNumber = static_cast<std::uint8_t>(generation);
    r.extensionWord = extension;
    r.circuitCount = static_cast<std::uint8_t>(circuits);
    r.currentRating = static_cast<std::uint8_t>(rating);
    std::memset(r.receptaclePresent, kAbsent, sizeof r.receptaclePresent);
    for (int k = 0; k < 16; ++k) {
        r.receptaclePresent[k] = static_cast<std::uint8_t>(k);
        r.receptacleMap[k] = static_cast<std::uint8_t>(k + 1);
    }
    return r;
}

std::u16string TextOf(const WebDatabase& db, std::uint8_t code, std::uint8_t element = 0) {
    return db.text(db.find(code, element));
}

// "item.element/count kind size control 'default'" for every entry of the web variable table,
// in its order; the circuit currents' defaults come from the rating at Initialize.
TEST(WebDatabaseTable, EveryEntryWithItsDefault) {
    std::vector<std::string> expected;
    const auto item = [&expected](int code, int kind, int elements, int size,
                                  const std::function<std::string(int)>& text, int control = 1) {
        for (int e = 0; e < elements; ++e) {
            expected.push_back(std::to_string(code) + "." + std::to_string(e) + "/" +
                               std::to_string(elements) + " " + std::to_string(kind) + " " +
                               std::to_string(size) + " " + std::to_string(control) + " '" +
                               text(e) + "'");
        }
    };
    const auto is = [](std::string t) { return [t](int) { return t; }; };
    item(1, 1, 2, 2, is("0"));
    item(2, 5, 1, 2, is("0"));
    item(3, 1, 4, 2, [](int e) { return std::to_string(2001 + e); });
    item(4, 2, 1, 4, is("0.0.0.0"));
    item(5, 2, 1, 4, is("192.168.123.123"), kIpAddressControl);
    item(6, 3, 1, 6, is("0:0:0:0:0:0"));
    item(10, 2, 1, 4, is("255.255.255.0"), kSubnetControl);
    item(11, 2, 1, 4, is("192.168.123.1"), kGatewayControl);
    item(12, 1, 1, 2, is("16"), kOptionsControl);
    item(13, 2, 3, 4, is("0.0.0.0"));
    item(17, 4, 1, 64, is("PDUName"), kPduNameControl);
    for (const int code : {43, 42, 44}) {
        item(code, 4, 1, 64, is(""));
    }
    item(16, 5, 4, 2, is("0"));
    item(8, 6, 48, 1, [](int e) { return std::to_string(e + 3); });
    item(9, 6, 48, 1, is("5"));
    item(7, 7, 1, 1, is("4557430888798830399"));
    expected.back() = "7.0/8 7 1 1 '4557430888798830399'";  // one string of 8 groups
    item(14, 5, 6, 2, is("rating"));
    item(15, 5, 6, 2, is("rating"));
    item(45, 1, 2, 2, is("0"));
    item(46, 1, 2, 2, is("0"));
    for (int r = 1; r <= 48; ++r) {
        item(r <= 24   ? 17 + r
             : r <= 36 ? 22 + r
                       : 62 + r,
             4, 1, 64, is("RecepName" + std::to_string(r)));
    }
    for (int g = 1; g <= 16; ++g) {
        item(58 + g, 4, 1, 64, is("RecepGroup" + std::to_string(g)));
    }
    for (int n = 75; n <= 90; ++n) {
        item(n, 0, 1, 2, is("0"));
    }
    for (int u = 0; u < 4; ++u) {
        item(91 + u, 4, 1, 64, is(u == 0 ? "kavro" : ""), kUserNameControl + u);
    }
    for (int u = 0; u < 4; ++u) {
        item(95 + u, 4, 1, 64, is(u == 0 ? "kavro" : ""), kPasswordControl + u);
    }
    ASSERT_EQ(expected.size(), 225u);

    WebDatabase db;
    std::vector<std::string> rows;
    for (int i = 0; i < WebDatabase::size(); ++i) {
        const WebEntry& e = db.entry(i);
        EXPECT_EQ(e.mark, 0);
        EXPECT_EQ(e.offset, 0);
        const std::u16string text = e.code == 14 || e.code == 15 ? u"rating" : db.text(i);
        rows.push_back(std::to_string(e.code) + "." + std::to_string(e.elementIndex) + "/" +
                       std::to_string(e.count) + " " + std::to_string(e.kind) + " " +
                       std::to_string(e.size) + " " + std::to_string(e.control) + " '" +
                       std::string(text.begin(), text.end()) + "'");
    }
    EXPECT_EQ(db.entry(WebDatabase::size()).mark, kWebTableEnd);
    EXPECT_THAT(rows, ElementsAreArray(expected));
}

TEST(WebDatabaseTable, BindingFollowsGenerationAndReceptacleSets) {
    WebDatabase db;
    db.bind(Record(2, 0, 2, 20));
    EXPECT_EQ(db.entry(db.find(7)).count, 6);
    EXPECT_EQ(db.entry(db.find(8, 0)).count, 36);
    EXPECT_TRUE(db.hasSlot(db.find(8, 35)));
    EXPECT_EQ(db.entry(db.find(8, 36)).text, nullptr);
    EXPECT_EQ(db.entry(db.find(9, 47)).text, nullptr);
    EXPECT_EQ(db.entry(db.find(99)).text, nullptr);
    EXPECT_TRUE(db.hasSlot(db.find(58)));
    EXPECT_TRUE(db.hasSlot(db.find(14, 5)));
    EXPECT_TRUE(db.hasSlot(db.find(91)));
    EXPECT_FALSE(db.hasSlot(db.find(1)));
    EXPECT_FALSE(db.setText(db.find(1), u"7"));
    EXPECT_EQ(TextOf(db, 1), u"0");
    // Every entry with a text but the MAC address, which Initialize leaves as the PDU holds it.
    EXPECT_EQ(MarkAllWithText(db), 225 - 12 - 2 * 12 - 1);
    EXPECT_EQ(db.entry(db.find(kItemMac)).mark, 0);

    db.bind(Record(4, 0x100A, 3, 40));
    EXPECT_EQ(db.entry(db.find(7)).count, 8);
    EXPECT_EQ(db.entry(db.find(9, 0)).count, 48);
    EXPECT_TRUE(db.hasSlot(db.find(9, 47)));
    EXPECT_TRUE(db.hasSlot(db.find(110)));
    EXPECT_EQ(db.marked(), 0);  // binding unmarks
    EXPECT_EQ(MarkAllWithText(db), 225 - 1);

    db.bind(Record(1, 0, 2, 30));
    EXPECT_EQ(db.entry(db.find(7)).count, 4);
    db.bind(Record(2, 0x1000, 2, 30));  // the large sets need generation 3
    EXPECT_EQ(db.entry(db.find(7)).count, 6);
    EXPECT_EQ(db.entry(db.find(100)).text, nullptr);

    // Slots hold at most 79 characters.
    const int name = db.find(17);
    EXPECT_TRUE(db.setText(name, std::u16string(100, u'x')));
    EXPECT_EQ(db.text(name).size(), 79u);
}

TEST(WebDatabaseRules, LoadMarksTheThirteenEditedEntries) {
    WebDatabase db;
    db.bind(Record(3, 0, 3, 30));
    EXPECT_EQ(MarkLoad(db), 13);
    std::vector<int> codes;
    for (int i = 0; i < WebDatabase::size(); ++i) {
        if (db.entry(i).mark == 1) {
            codes.push_back(db.entry(i).code);
        }
    }
    EXPECT_EQ(codes, (std::vector<int>{5, 10, 11, 12, 17, 91, 92, 93, 94, 95, 96, 97, 98}));
}

TEST(WebDatabaseRules, SaveTakesOnlyChangesAndFlagsNetworkChanges) {
    WebDatabase db;
    db.bind(Record(2, 0, 2, 20));
    db.setText(db.find(12), u"48");  // web server on, no software update
    WebEdits edits = StoredEdits(db);
    EXPECT_TRUE(edits.options.web);
    EXPECT_FALSE(edits.options.swUpdate);
    db.entry(0).mark = 1;

    SaveMarks m = MarkEdits(db, edits);
    EXPECT_EQ(m.marked, 0);
    EXPECT_FALSE(m.networkChanged);
    EXPECT_EQ(db.marked(), 0);  // every mark is cleared first

    // The new text waits for the PDU's acknowledgement; until then the slot keeps the old one.
    edits.passwords[2] = u"secret";
    const int password = db.find(97);
    m = MarkEdits(db, edits);
    EXPECT_EQ(m.marked, 1);
    EXPECT_FALSE(m.networkChanged);
    EXPECT_EQ(db.entry(password).mark, 1);
    EXPECT_EQ(db.textToWrite(password), u"secret");
    EXPECT_EQ(TextOf(db, 97), u"");
    // Not acknowledged: the next Save takes it again.
    EXPECT_EQ(MarkEdits(db, edits).marked, 1);
    db.acknowledge(password);
    EXPECT_EQ(TextOf(db, 97), u"secret");

    edits.gateway = u"10.1.1.1";
    edits.name = u"Rack 7" + std::u16string(100, u'x');
    m = MarkEdits(db, edits);
    EXPECT_EQ(m.marked, 2);  // the password is stored now
    EXPECT_TRUE(m.networkChanged);
    EXPECT_EQ(db.textToWrite(db.find(17)).size(), 79u);  // cut to the slot
    db.acknowledge(db.find(11));
    db.acknowledge(db.find(17));

    // "SW Update" checked clears bit 0x20; the other bits stay.
    edits = StoredEdits(db);
    edits.options.swUpdate = true;
    m = MarkEdits(db, edits);
    EXPECT_EQ(m.marked, 1);
    EXPECT_TRUE(m.networkChanged);
    EXPECT_EQ(db.textToWrite(db.find(12)), u"16");
}

TEST(WebDatabaseRules, OptionBoxes) {
    const OptionBoxes b = OptionBoxesFromValue(0x86);
    EXPECT_FALSE(b.dhcp);
    EXPECT_FALSE(b.web);
    EXPECT_TRUE(b.swUpdate);
    EXPECT_FALSE(b.celsius);
    EXPECT_EQ(ApplyOptionBoxes(0x86, b), 0x86);
    EXPECT_EQ(ApplyOptionBoxes(0x86, {true, true, false, true}), 0x86 | 0x01 | 0x10 | 0x20 | 0x40);
    EXPECT_EQ(ApplyOptionBoxes(0xFF, {false, false, true, false}), 0x8E);
}

TEST(WebDatabaseRules, InitializeDefaultsByReceptacleAndRating) {
    WebDatabase db;
    PduRecord r = Record(3, 0, 3, 223);
    r.receptaclePresent[3] = kAbsent;
    db.bind(r);
    db.setText(db.find(17), u"Old");
    db.setText(db.find(11), u"10.0.0.1");
    FillInitialDefaults(db, r);
    EXPECT_EQ(TextOf(db, 14, 0), u"2000");
    EXPECT_EQ(TextOf(db, 14, 1), u"2000");
    EXPECT_EQ(TextOf(db, 14, 2), u"3000");
    EXPECT_EQ(TextOf(db, 15, 2), u"3000");
    EXPECT_EQ(TextOf(db, 14, 3), u"0");
    EXPECT_EQ(TextOf(db, 17), u"PDUName");
    EXPECT_EQ(TextOf(db, 5), u"192.168.123.123");
    EXPECT_EQ(TextOf(db, 11), u"192.168.123.1");
    EXPECT_EQ(TextOf(db, 95), u"kavro");
    EXPECT_EQ(TextOf(db, 8, 2), u"5");
    EXPECT_EQ(TextOf(db, 8, 3), u"0");
    EXPECT_EQ(TextOf(db, 9, 3), u"0");
    EXPECT_EQ(TextOf(db, 21), u"");  // receptacle 4 is absent
    EXPECT_EQ(TextOf(db, 22), u"RecepName5");
    EXPECT_EQ(TextOf(db, 8, 20), u"0");  // absent

    r = Record(4, 0x100A, 3, 40);
    for (const int k : {24, 36}) {  // the first of names 25-36 and of names 37-48
        r.receptaclePresent[k] = static_cast<std::uint8_t>(k);
        r.receptacleMap[k] = static_cast<std::uint8_t>(k + 5);  // not the slot's own default
    }
    db.bind(r);
    FillInitialDefaults(db, r);
    EXPECT_EQ(TextOf(db, 14, 2), u"4000");
    EXPECT_EQ(TextOf(db, 15, 0), u"4000");
    EXPECT_EQ(TextOf(db, 15, 3), u"0");
    EXPECT_EQ(TextOf(db, 47), u"RecepName29");
    EXPECT_EQ(TextOf(db, 48), u"");
    EXPECT_EQ(TextOf(db, 99), u"RecepName41");
    EXPECT_EQ(TextOf(db, 100), u"");
}

TEST(WebDatabaseRules, WhatWasNotWrittenIsNamedOnce) {
    WebDatabase db;
    for (const auto& [code, element] :
         std::vector<std::pair<int, int>>{{17, 0}, {8, 0}, {8, 1}, {91, 0}, {95, 0}, {98, 0}}) {
        db.entry(db.find(static_cast<std::uint8_t>(code), static_cast<std::uint8_t>(element)))
            .mark = 1;
    }
    EXPECT_EQ(MarkedEntryNames(db),
              (std::vector<std::u16string>{u"PDU Name", u"variable 8", u"User1 name",
                                           u"User1 password", u"User4 password"}));
    EXPECT_FALSE(NetworkEntryMarked(db));
    db.entry(db.find(10)).mark = 1;
    EXPECT_TRUE(NetworkEntryMarked(db));
}

TEST(WebDatabaseRules, TextConversions) {
    WebDatabase db;
    db.bind(Record(2, 0, 2, 20));
    std::uint8_t scratch[kWebScratchSize];

    const WebEntry& powerOn = db.entry(db.find(7));
    EntryTextToItem(powerOn, u"4557430888798830399", scratch);
    for (int b = 0; b < 6; ++b) {
        EXPECT_EQ(scratch[b], 0x3F) << b;
    }
    EXPECT_EQ(scratch[6], 0);
    EXPECT_EQ(EntryTextFromItem(powerOn, scratch), u"69540876599103");  // 0x3F3F3F3F3F3F
    EntryTextToItem(powerOn, u"258", scratch);  // 0x0102 in the last two of six bytes
    EXPECT_EQ(scratch[4], 1);
    EXPECT_EQ(scratch[5], 2);
    EntryTextToItem(powerOn, u"18446744073709551610", scratch);  // exact up to 2^64 - 1
    EXPECT_EQ(scratch[5], 0xFA);

    const WebEntry& ip = db.entry(db.find(11));
    EntryTextToItem(ip, u"10.20.30.40", scratch);
    EXPECT_EQ(EntryTextFromItem(ip, scratch), u"10.20.30.40");
    const WebEntry& mac = db.entry(db.find(6));
    EntryTextToItem(mac, u"0:1a:2B:3c:4D:ff", scratch);
    EXPECT_EQ(EntryTextFromItem(mac, scratch), u"00:1A:2B:3C:4D:FF");

    const WebEntry& name = db.entry(db.find(17));
    std::memset(scratch, 0, sizeof scratch);
    EntryTextToItem(name, std::u16string(40, u'n'), scratch);
    EXPECT_EQ(scratch[62], 'n');  // 32 characters fit the item, and no more
    EXPECT_EQ(scratch[64], 0);
    EXPECT_EQ(EntryTextFromItem(name, scratch), std::u16string(31, u'n'));
    scratch[4] = scratch[5] = 0;  // the text ends at its first zero character
    EXPECT_EQ(EntryTextFromItem(name, scratch), u"nn");

    // Element 3 of the on delays lies at byte 3 of the item.
    const WebEntry& delay = db.entry(db.find(8, 3));
    std::memset(scratch, 0, sizeof scratch);
    scratch[3] = 42;
    EXPECT_EQ(EntryTextFromItem(delay, scratch), u"42");
    EntryTextToItem(delay, u"junk", scratch);
    EXPECT_EQ(scratch[0], 0);

    const WebEntry& signedVar = db.entry(db.find(75));
    EntryTextToItem(signedVar, u"-5", scratch);
    EXPECT_EQ(EntryTextFromItem(signedVar, scratch), u"-5");
    const WebEntry& limit = db.entry(db.find(14, 1));
    std::memset(scratch, 0, sizeof scratch);
    scratch[2] = 0xD0;
    scratch[3] = 0x07;
    EXPECT_EQ(EntryTextFromItem(limit, scratch), u"2000");
    EXPECT_EQ(ParseDecimalText(u"  -12abc"), -12);
    EXPECT_EQ(ParseDecimalText(u" \t42"), 42);
    EXPECT_EQ(ParseDecimalText(u"x"), 0);
}

}  // namespace
}  // namespace quorvel
