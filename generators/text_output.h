// Text output of the document generators: a sink that a writer hands whole lines to, the file
// behind it, and a line writer that stops at the first failed write.
#pragma once

#include <cstdio>
#include <filesystem>
#include <string>
#include <string_view>

namespace quorvel {

// Line end of the generated documents: the platform's text line end.
constexpr std::string_view kDocumentLineEnd = "\n";

// Where a generator's text goes. write() is true when all of `text` was accepted.
class TextSink {
  public:
    virtual ~TextSink() = default;
    virtual bool write(std::string_view text) = 0;
};

// A file created (or truncated) for writing. Closing flushes; a flush that fails (a full disk)
// counts as a failed write. The file stays, as far as it was written, whatever happens.
class TextFile final : public TextSink {
  public:
    TextFile() = default;
    TextFile(const TextFile&) = delete;
    TextFile& operator=(const TextFile&) = delete;
    ~TextFile() override;

    bool create(const std::filesystem::path& path);
    bool write(std::string_view text) override;
    // True when every buffered byte reached the file and it closed cleanly.
    bool close();

  private:
    std::FILE* file_ = nullptr;
};

// Writes lines to a sink, each with the document line end. After the first write that fails,
// nothing more is written and ok() stays false.
class LineWriter {
  public:
    explicit LineWriter(TextSink& sink) : sink_(sink) {}

    void line(std::string_view text);
    // The pieces joined, as one line.
    template <typename... Pieces>
    void join(const Pieces&... pieces) {
        if (!ok_)
            return;
        buffer_.clear();
        (buffer_.append(pieces), ...);
        flushBuffer();
    }
    bool ok() const { return ok_; }

  private:
    void flushBuffer();

    TextSink& sink_;
    std::string buffer_;
    bool ok_ = true;
};

// A wide text (terminated, at most `capacity` characters) as single-byte characters; a
// character above 0xFF becomes "?".
std::string narrowText(const char16_t* text, std::size_t capacity);

// A wide file path as the file system wants it; false (no exception) for a null, empty or
// malformed path.
bool documentPath(const char16_t* path, std::filesystem::path& out);

}  // namespace quorvel
