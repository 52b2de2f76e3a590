// Boxes with the caller's button texts over the active backend.
#include "platform/ChoiceBox.h"

#include <SDL.h>

#include "platform/Dialogs.h"
#include "platform/Environment.h"
#include "platform/Text.h"
#include "platform/Windows.h"

namespace Platform {

namespace {

int ShowSdlChoiceBox(const std::string& title, const std::string& text, const std::vector<std::string>& buttons) {
  std::vector<SDL_MessageBoxButtonData> data;
  for (size_t i = 0; i < buttons.size(); ++i) {
    SDL_MessageBoxButtonData button{};
    button.flags = i == 0 ? SDL_MESSAGEBOX_BUTTON_RETURNKEY_DEFAULT : 0;
    button.buttonid = static_cast<int>(i);
    button.text = buttons[i].c_str();
    data.push_back(button);
  }
  SDL_MessageBoxData box{};
  box.flags = SDL_MESSAGEBOX_ERROR | SDL_MESSAGEBOX_BUTTONS_LEFT_TO_RIGHT;
  box.title = title.c_str();
  box.message = text.c_str();
  box.numbuttons = static_cast<int>(data.size());
  box.buttons = data.data();
  int chosen = -1;
  if (SDL_ShowMessageBox(&box, &chosen) != 0) return -1;
  return chosen;
}

}  // namespace

int ShowChoiceBox(const std::string& title, const std::string& text, const std::vector<std::string>& buttons) {
  if (buttons.empty()) return -1;
  std::string titleUtf8 = NarrowToUtf8(title);
  std::string textUtf8 = NarrowToUtf8(text);
  if (BackendName() == "sdl2") return ShowSdlChoiceBox(titleUtf8, textUtf8, buttons);

  std::string list;
  for (const std::string& button : buttons) list += (list.empty() ? "" : "|") + button;
  Log("ChoiceBox title=\"" + titleUtf8 + "\" buttons=[" + list + "]");
  UINT type = buttons.size() == 1 ? MB_OK : buttons.size() == 2 ? MB_OKCANCEL : MB_YESNOCANCEL;
  int answer = MessageBoxA(nullptr, text.c_str(), title.c_str(), type);
  std::string order = MessageBoxButtons(type);
  size_t index = order.find(static_cast<char>(answer));
  return index == std::string::npos || index >= buttons.size() ? -1 : static_cast<int>(index);
}

}  // namespace Platform
