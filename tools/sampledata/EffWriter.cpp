#include "tools/sampledata/EffWriter.h"

#include <cstring>

namespace Kivo {

namespace {

constexpr std::size_t kRecordBytes = 400;
constexpr std::size_t kPathBytes = 128;

void PutU32(std::string& out, std::size_t offset, uint32_t value) {
  for (int i = 0; i < 4; ++i) out[offset + i] = static_cast<char>((value >> (8 * i)) & 0xFF);
}

void PutF32(std::string& out, std::size_t offset, float value) {
  uint32_t bits;
  std::memcpy(&bits, &value, sizeof bits);
  PutU32(out, offset, bits);
}

void PutStage(std::string& out, std::size_t offset, const EffStageSpec& stage) {
  const float values[6] = {stage.scale, stage.rotation, stage.red, stage.green, stage.blue, stage.alpha};
  for (int i = 0; i < 6; ++i) PutF32(out, offset + 4 * i, values[i]);
}

void PutShape(std::string& out, std::size_t offset, const EffShapeSpec& shape) {
  PutU32(out, offset, shape.kind);
  PutF32(out, offset + 4, shape.x);
  PutF32(out, offset + 8, shape.y);
  for (int i = 0; i < 8; ++i) PutF32(out, offset + 12 + 4 * i, shape.values[i]);
}

std::string RecordBytes(const EffRecordSpec& spec) {
  std::string out(kRecordBytes, '\0');
  PutU32(out, 36, spec.flags);
  PutF32(out, 40, spec.life);
  PutF32(out, 44, spec.drag);
  PutF32(out, 48, spec.accelX);
  PutF32(out, 52, spec.accelY);
  PutF32(out, 56, spec.middle);
  PutU32(out, 60, static_cast<uint32_t>(spec.repeats));
  PutStage(out, 64, spec.start);
  PutStage(out, 88, spec.middleStage);
  PutStage(out, 112, spec.end);
  PutF32(out, 136, spec.emitterLife);
  PutF32(out, 140, spec.delay);
  PutU32(out, 172, static_cast<uint32_t>(spec.rate));
  PutShape(out, 176, spec.position);
  PutShape(out, 220, spec.velocity);
  out.replace(272, spec.image.size(), spec.image);
  return out;
}

}  // namespace

bool EffFileBytes(const std::vector<EffRecordSpec>& records, std::string* bytes, std::string* error) {
  for (const EffRecordSpec& record : records) {
    if (record.image.size() >= kPathBytes) {
      if (error != nullptr) *error = "effect image path too long: " + record.image;
      return false;
    }
  }
  std::string out(16, '\0');
  PutU32(out, 8, 16);
  PutU32(out, 12, static_cast<uint32_t>(records.size()));
  for (const EffRecordSpec& record : records) out += RecordBytes(record);
  *bytes = std::move(out);
  return true;
}

}  // namespace Kivo
