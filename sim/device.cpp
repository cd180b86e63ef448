#include "sim/device.h"

namespace quorvel::sim {

std::size_t elementSize(int type) {
    switch (type) {
        case kVarIp:
            return 4;
        case kVarMac:
            return 6;
        case kVarText:
            return kTextSize;
        case kVarByte:
        case kVarBytes:
            return 1;
        default:
            return 2;
    }
}

int Device::generationNumber() const {
    if (generation == "V4")
        return 4;
    if (generation == "V3")
        return 3;
    if (generation == "V2")
        return 2;
    return 1;
}

double Device::outletCurrent(int index) const {
    if (index < 0 || index >= outletCount || index >= kMaxOutlets)
        return 0.0;
    if ((identity.feature & kFeatureSwitched) && !outletOn(index))
        return 0.0;
    return outletCurrents[static_cast<std::size_t>(index)];
}

}  // namespace quorvel::sim
