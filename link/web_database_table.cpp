#include "link/web_database_table.h"

#include <algorithm>
#include <vector>

namespace quorvel {

namespace {

constexpr std::uint32_t kTextBytes = 64;  // 32 wide characters on the console
constexpr int kSmallReceptacleSet = 36;
constexpr int kLargeReceptacleSet = 48;

struct EntryLayout {
    std::uint8_t code;
    std::uint8_t kind;
    std::uint8_t element;
    std::uint8_t count;
    std::u16string text;
};

std::u16string Number(long long v) {
    const std::string s = std::to_string(v);
    return std::u16string(s.begin(), s.end());
}

std::uint32_t ElementSize(std::uint8_t kind) {
    switch (kind) {
        case kKindIpAddress:
            return 4;
        case kKindMacAddress:
            return 6;
        case kKindText:
            return kTextBytes;
        case kKindByte:
        case kKindByteString:
            return 1;
        default:
            return 2;
    }
}

// Item codes of receptacle names 1-24, 25-36 and 37-48, by receptacle (from 0).
std::uint8_t NameItem(int receptacle) {
    if (receptacle < 24) {
        return static_cast<std::uint8_t>(18 + receptacle);
    }
    if (receptacle < 36) {
        return static_cast<std::uint8_t>(47 + receptacle - 24);
    }
    return static_cast<std::uint8_t>(99 + receptacle - 36);
}

// The entries in table order with their default texts.
const std::vector<EntryLayout>& Layout() {
    static const std::vector<EntryLayout> layout = [] {
        std::vector<EntryLayout> v;
        auto item = [&v](std::uint8_t code, std::uint8_t kind, int elements,
                         const std::u16string& text) {
            for (int e = 0; e < elements; ++e) {
                v.push_back({code, kind, static_cast<std::uint8_t>(e),
                             static_cast<std::uint8_t>(elements), text});
            }
        };
        item(1, kKindUnsigned16, 2, u"0");
        item(2, kKindHundredths, 1, u"0");
        for (int e = 0; e < 4; ++e) {
            v.push_back({3, kKindUnsigned16, static_cast<std::uint8_t>(e), 4, Number(2001 + e)});
        }
        item(4, kKindIpAddress, 1, u"0.0.0.0");
        item(kItemPduIp, kKindIpAddress, 1, u"192.168.123.123");
        item(6, kKindMacAddress, 1, u"0:0:0:0:0:0");
        item(kItemSubnet, kKindIpAddress, 1, u"255.255.255.0");
        item(kItemGateway, kKindIpAddress, 1, u"192.168.123.1");
        item(kItemOptions, kKindUnsigned16, 1, u"16");
        item(13, kKindIpAddress, 3, u"0.0.0.0");
        item(kItemPduName, kKindText, 1, u"PDUName");
        item(43, kKindText, 1, u"");
        item(42, kKindText, 1, u"");
        item(44, kKindText, 1, u"");
        item(16, kKindHundredths, 4, u"0");
        for (int i = 0; i < kLargeReceptacleSet; ++i) {
            v.push_back({kItemOnDelays, kKindByte, static_cast<std::uint8_t>(i),
                         kLargeReceptacleSet, Number(i + 3)});
        }
        item(kItemResetDelays, kKindByte, kLargeReceptacleSet, u"5");
        v.push_back({kItemPowerOn, kKindByteString, 0, 8, u"4557430888798830399"});
        item(kItemMaxCurrents, kKindHundredths, kMaxCircuits, u"0");
        item(kItemLockCurrents, kKindHundredths, kMaxCircuits, u"0");
        item(45, kKindUnsigned16, 2, u"0");
        item(46, kKindUnsigned16, 2, u"0");
        for (int r = 0; r < kLargeReceptacleSet; ++r) {
            v.push_back({NameItem(r), kKindText, 0, 1, u"RecepName" + Number(r + 1)});
        }
        for (int g = 0; g < 16; ++g) {
            v.push_back({static_cast<std::uint8_t>(59 + g), kKindText, 0, 1,
                         u"RecepGroup" + Number(g + 1)});
        }
        for (int n = 0; n < 16; ++n) {
            v.push_back({static_cast<std::uint8_t>(75 + n), kKindSigned16, 0, 1, u"0"});
        }
        for (int u = 0; u < kWebUsers; ++u) {
            v.push_back({static_cast<std::uint8_t>(kItemUserName + u), kKindText, 0, 1,
                         u == 0 ? u"kavro" : u""});
        }
        for (int u = 0; u < kWebUsers; ++u) {
            v.push_back({static_cast<std::uint8_t>(kItemPassword + u), kKindText, 0, 1,
                         u == 0 ? u"kavro" : u""});
        }
        return v;
    }();
    return layout;
}

std::int32_t ControlOf(std::uint8_t code) {
    switch (code) {
        case kItemPduName:
            return kPduNameControl;
        case kItemPduIp:
            return kIpAddressControl;
        case kItemSubnet:
            return kSubnetControl;
        case kItemGateway:
            return kGatewayControl;
        case kItemOptions:
            return kOptionsControl;
        default:
            break;
    }
    if (code >= kItemUserName && code < kItemUserName + kWebUsers) {
        return kUserNameControl + (code - kItemUserName);
    }
    if (code >= kItemPassword && code < kItemPassword + kWebUsers) {
        return kPasswordControl + (code - kItemPassword);
    }
    return kNoControl;
}

bool IsReceptacleName(std::uint8_t code) {
    return (code >= 18 && code <= 41) || (code >= 47 && code <= 58) || (code >= 99 && code <= 110);
}

}  // namespace

ConfigItemDescriptor WebEntry::descriptor() const {
    ConfigItemDescriptor d;
    d.offset = offset;
    d.size = size;
    d.kind = kind;
    d.codeCopy = code;
    d.code = code;
    d.elementIndex = elementIndex;
    d.count = count;
    return d;
}

WebDatabase::WebDatabase() {
    const auto& layout = Layout();
    for (int i = 0; i < kWebEntries; ++i) {
        const EntryLayout& s = layout[static_cast<std::size_t>(i)];
        WebEntry& e = entries_[static_cast<std::size_t>(i)];
        e.mark = 0;
        e.control = ControlOf(s.code);
        e.text = s.text.c_str();
        e.offset = 0;
        e.size = ElementSize(s.kind);
        e.kind = s.kind;
        e.code = s.code;
        e.elementIndex = s.element;
        e.count = s.count;
    }
    entries_[kWebEntries].mark = kWebTableEnd;
    slotOf_.fill(-1);
}

const char16_t* WebDatabase::DefaultText(int i) {
    return Layout()[static_cast<std::size_t>(i)].text.c_str();
}

void WebDatabase::bind(const PduRecord& record) {
    const bool largeSets =
        record.generationNumber >= 3 && record.extensionWord >= kExtendedExtension;
    const int delayLimit = largeSets ? kLargeReceptacleSet : kSmallReceptacleSet;
    for (int i = 0; i < kWebEntries; ++i) {
        WebEntry& e = entries_[static_cast<std::size_t>(i)];
        e.mark = 0;
        e.text = DefaultText(i);
        slotOf_[static_cast<std::size_t>(i)] = -1;
        bool slot = e.control != kNoControl || IsReceptacleName(e.code) ||
                    e.code == kItemMaxCurrents || e.code == kItemLockCurrents;
        if (e.code >= 99 && e.code <= 110 && !largeSets) {
            e.text = nullptr;  // names 37-48 exist only with the large sets
            slot = false;
        }
        if (e.code == kItemOnDelays || e.code == kItemResetDelays) {
            e.count = static_cast<std::uint8_t>(delayLimit);
            slot = e.elementIndex < delayLimit;
            if (!slot) {
                e.text = nullptr;
            }
        }
        if (e.code == kItemPowerOn) {
            e.count = record.generationNumber <= 1 ? 4 : largeSets ? 8 : 6;
        }
        if (slot) {
            slotOf_[static_cast<std::size_t>(i)] = static_cast<std::int16_t>(i);
            setText(i, DefaultText(i));
            e.text = slots_[static_cast<std::size_t>(i)].data();
        }
    }
}

int WebDatabase::find(std::uint8_t code, std::uint8_t element) const {
    for (int i = 0; i < kWebEntries; ++i) {
        const WebEntry& e = entries_[static_cast<std::size_t>(i)];
        if (e.code == code && e.elementIndex == element) {
            return i;
        }
    }
    return -1;
}

std::u16string WebDatabase::text(int i) const {
    const char16_t* t = entries_[static_cast<std::size_t>(i)].text;
    return t == nullptr ? std::u16string{} : std::u16string(t);
}

bool WebDatabase::setText(int i, std::u16string_view text) {
    const std::int16_t slot = slotOf_[static_cast<std::size_t>(i)];
    if (slot < 0) {
        return false;
    }
    auto& s = slots_[static_cast<std::size_t>(slot)];
    const std::size_t n = std::min<std::size_t>(text.size(), kWebTextChars - 1);
    std::copy_n(text.begin(), n, s.begin());
    s[n] = 0;
    return true;
}

int WebDatabase::marked() const {
    return static_cast<int>(std::count_if(entries_.begin(), entries_.begin() + kWebEntries,
                                          [](const WebEntry& e) { return e.mark == 1; }));
}

void WebDatabase::unmarkAll() {
    for (int i = 0; i < kWebEntries; ++i) {
        entries_[static_cast<std::size_t>(i)].mark = 0;
        pending_[static_cast<std::size_t>(i)].reset();
    }
}

void WebDatabase::setPending(int i, std::u16string_view text) {
    pending_[static_cast<std::size_t>(i)] =
        std::u16string(text.substr(0, std::min<std::size_t>(text.size(), kWebTextChars - 1)));
}

std::u16string WebDatabase::textToWrite(int i) const {
    const auto& p = pending_[static_cast<std::size_t>(i)];
    return p ? *p : text(i);
}

void WebDatabase::acknowledge(int i) {
    auto& p = pending_[static_cast<std::size_t>(i)];
    if (p) {
        setText(i, *p);
        p.reset();
    }
}

}  // namespace quorvel
