// The application's image registry: every live memory image, images loaded
// from files into surface-backed images, copies of image regions, the
// shared-image map (keyed by file and variant name, letter case ignored,
// purged once an update) and the switch between 2D and 3D drawing.
//
// The application object owns one ImageRegistry and installs it as the
// images' host (SetImageHost); it must outlive every image made while it is
// installed. Shutdown order: DeleteSharedImages, SetDisplay(nullptr) with
// the display deleted, then the registry. Everything that touches the image set or the
// shared map holds the display lock; files are decoded outside it. What the
// registry needs of the rest of the application (display start, fatal
// messages, decoding, the widget manager) it asks through ImageRegistryApp.
//
// Failures: a file that does not decode gives a null image (a shared entry
// made for it keeps null and is not loaded again while referenced); a 3D
// start that fails falls back to 2D; a 2D start that fails is fatal (exit 1).
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "image/surface/DDImage.h"
#include "image/ImageHost.h"
#include "image/SharedImage.h"
#include "shell/base/Lock.h"

namespace Kivo {

class ImageRegistryApp {
 public:
  virtual ~ImageRegistryApp() = default;
  // Initialises the display again; the result code of DDInterface::Init.
  virtual int32_t InitDisplay() = 0;
  virtual void ShowFatalErrorA(const std::string& text) = 0;
  virtual void ShowFatalErrorW(const std::wstring& text) = 0;
  virtual void ExitProgram(int32_t code) = 0;
  // Images are made ready for the new display (storage options again).
  virtual void PrepareImagesAfterDisplayChange() {}
  // The widget manager draws into the new screen image and repaints all.
  virtual void OnScreenImageChanged(DDImage* screen) { (void)screen; }
  // A string-table text, or the fallback.
  virtual std::wstring GetString(const std::string& name, const std::wstring& fallback) {
    (void)name;
    return fallback;
  }
  // Decodes an image file (looking for a separate alpha image) into
  // 0xAARRGGBB pixels; false when nothing decodes. The image library's
  // reading unless overridden.
  virtual bool DecodeImageFile(const std::string& path, std::vector<uint32_t>& pixels, int32_t& width, int32_t& height);
};

class ImageRegistry : public ImageHost {
 public:
  ImageRegistry(ImageRegistryApp* app, DDInterface* display);
  ImageRegistry(const ImageRegistry&) = delete;
  ImageRegistry& operator=(const ImageRegistry&) = delete;
  // Deletes the shared images it still holds.
  ~ImageRegistry() override;
  // Deletes every shared image, referenced or not (shutdown, before the
  // display goes).
  void DeleteSharedImages();

  void SetDisplay(DDInterface* newDisplay) { display_ = newDisplay; }
  DDInterface* GetDisplay() const { return display_; }

  // ImageHost.
  void RegisterMemoryImage(MemoryImage* image) override;
  void UnregisterMemoryImage(MemoryImage* image) override;
  void ReleaseImageTexture(MemoryImage* image) override;
  bool Is3DOn() override;
  const NativeDisplay* GetNativeDisplay() override;
  bool ReadTextureBits(MemoryImage* image) override;
  void SetSharedImagePurgeFlag() override;

  DDImage* LoadImageFile(const std::string& path, bool scanAlpha);
  DDImage* CopyImageRegion(Image* image, const Rect& rect);
  DDImage* CopyWholeImage(Image* image);
  bool Is3DSupported() const;
  bool Is3DRecommended() const;
  void Switch3D(bool on, bool reinitialise);
  SharedImageHandle FindOrCreateSharedImage(const std::string& file, const std::string& variant,
                                            bool* created = nullptr);
  void PurgeSharedImages();

  // A copy of the set of live memory images, for walks around display changes.
  std::vector<MemoryImage*> RegisteredImages();
  size_t SharedEntryCount();
  bool PurgeWanted() const { return purgeWanted_.load(); }
  // Set whenever Switch3D changed the display's 3D flag.
  bool settingChanged3D = false;

 private:
  CriticalSection& Lock() { return display_ != nullptr ? display_->displayLock : ownLock_; }

  ImageRegistryApp* app_;
  DDInterface* display_;
  CriticalSection ownLock_;  // only before a display exists
  std::set<MemoryImage*> images_;
  std::map<std::pair<std::string, std::string>, std::unique_ptr<SharedImageEntry>> shared_;
  std::atomic<bool> purgeWanted_{false};
};

}  // namespace Kivo
