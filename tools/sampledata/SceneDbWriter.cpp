#include "tools/sampledata/SceneDbWriter.h"

#include <cstring>

namespace Kivo {

namespace {

constexpr std::size_t kNameLimit = 23;
constexpr std::size_t kTextLimit = 127;
constexpr std::size_t kCountLimit = 65535;

void PutU16(std::string& out, uint32_t value) {
  out.push_back(static_cast<char>(value & 0xFF));
  out.push_back(static_cast<char>((value >> 8) & 0xFF));
}

void PutU32(std::string& out, uint32_t value) {
  for (int i = 0; i < 4; ++i) out.push_back(static_cast<char>((value >> (8 * i)) & 0xFF));
}

void PutF32(std::string& out, float value) {
  uint32_t bits;
  std::memcpy(&bits, &value, sizeof bits);
  PutU32(out, bits);
}

void PutName(std::string& out, const std::string& name) {
  std::string field = name;
  field.resize(24, '\0');
  out += field;
}

void PutPair(std::string& out, const std::string& key, const std::string& value) {
  PutU16(out, static_cast<uint32_t>(key.size()));
  PutU16(out, static_cast<uint32_t>(value.size()));
  out += key;
  out += value;
}

bool Refuse(std::string* error, const std::string& reason) {
  if (error != nullptr) *error = reason;
  return false;
}

bool CheckName(const std::string& name, const std::string& what, std::string* error) {
  if (name.size() > kNameLimit) return Refuse(error, what + " \"" + name + "\" is longer than 23 bytes");
  if (name.find('\0') != std::string::npos) return Refuse(error, what + " holds a zero byte");
  return true;
}

bool CheckText(const std::string& text, const std::string& what, std::string* error) {
  if (text.size() > kTextLimit) return Refuse(error, what + " \"" + text.substr(0, 32) + "...\" is longer than 127 bytes");
  if (text.find('\0') != std::string::npos) return Refuse(error, what + " holds a zero byte");
  return true;
}

bool CheckRecord(const DtmRecord& record, std::string* error) {
  if (!CheckName(record.name, "record name", error)) return false;
  if (record.properties.size() > kCountLimit) return Refuse(error, "record \"" + record.name + "\" has over 65,535 properties");
  if (record.children.size() > kCountLimit) return Refuse(error, "record \"" + record.name + "\" has over 65,535 children");
  for (const auto& pair : record.properties) {
    if (!CheckText(pair.first, "key", error) || !CheckText(pair.second, "value of " + pair.first, error)) return false;
  }
  for (const DtmRecord& child : record.children) {
    if (!CheckRecord(child, error)) return false;
  }
  return true;
}

void PutRecordHeader(std::string& out, const std::string& name, const float* corners, uint32_t type,
                     std::size_t properties, std::size_t children) {
  PutName(out, name);
  for (int i = 0; i < 8; ++i) PutF32(out, corners[i]);
  PutU32(out, type);
  PutU16(out, static_cast<uint32_t>(properties));
  PutU16(out, static_cast<uint32_t>(children));
}

void PutRecord(std::string& out, const DtmRecord& record) {
  PutRecordHeader(out, record.name, record.corners, record.type, record.properties.size(), record.children.size());
  for (const auto& pair : record.properties) PutPair(out, pair.first, pair.second);
  for (const DtmRecord& child : record.children) PutRecord(out, child);
}

}  // namespace

void DtmRecord::SetRect(float left, float top, float width, float height) {
  const float right = left + width;
  const float bottom = top + height;
  const float values[8] = {left, top, right, top, right, bottom, left, bottom};
  std::memcpy(corners, values, sizeof corners);
}

DtmRecord& DtmRecord::Property(std::string key, std::string value) {
  properties.emplace_back(std::move(key), std::move(value));
  return *this;
}

DtmRecord& DtmRecord::Child(DtmRecord child) {
  children.push_back(std::move(child));
  return *this;
}

bool SceneDatabaseWriter::AddScene(const std::string& name, const DtmRecord& root, std::string* error) {
  if (name.empty()) return Refuse(error, "empty scene name");
  if (!CheckName(name, "scene name", error)) return false;
  for (const auto& scene : mScenes) {
    if (scene.first == name) return Refuse(error, "scene \"" + name + "\" added twice");
  }
  if (!CheckRecord(root, error)) return false;
  mScenes.emplace_back(name, root);
  return true;
}

bool SceneDatabaseWriter::AddImage(const DtmImage& image, std::string* error) {
  if (mImages.size() >= kCountLimit) return Refuse(error, "over 65,535 image entries");
  if (!CheckText(image.key, "image key", error) || !CheckText(image.path, "image path", error)) return false;
  mImages.push_back(image);
  return true;
}

std::string DtmRecordBytes(const DtmRecord& record) {
  std::string out;
  PutRecord(out, record);
  return out;
}

std::string SceneDatabaseWriter::Bytes() const {
  std::string imageBlock;
  const float noCorners[8] = {};
  const std::size_t pairsPerEntry = mImages.empty() ? 0 : 5;
  PutRecordHeader(imageBlock, std::string(), noCorners, 0, pairsPerEntry, mImages.size());
  for (const DtmImage& image : mImages) {
    PutPair(imageBlock, "key", image.key);
    PutPair(imageBlock, "path", image.path);
    PutPair(imageBlock, "preload", image.preload ? "1" : "0");
    PutPair(imageBlock, "column", std::to_string(image.columns));
    PutPair(imageBlock, "row", std::to_string(image.rows));
  }
  std::vector<std::string> blocks;
  for (const auto& scene : mScenes) blocks.push_back(DtmRecordBytes(scene.second));

  const uint32_t indexOffset = 28;
  const uint32_t imageOffset = indexOffset + 32 * static_cast<uint32_t>(mScenes.size());
  uint32_t sceneOffset = imageOffset + static_cast<uint32_t>(imageBlock.size());
  std::string out(12, '\0');
  PutU32(out, indexOffset);
  PutU32(out, static_cast<uint32_t>(mScenes.size()));
  PutU32(out, imageOffset);
  PutU32(out, static_cast<uint32_t>(imageBlock.size()));
  for (std::size_t i = 0; i < mScenes.size(); ++i) {
    PutName(out, mScenes[i].first);
    PutU32(out, sceneOffset);
    PutU32(out, static_cast<uint32_t>(blocks[i].size()));
    sceneOffset += static_cast<uint32_t>(blocks[i].size());
  }
  out += imageBlock;
  for (const std::string& block : blocks) out += block;
  return out;
}

}  // namespace Kivo
