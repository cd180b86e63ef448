#include "platform/serial_ports.h"

#include <dirent.h>
#include <fcntl.h>
#include <grp.h>
#include <pwd.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <climits>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <tuple>

#include "platform/udev_source.h"

namespace quorvel::platform {

namespace {

constexpr int kComPorts = 20;
constexpr char kById[] = "/dev/serial/by-id/";
constexpr char kByPath[] = "/dev/serial/by-path/";

std::string prop(const TtyRecord& r, const char* key) {
    auto it = r.props.find(key);
    return it == r.props.end() ? std::string{} : it->second;
}

// udev's encoded strings ("FT232R\x20USB\x20UART"), decoded and trimmed.
std::string decodeEnc(const std::string& s) {
    std::string out;
    for (std::size_t i = 0; i < s.size(); ++i) {
        if (s[i] == '\\' && i + 3 < s.size() && s[i + 1] == 'x') {
            const char* hex = s.data() + i + 2;
            unsigned byte = 0;
            if (std::from_chars(hex, hex + 2, byte, 16).ptr == hex + 2) {
                out += static_cast<char>(byte);
                i += 3;
                continue;
            }
        }
        out += s[i];
    }
    const auto b = out.find_first_not_of(' ');
    const auto e = out.find_last_not_of(' ');
    return b == std::string::npos ? std::string{} : out.substr(b, e - b + 1);
}

// The device's own name for itself, else the name the hardware database gives its id. A device
// without a name string is given its id by udev: the database then knows better.
std::string nameOf(const TtyRecord& r, const char* enc, const char* database, const char* plain,
                   const char* id) {
    std::string own = decodeEnc(prop(r, enc));
    if (own.empty()) {
        own = prop(r, plain);
        std::replace(own.begin(), own.end(), '_', ' ');
    }
    if (!own.empty() && own != prop(r, id)) {
        return own;
    }
    std::string known = prop(r, database);
    return known.empty() ? own : known;
}

std::string firstLink(const TtyRecord& r, const std::string& prefix) {
    std::vector<std::string> links = r.links;
    std::sort(links.begin(), links.end());
    for (const std::string& l : links) {
        if (l.rfind(prefix, 0) == 0) {
            return l;
        }
    }
    return {};
}

bool isSerial(const TtyRecord& r) {
    if (!r.hasParent || r.devnode.empty()) {
        return false;
    }
    // The 8250 driver registers its ports whether or not a UART answers; those without one
    // report the type PORT_UNKNOWN, 0.
    if (r.sysname.rfind("ttyS", 0) == 0) {
        return !r.uartType.empty() && r.uartType != "0";
    }
    return true;
}

std::string canonical(const std::string& path) {
    std::error_code ec;
    auto c = std::filesystem::canonical(path, ec);
    return ec ? path : c.string();
}

std::string comm(int pid) {
    std::ifstream in("/proc/" + std::to_string(pid) + "/comm");
    std::string name;
    std::getline(in, name);
    return name;
}

bool alive(int pid) {
    return pid > 0 && (::kill(pid, 0) == 0 || errno == EPERM);
}

// The pid in a lock file: ten ASCII digits as most programs write it, or a binary int.
int lockFilePid(const std::string& file) {
    std::ifstream in(file, std::ios::binary);
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (text.empty()) {
        return 0;
    }
    char* end = nullptr;
    const long pid = std::strtol(text.c_str(), &end, 10);
    if (end != text.c_str() && pid > 0 && pid < INT_MAX) {
        return static_cast<int>(pid);
    }
    if (text.size() == sizeof(int)) {
        int binary = 0;
        std::copy(text.begin(), text.end(), reinterpret_cast<char*>(&binary));
        return binary;
    }
    return 0;
}

struct SourceSlot {
    std::mutex mutex;
    std::function<std::vector<TtyRecord>()> source;
};

SourceSlot& sourceSlot() {
    static SourceSlot s;
    return s;
}

}  // namespace

std::string SerialPortInfo::storeName() const {
    if (!identical && !byId.empty()) {
        return byId;
    }
    return byPath.empty() ? devnode : byPath;
}

std::vector<SerialPortInfo> SerialPortsFrom(const std::vector<TtyRecord>& records) {
    std::vector<SerialPortInfo> ports;
    for (const TtyRecord& r : records) {
        if (!isSerial(r)) {
            continue;
        }
        SerialPortInfo p;
        p.devnode = r.devnode;
        p.byId = firstLink(r, kById);
        p.byPath = firstLink(r, kByPath);
        p.vendor =
            nameOf(r, "ID_VENDOR_ENC", "ID_VENDOR_FROM_DATABASE", "ID_VENDOR", "ID_VENDOR_ID");
        p.product = nameOf(r, "ID_MODEL_ENC", "ID_MODEL_FROM_DATABASE", "ID_MODEL", "ID_MODEL_ID");
        p.serial = prop(r, "ID_SERIAL_SHORT");
        p.driver = r.driver.empty() ? prop(r, "ID_USB_DRIVER") : r.driver;
        p.vendorId = prop(r, "ID_VENDOR_ID");
        p.productId = prop(r, "ID_MODEL_ID");
        p.bus = prop(r, "ID_BUS");
        ports.push_back(std::move(p));
    }
    std::sort(ports.begin(), ports.end(), [](const SerialPortInfo& a, const SerialPortInfo& b) {
        return a.devnode < b.devnode;
    });
    // Two adapters of one make without serial numbers (or with the same one) claim the same
    // by-id name: only their place on the bus tells them apart.
    auto identity = [](const SerialPortInfo& p) {
        return std::tie(p.bus, p.vendorId, p.productId, p.serial, p.vendor, p.product);
    };
    for (std::size_t i = 0; i < ports.size(); ++i) {
        for (std::size_t j = i + 1; j < ports.size(); ++j) {
            const bool sameMake = !ports[i].bus.empty() && identity(ports[i]) == identity(ports[j]);
            const bool sameLink = !ports[i].byId.empty() && ports[i].byId == ports[j].byId;
            if (sameMake || sameLink) {
                ports[i].identical = ports[j].identical = true;
            }
        }
    }
    return ports;
}

void SetTtySource(std::function<std::vector<TtyRecord>()> source) {
    auto& s = sourceSlot();
    std::lock_guard lock(s.mutex);
    s.source = std::move(source);
}

std::vector<SerialPortInfo> DetectSerialPorts() {
    std::function<std::vector<TtyRecord>()> source;
    {
        auto& s = sourceSlot();
        std::lock_guard lock(s.mutex);
        source = s.source;
    }
    return SerialPortsFrom(source ? source() : EnumerateUdevTty());
}

std::vector<int> ComPortsOf(const std::string& path,
                            const std::function<std::string(int)>& resolve) {
    const std::string target = canonical(path);
    std::vector<int> out;
    for (int n = 1; n <= kComPorts; ++n) {
        if (canonical(resolve(n)) == target) {
            out.push_back(n);
        }
    }
    return out;
}

std::vector<int> ComPortsOf(const SerialPortInfo& port,
                            const std::function<std::string(int)>& resolve) {
    const std::string target = canonical(port.devnode);
    std::vector<int> out;
    for (int n = 1; n <= kComPorts; ++n) {
        const std::string path = resolve(n);
        if (canonical(path) == target || (!port.byId.empty() && path == port.byId) ||
            (!port.byPath.empty() && path == port.byPath)) {
            out.push_back(n);
        }
    }
    return out;
}

const SerialPortInfo* FindPort(const std::vector<SerialPortInfo>& ports, const std::string& path) {
    const std::string target = canonical(path);
    for (const SerialPortInfo& p : ports) {
        if (p.devnode == target || p.devnode == path || p.byId == path || p.byPath == path) {
            return &p;
        }
    }
    return nullptr;
}

std::string DescribePort(const SerialPortInfo& port) {
    std::string text = port.vendor;
    if (!port.product.empty()) {
        text += (text.empty() ? "" : " ") + port.product;
    }
    if (!port.serial.empty()) {
        text += (text.empty() ? "serial " : ", serial ") + port.serial;
    }
    if (!port.driver.empty()) {
        text += (text.empty() ? "" : " ") + ("(" + port.driver + ")");
    }
    return text;
}

std::string ComPortTooltip(int n, const std::string& path,
                           const std::vector<SerialPortInfo>& ports) {
    std::string text = "COM" + std::to_string(n) + ": " + path;
    const SerialPortInfo* p = FindPort(ports, path);
    if (p == nullptr) {
        std::error_code ec;
        const bool present = std::filesystem::exists(path, ec);
        return text + (present ? "" : " (not present)");
    }
    if (p->devnode != path) {
        text += " = " + p->devnode;
    }
    if (std::string what = DescribePort(*p); !what.empty()) {
        text += ", " + what;
    }
    return text;
}

std::string TypedPathError(const std::string& path) {
    if (path.empty()) {
        return "Device path: type a path such as /dev/ttyUSB0, or pick a device from the list";
    }
    if (path.front() != '/') {
        return "Device path: an absolute path is needed (one that begins with /), not '" + path +
               "'";
    }
    for (const char c : path) {
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f) {
            return "Device path: control characters cannot be part of a path";
        }
    }
    return {};
}

std::string MappingText(int n, const std::string& path, PortSource source) {
    const std::string com = "COM" + std::to_string(n);
    std::string text = com + " uses " + path;
    switch (source) {
        case PortSource::Program:
            return text + " (set by this program)";
        case PortSource::Environment:
            return text + " (QUORVEL_" + com + " is set; it comes before the settings)";
        case PortSource::Settings:
            return text + " (from the settings)";
        case PortSource::Default:
            break;
    }
    return text + " (the default)";
}

PortAccess CheckAccess(const std::string& path) {
    PortAccess a;
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) {
        return a;
    }
    a.exists = true;
    a.mayOpen = ::access(path.c_str(), R_OK | W_OK) == 0;
    if (const group* g = ::getgrgid(st.st_gid)) {
        a.group = g->gr_name;
    }
    const bool groupMayOpen = (st.st_mode & (S_IRGRP | S_IWGRP)) == (S_IRGRP | S_IWGRP);
    if (a.mayOpen || !groupMayOpen || a.group.empty()) {
        return a;
    }
    a.joinGroup = a.group;
    // Joined since this login began: the group list of the account has it, the process not.
    if (const passwd* pw = ::getpwuid(::getuid())) {
        int count = 64;
        std::vector<gid_t> groups(static_cast<std::size_t>(count));
        if (::getgrouplist(pw->pw_name, pw->pw_gid, groups.data(), &count) >= 0) {
            groups.resize(static_cast<std::size_t>(count));
            a.joinedNotActive = std::find(groups.begin(), groups.end(), st.st_gid) != groups.end();
        }
    }
    return a;
}

PortHold CheckHeld(const std::string& path) {
    PortHold h;
    const std::string target = canonical(path);
    const int self = static_cast<int>(::getpid());
    auto addHolder = [&h](int pid) {
        for (const PortHolder& k : h.openBy) {
            if (k.pid == pid) {
                return;
            }
        }
        h.openBy.push_back({pid, comm(pid)});
    };

    // Lock files of the programs that keep to the old convention (minicom, cu, ...).
    const std::string base = std::filesystem::path(target).filename().string();
    for (const char* dir : {"/run/lock/", "/var/lock/"}) {
        const int pid = lockFilePid(dir + ("LCK.." + base));
        if (pid != self && alive(pid)) {
            h.held = true;
            addHolder(pid);
        }
    }

    // Open files of the processes this user may look into.
    bool partial = false;
    bool selfHas = false;
    if (DIR* proc = ::opendir("/proc")) {
        while (const dirent* e = ::readdir(proc)) {
            char* end = nullptr;
            const long pid = std::strtol(e->d_name, &end, 10);
            if (*end != '\0' || pid <= 0) {
                continue;
            }
            const std::string fdDir = std::string("/proc/") + e->d_name + "/fd";
            DIR* fds = ::opendir(fdDir.c_str());
            if (fds == nullptr) {
                partial = partial || errno == EACCES;
                continue;
            }
            while (const dirent* f = ::readdir(fds)) {
                char link[PATH_MAX];
                const std::string fdPath = fdDir + "/" + f->d_name;
                const ssize_t n = ::readlink(fdPath.c_str(), link, sizeof link - 1);
                if (n > 0 && std::string(link, static_cast<std::size_t>(n)) == target) {
                    if (pid == self) {
                        selfHas = true;
                    } else {
                        addHolder(static_cast<int>(pid));
                    }
                    break;
                }
            }
            ::closedir(fds);
        }
        ::closedir(proc);
    } else {
        partial = true;
    }

    // A device nobody has open cannot be locked; otherwise try the locks our own open takes.
    if (h.held || (!partial && !selfHas && h.openBy.empty())) {
        return h;
    }
    int fd;
    do {
        fd = ::open(target.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0) {
        h.held = errno == EBUSY;
        return h;
    }
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        h.held = errno == EWOULDBLOCK;
    } else {
        ::flock(fd, LOCK_UN);
    }
    ::close(fd);
    return h;
}

}  // namespace quorvel::platform
