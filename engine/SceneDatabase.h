// The scene database "data\data.dtm": every scene of the game (screens,
// dialogs, HUDs, levels and the configuration scene "Main") and the table of
// all images, in one plain binary file read with plain file calls from the
// working folder, never through the archive.
//
// Format (little-endian): a 28-byte header (12 reserved bytes, index offset,
// index count, image block offset, image block size); the index of 32-byte
// entries (24-byte zero-ended name, block offset, block size); per scene one
// record tree stored depth first, each record a 64-byte header (name,
// eight corner floats, type, property count, child count), its property
// pairs (u16 key length, u16 value length, key bytes, value bytes) and then
// its children; the image block is one record header whose property count
// is the pairs per entry and whose child count is the number of entries,
// followed by the entries' pairs.
//
// Limits: every count and length is checked against its block and the file
// size before it is used; names are at most 23 bytes (the 24th byte is never
// read as part of a name); keys and values end at their length or at a zero
// byte, whichever comes first; record trees nest at most kMaxRecordDepth
// deep.
// Failures: a file that cannot be opened or whose header, index or image
// block does not fit leaves the database closed (OpenSceneDatabase false)
// and logs one line; a damaged scene makes LoadScene fail with nothing
// appended. Nothing here throws or reads outside what it loaded.
//
// Threads: opened and freed on the main thread; the index is read-only in
// between, so scene loading and lookups may run on any thread.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace Kivo {

class PropertyList;
class sObj;

constexpr const char* kSceneDatabasePath = "data\\data.dtm";
constexpr std::size_t kDtmHeaderSize = 28;
constexpr std::size_t kDtmIndexEntrySize = 32;
constexpr std::size_t kDtmRecordHeaderSize = 64;
constexpr std::size_t kDtmNameSize = 24;
// A record tree deeper than this is refused as damaged.
constexpr int kMaxRecordDepth = 64;

struct DtmHeader {
  uint32_t indexOffset = 0;
  uint32_t indexCount = 0;
  uint32_t imageBlockOffset = 0;
  uint32_t imageBlockSize = 0;
};

struct DtmIndexEntry {
  std::string name;  // the bytes before the first zero, at most 23
  uint32_t offset = 0;
  uint32_t size = 0;
};

struct DtmRecordHeader {
  std::string name;
  float corners[8] = {};  // x0 y0 .. x3 y3: top left, top right, bottom right, bottom left
  uint32_t type = 0;
  uint16_t propertyCount = 0;
  uint16_t childCount = 0;
};

// A block of the file held in memory; every read below is bounded by it.
struct DtmBlock {
  const uint8_t* data = nullptr;
  std::size_t size = 0;
};

// The record header at `at`; false when its 64 bytes do not fit the block.
bool ParseRecordHeader(DtmBlock block, std::size_t at, DtmRecordHeader& header);

// Reads count pairs starting at `at`, appending each to `out` in file order
// and moving `at` past them. False, with `at` and any pairs already added
// left as they are, when a pair runs past the block.
bool ReadPropertyPairs(DtmBlock block, std::size_t& at, uint32_t count, PropertyList& out);

// Copies the record's corners into the object's base quad, recomputes its
// centre and appends its properties (which start at propertiesAt). The
// number of property bytes consumed, or -1 when a pair runs past the block
// (the object may then hold some of the pairs).
long ReadObjectRecord(sObj& object, const DtmRecordHeader& header, DtmBlock block, std::size_t propertiesAt);

// Seeks to offset and reads exactly n bytes into buffer. False for n = 0, a
// failed seek or fewer than n bytes (the end of the file came first).
bool ReadBlockAt(std::FILE* file, uint64_t offset, void* buffer, std::size_t n);

// Opens the database (header, index, image table), then loads every
// animation definition file. False, with nothing loaded, when the file
// cannot be read or its header, index or image block is damaged. A database
// opened before is freed first.
bool OpenSceneDatabase(const std::string& path = kSceneDatabasePath);
// Frees the index and deletes every loaded image of the image table.
void FreeSceneDatabase();
bool SceneDatabaseOpen();
// The path the open database was read from ("" when closed).
const std::string& SceneDatabasePath();
const DtmHeader& SceneDatabaseHeader();
const std::vector<DtmIndexEntry>& SceneIndex();

// The first index entry with exactly that name (case-sensitive, whole name),
// or null.
const DtmIndexEntry* FindSceneEntry(const std::string& name);
bool SceneExists(const std::string& name);

}  // namespace Kivo
