// The main window's message boxes use Halvex's prompter, so one scripted prompter answers the
// window and the dialogs alike.
#pragma once

#include "dialogs/prompter.h"

namespace quorvel::app {
using dialogs::Answer;
using dialogs::Buttons;
using dialogs::MessageBoxPrompter;
using dialogs::Prompter;
}  // namespace quorvel::app
