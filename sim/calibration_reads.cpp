// Raw calibration reads of the simulated unit, through its calibration table.
#include "sim/calibration_reads.h"

#include <algorithm>
#include <cmath>

#include "sim/command_text.h"
#include "sim/encoding.h"

namespace quorvel::sim {

namespace {

using namespace text;

constexpr int kScaleColumn = 2;
constexpr int kOffsetColumn = 1;

char rowLetter(int row) {
    return static_cast<char>('A' + row);
}

// The value of one column of a channel's entry, if the table has it.
std::optional<std::uint16_t> tableValue(const Device& d, bool voltage, int row, int column,
                                        int channel) {
    std::string keyword = voltage ? "K V " : "K I ";
    keyword += rowLetter(row);
    keyword += static_cast<char>('0' + column);
    auto it = d.calibration.find(keyword);
    if (it == d.calibration.end())
        return std::nullopt;
    auto value = it->second.find(channel);
    if (value == it->second.end())
        return std::nullopt;
    return value->second;
}

double load(const Device& d, bool voltage, int row, int channel, double live) {
    auto it = d.bench.loads.find(calibrationChannelKey(voltage, row, channel));
    return it == d.bench.loads.end() ? live : it->second;
}

CommandResult raw(const Device& d, bool voltage, int row, int channel, double live) {
    std::uint16_t value =
        rawReading(d, voltage, row, channel, load(d, voltage, row, channel, live));
    return reply(format("%X", static_cast<unsigned>(value)));
}

}  // namespace

std::string calibrationChannelKey(bool voltage, int row, int channel) {
    return std::string(voltage ? "V " : "I ") + rowLetter(row) + ' ' + std::to_string(channel);
}

ChannelCalibration channelCalibration(const Device& d, bool voltage, int row, int channel) {
    ChannelCalibration c{voltage ? kFactoryVoltageScale : kFactoryCurrentScale,
                         voltage ? kFactoryVoltageOffset : kFactoryCurrentOffset};
    auto scale = tableValue(d, voltage, row, kScaleColumn, channel);
    if (scale && *scale > 0) {
        c.scale = *scale;
        auto offset = tableValue(d, voltage, row, kOffsetColumn, channel);
        c.offset = offset ? static_cast<std::int16_t>(*offset) : 0;
    }
    return c;
}

std::uint16_t rawReading(const Device& d, bool voltage, int row, int channel, double load) {
    const ChannelCalibration c = channelCalibration(d, voltage, row, channel);
    const double counts = voltage ? load * 4096.0 / c.scale : load * 100.0 * 4095.0 / c.scale;
    const double value = std::trunc(counts) + c.offset;
    return static_cast<std::uint16_t>(std::clamp(value, 0.0, 65535.0));
}

void setReferenceLoad(Device& d, bool voltage, int row, int channel, double value) {
    d.bench.loads[calibrationChannelKey(voltage, row, channel)] = value;
}

void clearReferenceLoads(Device& d) {
    d.bench.loads.clear();
}

std::optional<CommandResult> calibrationRead(const Device& d,
                                             const std::vector<std::string_view>& t) {
    if (t.size() != 4 || t[1].size() != 1)
        return std::nullopt;
    const char kind = t[1][0];
    std::uint64_t selector = 0;
    if (!parseHex(t[3], 0xFF, selector))
        return std::nullopt;
    const auto sel = static_cast<int>(selector);
    bool flag = false;
    if (parseSwitch(t[2], flag)) {
        if (!flag)
            return std::nullopt;
        switch (kind) {
            case 'V': {
                const int input = sel & (d.largeSets() ? 3 : 1);
                return raw(d, true, input, 0, d.voltage(input));
            }
            case 'I': {
                const int circuit = sel & 7;
                if (circuit >= kCircuits)
                    return refused(kErrBadArguments);
                return raw(d, false, circuit, 0, d.circuitCurrent(circuit));
            }
            case 'i':
                if (sel < 1 || sel > kMaxOutlets)
                    return refused(kErrBadArguments);
                return raw(d, false, 0, sel, d.outletCurrent(sel - 1));
            default:
                return std::nullopt;
        }
    }
    if ((kind != 'I' && kind != 'V') || t[2].size() != 1 || t[2][0] < 'a')
        return std::nullopt;
    const int c = branchIndex(t[2]);
    if (c < 0)
        return std::nullopt;
    if (kind == 'V')
        return raw(d, true, c, 0, d.voltage(c));
    if (sel == 0)
        return raw(d, false, c, 0, d.circuitCurrent(c));
    const int outlets = d.branchOutlets[static_cast<std::size_t>(c)];
    const double live = sel <= outlets ? d.outletCurrent(branchOffset(d, c) + sel - 1) : 0.0;
    return raw(d, false, c, sel, live);
}

}  // namespace quorvel::sim
