// One configuration item descriptor: a dialog field and the PDU configuration variable behind
// it, with its place in the byte images the configuration dialogs exchange. Tables of them end
// with an entry whose first field is -1.
#pragma once

#include <cstdint>

namespace quorvel {

// Value kinds on the console and in the images.
enum ConfigValueKind : std::uint8_t {
    kKindSigned16 = 0,
    kKindUnsigned16 = 1,
    kKindIpAddress = 2,   // 4 bytes
    kKindMacAddress = 3,  // 6 bytes
    kKindText = 4,        // wide text of `size` bytes
    kKindHundredths = 5,  // unsigned 16-bit hundredths
    kKindByte = 6,
    kKindByteString = 7,  // 4, 6 or 8 bytes (count), one 6-bit group per byte in the images
};

struct ConfigItemDescriptor {
    std::int32_t labelControl = 0;
    std::int32_t editControl = 0;
    const char16_t* defaultText = nullptr;
    std::int32_t offset = 0;  // of the item's first element in the images
    std::uint32_t size = 0;   // bytes per element (the stride); for texts the text's size
    std::uint8_t kind = 0;    // ConfigValueKind; above 7 cannot be read or written
    std::uint8_t codeCopy = 0;
    std::uint8_t code = 0;          // the console's variable id ("h"/"H"); 0 = not a console item
    std::uint8_t elementIndex = 0;  // sub-id: third argument of "H"
    std::uint8_t count = 0;         // elements of the item (for byte strings: their length)
    const char* keyName = nullptr;
    const char16_t* label = nullptr;  // the dialog's label text of the field
};

}  // namespace quorvel
