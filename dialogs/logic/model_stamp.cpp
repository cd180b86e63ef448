// Get Model and Stamp Model of the model dialog.
#include "dialogs/logic/model_stamp.h"

#include <cstdio>

namespace quorvel::dialogs {

namespace {

constexpr std::size_t kGetModelTextChars = 64;
constexpr std::size_t kStampTextChars = 50;

constexpr char kFailedVersion[] = "Failed to Get Version of KVB code";
constexpr char kFailedGetModel[] = "Failed GetModel";
constexpr char kAlreadyCurrent[] = "Model and submodel are already stamped with current settings";
constexpr char kNeverStamped[] = "Model and submodel have never been stamped on this PDU";
constexpr char kRestamp[] =
    "Model and submodel are already stamped correctly\nDo you want to re-stamp them anyway?";
constexpr char kStampFailedV1[] = "Could not stamp model & submodel on version %d hardware";
constexpr char kStampFailedMap[] =
    "Could not stamp model and submodel with attributes, please try again";
constexpr char kStampFailedLayout[] = "Could not store port map table, please try again";
constexpr char kReboot[] =
    "Model Stamped successfully, do you want to reboot the PDU to take effect?";

unsigned U(std::uint32_t v) {
    return static_cast<unsigned>(v);
}

}  // namespace

GetModelResult RunGetModel(ModelDevicePort& port, const ModelWords* selected) {
    GetModelResult result;
    ModelWords words;
    if (port.readModel(words) <= 1) {
        port.tell(kStampTitle, kFailedGetModel, Note::Failure);
        return result;
    }
    if (selected != nullptr && *selected == words) {
        port.tell(kGetModelTitle, kAlreadyCurrent, Note::Notice);
        result.outcome = GetModelOutcome::AlreadyStamped;
        return result;
    }
    if (IsNoModel(words)) {
        port.tell(kGetModelTitle, kNeverStamped, Note::Notice);
        result.outcome = GetModelOutcome::NeverStamped;
        return result;
    }
    result.outcome = GetModelOutcome::Read;
    result.words = words;
    result.text = port.encode(words, kGetModelTextChars);
    return result;
}

int HardwareVersion(int textsRead, const char* second) {
    if (textsRead != 2 || second == nullptr || second[0] != 'V') {
        return 1;
    }
    switch (second[1]) {
        case '2':
            return 2;
        case '3':
            return 3;
        case '4':
            return 4;
        default:
            return 1;
    }
}

std::uint16_t StampExtension(std::uint16_t extension, int version) {
    extension |= 0x1000;
    if (version < 4) {
        extension &= 0xF0FF;
    }
    if (version < 3) {
        extension &= 0x0FFF;
    }
    return extension;
}

std::string OverwriteQuestion(const ModelWords& pdu, const std::string& pduText,
                              const ModelWords& entry, const std::string& entryText) {
    const char* format =
        "Already stamped with:\nCode %-4.4X:%-8.8X:%-4.4X - model %s\n"
        "Do you want to overwrite them with:\nCode %-4.4X:%-8.8X:%-4.4X - model %s?";
    char text[512];
    std::snprintf(text, sizeof text, format, U(pdu.feature), U(pdu.attribute), U(pdu.extension),
                  pduText.c_str(), U(entry.feature), U(entry.attribute), U(entry.extension),
                  entryText.c_str());
    return text;
}

StampOutcome RunStampModel(ModelDevicePort& port, ModelWords& entry) {
    ModelDevicePort::VersionText first{};
    ModelDevicePort::VersionText second{};
    const int texts = port.readVersion(first, second);
    if (texts < 1) {
        port.tell(kStampTitle, kFailedVersion, Note::Failure);
        return StampOutcome::NoVersion;
    }
    second[sizeof second - 1] = '\0';
    const int version = HardwareVersion(texts, second);

    ModelWords pdu;
    if (port.readModel(pdu) < 2) {
        port.tell(kStampTitle, kFailedGetModel, Note::Failure);
        return StampOutcome::NoModel;
    }

    entry.extension = StampExtension(entry.extension, version);

    if (pdu == entry && !port.ask(kStampTitle, kRestamp)) {
        return StampOutcome::Declined;
    }
    if (!IsNoModel(pdu)) {
        const std::string question = OverwriteQuestion(pdu, port.encode(pdu, kStampTextChars),
                                                       entry, port.encode(entry, kStampTextChars));
        if (!port.ask(kStampTitle, question)) {
            return StampOutcome::Declined;
        }
    }

    if (version == 1) {
        if (!port.stamp(entry, kStampCode)) {
            char text[128];
            std::snprintf(text, sizeof text, kStampFailedV1, version);
            port.tell(kStampTitle, text, Note::Failure);
            return StampOutcome::StampFailed;
        }
    } else {
        if (!port.stamp(entry, kStampCodeWithMap)) {
            port.tell(kStampTitle, kStampFailedMap, Note::Failure);
            return StampOutcome::StampFailed;
        }
        if (!port.stamp(entry, kStampLayout)) {
            port.tell(kStampTitle, kStampFailedLayout, Note::Failure);
            return StampOutcome::StampFailed;
        }
    }

    if (port.ask(kStampTitle, kReboot)) {
        port.reboot();
    }
    return StampOutcome::Stamped;
}

}  // namespace quorvel::dialogs
