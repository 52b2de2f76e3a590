#include "engine/GameUtils.h"

#include <cmath>
#include <limits>

namespace Kivo {

void CountdownTimer::Start(float period) {
  mDuration = period;
  mRemaining = period;
  mStep = kUpdateStep;
}

void CountdownTimer::Clear() {
  mDuration = 0.0f;
  mRemaining = 0.0f;
  mStep = 0.0f;
}

void CountdownTimer::Tick() {
  mRemaining -= mStep;
  if (mRemaining < 0.0f) mRemaining = 0.0f;
}

float CountdownTimer::Progress() const {
  if (mDuration == 0.0f) return 0.0f;
  return 1.0f - mRemaining / mDuration;
}

bool PointInQuad(const Quad& quad, float x, float y) {
  const double px = x;
  const double py = y;
  for (int i = 0; i < 4; ++i) {
    const Vector2& from = quad.corner[i];
    const Vector2& to = quad.corner[(i + 1) % 4];
    const double cross = (double(to.x) - from.x) * (py - from.y) - (double(to.y) - from.y) * (px - from.x);
    if (cross < 0.0) return false;
  }
  return true;
}

namespace {

constexpr uint32_t kTopBitClear = 0x7FFFFFFFu;

// (b - a) x 10000 as a whole number of steps, saturated into int64 (NaN gives
// 0) so any pair of floats stays defined; the caller wraps it to 32 bits.
int64_t FloatSpanSteps(float a, float b) {
  const float steps = (b - a) * 10000.0f;
  if (std::isnan(steps)) return 0;
  constexpr float kTwoTo63 = 9223372036854775808.0f;
  if (steps >= kTwoTo63) return std::numeric_limits<int64_t>::max();
  if (steps < -kTwoTo63) return std::numeric_limits<int64_t>::min();
  return static_cast<int64_t>(steps);
}

LcgRandom gGameRandom;
TypedWordBuffer gTypedChars;

}  // namespace

uint32_t LcgRandom::Next() {
  mSeed = ((mSeed * 123455u) >> 1) + 512344345u;
  return mSeed;
}

int32_t LcgRandom::Int(int32_t n) {
  if (n == 0) return 0;
  return static_cast<int32_t>((Next() % static_cast<uint32_t>(n)) & kTopBitClear);
}

int32_t LcgRandom::Range(int32_t a, int32_t b) {
  if (a == b) return a;
  const uint32_t span = static_cast<uint32_t>(b) - static_cast<uint32_t>(a);
  const uint32_t offset = (Next() % span) & kTopBitClear;
  return static_cast<int32_t>(static_cast<uint32_t>(a) + offset);
}

float LcgRandom::Float(float a, float b) {
  const uint32_t steps = static_cast<uint32_t>(FloatSpanSteps(a, b));
  if (steps == 0) return a;
  const uint32_t offset = (Next() % steps) & kTopBitClear;
  return a + static_cast<float>(offset) * 0.0001f;
}

void LcgSeed(uint32_t seed) { gGameRandom.Seed(seed); }
uint32_t LcgCurrentSeed() { return gGameRandom.CurrentSeed(); }
int32_t LcgRandomInt(int32_t n) { return gGameRandom.Int(n); }
int32_t LcgRandomRange(int32_t a, int32_t b) { return gGameRandom.Range(a, b); }
float LcgRandomFloat(float a, float b) { return gGameRandom.Float(a, b); }

bool TypedWordBuffer::Matches(const std::wstring& word) {
  if (mTyped.size() < word.size()) return false;
  if (mTyped.compare(mTyped.size() - word.size(), word.size(), word) != 0) return false;
  mTyped.clear();
  return true;
}

void AddTypedChar(wchar_t c) { gTypedChars.Add(c); }
bool TypedWordMatches(const std::wstring& word) { return gTypedChars.Matches(word); }

void DrawImageOnQuad(Graphics& g, const Quad& quad, Image* image, int column, int row, QuadMapper* camera) {
  if (camera == nullptr) {
    g.DrawCellQuad(image, quad, column, row);
    return;
  }
  Quad mapped;
  if (camera->MapQuad(quad, mapped)) g.DrawCellQuad(image, mapped, column, row);
}

}  // namespace Kivo
