// Status frames as the state dialog and quorvelctl read them: every block bound-checked.
#include <cstddef>
#include <cstdint>
#include <span>

#include "common/status_frame.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    quorvel::StatusFrameView view;
    if (quorvel::ParseStatusFrame(std::span<const std::uint8_t>(data, size), view)) {
        if (view.length > size) {
            __builtin_trap();
        }
        for (unsigned k = 0; k < 64; ++k) {
            (void)quorvel::BitmapBit(view.state, k);
            (void)quorvel::BitmapBit(view.blocked, k);
        }
    }
    return 0;
}
