// The texts the main window and the About box set at run time, in English and Spanish. The
// language index is chosen once at start-up (English); there is no language selection.
#pragma once

#include <string>

namespace quorvel::app {

enum class Txt : int {
    Title,
    ConnectionGroup,
    Connect,
    Disconnect,
    ActionsGroup,
    ModulesGroup,
    Monitor,
    Model,
    Configure,
    Calibrate,
    ComPort,
    Environmental,
    About,
    VersionLabel,
    Notice,
    // Calibration dialog.
    CalTitle,
    CalReferenceCurrent,
    CalLowLoad,
    CalHighLoad,
    CalThreshold,
    CalReferenceVoltage,
    CalLowVoltage,
    CalHighVoltage,
    CalRawMeasurements,
    CalSampleLow,
    CalSampleHigh,
    CalSlope,
    CalOffset,
    CalThresholdValue,
    CalSave,
    CalCancel,
    CalReboot,
    Count
};

constexpr int kLanguageCount = 2;  // 0 English, 1 Spanish

// The process-wide language index; out-of-range values read as English.
void SetLanguageIndex(int index);
int LanguageIndex();

// The text of a row in the current language, or in the given one.
std::u16string LangText(Txt row);
std::u16string LangText(Txt row, int language);

}  // namespace quorvel::app
