// An in-memory serial device for fast, synchronous tests of the transport and the console
// session: it records every write, answers through a scripted responder, and can be told to
// stall, fail or write short.
#pragma once

#include <algorithm>
#include <chrono>
#include <cstring>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "link/transport.h"
#include "platform/serial_device.h"

namespace quorvel::test {

struct MemoryLine {
    std::mutex mutex;
    std::string pending;              // bytes the device has sent, not yet read
    std::vector<std::string> writes;  // every write, as one chunk each
    std::vector<std::chrono::steady_clock::time_point> writeTimes;  // when each write came
    std::vector<std::size_t> readSizes;                        // the size asked for by every read
    std::function<std::string(const std::string&)> responder;  // written bytes -> answer
    bool failReads = false;
    bool failWrites = false;
    long shortWriteBy = 0;  // write this many bytes fewer than asked
    int opens = 0;

    std::string written() {
        std::lock_guard lock(mutex);
        std::string all;
        for (auto& w : writes) {
            all += w;
        }
        return all;
    }
    void feed(const std::string& bytes) {
        std::lock_guard lock(mutex);
        pending += bytes;
    }
};

class MemoryDevice : public platform::SerialDevice {
  public:
    explicit MemoryDevice(std::shared_ptr<MemoryLine> line) : line_(std::move(line)) {}

    long read(char* buf, std::size_t n, platform::ReadLimits) override {
        std::lock_guard lock(line_->mutex);
        line_->readSizes.push_back(n);
        if (line_->failReads) {
            return -1;
        }
        std::size_t k = std::min(n, line_->pending.size());
        std::memcpy(buf, line_->pending.data(), k);
        line_->pending.erase(0, k);
        return static_cast<long>(k);
    }

    long write(const char* buf, std::size_t n, int) override {
        std::function<std::string(const std::string&)> responder;
        std::string chunk(buf, n);
        {
            std::lock_guard lock(line_->mutex);
            if (line_->failWrites) {
                return -1;
            }
            long w = std::max(0L, static_cast<long>(n) - line_->shortWriteBy);
            chunk.resize(static_cast<std::size_t>(w));
            line_->writes.push_back(chunk);
            line_->writeTimes.push_back(std::chrono::steady_clock::now());
            responder = line_->responder;
        }
        if (responder) {
            std::string answer = responder(chunk);
            std::lock_guard lock(line_->mutex);
            line_->pending += answer;
        }
        return static_cast<long>(chunk.size());
    }

    std::string osError() const override { return "Input/output error"; }

  private:
    std::shared_ptr<MemoryLine> line_;
};

// Routes the transport to a fresh memory line for the life of the fixture object.
class MemoryTransport {
  public:
    MemoryTransport() : line(std::make_shared<MemoryLine>()) {
        transport::CloseCOMDev();
        auto l = line;
        transport::SetDeviceOpener([l](int, const platform::LineSettings&) {
            transport::OpenResult r;
            {
                std::lock_guard lock(l->mutex);
                ++l->opens;
            }
            r.device = std::make_unique<MemoryDevice>(l);
            r.deviceName = "memory";
            return r;
        });
        transport::SetParams(1, 9600, 8, 0, 0);
    }
    ~MemoryTransport() {
        transport::CloseCOMDev();
        transport::SetDeviceOpener(nullptr);
    }
    std::shared_ptr<MemoryLine> line;
};

}  // namespace quorvel::test
