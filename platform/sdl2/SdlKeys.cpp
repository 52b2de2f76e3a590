// SDL key codes to Windows virtual keys.
#include "platform/sdl2/SdlKeys.h"

#include "platform/Messages.h"

namespace Platform {

int VirtualKeyFromSdl(SDL_Keycode key, SDL_Scancode scancode) {
  if (key >= 'a' && key <= 'z') return static_cast<int>(key - 'a' + 'A');
  if (key >= '0' && key <= '9') return static_cast<int>(key);
  switch (key) {
    case SDLK_BACKSPACE: return VK_BACK;
    case SDLK_TAB: return VK_TAB;
    case SDLK_RETURN: return VK_RETURN;
    case SDLK_KP_ENTER: return VK_RETURN;
    case SDLK_LSHIFT:
    case SDLK_RSHIFT: return VK_SHIFT;
    case SDLK_LCTRL:
    case SDLK_RCTRL: return VK_CONTROL;
    case SDLK_LALT:
    case SDLK_RALT: return VK_MENU;
    case SDLK_PAUSE: return VK_PAUSE;
    case SDLK_CAPSLOCK: return VK_CAPITAL;
    case SDLK_ESCAPE: return VK_ESCAPE;
    case SDLK_SPACE: return VK_SPACE;
    case SDLK_PAGEUP: return VK_PRIOR;
    case SDLK_PAGEDOWN: return VK_NEXT;
    case SDLK_END: return VK_END;
    case SDLK_HOME: return VK_HOME;
    case SDLK_LEFT: return VK_LEFT;
    case SDLK_UP: return VK_UP;
    case SDLK_RIGHT: return VK_RIGHT;
    case SDLK_DOWN: return VK_DOWN;
    case SDLK_INSERT: return VK_INSERT;
    case SDLK_DELETE: return VK_DELETE;
    case SDLK_KP_0: return VK_NUMPAD0;
    case SDLK_KP_1: return VK_NUMPAD0 + 1;
    case SDLK_KP_2: return VK_NUMPAD0 + 2;
    case SDLK_KP_3: return VK_NUMPAD0 + 3;
    case SDLK_KP_4: return VK_NUMPAD0 + 4;
    case SDLK_KP_5: return VK_NUMPAD0 + 5;
    case SDLK_KP_6: return VK_NUMPAD0 + 6;
    case SDLK_KP_7: return VK_NUMPAD0 + 7;
    case SDLK_KP_8: return VK_NUMPAD0 + 8;
    case SDLK_KP_9: return VK_NUMPAD0 + 9;
    case SDLK_KP_MULTIPLY: return VK_MULTIPLY;
    case SDLK_KP_PLUS: return VK_ADD;
    case SDLK_KP_MINUS: return VK_SUBTRACT;
    case SDLK_KP_PERIOD: return VK_DECIMAL;
    case SDLK_KP_DIVIDE: return VK_DIVIDE;
    case SDLK_F1: return VK_F1;
    case SDLK_F2: return VK_F1 + 1;
    case SDLK_F3: return VK_F1 + 2;
    case SDLK_F4: return VK_F1 + 3;
    case SDLK_F5: return VK_F1 + 4;
    case SDLK_F6: return VK_F1 + 5;
    case SDLK_F7: return VK_F1 + 6;
    case SDLK_F8: return VK_F1 + 7;
    case SDLK_F9: return VK_F1 + 8;
    case SDLK_F10: return VK_F1 + 9;
    case SDLK_F11: return VK_F1 + 10;
    case SDLK_F12: return VK_F1 + 11;
    case SDLK_SEMICOLON: return VK_OEM_1;
    case SDLK_EQUALS: return VK_OEM_PLUS;
    case SDLK_PLUS: return VK_OEM_PLUS;
    case SDLK_COMMA: return VK_OEM_COMMA;
    case SDLK_MINUS: return VK_OEM_MINUS;
    case SDLK_PERIOD: return VK_OEM_PERIOD;
    case SDLK_SLASH: return VK_OEM_2;
    case SDLK_BACKQUOTE: return VK_OEM_3;
    case SDLK_LEFTBRACKET: return VK_OEM_4;
    case SDLK_BACKSLASH: return VK_OEM_5;
    case SDLK_RIGHTBRACKET: return VK_OEM_6;
    case SDLK_QUOTE: return VK_OEM_7;
    default: break;
  }
  // Non-Latin layouts: the letter and digit keys still have their codes.
  if (scancode >= SDL_SCANCODE_A && scancode <= SDL_SCANCODE_Z) return 'A' + (scancode - SDL_SCANCODE_A);
  if (scancode >= SDL_SCANCODE_1 && scancode <= SDL_SCANCODE_9) return '1' + (scancode - SDL_SCANCODE_1);
  if (scancode == SDL_SCANCODE_0) return '0';
  return 0;
}

}  // namespace Platform
