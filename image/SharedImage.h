// Shared, reference-counted images: the application keeps one entry per
// (file, variant) and users hold SharedImageHandle values on it. Releasing
// the last handle only raises the host's purge flag; the application deletes
// unreferenced entries later, on its update step, under the display lock, so
// an image never vanishes in the middle of a draw.
//
// Counts are atomic: handles are taken and dropped on the main thread and on
// the loading thread. A handle may instead carry a private image; when it
// owns it, copies of the handle keep that image alive until the last of them
// is released.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>

#include "image/MemoryImage.h"

namespace Kivo {

struct SharedImageEntry {
  // The loaded image, owned by the application's map; null when loading
  // failed. Typed as the memory image until the surface-backed image exists.
  MemoryImage* image = nullptr;
  std::atomic<int32_t> count{0};

  SharedImageEntry() = default;
  SharedImageEntry(const SharedImageEntry&) = delete;
  SharedImageEntry& operator=(const SharedImageEntry&) = delete;
};

class SharedImageHandle {
 public:
  SharedImageHandle() = default;
  explicit SharedImageHandle(SharedImageEntry* entry);
  // Takes the other's entry and private image, but never ownership of it.
  SharedImageHandle(const SharedImageHandle& other);
  SharedImageHandle& operator=(const SharedImageHandle& other);
  ~SharedImageHandle();

  void Release();
  // Release, then take the other's entry (its private image is not taken).
  void AssignHandle(const SharedImageHandle& other);
  void AssignEntry(SharedImageEntry* entry);
  // Release, then hold image as the private one; ownership stays as set.
  void SetUnsharedImage(MemoryImage* image);
  // Whether Release deletes the private image (once no copy still uses it).
  void SetOwnsUnsharedImage(bool owns);
  bool OwnsUnsharedImage() const { return owns_; }

  Image* GetImage() const;
  MemoryImage* GetMemoryImage() const;
  // The entry's image only; null without an entry.
  MemoryImage* GetDDImage() const;
  SharedImageEntry* GetEntry() const { return entry_; }

 private:
  // Keeps an owned private image alive while any handle refers to it.
  struct PrivateImage {
    MemoryImage* image = nullptr;
    ~PrivateImage() { delete image; }
  };

  void Take(SharedImageEntry* entry);

  SharedImageEntry* entry_ = nullptr;
  MemoryImage* unshared_ = nullptr;
  bool owns_ = false;
  std::shared_ptr<PrivateImage> keeper_;
};

}  // namespace Kivo
