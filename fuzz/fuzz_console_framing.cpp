// The framing of the console's answers: any reply to any line is taken apart without reading
// outside it, and whatever is taken as good is exactly the echo, CR LF, text and prompt.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "link/pdu_ifce.h"
#include "link/reply_framing.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // The first byte says how much of the rest is the line sent; the remainder is the reply.
    if (size == 0) {
        return 0;
    }
    const std::string_view all(reinterpret_cast<const char*>(data) + 1, size - 1);
    const std::size_t split = data[0] < all.size() ? data[0] : all.size();
    const std::string_view line = all.substr(0, split);
    const std::string_view reply = all.substr(split);
    const std::string_view prompt = quorvel::kPrompt;

    if (const auto text = quorvel::QueryReplyText(line, reply)) {
        if (reply.substr(0, line.size()) != line || reply[line.size() + 1] != '\n' ||
            text->data() != reply.data() + line.size() + 2 ||
            line.size() + 2 + text->size() + prompt.size() != reply.size() ||
            !reply.ends_with(prompt)) {
            __builtin_trap();
        }
    }
    if (quorvel::SettingAcknowledged(line, reply) &&
        (reply.size() != line.size() + prompt.size() || reply.substr(0, line.size()) != line ||
         !reply.ends_with(prompt))) {
        __builtin_trap();
    }
    return 0;
}
