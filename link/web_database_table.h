// The web variable table: one entry per element of every configuration variable the PDU knows
// (225 and an end entry), each with its value text, and the binding of entries to writable text
// slots for a given PDU record.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "common/config_item.h"
#include "common/model_profile.h"

namespace quorvel {

constexpr int kWebEntries = 225;
constexpr int kWebTextChars = 80;  // 79 characters and the terminator
constexpr std::int32_t kWebTableEnd = -1;
constexpr int kWebUsers = 4;

// Controls that show an entry (kNoControl for entries without one).
enum WebControl : std::int32_t {
    kNoControl = 1,
    kPduNameControl = 100,
    kIpAddressControl = 101,
    kSubnetControl = 102,
    kGatewayControl = 103,
    kOptionsControl = 104,
    kUserNameControl = 110,  // + user 0..3
    kPasswordControl = 120,  // + user 0..3
};

// Item codes the dialog edits.
constexpr std::uint8_t kItemPduIp = 5;
constexpr std::uint8_t kItemSubnet = 10;
constexpr std::uint8_t kItemGateway = 11;
constexpr std::uint8_t kItemOptions = 12;
constexpr std::uint8_t kItemPduName = 17;
constexpr std::uint8_t kItemUserName = 91;  // 91..94
constexpr std::uint8_t kItemPassword = 95;  // 95..98
constexpr std::uint8_t kItemMac = 6;
constexpr std::uint8_t kItemPowerOn = 7;
constexpr std::uint8_t kItemOnDelays = 8;
constexpr std::uint8_t kItemResetDelays = 9;
constexpr std::uint8_t kItemMaxCurrents = 14;
constexpr std::uint8_t kItemLockCurrents = 15;

struct WebEntry {
    std::int32_t mark = 0;  // 1 transfer in the next pass, 0 skip, kWebTableEnd ends the table
    std::int32_t control = kNoControl;
    const char16_t* text = nullptr;  // the value text; null: never transferred
    std::int32_t offset = 0;         // values go through a scratch buffer
    std::uint32_t size = 0;          // bytes per element
    std::uint8_t kind = 0;           // ConfigValueKind
    std::uint8_t code = 0;           // the console's variable id
    std::uint8_t elementIndex = 0;   // sub-id of "H"; element of the item
    std::uint8_t count = 0;          // elements of the item (byte strings: their length)

    ConfigItemDescriptor descriptor() const;
};

class WebDatabase {
  public:
    // Every entry on its default text, unmarked, no slots.
    WebDatabase();
    WebDatabase(const WebDatabase&) = delete;
    WebDatabase& operator=(const WebDatabase&) = delete;

    // Binds the entries to the record: writable slots for the edited items, receptacle names,
    // on and reset delays and circuit currents (each starting on its default text), and the
    // element counts of items 7, 8 and 9 by the unit's generation and receptacle sets.
    void bind(const PduRecord& record);

    static constexpr int size() { return kWebEntries; }
    WebEntry& entry(int i) { return entries_[static_cast<std::size_t>(i)]; }
    const WebEntry& entry(int i) const { return entries_[static_cast<std::size_t>(i)]; }
    // The entry of element `element` of item `code`, or -1.
    int find(std::uint8_t code, std::uint8_t element = 0) const;

    std::u16string text(int i) const;
    // Writes an entry's slot (cut to 79 characters); false when the entry has none.
    bool setText(int i, std::u16string_view text);
    bool hasSlot(int i) const { return slotOf_[static_cast<std::size_t>(i)] >= 0; }

    int marked() const;
    // Unmarks every entry and forgets every text waiting to be written.
    void unmarkAll();

    // A new text for an entry that goes to the PDU first: the slot takes it only once the PDU
    // has acknowledged it (acknowledge), so a write that failed leaves the slot as the PDU holds
    // it and the next Save tries it again.
    void setPending(int i, std::u16string_view text);
    // What a write of entry i sends: its pending text, else its text.
    std::u16string textToWrite(int i) const;
    // After the PDU took entry i's write: the slot takes the pending text.
    void acknowledge(int i);

    // The text Initialize writes for entries without a slot, and the slots' starting text.
    static const char16_t* DefaultText(int i);

  private:
    std::array<WebEntry, kWebEntries + 1> entries_;
    std::array<std::int16_t, kWebEntries> slotOf_{};
    std::array<std::array<char16_t, kWebTextChars>, kWebEntries> slots_{};
    std::array<std::optional<std::u16string>, kWebEntries> pending_{};
};

}  // namespace quorvel
