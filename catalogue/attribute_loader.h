// LoadPDUAttributes: reads pduattribs.ini (comments, "Delimiter=", "END_OF_FILE" and one key,
// index and value(s) per line) into AttributeTables. A bad line stops the load; everything stored
// from earlier lines stays. Each stored value is written to the debug channel.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "catalogue/attribute_tables.h"

namespace quorvel {

// The name of the attribute file beside the program.
constexpr const char* kAttributeFileName = "pduattribs.ini";

// What a load did, for tools and tests.
struct AttributeLoadReport {
    bool endMarker = false;         // stopped at "END_OF_FILE" (else at the end of the file)
    int stopLine = 0;               // 1-based line where the load failed; 0 when it did not
    std::string reason;             // why it failed (also set when the file could not be read)
    int lines = 0;                  // lines read
    int valuesStored = 0;           // values stored
    std::vector<int> ignoredLines;  // lines with text that matched no key
    std::vector<int> longLines;     // lines cut to 255 characters
};

// The value type of a key: 1 text, 2 hexadecimal byte, 3 decimal byte, 4 hexadecimal word,
// 5 decimal word.
enum class AttributeValueType : int {
    Text = 1,
    HexByte = 2,
    DecByte = 3,
    HexWord = 4,
    DecWord = 5
};

// One row of the loader's key table.
struct AttributeKey {
    const char* key;
    bool inletIndex;  // indexed by InletIndex (else by SeriesIndex)
    std::uint8_t table;
    bool severalValues;
    AttributeValueType type;
};
// The key table in the order keys are tried; `count` receives its length.
const AttributeKey* attributeKeys(std::size_t& count);

// Lenient number conversion: leading white space, an optional sign, then digits (hexadecimal of
// either case, or decimal) up to the first other character; no digits gives 0; the magnitude
// saturates at 0x7FFFFFFF (0x80000000 when negative).
long parseLenientNumber(std::string_view text, bool hex);

// Splits a several-value text at `delimiter` into at most 48 fields (see the loader notes).
std::vector<std::string_view> splitAttributeValues(std::string_view value, char delimiter);

// Loads `file` into `tables`. True when the file was read to its end or to "END_OF_FILE";
// false when it is missing, empty or unreadable (tables unchanged) or a line is bad.
bool LoadPDUAttributes(AttributeTables& tables, const std::filesystem::path& file,
                       AttributeLoadReport* report = nullptr);
// The same over the text of a file.
bool LoadPDUAttributesFromText(AttributeTables& tables, std::string_view text,
                               AttributeLoadReport* report = nullptr);

// pduattribs.ini in the folder of the running program.
std::filesystem::path defaultAttributeFile();

// Loads the process-wide Attributes() from defaultAttributeFile().
bool LoadPDUAttributes();

}  // namespace quorvel
