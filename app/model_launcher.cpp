// The Model button's launcher: fills ModelOps from the catalogue, the document writers, the
// recent-models store and the device operations, reads the recent-models list and runs the
// model dialog modally.
#include <QApplication>
#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "app/launchers.h"
#include "app/model_list_store.h"
#include "catalogue/attribute_loader.h"
#include "catalogue/attribute_tables.h"
#include "catalogue/model_code.h"
#include "catalogue/model_description.h"
#include "common/model_ops.h"
#include "dialogs/halvex_exports.h"
#include "dialogs/model_dlg.h"
#include "generators/bom_writer.h"
#include "generators/mib_writer.h"
#include "link/device_ops.h"

namespace quorvel::app {

namespace {

constexpr std::uint16_t kByLetters = 0xFFFF;

void CopyOut(std::u16string_view text, char16_t* out, std::size_t capacity) {
    if (out == nullptr || capacity == 0) {
        return;
    }
    const std::size_t n = std::min(text.size(), capacity - 1);
    std::copy_n(text.begin(), n, out);
    out[n] = u'\0';
}

std::u16string Widen(const std::string& text) {
    return std::u16string(text.begin(), text.end());
}

ModelCode Code(std::uint16_t f, std::uint32_t a, std::uint16_t e) {
    return ModelCode{f, a, e};
}

std::int32_t ReservedZeroSlot() {
    return 0;
}

bool LoadAttributesSlot() {
    return LoadPDUAttributes();
}

void EncodeSlot(std::uint16_t f, std::uint32_t a, std::uint16_t e, char16_t* out,
                std::size_t capacity) {
    CopyOut(Widen(encodeModelCode(Code(f, a, e))), out, capacity);
}

bool DecodeSlot(char16_t* text, std::size_t capacity, std::uint16_t* f, std::uint32_t* a,
                std::uint16_t* e) {
    return decodeModelCode(text, capacity, f, a, e);
}

void DescribeSlot(std::uint16_t f, std::uint32_t a, std::uint16_t e, std::int32_t description,
                  char16_t* out, std::size_t capacity) {
    DescribeModelField(f, a, e, description, out, capacity);
}

void FieldCharsSlot(std::uint16_t f, std::uint32_t a, std::uint16_t e, std::int32_t field,
                    char16_t* out, std::size_t capacity) {
    CopyOut(Widen(modelCodeField(Code(f, a, e), field)), out, capacity);
}

bool SeriesTextSlot(std::uint16_t index, char second, char first, char third, char16_t* out,
                    std::size_t capacity) {
    const std::u16string text = index == kByLetters
                                    ? Attributes().seriesTextByLetters(second, first, third)
                                    : Attributes().seriesText(index);
    CopyOut(text, out, capacity);
    return !text.empty();
}

char SeriesLettersSlot(std::uint16_t index, char* first, char* third) {
    return seriesLetters(index, first, third);
}

bool InletTextSlot(std::uint16_t index, char inlet, char extension, char16_t* out,
                   std::size_t capacity) {
    std::u16string text;
    if (index == kByLetters) {
        text = Attributes().inletTextByChars(inlet, extension);
    } else if (index < kInletCount) {
        text = Attributes().inletText(static_cast<InletIndex>(index));
    }
    CopyOut(text, out, capacity);
    return !text.empty();
}

char InletCharsSlot(std::uint8_t index, char* extension) {
    return inletChars(index, extension);
}

template <typename Record, typename Get>
bool CopyRecord(std::uint8_t* out, Get get) {
    Record record{};
    const bool found = get(record);
    if (out != nullptr) {
        std::memcpy(out, &record, sizeof record);
    }
    return found;
}

bool KvbMapSlot(std::uint16_t f, std::uint32_t a, std::uint16_t e, std::uint8_t* out, bool raw) {
    return CopyRecord<KvbMapRecord>(
        out, [&](KvbMapRecord& r) { return Attributes().kvbMapRecord(Code(f, a, e), &r, raw); });
}

bool LayoutSlot(std::uint16_t f, std::uint32_t a, std::uint16_t e, std::uint8_t* out, bool raw) {
    return CopyRecord<LayoutRecord>(
        out, [&](LayoutRecord& r) { return Attributes().layoutRecord(Code(f, a, e), &r, raw); });
}

bool ExtSlot(std::uint16_t f, std::uint32_t a, std::uint16_t e, std::uint8_t* out) {
    return CopyRecord<ExtRecord>(
        out, [&](ExtRecord& r) { return Attributes().extRecord(Code(f, a, e), &r); });
}

void CircuitLabelSlot(std::uint8_t layoutType, bool shortLabel, std::uint32_t labelIndex,
                      char16_t* out, std::size_t capacity) {
    CircuitLabel(layoutType, shortLabel, labelIndex, out, capacity);
}

void ReceptacleLabelSlot(std::uint8_t labelStyle, bool shortLabel, std::uint32_t labelIndex,
                         std::uint32_t number, char16_t* out, std::size_t capacity) {
    ReceptacleLabel(labelStyle, shortLabel, labelIndex, number, out, capacity);
}

const char16_t* SocketTypeNameSlot(std::uint32_t code) {
    return SocketTypeName(code);
}

std::uint32_t CountGroupsSlot(const std::uint8_t* map) {
    return map != nullptr ? countUsedReceptacleGroups(map) : 0;
}

std::uint32_t CountMappedSlot(const std::uint8_t* map) {
    return map != nullptr ? countMappedReceptacles(map) : 0;
}

std::uint32_t CountTypedSlot(const std::uint8_t* codes) {
    return codes != nullptr ? CountTypedReceptacles(codes) : 0;
}

bool WriteMibSlot(const char16_t* path, std::uint16_t f, std::uint32_t a, std::uint16_t e,
                  std::int32_t generation) {
    return WriteMib(path, f, a, e, generation);
}

bool WriteBomSlot(const char16_t* path, std::uint16_t f, std::uint32_t a, std::uint16_t e) {
    return WriteBom(path, f, a, e);
}

std::int32_t ReadDeviceModelSlot(std::uint16_t* f, std::uint32_t* a, std::uint16_t* e,
                                 std::uint8_t* map) {
    return ReadIdentity(f, a, e, map);
}

std::int32_t ReadDeviceVersionSlot(char* first, char* second) {
    return ReadVersion(first, second);
}

bool StampDeviceSlot(std::uint16_t f, std::uint32_t a, std::uint16_t e, std::int32_t kind) {
    return StampModel(f, a, e, kind);
}

void RebootDeviceSlot() {
    RebootPdu();  // the dialog does not look at the answer
}

void NopSlot() {}

void FillModelOps(ModelOps& ops, bool developer) {
    ops = ModelOps{};
    ops.mode = 0;
    ops.developerFlag = developer ? 1 : 0;
    ops.ReservedZero = &ReservedZeroSlot;
    ops.LoadAttributes = &LoadAttributesSlot;
    ops.EncodeModelCode = &EncodeSlot;
    ops.DecodeModelCode = &DecodeSlot;
    ops.DescribeField = &DescribeSlot;
    ops.GetFieldChars = &FieldCharsSlot;
    ops.GetSeriesText = &SeriesTextSlot;
    ops.GetSeriesLetters = &SeriesLettersSlot;
    ops.GetInletText = &InletTextSlot;
    ops.GetInletChars = &InletCharsSlot;
    ops.GetKvbMapRecord = &KvbMapSlot;
    ops.GetLayoutRecord = &LayoutSlot;
    ops.GetExtRecord = &ExtSlot;
    ops.GetCircuitLabel = &CircuitLabelSlot;
    ops.GetReceptacleLabel = &ReceptacleLabelSlot;
    ops.GetSocketTypeName = &SocketTypeNameSlot;
    ops.CountReceptacleGroups = &CountGroupsSlot;
    ops.CountMappedReceptacles = &CountMappedSlot;
    ops.CountTypedReceptacles = &CountTypedSlot;
    ops.WriteMib = &WriteMibSlot;
    ops.WriteBom = &WriteBomSlot;
    ops.LoadModelList = &LoadModelList;
    ops.SaveModelList = &SaveModelList;
    ops.ReadDeviceModel = &ReadDeviceModelSlot;
    ops.ReadDeviceVersion = &ReadDeviceVersionSlot;
    ops.StampDevice = &StampDeviceSlot;
    ops.RebootDevice = &RebootDeviceSlot;
    ops.Nop = &NopSlot;
}

}  // namespace

void LaunchModelDialog(const LaunchContext& context) {
    ModelOps ops;
    FillModelOps(ops, context.developer);
    std::vector<ModelListEntry> recent(kRecentModelCapacity);
    ops.LoadModelList(recent.data(), kRecentModelCapacity);
    PduModelDlg(&ops, recent.data(), kRecentModelCapacity);
}

}  // namespace quorvel::app
