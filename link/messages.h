// Numbers of the window messages the session worker posts to the main window.
#pragma once

namespace quorvel {

constexpr unsigned UM_STATUS_TEXT = 0x40A;    // wParam 0, lParam: the status text
constexpr unsigned UM_ACCESS_ERROR = 0x40B;   // wParam 1, lParam: the failure text
constexpr unsigned UM_CONFIG_READY = 0x411;   // identity, version and modules are in the record
constexpr unsigned UM_SESSION_ENDED = 0x412;  // the worker is ending
constexpr unsigned UM_LINK_STATE = 0x413;     // lParam: 0 idle, 2 logged in, 1 ended

}  // namespace quorvel
