#include "engine/ImageSlot.h"

#include "engine/ImageTable.h"

namespace Kivo {

ImageSlot::ImageSlot(const ImageSlot& other) {
  if (other.mImage != nullptr) Load(other.mKey);
}

ImageSlot& ImageSlot::operator=(const ImageSlot& other) {
  if (this == &other) return *this;
  if (other.mImage != nullptr) {
    Load(other.mKey);
  } else {
    Release();
  }
  return *this;
}

ImageSlot::~ImageSlot() { Release(); }

bool ImageSlot::Load(const std::string& key) {
  MemoryImage* image = GetImageByKey(key);
  Release();
  if (image == nullptr) return false;
  mKey = key;
  mImage = image;
  return true;
}

void ImageSlot::Release() {
  if (mImage == nullptr) return;
  mImage = nullptr;
  std::string key;
  key.swap(mKey);
  ReleaseImageByKey(key);
}

}  // namespace Kivo
