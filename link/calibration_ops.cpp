#include "link/calibration_ops.h"

#include <cstdio>

#include "link/calibration_channels.h"
#include "link/device_ops.h"
#include "link/pdu_ifce.h"
#include "link/reply_items.h"
#include "link/with_tries.h"
#include "platform/message_target.h"

namespace quorvel {

namespace {

// Builder kinds of the measurement read ("G I", "G V", "G B", "G i", "G v").
constexpr int kReadCircuitCurrent = 0;
constexpr int kReadVoltage = 1;
constexpr int kReadReceptacleCurrent = 3;

constexpr int kStoreColumn = 10;
constexpr std::uint8_t kStoreChannel = 0xFF;

// One try of the raw read of (kind, index) into reply.
bool ReadOnce(PDUIfce& ifce, const CalibrationWorkerBlock& block, std::uint8_t kind,
              std::uint8_t index, char (&reply)[kReplyTextSize]) {
    if (block.generation <= 1) {
        if (IsVoltageChannel(1, block.featureWord, kind, index)) {
            return ifce.ReadCircuitVoltage(kind, true, reply);
        }
        return ifce.ReadCircuitCurrent(kind, true, index, reply);
    }
    switch (kind) {
        case kChannelVoltage: {
            const bool four = VoltageInputCount(block.generation, block.extensionWord) == 4;
            const auto selector = static_cast<std::uint8_t>(index & (four ? 3 : 1));
            return ifce.ReadMeasurement(kReadVoltage, true, selector, reply);
        }
        case kChannelCircuit:
            return ifce.ReadMeasurement(kReadCircuitCurrent, true,
                                        static_cast<std::uint8_t>(index & 7), reply);
        case kChannelReceptacle:
            return ifce.ReadMeasurement(kReadReceptacleCurrent, true, index, reply);
        default:
            return false;
    }
}

bool Sample(CalibrationWorkerBlock& block, std::uint8_t code) {
    const std::uint8_t kind = block.kind.load();
    const std::uint8_t index = block.index.load();
    std::uint16_t raw = 0;
    const bool ok = ReadRawSample(block, kind, index, raw);
    block.post(UM_CAL_LAMP, 0, kLampOff);
    if (!ok) {
        return false;
    }
    (code == kCalSampleLow ? block.lowSample : block.highSample).store(raw);
    const auto item = static_cast<std::intptr_t>(kind) << 8 | index;
    block.post(UM_CAL_SAMPLES, code, item << 16 | raw);
    return true;
}

}  // namespace

void CalibrationWorkerBlock::post(unsigned msg, std::uintptr_t wParam, std::intptr_t lParam) const {
    if (window) {
        window->post(msg, wParam, lParam);
    }
}

CalibrationTarget CalibrationWriteTarget(int generation, std::uint16_t featureWord,
                                         std::uint8_t kind, std::uint8_t index) {
    if (generation <= 1) {
        if (IsVoltageChannel(1, featureWord, kind, index)) {
            return {true, kind, 0};
        }
        return {false, kind, index};
    }
    switch (kind) {
        case kChannelVoltage:
            return {true, index, 0};
        case kChannelCircuit:
            return {false, index, 0};
        default:
            return {false, 0, index};
    }
}

bool ReadRawSample(const CalibrationWorkerBlock& block, std::uint8_t kind, std::uint8_t index,
                   std::uint16_t& raw) {
    char reply[kReplyTextSize] = {};
    const bool ok = WithTries([&](PDUIfce& ifce) {
        if (block.stopRequested.load()) {
            return false;
        }
        block.post(UM_CAL_LAMP, 0, kLampGreen);
        return ReadOnce(ifce, block, kind, index, reply);
    });
    if (ok) {
        raw = HexItem<std::uint16_t>(reply);
    }
    return ok;
}

bool WriteCalibrationValues(const CalibrationWorkerBlock& block, const CalibrationTarget& target,
                            std::uint16_t threshold, std::uint16_t offset, std::uint16_t scale) {
    const std::pair<int, std::uint16_t> steps[] = {
        {0, threshold}, {1, offset}, {2, scale}, {9, scale}};
    bool ok = true;
    for (const auto& step : steps) {
        const int column = step.first;
        char text[8];
        std::snprintf(text, sizeof text, "%x", unsigned{step.second});
        ok = WithTries([&](PDUIfce& ifce) {
            if (block.stopRequested.load()) {
                return false;
            }
            block.post(UM_CAL_LAMP, 0, kLampToggle);
            return ifce.WriteCalibration(target.voltage, target.row, column, target.channel, text);
        });
        if (!ok) {
            break;
        }
    }
    block.post(UM_CAL_LAMP, 0, kLampOff);
    return ok;
}

bool StoreCalibration(const CalibrationWorkerBlock& block) {
    return WithTries([&](PDUIfce& ifce) {
        if (block.stopRequested.load()) {
            return false;
        }
        return ifce.WriteCalibration(false, 0, kStoreColumn, kStoreChannel, kAccessCode);
    });
}

std::int32_t CalibrationOpen(CalibrationWorkerBlock* block) {
    if (block == nullptr || block->ops == nullptr || block->ops->mode != 0) {
        return 0;
    }
    const int generation = ReadGeneration();
    if (block->record != nullptr) {
        block->record->generationNumber = static_cast<std::uint8_t>(generation);
    }
    SetCalibMode(true);
    return 0;
}

bool CalibrationAction(std::int32_t, std::uint8_t code, CalibrationWorkerBlock* block) {
    if (block == nullptr || block->ops == nullptr || block->ops->mode != 0) {
        return false;
    }
    switch (code) {
        case kCalStore:
            return StoreCalibration(*block);
        case kCalSampleLow:
        case kCalSampleHigh:
            return Sample(*block, code);
        case kCalWrite: {
            const CalibrationTarget target = CalibrationWriteTarget(
                block->generation, block->featureWord, block->kind.load(), block->index.load());
            return WriteCalibrationValues(*block, target, block->threshold.load(),
                                          block->offset.load(), block->scale.load());
        }
        case kCalReboot:
            return RebootPdu();
        default:
            return false;
    }
}

void CalibrationClose(std::int32_t, CalibrationWorkerBlock*) {}

void FillCalibrationOps(CalibrationOps& ops, std::uint8_t developerFlag) {
    ops = CalibrationOps{};
    ops.mode = 0;
    ops.developerFlag = developerFlag;
    ops.Open = &CalibrationOpen;
    ops.Action = &CalibrationAction;
    ops.Close = &CalibrationClose;
}

}  // namespace quorvel
