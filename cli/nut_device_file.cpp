#include "cli/nut_device_file.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>

namespace quorvel::cli {

namespace {

constexpr char kManufacturer[] = "TEVRA";

std::string fixed(double value, int decimals) {
    char text[32];
    std::snprintf(text, sizeof text, "%.*f", decimals, value);
    return text;
}

void add(std::string& out, const std::string& name, const std::string& value) {
    out += name;
    out += ": ";
    out += value;
    out += '\n';
}

}  // namespace

std::string NutDeviceText(const std::string& model, const Readings& r) {
    std::string out;
    add(out, "device.type", "pdu");
    // dummy-ups fills ups.mfr and ups.model with its own names unless the file gives them, and
    // device.mfr and device.model follow those.
    add(out, "device.mfr", kManufacturer);
    add(out, "device.model", model);
    add(out, "ups.mfr", kManufacturer);
    add(out, "ups.model", model);
    add(out, "ups.status", r.alarmWord != 0 ? "OL ALARM" : "OL");
    if (!r.voltages.empty()) {
        add(out, "input.voltage", std::to_string(r.voltages.front()));
    }
    add(out, "outlet.count", std::to_string(r.outlets.size()));
    for (const OutletReading& o : r.outlets) {
        const std::string prefix = "outlet." + std::to_string(o.number) + ".";
        add(out, prefix + "id", std::to_string(o.number));
        add(out, prefix + "desc", o.name);
        if (o.on) {
            add(out, prefix + "status", *o.on ? "on" : "off");
        }
        if (o.current) {
            add(out, prefix + "current", fixed(*o.current, 2));
        }
        add(out, prefix + "switchable", o.on ? "yes" : "no");
    }
    if (!r.temperatures.empty() && r.temperatures.front()) {
        const double t = *r.temperatures.front();
        add(out, "ambient.temperature", fixed(r.celsius ? t : CelsiusOf(t), 1));
    }
    if (!r.humidities.empty() && r.humidities.front()) {
        add(out, "ambient.humidity", fixed(*r.humidities.front(), 1));
    }
    return out;
}

bool ReplaceFile(const std::string& path, const std::string& text, std::string& error) {
    const std::string temporary = path + ".tmp";
    {
        std::ofstream f(temporary, std::ios::binary | std::ios::trunc);
        if (!f) {
            error = temporary + ": " + std::strerror(errno);
            return false;
        }
        f << text;
        f.close();
        if (!f) {
            error = temporary + ": could not write";
            return false;
        }
    }
    std::error_code ec;
    std::filesystem::rename(temporary, path, ec);
    if (ec) {
        error = path + ": " + ec.message();
        std::filesystem::remove(temporary, ec);
        return false;
    }
    return true;
}

}  // namespace quorvel::cli
