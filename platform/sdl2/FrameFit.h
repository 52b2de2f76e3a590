// Where a frame is shown in a host window of another size: scaled to fit,
// centred, its aspect kept, black bars on the rest. The present and the
// pointer use the same rectangle, so a click lands where the player sees
// the pointer.
#pragma once

namespace Platform {

struct FrameFit {
  int x = 0, y = 0, width = 0, height = 0;  // the frame's rectangle in the window
  bool wholeScale = true;                   // an integer factor: pixels repeat, no filtering wanted
};

// Empty sizes give an empty rectangle.
FrameFit FitFrame(int windowWidth, int windowHeight, int frameWidth, int frameHeight);

// A window pixel into frame pixels: the frame pixel under the window
// pixel's centre. Points on the bars give positions outside the frame.
void WindowToFrame(const FrameFit& fit, int frameWidth, int frameHeight, int x, int y, int* frameX, int* frameY);

}  // namespace Platform
