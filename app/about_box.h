// The About box: the program's version and the dialogs library's version, and the notice.
#pragma once

#include <array>
#include <cstdint>
#include <string>

class QWidget;

namespace quorvel::app {

constexpr std::array<int, 3> kProgramVersion = {3, 3, 0};

// "Quorvel Version: 3.3.0        Halvex Version: 1.1.8" in the current language.
std::u16string AboutVersionLine(const std::array<std::uint8_t, 3>& halvex);
// The version Halvex reports.
std::array<std::uint8_t, 3> HalvexVersion();

// Shows the About box modally.
void ShowAboutBox(QWidget* parent);

}  // namespace quorvel::app
