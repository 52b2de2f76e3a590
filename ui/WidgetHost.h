// What the widget tree needs of the application object, and nothing more.
// The application implements it; tests use a small recording double.
// Whether the display runs in 3D comes from the image host (image/ImageHost.h),
// which the application implements as well.
#pragma once

namespace Kivo {

class Image;

class WidgetHost {
 public:
  virtual ~WidgetHost() = default;

  // 0 arrow, 1 hand, 2 while a dialog is dragged; refreshes the cursor at once.
  virtual void SetCursorNumber(int number) = 0;
  // Whether this image is the display's draw surface while it runs in 3D.
  virtual bool ImageDrawsThrough3D(const Image* image) const = 0;
  // The draw pass keeps a surface-backed screen image locked from before the
  // first widget to after the last overlay, so the locks of the drawing
  // operations nest inside one real lock. Returns whether it locked; an image
  // without a surface is not locked and not unlocked.
  virtual bool LockScreenImage(Image* screen) = 0;
  virtual void UnlockScreenImage(Image* screen) = 0;
};

}  // namespace Kivo
