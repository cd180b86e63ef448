// The generators' file, line writer and text conversions.
#include "generators/text_output.h"

#include <string>

namespace quorvel {

TextFile::~TextFile() {
    close();
}

bool TextFile::create(const std::filesystem::path& path) {
    close();
    if (path.empty())
        return false;
    file_ = std::fopen(path.c_str(), "w");
    return file_ != nullptr;
}

bool TextFile::write(std::string_view text) {
    if (!file_)
        return false;
    if (text.empty())
        return true;
    return std::fwrite(text.data(), 1, text.size(), file_) == text.size();
}

bool TextFile::close() {
    if (!file_)
        return false;
    const bool flushed = std::fflush(file_) == 0;
    const bool closed = std::fclose(file_) == 0;
    file_ = nullptr;
    return flushed && closed;
}

void LineWriter::line(std::string_view text) {
    if (!ok_)
        return;
    buffer_.assign(text);
    flushBuffer();
}

void LineWriter::flushBuffer() {
    buffer_.append(kDocumentLineEnd);
    ok_ = sink_.write(buffer_);
}

std::string narrowText(const char16_t* text, std::size_t capacity) {
    std::string out;
    if (!text)
        return out;
    for (std::size_t i = 0; i < capacity && text[i] != 0; ++i)
        out.push_back(text[i] <= 0xFF ? static_cast<char>(text[i]) : '?');
    return out;
}

bool documentPath(const char16_t* path, std::filesystem::path& out) {
    if (!path || path[0] == 0)
        return false;
    try {
        out = std::filesystem::path(std::u16string(path));
    } catch (...) {  // a lone surrogate cannot be converted to a file name
        return false;
    }
    return !out.empty();
}

}  // namespace quorvel
