// The application's image registry (see DDImageRegistry.h).
#include "image/surface/DDImageRegistry.h"

#include "display/D3DInterface.h"
#include "resources/ImageLib.h"
#include "shell/base/StringUtils.h"

namespace Kivo {

ImageRegistry::ImageRegistry(ImageRegistryApp* app, DDInterface* display) : app_(app), display_(display) {}

ImageRegistry::~ImageRegistry() { DeleteSharedImages(); }

void ImageRegistry::DeleteSharedImages() {
  std::vector<MemoryImage*> doomed;
  {
    ScopedLock lock(Lock());
    for (auto& entry : shared_) doomed.push_back(entry.second->image);
    shared_.clear();
  }
  for (MemoryImage* image : doomed) delete image;
}

void ImageRegistry::RegisterMemoryImage(MemoryImage* image) {
  ScopedLock lock(Lock());
  images_.insert(image);
}

void ImageRegistry::UnregisterMemoryImage(MemoryImage* image) {
  ScopedLock lock(Lock());
  images_.erase(image);
  ReleaseImageTexture(image);
}

void ImageRegistry::ReleaseImageTexture(MemoryImage* image) {
  if (display_ != nullptr) display_->RemoveImageTexture(image);
}

bool ImageRegistry::Is3DOn() { return display_ != nullptr && display_->is3D; }

const NativeDisplay* ImageRegistry::GetNativeDisplay() {
  if (display_ == nullptr || !display_->IsUsable()) return nullptr;
  return display_;
}

bool ImageRegistry::ReadTextureBits(MemoryImage* image) {
  if (display_ == nullptr || display_->renderer == nullptr) return false;
  return display_->renderer->ReadTextureBits(image);
}

void ImageRegistry::SetSharedImagePurgeFlag() { purgeWanted_.store(true); }

bool ImageRegistryApp::DecodeImageFile(const std::string& path, std::vector<uint32_t>& pixels, int32_t& width,
                                       int32_t& height) {
  ImageLib::ImagePtr image = ImageLib::LoadImageFile(path, true);
  if (image == nullptr) return false;
  width = image->width;
  height = image->height;
  pixels = std::move(image->pixels);
  return true;
}

DDImage* ImageRegistry::LoadImageFile(const std::string& path, bool scanAlpha) {
  std::vector<uint32_t> pixels;
  int32_t width = 0;
  int32_t height = 0;
  if (app_ == nullptr || !app_->DecodeImageFile(path, pixels, width, height)) return nullptr;
  size_t count = 0;
  if (!ImagePixelCount(width, height, count) || pixels.size() < count) return nullptr;
  DDImage* image = new DDImage(display_);
  image->path = path;
  if (!image->SetBits(pixels.data(), width, height, scanAlpha)) {
    delete image;
    return nullptr;
  }
  return image;
}

DDImage* ImageRegistry::CopyImageRegion(Image* source, const Rect& rect) {
  DDImage* copy = new DDImage(display_);
  copy->CreateBlank(rect.width, rect.height);
  if (source != nullptr) {
    // The source drawn at (-x, -y), clipped to both images.
    const Rect visible = rect.Intersection(Rect(0, 0, source->width, source->height));
    if (visible.width > 0 && visible.height > 0)
      copy->DrawImage(source, visible.x - rect.x, visible.y - rect.y, visible, Color::White, 0);
    copy->CopyAttributes(*source);
  }
  return copy;
}

DDImage* ImageRegistry::CopyWholeImage(Image* source) {
  if (source == nullptr) return CopyImageRegion(nullptr, Rect());
  return CopyImageRegion(source, Rect(0, 0, source->width, source->height));
}

bool ImageRegistry::Is3DSupported() const {
  return display_ != nullptr && display_->tester != nullptr && display_->tester->failureReason.empty();
}

bool ImageRegistry::Is3DRecommended() const {
  return display_ != nullptr && display_->tester != nullptr && display_->tester->Succeeded();
}

void ImageRegistry::Switch3D(bool on, bool reinitialise) {
  if (display_ == nullptr || display_->is3D == on) return;
  settingChanged3D = true;
  display_->is3D = on;
  if (!reinitialise || app_ == nullptr) return;
  const int32_t result = app_->InitDisplay();
  if (on && result != DDInterface::RESULT_OK) {
    // A failing 3D start falls back to 2D.
    app_->ShowFatalErrorA("aResult != DDInterface::RESULT_OK");
    Switch3D(false, reinitialise);
    return;
  }
  if (!on && result != DDInterface::RESULT_OK) {
    std::wstring message = app_->GetString("FAILED_INIT_DIRECTDRAW", L"Failed to initialize DirectDraw: ");
    message += Widen(DDInterface::ResultToString(result) + " " + display_->lastError);
    app_->ShowFatalErrorW(message);
    app_->ExitProgram(1);
    return;
  }
  app_->PrepareImagesAfterDisplayChange();
  app_->OnScreenImageChanged(display_->GetScreenImage());
}

SharedImageHandle ImageRegistry::FindOrCreateSharedImage(const std::string& file, const std::string& variant,
                                                         bool* created) {
  const std::pair<std::string, std::string> key(ToUpper(file), ToUpper(variant));
  SharedImageHandle handle;
  {
    ScopedLock lock(Lock());
    auto found = shared_.find(key);
    if (found != shared_.end()) {
      handle.AssignEntry(found->second.get());
      if (created != nullptr) *created = false;
      return handle;
    }
  }
  // Decoded outside the lock so drawing threads are not held up; the entry
  // only enters the map together with its image, so no other thread can find
  // it half made. Two threads asking for a new file at once both decode, and
  // the one that comes second keeps the first one's entry.
  DDImage* image = !file.empty() && file[0] == '!' ? new DDImage(display_) : LoadImageFile(file, false);
  bool inserted = false;
  {
    ScopedLock lock(Lock());
    auto found = shared_.find(key);
    if (found == shared_.end()) {
      std::unique_ptr<SharedImageEntry> entry(new SharedImageEntry());
      entry->image = image;
      found = shared_.emplace(key, std::move(entry)).first;
      inserted = true;
    }
    handle.AssignEntry(found->second.get());
  }
  if (!inserted) delete image;
  if (created != nullptr) *created = inserted;
  return handle;
}

void ImageRegistry::PurgeSharedImages() {
  ScopedLock lock(Lock());
  if (!purgeWanted_.exchange(false)) return;
  for (auto it = shared_.begin(); it != shared_.end();) {
    if (it->second->count.load() == 0) {
      delete it->second->image;
      it = shared_.erase(it);
    } else {
      ++it;
    }
  }
}

std::vector<MemoryImage*> ImageRegistry::RegisteredImages() {
  ScopedLock lock(Lock());
  return std::vector<MemoryImage*>(images_.begin(), images_.end());
}

size_t ImageRegistry::SharedEntryCount() {
  ScopedLock lock(Lock());
  return shared_.size();
}

}  // namespace Kivo
