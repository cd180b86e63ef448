// quorvelctl ports: the serial devices of this machine, the COM port each is mapped to, whether
// this user may open it and whether another program holds it.
#include <CLI/CLI.hpp>

#include <filesystem>
#include <map>
#include <memory>

#include "cli/cli_session.h"
#include "cli/context.h"
#include "platform/port_map.h"
#include "platform/serial_ports.h"

namespace quorvel::cli {

namespace {

constexpr int kComPorts = 20;

nlohmann::json orNull(const std::string& s) {
    return s.empty() ? nlohmann::json(nullptr) : nlohmann::json(s);
}

nlohmann::json portJson(const std::string& device, const platform::SerialPortInfo* info) {
    nlohmann::json j{{"device", device}, {"detected", info != nullptr}};
    if (info != nullptr) {
        j["byId"] = orNull(info->byId);
        j["byPath"] = orNull(info->byPath);
        j["store"] = info->storeName();
        j["vendor"] = orNull(info->vendor);
        j["product"] = orNull(info->product);
        j["serial"] = orNull(info->serial);
        j["driver"] = orNull(info->driver);
        j["vendorId"] = orNull(info->vendorId);
        j["productId"] = orNull(info->productId);
        j["bus"] = orNull(info->bus);
        j["identical"] = info->identical;
    }
    nlohmann::json com = nlohmann::json::array();
    for (int n : info != nullptr ? platform::ComPortsOf(*info, platform::resolvePortPath)
                                 : platform::ComPortsOf(device, platform::resolvePortPath)) {
        com.push_back("COM" + std::to_string(n));
    }
    j["com"] = com;

    const platform::PortAccess access = platform::CheckAccess(device);
    j["exists"] = access.exists;
    j["mayOpen"] = access.mayOpen;
    j["group"] = orNull(access.group);
    j["joinGroup"] = orNull(access.joinGroup);
    if (!access.joinGroup.empty()) {
        j["hint"] = access.joinedNotActive
                        ? "already in group " + access.joinGroup + ": log out and in again"
                        : "usermod -aG " + access.joinGroup + " $USER, then log in again";
    }
    if (access.exists) {
        const platform::PortHold hold = platform::CheckHeld(device);
        nlohmann::json by = nlohmann::json::array();
        for (const auto& h : hold.openBy) {
            by.push_back({{"pid", h.pid}, {"program", h.program}});
        }
        j["held"] = hold.held;
        j["openBy"] = by;
    } else {
        j["held"] = false;
        j["openBy"] = nlohmann::json::array();
    }
    return j;
}

void listPorts(Context& ctx, bool usbOnly) {
    // The simulated PDU and --port stand behind COM1, as they do for the device verbs.
    std::unique_ptr<EmbeddedSimulator> simulator;
    bool overridden = false;
    if (ctx.simulate.has_value()) {
        simulator = StartSimulator(ctx);
        if (!simulator) {
            return;
        }
        platform::setPortOverride(1, simulator->slavePath());
        overridden = true;
    } else if (!ctx.port.empty() && ctx.port.front() == '/') {
        platform::setPortOverride(1, ctx.port);
        overridden = true;
    }

    const std::vector<platform::SerialPortInfo> detected = platform::DetectSerialPorts();
    nlohmann::json ports = nlohmann::json::array();
    std::map<std::string, bool> listed;  // device nodes already shown
    for (const auto& info : detected) {
        if (usbOnly && info.bus != "usb") {
            continue;
        }
        ports.push_back(portJson(info.devnode, &info));
        listed[info.devnode] = true;
    }
    // COM ports mapped to something the device database does not list (a pseudo-terminal, an
    // adapter that is not plugged in): shown under their mapped path.
    for (int n = 1; n <= kComPorts && !usbOnly; ++n) {
        if (platform::portPathSource(n) == platform::PortSource::Default) {
            continue;
        }
        const std::string path = platform::resolvePortPath(n);
        std::error_code ec;
        const auto canon = std::filesystem::canonical(path, ec);
        const std::string device = ec ? path : canon.string();
        if (platform::FindPort(detected, path) != nullptr || listed[device]) {
            continue;
        }
        listed[device] = true;
        ports.push_back(portJson(device, nullptr));
    }
    if (overridden) {
        platform::setPortOverride(1, "");
    }
    ctx.printJson({{"ports", ports}});
}

}  // namespace

void registerPortCommands(CLI::App& app, Context& ctx) {
    auto* cmd = app.add_subcommand(
        "ports",
        "List the serial devices: persistent names, make, the COM port each is mapped "
        "to, whether this user may open it and whether another program holds it");
    auto usb = std::make_shared<bool>(false);
    cmd->add_flag("--usb", *usb, "Only the USB serial adapters");
    cmd->callback([&ctx, usb] { listPorts(ctx, *usb); });
}

}  // namespace quorvel::cli
