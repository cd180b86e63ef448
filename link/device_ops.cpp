#include "link/device_ops.h"

#include <cmath>
#include <cstring>

#include "catalogue/attribute_tables.h"
#include "link/pdu_ifce.h"
#include "link/reply_items.h"
#include "link/value_codec.h"
#include "link/with_tries.h"

namespace quorvel {

namespace {

// A reply text queried with up to five tries.
bool queryWithTries(bool (PDUIfce::*query)(std::span<char>), char (&reply)[kReplyTextSize]) {
    std::span<char> out(reply);
    return WithTries([&](PDUIfce& ifce) { return (ifce.*query)(out); });
}

// "Temperature=23.456": the reading times 100, the 0.0001 that guards the rounding added away
// from zero, truncated; "*" reads as 0. A reading below zero is the mirror of the one above
// it (-5.25 gives -525), and one beyond the field keeps its low 16 bits.
void readScaled(const char* item, const char* prefix, std::int16_t& reading) {
    const std::size_t n = std::strlen(prefix);
    if (std::strncmp(item, prefix, n) != 0) {
        return;
    }
    const char* value = item + n;
    if (*value == '*') {
        reading = 0;
        return;
    }
    const double x = ParseDecimal(value);
    const std::uint16_t magnitude = HundredthsLow16(x < 0 ? -x : x);
    reading =
        static_cast<std::int16_t>(x < 0 ? static_cast<std::uint16_t>(0u - magnitude) : magnitude);
}

}  // namespace

bool SetCalibMode(bool on) {
    return WithTries([on](PDUIfce& ifce) { return ifce.SetCalibrationMode(on); });
}

bool SwitchOutlets(const PduRecord& record, std::uint16_t groupValues, std::uint32_t outletValues,
                   std::uint16_t groupMask, std::uint32_t outletMask, SwitchesLeft* left) {
    // Each command clears its bit once the PDU took it: what stays is what it was not told.
    SwitchesLeft ignored;
    SwitchesLeft& l = left != nullptr ? *left : ignored;
    l = {groupMask, outletMask};
    if (!(record.featureWord & kFeatureSwitched)) {
        return false;
    }
    if (record.generationNumber >= 2) {
        const int groups = record.extensionWord >= kExtendedExtension ? 16 : 4;
        l.groups = static_cast<std::uint16_t>(groupMask & ((1u << groups) - 1));
        for (int i = 0; i < groups; ++i) {
            if (groupMask & (1u << i)) {
                const bool on = groupValues & (1u << i);
                const auto number = static_cast<std::uint8_t>(i + 33);
                if (!WithTries([&](PDUIfce& ifce) { return ifce.SwitchOutlet(number, on); })) {
                    return false;
                }
                l.groups = static_cast<std::uint16_t>(l.groups & ~(1u << i));
            }
        }
        for (int i = 0; i < 32; ++i) {
            if (outletMask & (1u << i)) {
                const bool on = outletValues & (1u << i);
                const auto number = static_cast<std::uint8_t>(i + 1);
                if (!WithTries([&](PDUIfce& ifce) { return ifce.SwitchOutlet(number, on); })) {
                    return false;
                }
                l.outlets &= ~(1u << i);
            }
        }
        return true;
    }
    // The first generation has no groups and takes 24 outlets.
    l = {0, outletMask & 0x00FFFFFFu};
    const int a = record.receptaclesPerCircuit[0];
    const int b = record.receptaclesPerCircuit[1];
    for (int i = 0; i < 24; ++i) {
        if (!(outletMask & (1u << i))) {
            continue;
        }
        int branch = 0;
        int number = i + 1;
        if (i >= a && i < a + b) {
            branch = 1;
            number = i - a + 1;
        } else if (i >= a + b) {
            branch = 2;
            number = i - a - b + 1;
        }
        const bool on = outletValues & (1u << i);
        const auto n = static_cast<std::uint8_t>(number);
        if (!WithTries([&](PDUIfce& ifce) { return ifce.SwitchBranchOutlet(branch, n, on); })) {
            return false;
        }
        l.outlets &= ~(1u << i);
    }
    return true;
}

bool DeviceDatabaseCommand(int kind) {
    if (kind == 1) {
        return WithTries([](PDUIfce& ifce) { return ifce.FormatDatabase(); });
    }
    if (kind == 2) {
        return WithTries([](PDUIfce& ifce) { return ifce.RestartNetwork(); });
    }
    return true;
}

bool ReadConfigItem(const ConfigItemDescriptor& item, std::uint8_t* image) {
    if (item.code == 0) {
        return false;
    }
    char reply[kReplyTextSize];
    if (!WithTries([&](PDUIfce& ifce) { return ifce.ReadVariable(item.code, reply); })) {
        return false;
    }
    if (item.kind > kKindByteString) {
        return false;
    }
    char* items[kMaxReplyItems];
    const int n = SplitReplyItems(reply, item.count, items);
    if (item.count != 0 && n == item.count) {
        for (int i = 0; i < n; ++i) {
            DecodeConfigValue(item.kind, item.size, items[i],
                              image + item.offset + static_cast<std::ptrdiff_t>(i) * item.size);
        }
    }
    return true;
}

bool WriteConfigItem(const ConfigItemDescriptor& item, const std::uint8_t* image) {
    if (item.code == 0 || item.kind > kKindByteString) {
        return false;
    }
    std::string value = EncodeConfigValue(item.kind, item.size, item.count, image + item.offset);
    value.resize(std::min<std::size_t>(value.size(), 255));
    return WithTries([&](PDUIfce& ifce) {
        return ifce.WriteVariable(item.code, value.c_str(), item.elementIndex);
    });
}

int ReadIdentity(std::uint16_t* feature, std::uint32_t* attribute, std::uint16_t* extension,
                 std::uint8_t* map) {
    char reply[kReplyTextSize];
    if (!queryWithTries(&PDUIfce::ReadIdentityLine, reply)) {
        return 0;
    }
    char* items[4];
    const int n = SplitReplyItems(reply, 4, items);
    if (n < 2) {
        return 0;
    }
    if (feature) {
        *feature = HexItem<std::uint16_t>(items[0]);
    }
    if (attribute) {
        *attribute = HexItem<std::uint32_t>(items[1]);
    }
    if (extension) {
        *extension = n == 4 ? HexItem<std::uint16_t>(items[3]) : 0;
    }
    if (n == 2) {
        return 2;
    }
    if (map != nullptr) {
        DecodeHexPairs(items[2], map, kKvbMapRecordSize);
        return 3;
    }
    return 2;
}

int ReadLayoutRecord(std::uint8_t* layout) {
    char reply[kReplyTextSize];
    if (!queryWithTries(&PDUIfce::ReadLayoutLine, reply)) {
        return 0;
    }
    DecodeHexPairs(reply, layout, kLayoutRecordSize);
    return 1;
}

int ReadVersion(char* version, char* generation) {
    char reply[kReplyTextSize];
    if (!queryWithTries(&PDUIfce::ReadVersionLine, reply)) {
        return 0;
    }
    char* items[2];
    const int n = SplitReplyItems(reply, 2, items);
    // Both outputs hold at least 256 bytes; an item is shorter than the reply.
    if (version) {
        std::strcpy(version, items[0]);
    }
    if (generation && n == 2) {
        std::strcpy(generation, items[1]);
    }
    return n;
}

bool StampModel(std::uint16_t feature, std::uint32_t attribute, std::uint16_t extension, int kind) {
    const ModelCode code{feature, attribute, extension};
    switch (kind) {
        case 0:
            return WithTries([&](PDUIfce& ifce) { return ifce.StampIdentity(feature, attribute); });
        case 1: {
            if (isNoModel(code)) {
                return false;
            }
            KvbMapRecord record;
            if (!Attributes().kvbMapRecord(code, &record, false)) {
                return false;
            }
            std::uint8_t bytes[kKvbMapRecordSize];
            std::memcpy(bytes, &record, sizeof bytes);
            return WithTries([&](PDUIfce& ifce) {
                return ifce.StampIdentityWithMap(feature, attribute, bytes);
            });
        }
        case 2: {
            if (isNoModel(code)) {
                return false;
            }
            LayoutRecord record;
            if (!Attributes().layoutRecord(code, &record, false)) {
                return false;
            }
            std::uint8_t bytes[kLayoutRecordSize];
            std::memcpy(bytes, &record, sizeof bytes);
            return WithTries([&](PDUIfce& ifce) { return ifce.StampLayout(bytes); });
        }
        default:
            return false;
    }
}

bool RebootPdu() {
    return WithTries([](PDUIfce& ifce) { return ifce.Reboot(); });
}

int ParseEnvironment(const char* text, std::int16_t (&readings)[4]) {
    char copy[kReplyTextSize];
    std::strncpy(copy, text, sizeof copy - 1);
    copy[sizeof copy - 1] = '\0';
    char* items[4];
    const int n = SplitReplyItems(copy, 4, items);
    if (n < 2) {
        return n;
    }
    readScaled(items[0], "Temperature=", readings[0]);
    readScaled(items[1], "Humidity=", readings[1]);
    if (n < 4) {
        return n;
    }
    readScaled(items[2], "Temperature2=", readings[2]);
    readScaled(items[3], "Humidity2=", readings[3]);
    return n;
}

int GenerationFromText(const char* generation) {
    if (std::strcmp(generation, "V4") == 0) {
        return 4;
    }
    if (std::strcmp(generation, "V3") == 0) {
        return 3;
    }
    return std::strcmp(generation, "V2") == 0 ? 2 : 1;
}

int ReadGeneration() {
    char version[kReplyTextSize] = {};
    char generation[kReplyTextSize] = {};
    return ReadVersion(version, generation) == 2 ? GenerationFromText(generation) : 1;
}

std::string CurrentInterfaceError() {
    ConsoleLease lease;
    return lease.get() ? lease.get()->ErrorTextNarrow() : std::string{};
}

bool ConsoleStoppedAnswering() {
    ConsoleLease lease;
    return lease.get() == nullptr || lease.get()->Unanswered();
}

}  // namespace quorvel
