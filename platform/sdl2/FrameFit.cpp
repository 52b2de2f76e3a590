#include "platform/sdl2/FrameFit.h"

#include <cmath>
#include <cstdint>

namespace Platform {

FrameFit FitFrame(int windowWidth, int windowHeight, int frameWidth, int frameHeight) {
  FrameFit fit;
  if (windowWidth <= 0 || windowHeight <= 0 || frameWidth <= 0 || frameHeight <= 0) {
    fit.width = fit.height = 0;
    return fit;
  }
  const std::int64_t ww = windowWidth, wh = windowHeight, fw = frameWidth, fh = frameHeight;
  // Rounded to the nearest pixel so that a frame of the window's own aspect
  // fills it exactly.
  if (ww * fh <= wh * fw) {
    fit.width = windowWidth;
    fit.height = static_cast<int>((fh * ww * 2 + fw) / (fw * 2));
  } else {
    fit.height = windowHeight;
    fit.width = static_cast<int>((fw * wh * 2 + fh) / (fh * 2));
  }
  fit.x = (windowWidth - fit.width) / 2;
  fit.y = (windowHeight - fit.height) / 2;
  fit.wholeScale = fit.width % frameWidth == 0 && fit.height % frameHeight == 0 &&
                   fit.width / frameWidth == fit.height / frameHeight;
  return fit;
}

void WindowToFrame(const FrameFit& fit, int frameWidth, int frameHeight, int x, int y, int* frameX, int* frameY) {
  if (fit.width <= 0 || fit.height <= 0) {
    *frameX = x;
    *frameY = y;
    return;
  }
  *frameX = static_cast<int>(std::floor((x - fit.x + 0.5) * frameWidth / fit.width));
  *frameY = static_cast<int>(std::floor((y - fit.y + 0.5) * frameHeight / fit.height));
}

}  // namespace Platform
