// What images need from the application object, and nothing more: the set of
// live images, texture release, whether the display draws through 3D, the
// display's pixel format, reading a texture back, the additive clamp table
// and the shared-image purge flag.
//
// The application object implements this interface and installs itself with
// SetImageHost; until one is installed every image talks to a quiet host that
// records nothing, has no display and runs in software.
#pragma once

#include <cstdint>

namespace Kivo {

class MemoryImage;
struct NativeDisplay;

class ImageHost {
 public:
  virtual ~ImageHost() = default;

  // Every MemoryImage registers at construction and unregisters (which also
  // drops its 3D texture) at destruction; both run under the display lock.
  virtual void RegisterMemoryImage(MemoryImage* image) = 0;
  virtual void UnregisterMemoryImage(MemoryImage* image) = 0;
  virtual void ReleaseImageTexture(MemoryImage* image) = 0;
  virtual bool Is3DOn() = 0;
  // The display's pixel format, or null while no display exists.
  virtual const NativeDisplay* GetNativeDisplay() = 0;
  // Reads the image's 3D texture back into its bits (already allocated);
  // false when the image has no current texture.
  virtual bool ReadTextureBits(MemoryImage* image) = 0;
  // Raised when the last handle on a shared image goes away.
  virtual void SetSharedImagePurgeFlag() = 0;
  // 512 entries: i for i < 256, 255 above. The additive paths add two
  // channels and look the sum up here.
  virtual const uint8_t* GetClampTable();
};

// The quiet host used while no application object exists.
class NullImageHost : public ImageHost {
 public:
  void RegisterMemoryImage(MemoryImage*) override {}
  void UnregisterMemoryImage(MemoryImage*) override {}
  void ReleaseImageTexture(MemoryImage*) override {}
  bool Is3DOn() override { return false; }
  const NativeDisplay* GetNativeDisplay() override { return nullptr; }
  bool ReadTextureBits(MemoryImage*) override { return false; }
  void SetSharedImagePurgeFlag() override {}
};

// The host that images made without an explicit one use (the application
// object once it exists). Never null.
ImageHost* GetImageHost();
// Installs a host (null restores the quiet one); returns the previous one.
ImageHost* SetImageHost(ImageHost* host);

// The fixed clamp table itself.
const uint8_t* DefaultClampTable();

}  // namespace Kivo
