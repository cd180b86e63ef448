// libFuzzer target: decoding arbitrary text as a model code, and encoding arbitrary words.
// A text that decodes must encode back to words that decode to the same words.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "catalogue/model_code.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace quorvel;
    // Exactly `size` characters and no terminator: the capacity alone must bound the decoder.
    std::vector<char> text(data, data + size);
    ModelCode c;
    if (decodeModelCode(text.data(), text.size(), &c.feature, &c.attribute, &c.extension)) {
        std::string again = encodeModelCode(c);
        ModelCode back;
        if (!decodeModelCode(again, back) || !(back == c))
            __builtin_trap();
    }
    std::vector<char16_t> wide(data, data + size);
    decodeModelCode(wide.data(), wide.size(), nullptr, nullptr, nullptr);

    if (size >= 8) {
        ModelCode w;
        std::memcpy(&w.feature, data, 2);
        std::memcpy(&w.attribute, data + 2, 4);
        std::memcpy(&w.extension, data + 6, 2);
        char out[8];
        const std::size_t full = encodeModelCode(w, out, sizeof out);
        if (std::strlen(out) != std::min<std::size_t>(full, sizeof out - 1))
            __builtin_trap();
        for (int f = -1; f <= 15; ++f)
            modelCodeField(w, f);
        tldCount(w);
        managementClass(w.feature);
        seriesLetters(seriesIndexOf(w));
    }
    return 0;
}
