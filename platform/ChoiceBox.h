// A message box with buttons of the caller's own texts, for windows that
// must work whatever state the application is in (the crash windows).
//
// sdl2: an SDL message box with those buttons, first one the default.
// headless: one log line with the title and the buttons in order, then the
// ordinary logged message box with as many buttons (MB_OK, MB_OKCANCEL,
// MB_YESNOCANCEL): its scripted answer picks the button at the same place
// ("msgbox 1" the first of two, "msgbox 2" the second).
//
// Limits: one to three buttons. May be called from any thread.
#pragma once

#include <string>
#include <vector>

namespace Platform {

// The index of the chosen button, or -1 when the box was closed without one.
int ShowChoiceBox(const std::string& title, const std::string& text, const std::vector<std::string>& buttons);

}  // namespace Platform
