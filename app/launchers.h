// The main window's Actions buttons: each launcher prepares its dialog's operations table and
// runs the dialog modally. They run on the window thread while the session worker only waits.
#pragma once

class QWidget;

namespace quorvel {
struct ModelProfile;
using PduRecord = ModelProfile;
struct DeviceAddressBlock;
struct SessionRecord;
}  // namespace quorvel

namespace quorvel::dialogs {
class Prompter;
}

namespace quorvel::app {

// What every launcher may use of the main window.
struct LaunchContext {
    QWidget* parent = nullptr;
    PduRecord* pdu = nullptr;
    DeviceAddressBlock* addresses = nullptr;
    bool developer = false;
    dialogs::Prompter* prompter = nullptr;
    SessionRecord* session = nullptr;  // calibration references and the generation text
};

void LaunchStateDialog(const LaunchContext& context);        // Monitor
void LaunchConfigDialog(const LaunchContext& context);       // Configure
void LaunchWebDialog(const LaunchContext& context);          // Web
void LaunchModelDialog(const LaunchContext& context);        // Model
void LaunchCalibrationDialog(const LaunchContext& context);  // Calibrate

}  // namespace quorvel::app
