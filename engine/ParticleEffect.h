// Particle effects: the emitter records of one ".eff" file with the images
// they name, started at a point in a particle system (ParticleSystem.h).
//
// File format, little-endian: a 16-byte header (two words not interpreted,
// the header size, which must be 16, and the record count n), then n
// records of 400 bytes laid out as EmitterRecord. Each record's 128-byte
// image path ends in a file name whose stem is the image table key
// ("fx\spark.png" gives "spark").
//
// A file is rejected (false, a log line naming it, the effect unchanged)
// when it cannot be read, when its header size is not 16, or when it is
// shorter than 16 + 400 n bytes; nothing is allocated before that check.
// An image key the table does not know leaves the record without an image:
// its particles move but are not drawn.
//
// Running slots and particles point into an effect's records, so an effect
// that is reloaded or destroyed first stops and frees, in every live
// system, whatever uses them. The library of named effects that emitter
// objects share counts its holders; the last release deletes the entry.
#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <vector>

#include "engine/ParticleSystem.h"

namespace Kivo {

class Image;

// Where an effect gets the images its records name, and gives them back.
// The default is the image table; tests and the fuzz target use their own.
class EffectImageSource {
 public:
  virtual Image* Get(const std::string& key) = 0;
  virtual void Release(const std::string& key) = 0;

 protected:
  ~EffectImageSource() = default;
};

EffectImageSource& ImageTableSource();

class ParticleEffect {
 public:
  explicit ParticleEffect(EffectImageSource* images = nullptr);
  ~ParticleEffect();
  ParticleEffect(const ParticleEffect&) = delete;
  ParticleEffect& operator=(const ParticleEffect&) = delete;

  bool LoadEff(const std::string& path);
  // The same from bytes in memory; name is used in the log line.
  bool LoadEffBytes(const char* data, std::size_t size, const std::string& name);
  // n records; added ones get the defaults. Negative n counts as 0.
  void Resize(int n);
  // Turns record i's image path into its image key.
  void StripImageName(int i);
  // One slot per record in order, until a system has no free slot.
  void StartAt(Vec2 point);
  void StartIn(Vec2 point, ParticleSystem& system);

  const std::vector<EmitterRecord>& Records() const { return mRecords; }
  std::vector<EmitterRecord>& Records() { return mRecords; }
  const std::vector<Image*>& Images() const { return mImages; }
  bool Empty() const { return mRecords.empty(); }
  // Stops whatever runs on the records, gives back every image held and
  // leaves the effect empty.
  void Clear();

 private:
  std::vector<EmitterRecord> mRecords;
  std::vector<Image*> mImages;  // one per record, null without an image
  EffectImageSource* mImageSource;
};

// The key an image path names: the text after the last '\' or '/' (all of it
// without either), less its last 4 characters when it has at least 4.
std::string ImageKeyFromPath(const std::string& path);

// The five effects the screens and mini-games start.
enum FixedEffect : int {
  kEffectMagicRain = 0,
  kEffectMagicRain2,
  kEffectMagicRain3,
  kEffectMagicWand,
  kEffectPlateFly,
  kFixedEffectCount
};

extern ParticleEffect gParticleEffectSets[kFixedEffectCount];
// "data\effect\magicrain.eff" and so on.
const char* FixedEffectPath(int which);
// Loads the five (on the loading thread); false when any failed to load.
bool LoadFixedParticleEffects();

// A named effect of the library.
struct EffectLibraryEntry {
  std::string mName;
  std::unique_ptr<ParticleEffect> mEffect;
  int mHolders = 0;
};

extern std::vector<EffectLibraryEntry*> gEmitterEffects;

// The entry named name, loaded from "data\effect\<name>.eff" when it is not
// in the library yet (a file that fails to load gives an empty effect).
// *shared tells whether the entry was there already. Each call is one hold.
EffectLibraryEntry* AcquireEmitterEffect(const std::string& name, bool* shared);
// Gives one hold back; the last one removes and deletes the entry.
void ReleaseEmitterEffect(EffectLibraryEntry* entry);

// Shutdown, before the image table goes: clears the global system, empties
// the five effects and deletes what remains in the library.
void FreeParticleGlobals();

}  // namespace Kivo
