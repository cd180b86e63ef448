// The text handling of the file name dialog, kept apart from its widgets: reading the caller's
// fixed buffer, the bounded copy back into it, and the folder form of a chosen directory.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "dialogs/halvex_api.h"

namespace quorvel::dialogs {

// The most characters the dialog reads from its edit box.
constexpr std::size_t kMaxNameChars = 255;

// The text in a buffer of sizeBytes bytes, up to its terminator or the buffer's end.
QUORVEL_HALVEX_API std::u16string_view BufferText(const char16_t* buffer, std::size_t sizeBytes);

// Copies at most kMaxNameChars characters of text into a buffer of sizeBytes bytes, keeping
// room for the terminator (at most sizeBytes / 2 characters in all) and never ending on half a
// surrogate pair. Returns the characters copied; a buffer without room for one character is
// left untouched.
QUORVEL_HALVEX_API std::size_t CopyNameToBuffer(std::u16string_view text, char16_t* buffer,
                                                std::size_t sizeBytes);

// A folder as the caller expects it: the path ending in "/" (added when missing).
QUORVEL_HALVEX_API std::u16string FolderText(std::u16string_view path);

}  // namespace quorvel::dialogs
