#include "engine/ParticleSystem.h"

#include <algorithm>
#include <cmath>
#include <functional>
#include <mutex>
#include <utility>

#include "shell/base/GlobalRanks.h"
#include "shell/base/Matrix.h"
#include "ui/Graphics.h"

namespace Kivo {

KIVO_GLOBAL_RANK(kRankParticleSystem) ParticleSystem gParticleSystem;

namespace {

// The systems alive. Both are constant-initialised and never destroyed, so
// systems built or destroyed during the ranked start-up and teardown reach
// them safely.
std::mutex gSystemsLock;
ParticleSystem* gFirstSystem = nullptr;

float LerpFloat(float a, float b, float t) { return a + (b - a) * t; }

// Stage values come from files: NaN and out-of-range values must not reach
// an integer conversion.
int ColorComponent(float v) {
  if (!(v > 0.0f)) return 0;
  if (v >= 255.0f) return 255;
  return static_cast<int>(v);
}

bool Finite(float v) { return std::isfinite(v); }

bool InRecords(const void* p, const EmitterRecord* first, std::size_t count) {
  if (p == nullptr || count == 0) return false;
  const std::less<const void*> less;
  return !less(p, first) && less(p, first + count);
}

}  // namespace

ParticleStage ParticleStage::Lerp(const ParticleStage& from, const ParticleStage& to, float t) {
  return ParticleStage{LerpFloat(from.mScale, to.mScale, t), LerpFloat(from.mRotation, to.mRotation, t),
                       LerpFloat(from.mRed, to.mRed, t),     LerpFloat(from.mGreen, to.mGreen, t),
                       LerpFloat(from.mBlue, to.mBlue, t),   LerpFloat(from.mAlpha, to.mAlpha, t)};
}

// ---- shapes

void EmitterShape::SetLine(float x, float y, float endX, float endY) {
  mX = x;
  mY = y;
  mA = endX - x;
  mB = endY - y;
}

void EmitterShape::SetRect(float x0, float y0, float x1, float y1) {
  mX = std::min(x0, x1);
  mY = std::min(y0, y1);
  mA = std::max(x0, x1);
  mB = std::max(y0, y1);
}

void EmitterShape::SetParallelogram(float x, float y, float edge1X, float edge1Y, float edge2X, float edge2Y) {
  mX = x;
  mY = y;
  mC = edge1X;
  mD = edge1Y;
  mE = edge2X;
  mF = edge2Y;
}

void EmitterShape::SetArc(float x, float y, float angle0, float angle1, float radius0, float radius1) {
  mX = x;
  mY = y;
  mC = 0.0f;
  mD = 6.28f;
  mE = std::min(angle0, angle1);
  mF = std::max(angle0, angle1);
  mG = std::max(radius0, radius1);
  mH = std::min(radius0, radius1);
}

void EmitterShape::Assign(const EmitterShape& shape) {
  *this = shape;
  switch (shape.mKind) {
    case kShapeLine: SetLine(shape.mX, shape.mY, shape.mA, shape.mB); break;
    case kShapeRect: SetRect(shape.mX, shape.mY, shape.mA, shape.mB); break;
    case kShapeParallelogram: SetParallelogram(shape.mX, shape.mY, shape.mC, shape.mD, shape.mE, shape.mF); break;
    case kShapeEllipse:
      mC = 1.0f;
      mD = 1.0f;
      break;
    case kShapeArc: SetArc(shape.mX, shape.mY, shape.mE, shape.mF, shape.mG, shape.mH); break;
    default: break;
  }
}

Vec2 EmitterShape::RandomPoint() const {
  const float r1 = LcgRandomFloat(0.0f, 1.0f);
  const float r2 = LcgRandomFloat(0.0f, 1.0f);
  switch (mKind) {
    case kShapePoint: return Vec2(mX, mY);
    case kShapeLine: return Vec2(mX + r1 * mA, mY + r1 * mB);
    case kShapeRect: return Vec2(mX + r1 * (mA - mX), mY + r2 * (mB - mY));
    case kShapeParallelogram: return Vec2(mX + r1 * mC + r2 * mE, mY + r1 * mD + r2 * mF);
    case kShapeEllipse: {
      Vec2 v(r1 - 0.5f, r2 - 0.5f);
      if (mG == mH) {
        v = Vec2::SetLength(v, mG);
      } else {
        const float r3 = LcgRandomFloat(0.0f, 1.0f);
        const float radius = mH + r3 * (mG - mH);
        v = Vec2::SetLength(v, 1.0f);
        v = Vec2(v.x * radius, v.y * radius);
      }
      return Vec2(mX + v.x * mC, mY + v.y * mD);
    }
    case kShapeArc: {
      const float angle = mE + r1 * (mF - mE);
      const float radius = mH + r2 * (mG - mH);
      return Vec2(mX + radius * std::cos(angle), mY + radius * std::sin(angle));
    }
    default: return Vec2(0.0f, 0.0f);
  }
}

// ---- records

void EmitterRecord::SetDefaults() {
  const ParticleStage plain{1.0f, 0.0f, 255.0f, 255.0f, 255.0f, 255.0f};
  mParticle = ParticleParams{};
  mParticle.mLife = 5.0f;
  mParticle.mDrag = 1.0f;
  mParticle.mStartStage = plain;
  mParticle.mMiddleStage = plain;
  mParticle.mEndStage = plain;
  mEmitter = EmitterParams{};
  for (char& c : mImagePath) c = '\0';
}

// ---- emitter slots

void EmitterSlot::Start(Vec2 point, Image* image, const EmitterRecord& record) {
  mState = 1;
  mImage = image;
  mParticleParams = &record.mParticle;
  mEmitterParams = &record.mEmitter;
  mRatePerTick = static_cast<float>(record.mEmitter.mRate) * 0.01f;
  mAccumulator = 0.0f;
  mLife.Start(record.mEmitter.mEmitterLife);
  mDelay.Start(record.mEmitter.mDelay);
  mPositionArea.Assign(record.mEmitter.mPositionArea);
  mPositionArea.mX = point.x;
  mPositionArea.mY = point.y;
  mVelocityArea.Assign(record.mEmitter.mVelocityArea);
}

bool EmitterSlot::Update() {
  if (mDelay.IsRunning()) {
    mDelay.Tick();
    return true;
  }
  if (!mLife.IsRunning()) {
    mState = 0;
    return false;
  }
  mLife.Tick();
  // The bound is read anew after each spawn, so a tick spawns about half of
  // the whole particles accumulated; the accumulator settles where the
  // spawns per tick match the rate.
  for (int i = 0; static_cast<float>(i) < std::floor(mAccumulator); ++i) {
    Particle* particle = mSystem->TakeFreeParticle();
    if (particle == nullptr) break;  // the pool stays full for the rest of the tick
    Spawn(*particle);
    mAccumulator -= 1.0f;
  }
  mAccumulator += mRatePerTick;
  return true;
}

void EmitterSlot::Spawn(Particle& particle) {
  const ParticleParams& params = *mParticleParams;
  particle.mParams = mParticleParams;
  particle.mImage = mImage;
  // Bit 0 marks the particle taken even when a record forgets to set it.
  particle.mState = params.mFlags | kParticleInUse;
  particle.mRepeatsLeft = params.mRepeats;
  particle.mLife.Start(params.mLife);
  particle.mAcceleration = Vec2(params.mAccelX, params.mAccelY);
  particle.mVelocity = mVelocityArea.RandomPoint();
  particle.mPosition = mPositionArea.RandomPoint();
  const Vec2 start(mPositionArea.mX, mPositionArea.mY);
  if ((params.mFlags & kParticleTowardStart) != 0) {
    const Vec2 toStart(start.x - particle.mPosition.x, start.y - particle.mPosition.y);
    particle.mAcceleration = Vec2::SetLength(toStart, Vec2::Length(particle.mAcceleration));
  } else if ((params.mFlags & kParticleAwayFromStart) != 0) {
    const Vec2 away(particle.mPosition.x - start.x, particle.mPosition.y - start.y);
    particle.mAcceleration = Vec2::SetLength(away, Vec2::Length(particle.mAcceleration));
  }
  mSystem->AppendLive(particle);
}

void EmitterSlot::Stop() {
  mLife.mRemaining = 0.0f;
  mState = 0;
}

// ---- the system

ParticleSystem::ParticleSystem() {
  std::lock_guard<std::mutex> guard(gSystemsLock);
  mNextSystem = gFirstSystem;
  if (gFirstSystem != nullptr) gFirstSystem->mPrevSystem = this;
  gFirstSystem = this;
}

ParticleSystem::~ParticleSystem() {
  {
    std::lock_guard<std::mutex> guard(gSystemsLock);
    if (mPrevSystem != nullptr) mPrevSystem->mNextSystem = mNextSystem;
    if (mNextSystem != nullptr) mNextSystem->mPrevSystem = mPrevSystem;
    if (gFirstSystem == this) gFirstSystem = mNextSystem;
  }
  FreePools();
}

void ParticleSystem::FreePools() {
  mParticles.reset();
  mSlots.reset();
  mFreeParticles.clear();
  mFreeParticles.shrink_to_fit();
  mParticleCount = 0;
  mSlotCount = 0;
  mFirstLive = nullptr;
  mLastLive = nullptr;
}

void ParticleSystem::Init(int particles, int slots) {
  FreePools();
  if (particles < 1 || slots < 1) return;
  mParticles.reset(new Particle[particles]);
  mSlots.reset(new EmitterSlot[slots]);
  mParticleCount = particles;
  mSlotCount = slots;
  mFreeParticles.reserve(static_cast<std::size_t>(particles));
  for (int i = particles - 1; i >= 0; --i) mFreeParticles.push_back(&mParticles[i]);
  for (int i = 0; i < slots; ++i) mSlots[i].mSystem = this;
}

Particle* ParticleSystem::TakeFreeParticle() {
  if (mFreeParticles.empty()) return nullptr;
  Particle* particle = mFreeParticles.back();
  mFreeParticles.pop_back();
  return particle;
}

void ParticleSystem::AppendLive(Particle& particle) {
  particle.mNext = nullptr;
  particle.mPrev = mLastLive;
  if (mLastLive != nullptr) {
    mLastLive->mNext = &particle;
  } else {
    mFirstLive = &particle;
  }
  mLastLive = &particle;
}

void ParticleSystem::FreeLive(Particle& particle) {
  if (particle.mPrev != nullptr) {
    particle.mPrev->mNext = particle.mNext;
  } else {
    mFirstLive = particle.mNext;
  }
  if (particle.mNext != nullptr) {
    particle.mNext->mPrev = particle.mPrev;
  } else {
    mLastLive = particle.mPrev;
  }
  particle.mState = 0;
  particle.mNext = nullptr;
  particle.mPrev = nullptr;
  particle.mParams = nullptr;
  particle.mImage = nullptr;
  mFreeParticles.push_back(&particle);
}

void ParticleSystem::Update() {
  Particle* particle = mFirstLive;
  while (particle != nullptr) {
    Particle* next = particle->mNext;
    if (particle->mLife.IsRunning()) {
      particle->mLife.Tick();
      particle->mPosition.x += particle->mVelocity.x;
      particle->mPosition.y += particle->mVelocity.y;
      const float drag = particle->mParams->mDrag;
      particle->mVelocity.x = particle->mVelocity.x * drag + particle->mAcceleration.x;
      particle->mVelocity.y = particle->mVelocity.y * drag + particle->mAcceleration.y;
    } else if (particle->mRepeatsLeft > 0) {
      --particle->mRepeatsLeft;
      particle->mLife.mRemaining = particle->mLife.mDuration;
    } else {
      FreeLive(*particle);
    }
    particle = next;
  }
  for (int i = 0; i < mSlotCount; ++i) {
    if (mSlots[i].IsActive()) mSlots[i].Update();
  }
}

void ParticleSystem::DrawParticle(Graphics& g, const Particle& particle) {
  const ParticleParams& params = *particle.mParams;
  const CountdownTimer& life = particle.mLife;
  const float f = life.mDuration == 0.0f ? 0.0f : 1.0f - life.mRemaining / life.mDuration;
  const float m = params.mMiddle;
  ParticleStage stage;
  if (m >= 1.0f) {
    // The second blend would divide by 1 - m = 0 on the last tick.
    stage = ParticleStage::Lerp(params.mStartStage, params.mMiddleStage, std::min(f / m, 1.0f));
  } else if (f < m) {
    stage = ParticleStage::Lerp(params.mStartStage, params.mMiddleStage, f / m);
  } else {
    stage = ParticleStage::Lerp(params.mMiddleStage, params.mEndStage, (f - m) / (1.0f - m));
  }
  const float x = particle.mPosition.x;
  const float y = particle.mPosition.y;
  // Values from a damaged file could make the drawing code convert NaN or
  // out-of-range floats to integers; such a particle is not drawn.
  if (!Finite(x) || !Finite(y) || !Finite(stage.mScale) || !Finite(stage.mRotation)) return;
  if (std::fabs(x) > 1.0e6f || std::fabs(y) > 1.0e6f || std::fabs(stage.mScale) > 1.0e3f) return;

  g.SetDrawMode((particle.mState & kParticleAdditive) != 0 ? kDrawModeAdditive : kDrawModeNormal);
  g.SetColor(Color(ColorComponent(stage.mRed), ColorComponent(stage.mGreen), ColorComponent(stage.mBlue),
                   ColorComponent(stage.mAlpha)));
  const bool scale = (particle.mState & kParticleScale) != 0;
  const bool rotate = (particle.mState & kParticleRotate) != 0;
  if (scale || rotate) {
    LazyTransform2D transform;
    if (scale) transform.Scale(stage.mScale, stage.mScale);
    if (rotate) transform.RotateRadians(stage.mRotation);
    g.DrawImageCelTransformed(particle.mImage, x, y, 0, 0, transform);
  } else {
    const int halfWidth = particle.mImage->GetWidth() / 2;
    const int halfHeight = particle.mImage->GetHeight() / 2;
    g.DrawImageCelF(particle.mImage, x - static_cast<float>(halfWidth), y - static_cast<float>(halfHeight), 0, 0,
                    false);
  }
  g.SetDrawMode(kDrawModeNormal);
}

void ParticleSystem::Draw(Graphics& g) {
  g.SetColorizeImages(true);
  for (const Particle* particle = mFirstLive; particle != nullptr; particle = particle->mNext) {
    if (particle->mImage == nullptr) continue;
    DrawParticle(g, *particle);
  }
}

void ParticleSystem::Clear() {
  while (mFirstLive != nullptr) FreeLive(*mFirstLive);
  for (int i = 0; i < mSlotCount; ++i) mSlots[i].Stop();
}

EmitterSlot* ParticleSystem::FindFreeEmitter() {
  for (int i = 0; i < mSlotCount; ++i) {
    if (!mSlots[i].IsActive()) return &mSlots[i];
  }
  return nullptr;
}

int ParticleSystem::LiveCount() const {
  int count = 0;
  for (const Particle* particle = mFirstLive; particle != nullptr; particle = particle->mNext) ++count;
  return count;
}

bool ParticleSystem::HasActivity() const {
  if (mFirstLive != nullptr) return true;
  for (int i = 0; i < mSlotCount; ++i) {
    if (mSlots[i].IsActive()) return true;
  }
  return false;
}

void ParticleSystem::ForgetRecords(const EmitterRecord* first, std::size_t count) {
  Particle* particle = mFirstLive;
  while (particle != nullptr) {
    Particle* next = particle->mNext;
    if (InRecords(particle->mParams, first, count)) FreeLive(*particle);
    particle = next;
  }
  for (int i = 0; i < mSlotCount; ++i) {
    EmitterSlot& slot = mSlots[i];
    if (InRecords(slot.mParticleParams, first, count)) {
      slot.Stop();
      slot.mParticleParams = nullptr;
      slot.mEmitterParams = nullptr;
      slot.mImage = nullptr;
    }
  }
}

void ParticleSystem::ForgetRecordsEverywhere(const EmitterRecord* first, std::size_t count) {
  std::lock_guard<std::mutex> guard(gSystemsLock);
  for (ParticleSystem* system = gFirstSystem; system != nullptr; system = system->mNextSystem) {
    system->ForgetRecords(first, count);
  }
}

}  // namespace Kivo
