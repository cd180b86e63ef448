#include "cli/code_argument.h"

#include <charconv>
#include <cstdio>
#include <string_view>

namespace quorvel::cli {

namespace {

bool parseHexField(std::string_view s, std::uint32_t maxValue, std::uint32_t& out) {
    if (s.empty() || s.size() > 8) {
        return false;
    }
    auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), out, 16);
    return ec == std::errc{} && end == s.data() + s.size() && out <= maxValue;
}

}  // namespace

bool ParseCodeArgument(const std::string& text, ModelCode& code) {
    const auto a = text.find(':');
    if (a != std::string::npos) {
        const auto b = text.find(':', a + 1);
        if (b == std::string::npos) {
            return false;
        }
        const std::string_view s = text;
        std::uint32_t f = 0, attr = 0, e = 0;
        if (!parseHexField(s.substr(0, a), 0xFFFF, f) ||
            !parseHexField(s.substr(a + 1, b - a - 1), 0xFFFFFFFFu, attr) ||
            !parseHexField(s.substr(b + 1), 0xFFFF, e)) {
            return false;
        }
        code = {static_cast<std::uint16_t>(f), attr, static_cast<std::uint16_t>(e)};
        return true;
    }
    std::string upper = text;
    return decodeModelCode(upper, code);
}

std::string WordsText(const ModelCode& c) {
    char buf[24];
    std::snprintf(buf, sizeof buf, "%4.4X:%8.8X:%4.4X", static_cast<unsigned>(c.feature),
                  static_cast<unsigned>(c.attribute), static_cast<unsigned>(c.extension));
    return buf;
}

}  // namespace quorvel::cli
