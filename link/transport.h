// The one serial line of the process: its settings, the open port and the last-error text, and
// the three exchanges that send one command line and collect the console's reply.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "platform/serial_device.h"

namespace quorvel::transport {

constexpr int kLastErrorSize = 256;

// The message for the first setting out of range (port 1..20, data bits 4..8, parity 0..4,
// stop bits 0..2), or "" when all are valid.
std::string ParamsError(int port, int dataBits, int parity, int stopBits);

// Stores the line settings after checking port 1..20, data bits 4..8, parity 0..4 and stop
// bits 0..2 (the baud rate is checked when the port is opened).
bool SetParams(int port, int baud, int dataBits, int parity, int stopBits);
// Opens and configures the stored port; closes whatever was open first.
bool OpenCOMDev();
// Applies the read and write limits to the open port. The argument has no effect.
bool SetCOMTimeout(int ignored);
// Closes the port if open; harmless when closed.
void CloseCOMDev();
bool IsOpen();

// Sends text (may be null), sleeps pauseMs, reads once into reply and, with expect, compares
// the start of the reply (echo included) with it.
bool XferCOMString(const char* text, int pauseMs, char* reply, int capacity, const char* expect);
// 1 when expect was seen anywhere in the reply within waitMs, 0 when not, -1 on failure.
int XferCOMStringWaitSingleReply(const char* text, int waitMs, char* reply, int capacity,
                                 const char* expect);
// k when the k-th of the null-ended candidates (only the first 10 count) was seen, 0 when none
// was seen in time, -1 on failure.
int XferCOMStringWaitMultipleReply(const char* text, int waitMs, char* reply, int capacity,
                                   const char* const* candidates);

// The message of the latest transport failure.
std::string LastError();
// The operating system's reason behind the latest failure, "" when there is none.
std::string LastOsError();
// The device path of the latest OpenCOMDev.
std::string LastDevicePath();

struct Settings {
    int port;
    int baud;
    int dataBits;
    int parity;
    int stopBits;
};
Settings CurrentSettings();

// How OpenCOMDev reaches a device: given the COM port number and the line settings it returns
// the open device, or null with a failure stage (0 open, 1 get state, 2 set state), the device
// name for messages and the OS reason. Tests stand an in-memory device in here.
struct OpenResult {
    std::unique_ptr<platform::SerialDevice> device;
    int failedStage = 0;
    std::string deviceName;
    std::string osError;
};
using DeviceOpener = std::function<OpenResult(int port, const platform::LineSettings&)>;
// Installs opener (null restores the real serial ports).
void SetDeviceOpener(DeviceOpener opener);

}  // namespace quorvel::transport
