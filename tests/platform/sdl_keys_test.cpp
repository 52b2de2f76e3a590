// SDL keys map to the 8-bit virtual keys the records carry.
#include "platform/sdl2/SdlKeys.h"

#include <gtest/gtest.h>

namespace {

TEST(SdlKeys, TableOfKeys) {
  struct Case {
    SDL_Keycode key;
    SDL_Scancode scan;
    int vk;
  } cases[] = {
      {SDLK_a, SDL_SCANCODE_A, 0x41},
      {SDLK_z, SDL_SCANCODE_Z, 0x5A},
      {SDLK_0, SDL_SCANCODE_0, 0x30},
      {SDLK_9, SDL_SCANCODE_9, 0x39},
      {SDLK_RETURN, SDL_SCANCODE_RETURN, 0x0D},
      {SDLK_KP_ENTER, SDL_SCANCODE_KP_ENTER, 0x0D},
      {SDLK_BACKSPACE, SDL_SCANCODE_BACKSPACE, 0x08},
      {SDLK_ESCAPE, SDL_SCANCODE_ESCAPE, 0x1B},
      {SDLK_LSHIFT, SDL_SCANCODE_LSHIFT, 0x10},
      {SDLK_RSHIFT, SDL_SCANCODE_RSHIFT, 0x10},
      {SDLK_RCTRL, SDL_SCANCODE_RCTRL, 0x11},
      {SDLK_RALT, SDL_SCANCODE_RALT, 0x12},
      {SDLK_LEFT, SDL_SCANCODE_LEFT, 0x25},
      {SDLK_DOWN, SDL_SCANCODE_DOWN, 0x28},
      {SDLK_KP_7, SDL_SCANCODE_KP_7, 0x67},
      {SDLK_KP_DIVIDE, SDL_SCANCODE_KP_DIVIDE, 0x6F},
      {SDLK_F1, SDL_SCANCODE_F1, 0x70},
      {SDLK_F12, SDL_SCANCODE_F12, 0x7B},
      {SDLK_SEMICOLON, SDL_SCANCODE_SEMICOLON, 0xBA},
      {SDLK_QUOTE, SDL_SCANCODE_APOSTROPHE, 0xDE},
      {SDLK_LEFTBRACKET, SDL_SCANCODE_LEFTBRACKET, 0xDB},
      {SDLK_BACKQUOTE, SDL_SCANCODE_GRAVE, 0xC0},
      // A Cyrillic layout: the letter key still gives its letter code.
      {0x0444, SDL_SCANCODE_A, 0x41},
      // Keys without a code send nothing.
      {SDLK_F13, SDL_SCANCODE_F13, 0},
      {SDLK_APPLICATION, SDL_SCANCODE_APPLICATION, 0},
  };
  for (const Case& c : cases) {
    int vk = Platform::VirtualKeyFromSdl(c.key, c.scan);
    EXPECT_EQ(vk, c.vk) << SDL_GetKeyName(c.key);
    EXPECT_LT(vk, 0xFF);
  }
}

}  // namespace
