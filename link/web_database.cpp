#include "link/web_database.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <limits>

#include "link/device_ops.h"
#include "link/value_codec.h"

namespace quorvel {

namespace {

constexpr int kTextCharsShown = 31;
constexpr int kRating202030 = 223;

std::u16string Wide(const std::string& s) {
    return std::u16string(s.begin(), s.end());
}

std::string Narrow(std::u16string_view s) {
    std::string out;
    for (char16_t c : s) {
        out.push_back(static_cast<char>(c & 0xFF));
    }
    return out;
}

std::u16string Number(long long v) {
    return Wide(std::to_string(v));
}

std::uint16_t Load16(const std::uint8_t* p) {
    std::uint16_t v;
    std::memcpy(&v, p, sizeof v);
    return v;
}

void Store16(std::uint8_t* p, std::uint16_t v) {
    std::memcpy(p, &v, sizeof v);
}

// Unsigned decimal text (leading blanks, digits; saturates; junk reads 0).
std::uint64_t ParseUnsignedText(std::u16string_view text) {
    std::size_t i = 0;
    while (i < text.size() && (text[i] == u' ' || text[i] == u'\t')) {
        ++i;
    }
    if (i < text.size() && text[i] == u'+') {
        ++i;
    }
    std::uint64_t v = 0;
    constexpr std::uint64_t kMax = std::numeric_limits<std::uint64_t>::max();
    for (; i < text.size() && text[i] >= u'0' && text[i] <= u'9'; ++i) {
        const unsigned d = text[i] - u'0';
        v = v > (kMax - d) / 10 ? kMax : v * 10 + d;
    }
    return v;
}

void SetEdited(WebDatabase& db, SaveMarks& marks, std::uint8_t code,
               const std::u16string& newText) {
    const int i = db.find(code);
    if (i < 0 || !db.hasSlot(i)) {
        return;
    }
    std::u16string cut = newText.substr(0, kWebTextChars - 1);
    if (cut == db.text(i)) {
        return;
    }
    db.setPending(i, cut);
    db.entry(i).mark = 1;
    ++marks.marked;
    marks.networkChanged = marks.networkChanged || IsNetworkItem(code);
}

}  // namespace

OptionBoxes OptionBoxesFromValue(std::uint16_t value) {
    OptionBoxes b;
    b.dhcp = (value & kOptionDhcp) != 0;
    b.web = (value & kOptionWeb) != 0;
    b.swUpdate = (value & kOptionSwUpdate) == 0;
    b.celsius = (value & kOptionCelsius) != 0;
    return b;
}

std::uint16_t ApplyOptionBoxes(std::uint16_t value, const OptionBoxes& b) {
    auto set = [&value](std::uint16_t bit, bool on) {
        value = static_cast<std::uint16_t>(on ? value | bit : value & ~bit);
    };
    set(kOptionDhcp, b.dhcp);
    set(kOptionWeb, b.web);
    set(kOptionSwUpdate, !b.swUpdate);
    set(kOptionCelsius, b.celsius);
    return value;
}

bool IsEditedItem(std::uint8_t code) {
    return code == kItemPduIp || code == kItemSubnet || code == kItemGateway ||
           code == kItemOptions || code == kItemPduName ||
           (code >= kItemUserName && code < kItemPassword + kWebUsers);
}

bool IsNetworkItem(std::uint8_t code) {
    return code == kItemPduIp || code == kItemSubnet || code == kItemGateway ||
           code == kItemOptions;
}

std::uint16_t StoredOptions(const WebDatabase& db) {
    return static_cast<std::uint16_t>(ParseDecimalText(db.text(db.find(kItemOptions))));
}

WebEdits StoredEdits(const WebDatabase& db) {
    WebEdits e;
    e.name = db.text(db.find(kItemPduName));
    e.ip = db.text(db.find(kItemPduIp));
    e.subnet = db.text(db.find(kItemSubnet));
    e.gateway = db.text(db.find(kItemGateway));
    e.options = OptionBoxesFromValue(StoredOptions(db));
    for (int u = 0; u < kWebUsers; ++u) {
        e.users[u] = db.text(db.find(static_cast<std::uint8_t>(kItemUserName + u)));
        e.passwords[u] = db.text(db.find(static_cast<std::uint8_t>(kItemPassword + u)));
    }
    return e;
}

int MarkLoad(WebDatabase& db) {
    int n = 0;
    for (int i = 0; i < WebDatabase::size(); ++i) {
        WebEntry& e = db.entry(i);
        if (IsEditedItem(e.code) && e.text != nullptr) {
            e.mark = 1;
            ++n;
        }
    }
    return n;
}

SaveMarks MarkEdits(WebDatabase& db, const WebEdits& edits) {
    db.unmarkAll();
    SaveMarks marks;
    // Table order: 5, 10, 11, 12, 17, 91-98.
    SetEdited(db, marks, kItemPduIp, edits.ip);
    SetEdited(db, marks, kItemSubnet, edits.subnet);
    SetEdited(db, marks, kItemGateway, edits.gateway);
    SetEdited(db, marks, kItemOptions, Number(ApplyOptionBoxes(StoredOptions(db), edits.options)));
    SetEdited(db, marks, kItemPduName, edits.name);
    for (int u = 0; u < kWebUsers; ++u) {
        SetEdited(db, marks, static_cast<std::uint8_t>(kItemUserName + u), edits.users[u]);
    }
    for (int u = 0; u < kWebUsers; ++u) {
        SetEdited(db, marks, static_cast<std::uint8_t>(kItemPassword + u), edits.passwords[u]);
    }
    return marks;
}

void FillInitialDefaults(WebDatabase& db, const PduRecord& record) {
    auto set = [&db](std::uint8_t code, std::uint8_t element, const std::u16string& text) {
        const int i = db.find(code, element);
        if (i >= 0) {
            db.setText(i, text);
        }
    };
    set(kItemPduName, 0, u"PDUName");
    set(kItemPduIp, 0, u"192.168.123.123");
    set(kItemGateway, 0, u"192.168.123.1");
    set(kItemSubnet, 0, u"255.255.255.0");
    set(kItemOptions, 0, u"16");
    for (int u = 0; u < kWebUsers; ++u) {
        set(static_cast<std::uint8_t>(kItemUserName + u), 0, u == 0 ? u"kavro" : u"");
        set(static_cast<std::uint8_t>(kItemPassword + u), 0, u == 0 ? u"kavro" : u"");
    }
    for (int r = 0; r < kMaxReceptacles; ++r) {
        const bool present = record.receptaclePresent[r] != kAbsent;
        const auto e = static_cast<std::uint8_t>(r);
        set(kItemOnDelays, e, present ? Number(r + 3) : u"0");
        set(kItemResetDelays, e, present ? u"5" : u"0");
        const std::uint8_t nameItem = r < 24   ? static_cast<std::uint8_t>(18 + r)
                                      : r < 36 ? static_cast<std::uint8_t>(47 + r - 24)
                                               : static_cast<std::uint8_t>(99 + r - 36);
        set(nameItem, 0, present ? u"RecepName" + Number(record.receptacleMap[r]) : u"");
    }
    const int circuits = std::min<int>(record.circuitCount, kMaxCircuits);
    for (int j = 0; j < circuits; ++j) {
        long long current = record.currentRating * 100LL;
        if (record.currentRating == kRating202030) {
            current = j < 2 ? 2000 : j == 2 ? 3000 : 0;
        }
        set(kItemMaxCurrents, static_cast<std::uint8_t>(j), Number(current));
        set(kItemLockCurrents, static_cast<std::uint8_t>(j), Number(current));
    }
}

int MarkAllWithText(WebDatabase& db) {
    int n = 0;
    for (int i = 0; i < WebDatabase::size(); ++i) {
        WebEntry& e = db.entry(i);
        // The MAC address stays as the PDU holds it: a zero address would cut the unit off
        // its network.
        e.mark = e.text != nullptr && e.code != kItemMac ? 1 : 0;
        n += e.mark;
    }
    return n;
}

std::vector<std::u16string> MarkedEntryNames(const WebDatabase& db) {
    std::vector<std::u16string> names;
    for (int i = 0; i < WebDatabase::size(); ++i) {
        const WebEntry& e = db.entry(i);
        if (e.mark != 1) {
            continue;
        }
        std::u16string name;
        switch (e.code) {
            case kItemPduName:
                name = u"PDU Name";
                break;
            case kItemPduIp:
                name = u"PDU IP Address";
                break;
            case kItemSubnet:
                name = u"Subnetmask";
                break;
            case kItemGateway:
                name = u"Gateway";
                break;
            case kItemOptions:
                name = u"network options";
                break;
            default:
                if (e.code >= kItemUserName && e.code < kItemUserName + kWebUsers) {
                    name = u"User" + Number(e.code - kItemUserName + 1) + u" name";
                } else if (e.code >= kItemPassword && e.code < kItemPassword + kWebUsers) {
                    name = u"User" + Number(e.code - kItemPassword + 1) + u" password";
                } else {
                    name = u"variable " + Number(e.code);
                }
        }
        if (std::find(names.begin(), names.end(), name) == names.end()) {
            names.push_back(name);
        }
    }
    return names;
}

bool NetworkEntryMarked(const WebDatabase& db) {
    for (int i = 0; i < WebDatabase::size(); ++i) {
        if (db.entry(i).mark == 1 && IsNetworkItem(db.entry(i).code)) {
            return true;
        }
    }
    return false;
}

long long ParseDecimalText(std::u16string_view text) {
    std::size_t i = 0;
    while (i < text.size() && (text[i] == u' ' || text[i] == u'\t')) {
        ++i;
    }
    const bool negative = i < text.size() && text[i] == u'-';
    const std::uint64_t magnitude = ParseUnsignedText(negative ? text.substr(i + 1) : text);
    constexpr std::uint64_t kLimit = std::numeric_limits<long long>::max();
    const auto v = static_cast<long long>(magnitude > kLimit ? kLimit : magnitude);
    return negative ? -v : v;
}

std::u16string EntryTextFromItem(const WebEntry& e, const std::uint8_t* scratch) {
    const std::uint8_t* p = scratch + static_cast<std::size_t>(e.elementIndex) * e.size;
    char text[64];
    switch (e.kind) {
        case kKindIpAddress:
            std::snprintf(text, sizeof text, "%d.%d.%d.%d", p[0], p[1], p[2], p[3]);
            return Wide(text);
        case kKindMacAddress:
            std::snprintf(text, sizeof text, "%2.2X:%2.2X:%2.2X:%2.2X:%2.2X:%2.2X", p[0], p[1],
                          p[2], p[3], p[4], p[5]);
            return Wide(text);
        case kKindText: {
            std::u16string s;
            const int chars = std::min<int>(static_cast<int>(e.size / 2), kTextCharsShown);
            for (int c = 0; c < chars; ++c) {
                const std::uint16_t ch = Load16(p + 2 * c);
                if (ch == 0) {
                    break;
                }
                s.push_back(static_cast<char16_t>(ch));
            }
            return s;
        }
        case kKindByte:
            return Number(p[0]);
        case kKindByteString: {
            // The bytes as one big-endian number, most significant first.
            std::uint64_t v = 0;
            for (int b = 0; b < std::min<int>(e.count, 8); ++b) {
                v = v << 8 | scratch[b];
            }
            return Wide(std::to_string(v));
        }
        case kKindSigned16:
            return Number(static_cast<std::int16_t>(Load16(p)));
        default:
            return Number(Load16(p));
    }
}

void EntryTextToItem(const WebEntry& e, std::u16string_view text, std::uint8_t* scratch) {
    std::memset(scratch, 0, kWebScratchSize);
    switch (e.kind) {
        case kKindIpAddress:
        case kKindMacAddress:
            DecodeConfigValue(e.kind, e.size, Narrow(text).c_str(), scratch);
            break;
        case kKindText: {
            const std::size_t chars = std::min<std::size_t>(text.size(), e.size / 2);
            for (std::size_t c = 0; c < chars; ++c) {
                Store16(scratch + 2 * c, text[c]);
            }
            break;
        }
        case kKindByte:
            scratch[0] = static_cast<std::uint8_t>(ParseDecimalText(text));
            break;
        case kKindByteString: {
            const std::uint64_t v = ParseUnsignedText(text);
            const int n = std::min<int>(e.count, 8);
            for (int b = 0; b < n; ++b) {
                scratch[b] = static_cast<std::uint8_t>(v >> (8 * (n - 1 - b)));
            }
            break;
        }
        default:
            Store16(scratch, static_cast<std::uint16_t>(ParseDecimalText(text)));
            break;
    }
}

bool ReadWebEntry(WebDatabase& db, int i) {
    if (!db.hasSlot(i)) {
        return false;
    }
    const WebEntry& e = db.entry(i);
    std::uint8_t scratch[kWebScratchSize] = {};
    if (static_cast<std::size_t>(e.count) * e.size > sizeof scratch ||
        !ReadConfigItem(e.descriptor(), scratch)) {
        return false;
    }
    if (e.kind <= kKindByteString) {
        db.setText(i, EntryTextFromItem(e, scratch));
    }
    return true;
}

bool WriteWebEntry(const WebDatabase& db, int i) {
    const WebEntry& e = db.entry(i);
    if (e.text == nullptr) {
        return false;
    }
    std::uint8_t scratch[kWebScratchSize];
    EntryTextToItem(e, db.textToWrite(i), scratch);
    return WriteConfigItem(e.descriptor(), scratch);
}

}  // namespace quorvel
