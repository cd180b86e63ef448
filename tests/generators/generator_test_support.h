// Shared by the generator tests: a sink that keeps the text (and can refuse a write), the
// shipped catalogue and a fixed time stamp.
#pragma once

#include <unistd.h>

#include <ctime>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "catalogue/attribute_loader.h"
#include "generators/text_output.h"

namespace quorvel::testing {

// Keeps what was written; refuses write number `failAt` (1-based) and counts every call.
class StringSink : public TextSink {
  public:
    explicit StringSink(int failAt = 0) : failAt_(failAt) {}
    bool write(std::string_view text) override {
        ++calls;
        if (calls == failAt_)
            return false;
        this->text.append(text);
        return true;
    }
    std::string text;
    int calls = 0;

  private:
    int failAt_;
};

inline std::vector<std::string> splitLines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string l; std::getline(in, l);)
        lines.push_back(l);
    return lines;
}

inline std::string readFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

// 5 March 2009, 07:04 local time.
inline std::tm fixedTime() {
    std::tm t{};
    t.tm_year = 2009 - 1900;
    t.tm_mon = 2;
    t.tm_mday = 5;
    t.tm_hour = 7;
    t.tm_min = 4;
    return t;
}

inline const AttributeTables& shippedCatalogue() {
    static AttributeTables* tables = [] {
        auto* t = new AttributeTables;
        LoadPDUAttributes(*t,
                          std::filesystem::path(QUORVEL_SOURCE_DIR) / "data" / "pduattribs.ini");
        return t;
    }();
    return *tables;
}

// A fresh folder under the test temp folder.
inline std::filesystem::path scratchDir(const std::string& name) {
    const auto dir = std::filesystem::temp_directory_path() /
                     ("quorvel_gen_" + name + "_" + std::to_string(::getpid()));
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir);
    return dir;
}

}  // namespace quorvel::testing
