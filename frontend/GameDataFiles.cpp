#include "frontend/GameDataFiles.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "engine/WholeFile.h"
#include "frontend/LittleEndian.h"

namespace Kivo {

bool ReadFilePrefix(const std::string& path, std::size_t limit, std::vector<std::uint8_t>& bytes) {
  bytes.clear();
  std::FILE* file = OpenDataFile(path, 1);
  if (file == nullptr) return false;
  std::uint8_t chunk[1 << 14];
  while (bytes.size() < limit) {
    std::size_t got = std::fread(chunk, 1, std::min(sizeof chunk, limit - bytes.size()), file);
    if (got == 0) break;
    bytes.insert(bytes.end(), chunk, chunk + got);
  }
  CloseDataFile(file);
  return true;
}

bool DataTable::LoadFile(const std::string& path) {
  Clear();
  std::vector<std::uint8_t> bytes;
  if (!ReadFilePrefix(path, kMaxGameDataBytes, bytes)) return false;
  LoadFromBytes(bytes.data(), bytes.size());
  return true;
}

void DataTable::LoadFromBytes(const std::uint8_t* data, std::size_t size) {
  records.assign(size / kDataRecordBytes, DataRecord{});
  for (std::size_t i = 0; i < records.size(); ++i) {
    std::memcpy(records[i].data(), data + kDataRecordBytes * i, kDataRecordBytes);
  }
}

bool HighScores::LoadFile(const std::string& path) {
  rows.assign(1, {});
  std::vector<std::uint8_t> bytes;
  if (!ReadFilePrefix(path, kMaxGameDataBytes, bytes)) return false;
  LoadFromBytes(bytes.data(), bytes.size());
  return true;
}

void HighScores::LoadFromBytes(const std::uint8_t* data, std::size_t size) {
  rows.assign(1, {});
  if (size < 4) return;
  std::size_t present = (size - 4) / kHighScoreRecordBytes;
  std::size_t count = std::min<std::size_t>(LoadU32(data), present);
  std::vector<HighScoreRecord>& row = rows[0];
  row.assign(count, HighScoreRecord{});
  for (std::size_t i = 0; i < count; ++i) {
    std::memcpy(row[i].data(), data + 4 + kHighScoreRecordBytes * i, kHighScoreRecordBytes);
  }
}

}  // namespace Kivo
