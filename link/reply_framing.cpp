#include "link/reply_framing.h"

#include "link/pdu_ifce.h"

namespace quorvel {

namespace {

constexpr std::string_view kConsolePrompt = kPrompt;

// The echo of the line, then a line feed one past its end (the console's CR LF), and the
// prompt at the end.
bool echoedAndPrompted(std::string_view line, std::string_view reply) {
    return reply.size() > line.size() + 1 && reply.substr(0, line.size()) == line &&
           reply[line.size() + 1] == '\n' && reply.ends_with(kConsolePrompt);
}

}  // namespace

std::optional<std::string_view> QueryReplyText(std::string_view line, std::string_view reply) {
    // At least the echo, CR LF and the prompt: the echo followed directly by the prompt would
    // otherwise pass on the prompt's own line feed.
    if (reply.size() < line.size() + 2 + kConsolePrompt.size() || !echoedAndPrompted(line, reply)) {
        return std::nullopt;
    }
    const std::size_t start = line.size() + 2;
    return reply.substr(start, reply.size() - kConsolePrompt.size() - start);
}

bool SettingAcknowledged(std::string_view line, std::string_view reply) {
    return reply.size() == line.size() + kConsolePrompt.size() && echoedAndPrompted(line, reply);
}

}  // namespace quorvel
