#include "engine/ParticleEffect.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>

#include "engine/ImageTable.h"
#include "engine/WholeFile.h"
#include "image/MemoryImage.h"
#include "platform/Environment.h"
#include "shell/base/GlobalRanks.h"

namespace Kivo {

KIVO_GLOBAL_RANK(kRankEmitterImages) std::vector<EffectLibraryEntry*> gEmitterEffects;
KIVO_GLOBAL_RANK(kRankParticleEffect1) ParticleEffect gParticleEffectSets[kFixedEffectCount];

namespace {

constexpr std::size_t kHeaderSize = 16;
constexpr std::size_t kRecordSize = sizeof(EmitterRecord);

class ImageTableImages : public EffectImageSource {
 public:
  Image* Get(const std::string& key) override { return GetImageByKey(key); }
  void Release(const std::string& key) override { ReleaseImageByKey(key); }
};

uint32_t ReadU32(const char* p) {
  const auto* b = reinterpret_cast<const unsigned char*>(p);
  return static_cast<uint32_t>(b[0]) | static_cast<uint32_t>(b[1]) << 8 | static_cast<uint32_t>(b[2]) << 16 |
         static_cast<uint32_t>(b[3]) << 24;
}

bool Reject(const std::string& name, const std::string& reason) {
  Platform::Log("effect file " + name + ": " + reason);
  return false;
}

// The path field as text: at most 127 characters, as the field need not
// hold a NUL.
std::string ImagePathText(const EmitterRecord& record) {
  const char* field = record.mImagePath;
  const std::size_t length = strnlen(field, kImagePathSize - 1);
  return std::string(field, length);
}

}  // namespace

namespace {
// Constant-initialised and never destroyed: the fixed effects, built and
// destroyed with the ranked globals, may reach it at any time.
ImageTableImages gImageTableImages;
}  // namespace

EffectImageSource& ImageTableSource() { return gImageTableImages; }

std::string ImageKeyFromPath(const std::string& path) {
  const std::size_t slash = path.find_last_of("\\/");
  std::string key = slash == std::string::npos ? path : path.substr(slash + 1);
  if (key.size() >= 4) key.resize(key.size() - 4);
  return key;
}

ParticleEffect::ParticleEffect(EffectImageSource* images)
    : mImageSource(images != nullptr ? images : &ImageTableSource()) {}

ParticleEffect::~ParticleEffect() { Clear(); }

void ParticleEffect::Clear() {
  if (!mRecords.empty()) ParticleSystem::ForgetRecordsEverywhere(mRecords.data(), mRecords.size());
  for (std::size_t i = 0; i < mImages.size() && i < mRecords.size(); ++i) {
    if (mImages[i] != nullptr) mImageSource->Release(ImagePathText(mRecords[i]));
  }
  mImages.clear();
  mRecords.clear();
}

bool ParticleEffect::LoadEff(const std::string& path) {
  WholeFile file;
  file.name = path;
  if (!LoadWholeFile(file)) return Reject(path, "cannot be read");
  return LoadEffBytes(file.data(), file.size(), path);
}

bool ParticleEffect::LoadEffBytes(const char* data, std::size_t size, const std::string& name) {
  if (data == nullptr || size < kHeaderSize) return Reject(name, "shorter than its 16-byte header");
  const uint32_t headerSize = ReadU32(data + 8);
  if (headerSize != kHeaderSize) return Reject(name, "header size " + std::to_string(headerSize) + ", not 16");
  const uint64_t count = ReadU32(data + 12);
  const uint64_t needed = kHeaderSize + kRecordSize * count;
  if (size < needed) {
    return Reject(name, std::to_string(count) + " records need " + std::to_string(needed) + " bytes, the file has " +
                            std::to_string(size));
  }
  // Slots started from the records held so far must not outlive them.
  Clear();
  Resize(static_cast<int>(count));
  mImages.assign(mRecords.size(), nullptr);
  for (std::size_t i = 0; i < mRecords.size(); ++i) {
    std::memcpy(&mRecords[i], data + kHeaderSize + kRecordSize * i, kRecordSize);
    StripImageName(static_cast<int>(i));
    const std::string key = ImagePathText(mRecords[i]);
    if (!key.empty()) mImages[i] = mImageSource->Get(key);
  }
  return true;
}

void ParticleEffect::Resize(int n) {
  const std::size_t wanted = n > 0 ? static_cast<std::size_t>(n) : 0;
  const std::size_t before = mRecords.size();
  if (wanted != before && !mRecords.empty()) {
    // Growing moves the records; running slots must not keep the old ones.
    ParticleSystem::ForgetRecordsEverywhere(mRecords.data(), mRecords.size());
  }
  for (std::size_t i = wanted; i < before && i < mImages.size(); ++i) {
    if (mImages[i] != nullptr) mImageSource->Release(ImagePathText(mRecords[i]));
  }
  EmitterRecord blank;
  std::memset(&blank, 0, sizeof blank);
  blank.SetDefaults();
  mRecords.resize(wanted, blank);
  mImages.resize(wanted, nullptr);
}

void ParticleEffect::StripImageName(int i) {
  if (i < 0 || static_cast<std::size_t>(i) >= mRecords.size()) return;
  EmitterRecord& record = mRecords[static_cast<std::size_t>(i)];
  const std::string path = ImagePathText(record);
  if (path.empty()) return;
  const std::string key = ImageKeyFromPath(path);
  std::memset(record.mImagePath, 0, kImagePathSize);
  std::memcpy(record.mImagePath, key.data(), key.size());
}

void ParticleEffect::StartAt(Vec2 point) { StartIn(point, gParticleSystem); }

void ParticleEffect::StartIn(Vec2 point, ParticleSystem& system) {
  for (std::size_t i = 0; i < mRecords.size(); ++i) {
    EmitterSlot* slot = system.FindFreeEmitter();
    if (slot == nullptr) return;
    slot->Start(point, i < mImages.size() ? mImages[i] : nullptr, mRecords[i]);
  }
}

// ---- the fixed effects

const char* FixedEffectPath(int which) {
  static const char* const kPaths[kFixedEffectCount] = {"data\\effect\\magicrain.eff", "data\\effect\\magicrain2.eff",
                                                        "data\\effect\\magicrain3.eff", "data\\effect\\magicwand.eff",
                                                        "data\\effect\\platefly.eff"};
  if (which < 0 || which >= kFixedEffectCount) return "";
  return kPaths[which];
}

bool LoadFixedParticleEffects() {
  bool all = true;
  for (int i = 0; i < kFixedEffectCount; ++i) all = gParticleEffectSets[i].LoadEff(FixedEffectPath(i)) && all;
  return all;
}

// ---- the library

EffectLibraryEntry* AcquireEmitterEffect(const std::string& name, bool* shared) {
  for (EffectLibraryEntry* entry : gEmitterEffects) {
    if (entry->mName == name) {
      ++entry->mHolders;
      if (shared != nullptr) *shared = true;
      return entry;
    }
  }
  auto* entry = new EffectLibraryEntry;
  entry->mName = name;
  entry->mEffect = std::make_unique<ParticleEffect>();
  entry->mEffect->LoadEff("data\\effect\\" + name + ".eff");
  entry->mHolders = 1;
  gEmitterEffects.push_back(entry);
  if (shared != nullptr) *shared = false;
  return entry;
}

void ReleaseEmitterEffect(EffectLibraryEntry* entry) {
  if (entry == nullptr) return;
  auto it = std::find(gEmitterEffects.begin(), gEmitterEffects.end(), entry);
  if (it == gEmitterEffects.end()) return;
  if (--entry->mHolders > 0) return;
  gEmitterEffects.erase(it);
  delete entry;
}

void FreeParticleGlobals() {
  gParticleSystem.Clear();
  for (ParticleEffect& effect : gParticleEffectSets) effect.Clear();
  for (EffectLibraryEntry* entry : gEmitterEffects) delete entry;
  gEmitterEffects.clear();
}

}  // namespace Kivo
