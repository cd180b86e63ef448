// The device side of the model dialog: Get Model and Stamp Model with every device call,
// question and message in the order the operator meets them, over a port that the dialog
// implements (device calls off the window thread, questions through the prompter).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "common/model_ops.h"
#include "dialogs/halvex_api.h"
#include "dialogs/logic/model_compose.h"

namespace quorvel::dialogs {

// Message titles.
inline constexpr char kStampTitle[] = "Stamp Model Code";
inline constexpr char kGetModelTitle[] = "Get Model Code";

enum class Note { Failure, Notice };

class ModelDevicePort {
  public:
    using VersionText = char[kDeviceVersionTextBytes];

    virtual ~ModelDevicePort() = default;
    // Device calls; each answers as its slot would, 0 or false when the slot is missing.
    virtual int readVersion(VersionText& first, VersionText& second) = 0;
    virtual int readModel(ModelWords& words) = 0;  // without the map bytes
    virtual bool stamp(const ModelWords& words, int kind) = 0;
    virtual void reboot() = 0;
    // The model string of the words, cut to capacity - 1 characters.
    virtual std::string encode(const ModelWords& words, std::size_t capacity) = 0;
    // The operator: a Yes/No question (true for Yes) and a message.
    virtual bool ask(const char* title, const std::string& text) = 0;
    virtual void tell(const char* title, const std::string& text, Note note) = 0;
};

enum class GetModelOutcome { Failed, AlreadyStamped, NeverStamped, Read };

struct GetModelResult {
    GetModelOutcome outcome = GetModelOutcome::Failed;
    ModelWords words;  // the PDU's words (Read)
    std::string text;  // their model string (Read)
};

// Reads the PDU's model code. selected: the words of the listed model selected, if any.
QUORVEL_HALVEX_API GetModelResult RunGetModel(ModelDevicePort& port, const ModelWords* selected);

enum class StampOutcome { NoVersion, NoModel, Declined, StampFailed, Stamped };

// Stamps the listed model whose words `entry` holds; adjusts its ExtensionWord for the hardware
// version in place before it asks anything.
QUORVEL_HALVEX_API StampOutcome RunStampModel(ModelDevicePort& port, ModelWords& entry);

// The hardware version: 2, 3 or 4 when exactly two texts were read and the second begins with
// "V2", "V3" or "V4"; 1 otherwise.
QUORVEL_HALVEX_API int HardwareVersion(int textsRead, const char* second);

// The ExtensionWord stamped for a hardware version: the extended-series marker 0x1000 set; bits
// 8..11 cleared below version 4; bits 12..15 cleared below version 3.
QUORVEL_HALVEX_API std::uint16_t StampExtension(std::uint16_t extension, int version);

// "Already stamped with: ... Do you want to overwrite them with: ...?"
QUORVEL_HALVEX_API std::string OverwriteQuestion(const ModelWords& pdu, const std::string& pduText,
                                                 const ModelWords& entry,
                                                 const std::string& entryText);

}  // namespace quorvel::dialogs
