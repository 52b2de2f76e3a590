// The particle system: short-lived sprites (sparks, rain, bursts, trails)
// spawned by emitter slots and moved, faded and freed once per update tick.
//
// A ParticleSystem owns two pools allocated once by Init: particles and
// emitter slots. A started slot spawns particles at its record's rate inside
// its position area; each particle moves with velocity, drag and
// acceleration and blends through three appearance stages until its life
// (and its repeats) run out. Spawning and dying allocate nothing: the live
// list and the free list are threaded through the pool.
//
// The records come from effect files (ParticleEffect.h). Running slots and
// live particles point into an effect's records and images without owning
// them, so an effect tells every live system to drop what uses its records
// before it goes (ForgetRecordsEverywhere). Values from files are trusted
// only as far as memory safety goes: a NaN or huge stage value never reaches
// an integer conversion, and a record without an image moves particles that
// are not drawn.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "engine/GameMath.h"
#include "engine/GameUtils.h"

namespace Kivo {

class Graphics;
class Image;

enum ParticleFlag : uint32_t {
  kParticleInUse = 1u << 0,
  kParticleRotate = 1u << 1,
  kParticleScale = 1u << 2,
  kParticleAdditive = 1u << 3,
  kParticleTowardStart = 1u << 6,
  kParticleAwayFromStart = 1u << 7,
};

enum EmitterShapeKind : uint32_t {
  kShapePoint = 0,
  kShapeLine = 1,
  kShapeRect = 2,
  kShapeParallelogram = 3,
  kShapeEllipse = 4,
  kShapeArc = 5,
};

// One appearance: scale, rotation in radians, colour and alpha 0-255.
struct ParticleStage {
  float mScale;
  float mRotation;
  float mRed;
  float mGreen;
  float mBlue;
  float mAlpha;

  static ParticleStage Lerp(const ParticleStage& from, const ParticleStage& to, float t);
};

// An area points are drawn from. (mX, mY) is the origin; mA to mH mean
// different things per kind (see Assign and RandomPoint).
struct EmitterShape {
  uint32_t mKind;
  float mX, mY;
  float mA, mB, mC, mD, mE, mF, mG, mH;

  // Copies shape and normalises it for RandomPoint: a line's end becomes a
  // delta, a rectangle's corners are sorted, an ellipse's axis scales become
  // 1, an arc's angle range and radii are sorted.
  void Assign(const EmitterShape& shape);
  void SetLine(float x, float y, float endX, float endY);
  void SetRect(float x0, float y0, float x1, float y1);
  void SetParallelogram(float x, float y, float edge1X, float edge1Y, float edge2X, float edge2Y);
  void SetArc(float x, float y, float angle0, float angle1, float radius0, float radius1);

  // Draws r1 then r2 from the shared generator whatever the kind (an
  // ellipse with a ring draws a third), so every kind advances it alike.
  Vec2 RandomPoint() const;
};

// The particle half of a record: how each particle moves and looks.
struct ParticleParams {
  uint32_t mFlags;
  float mLife;
  float mDrag;
  float mAccelX;
  float mAccelY;
  float mMiddle;
  int32_t mRepeats;
  ParticleStage mStartStage;
  ParticleStage mMiddleStage;
  ParticleStage mEndStage;
};

// The emitter half of a record: when, how fast and where particles appear.
struct EmitterParams {
  float mEmitterLife;
  float mDelay;
  uint8_t mUnused0[4];
  float mSpare[3];
  uint8_t mUnused1[12];
  int32_t mRate;  // particles per 100 ticks
  EmitterShape mPositionArea;
  EmitterShape mVelocityArea;
  uint8_t mUnused2[8];
};

constexpr int kImagePathSize = 128;

// One 400-byte record of an effect file, laid out as on disk.
struct EmitterRecord {
  uint8_t mUnused[36];
  ParticleParams mParticle;
  EmitterParams mEmitter;
  char mImagePath[kImagePathSize];  // the image key once loaded

  // The defaults of a record no file has filled; the first 36 bytes stay.
  void SetDefaults();
};

static_assert(sizeof(ParticleStage) == 24, "stage layout");
static_assert(sizeof(EmitterShape) == 44, "shape layout");
static_assert(sizeof(ParticleParams) == 100, "particle part layout");
static_assert(sizeof(EmitterParams) == 136, "emitter part layout");
static_assert(sizeof(EmitterRecord) == 400, "record layout");

class ParticleSystem;

struct Particle {
  uint32_t mState = 0;  // bit 0 in use, the other bits the record's flags
  Vec2 mPosition;
  Vec2 mVelocity;
  Vec2 mAcceleration;
  CountdownTimer mLife;
  int mRepeatsLeft = 0;
  Particle* mNext = nullptr;
  Particle* mPrev = nullptr;
  const ParticleParams* mParams = nullptr;  // not owned
  Image* mImage = nullptr;                  // not owned; null draws nothing
};

class EmitterSlot {
 public:
  bool IsActive() const { return (mState & 1u) != 0; }
  // Starts spawning particles of record with image at point (the position
  // area's origin).
  void Start(Vec2 point, Image* image, const EmitterRecord& record);
  // One tick: waits out the delay, then spawns what the accumulator allows.
  // False once the emitter's life is over (the slot is then inactive).
  bool Update();
  void Spawn(Particle& particle);
  void Stop();

  ParticleSystem* mSystem = nullptr;
  uint32_t mState = 0;
  Image* mImage = nullptr;
  const ParticleParams* mParticleParams = nullptr;
  const EmitterParams* mEmitterParams = nullptr;
  CountdownTimer mLife;
  CountdownTimer mDelay;
  float mRatePerTick = 0.0f;
  float mAccumulator = 0.0f;
  EmitterShape mPositionArea{};
  EmitterShape mVelocityArea{};
};

class ParticleSystem {
 public:
  ParticleSystem();
  ~ParticleSystem();
  ParticleSystem(const ParticleSystem&) = delete;
  ParticleSystem& operator=(const ParticleSystem&) = delete;

  // Gives the system its pools, freeing earlier ones first. A count below 1
  // leaves the system without pools.
  void Init(int particles, int slots);
  void Update();
  // Colourise stays on afterwards.
  void Draw(Graphics& g);
  void Clear();
  EmitterSlot* FindFreeEmitter();

  // Stops the slots and frees the particles whose record lies in
  // [first, first + count).
  void ForgetRecords(const EmitterRecord* first, std::size_t count);
  // The same in every system alive now.
  static void ForgetRecordsEverywhere(const EmitterRecord* first, std::size_t count);

  int ParticleCount() const { return mParticleCount; }
  int SlotCount() const { return mSlotCount; }
  int LiveCount() const;
  // Whether a particle lives or a slot is active (waiting or spawning).
  bool HasActivity() const;
  const Particle* FirstLive() const { return mFirstLive; }
  EmitterSlot* Slot(int i) { return &mSlots[i]; }

 private:
  friend class EmitterSlot;

  Particle* TakeFreeParticle();
  void AppendLive(Particle& particle);
  void FreeLive(Particle& particle);
  void FreePools();
  void DrawParticle(Graphics& g, const Particle& particle);

  int mParticleCount = 0;
  std::unique_ptr<Particle[]> mParticles;
  Particle* mFirstLive = nullptr;
  Particle* mLastLive = nullptr;
  int mSlotCount = 0;
  std::unique_ptr<EmitterSlot[]> mSlots;
  std::vector<Particle*> mFreeParticles;  // lowest index on top
  // Every system alive, so that a departing effect can reach them all.
  ParticleSystem* mNextSystem = nullptr;
  ParticleSystem* mPrevSystem = nullptr;
};

// The system the screens update, draw and clear; given its pools by the
// loading thread.
extern ParticleSystem gParticleSystem;

}  // namespace Kivo
