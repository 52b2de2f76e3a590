// The demo journal's file format and event codes, and the small pure helpers
// of the playback dialogs. The journal itself is part of the application
// object (KivoAppBase: ReadDemoFile, WriteDemoFile, ReplayDemoEvents, the
// Journal* and Record* operations), implemented in Demo.cpp and
// DemoDialogs.cpp.
//
// A demo file is little-endian: magic 0x42BEEF78, format version (2 when
// written), the random seed, a 16-bit length and the product version text,
// then (version 2 and later) a 32-bit size and a marker block, the final
// update count and the event stream. Events are bit-packed, least-significant
// bit first: a 4-bit update delta, a short flag, a 1-bit sub-code (short) or a
// 5-bit code (long), then the payload of the code.
//
// Reading fails with a clear message and never trusts a count from the file:
// every count and text length is checked against the bytes left before it is
// used. A stream that turns out corrupt while it plays ends playback with
// "Invalid demo file." and exit code 0.
#pragma once

#include <cstdint>
#include <string>

namespace Kivo {

constexpr uint32_t kDemoMagic = 0x42BEEF78u;
constexpr uint32_t kDemoVersion = 2;
// The reader takes at most this many bytes of the version text.
constexpr size_t kDemoVersionTextLimit = 255;
// Texts the journal writes are cut to this length: the bit stream's text
// length reads back signed, so longer texts would come back empty.
constexpr size_t kDemoTextLimit = 32767;
// The largest file the journal reads whole (the bit stream counts bits in 32
// bits).
constexpr uint64_t kDemoMaxFileBytes = (uint64_t{1} << 28) - 1;

// Long event codes; the short events are sub-codes 0 (move) and 1 (button).
enum DemoCode : int {
  kDemoPointerPosition = 0,
  kDemoActivation = 1,
  kDemoMinimised = 2,
  kDemoKeyDown = 3,
  kDemoKeyUp = 4,
  kDemoCharacter = 5,
  kDemoClose = 6,
  kDemoPointerEntered = 7,
  kDemoPointerLeft = 8,
  kDemoLoaderFinished = 9,
  kDemoRegistryRead = 11,
  kDemoRegistryWrite = 12,
  kDemoFileRead = 15,
  kDemoHttpResult = 17,
  kDemoJournalBytes = 18,
  kDemoMouseWheel = 21,
  kDemoDisplayState = 23,
  kDemoFiller = 31,
};

constexpr int kDemoShortMove = 0;
constexpr int kDemoShortButton = 1;

// The fixed error texts.
constexpr const char* kDemoInvalidText = "Invalid demo file.";
constexpr const char* kDemoNotFoundText = "Demo file not found: ";

// Jump To Time: the seconds a typed "h:m:s" text stands for, plus one. Each
// piece counts as its leading integer (0 when it has none); the result is
// saturated so any text gives a finite value.
int64_t ParseDemoJumpSeconds(const std::string& text);
// The update count a jump of the given seconds before the end lands on,
// never below 0.
int32_t DemoJumpTarget(int32_t demoLength, int64_t seconds, int32_t updateInterval);
// A marker line of the marker list: name, a blank and "(hh:mm:ss)" of the
// time before the end.
std::wstring DemoMarkerLine(const std::string& name, int64_t secondsBeforeEnd);

}  // namespace Kivo
