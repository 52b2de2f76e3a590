// Loading the manifest's records (whole groups or one record per call),
// releasing them by group, and handing them out by id.
//
// Every record's loaded state (its image handle, sound id or font) is read
// and published under the manager's lock, so the main thread's getters may
// run while the loading thread walks a group; files are decoded outside it.
#include <algorithm>

#include "audio/SoundManager.h"
#include "image/surface/DDImage.h"
#include "image/MemoryImage.h"
#include "resources/ImageLib.h"
#include "resources/manifest/ResourceManager.h"
#include "shell/base/Paths.h"
#include "shell/base/StringUtils.h"
#include "ui/Font.h"
#include "ui/FontData.h"
#include "ui/ImageFont.h"
#include "ui/SysFont.h"

namespace Kivo {

namespace {

// Font descriptors ask the application for their images and report their
// errors through it.
class AppFontHost : public FontHost {
 public:
  explicit AppFontHost(ResourceServices* app) : mApp(app) {}
  void ShowFatalErrorA(const std::string& message) override { mApp->ShowFatalErrorA(message); }
  SharedImageHandle FindOrCreateSharedImage(const std::string& file, const std::string& variant, bool* isNew) override {
    return mApp->FindOrCreateSharedImage(file, variant, isNew);
  }

 private:
  ResourceServices* mApp;
};

bool IsTagSeparator(char c) { return c == ',' || c == ' ' || c == '\r' || c == '\n' || c == '\t'; }

}  // namespace

void ResourceManager::SoundRes::Release() {
  SoundManager* sounds = app != nullptr ? app->ResourceSoundManager() : nullptr;
  if (soundId >= 0 && sounds != nullptr) sounds->UnloadSound(soundId);
  soundId = -1;
}

void ResourceManager::FontRes::Release() {
  delete font;
  font = nullptr;
  delete image;
  image = nullptr;
}

ResourceManager::~ResourceManager() {
  ReleaseAllInMap(mImages);
  ReleaseAllInMap(mSounds);
  ReleaseAllInMap(mFonts);
  mGroups.clear();
  mLoadedGroups.clear();
}

// ---------------------------------------------------------------------------
// Loaded state.

bool ResourceManager::IsLoadedLocked(const BaseRes* record) const {
  switch (record->type) {
    case RESTYPE_IMAGE: return static_cast<const ImageRes*>(record)->image.GetMemoryImage() != nullptr;
    case RESTYPE_SOUND: return static_cast<const SoundRes*>(record)->soundId != -1;
    case RESTYPE_FONT: return static_cast<const FontRes*>(record)->font != nullptr;
    default: return false;
  }
}

bool ResourceManager::IsLoaded(const BaseRes* record) const {
  std::lock_guard<std::mutex> guard(mLock);
  return IsLoadedLocked(record);
}

// ---------------------------------------------------------------------------
// Group loading.

void ResourceManager::BeginGroupLoad(const std::string& group) {
  {
    std::lock_guard<std::mutex> guard(mLock);
    mError.clear();
    mFailed = false;
  }
  mCurrentGroup = group;
  mCurrentList = &mGroups[group];
  mCursor = 0;
}

bool ResourceManager::LoadNextOfGroup() {
  if (HasFailed() || mCurrentList == nullptr) return false;
  for (;;) {
    if (mCursor >= mCurrentList->size()) return false;
    BaseRes* record = (*mCurrentList)[mCursor++];
    if (record->programSupplied || IsLoaded(record)) continue;
    switch (record->type) {
      case RESTYPE_IMAGE: return LoadImageRes(*static_cast<ImageRes*>(record));
      case RESTYPE_SOUND: return LoadSoundRes(*static_cast<SoundRes*>(record));
      case RESTYPE_FONT: return LoadFontRes(*static_cast<FontRes*>(record));
      default: continue;
    }
  }
}

bool ResourceManager::LoadGroup(const std::string& group) {
  BeginGroupLoad(group);  // clears the error
  while (LoadNextOfGroup()) {
  }
  if (HasFailed()) return false;
  mLoadedGroups.insert(group);
  return true;
}

void ResourceManager::OnResourceLoaded(BaseRes*) {}

// ---------------------------------------------------------------------------
// Images.

bool ResourceManager::LoadImageRes(ImageRes& record) {
  if (mApp == nullptr) return ReportError("Failed to load image: " + record.path);
  bool isNew = false;
  SharedImageHandle handle;
  {
    // An image that exists only as an alpha file takes the record's colour;
    // the setting is the calling thread's own.
    ImageLib::ScopedAlphaOnlyFillColor fill(record.alphaColor);
    handle = mApp->FindOrCreateSharedImage(record.path, record.variant, &isNew);
  }
  MemoryImage* image = handle.GetMemoryImage();
  if (image == nullptr) return ReportError("Failed to load image: " + record.path);

  if (isNew) {
    if (!record.alphaImagePath.empty() && !LoadAlphaImage(record, image)) return false;
    if (!record.alphaGridPath.empty() && !LoadAlphaGridImage(record, image)) return false;
  }

  image->ScanAlpha();
  image->discardWanted = record.nobits;
  DDImage* surfaceImage = dynamic_cast<DDImage*>(image);
  if (record.ddsurface) {
    image->ScanAlpha();
    if (!image->hasPartialAlpha) {
      if (surfaceImage != nullptr) surfaceImage->surfaceWanted = true;
      image->discardWanted = true;
    }
  }
  if (record.palettize) {
    if (surfaceImage != nullptr && surfaceImage->surface != nullptr)
      image->paletteWanted = true;
    else
      image->ConvertToPalette();
  }
  if (record.a4r4g4b4) image->textureFlags |= kTextureA4R4G4B4;
  if (record.a8r8g8b8) image->textureFlags |= kTextureNever565;
  if (record.minsubdivide) image->textureFlags |= kTextureMinSubdivide;
  if (record.animation.type != AnimationInfo::kNone) {
    delete image->animation;
    image->animation = new AnimationInfo(record.animation);
  }
  image->rows = record.rows;
  image->columns = record.cols;
  if (image->discardWanted) image->DiscardBits();

  {
    std::lock_guard<std::mutex> guard(mLock);
    record.image = handle;
  }
  OnResourceLoaded(&record);
  return true;
}

bool ResourceManager::LoadAlphaImage(ImageRes& record, MemoryImage* image) {
  ImageLib::ImagePtr alpha = ImageLib::LoadImageFile(record.alphaImagePath, true);
  if (alpha == nullptr) return ReportError("Failed to load image: " + record.alphaImagePath);
  if (alpha->width != image->width || alpha->height != image->height)
    return ReportError("AlphaImage size mismatch between " + record.path + " and " + record.alphaImagePath);
  uint32_t* bits = image->GetBits();
  const size_t count = alpha->pixels.size();
  for (size_t i = 0; i < count; ++i) bits[i] = (bits[i] & 0x00FFFFFFu) | ((alpha->pixels[i] & 0xFFu) << 24);
  image->NoteBitsChanged();
  return true;
}

bool ResourceManager::LoadAlphaGridImage(ImageRes& record, MemoryImage* image) {
  ImageLib::ImagePtr grid = ImageLib::LoadImageFile(record.alphaGridPath, true);
  if (grid == nullptr) return ReportError("Failed to load image: " + record.alphaGridPath);
  // Rows and columns are at least 1 from the manifest.
  const int32_t rows = std::max(1, record.rows);
  const int32_t cols = std::max(1, record.cols);
  const int32_t cellWidth = image->width / cols;
  const int32_t cellHeight = image->height / rows;
  if (grid->width != cellWidth || grid->height != cellHeight)
    return ReportError("GridAlphaImage size mismatch between " + record.path + " and " + record.alphaGridPath);
  uint32_t* bits = image->GetBits();
  for (int32_t r = 0; r < rows; ++r) {
    for (int32_t c = 0; c < cols; ++c) {
      for (int32_t y = 0; y < cellHeight; ++y) {
        uint32_t* row = bits + size_t(r * cellHeight + y) * size_t(image->width) + size_t(c * cellWidth);
        const uint32_t* source = grid->pixels.data() + size_t(y) * size_t(cellWidth);
        for (int32_t x = 0; x < cellWidth; ++x) row[x] = (row[x] & 0x00FFFFFFu) | ((source[x] & 0xFFu) << 24);
      }
    }
  }
  image->NoteBitsChanged();
  return true;
}

// ---------------------------------------------------------------------------
// Sounds.

bool ResourceManager::LoadSoundRes(SoundRes& record) {
  SoundManager* sounds = mApp != nullptr ? mApp->ResourceSoundManager() : nullptr;
  if (sounds == nullptr) return ReportError("Failed to load sound: " + record.path);
  int id = sounds->FindFreeSoundId();
  if (id < 0) return ReportError("Out of free sound ids");
  if (!sounds->LoadSoundIntoId(id, record.path)) return ReportError("Failed to load sound: " + record.path);
  if (record.volume >= 0) sounds->SetSoundBaseVolume(id, record.volume);
  if (record.pan != 0) sounds->SetSoundBasePan(id, record.pan);
  {
    std::lock_guard<std::mutex> guard(mLock);
    record.soundId = id;
  }
  OnResourceLoaded(&record);
  return true;
}

// ---------------------------------------------------------------------------
// Fonts.

bool ResourceManager::LoadFontRes(FontRes& record) {
  if (mApp == nullptr) return ReportError("Failed to load font: " + record.path);
  Font* font = nullptr;
  MemoryImage* fontImage = nullptr;
  if (record.sysFont) {
    bool bold = record.bold;
    bool simulatedBold = false;
    if (IsWin9x()) {
      simulatedBold = bold;
      bold = false;
    }
    SysFont* sysFont =
        new SysFont(mApp->ResourceWidgetHost(), record.path, record.size, 0, bold, record.italic, record.underline);
    sysFont->mShadow = record.shadow;
    sysFont->mDoubleStrike = simulatedBold;
    font = sysFont;
  } else if (!record.imagePath.empty()) {
    fontImage = mApp->LoadImageFile(record.imagePath, true);
    if (fontImage == nullptr) return ReportError("Failed to load image: " + record.imagePath);
    font = new ImageFont(fontImage, record.path);
  } else if (record.path.compare(0, 5, "!ref:") == 0) {
    std::string source = record.path.substr(5);
    Font* original = FindFont(source);
    if (original == nullptr) return ReportError("Ref font not found: " + source);
    font = original->Duplicate();
  } else {
    if (mFontHost == nullptr) mFontHost.reset(new AppFontHost(mApp));
    font = new ImageFont(mFontHost.get(), record.path);
  }

  if (ImageFont* imageFont = dynamic_cast<ImageFont*>(font)) {
    if (imageFont->GetFontData() == nullptr || !imageFont->GetFontData()->IsInitialised()) {
      delete font;
      delete fontImage;
      return ReportError("Failed to load font: " + record.path);
    }
    if (!record.tags.empty()) {
      size_t start = 0;
      while (start < record.tags.size()) {
        size_t end = start;
        while (end < record.tags.size() && !IsTagSeparator(record.tags[end])) ++end;
        if (end > start) imageFont->AddTag(Widen(record.tags.substr(start, end - start)));
        start = end + 1;
      }
      imageFont->Prepare();
    }
  }

  {
    std::lock_guard<std::mutex> guard(mLock);
    delete record.font;
    delete record.image;
    record.font = font;
    record.image = fontImage;
  }
  OnResourceLoaded(&record);
  return true;
}

Font* ResourceManager::FindFont(const std::string& id) {
  std::lock_guard<std::mutex> guard(mLock);
  auto it = mFonts.find(id);
  return it == mFonts.end() ? nullptr : static_cast<FontRes*>(it->second)->font;
}

// ---------------------------------------------------------------------------
// Getters.

SharedImageHandle ResourceManager::ImageOrThrow(const std::string& id) {
  std::lock_guard<std::mutex> guard(mLock);
  auto it = mImages.find(id);
  if (it != mImages.end() && IsLoadedLocked(it->second)) return static_cast<ImageRes*>(it->second)->image;
  ReportErrorLocked("Image resource not found: " + id);
  throw ResourceManagerException(mError);
}

int ResourceManager::SoundOrThrow(const std::string& id) {
  std::lock_guard<std::mutex> guard(mLock);
  auto it = mSounds.find(id);
  if (it != mSounds.end() && IsLoadedLocked(it->second)) return static_cast<SoundRes*>(it->second)->soundId;
  ReportErrorLocked("Sound resource not found: " + id);
  throw ResourceManagerException(mError);
}

Font* ResourceManager::FontOrThrow(const std::string& id) {
  std::lock_guard<std::mutex> guard(mLock);
  auto it = mFonts.find(id);
  if (it != mFonts.end() && IsLoadedLocked(it->second)) return static_cast<FontRes*>(it->second)->font;
  ReportErrorLocked("Font resource not found: " + id);
  throw ResourceManagerException(mError);
}

// ---------------------------------------------------------------------------
// Counting and releasing.

int ResourceManager::CountInGroup(const std::string& group, const ResMap& map) const {
  int count = 0;
  for (const auto& entry : map) {
    const BaseRes* record = entry.second;
    if (group.empty() || (record->group == group && !record->programSupplied)) ++count;
  }
  return count;
}

void ResourceManager::ReleaseGroupInMap(ResMap& map, const std::string& group) {
  for (auto& entry : map) {
    if (!group.empty() && entry.second->group != group) continue;
    std::lock_guard<std::mutex> guard(mLock);
    entry.second->Release();
  }
}

void ResourceManager::ReleaseGroup(const std::string& group) {
  ReleaseGroupInMap(mImages, group);
  ReleaseGroupInMap(mSounds, group);
  ReleaseGroupInMap(mFonts, group);
  // The empty name released every group.
  if (group.empty())
    mLoadedGroups.clear();
  else
    mLoadedGroups.erase(group);
}

void ResourceManager::ReleaseAllInMap(ResMap& map) {
  for (auto& entry : map) {
    {
      std::lock_guard<std::mutex> guard(mLock);
      entry.second->Release();
    }
    delete entry.second;
  }
  map.clear();
}

}  // namespace Kivo
