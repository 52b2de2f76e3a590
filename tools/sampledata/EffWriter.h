// Writer of particle effect files ("data/effect/<name>.eff"): a 16-byte
// header (two zero words, the header size 16, the record count) and one
// 400-byte record per emitter, every field written at its own offset so that
// the engine's reader is checked against an independent layout. It refuses
// an image path the reader would cut (128 bytes or more).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace Kivo {

struct EffStageSpec {
  float scale = 1.0f;
  float rotation = 0.0f;  // radians
  float red = 255.0f;
  float green = 255.0f;
  float blue = 255.0f;
  float alpha = 255.0f;
};

// kind 0 point, 1 line, 2 rectangle, 3 parallelogram, 4 ellipse, 5 arc;
// values are the eight floats after the origin (a to h).
struct EffShapeSpec {
  uint32_t kind = 0;
  float x = 0.0f;
  float y = 0.0f;
  float values[8] = {};
};

struct EffRecordSpec {
  uint32_t flags = 1;  // bit 0 always set by the editors
  float life = 5.0f;
  float drag = 1.0f;
  float accelX = 0.0f;
  float accelY = 0.0f;
  float middle = 0.0f;
  int32_t repeats = 0;
  EffStageSpec start;
  EffStageSpec middleStage;
  EffStageSpec end;
  float emitterLife = 0.0f;
  float delay = 0.0f;
  int32_t rate = 0;
  EffShapeSpec position;
  EffShapeSpec velocity;
  std::string image;  // such as "fx\\spark.png"; empty for none
};

// The file's bytes; false (with the reason) for a path of 128 bytes or more.
bool EffFileBytes(const std::vector<EffRecordSpec>& records, std::string* bytes, std::string* error);

}  // namespace Kivo
