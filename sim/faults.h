// Named failure modes of the simulated console, for exercising the host's error paths.
// "Command line" below means a non-empty line received while logged in; the password, logout
// lines, empty lines and the host's ESC-CR sanity checks are not counted. Counted from 1.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace quorvel::sim {

struct Faults {
    // With an anchor the line numbers below count from the first command line that begins
    // with this text (that line is line 1); the lines before it never fire a fault. A device
    // that goes quiet at its anchor line (silentFromLine 1) stops echoing as soon as the
    // anchor's text has arrived.
    std::optional<std::string> anchor;
    // Never answers anything, not even the echo.
    bool silent = false;
    // Quiet (no echo, no replies) from the N-th command line on; 1 = right after login. That
    // line is not received.
    std::optional<unsigned> silentFromLine;
    // Keeps asking for the password whatever it receives.
    bool refusePassword = false;
    // Echoes, but answers every line with random bytes (never containing '?') instead of a
    // prompt or reply; with garbageFromLine only from the answer to the N-th command line on
    // (that line and the later ones are still carried out).
    bool garbage = false;
    std::optional<unsigned> garbageFromLine;
    std::uint32_t garbageSeed = 1;
    // The line after the N-th command line is echoed but gets no reply; quiet from then on.
    std::optional<unsigned> dropAfterLines;
    // Line noise: every K-th character the console sends (echo and answers alike) is lost,
    // counted from the answer to the dropCharsFromLine-th command line (from the start when
    // unset). 0 = off.
    unsigned dropCharsEvery = 0;
    std::optional<unsigned> dropCharsFromLine;
    // After the reply to the N-th command line the device hangs up (0 = at once): the pty
    // simulator closes its master.
    std::optional<unsigned> hangupAfterLines;
    // The device hangs up in the middle of the N-th command line: it echoes the line and goes
    // away before carrying it out or answering.
    std::optional<unsigned> hangupAtLine;
    // Every reply (what follows the echo of a CR) leaves this many milliseconds late.
    unsigned slowMs = 0;
};

}  // namespace quorvel::sim
