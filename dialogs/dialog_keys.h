// Keyboard conventions the dialogs of both programs follow: Tab visits the controls in the order
// the dialog gives, and Enter on a focused push button presses that button. The dialogs' push
// buttons are not auto-default, so Enter typed into a field never presses a button by accident:
// it goes to the dialog's default button when the dialog has one, and does nothing otherwise.
#pragma once

#include <vector>

#include "dialogs/halvex_api.h"

class QDialog;
class QWidget;

namespace quorvel::dialogs {

// Tab goes from each widget of the list to the next one that can take the focus, Shift+Tab
// back. Null widgets and widgets that never take the focus are left out.
QUORVEL_HALVEX_API void SetTabChain(const std::vector<QWidget*>& order);

// From now on Enter (Return or the keypad's Enter) presses the dialog's focused push button.
QUORVEL_HALVEX_API void EnterPressesFocusedButton(QDialog* dialog);

}  // namespace quorvel::dialogs
