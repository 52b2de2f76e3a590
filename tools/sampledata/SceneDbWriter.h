// Writer of the scene database file: scenes as record trees and the image
// table, laid out as header, index, image block, then the scene blocks in
// the order they were added. It refuses what the engine's reader would not
// give back unchanged; a refusal leaves the writer as it was and says why.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace Kivo {

// One record of a scene tree: its object, its properties in order and its
// children in order.
struct DtmRecord {
  std::string name;
  float corners[8] = {};  // x0 y0 x1 y1 x2 y2 x3 y3: top left, top right, bottom right, bottom left
  uint32_t type = 0;
  std::vector<std::pair<std::string, std::string>> properties;
  std::vector<DtmRecord> children;

  // An axis-aligned rectangle as the four corners.
  void SetRect(float left, float top, float width, float height);
  DtmRecord& Property(std::string key, std::string value);
  DtmRecord& Child(DtmRecord child);
};

// One entry of the image table; the writer stores all five keys in every
// entry, so no entry takes a value over from the one before.
struct DtmImage {
  std::string key;
  std::string path;
  bool preload = false;
  int32_t columns = 1;
  int32_t rows = 1;
};

class SceneDatabaseWriter {
 public:
  // Refuses a name that is empty or over 23 bytes or already added, and a
  // tree with a record name over 23 bytes or holding a zero byte, a key or
  // value over 127 bytes or holding a zero byte, or more than 65,535
  // properties or children on one record.
  bool AddScene(const std::string& name, const DtmRecord& root, std::string* error);
  // Refuses a key or path over 127 bytes or holding a zero byte, and a
  // 65,536th entry.
  bool AddImage(const DtmImage& image, std::string* error);
  // The whole file.
  std::string Bytes() const;

  const std::vector<std::pair<std::string, DtmRecord>>& Scenes() const { return mScenes; }
  const std::vector<DtmImage>& Images() const { return mImages; }

 private:
  std::vector<std::pair<std::string, DtmRecord>> mScenes;
  std::vector<DtmImage> mImages;
};

// The bytes of one record and its subtree (header, properties, children).
std::string DtmRecordBytes(const DtmRecord& record);

}  // namespace Kivo
