// Marker scanning, value storage and the re-read of marked source files.
#include "diagnostics/LiveConstants.h"

#include <cstdio>
#include <cstring>
#include <deque>
#include <vector>

#include "diagnostics/LiveValueParsers.h"
#include "platform/Dialogs.h"
#include "platform/Files.h"
#include "platform/MemoryRegions.h"
#include "platform/Process.h"
#include "shell/base/Paths.h"
#include "shell/base/StringUtils.h"

namespace Kivo {

namespace {

// Source files larger than this are not marked sources.
constexpr long kMaxSourceBytes = 64L * 1024 * 1024;

std::deque<LiveValue>& ValueTable() {
  static std::deque<LiveValue> table;
  return table;
}

// The marker text, put together at run time so that the scanner's own copy
// is not a literal the compiler could place next to suffix-like bytes.
const unsigned char* MarkerText() {
  static const std::string text = std::string("KIVO") + "MODVAL";
  return reinterpret_cast<const unsigned char*>(text.data());
}

// Reads the program's own mapped bytes. Sanitizers must not check these
// reads: the image holds the padding they keep around globals.
__attribute__((no_sanitize("address"))) void CopyImageBytes(unsigned char* out, uintptr_t from, size_t length) {
  const volatile unsigned char* source = reinterpret_cast<const volatile unsigned char*>(from);
  for (size_t i = 0; i < length; ++i) out[i] = source[i];
}

// Writes one byte of a record that may lie in read-only pages, byte by byte
// so that a record across two pages keeps each page's own protection.
bool WriteRecordByte(unsigned char* at, unsigned char value) {
  DWORD previous = 0;
  if (!VirtualProtect(at, 1, PAGE_READWRITE, &previous)) return false;
  *at = value;
  DWORD ignored = 0;
  VirtualProtect(at, 1, previous, &ignored);
  return true;
}

bool ReadSource(const std::string& path, std::string& out) {
  std::FILE* file = Platform::OpenFile(path, "rb");
  if (!file) return false;
  bool ok = std::fseek(file, 0, SEEK_END) == 0;
  const long size = ok ? std::ftell(file) : -1;
  ok = ok && size >= 0 && size <= kMaxSourceBytes && std::fseek(file, 0, SEEK_SET) == 0;
  if (ok) {
    out.resize(static_cast<size_t>(size));
    ok = std::fread(out.data(), 1, out.size(), file) == out.size();
  }
  std::fclose(file);
  return ok;
}

}  // namespace

LiveValue* AttachedLiveValue(const unsigned char* record) {
  if (!record || record[0] != 0) return nullptr;
  uint32_t index = 0;
  for (size_t i = 0; i < 4; ++i) index |= static_cast<uint32_t>(record[kMarkerSlotOffset + i]) << (8 * i);
  std::deque<LiveValue>& table = ValueTable();
  if (index == 0 || index > table.size()) return nullptr;
  return &table[index - 1];
}

LiveValue* AttachValueStorage(unsigned char* record) {
  std::deque<LiveValue>& table = ValueTable();
  table.emplace_back();
  const uint32_t index = static_cast<uint32_t>(table.size());
  for (size_t i = 0; i < 4; ++i)
    if (!WriteRecordByte(record + kMarkerSlotOffset + i, static_cast<unsigned char>(index >> (8 * i))))
      return &table.back();
  WriteRecordByte(record, 0);
  return &table.back();
}

LiveConstantEditor::LiveConstantEditor(std::string programFile) : mProgramFile(std::move(programFile)) {}

LiveValue* LiveConstantEditor::Register(unsigned char* record) {
  std::string path(reinterpret_cast<const char*>(record + kMarkerSuffixOffset));
  int32_t ordinal = 0;
  int32_t line = 0;
  if (SplitLineSuffix(path, ordinal, line)) mRegistry[path].mActive = true;
  return AttachValueStorage(record);
}

bool LiveConstantEditor::ScanBytes(const unsigned char* bytes, size_t length, uintptr_t origin) {
  const unsigned char* marker = MarkerText();
  bool found = false;
  size_t pos = 0;
  while (pos + kMarkerTextLength <= length) {
    const void* hit = std::memchr(bytes + pos, marker[0], length - kMarkerTextLength + 1 - pos);
    if (!hit) break;
    const size_t at = static_cast<size_t>(static_cast<const unsigned char*>(hit) - bytes);
    pos = at + 1;
    if (std::memcmp(bytes + at, marker, kMarkerTextLength) != 0) continue;
    // The record starts 5 bytes before its marker text and its suffix ends
    // at a zero byte: both must lie inside the run.
    if (at < kMarkerTextOffset) continue;
    const size_t textStart = at + kMarkerTextLength;
    const void* zero = std::memchr(bytes + textStart, 0, length - textStart);
    if (!zero) continue;
    std::string text(reinterpret_cast<const char*>(bytes + textStart),
                     static_cast<const unsigned char*>(zero) - (bytes + textStart));
    int32_t ordinal = 0;
    int32_t line = 0;
    if (!SplitLineSuffix(text, ordinal, line)) continue;
    mRegistry[text].mMarkers[ordinal] =
        LiveMarker{reinterpret_cast<unsigned char*>(origin + at - kMarkerTextOffset), line};
    found = true;
  }
  return found;
}

bool LiveConstantEditor::ScanForMarkers(const unsigned char* start, size_t length) {
  return ScanBytes(start, length, reinterpret_cast<uintptr_t>(start));
}

void LiveConstantEditor::ScanImageMemory() {
  std::vector<unsigned char> copy;
  for (const Platform::MemoryRun& run : Platform::ImageRegions()) {
    const size_t length = run.end - run.begin;
    copy.resize(length);
    CopyImageBytes(copy.data(), run.begin, length);
    if (ScanBytes(copy.data(), length, run.begin)) break;
  }
}

bool LiveConstantEditor::ReparseFile(const std::string& path, const LiveSourceFile& file) {
  std::string source;
  if (!ReadSource(path, source)) {
    MessageBoxA(nullptr, ("ERROR: Unable to open " + path + " for reparsing.").c_str(), "MODVAL ERROR!", MB_ICONERROR);
    return false;
  }
  std::vector<unsigned char*> records;
  std::vector<int32_t> lines;
  for (const auto& entry : file.mMarkers) {
    records.push_back(entry.second.mRecord);
    lines.push_back(entry.second.mLine);
  }
  const std::string error = ReadMarkedCalls(source, path, lines, [&](size_t index, const ParsedLiveValue& parsed) {
    unsigned char* record = records[index];
    if (record[0] != 0) Register(record);
    if (LiveValue* value = AttachedLiveValue(record)) {
      value->mInt = parsed.mInt;
      value->mDouble = parsed.mDouble;
      value->mText = parsed.mText;
      value->mUpdated = 1;
    }
  });
  if (error.empty()) return true;
  MessageBoxA(nullptr, error.c_str(), "MODVAL ERROR", MB_ICONERROR);
  return false;
}

bool LiveConstantEditor::Reparse() {
  if (!mScanned) {
    mScanned = true;
    mTimeStamp = FileModifiedTime(mProgramFile);
    ScanImageMemory();
  }
  bool changed = false;
  std::string parsed;
  // Registering a value on the way may activate files, so walk a copy of
  // the paths taken now.
  std::vector<std::string> paths;
  for (const auto& entry : mRegistry)
    if (entry.second.mActive) paths.push_back(entry.first);
  for (const std::string& path : paths) {
    const int64_t modified = FileModifiedTime(path);
    if (modified > mTimeStamp) {
      mTimeStamp = modified;
      changed = true;
    }
    if (!parsed.empty()) parsed += "\r\n  ";
    parsed += path;
    if (!ReparseFile(path, mRegistry[path])) return false;
  }
  if (!changed) {
    const std::string text =
        "WARNING: No file changes detected.  Files parsed: \r\n  " + (parsed.empty() ? std::string("none") : parsed);
    MessageBoxA(nullptr, text.c_str(), "MODVAL WARNING!", MB_ICONEXCLAMATION);
    return false;
  }
  return true;
}

LiveConstantEditor& LiveConstants() {
  static LiveConstantEditor editor(Platform::ExecutablePath());
  return editor;
}

const LiveRegistry& LiveValueRegistry() { return LiveConstants().Registry(); }

bool ReparseLiveValues() { return LiveConstants().Reparse(); }
LiveValue* RegisterLiveValue(unsigned char* record) { return LiveConstants().Register(record); }
void ScanImageMemory() { LiveConstants().ScanImageMemory(); }
bool ScanForMarkers(const unsigned char* start, size_t length) { return LiveConstants().ScanForMarkers(start, length); }

}  // namespace Kivo
