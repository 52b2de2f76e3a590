// The software mouse pointer: the application's own cursor picture drawn on
// the display's surfaces.
//
// An 80 x 80 area centred on the cursor position is saved before the picture
// is drawn over it and written back when the cursor moves away. The present
// puts the cursor into each frame through the display's drawCursor and
// restoreCursorArea hooks (installed by InstallSoftwareCursor); between
// presents the cursor thread calls SetSoftwareCursorPos, which moves the
// cursor straight on the primary surface with two blits so it never vanishes
// between its old and new place.
//
// State lives in the display (cursorImage, cursorFrame, cursorDrawnX/Y,
// cursorSaved and the two cursor-area surfaces and their images). Nothing
// here runs unless the display is initialised and both cursor surfaces
// exist, so a display whose start failed half way is never drawn into.
// Failed blits are ignored; a failed save only makes the next move draw
// afresh instead of restoring.
#pragma once

#include <cstdint>

#include "display/DDInterface.h"
#include "shell/base/Rect.h"

namespace Kivo {

// The rectangles of one cursor position: the part of the 80 x 80 area that
// is visible, inside the cursor surfaces and on the target.
struct CursorRects {
  Rect area;        // the whole 80 x 80 area around the position
  Rect clip;        // area cut to the bounds
  Rect areaPart;    // clip, relative to the area
  Rect targetPart;  // clip, moved to the target's coordinates
};
CursorRects ComputeCursorRects(int32_t x, int32_t y, int32_t areaWidth, int32_t areaHeight, const Rect& bounds,
                               int32_t originX, int32_t originY);

// The cel of an animated cursor picture to draw next; advances frame by 0.3
// in single precision and wraps it at rows. A one-row picture gives -1 (draw
// it whole) and leaves frame alone.
int32_t NextCursorCel(float& frame, int32_t rows);

// Save the area under the cursor at (cursorDrawnX, cursorDrawnY) on target
// and draw the cursor there.
void DrawCursor(DDInterface& display, IDirectDrawSurface* target, bool screenCoordinates);
// Write the saved area back (when one is saved).
void RestoreCursorArea(DDInterface& display, IDirectDrawSurface* target, bool screenCoordinates);
// Move a drawn and saved cursor to (x, y) in one step.
void MoveCursor(DDInterface& display, IDirectDrawSurface* target, bool screenCoordinates, int32_t x, int32_t y);
// The cursor thread's entry: during a present only the wanted position
// changes; otherwise the cursor is moved or drawn on the primary surface.
void SetSoftwareCursorPos(DDInterface& display, int32_t x, int32_t y);
// Points the display's present hooks at the functions above.
void InstallSoftwareCursor(DDInterface& display);

}  // namespace Kivo
