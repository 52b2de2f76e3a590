// Live constant editing: marked constants found in the program's memory and
// re-read from their changed source files.
//
// A marked constant leaves a marker record in the program's data:
//   offset 0   1 byte   not-attached flag, non-zero until storage is attached
//   offset 1   4 bytes  1-based index of its value record, little-endian
//   offset 5  10 bytes  the marker text "KIVOMODVAL"
//   offset 15           source path, ordinal, ',', line, zero byte
// (an address does not fit the 4 bytes on a 64-bit host, so the slot holds an
// index into the process's table of value records).
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <string>

namespace Kivo {

constexpr size_t kMarkerSlotOffset = 1;
constexpr size_t kMarkerTextOffset = 5;
constexpr size_t kMarkerTextLength = 10;
constexpr size_t kMarkerSuffixOffset = kMarkerTextOffset + kMarkerTextLength;

// Where the running code reads a marked constant; allocated when storage is
// attached and kept to the end of the process.
struct LiveValue {
  uint8_t mUpdated = 0;  // 1 once a re-read stored a value
  int32_t mInt = 0;
  double mDouble = 0.0;
  std::string mText;
};

struct LiveMarker {
  unsigned char* mRecord = nullptr;
  int32_t mLine = 0;
};

struct LiveSourceFile {
  bool mActive = false;                    // a value of this file was registered
  std::map<int32_t, LiveMarker> mMarkers;  // by ordinal
};

using LiveRegistry = std::map<std::string, LiveSourceFile>;

// The value record a marker record is attached to, or null.
LiveValue* AttachedLiveValue(const unsigned char* record);

// The registry of marked source files and the re-read. The process has one
// (LiveConstants()); tests make their own.
class LiveConstantEditor {
 public:
  // `programFile`'s modification time starts the time stamp.
  explicit LiveConstantEditor(std::string programFile);

  // Alt+R: re-reads every active file; true when at least one had changed
  // and all were read without error. Failures and the "no change" warning
  // are owner-less message boxes.
  bool Reparse();
  // The first use of a marked constant: its file becomes active and storage
  // is attached.
  LiveValue* Register(unsigned char* record);
  // Registers the markers of the program's own image, run by run, up to the
  // first run holding any.
  void ScanImageMemory();
  // Registers the markers in [start, start + length); true when any.
  bool ScanForMarkers(const unsigned char* start, size_t length);

  const LiveRegistry& Registry() const { return mRegistry; }
  int64_t TimeStamp() const { return mTimeStamp; }

 private:
  bool ScanBytes(const unsigned char* bytes, size_t length, uintptr_t origin);
  bool ReparseFile(const std::string& path, const LiveSourceFile& file);

  std::string mProgramFile;
  LiveRegistry mRegistry;
  int64_t mTimeStamp = 0;
  bool mScanned = false;
};

// The process's editor, made on first use for the running program's file.
LiveConstantEditor& LiveConstants();
const LiveRegistry& LiveValueRegistry();

bool ReparseLiveValues();
LiveValue* RegisterLiveValue(unsigned char* record);
// Allocates a value record and writes the record's flag (0) and slot, making
// the bytes writable for the moment.
LiveValue* AttachValueStorage(unsigned char* record);
void ScanImageMemory();
bool ScanForMarkers(const unsigned char* start, size_t length);

}  // namespace Kivo
