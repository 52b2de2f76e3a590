#include "image/SharedImage.h"

#include "image/ImageHost.h"

namespace Kivo {

SharedImageHandle::SharedImageHandle(SharedImageEntry* entry) { Take(entry); }

SharedImageHandle::SharedImageHandle(const SharedImageHandle& other)
    : unshared_(other.unshared_), keeper_(other.keeper_) {
  Take(other.entry_);
}

SharedImageHandle& SharedImageHandle::operator=(const SharedImageHandle& other) {
  if (this != &other) AssignHandle(other);
  return *this;
}

SharedImageHandle::~SharedImageHandle() { Release(); }

void SharedImageHandle::Take(SharedImageEntry* entry) {
  entry_ = entry;
  if (entry_ != nullptr) entry_->count.fetch_add(1, std::memory_order_relaxed);
}

void SharedImageHandle::Release() {
  // Dropping the keeper deletes an owned image once no copy refers to it.
  keeper_.reset();
  unshared_ = nullptr;
  if (entry_ != nullptr) {
    if (entry_->count.fetch_sub(1, std::memory_order_acq_rel) == 1) GetImageHost()->SetSharedImagePurgeFlag();
    entry_ = nullptr;
  }
}

void SharedImageHandle::AssignHandle(const SharedImageHandle& other) {
  SharedImageEntry* entry = other.entry_;
  // Count the new reference before dropping the old one: assigning a handle
  // on the same entry must not let the count touch zero in between.
  if (entry != nullptr) entry->count.fetch_add(1, std::memory_order_relaxed);
  Release();
  entry_ = entry;
}

void SharedImageHandle::AssignEntry(SharedImageEntry* entry) {
  if (entry != nullptr) entry->count.fetch_add(1, std::memory_order_relaxed);
  Release();
  entry_ = entry;
}

void SharedImageHandle::SetUnsharedImage(MemoryImage* image) {
  Release();
  unshared_ = image;
  if (owns_ && image != nullptr) {
    keeper_ = std::make_shared<PrivateImage>();
    keeper_->image = image;
  }
}

void SharedImageHandle::SetOwnsUnsharedImage(bool owns) {
  if (owns == owns_) return;
  owns_ = owns;
  if (owns && unshared_ != nullptr && keeper_ == nullptr) {
    keeper_ = std::make_shared<PrivateImage>();
    keeper_->image = unshared_;
  } else if (!owns && keeper_ != nullptr) {
    // Giving up ownership: nobody deletes the image any more.
    keeper_->image = nullptr;
    keeper_.reset();
  }
}

Image* SharedImageHandle::GetImage() const { return GetMemoryImage(); }

MemoryImage* SharedImageHandle::GetMemoryImage() const {
  if (unshared_ != nullptr) return unshared_;
  return entry_ != nullptr ? entry_->image : nullptr;
}

MemoryImage* SharedImageHandle::GetDDImage() const { return entry_ != nullptr ? entry_->image : nullptr; }

}  // namespace Kivo
