#include "cli/live_state.h"

#include "catalogue/model_profile_builder.h"
#include "link/device_ops.h"
#include "link/state_operations.h"

namespace quorvel::cli {

LiveState::LiveState(const SessionRecord& session) {
    // The model's profile sizes the questions; without one the record keeps the words.
    if (!BuildModelProfile(session.featureWord, session.attributeWord, session.extensionWord,
                           &record)) {
        record.featureWord = session.featureWord;
        record.attributeWord = session.attributeWord;
        record.extensionWord = session.extensionWord;
    }
    FillStateOps(ops, 0);
    block.ops = &ops;
    block.record = &record;
    handle = ops.OpenDevice(&block);
}

LiveState::~LiveState() {
    ops.CloseDevice(handle, &block);
}

void LiveState::readIdentity() {
    ops.ReadState(handle, 0, &block);
}

bool LiveState::readStatus(StatusFrameView& frame) {
    ops.ReadState(handle, 1, &block);
    return ParseStatusFrame(block.statusFrame, frame);
}

std::string ConsoleReason() {
    std::string error = CurrentInterfaceError();
    while (!error.empty() && (error.back() == '\n' || error.back() == '\r')) {
        error.pop_back();
    }
    return error;
}

}  // namespace quorvel::cli
