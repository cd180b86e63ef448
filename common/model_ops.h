// The model dialog's operations table and the entries of the recent-models list: plain data that
// both deliverables include. The main program fills the table before each run of the model
// dialog; the model and socket type dialogs only call it, and skip a slot that is null.
#pragma once

#include <cstddef>
#include <cstdint>

namespace quorvel {

// One model of the recent-models list. The valid entries come first; the first invalid entry
// ends the list.
struct ModelListEntry {
    std::uint16_t feature = 0;    // FeatureWord
    std::uint32_t attribute = 0;  // AttributeWord
    std::uint16_t extension = 0;  // ExtensionWord
    std::uint8_t valid = 0;
};

// The number of entries the main program hands the model dialog.
constexpr int kRecentModelCapacity = 500;
// `mode` of the model dialog's table that keeps the dialog to its list (no device buttons).
constexpr std::int32_t kModelListOnlyMode = 4;

// Sizes of the buffers the slots fill.
constexpr std::size_t kKvbMapRecordBytes = 58;
constexpr std::size_t kLayoutRecordBytes = 64;
constexpr std::size_t kExtRecordBytes = 52;
constexpr std::size_t kDeviceVersionTextBytes = 256;  // each output of ReadDeviceVersion
constexpr std::size_t kAttributeTextChars = 64;       // series and inlet texts with terminator

// StampDevice kinds.
constexpr std::int32_t kStampCode = 0;
constexpr std::int32_t kStampCodeWithMap = 1;
constexpr std::int32_t kStampLayout = 2;

// The model dialog's operations, in their fixed order. Texts are UTF-16; every output text is
// cut to the capacity given (characters, terminator included) and always terminated.
struct ModelOps {
    std::int32_t mode = 0;  // 0 from the main program; kModelListOnlyMode keeps to the list
    std::uint8_t developerFlag = 0;
    std::int32_t (*ReservedZero)() = nullptr;
    // Reloads the attribute file.
    bool (*LoadAttributes)() = nullptr;
    // The model code string of the words ("" for the no-model code).
    void (*EncodeModelCode)(std::uint16_t feature, std::uint32_t attribute, std::uint16_t extension,
                            char16_t* out, std::size_t capacity) = nullptr;
    // Upper-cases the text in place; true and the words when it is a valid model code.
    bool (*DecodeModelCode)(char16_t* text, std::size_t capacity, std::uint16_t* feature,
                            std::uint32_t* attribute, std::uint16_t* extension) = nullptr;
    // The text of one field of the code, by description number.
    void (*DescribeField)(std::uint16_t feature, std::uint32_t attribute, std::uint16_t extension,
                          std::int32_t description, char16_t* out, std::size_t capacity) = nullptr;
    // The code character(s) of one field, by field number.
    void (*GetFieldChars)(std::uint16_t feature, std::uint32_t attribute, std::uint16_t extension,
                          std::int32_t field, char16_t* out, std::size_t capacity) = nullptr;
    // The series text by index, or by its letters when the index is 0xFFFF. False, with an
    // empty output, when there is none.
    bool (*GetSeriesText)(std::uint16_t index, char second, char first, char third, char16_t* out,
                          std::size_t capacity) = nullptr;
    // The second series letter; the first and third through the optional outputs.
    char (*GetSeriesLetters)(std::uint16_t index, char* first, char* third) = nullptr;
    // The inlet text by index, or by its characters when the index is 0xFFFF.
    bool (*GetInletText)(std::uint16_t index, char inlet, char extension, char16_t* out,
                         std::size_t capacity) = nullptr;
    // The inlet character; the extension character ("B" or a space) through the output.
    char (*GetInletChars)(std::uint8_t index, char* extension) = nullptr;
    // The series records of the code (58, 64 and 52 bytes); raw keeps the stored form.
    bool (*GetKvbMapRecord)(std::uint16_t feature, std::uint32_t attribute, std::uint16_t extension,
                            std::uint8_t* out, bool raw) = nullptr;
    bool (*GetLayoutRecord)(std::uint16_t feature, std::uint32_t attribute, std::uint16_t extension,
                            std::uint8_t* out, bool raw) = nullptr;
    bool (*GetExtRecord)(std::uint16_t feature, std::uint32_t attribute, std::uint16_t extension,
                         std::uint8_t* out) = nullptr;
    // Circuit word (without the short flag) or short circuit label of a circuit layout type.
    void (*GetCircuitLabel)(std::uint8_t layoutType, bool shortLabel, std::uint32_t labelIndex,
                            char16_t* out, std::size_t capacity) = nullptr;
    // Receptacle word (without the short flag) or short receptacle label of a label style.
    void (*GetReceptacleLabel)(std::uint8_t labelStyle, bool shortLabel, std::uint32_t labelIndex,
                               std::uint32_t number, char16_t* out, std::size_t capacity) = nullptr;
    // Name of a socket type code 1..13; "" otherwise. The text lives as long as the program.
    const char16_t* (*GetSocketTypeName)(std::uint32_t code) = nullptr;
    // Over a packed receptacle-to-current-input map (36 bytes).
    std::uint32_t (*CountReceptacleGroups)(const std::uint8_t* packedMap) = nullptr;
    std::uint32_t (*CountMappedReceptacles)(const std::uint8_t* packedMap) = nullptr;
    // How many of 36 receptacle type codes are present and not managed.
    std::uint32_t (*CountTypedReceptacles)(const std::uint8_t* codes) = nullptr;
    // Document writers; true when the whole file was written. generation: 1 or 2.
    bool (*WriteMib)(const char16_t* path, std::uint16_t feature, std::uint32_t attribute,
                     std::uint16_t extension, std::int32_t generation) = nullptr;
    bool (*WriteBom)(const char16_t* path, std::uint16_t feature, std::uint32_t attribute,
                     std::uint16_t extension) = nullptr;
    // The stored recent-models list.
    bool (*LoadModelList)(ModelListEntry* list, std::int32_t capacity) = nullptr;
    bool (*SaveModelList)(const ModelListEntry* list, std::int32_t count) = nullptr;
    // The PDU's model code: 0 failed, 2 the words, 3 the words and the map bytes (when map is
    // given, 58 bytes). Blocks for up to the device's retries.
    std::int32_t (*ReadDeviceModel)(std::uint16_t* feature, std::uint32_t* attribute,
                                    std::uint16_t* extension, std::uint8_t* map) = nullptr;
    // The PDU's version texts (each output kDeviceVersionTextBytes): the number read, 0 failed.
    std::int32_t (*ReadDeviceVersion)(char* first, char* second) = nullptr;
    // Stamps the code (kStampCode), the code with its map record, or its layout record.
    bool (*StampDevice)(std::uint16_t feature, std::uint32_t attribute, std::uint16_t extension,
                        std::int32_t kind) = nullptr;
    void (*RebootDevice)() = nullptr;
    void (*Nop)() = nullptr;
};

}  // namespace quorvel
