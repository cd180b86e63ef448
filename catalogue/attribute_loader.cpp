// Reading pduattribs.ini into AttributeTables, line by line.
#include "catalogue/attribute_loader.h"

#include <fstream>
#include <iterator>
#include <system_error>

#include "catalogue/debug_trace.h"
#include "platform/program_path.h"

namespace quorvel {
namespace {

using VT = AttributeValueType;

// Tried in this order: the first key the line begins with wins, so "PMCircLayoutType" comes
// before "PMCircLayout".
constexpr AttributeKey kKeys[] = {
    {"PMExtModel", false, kTabExtModel, false, VT::HexWord},
    {"KVBVSampleMap", false, kTabVSampleMap, false, VT::HexByte},
    {"KVBISampleMap", false, kTabISampleMap, false, VT::HexByte},
    {"KVBMeterAddMap", false, kTabMeterAddMap, true, VT::HexByte},
    {"KVBVAddMap", false, kTabVAddMap, true, VT::HexByte},
    {"KVBIAddMap", false, kTabIAddMap, true, VT::HexByte},
    {"KVBISubMap", false, kTabISubMap, true, VT::HexByte},
    {"KVBRecepIMap", false, kTabRecepIMap, true, VT::HexByte},
    {"PMRecepMap", false, kTabRecepMap, true, VT::DecByte},
    {"PMVoltMap", false, kTabVoltMap, true, VT::HexByte},
    {"PMCurrMap", false, kTabCurrMap, true, VT::HexByte},
    {"PMCircSelVolt", false, kTabCircSelVolt, true, VT::DecByte},
    {"PMCircVisible", false, kTabCircVisible, false, VT::HexByte},
    {"PMCircLayoutType", false, kTabCircLayoutType, false, VT::HexByte},
    {"PMCircLayout", false, kTabCircLayout, true, VT::HexByte},
    {"PMRecepLabel", false, kTabRecepLabel, false, VT::HexByte},
    {"PMRecepLayout", false, kTabRecepLayout, false, VT::HexByte},
    {"PMRecepColumns", false, kTabRecepColumns, true, VT::HexByte},
    {"PMRecepMaxColumns", false, kTabRecepMaxColumns, true, VT::DecByte},
    {"PExtIntend", false, kTabExtIntend, true, VT::HexByte},
    {"PExtRecepType", false, kTabExtRecepType, true, VT::HexByte},
    {"RecepTypeDescr", false, kTabSeriesText, false, VT::Text},
    {"InplugTypeDescr", true, kTabInletText, false, VT::Text},
};

constexpr std::size_t kMaxLine = 255;
constexpr std::size_t kMaxFields = 48;

char lower(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool startsWithNoCase(std::string_view line, std::string_view prefix) {
    if (line.size() < prefix.size())
        return false;
    for (std::size_t i = 0; i < prefix.size(); ++i) {
        if (lower(line[i]) != lower(prefix[i]))
            return false;
    }
    return true;
}

bool isUpper(char c) {
    return c >= 'A' && c <= 'Z';
}
bool isSpace(char c) {
    return c == ' ' || (c >= '\t' && c <= '\r');
}

// Parses the index after the key. On success sets `index` and `valueStart` (just past "=").
bool parseIndex(std::string_view rest, bool inlet, int& index, std::size_t& valueStart,
                std::string& reason) {
    auto at = [&](std::size_t i) { return i < rest.size() ? rest[i] : '\0'; };
    if (inlet) {
        if (at(1) == '=') {
            index = inletIndexOfChars(at(0));
            valueStart = 2;
        } else if (at(2) == '=' && (at(0) == 'A' || at(0) == 'B')) {
            index = inletIndexOfChars(at(1), at(0));
            valueStart = 3;
        } else {
            reason = "bad inlet index";
            return false;
        }
        if (index < 0) {
            reason = "bad inlet index";
            return false;
        }
        return true;
    }
    if (at(2) == '=') {
        if (!isUpper(at(0)) || !isUpper(at(1))) {
            reason = "bad series letters";
            return false;
        }
        index = seriesIndexOfLetters(at(0), at(1));
        valueStart = 3;
    } else if (at(3) == '=') {
        if (!isUpper(at(0)) || !isUpper(at(1)) || !isUpper(at(2))) {
            reason = "bad series letters";
            return false;
        }
        index = seriesIndexOfLetters(at(1), at(2), at(0));
        valueStart = 4;
    } else {
        reason = "no \"=\" after the series letters";
        return false;
    }
    return true;
}

std::uint16_t convert(std::string_view field, VT type) {
    switch (type) {
        case VT::HexByte:
            return static_cast<std::uint16_t>(parseLenientNumber(field, true) & 0xFF);
        case VT::DecByte:
            return static_cast<std::uint16_t>(parseLenientNumber(field, false) & 0xFF);
        case VT::HexWord:
            return static_cast<std::uint16_t>(parseLenientNumber(field, true) & 0xFFFF);
        case VT::DecWord:
            return static_cast<std::uint16_t>(parseLenientNumber(field, false) & 0xFFFF);
        case VT::Text:
            break;
    }
    return 0;
}

class Loader {
  public:
    Loader(AttributeTables& tables, AttributeLoadReport& report)
        : tables_(tables), report_(report) {}

    bool run(std::string_view text) {
        std::size_t pos = 0;
        while (pos < text.size()) {
            std::size_t nl = text.find('\n', pos);
            std::size_t end = nl == std::string_view::npos ? text.size() : nl;
            std::string_view line = text.substr(pos, end - pos);
            pos = nl == std::string_view::npos ? text.size() : nl + 1;
            ++report_.lines;
            if (!handleLine(line))
                return false;
            if (report_.endMarker)
                return true;
        }
        return true;
    }

  private:
    bool fail(const std::string& reason) {
        report_.stopLine = report_.lines;
        report_.reason = reason;
        return false;
    }

    bool handleLine(std::string_view line) {
        // A line is text: it ends at a NUL, and only its first 255 characters are read.
        if (auto nul = line.find('\0'); nul != std::string_view::npos)
            line = line.substr(0, nul);
        while (!line.empty() && (line.back() == '\r' || line.back() == '\n'))
            line.remove_suffix(1);
        if (line.size() > kMaxLine) {
            line = line.substr(0, kMaxLine);
            report_.longLines.push_back(report_.lines);
        }

        if (!line.empty() && line[0] == '*')
            return true;
        if (startsWithNoCase(line, "Delimiter=")) {
            // "Delimiter=" with nothing after it leaves the delimiter as it was.
            if (line.size() > 10)
                delimiter_ = line[10];
            return true;
        }
        if (startsWithNoCase(line, "END_OF_FILE")) {
            report_.endMarker = true;
            return true;
        }

        const AttributeKey* key = nullptr;
        for (const auto& k : kKeys) {
            if (startsWithNoCase(line, k.key)) {
                key = &k;
                break;
            }
        }
        if (key == nullptr) {
            for (char c : line) {
                if (!isSpace(c)) {
                    report_.ignoredLines.push_back(report_.lines);
                    break;
                }
            }
            return true;
        }

        std::string_view rest = line.substr(std::char_traits<char>::length(key->key));
        int index = 0;
        std::size_t valueStart = 0;
        std::string reason;
        if (!parseIndex(rest, key->inletIndex, index, valueStart, reason)) {
            return fail(std::string(key->key) + ": " + reason);
        }
        std::string_view value = rest.substr(valueStart);

        if (key->type == VT::Text) {
            return store(*key, index, 0, 0, value);
        }
        if (!key->severalValues) {
            return store(*key, index, 0, convert(value, key->type), {});
        }
        const auto fields = splitAttributeValues(value, delimiter_);
        std::uint16_t values[kMaxFields];
        for (std::size_t col = 0; col < fields.size(); ++col) {
            values[col] = convert(fields[col], key->type);
        }
        const std::size_t stored = tables_.storeValues(static_cast<std::uint16_t>(index),
                                                       key->table, {values, fields.size()});
        for (std::size_t col = 0; col < stored; ++col) {
            traced(*key, index, static_cast<unsigned>(col), values[col], {});
        }
        if (stored < fields.size())
            return refused(*key, static_cast<unsigned>(stored));
        return true;
    }

    bool store(const AttributeKey& key, int index, unsigned column, std::uint16_t value,
               std::string_view text) {
        if (!tables_.storeValue(static_cast<std::uint16_t>(index), key.table,
                                static_cast<std::uint8_t>(column), value, text)) {
            return refused(key, column);
        }
        traced(key, index, column, value, text);
        return true;
    }

    bool refused(const AttributeKey& key, unsigned column) {
        return fail(std::string(key.key) + ": column " + std::to_string(column) +
                    " is beyond the " + std::to_string(maxColumnOf(key.table) + 1) + " accepted");
    }

    // One trace line per stored value.
    void traced(const AttributeKey& key, int index, unsigned column, std::uint16_t value,
                std::string_view text) {
        ++report_.valuesStored;
        if (!debugTraceEnabled())
            return;
        if (key.type == VT::Text) {
            const std::string t(text);
            debugTrace("LoadPDUAttributes: rtab=%d, vartype=%d, rentry=%d, value=%s\n", index,
                       key.table, column, t.c_str());
        } else {
            debugTrace("LoadPDUAttributes: rtab=%d, vartype=%d, rentry=%d, value=%d\n", index,
                       key.table, column, value);
        }
    }

    AttributeTables& tables_;
    AttributeLoadReport& report_;
    char delimiter_ = ' ';
};

}  // namespace

const AttributeKey* attributeKeys(std::size_t& count) {
    count = std::size(kKeys);
    return kKeys;
}

long parseLenientNumber(std::string_view text, bool hex) {
    std::size_t i = 0;
    while (i < text.size() && isSpace(text[i]))
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    constexpr unsigned long long kLimit = 0x80000000ull;
    unsigned long long magnitude = 0;
    for (; i < text.size(); ++i) {
        const char c = text[i];
        int d;
        if (c >= '0' && c <= '9') {
            d = c - '0';
        } else if (hex && c >= 'a' && c <= 'f') {
            d = c - 'a' + 10;
        } else if (hex && c >= 'A' && c <= 'F') {
            d = c - 'A' + 10;
        } else {
            break;
        }
        magnitude = magnitude * (hex ? 16 : 10) + static_cast<unsigned>(d);
        if (magnitude > kLimit)
            magnitude = kLimit;
    }
    if (negative)
        return -static_cast<long>(magnitude);
    return static_cast<long>(magnitude >= kLimit ? kLimit - 1 : magnitude);
}

std::vector<std::string_view> splitAttributeValues(std::string_view value, char delimiter) {
    std::vector<std::string_view> fields;
    std::size_t pos = 0;
    while (fields.size() < kMaxFields) {
        if (delimiter != ' ') {
            while (pos < value.size() && value[pos] == ' ')
                ++pos;
        }
        const std::size_t d = value.find(delimiter, pos);
        if (d == std::string_view::npos) {
            fields.push_back(value.substr(pos));
            break;
        }
        fields.push_back(value.substr(pos, d - pos));
        pos = d + 1;
    }
    return fields;
}

bool LoadPDUAttributesFromText(AttributeTables& tables, std::string_view text,
                               AttributeLoadReport* report) {
    AttributeLoadReport local;
    AttributeLoadReport& r = report ? *report : local;
    r = AttributeLoadReport{};
    return Loader(tables, r).run(text);
}

bool LoadPDUAttributes(AttributeTables& tables, const std::filesystem::path& file,
                       AttributeLoadReport* report) {
    AttributeLoadReport local;
    AttributeLoadReport& r = report ? *report : local;
    r = AttributeLoadReport{};
    std::error_code ec;
    if (!std::filesystem::is_regular_file(file, ec) || std::filesystem::file_size(file, ec) == 0 ||
        ec) {
        r.reason = "no attribute file, or it is empty: " + file.string();
        return false;
    }
    std::ifstream in(file, std::ios::binary);
    if (!in) {
        r.reason = "cannot open " + file.string();
        return false;
    }
    std::string text(static_cast<std::size_t>(std::filesystem::file_size(file, ec)), '\0');
    in.read(text.data(), static_cast<std::streamsize>(text.size()));
    text.resize(static_cast<std::size_t>(in.gcount()));
    if (in.bad() || ec) {
        r.reason = "cannot read " + file.string();
        return false;
    }
    return Loader(tables, r).run(text);
}

std::filesystem::path defaultAttributeFile() {
    return platform::programDirectory() / kAttributeFileName;
}

bool LoadPDUAttributes() {
    return LoadPDUAttributes(Attributes(), defaultAttributeFile());
}

}  // namespace quorvel
