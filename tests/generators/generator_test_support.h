// Shared by the generator tests (and the tests that lay out the shipped series): a sink that
// keeps the text (and can refuse a write), the shipped catalogue, a model code of each of its
// series, the words of a model code text and a fixed time stamp.
#pragma once

#include <gtest/gtest.h>

#include <ctime>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "catalogue/attribute_loader.h"
#include "catalogue/model_code.h"
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

// The words of a model code text, which must decode.
inline ModelCode decodedCode(std::string text) {
    ModelCode code;
    EXPECT_TRUE(decodeModelCode(text, code)) << text;
    return code;
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

// The optional features a model code of a series may have, each on or off.
constexpr std::uint16_t kOptionalFeatures[] = {kFeatSocketControl, kFeatSocketMeter, kFeatVoltMeter,
                                               kFeatEnvSensor};

// A model code of a shipped series: the phase and form factor it is designed for, serial and
// Ethernet, the features given, 208 V, 30 A, 2 meters, 2 breakers and 2 TLD modules. Words, so
// that an extended series keeps its marker.
inline ModelCode seriesCode(SeriesIndex index, std::uint16_t features) {
    ExtRecord ext{};
    LayoutRecord layout{};
    shippedCatalogue().storedRecords(index, nullptr, &layout, &ext);
    ModelCode c;
    c.feature = static_cast<std::uint16_t>(kFeatSerial | kFeatEthernet | features |
                                           (ext.intend[0] == 1 ? kFeatThreePhase : 0));
    c.attribute = (ext.intend[1] & 7u) | (1u << 4) | (3u << 8) | ((index & 0x3Fu) << 18) |
                  ((index >> 6 & 1u) << 7) | (2u << 24) | (2u << 27) | (2u << 30);
    c.extension = static_cast<std::uint16_t>((index >> 7) & 0xFF);
    if (layout.extModel[0] > 0x0F)
        c.extension |= kExtExtendedMin;
    return c;
}

// Every combination of the optional features, none first.
inline std::vector<std::uint16_t> featureCombinations() {
    std::vector<std::uint16_t> out;
    for (unsigned mask = 0; mask < 16; ++mask) {
        std::uint16_t f = 0;
        for (unsigned b = 0; b < 4; ++b) {
            if (mask & (1u << b))
                f |= kOptionalFeatures[b];
        }
        out.push_back(f);
    }
    return out;
}

}  // namespace quorvel::testing
