// The web database dialog's rules on the web variable table: what Load reads, what Save writes
// and when it touches the network settings, the network option check boxes, the defaults that
// Initialize writes, and how an entry's text travels through "h" and "H".
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "link/web_database_table.h"

namespace quorvel {

// Network option bits and their check boxes ("SW Update" is checked while its bit is clear).
constexpr std::uint16_t kOptionDhcp = 0x01;
constexpr std::uint16_t kOptionWeb = 0x10;
constexpr std::uint16_t kOptionSwUpdate = 0x20;
constexpr std::uint16_t kOptionCelsius = 0x40;

struct OptionBoxes {
    bool dhcp = false;
    bool web = false;
    bool swUpdate = false;
    bool celsius = false;
    bool operator==(const OptionBoxes&) const = default;
};
OptionBoxes OptionBoxesFromValue(std::uint16_t value);
// Sets or clears the four bits from the boxes; the other bits stay as they were.
std::uint16_t ApplyOptionBoxes(std::uint16_t value, const OptionBoxes& boxes);

// Items 5, 10, 11, 12, 17 and 91-98.
bool IsEditedItem(std::uint8_t code);
// Items 5, 10, 11 and 12: a change needs a network restart to take effect.
bool IsNetworkItem(std::uint8_t code);

// What the dialog's controls hold.
struct WebEdits {
    std::u16string name, ip, subnet, gateway;
    OptionBoxes options;
    std::array<std::u16string, kWebUsers> users;
    std::array<std::u16string, kWebUsers> passwords;
};
// The controls' contents as the stored texts show them.
WebEdits StoredEdits(const WebDatabase& db);
// The option bits as the stored text of item 12 reads (a decimal number; junk reads 0).
std::uint16_t StoredOptions(const WebDatabase& db);

// Marks the entries that Load reads; returns how many (13).
int MarkLoad(WebDatabase& db);

struct SaveMarks {
    int marked = 0;
    bool networkChanged = false;
};
// The Save rule: unmarks everything, then marks every edited entry whose text differs from the
// stored one (item 12 from the stored bits and the boxes), with the new text pending: the slot
// takes it once the PDU acknowledged its write.
SaveMarks MarkEdits(WebDatabase& db, const WebEdits& edits);

// Initialize: the texts every slot takes (network defaults, user 1 "kavro", per receptacle the
// delays and name by presence and map value, per circuit the currents from the rating; 223
// stands for 20/20/30 A).
void FillInitialDefaults(WebDatabase& db, const PduRecord& record);
// Marks every entry that has a value text, but the MAC address; returns how many.
int MarkAllWithText(WebDatabase& db);

// The names of the entries still marked (what a pass did not transfer), as the dialog labels
// them: "PDU Name", "PDU IP Address", "Subnetmask", "Gateway", "network options", "User2 name",
// "User2 password", or "variable N" for the others; each item once, in table order.
std::vector<std::u16string> MarkedEntryNames(const WebDatabase& db);
// True when any marked entry is one of the network items (5, 10, 11, 12).
bool NetworkEntryMarked(const WebDatabase& db);

// Decimal text to a number (leading blanks, optional sign, digits; junk reads 0).
long long ParseDecimalText(std::u16string_view text);

// Bytes of the scratch buffer an item is converted through.
constexpr std::size_t kWebScratchSize = 512;
// The entry's text from its item read into scratch (elements at element x size).
std::u16string EntryTextFromItem(const WebEntry& e, const std::uint8_t* scratch);
// The entry's text converted into the first element of scratch, as "H" sends it.
void EntryTextToItem(const WebEntry& e, std::u16string_view text, std::uint8_t* scratch);

// Reads entry i with "h" into its text; false when the read failed or it has no slot.
bool ReadWebEntry(WebDatabase& db, int i);
// Writes entry i's pending text (else its text) with "H"; false when the write failed or it has
// no text.
bool WriteWebEntry(const WebDatabase& db, int i);

}  // namespace quorvel
