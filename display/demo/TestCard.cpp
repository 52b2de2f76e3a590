// The display's test card (see TestCard.h).
#include "display/demo/TestCard.h"

#include <cstdint>
#include <vector>

#include "display/DDInterface.h"
#include "image/surface/DDImage.h"
#include "shell/base/Color.h"
#include "shell/base/Rect.h"

namespace Kivo {

void DrawTestCard(DDInterface& display, int32_t left, int32_t top) {
  DDImage* screen = display.GetScreenImage();
  if (screen == nullptr) return;
  const int32_t x0 = left, y0 = top;
  const Rect card(x0, y0, kTestCardWidth, kTestCardHeight);
  screen->LockSurface();
  screen->FillRect(card, Color(32, 48, 96), 0);
  for (int i = 0; i < 8; ++i)
    screen->FillRect(Rect(x0 + 8 + i * 38, y0 + 8, 34, 24), Color(i * 36, 255 - i * 30, (i * 80) & 255), 0);
  screen->FillRect(Rect(x0 + 8, y0 + 40, 150, 30), Color(255, 255, 255, 96), 0);
  screen->FillRect(Rect(x0 + 170, y0 + 40, 140, 30), Color(120, 40, 10, 255), 1);

  // A keyed sprite (transparent corners) held in its surface.
  std::vector<uint32_t> ring(32 * 32);
  for (int y = 0; y < 32; ++y)
    for (int x = 0; x < 32; ++x) {
      const int dx = x - 16, dy = y - 16;
      const int r2 = dx * dx + dy * dy;
      ring[static_cast<size_t>(y * 32 + x)] =
          r2 < 15 * 15 ? (r2 < 8 * 8 ? 0xFF000000u : 0xFFFFC000u | static_cast<uint32_t>(x * 8)) : 0x00000000u;
    }
  DDImage keyed(&display);
  keyed.SetBits(ring.data(), 32, 32, true);
  keyed.CreateSurface();
  screen->DrawImage(&keyed, x0 + 12, y0 + 80, Rect(0, 0, 32, 32), Color::White, 0);

  // A partial-alpha sprite: a horizontal alpha ramp.
  std::vector<uint32_t> ramp(64 * 24);
  for (int y = 0; y < 24; ++y)
    for (int x = 0; x < 64; ++x)
      ramp[static_cast<size_t>(y * 64 + x)] = static_cast<uint32_t>(x * 4) << 24 | 0x00FF40A0u;
  DDImage soft(&display);
  soft.SetBits(ramp.data(), 64, 24, true);
  screen->DrawImage(&soft, x0 + 52, y0 + 84, Rect(0, 0, 64, 24), Color::White, 0);
  screen->DrawImage(&soft, x0 + 52, y0 + 110, Rect(0, 0, 64, 24), Color(0, 255, 255, 200), 1);
  screen->DrawImageMirrored(&soft, x0 + 120, y0 + 84, Rect(0, 0, 64, 24), Color::White, 0);

  for (int i = 0; i < 10; ++i) {
    screen->DrawLine(x0 + 200, y0 + 80 + i * 3, x0 + 310, y0 + 90 + i * 12, Color(255, i * 25, 0), 0);
    screen->DrawLineAntialiased(x0 + 200, y0 + 200 - i * 2, x0 + 310, y0 + 150 + i * 5, Color(0, 255, 128), 0);
  }
  screen->DrawLine(x0 + 10, y0 + 230, x0 + 300, y0 + 150, Color(80, 80, 255), 1);

  screen->DrawImageRotated(&keyed, static_cast<float>(x0 + 40), static_cast<float>(y0 + 150), Rect(0, 0, 32, 32), card,
                           Color::White, 0, 0.6, 16.0f, 16.0f);
  screen->DrawImageStretched(&soft, Rect(x0 + 100, y0 + 150, 90, 60), Rect(0, 0, 64, 24), card, Color::White, 0, true);
  screen->DrawImageStretched(&keyed, Rect(x0 + 100, y0 + 214, 96, 20), Rect(0, 0, 32, 32), card, Color::White, 0, true);
  screen->UnlockSurface();
  // The sprites die here: in 3D their textures must go with them, whichever
  // image host is installed.
  display.RemoveImageTexture(&keyed);
  display.RemoveImageTexture(&soft);
}

}  // namespace Kivo
