#include "link/state_operations.h"

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <thread>

#include "link/device_ops.h"
#include "link/pdu_ifce.h"
#include "link/status_reader.h"
#include "link/with_tries.h"
#include "platform/thread_stop.h"

namespace quorvel {

namespace {

constexpr std::uint8_t kNetOptionsItem = 12;  // cNetOptions
constexpr int kFailedStatusPauseMs = 100;

bool consoleMode(const StateWorkerBlock* block) {
    return block != nullptr && block->ops != nullptr && block->ops->mode == 0 &&
           block->record != nullptr;
}

// Sends "o" for every bit of the masks: groups (high word) first, then outlets. Each bit is
// cleared once the PDU took its reset, so what stays is what it was not told.
bool resetOutlets(const PduRecord& rec, std::uint32_t (&mask)[2]) {
    const int groups = rec.extensionWord >= kExtendedExtension ? 16 : 4;
    for (int i = 0; i < groups; ++i) {
        if (mask[1] & (1u << i)) {
            const auto n = static_cast<std::uint8_t>(i + 33);
            if (!WithTries([n](PDUIfce& ifce) { return ifce.ResetOutlet(n); })) {
                return false;
            }
            mask[1] &= ~(1u << i);
        }
    }
    for (int i = 0; i < 32; ++i) {
        if (mask[0] & (1u << i)) {
            const auto n = static_cast<std::uint8_t>(i + 1);
            if (!WithTries([n](PDUIfce& ifce) { return ifce.ResetOutlet(n); })) {
                return false;
            }
            mask[0] &= ~(1u << i);
        }
    }
    return true;
}

}  // namespace

std::int32_t StateOpenDevice(StateWorkerBlock* block) {
    const platform::ThreadStopScope stop(block);
    if (!consoleMode(block)) {
        return 0;
    }
    PduRecord& rec = *block->record;
    rec.generationNumber = static_cast<std::uint8_t>(ReadGeneration());
    if (rec.generationNumber >= 2) {
        std::memset(rec.firmwareVersion, 0, sizeof rec.firmwareVersion);
    }
    if (rec.generationNumber >= 2) {
        std::uint16_t f, e;
        std::uint32_t a;
        ReadIdentity(&f, &a, &e, nullptr);  // read as the device expects; not kept
        char modules[kReplyTextSize];
        WithTries([&modules](PDUIfce& ifce) { return ifce.ReadModuleLine(modules); });
        ConfigItemDescriptor options;
        options.code = kNetOptionsItem;
        options.kind = kKindUnsigned16;
        options.size = 2;
        options.count = 1;
        std::uint8_t value[2] = {};
        if (ReadConfigItem(options, value)) {
            std::memcpy(&block->displayOptions, value, 2);
        }
    }
    SetCalibMode(false);
    return 0;
}

void StateReadState(std::int32_t /*handle*/, std::uint8_t kind, StateWorkerBlock* block) {
    const platform::ThreadStopScope stop(block);
    if (!consoleMode(block)) {
        return;
    }
    if (kind == 0) {
        std::uint16_t f = 0xFFFF, e = 0;
        std::uint32_t a = 0xFFFFFFFF;
        if (ReadIdentity(&f, &a, &e, nullptr) < 2) {
            f = 0xFFFF;
            a = 0xFFFFFFFF;
            e = 0;
        }
        block->modelFeature = f;
        block->modelAttribute = a;
        block->modelExtension = e;
        std::memset(block->firmwareVersion, 0, sizeof block->firmwareVersion);
        char version[kReplyTextSize] = {};
        if (ReadVersion(version, nullptr) > 0) {
            char* p = version;
            for (int part = 0; part < 3 && p != nullptr; ++part) {
                block->firmwareVersion[part] =
                    static_cast<std::uint8_t>(std::strtoul(p, nullptr, 10));
                p = std::strchr(p, '.');
                if (p != nullptr) {
                    ++p;
                }
            }
        }
    } else if (kind == 1) {
        if (!ReadStatusFrame(*block->record, block->statusFrame)) {
            // No valid marker: the dialog keeps showing what it had.
            block->statusFrame[0] = 0;
            block->statusFrame[1] = 0;
            std::this_thread::sleep_for(std::chrono::milliseconds(kFailedStatusPauseMs));
        }
    }
}

std::int32_t StateRunCommand(std::int32_t /*handle*/, std::uint8_t code, StateWorkerBlock* block) {
    const platform::ThreadStopScope stop(block);
    if (!consoleMode(block)) {
        return 0;
    }
    const PduRecord& rec = *block->record;
    switch (code) {
        case kRunSwitch: {
            const std::uint32_t changeLow = block->onMask[0] | block->offMask[0];
            const std::uint32_t changeHigh = block->onMask[1] | block->offMask[1];
            const std::uint32_t newLow = block->onMask[0] & ~block->offMask[0];
            const std::uint32_t newHigh = block->onMask[1] & ~block->offMask[1];
            SwitchesLeft left;
            const bool ok = SwitchOutlets(rec, static_cast<std::uint16_t>(newHigh), newLow,
                                          static_cast<std::uint16_t>(changeHigh), changeLow, &left);
            // The masks keep what the PDU was not told.
            block->onMask[0] &= left.outlets;
            block->offMask[0] &= left.outlets;
            block->onMask[1] &= left.groups;
            block->offMask[1] &= left.groups;
            return ok ? 1 : 0;
        }
        case kRunReset:
            if (!(rec.featureWord & kFeatureSwitched) || rec.generationNumber < 2) {
                return 0;
            }
            return resetOutlets(rec, block->resetMask) ? 1 : 0;
        case kRunClearAlarms:
            return WithTries([](PDUIfce& ifce) { return ifce.ClearAlarms(); }) ? 1 : 0;
        default:
            return 0;
    }
}

void StateCloseDevice(std::int32_t, StateWorkerBlock*) {}

void FillStateOps(StateOps& ops, std::uint8_t developerFlag) {
    ops = StateOps{};
    ops.mode = 0;
    ops.developerFlag = developerFlag;
    ops.OpenDevice = &StateOpenDevice;
    ops.ReadState = &StateReadState;
    ops.RunCommand = &StateRunCommand;
    ops.CloseDevice = &StateCloseDevice;
}

}  // namespace quorvel
