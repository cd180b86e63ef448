// The PDU console's command table on the device side: identity and records, switching and power
// resets, configuration variables, calibration and the privileged commands.
#include "sim/commands.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <vector>

#include "sim/calibration_reads.h"
#include "sim/command_text.h"
#include "sim/encoding.h"
#include "sim/status_replies.h"

namespace quorvel::sim {

namespace text {

std::vector<std::string_view> tokens(std::string_view line) {
    std::vector<std::string_view> out;
    std::size_t i = 0;
    while (i < line.size()) {
        while (i < line.size() && line[i] == ' ')
            ++i;
        std::size_t start = i;
        while (i < line.size() && line[i] != ' ')
            ++i;
        if (i > start)
            out.push_back(line.substr(start, i - start));
    }
    return out;
}

bool parseSwitch(std::string_view text, bool& on) {
    if (text != "0" && text != "1")
        return false;
    on = text == "1";
    return true;
}

int branchIndex(std::string_view text) {
    if (text.size() != 1)
        return -1;
    char c = static_cast<char>(text[0] & ~0x20);
    return (c >= 'A' && c <= 'C') ? c - 'A' : -1;
}

int branchOffset(const Device& d, int branch) {
    int offset = 0;
    for (int b = 0; b < branch; ++b)
        offset += d.branchOutlets[static_cast<std::size_t>(b)];
    return offset;
}

}  // namespace text

namespace {

using namespace text;

// Later generations switch outlets 1..32 by number; 33 onward are groups.
constexpr int kSwitchableOutlets = 32;

void setBit(std::uint64_t& word, int bit, bool on) {
    if (on) {
        word |= std::uint64_t{1} << bit;
    } else {
        word &= ~(std::uint64_t{1} << bit);
    }
}

std::string identityText(const Device& d) {
    const Identity& id = d.identity;
    std::string text =
        format("%X %X", static_cast<unsigned>(id.feature), static_cast<unsigned>(id.attribute));
    if (id.items >= 3)
        text += ' ' + toHexPairs(id.kvbMap.data(), id.kvbMap.size());
    if (id.items >= 4)
        text += format(" %X", static_cast<unsigned>(id.extension));
    return text;
}

std::string versionText(const Device& d) {
    return d.generation.empty() ? d.version : d.version + ' ' + d.generation;
}

std::string moduleLine(const Device& d) {
    std::string line;
    for (const auto& item : d.modules) {
        if (!line.empty())
            line += ' ';
        line += item;
    }
    return line;
}

// Numbers 1..32 switch outlets and 33.. groups (later generations); the first generation names a
// branch and the outlet's number within it.
CommandResult switchOutlet(Device& d, const std::vector<std::string_view>& t, bool reset) {
    if (t.size() != 3 && !(t.size() == 4 && !reset))
        return refused(kErrBadArguments);
    if (!(d.identity.feature & kFeatureSwitched))
        return refused(kErrNotSwitched);
    bool on = false;
    std::uint64_t number = 0;
    if (!parseSwitch(t.back(), on) || (reset && !on))
        return refused(kErrBadArguments);
    if (!parseHex(t[t.size() - 2], 0xFF, number) || number == 0)
        return refused(kErrBadArguments);
    int outlet = -1;
    if (t.size() == 4) {
        int b = branchIndex(t[1]);
        if (b < 0 ||
            number > static_cast<std::uint64_t>(d.branchOutlets[static_cast<std::size_t>(b)])) {
            return refused(kErrBadArguments);
        }
        outlet = branchOffset(d, b) + static_cast<int>(number) - 1;
    } else if (number <= static_cast<std::uint64_t>(std::min(d.outletCount, kSwitchableOutlets))) {
        outlet = static_cast<int>(number) - 1;
    } else if (number >= 33 && number < 33 + static_cast<std::uint64_t>(d.groupCount)) {
        auto bit = static_cast<unsigned>(number - 33);
        d.groupsOn =
            static_cast<std::uint16_t>(on ? d.groupsOn | (1U << bit) : d.groupsOn & ~(1U << bit));
        if (reset)
            ++d.outletResets;
        return accepted();
    } else {
        return refused(kErrBadArguments);
    }
    if (reset) {
        // Off at once, on again when the outlet's reset delay has run out (Device::advance).
        if ((d.blockedOutlets() >> outlet) & 1U)
            return refused(kErrResetBlocked);
        ++d.outletResets;
        d.startReset(outlet);
        return accepted();
    }
    d.cancelReset(outlet);
    setBit(d.outletsOn, outlet, on);
    return accepted();
}

CommandResult readVariable(const Device& d, const std::vector<std::string_view>& t) {
    std::uint64_t id = 0;
    if (t.size() != 2 || !parseHex(t[1], 0xFF, id))
        return refused(kErrBadArguments);
    auto it = d.variables.find(static_cast<int>(id));
    if (it == d.variables.end())
        return refused(kErrUnknownVariable);
    return reply(encodeVariable(it->second));
}

CommandResult writeVariable(Device& d, const std::vector<std::string_view>& t) {
    std::uint64_t id = 0;
    std::uint64_t sub = 0;
    if (t.size() != 4 || !parseHex(t[1], 0xFF, id) || !parseHex(t[3], 0xFF, sub)) {
        return refused(kErrBadArguments);
    }
    auto it = d.variables.find(static_cast<int>(id));
    if (it == d.variables.end())
        return refused(kErrUnknownVariable);
    if (d.writeProtected.count(static_cast<int>(id)) != 0)
        return refused(kErrWriteProtected);
    ConfigVar& var = it->second;
    std::vector<std::vector<std::uint8_t>> value;
    if (!decodeValue(var.type, var.elements.size(), t[2], value))
        return refused(kErrBadValue);
    if (var.type == kVarBytes) {
        var.elements = std::move(value);  // the whole string at once
    } else {
        if (sub >= var.elements.size())
            return refused(kErrBadValue);
        var.elements[sub] = std::move(value.front());
    }
    return accepted();
}

// "K I A0".."K V C9" channel value, and the store line "W A" channel access-code.
CommandResult calibrationWrite(Device& d, const std::vector<std::string_view>& t) {
    std::uint64_t channel = 0;
    std::uint64_t value = 0;
    if (t[0] == "W") {
        if (t.size() != 4 || (branchIndex(t[1]) < 0 && t[1] != "D"))
            return refused(kErrBadArguments);
        if (!parseHex(t[2], 0xFF, channel))
            return refused(kErrBadArguments);
        if (t[3] != kAccessCode)
            return refused(kErrAccessDenied);
        ++d.calibrationStores;
        return accepted();
    }
    if (t.size() != 5 || (t[1] != "I" && t[1] != "V") || t[2].size() != 2) {
        return refused(kErrBadArguments);
    }
    char row = t[2][0];
    char column = t[2][1];
    char lastRow = t[1] == "I" ? 'D' : 'C';
    if (row < 'A' || row > lastRow || column < '0' || column > '9')
        return refused(kErrBadArguments);
    if (!parseHex(t[3], 0xFF, channel) || !parseHex(t[4], 0xFFFF, value)) {
        return refused(kErrBadArguments);
    }
    std::string keyword = "K " + std::string(t[1]) + ' ' + std::string(t[2]);
    if (d.calibrationRefused.count(keyword) != 0)
        return refused(kErrWriteProtected);
    d.calibration[keyword][static_cast<int>(channel)] = static_cast<std::uint16_t>(value);
    return accepted();
}

// "s", "Q", "I", "X", "x": the access code is their last argument.
CommandResult privileged(Device& d, const Device& factory, const std::vector<std::string_view>& t) {
    char k = t[0][0];
    std::size_t expected = k == 's' ? (t.size() == 5 ? 5 : 4) : k == 'Q' ? 3 : 2;
    if (t.size() != expected)
        return refused(kErrBadArguments);
    if (t.back() != kAccessCode)
        return refused(kErrAccessDenied);
    switch (k) {
        case 's': {
            std::uint64_t feature = 0;
            std::uint64_t attribute = 0;
            if (t[1].size() > 4 || t[2].size() > 8 || !parseHex(t[1], 0xFFFF, feature) ||
                !parseHex(t[2], 0xFFFFFFFF, attribute)) {
                return refused(kErrBadArguments);
            }
            std::array<std::uint8_t, kKvbMapSize> map{};
            if (t.size() == 5 && !fromHexPairs(t[3], map.data(), map.size())) {
                return refused(kErrBadArguments);
            }
            d.identity.feature = static_cast<std::uint16_t>(feature);
            d.identity.attribute = static_cast<std::uint32_t>(attribute);
            if (t.size() == 5)
                d.identity.kvbMap = map;
            return accepted();
        }
        case 'Q': {
            std::array<std::uint8_t, kLayoutSize> layout{};
            if (!fromHexPairs(t[1], layout.data(), layout.size()))
                return refused(kErrBadArguments);
            d.layout = layout;
            return accepted();
        }
        case 'I':
            d.variables = factory.variables;
            ++d.databaseFormats;
            return accepted();
        case 'X':
            ++d.networkRestarts;
            restartNetwork(d);
            return accepted();
        default:  // 'x'
            ++d.reboots;
            d.calibrationMode = false;
            return accepted();
    }
}

}  // namespace

std::uint16_t rawCurrent(double amperes) {
    double raw = std::trunc(amperes * 100.0 * 4095.0 / 1226.0) + 87.0;
    return static_cast<std::uint16_t>(std::clamp(raw, 0.0, 65535.0));
}

std::uint16_t rawVoltage(int volts) {
    return static_cast<std::uint16_t>(std::clamp(volts * 4096 / 240, 0, 0xFFFF));
}

CommandResult runCommand(Device& d, const Device& factory, std::string_view line) {
    auto t = tokens(line);
    if (t.empty())
        return accepted();
    if (t[0].size() != 1)
        return refused(kErrUnknownCommand);
    const bool bare = t.size() == 1;
    switch (t[0][0]) {
        case 'v':
            return bare ? reply(identityText(d)) : refused(kErrBadArguments);
        case 'u':
            return bare ? reply(versionText(d)) : refused(kErrBadArguments);
        case 'V':
            return bare ? reply(moduleLine(d)) : refused(kErrBadArguments);
        case 'q':
            return bare ? reply(toHexPairs(d.layout.data(), d.layout.size()))
                        : refused(kErrBadArguments);
        case 'n':
            return bare ? reply(alarmText(d)) : refused(kErrBadArguments);
        case 'J':
            return bare ? reply(environmentText(d)) : refused(kErrBadArguments);
        case 'N':
            if (!bare)
                return refused(kErrBadArguments);
            d.alarmWord = 0;  // raised again by the next check while still beyond a limit
            d.lockWord = 0;
            return accepted();
        case 'h':
            return readVariable(d, t);
        case 'H':
            return writeVariable(d, t);
        case 's':
        case 'Q':
        case 'I':
        case 'X':
        case 'x':
            return privileged(d, factory, t);
        case 'C': {
            bool on = false;
            if (t.size() != 2 || !parseSwitch(t[1], on))
                return refused(kErrBadArguments);
            d.calibrationMode = on;
            return accepted();
        }
        case 'R':
            return switchOutlet(d, t, false);
        case 'o':
            return switchOutlet(d, t, true);
        case 'P':
        case 'p':
            return outletStateQuery(d, t);
        case 'G':
            if (auto raw = calibrationRead(d, t))
                return *raw;
            return measurementQuery(d, t);
        case 'K':
        case 'W':
            return calibrationWrite(d, t);
        default:
            return refused(kErrUnknownCommand);
    }
}

}  // namespace quorvel::sim
