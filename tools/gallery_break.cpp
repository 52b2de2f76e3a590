// gallery_break DATA.dtm EDIT...: breaks a copy of the scene database on
// purpose, for the tests that prove the gallery's checks can fail. Edits,
// applied in order to the first record of that name in the scene:
//   move SCENE OBJECT DX DY        shifts the object's quad
//   place SCENE OBJECT OTHER       gives the object OTHER's quad
//   prop SCENE OBJECT KEY VALUE    sets (or adds) a property
//   drop SCENE OBJECT              removes the record and its children
// The file is read whole, rewritten by the sample data's own writer and
// replaced. Exit code 0 when every edit applied, 1 otherwise, 2 on wrong
// usage.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "tools/sampledata/SceneDbWriter.h"

namespace {

class Reader {
 public:
  explicit Reader(const std::string& bytes) : mBytes(bytes) {}
  bool Ok() const { return mOk; }
  void Seek(std::size_t at) { mAt = at; }
  uint32_t U(int size) {
    if (mAt + static_cast<std::size_t>(size) > mBytes.size()) {
      mOk = false;
      return 0;
    }
    uint32_t value = 0;
    for (int i = 0; i < size; ++i) value |= static_cast<uint32_t>(static_cast<unsigned char>(mBytes[mAt++])) << (8 * i);
    return value;
  }
  std::string Bytes(std::size_t size) {
    if (mAt + size > mBytes.size()) {
      mOk = false;
      return "";
    }
    std::string out = mBytes.substr(mAt, size);
    mAt += size;
    return out;
  }
  std::string Name() {
    std::string field = Bytes(24);
    return field.substr(0, field.find('\0'));
  }

 private:
  const std::string& mBytes;
  std::size_t mAt = 0;
  bool mOk = true;
};

bool ReadRecord(Reader& in, Kivo::DtmRecord& record, int depth) {
  if (depth > 64) return false;
  record.name = in.Name();
  for (float& corner : record.corners) {
    const uint32_t bits = in.U(4);
    std::memcpy(&corner, &bits, sizeof corner);
  }
  record.type = in.U(4);
  const uint32_t properties = in.U(2), children = in.U(2);
  for (uint32_t i = 0; i < properties && in.Ok(); ++i) {
    const uint32_t key = in.U(2), value = in.U(2);
    std::string k = in.Bytes(key);
    record.properties.emplace_back(k, in.Bytes(value));
  }
  for (uint32_t i = 0; i < children && in.Ok(); ++i) {
    record.children.emplace_back();
    if (!ReadRecord(in, record.children.back(), depth + 1)) return false;
  }
  return in.Ok();
}

Kivo::DtmRecord* Find(Kivo::DtmRecord& record, const std::string& name) {
  if (record.name == name) return &record;
  for (Kivo::DtmRecord& child : record.children) {
    if (Kivo::DtmRecord* found = Find(child, name)) return found;
  }
  return nullptr;
}

bool Drop(Kivo::DtmRecord& record, const std::string& name) {
  for (auto it = record.children.begin(); it != record.children.end(); ++it) {
    if (it->name == name) {
      record.children.erase(it);
      return true;
    }
    if (Drop(*it, name)) return true;
  }
  return false;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: gallery_break DATA.dtm EDIT...\n");
    return 2;
  }
  const std::string path = argv[1];
  std::ifstream in(path, std::ios::binary);
  const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  Reader reader(bytes);
  reader.Seek(12);
  const uint32_t indexOffset = reader.U(4), sceneCount = reader.U(4), imageOffset = reader.U(4);
  reader.U(4);
  std::vector<std::pair<std::string, Kivo::DtmRecord>> scenes;
  for (uint32_t i = 0; i < sceneCount && reader.Ok(); ++i) {
    reader.Seek(indexOffset + 32 * i);
    std::string name = reader.Name();
    const uint32_t offset = reader.U(4);
    reader.U(4);
    reader.Seek(offset);
    scenes.emplace_back(name, Kivo::DtmRecord());
    if (!ReadRecord(reader, scenes.back().second, 0)) break;
  }
  std::vector<Kivo::DtmImage> images;
  reader.Seek(imageOffset + 24 + 32 + 4);
  const uint32_t pairs = reader.U(2), entries = reader.U(2);
  for (uint32_t i = 0; i < entries && reader.Ok(); ++i) {
    Kivo::DtmImage image;
    for (uint32_t p = 0; p < pairs; ++p) {
      const uint32_t key = reader.U(2), value = reader.U(2);
      const std::string k = reader.Bytes(key), v = reader.Bytes(value);
      if (k == "key") image.key = v;
      if (k == "path") image.path = v;
      if (k == "preload") image.preload = v == "1";
      if (k == "column") image.columns = std::atoi(v.c_str());
      if (k == "row") image.rows = std::atoi(v.c_str());
    }
    images.push_back(image);
  }
  if (!reader.Ok() || bytes.empty()) {
    std::fprintf(stderr, "gallery_break: %s is not a scene database\n", path.c_str());
    return 1;
  }
  for (int i = 2; i < argc;) {
    const std::string edit = argv[i];
    const int args = edit == "move" || edit == "prop" ? 4 : edit == "place" ? 3 : edit == "drop" ? 2 : -1;
    if (args < 0 || i + args >= argc) {
      std::fprintf(stderr, "gallery_break: edit \"%s\" is unknown or lacks arguments\n", edit.c_str());
      return 2;
    }
    const std::string scene = argv[i + 1], object = argv[i + 2];
    Kivo::DtmRecord* root = nullptr;
    for (auto& entry : scenes) {
      if (entry.first == scene) root = &entry.second;
    }
    Kivo::DtmRecord* record = root != nullptr ? Find(*root, object) : nullptr;
    if (record == nullptr) {
      std::fprintf(stderr, "gallery_break: no object %s in the scene %s\n", object.c_str(), scene.c_str());
      return 1;
    }
    if (edit == "move") {
      const float dx = std::strtof(argv[i + 3], nullptr), dy = std::strtof(argv[i + 4], nullptr);
      for (int c = 0; c < 8; c += 2) {
        record->corners[c] += dx;
        record->corners[c + 1] += dy;
      }
    } else if (edit == "place") {
      const Kivo::DtmRecord* other = Find(*root, argv[i + 3]);
      if (other == nullptr) {
        std::fprintf(stderr, "gallery_break: no object %s in the scene %s\n", argv[i + 3], scene.c_str());
        return 1;
      }
      std::memcpy(record->corners, other->corners, sizeof record->corners);
    } else if (edit == "prop") {
      bool set = false;
      for (auto& property : record->properties) {
        if (property.first == argv[i + 3]) {
          property.second = argv[i + 4];
          set = true;
        }
      }
      if (!set) record->Property(argv[i + 3], argv[i + 4]);
    } else if (edit == "drop") {
      if (record == root || !Drop(*root, object)) {
        std::fprintf(stderr, "gallery_break: %s cannot be dropped\n", object.c_str());
        return 1;
      }
    }
    i += args + 1;
  }
  Kivo::SceneDatabaseWriter writer;
  std::string error;
  for (const Kivo::DtmImage& image : images) {
    if (!writer.AddImage(image, &error)) break;
  }
  for (const auto& entry : scenes) {
    if (!error.empty() || !writer.AddScene(entry.first, entry.second, &error)) break;
  }
  if (!error.empty()) {
    std::fprintf(stderr, "gallery_break: %s\n", error.c_str());
    return 1;
  }
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  const std::string written = writer.Bytes();
  out.write(written.data(), static_cast<std::streamsize>(written.size()));
  if (!out) {
    std::fprintf(stderr, "gallery_break: %s cannot be written\n", path.c_str());
    return 1;
  }
  return 0;
}
