// Bounded buffer reads and writes of the file name dialog.
#include "dialogs/logic/file_name_text.h"

#include <algorithm>

namespace quorvel::dialogs {

namespace {
bool isHighSurrogate(char16_t c) {
    return c >= 0xD800 && c <= 0xDBFF;
}
}  // namespace

std::u16string_view BufferText(const char16_t* buffer, std::size_t sizeBytes) {
    if (buffer == nullptr) {
        return {};
    }
    const std::size_t capacity = sizeBytes / 2;
    const char16_t* end = std::find(buffer, buffer + capacity, u'\0');
    return {buffer, static_cast<std::size_t>(end - buffer)};
}

std::size_t CopyNameToBuffer(std::u16string_view text, char16_t* buffer, std::size_t sizeBytes) {
    const std::size_t capacity = sizeBytes / 2;
    if (buffer == nullptr || capacity == 0) {
        return 0;
    }
    std::size_t n = std::min({text.size(), kMaxNameChars, capacity - 1});
    if (n > 0 && n < text.size() && isHighSurrogate(text[n - 1])) {
        --n;
    }
    std::copy_n(text.begin(), n, buffer);
    buffer[n] = u'\0';
    return n;
}

std::u16string FolderText(std::u16string_view path) {
    std::u16string folder(path);
    if (folder.empty() || folder.back() != u'/') {
        folder += u'/';
    }
    return folder;
}

}  // namespace quorvel::dialogs
