// Halvex's exports. The dialog exports stay empty until their dialogs exist: they show nothing
// and return at once, which leaves the caller's record and tables untouched.
#include "dialogs/halvex_exports.h"

namespace {
constexpr std::uint8_t kVersionMajor = 1;
constexpr std::uint8_t kVersionMinor = 1;
constexpr std::uint8_t kVersionBuild = 8;
}  // namespace

extern "C" {

std::uint8_t* PduDLLVersion(std::uint8_t* three) {
    if (three != nullptr) {
        three[0] = kVersionMajor;
        three[1] = kVersionMinor;
        three[2] = kVersionBuild;
    }
    return three;
}

}  // extern "C"
