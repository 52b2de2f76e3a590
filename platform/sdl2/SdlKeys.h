// SDL key codes to 8-bit Windows virtual keys.
#pragma once

#include <SDL.h>

namespace Platform {

// The virtual key for an SDL key, 0 when it has none (no key message is then
// sent). Letters follow the layout (the key code); on layouts whose letter
// keys give no Latin letter, the physical key decides. Left and right
// modifiers give the generic code.
int VirtualKeyFromSdl(SDL_Keycode key, SDL_Scancode scancode);

}  // namespace Platform
