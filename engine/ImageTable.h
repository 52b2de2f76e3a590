// The image table: every image an engine object draws, named by key. Each
// entry of the scene database's image block maps a key to a file path, a
// cell grid and a preload flag and holds the image once loaded. Images load
// on first use (GetImageByKey) or all preload entries at once on the
// loading thread (PreloadImages); an image not flagged preload is deleted
// when its last holder gives it back.
//
// Entry keys read from the block: "key", "path", "preload" (true unless the
// value is exactly "0"), "column", "row" (atoi). An entry keeps the previous
// entry's value for every key it does not name.
//
// Limits: the path's extension is cut at its last '.' before loading; the
// loader picks the file format. Columns and rows below 1 give one cell.
// Failures: an unknown key gives null silently; an image that cannot be
// loaded shows "Not Found Item!" (caption: the path) on every request, or
// during preload the "Error" box "<key> - resource\n <path> - not found",
// and the entry stays unloaded so the next request tries again.
// Threads: one lock guards the entries; decoding runs outside it, and when
// two threads load one entry at once the first stored image wins. Preload
// progress goes through an atomic value any thread may read
// (LoadingProgressValue).
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "engine/SceneDatabase.h"

namespace Kivo {

class MemoryImage;

struct ImageEntry {
  std::string key;
  std::string path;  // as stored, extension included
  bool preload = false;
  int columns = 0;  // as read; the image gets at least 1
  int rows = 0;
};

// Given a path without extension: a new image the caller owns, or null.
using ImageLoader = std::function<MemoryImage*(const std::string& path)>;

// What the loading screen's progress bar offers the image table.
class LoadingProgressTarget {
 public:
  virtual void SetValue(float value) = 0;

 protected:
  ~LoadingProgressTarget() = default;
};

// Replaces the image table with the entries of an image block (a record
// header whose property count is the pairs per entry and whose child count
// the number of entries). False, leaving the table empty, when the block is
// under 64 bytes or an entry runs past it.
bool BuildImageTable(DtmBlock block);
// Deletes every loaded image, preload or not, and empties the table.
void FreeImageTable();

// Fills entry from the pairs of one image entry, over the values it holds.
void ReadImageEntry(const PropertyList& pairs, ImageEntry& entry);

// The table's entries (without their images), in file order.
std::vector<ImageEntry> ImageEntries();

// The image of the first entry with exactly that key, loading it when
// needed; null when the key is unknown or the image cannot be loaded. Each
// image returned counts one holder of it.
MemoryImage* GetImageByKey(const std::string& key);
// Drops one holder of the key's image; a non-preload image is deleted when
// its last holder is gone. Unknown or unloaded keys are ignored.
void ReleaseImageByKey(const std::string& key);
// Whether the key's first entry holds its image now.
bool IsImageLoaded(const std::string& key);

// Loads every preload entry not loaded yet (loading thread), moving the
// progress from `from` to `to` in equal steps, one per entry.
void PreloadImages(float from, float to);

// The latest preload progress (any thread).
float LoadingProgressValue();

// The image loader; an empty one restores the application's loader
// (KivoAppBase::LoadImageFile with an alpha scan). Returns the one before.
ImageLoader SetImageLoader(ImageLoader loader);
// Called after every preload step with the new progress, on the loading
// thread; for tools and tests that follow the steps. Returns the one before.
std::function<void(float)> SetPreloadStepObserver(std::function<void(float)> observer);

}  // namespace Kivo
