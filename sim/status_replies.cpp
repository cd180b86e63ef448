// The status queries on the device side: voltages, circuit and outlet currents (decimal and raw),
// outlet on/off and reset-blocked bitmaps, environment readings and the alarm words.
#include "sim/status_replies.h"

#include "sim/command_text.h"
#include "sim/encoding.h"

namespace quorvel::sim {

namespace {

using namespace text;

std::string amperes(double a) {
    return format("%.2f", a);
}

std::string rawText(std::uint16_t raw) {
    return format("%X", static_cast<unsigned>(raw));
}

// Outlet bitmap as the state queries report it: 12 digits when the large sets hold more than 32
// outlets, else 10.
std::string bitmapText(const Device& d, std::uint64_t bits) {
    auto w0 = static_cast<unsigned>(bits & 0xFFFF);
    auto w1 = static_cast<unsigned>((bits >> 16) & 0xFFFF);
    if (d.largeSets() && d.outletCount > 32)
        return format("%4.4X%4.4X%4.4X", static_cast<unsigned>((bits >> 32) & 0xFFFF), w1, w0);
    return format("%2.2X%4.4X%4.4X", static_cast<unsigned>((bits >> 32) & 0xFF), w1, w0);
}

std::string voltagesText(const Device& d) {
    std::string text;
    int count = d.largeSets() ? 4 : 2;
    for (int i = 0; i < count; ++i) {
        if (i > 0)
            text += ' ';
        text += format("%d", d.voltage(i));
    }
    return text;
}

std::string circuitCurrentsText(const Device& d) {
    std::string text;
    for (int i = 0; i < kCircuits; ++i) {
        if (i > 0)
            text += ' ';
        text += amperes(d.circuitCurrent(i));
    }
    return text;
}

// "G <I|V|B|i|v> <flag> <selector>": the measurement reads of later generations.
CommandResult measurementRead(const Device& d, char kind, bool raw, unsigned selector) {
    switch (kind) {
        case 'B':
            return reply(voltagesText(d) + ' ' + circuitCurrentsText(d));
        case 'v':
            return reply(voltagesText(d));
        case 'V':
            if (!raw)
                return reply(voltagesText(d));
            return reply(rawText(
                rawVoltage(d.voltage(static_cast<int>(selector & (d.largeSets() ? 3U : 1U))))));
        case 'I': {
            if (!raw)
                return reply(circuitCurrentsText(d));
            unsigned circuit = selector & 7U;
            if (circuit >= static_cast<unsigned>(kCircuits))
                return refused(kErrBadArguments);
            return reply(rawText(rawCurrent(d.circuitCurrent(static_cast<int>(circuit)))));
        }
        case 'i': {
            if (raw) {
                // Receptacle channel: the receptacle's number + 1.
                if (selector < 1 || selector > static_cast<unsigned>(kMaxOutlets)) {
                    return refused(kErrBadArguments);
                }
                return reply(rawText(rawCurrent(d.outletCurrent(static_cast<int>(selector) - 1))));
            }
            // Sets of twelve receptacles: selector 0xf0 + set.
            unsigned set = selector - 0xF0;
            if (selector < 0xF0 || set >= static_cast<unsigned>(kMaxOutlets / 12)) {
                return refused(kErrBadArguments);
            }
            std::string text;
            for (int i = 0; i < 12; ++i) {
                if (i > 0)
                    text += ' ';
                text += amperes(d.outletCurrent(static_cast<int>(set) * 12 + i));
            }
            return reply(text);
        }
        default:
            return refused(kErrBadArguments);
    }
}

// "G I <circuit> <selector>" and "G V <circuit> 0"; lower-case circuit letters read raw values.
CommandResult circuitRead(const Device& d, char kind, std::string_view letter, unsigned selector) {
    int c = branchIndex(letter);
    if (c < 0)
        return refused(kErrBadArguments);
    bool raw = letter[0] >= 'a';
    int outlets = d.branchOutlets[static_cast<std::size_t>(c)];
    int offset = branchOffset(d, c);
    if (kind == 'V') {
        int volts = d.voltage(c);
        if (raw)
            return reply(rawText(rawVoltage(volts)));
        return reply(format("%d", (volts * 256 + 99) / 100));
    }
    if (raw) {
        if (selector == 0)
            return reply(rawText(rawCurrent(d.circuitCurrent(c))));
        double a = static_cast<int>(selector) <= outlets
                       ? d.outletCurrent(offset + static_cast<int>(selector) - 1)
                       : 0.0;
        return reply(rawText(rawCurrent(a)));
    }
    std::string text = amperes(d.circuitCurrent(c));
    if (selector != 0) {
        for (int i = 0; i < outlets; ++i)
            text += ' ' + amperes(d.outletCurrent(offset + i));
    }
    return reply(text);
}

}  // namespace

CommandResult measurementQuery(const Device& d, const std::vector<std::string_view>& t) {
    if (t.size() != 4 || t[1].size() != 1)
        return refused(kErrBadArguments);
    char kind = t[1][0];
    std::uint64_t selector = 0;
    if (!parseHex(t[3], 0xFF, selector))
        return refused(kErrBadArguments);
    bool flag = false;
    if (parseSwitch(t[2], flag))
        return measurementRead(d, kind, flag, static_cast<unsigned>(selector));
    if (kind == 'I' || kind == 'V')
        return circuitRead(d, kind, t[2], static_cast<unsigned>(selector));
    return refused(kErrBadArguments);
}

CommandResult outletStateQuery(const Device& d, const std::vector<std::string_view>& t) {
    std::uint64_t selector = 0;
    if (t.size() < 2 || t.size() > 3 || !parseHex(t.back(), 0xFF, selector)) {
        return refused(kErrBadArguments);
    }
    const bool states = t[0] == "P";
    const std::uint64_t bits = states ? d.outletsOn : d.blockedOutlets();
    if (t.size() == 2)
        return reply(bitmapText(d, bits));
    int b = branchIndex(t[1]);
    if (!states || b < 0)
        return refused(kErrBadArguments);
    int n = d.branchOutlets[static_cast<std::size_t>(b)];
    std::uint64_t branch = (bits >> branchOffset(d, b)) & ((std::uint64_t{1} << n) - 1);
    return reply(format("%X", static_cast<unsigned>(branch)));
}

std::string environmentText(const Device& d) {
    if (d.sensors <= 0)
        return "Temperature=* Humidity=*";
    std::string text =
        format("Temperature=%.2f Humidity=%.2f", d.temperatureReading(0), d.humidityReading(0));
    if (d.sensors >= 2) {
        text += format(" Temperature2=%.2f Humidity2=%.2f", d.temperatureReading(1),
                       d.humidityReading(1));
    }
    return text;
}

std::string alarmText(const Device& d) {
    return format("%X %X", static_cast<unsigned>(d.alarmWord), static_cast<unsigned>(d.lockWord));
}

}  // namespace quorvel::sim
