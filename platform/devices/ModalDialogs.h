// Runs a modal dialog of platform/ModalDialog.h on the active backend: sdl2
// draws it in a window of its own with the system font (Tab and Shift+Tab
// move the focus, Enter presses the focused or the default button and
// breaks lines in a multi-line edit box, Esc presses the cancel button,
// typing and Backspace edit, the arrows, Page Up/Down and the wheel scroll
// the read-only text; a click presses a button or focuses an edit box);
// headless answers it from the input script. The close box reports
// kDialogClosed. With GAME_FRAME_DUMP set, sdl2 saves the dialog's first
// frame as "dialog_<title>".
//
// Returns the result the handlers ended the dialog with (kDialogClosed
// when the window system failed); *finalTexts, when given, receives every
// control's text at the end, in template order.
#pragma once

#include <string>
#include <vector>

#include "platform/ModalDialog.h"

namespace Platform {

int RunModalDialog(const DialogTemplate& dialog, DialogHandlers& handlers, std::vector<std::string>* finalTexts);

}  // namespace Platform
