// The display's test card: fills (opaque, translucent, additive), a keyed
// and a partial-alpha sprite, plain, tinted, additive and mirrored blits,
// lines, a rotated and two stretched draws, all through a display's screen
// image, so the same card shows the software surface routines in 2D and the
// renderer in 3D. The demo programs draw it; it reads no file.
//
// Layer: display/demo uses image/surface and everything below it.
#pragma once

#include <cstdint>

namespace Kivo {

class DDInterface;

constexpr int32_t kTestCardWidth = 320;
constexpr int32_t kTestCardHeight = 240;

// Draws the card with its top-left corner at (left, top) of the screen
// image; the caller keeps the card inside the screen. Nothing happens when
// the display has no screen image.
void DrawTestCard(DDInterface& display, int32_t left, int32_t top);

}  // namespace Kivo
