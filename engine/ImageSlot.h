// One image an engine object holds from the image table, with the key it
// was fetched by. Every slot counts exactly one holder of its image: loading
// a new key takes the new holder before giving back the old one (so an image
// both keys share is never unloaded and reloaded in between), a copy takes
// a holder of its own, and Release and the destructor give back the key the
// slot remembers, whatever the object's properties say by then.
//
// Limits: the image table may refuse a key (unknown or unreadable); the slot
// is then empty and remembers nothing. Nothing here fails.
#pragma once

#include <string>

namespace Kivo {

class MemoryImage;

class ImageSlot {
 public:
  ImageSlot() = default;
  ImageSlot(const ImageSlot& other);
  ImageSlot& operator=(const ImageSlot& other);
  ~ImageSlot();

  // The key's image, replacing what the slot held; false (slot empty) when
  // the table has no image for the key.
  bool Load(const std::string& key);
  // Gives the held image back to the table; the slot is empty afterwards.
  void Release();

  MemoryImage* Get() const { return mImage; }
  const std::string& Key() const { return mKey; }
  explicit operator bool() const { return mImage != nullptr; }

 private:
  std::string mKey;
  MemoryImage* mImage = nullptr;  // one holder counted with the table
};

// The last value a property list gives an image key, loaded into its slot
// once the list is read, so that earlier pairs of the same key never load.
struct PendingImageKey {
  bool seen = false;
  std::string key;

  void Set(const std::string& value) {
    seen = true;
    key = value;
  }
  // The slot keeps what it holds when the key did not occur.
  bool ApplyTo(ImageSlot& slot) const { return seen && slot.Load(key); }
};

}  // namespace Kivo
