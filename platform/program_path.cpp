#include "platform/program_path.h"

#include <system_error>

namespace quorvel::platform {

std::filesystem::path programPath() {
    std::error_code ec;
    auto p = std::filesystem::read_symlink("/proc/self/exe", ec);
    return ec ? std::filesystem::path{} : p;
}

std::filesystem::path programDirectory() {
    auto p = programPath();
    if (p.empty()) {
        std::error_code ec;
        auto cwd = std::filesystem::current_path(ec);
        return ec ? std::filesystem::path{"."} : cwd;
    }
    return p.parent_path();
}

}  // namespace quorvel::platform
