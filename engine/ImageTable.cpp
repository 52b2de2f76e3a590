#include "engine/ImageTable.h"

#include <algorithm>
#include <atomic>
#include <mutex>

#include "engine/PropertyList.h"
#include "image/surface/DDImage.h"
#include "image/MemoryImage.h"
#include "platform/Dialogs.h"
#include "shell/KivoAppBase.h"

namespace Kivo {

namespace {

struct TableEntry {
  ImageEntry info;
  MemoryImage* image = nullptr;  // owned
  int holders = 0;
};

struct ImageTableState {
  std::mutex lock;
  std::vector<TableEntry> entries;
  ImageLoader loader;
  std::function<void(float)> stepObserver;
  std::atomic<float> progress{0.0f};
};

ImageTableState& Table() {
  static ImageTableState table;
  return table;
}

MemoryImage* LoadThroughApplication(const std::string& path) {
  if (gAppBase == nullptr) return nullptr;
  return gAppBase->LoadImageFile(path, true);
}

std::string WithoutExtension(const std::string& path) {
  std::size_t dot = path.rfind('.');
  return dot == std::string::npos ? path : path.substr(0, dot);
}

// Decodes the entry's file (no lock held) and prepares the image for the
// entry's grid; null when the loader gives nothing.
MemoryImage* DecodeEntryImage(const ImageEntry& info) {
  ImageLoader loader;
  {
    std::lock_guard<std::mutex> guard(Table().lock);
    loader = Table().loader;
  }
  MemoryImage* image =
      loader ? loader(WithoutExtension(info.path)) : LoadThroughApplication(WithoutExtension(info.path));
  if (image == nullptr) return nullptr;
  // 0 and 1 both mean one cell; cell drawing divides by these.
  image->rows = std::max(1, info.rows);
  image->columns = std::max(1, info.columns);
  image->ConvertToPalette();
  return image;
}

// The index of the first entry with that key, or -1. Lock held.
int FindEntryLocked(const std::string& key) {
  const std::vector<TableEntry>& entries = Table().entries;
  for (std::size_t i = 0; i < entries.size(); ++i) {
    if (entries[i].info.key == key) return static_cast<int>(i);
  }
  return -1;
}

// Stores a decoded image unless another thread stored one first; returns
// the image the entry holds. Lock held.
MemoryImage* StoreLocked(std::size_t index, MemoryImage* image) {
  TableEntry& entry = Table().entries[index];
  if (entry.image == nullptr) {
    entry.image = image;
  } else {
    delete image;
  }
  return entry.image;
}

}  // namespace

void ReadImageEntry(const PropertyList& pairs, ImageEntry& entry) {
  for (const ObjProperty& pair : pairs) {
    if (pair.key == "key") {
      entry.key = pair.value;
    } else if (pair.key == "path") {
      entry.path = pair.value;
    } else if (pair.key == "preload") {
      entry.preload = pair.value != "0";
    } else if (pair.key == "column") {
      entry.columns = PropertyInt(pair.value);
    } else if (pair.key == "row") {
      entry.rows = PropertyInt(pair.value);
    }
  }
}

bool BuildImageTable(DtmBlock block) {
  FreeImageTable();
  DtmRecordHeader header;
  if (!ParseRecordHeader(block, 0, header)) return false;
  std::vector<TableEntry> entries;
  ImageEntry scratch;
  std::size_t at = kDtmRecordHeaderSize;
  for (uint32_t n = 0; n < header.childCount; ++n) {
    PropertyList pairs;
    if (!ReadPropertyPairs(block, at, header.propertyCount, pairs)) return false;
    ReadImageEntry(pairs, scratch);
    entries.push_back(TableEntry{scratch});
  }
  std::lock_guard<std::mutex> guard(Table().lock);
  Table().entries = std::move(entries);
  return true;
}

void FreeImageTable() {
  std::vector<TableEntry> entries;
  {
    std::lock_guard<std::mutex> guard(Table().lock);
    entries.swap(Table().entries);
  }
  for (TableEntry& entry : entries) delete entry.image;
  Table().progress = 0.0f;
}

std::vector<ImageEntry> ImageEntries() {
  std::lock_guard<std::mutex> guard(Table().lock);
  std::vector<ImageEntry> result;
  for (const TableEntry& entry : Table().entries) result.push_back(entry.info);
  return result;
}

MemoryImage* GetImageByKey(const std::string& key) {
  ImageEntry info;
  {
    std::lock_guard<std::mutex> guard(Table().lock);
    int index = FindEntryLocked(key);
    if (index < 0) return nullptr;
    TableEntry& entry = Table().entries[index];
    if (entry.image != nullptr) {
      ++entry.holders;
      return entry.image;
    }
    info = entry.info;
  }
  MemoryImage* image = DecodeEntryImage(info);
  if (image == nullptr) {
    MessageBoxA(nullptr, "Not Found Item!", info.path.c_str(), MB_OK);
    return nullptr;
  }
  std::lock_guard<std::mutex> guard(Table().lock);
  int index = FindEntryLocked(key);
  if (index < 0) {  // the table was freed meanwhile
    delete image;
    return nullptr;
  }
  MemoryImage* stored = StoreLocked(static_cast<std::size_t>(index), image);
  ++Table().entries[index].holders;
  return stored;
}

void ReleaseImageByKey(const std::string& key) {
  MemoryImage* unused = nullptr;
  {
    std::lock_guard<std::mutex> guard(Table().lock);
    int index = FindEntryLocked(key);
    if (index < 0) return;
    TableEntry& entry = Table().entries[index];
    if (entry.image == nullptr) return;
    if (entry.holders > 0) --entry.holders;
    if (entry.holders == 0 && !entry.info.preload) {
      unused = entry.image;
      entry.image = nullptr;
    }
  }
  delete unused;
}

bool IsImageLoaded(const std::string& key) {
  std::lock_guard<std::mutex> guard(Table().lock);
  int index = FindEntryLocked(key);
  return index >= 0 && Table().entries[index].image != nullptr;
}

void PreloadImages(float from, float to) {
  std::size_t count;
  {
    std::lock_guard<std::mutex> guard(Table().lock);
    count = Table().entries.size();
  }
  if (count == 0) return;
  float step = 1.0f / static_cast<float>(count);
  float done = 0.0f;
  for (std::size_t i = 0; i < count; ++i) {
    ImageEntry info;
    bool wanted = false;
    {
      std::lock_guard<std::mutex> guard(Table().lock);
      if (i >= Table().entries.size()) break;  // the table was freed meanwhile
      const TableEntry& entry = Table().entries[i];
      wanted = entry.image == nullptr && entry.info.preload && !entry.info.path.empty();
      info = entry.info;
    }
    if (wanted) {
      if (MemoryImage* image = DecodeEntryImage(info)) {
        std::lock_guard<std::mutex> guard(Table().lock);
        if (i < Table().entries.size()) {
          StoreLocked(i, image);
        } else {
          delete image;
        }
      } else {
        std::string text = info.key + " - resource\n " + info.path + " - not found";
        MessageBoxA(nullptr, text.c_str(), "Error", MB_OK);
      }
    }
    done += step;
    float value = from + done * (to - from);
    Table().progress = value;
    std::function<void(float)> observer;
    {
      std::lock_guard<std::mutex> guard(Table().lock);
      observer = Table().stepObserver;
    }
    if (observer) observer(value);
  }
}

float LoadingProgressValue() { return Table().progress; }

ImageLoader SetImageLoader(ImageLoader loader) {
  std::lock_guard<std::mutex> guard(Table().lock);
  std::swap(Table().loader, loader);
  return loader;
}

std::function<void(float)> SetPreloadStepObserver(std::function<void(float)> observer) {
  std::lock_guard<std::mutex> guard(Table().lock);
  std::swap(Table().stepObserver, observer);
  return observer;
}

}  // namespace Kivo
