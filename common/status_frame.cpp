#include "common/status_frame.h"

namespace quorvel {

namespace {

class Reader {
  public:
    explicit Reader(std::span<const std::uint8_t> f) : f_(f) {}
    bool byte(std::uint8_t& v) {
        if (pos_ >= f_.size()) {
            return false;
        }
        v = f_[pos_++];
        return true;
    }
    bool word(std::uint16_t& v) {
        std::uint8_t hi, lo;
        if (!byte(hi) || !byte(lo)) {
            return false;
        }
        v = static_cast<std::uint16_t>(hi << 8 | lo);
        return true;
    }
    bool words(std::vector<std::uint16_t>& out) {
        std::uint8_t n;
        if (!byte(n)) {
            return false;
        }
        out.resize(n);
        for (auto& v : out) {
            if (!word(v)) {
                return false;
            }
        }
        return true;
    }
    // Counted 16-bit values read as two's complement.
    bool signedWords(std::vector<std::int16_t>& out) {
        std::vector<std::uint16_t> raw;
        if (!words(raw)) {
            return false;
        }
        out.clear();
        for (std::uint16_t v : raw) {
            out.push_back(static_cast<std::int16_t>(v));
        }
        return true;
    }
    bool bitmap(std::vector<std::uint8_t>& out) {
        std::uint8_t n;
        if (!byte(n)) {
            return false;
        }
        std::vector<std::uint8_t> bytes(n);
        for (auto& b : bytes) {
            if (!byte(b)) {
                return false;
            }
        }
        if (n >= 1 && n <= 6) {
            out = std::move(bytes);
        }
        return true;
    }
    std::size_t position() const { return pos_; }

  private:
    std::span<const std::uint8_t> f_;
    std::size_t pos_ = 0;
};

}  // namespace

bool ParseStatusFrame(std::span<const std::uint8_t> frame, StatusFrameView& out) {
    out = StatusFrameView{};
    Reader r(frame);
    std::uint8_t m0, m1;
    if (!r.byte(m0) || !r.byte(m1) || m0 != 0xAA || m1 != 0x55) {
        return false;
    }
    if (!r.words(out.voltages) || !r.words(out.circuitCurrents) || !r.words(out.extra) ||
        !r.words(out.receptacleCurrents) || !r.bitmap(out.state) || !r.bitmap(out.blocked) ||
        !r.signedWords(out.temperatures) || !r.words(out.humidities) || !r.byte(out.alarmCount)) {
        return false;
    }
    if (out.alarmCount > 0 && !r.word(out.alarmWord)) {
        return false;
    }
    if (out.alarmCount == 2 && !r.word(out.lockWord)) {
        return false;
    }
    out.length = r.position();
    return true;
}

bool BitmapBit(const std::vector<std::uint8_t>& bitmap, unsigned k) {
    const std::size_t byteFromEnd = k / 8;
    if (byteFromEnd >= bitmap.size()) {
        return false;
    }
    return (bitmap[bitmap.size() - 1 - byteFromEnd] >> (k % 8)) & 1U;
}

}  // namespace quorvel
