// A bare pseudo-terminal pair for tests of the serial port: the test plays the device on the
// master side.
#pragma once

#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <unistd.h>

#include <string>

namespace quorvel::test {

class PtyPair {
public:
    PtyPair() {
        master_ = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
        if (master_ >= 0 && ::grantpt(master_) == 0 && ::unlockpt(master_) == 0) {
            char name[128];
            if (::ptsname_r(master_, name, sizeof name) == 0) {
                path_ = name;
            }
        }
    }
    ~PtyPair() { closeMaster(); }
    PtyPair(const PtyPair&) = delete;
    PtyPair& operator=(const PtyPair&) = delete;

    bool ok() const { return master_ >= 0 && !path_.empty(); }
    const std::string& path() const { return path_; }
    int master() const { return master_; }

    void send(const std::string& bytes) const {
        if (::write(master_, bytes.data(), bytes.size()) < 0) {
            // the test's own assertions see the missing bytes
        }
    }
    // Whatever the program wrote, collected for up to timeoutMs or until n bytes came.
    std::string receive(std::size_t n, int timeoutMs) const {
        std::string got;
        char buf[256];
        while (got.size() < n) {
            pollfd p{master_, POLLIN, 0};
            if (::poll(&p, 1, timeoutMs) <= 0 || !(p.revents & POLLIN)) {
                break;
            }
            ssize_t k = ::read(master_, buf, sizeof buf);
            if (k <= 0) {
                break;
            }
            got.append(buf, static_cast<std::size_t>(k));
        }
        return got;
    }
    void closeMaster() {
        if (master_ >= 0) {
            ::close(master_);
            master_ = -1;
        }
    }

private:
    int master_ = -1;
    std::string path_;
};

}  // namespace quorvel::test
