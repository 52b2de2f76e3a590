// The two data files the game reads once at start-up and never consults:
// "data.dat" (32-byte records) and "highscore.dat" (u32 count, then 24-byte
// records, little-endian). They are read from the working folder.
//
// Limits: at most kMaxGameDataBytes of either file is read; only the whole
// records present are kept, whatever a count claims. A missing file gives
// an empty table.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace Kivo {

constexpr std::size_t kMaxGameDataBytes = 4u * 1024u * 1024u;
constexpr std::size_t kDataRecordBytes = 32;
constexpr std::size_t kHighScoreRecordBytes = 24;

using DataRecord = std::array<std::uint8_t, kDataRecordBytes>;
using HighScoreRecord = std::array<std::uint8_t, kHighScoreRecordBytes>;

struct DataTable {
  std::vector<DataRecord> records;

  bool LoadFile(const std::string& path);
  void LoadFromBytes(const std::uint8_t* data, std::size_t size);
  void Clear() { records.clear(); }
};

// Always one row, empty when the file is missing or its count is 0.
struct HighScores {
  std::vector<std::vector<HighScoreRecord>> rows{1};

  bool LoadFile(const std::string& path);
  void LoadFromBytes(const std::uint8_t* data, std::size_t size);
};

// Up to `limit` bytes of the file; false when it cannot be opened.
bool ReadFilePrefix(const std::string& path, std::size_t limit, std::vector<std::uint8_t>& bytes);

}  // namespace Kivo
