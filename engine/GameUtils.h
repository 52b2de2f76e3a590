// Small shared tools of the game: the countdown timer behind all game timing,
// the hit test of every clickable quad, the game's own linear-congruential
// random generator, the typed-characters buffer behind a hidden code word,
// and the one routine through which image kinds draw a cell on a quad. The
// float math they share (vectors, matrices, easing) is in GameMath.h.
//
// Time is counted in update ticks: a started timer loses 0.01 s per Tick, in
// single precision, so a 1 s timer reaches 0 on the 101st tick, not the 100th;
// never compute timers in double or the tick counts change. The random
// generator is independent of the shell's TwisterRandom and its sequence is
// part of recorded games: its arithmetic is unsigned 32-bit, defined for every
// argument, reversed ranges included. Nothing here fails or allocates on the
// hot path; a quad mapper that refuses a quad makes the draw a no-op.
#pragma once

#include <cstdint>
#include <string>

#include "engine/GameMath.h"
#include "ui/Graphics.h"

namespace Kivo {

class Image;

// Counts down from a period in steps of one update (0.01 s at speed 1.0).
struct CountdownTimer {
  static constexpr float kUpdateStep = 0.01f;

  float mDuration = 0.0f;
  float mRemaining = 0.0f;
  float mStep = 0.0f;

  // Duration and remaining become the period, the step one update.
  void Start(float period);
  void Clear();
  // Remaining loses one step and stops at 0.
  void Tick();
  bool IsRunning() const { return mRemaining != 0.0f && mDuration != 0.0f; }
  bool IsDone() const { return mRemaining == 0.0f; }
  // 0 at the start, 1 when done; 0 for a timer without a duration.
  float Progress() const;
};

// Corners in the engine's order (top left, top right, bottom right, bottom
// left, y downwards). Points on an edge are inside; a quad whose corners run
// the other way round contains nothing.
bool PointInQuad(const Quad& quad, float x, float y);

// The game's linear-congruential generator.
class LcgRandom {
 public:
  constexpr LcgRandom() = default;

  void Seed(uint32_t seed) { mSeed = seed; }
  uint32_t CurrentSeed() const { return mSeed; }

  // 0..n-1 for n > 0; 0 without advancing for n = 0.
  int32_t Int(int32_t n);
  // a..b-1 for a < b; a without advancing for a = b. Reversed ranges are
  // defined (the span is taken as unsigned) but of no use.
  int32_t Range(int32_t a, int32_t b);
  // a plus a whole number of 0.0001 steps below b - a; a without advancing
  // when b - a is less than one step.
  float Float(float a, float b);

 private:
  // Advances the seed and gives the new one.
  uint32_t Next();

  uint32_t mSeed = 0;
};

// The one generator the game shares; seeded once at start-up.
void LcgSeed(uint32_t seed);
uint32_t LcgCurrentSeed();
int32_t LcgRandomInt(int32_t n);
int32_t LcgRandomRange(int32_t a, int32_t b);
float LcgRandomFloat(float a, float b);

// Characters typed so far, until they end in a word being listened for.
class TypedWordBuffer {
 public:
  void Add(wchar_t c) { mTyped.push_back(c); }
  // True when the typed characters end with word; they are then forgotten.
  // Otherwise nothing changes.
  bool Matches(const std::wstring& word);
  const std::wstring& Typed() const { return mTyped; }

 private:
  std::wstring mTyped;
};

// The buffer the level screen feeds with every typed character.
void AddTypedChar(wchar_t c);
bool TypedWordMatches(const std::wstring& word);

// Maps a quad given in scene coordinates to the screen; the camera object is
// one.
class QuadMapper {
 public:
  virtual ~QuadMapper() = default;
  // Fills out and returns true, or returns false when there is nothing to show.
  virtual bool MapQuad(const Quad& in, Quad& out) = 0;
};

// Draws cell (column, row), counted from 1, of image on quad, first mapping
// the quad through camera when one is given.
void DrawImageOnQuad(Graphics& g, const Quad& quad, Image* image, int column, int row, QuadMapper* camera);

}  // namespace Kivo
