#include "engine/SceneDatabase.h"

#include <climits>
#include <cstring>

#include "engine/AnimDef.h"
#include "engine/EngineObject.h"
#include "engine/ImageTable.h"
#include "engine/PropertyList.h"
#include "platform/Environment.h"
#include "platform/Files.h"

namespace Kivo {

namespace {

// The open database: kept from OpenSceneDatabase to FreeSceneDatabase.
struct SceneDatabaseState {
  bool open = false;
  std::string path;
  DtmHeader header;
  std::vector<DtmIndexEntry> index;
};

SceneDatabaseState& State() {
  static SceneDatabaseState state;
  return state;
}

uint16_t ReadU16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }

uint32_t ReadU32(const uint8_t* p) {
  return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) | (static_cast<uint32_t>(p[2]) << 16) |
         (static_cast<uint32_t>(p[3]) << 24);
}

float ReadF32(const uint8_t* p) {
  uint32_t bits = ReadU32(p);
  float value;
  std::memcpy(&value, &bits, sizeof value);
  return value;
}

// A name field of kDtmNameSize bytes holds at most kDtmNameSize - 1
// characters and its zero: the name ends at the first zero, and the field's
// last byte is never part of it.
std::string ReadName(const uint8_t* p) {
  const char* text = reinterpret_cast<const char*>(p);
  return std::string(text, strnlen(text, kDtmNameSize - 1));
}

// Text bytes taken up to their length or the first zero byte.
std::string ReadText(const uint8_t* p, std::size_t length) {
  const char* text = reinterpret_cast<const char*>(p);
  return std::string(text, strnlen(text, length));
}

bool Fits(uint64_t offset, uint64_t length, uint64_t total) { return offset <= total && length <= total - offset; }

void Refuse(const std::string& path, const std::string& reason) {
  Platform::Log("scene database " + path + ": " + reason);
}

long FileSize(std::FILE* file) {
  if (std::fseek(file, 0, SEEK_END) != 0) return -1;
  return std::ftell(file);
}

}  // namespace

bool ParseRecordHeader(DtmBlock block, std::size_t at, DtmRecordHeader& header) {
  if (!Fits(at, kDtmRecordHeaderSize, block.size)) return false;
  const uint8_t* p = block.data + at;
  header.name = ReadName(p);
  for (int i = 0; i < 8; ++i) header.corners[i] = ReadF32(p + 24 + 4 * i);
  header.type = ReadU32(p + 56);
  header.propertyCount = ReadU16(p + 60);
  header.childCount = ReadU16(p + 62);
  return true;
}

bool ReadPropertyPairs(DtmBlock block, std::size_t& at, uint32_t count, PropertyList& out) {
  for (uint32_t i = 0; i < count; ++i) {
    if (!Fits(at, 4, block.size)) return false;
    std::size_t keyLength = ReadU16(block.data + at);
    std::size_t valueLength = ReadU16(block.data + at + 2);
    if (!Fits(at + 4, keyLength + valueLength, block.size)) return false;
    const uint8_t* key = block.data + at + 4;
    out.Add(ReadText(key, keyLength), ReadText(key + keyLength, valueLength));
    at += 4 + keyLength + valueLength;
  }
  return true;
}

long ReadObjectRecord(sObj& object, const DtmRecordHeader& header, DtmBlock block, std::size_t propertiesAt) {
  for (int i = 0; i < 4; ++i) {
    object.mBaseQuad.corner[i].x = header.corners[2 * i];
    object.mBaseQuad.corner[i].y = header.corners[2 * i + 1];
  }
  object.UpdateCentre();
  std::size_t at = propertiesAt;
  if (!ReadPropertyPairs(block, at, header.propertyCount, object.mProperties)) return -1;
  return static_cast<long>(at - propertiesAt);
}

bool ReadBlockAt(std::FILE* file, uint64_t offset, void* buffer, std::size_t n) {
  if (n == 0 || file == nullptr) return false;
  if (offset > static_cast<uint64_t>(LONG_MAX) || std::fseek(file, static_cast<long>(offset), SEEK_SET) != 0)
    return false;
  return std::fread(buffer, 1, n, file) == n;
}

bool OpenSceneDatabase(const std::string& path) {
  FreeSceneDatabase();
  std::FILE* file = Platform::OpenFile(path, "rb");
  if (file == nullptr) {
    Refuse(path, "cannot be opened");
    return false;
  }
  SceneDatabaseState loaded;
  loaded.path = path;
  std::string problem;
  std::vector<uint8_t> bytes;
  long fileSize = FileSize(file);
  uint8_t raw[kDtmHeaderSize];
  if (fileSize < 0 || !ReadBlockAt(file, 0, raw, sizeof raw)) {
    problem = "no complete header";
  } else {
    DtmHeader& h = loaded.header;
    h.indexOffset = ReadU32(raw + 12);
    h.indexCount = ReadU32(raw + 16);
    h.imageBlockOffset = ReadU32(raw + 20);
    h.imageBlockSize = ReadU32(raw + 24);
    uint64_t total = static_cast<uint64_t>(fileSize);
    uint64_t indexBytes = static_cast<uint64_t>(h.indexCount) * kDtmIndexEntrySize;
    if (h.indexCount == 0) {
      problem = "empty scene index";
    } else if (!Fits(h.indexOffset, indexBytes, total)) {
      problem = "scene index runs past the end of the file";
    } else if (h.imageBlockSize < kDtmRecordHeaderSize || !Fits(h.imageBlockOffset, h.imageBlockSize, total)) {
      problem = "image block shorter than its header or past the end of the file";
    }
    if (problem.empty()) {
      bytes.resize(static_cast<std::size_t>(indexBytes));
      if (!ReadBlockAt(file, h.indexOffset, bytes.data(), bytes.size())) problem = "scene index cannot be read";
    }
    for (uint32_t i = 0; problem.empty() && i < h.indexCount; ++i) {
      const uint8_t* p = bytes.data() + static_cast<std::size_t>(i) * kDtmIndexEntrySize;
      DtmIndexEntry entry{ReadName(p), ReadU32(p + 24), ReadU32(p + 28)};
      if (!Fits(entry.offset, entry.size, total)) {
        problem =
            "scene \"" + entry.name + "\" at offset " + std::to_string(entry.offset) + " runs past the end of the file";
      }
      loaded.index.push_back(std::move(entry));
    }
    if (problem.empty()) {
      bytes.assign(h.imageBlockSize, 0);
      if (!ReadBlockAt(file, h.imageBlockOffset, bytes.data(), bytes.size()) ||
          !BuildImageTable(DtmBlock{bytes.data(), bytes.size()})) {
        problem = "image block at offset " + std::to_string(h.imageBlockOffset) + " is damaged";
      }
    }
  }
  std::fclose(file);
  if (!problem.empty()) {
    Refuse(path, problem);
    return false;
  }
  loaded.open = true;
  State() = std::move(loaded);
  LoadAllAnimDefs();
  return true;
}

void FreeSceneDatabase() {
  State() = SceneDatabaseState();
  FreeImageTable();
}

bool SceneDatabaseOpen() { return State().open; }

const std::string& SceneDatabasePath() { return State().path; }

const DtmHeader& SceneDatabaseHeader() { return State().header; }

const std::vector<DtmIndexEntry>& SceneIndex() { return State().index; }

const DtmIndexEntry* FindSceneEntry(const std::string& name) {
  for (const DtmIndexEntry& entry : State().index) {
    if (entry.name == name) return &entry;
  }
  return nullptr;
}

bool SceneExists(const std::string& name) { return FindSceneEntry(name) != nullptr; }

}  // namespace Kivo
