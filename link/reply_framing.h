// How the console frames its answers: a query's reply is the echo of the line, CR LF, the reply
// text and the prompt; a setting's acknowledgement is exactly the echo and the prompt. Anything
// else is a bad response.
#pragma once

#include <optional>
#include <string_view>

namespace quorvel {

// The reply text of a query answered with `reply` to `line` (the line with its CR), or nothing
// when the reply is not framed as one.
std::optional<std::string_view> QueryReplyText(std::string_view line, std::string_view reply);

// True when `reply` acknowledges the setting `line`.
bool SettingAcknowledged(std::string_view line, std::string_view reply);

}  // namespace quorvel
