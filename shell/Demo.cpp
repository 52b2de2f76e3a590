// The demo journal of the application object: recording every outside input
// into the demo buffer, writing and reading the demo file, replaying input
// events into the widget manager and answering journalled calls (registry,
// file reads, journalled bytes, display state) from the recording.
//
// Recording and playback must make the same journalled calls in the same
// order: a journal read takes the pending event whatever its code. What the
// reader never does is trust the file: counts and text lengths are checked
// against the bits left, unknown codes are refused, and either ends playback
// with "Invalid demo file." instead of reading garbage.
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "platform/AtomicFile.h"
#include "platform/Platform.h"
#include "shell/Demo.h"
#include "shell/KivoAppBase.h"
#include "shell/base/TwisterRandom.h"
#include "ui/WidgetManager.h"

namespace Kivo {

namespace {

// Reads a whole file through the platform file layer. False on any failure
// of the open, the seek, the tell or the read, and for files too large for
// a bit stream.
bool ReadWholeFile(const std::string& path, std::vector<uint8_t>* bytes, bool* opened) {
  *opened = false;
  std::FILE* file = Platform::OpenFile(path, "rb");
  if (file == nullptr) return false;
  *opened = true;
  bool ok = false;
  if (std::fseek(file, 0, SEEK_END) == 0) {
    long size = std::ftell(file);
    if (size >= 0 && static_cast<uint64_t>(size) <= kDemoMaxFileBytes && std::fseek(file, 0, SEEK_SET) == 0) {
      bytes->resize(static_cast<size_t>(size));
      ok = size == 0 || std::fread(bytes->data(), 1, bytes->size(), file) == bytes->size();
    }
  }
  std::fclose(file);
  if (!ok) bytes->clear();
  return ok;
}

// A little-endian reader over the bytes of a demo file.
class FileReader {
 public:
  explicit FileReader(const std::vector<uint8_t>& bytes) : mBytes(bytes) {}
  size_t Left() const { return mBytes.size() - position_; }
  size_t Position() const { return position_; }
  bool U16(uint32_t* value) { return Number(2, value); }
  bool U32(uint32_t* value) { return Number(4, value); }
  bool Bytes(size_t count, std::string* out) {
    if (count > Left()) return false;
    out->assign(reinterpret_cast<const char*>(mBytes.data()) + position_, count);
    position_ += count;
    return true;
  }

 private:
  bool Number(int size, uint32_t* value) {
    if (Left() < static_cast<size_t>(size)) return false;
    uint32_t result = 0;
    for (int i = 0; i < size; ++i) result |= uint32_t{mBytes[position_ + i]} << (8 * i);
    position_ += size;
    *value = result;
    return true;
  }
  const std::vector<uint8_t>& mBytes;
  size_t position_ = 0;
};

void PutU32LE(Platform::AtomicFileWriter& writer, uint32_t value) {
  uint8_t bytes[4] = {static_cast<uint8_t>(value), static_cast<uint8_t>(value >> 8), static_cast<uint8_t>(value >> 16),
                      static_cast<uint8_t>(value >> 24)};
  writer.Write(bytes, 4);
}

bool HasBits(const Buffer& buffer, int64_t bits) { return bits >= 0 && buffer.RemainingBits() >= bits; }

// Takes a text whose length is checked against the bytes left; false for a
// length the buffer cannot hold.
bool TakeCheckedText(Buffer& buffer, std::string* text) {
  if (!HasBits(buffer, 16)) return false;
  int32_t start = buffer.ReadPosition();
  uint32_t length = buffer.TakeU16();
  if (length > kDemoTextLimit || !HasBits(buffer, int64_t{length} * 8)) {
    buffer.SetReadPosition(start);
    return false;
  }
  buffer.SetReadPosition(start);
  *text = buffer.TakeText();
  return true;
}

}  // namespace

// --- Writing events. ---

void KivoAppBase::WriteDemoEventHeader() {
  int32_t now = mUpdateCount;
  while (static_cast<int64_t>(now) - mLastEventUpdate > 15) {
    mDemoBuffer.PutBits(15, 4);
    mLastEventUpdate += 15;
    mDemoBuffer.PutBits(0, 1);
    mDemoBuffer.PutBits(kDemoFiller, 5);
  }
  int32_t delta = now > mLastEventUpdate ? now - mLastEventUpdate : 0;
  mDemoBuffer.PutBits(static_cast<uint32_t>(delta), 4);
  mLastEventUpdate = now;
}

namespace {

void PutLongCode(Buffer& buffer, int code) {
  buffer.PutBits(0, 1);
  buffer.PutBits(static_cast<uint32_t>(code), 5);
}

}  // namespace

void KivoAppBase::RecordInputMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (!mRecording) return;
  Buffer& out = mDemoBuffer;
  HWND mainWindow = mMainWindow.load();
  if (message >= WM_MOUSEMOVE && message <= WM_MBUTTONUP) {
    // The logical position is recorded: playback always runs windowed, so a
    // window position of a full-screen recording would point elsewhere.
    int x = GET_X_LPARAM(lParam);
    int y = GET_Y_LPARAM(lParam);
    if (mWidgetManager != nullptr) mWidgetManager->WindowToLogical(&x, &y);
    int dx = x - mDemoMouseX.load();
    int dy = y - mDemoMouseY.load();
    if (std::abs(dx) < 32 && std::abs(dy) < 32) {
      if (dx != 0 || dy != 0) {
        WriteDemoEventHeader();
        out.PutBits(1, 1);
        out.PutBits(kDemoShortMove, 1);
        out.PutBits(static_cast<uint32_t>(dx), 6);
        out.PutBits(static_cast<uint32_t>(dy), 6);
      }
    } else {
      WriteDemoEventHeader();
      PutLongCode(out, kDemoPointerPosition);
      out.PutBits(static_cast<uint32_t>(x), 12);
      out.PutBits(static_cast<uint32_t>(y), 12);
      // Keep the position the replay will hold (12 bits, unsigned), so the
      // next relative move means the same on both sides.
      x &= 0xFFF;
      y &= 0xFFF;
    }
    int button = 0;
    bool down = false;
    switch (message) {
      case WM_LBUTTONDOWN:
        button = 1;
        down = true;
        break;
      case WM_LBUTTONUP: button = 1; break;
      case WM_LBUTTONDBLCLK:
        button = 2;
        down = true;
        break;
      case WM_RBUTTONDOWN:
        button = -1;
        down = true;
        break;
      case WM_RBUTTONUP: button = -1; break;
      case WM_RBUTTONDBLCLK:
        button = -2;
        down = true;
        break;
      case WM_MBUTTONDOWN:
        button = 3;
        down = true;
        break;
      case WM_MBUTTONUP: button = 3; break;
      default: break;
    }
    if (button != 0) {
      WriteDemoEventHeader();
      out.PutBits(1, 1);
      out.PutBits(kDemoShortButton, 1);
      out.PutBits(down ? 1 : 0, 1);
      out.PutBits(static_cast<uint32_t>(button), 3);
    }
    mDemoMouseX = x;
    mDemoMouseY = y;
    return;
  }
  switch (message) {
    case WM_ACTIVATEAPP:
      if (window != mainWindow) return;
      WriteDemoEventHeader();
      PutLongCode(out, kDemoActivation);
      out.PutBits(wParam != 0 ? 1 : 0, 1);
      return;
    case WM_SIZE:
      if (window != mainWindow) return;
      WriteDemoEventHeader();
      PutLongCode(out, kDemoMinimised);
      out.PutBool(wParam == SIZE_MINIMIZED);
      return;
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
    case WM_KEYUP:
    case WM_SYSKEYUP:
      WriteDemoEventHeader();
      PutLongCode(out, message == WM_KEYDOWN || message == WM_SYSKEYDOWN ? kDemoKeyDown : kDemoKeyUp);
      out.PutByte(static_cast<uint8_t>(wParam));
      return;
    case WM_CHAR:
      WriteDemoEventHeader();
      PutLongCode(out, kDemoCharacter);
      out.PutBits(1, 1);
      out.PutBits(static_cast<uint32_t>(wParam & 0xFFFFu), 16);
      return;
    case WM_CLOSE:
      if (window != mainWindow && window != mInvisibleWindow) return;
      WriteDemoEventHeader();
      PutLongCode(out, kDemoClose);
      return;
    case WM_MOUSEWHEEL: {
      int notches = static_cast<int16_t>(HIWORD(wParam)) / WHEEL_DELTA;
      WriteDemoEventHeader();
      PutLongCode(out, kDemoMouseWheel);
      out.PutByte(static_cast<uint8_t>(notches));
      return;
    }
    default: return;
  }
}

void KivoAppBase::RecordPointerInWindow(bool inside) {
  if (!mRecording || mShuttingDown) return;
  WriteDemoEventHeader();
  PutLongCode(mDemoBuffer, inside ? kDemoPointerEntered : kDemoPointerLeft);
}

void KivoAppBase::RecordLoaderFinished() {
  if (!mRecording) return;
  WriteDemoEventHeader();
  PutLongCode(mDemoBuffer, kDemoLoaderFinished);
}

// --- Reading events. ---

bool KivoAppBase::ReadDemoEventHeader() {
  if (mHeaderNeeded) {
    int need = 4 + 1 + 1;
    if (!HasBits(mDemoBuffer, need)) {
      // Only the spare bits of the last byte are left: the stream has ended.
      mDemoBuffer.SetReadPosition(mDemoBuffer.BitCount());
      return false;
    }
    uint32_t delta = mDemoBuffer.TakeBits(4);
    bool isShort = mDemoBuffer.TakeBits(1) != 0;
    if (!isShort && !HasBits(mDemoBuffer, 5)) {
      mDemoBuffer.SetReadPosition(mDemoBuffer.BitCount());
      return false;
    }
    mPendingShort = isShort;
    mPendingCode = static_cast<int32_t>(mDemoBuffer.TakeBits(isShort ? 1 : 5));
    mLastEventUpdate += static_cast<int32_t>(delta);
    mHeaderNeeded = false;
  }
  return mUpdateCount == mLastEventUpdate;
}

void KivoAppBase::FailCorruptDemo() {
  mPlaying = false;
  mDemoBuffer.SetReadPosition(mDemoBuffer.BitCount());
  ShowFatalErrorA(kDemoInvalidText);
  ExitProgram(0);
}

void KivoAppBase::ReplayDemoEvents() {
  WidgetManager* manager = mWidgetManager;
  while (mPlaying && !mShuttingDown && mUpdateCount == mLastEventUpdate && !mDemoBuffer.Exhausted()) {
    if (!ReadDemoEventHeader()) return;
    // A transfer's result belongs to the transfer, which takes it when it
    // polls; taken here, the transfer would never see it.
    if (!mPendingShort && mPendingCode == kDemoHttpResult) return;
    mHeaderNeeded = true;
    Buffer& in = mDemoBuffer;
    auto need = [&](int64_t bits) {
      if (HasBits(in, bits)) return true;
      FailCorruptDemo();
      return false;
    };
    // Skips count bytes after a 32-bit count, refusing counts beyond the end.
    auto skipCountedBytes = [&]() {
      if (!need(32)) return false;
      int64_t bits = int64_t{in.TakeU32()} * 8;
      if (!need(bits)) return false;
      in.SetReadPosition(static_cast<int32_t>(in.ReadPosition() + bits));
      return true;
    };
    if (mPendingShort) {
      if (mPendingCode == kDemoShortMove) {
        if (!need(12)) return;
        int dx = static_cast<int32_t>(in.TakeBits(6, true));
        int dy = static_cast<int32_t>(in.TakeBits(6, true));
        mDemoMouseX = mDemoMouseX.load() + dx;
        mDemoMouseY = mDemoMouseY.load() + dy;
        if (manager != nullptr) manager->OnMouseMove(mDemoMouseX, mDemoMouseY);
      } else {
        if (!need(4)) return;
        bool down = in.TakeBits(1) != 0;
        int button = static_cast<int32_t>(in.TakeBits(3, true));
        if (manager != nullptr) {
          // Live input moves the pointer to every button message's point
          // first, which finds what lies under a pointer that stood still
          // (a button that appeared beneath it); the replay must too.
          manager->OnMouseMove(mDemoMouseX, mDemoMouseY);
          if (down)
            manager->OnMouseDown(mDemoMouseX, mDemoMouseY, button);
          else
            manager->OnMouseUp(mDemoMouseX, mDemoMouseY, button);
        }
      }
      continue;
    }
    switch (mPendingCode) {
      case kDemoPointerPosition:
        if (!need(24)) return;
        mDemoMouseX = static_cast<int32_t>(in.TakeBits(12));
        mDemoMouseY = static_cast<int32_t>(in.TakeBits(12));
        if (manager != nullptr) manager->OnMouseMove(mDemoMouseX, mDemoMouseY);
        break;
      case kDemoActivation:
        if (!need(1)) return;
        mActive = in.TakeBits(1) != 0;
        UpdateFocusState();
        if (mActive && !mWindowed && manager != nullptr) manager->InvalidateTree();
        if (mBrowserLaunchPending && !mActive) OnBrowserLaunched(mPendingUrl);
        break;
      case kDemoMinimised: {
        if (!need(8)) return;
        bool minimised = in.TakeBool();
        if (!mShuttingDown && minimised != mMinimised) {
          mMinimised = minimised;
          if (minimised) {
            if (mMuteOnFocusLoss) MuteAudio(true);
          } else {
            if (mMuteOnFocusLoss) UnmuteAudio(true);
            if (manager != nullptr) manager->InvalidateTree();
          }
        }
        UpdateFocusState();
        break;
      }
      case kDemoKeyDown:
      case kDemoKeyUp: {
        if (!need(8)) return;
        int key = in.TakeByte();
        if (manager == nullptr) break;
        if (mPendingCode == kDemoKeyDown)
          manager->OnKeyDown(key);
        else
          manager->OnKeyUp(key);
        break;
      }
      case kDemoCharacter: {
        if (!need(1)) return;
        bool wide = in.TakeBits(1) != 0;
        if (!need(wide ? 16 : 8)) return;
        uint32_t c = in.TakeBits(wide ? 16 : 8);
        if (manager != nullptr) manager->OnKeyChar(static_cast<wchar_t>(c));
        break;
      }
      case kDemoClose: CloseAfterPresenting(); break;
      case kDemoPointerEntered:
        mPointerInWindow = true;
        RefreshCursor();
        break;
      case kDemoPointerLeft:
        if (manager != nullptr) manager->OnMouseExit(mDemoMouseX, mDemoMouseY);
        mPointerInWindow = false;
        RefreshCursor();
        break;
      case kDemoLoaderFinished: mDemoLoaderFinished = true; break;
      case kDemoMouseWheel:
        if (!need(8)) return;
        if (manager != nullptr)
          manager->OnMouseWheel(static_cast<int32_t>(in.TakeBits(8, true)));
        else
          in.TakeByte();
        break;
      case kDemoDisplayState:
        if (!need(16)) return;
        mWindowed = in.TakeBool();
        mRefreshRate = in.TakeByte();
        break;
      // Journal records this run did not ask for (a mode switch replays only
      // into the widgets): their payloads are skipped by layout so the events
      // after them still line up.
      case kDemoRegistryRead:
        if (!need(1)) return;
        if (in.TakeBits(1) != 0) {
          if (!need(32)) return;
          in.TakeU32();
          if (!skipCountedBytes()) return;
        }
        break;
      case kDemoRegistryWrite:
        if (!need(1)) return;
        in.TakeBits(1);
        break;
      case kDemoFileRead:
        if (!need(1)) return;
        if (in.TakeBits(1) != 0 && !skipCountedBytes()) return;
        break;
      case kDemoHttpResult: {
        if (!need(40)) return;
        in.TakeU32();
        in.TakeByte();
        std::string text;
        if (!TakeCheckedText(in, &text)) {
          FailCorruptDemo();
          return;
        }
        break;
      }
      case kDemoJournalBytes:
        if (!skipCountedBytes()) return;
        break;
      case kDemoFiller: break;
      default:
        // No recorder writes the other codes.
        FailCorruptDemo();
        return;
    }
  }
}

// --- Journalled results. ---

namespace {

// Playback: takes the pending record for a journalled call. False when the
// stream has nothing left for it.
bool TakeJournalRecord(KivoAppBase& app) {
  app.ReadDemoEventHeader();
  if (app.mHeaderNeeded) return false;  // no header left in the stream
  app.mHeaderNeeded = true;
  return true;
}

// Playback: a 32-bit count and that many bytes, both checked against the
// bits left. False (after ending playback) for a corrupt record.
bool TakeCountedBytes(KivoAppBase& app, std::vector<uint8_t>* bytes) {
  Buffer& in = app.mDemoBuffer;
  if (!HasBits(in, 32)) return false;
  uint32_t count = in.TakeU32();
  if (!HasBits(in, int64_t{count} * 8)) return false;
  bytes->resize(count);
  if (count > 0) in.TakeBlock(bytes->data(), count);
  return true;
}

}  // namespace

void KivoAppBase::JournalBytes(Buffer& data) {
  if (mPlaying) {
    if (mWindowClosed || !TakeJournalRecord(*this)) return;
    std::vector<uint8_t> bytes;
    if (!TakeCountedBytes(*this, &bytes)) {
      FailCorruptDemo();
      return;
    }
    data.Reset();
    data.PutBlock(bytes.data(), bytes.size());
    return;
  }
  if (!mRecording) return;
  WriteDemoEventHeader();
  PutLongCode(mDemoBuffer, kDemoJournalBytes);
  uint32_t size = static_cast<uint32_t>(data.ByteSize());
  mDemoBuffer.PutU32(size);
  if (size > 0) mDemoBuffer.PutBlock(data.Data(), size);
}

void KivoAppBase::JournalString(std::string& text) {
  if (!mRecording && !mPlaying) return;
  Buffer data;
  data.PutText(text.size() > kDemoTextLimit ? text.substr(0, kDemoTextLimit) : text);
  JournalBytes(data);
  data.Rewind();
  std::string taken;
  if (!TakeCheckedText(data, &taken)) {
    if (mPlaying) FailCorruptDemo();
    return;
  }
  text = taken;
}

void KivoAppBase::JournalBool(bool& flag) {
  if (!mRecording && !mPlaying) return;
  Buffer data;
  data.PutBool(flag);
  JournalBytes(data);
  data.Rewind();
  if (data.RemainingBits() < 8) {
    if (mPlaying) FailCorruptDemo();
    return;
  }
  flag = data.TakeBool();
}

bool KivoAppBase::LoadFileJournaled(const std::string& path, Buffer& data, bool unjournalled) {
  if (mPlaying && !unjournalled) {
    if (mWindowClosed || !TakeJournalRecord(*this)) return false;
    if (!HasBits(mDemoBuffer, 1)) {
      FailCorruptDemo();
      return false;
    }
    if (mDemoBuffer.TakeBits(1) == 0) return false;
    std::vector<uint8_t> bytes;
    if (!TakeCountedBytes(*this, &bytes)) {
      FailCorruptDemo();
      return false;
    }
    data.Reset();
    data.Assign(bytes.data(), bytes.size());
    return true;
  }
  bool journal = mRecording && !unjournalled;
  std::vector<uint8_t> bytes;
  bool opened = false;
  bool found = ReadWholeFile(path, &bytes, &opened);
  if (found) {
    data.Reset();
    found = data.Assign(bytes.data(), bytes.size());
  }
  if (journal) {
    WriteDemoEventHeader();
    PutLongCode(mDemoBuffer, kDemoFileRead);
    mDemoBuffer.PutBits(found ? 1 : 0, 1);
    if (found) {
      mDemoBuffer.PutU32(static_cast<uint32_t>(bytes.size()));
      if (!bytes.empty()) mDemoBuffer.PutBlock(bytes.data(), bytes.size());
    }
  }
  return found;
}

void KivoAppBase::JournalRegistryStore(bool stored) {
  if (!mRecording) return;
  WriteDemoEventHeader();
  PutLongCode(mDemoBuffer, kDemoRegistryWrite);
  mDemoBuffer.PutBits(stored ? 1 : 0, 1);
}

void KivoAppBase::JournalRegistryFetch(bool found, DWORD type, const uint8_t* data, DWORD size) {
  if (!mRecording) return;
  WriteDemoEventHeader();
  PutLongCode(mDemoBuffer, kDemoRegistryRead);
  mDemoBuffer.PutBits(found ? 1 : 0, 1);
  if (!found) return;
  mDemoBuffer.PutU32(type);
  mDemoBuffer.PutU32(size);
  if (size > 0 && data != nullptr) mDemoBuffer.PutBlock(data, size);
}

bool KivoAppBase::ReplayRegistryStore(bool* stored) {
  if (!TakeJournalRecord(*this)) return false;
  if (!HasBits(mDemoBuffer, 1)) {
    FailCorruptDemo();
    return false;
  }
  *stored = mDemoBuffer.TakeBits(1) != 0;
  return true;
}

bool KivoAppBase::ReplayRegistryFetch(DWORD* type, uint8_t* data, DWORD* size, bool* found) {
  if (!TakeJournalRecord(*this)) return false;
  *found = false;
  if (!HasBits(mDemoBuffer, 1)) {
    FailCorruptDemo();
    return false;
  }
  if (mDemoBuffer.TakeBits(1) == 0) return true;
  if (!HasBits(mDemoBuffer, 32)) {
    FailCorruptDemo();
    return false;
  }
  DWORD gotType = mDemoBuffer.TakeU32();
  std::vector<uint8_t> bytes;
  if (!TakeCountedBytes(*this, &bytes)) {
    FailCorruptDemo();
    return false;
  }
  // Compared with the room the caller passed in; a value that does not fit
  // writes nothing (its bytes are consumed all the same).
  if (bytes.size() > *size) return true;
  if (type != nullptr) *type = gotType;
  if (data != nullptr && !bytes.empty()) std::memcpy(data, bytes.data(), bytes.size());
  *size = static_cast<DWORD>(bytes.size());
  *found = true;
  return true;
}

void KivoAppBase::RecordDisplayInfo(int32_t) {
  if (mDisplay != nullptr) mRefreshRate = static_cast<int32_t>(mDisplay->refreshRate);
  if (!mRecording) return;
  WriteDemoEventHeader();
  PutLongCode(mDemoBuffer, kDemoDisplayState);
  mDemoBuffer.PutBool(mWindowed);
  mDemoBuffer.PutByte(static_cast<uint8_t>(mRefreshRate));
}

void KivoAppBase::ReadDisplayStateRecord() {
  if (!mPlaying || mWindowClosed || !TakeJournalRecord(*this)) return;
  if (!HasBits(mDemoBuffer, 16)) {
    FailCorruptDemo();
    return;
  }
  mWindowed = mDemoBuffer.TakeBool();
  mRefreshRate = mDemoBuffer.TakeByte();
}

// --- The file. ---

void KivoAppBase::WriteDemoFile() {
  if (!mRecording) return;
  // Saved atomically, so a crash while writing never leaves half a demo under
  // the real name.
  auto fill = [this](Platform::AtomicFileWriter& file) {
    PutU32LE(file, kDemoMagic);
    PutU32LE(file, kDemoVersion);
    PutU32LE(file, mRandomSeed);
    std::string version = mProductVersion.substr(0, kDemoVersionTextLimit);
    uint8_t length[2] = {static_cast<uint8_t>(version.size()), static_cast<uint8_t>(version.size() >> 8)};
    file.Write(length, 2);
    file.Write(version);
    Buffer markers;
    markers.PutU32(static_cast<uint32_t>(mMarkers.size()));
    for (const DemoMarker& marker : mMarkers) {
      markers.PutText(marker.name.substr(0, kDemoTextLimit));
      markers.PutU32(marker.updateCount);
    }
    PutU32LE(file, static_cast<uint32_t>(markers.ByteSize()));
    file.Write(markers.Data(), static_cast<size_t>(markers.ByteSize()));
    PutU32LE(file, static_cast<uint32_t>(mUpdateCount));
    if (mDemoBuffer.ByteSize() > 0) file.Write(mDemoBuffer.Data(), static_cast<size_t>(mDemoBuffer.ByteSize()));
    return true;
  };
  Platform::ReplaceFile(Platform::HostPath(mDemoFilePath), fill);
}

bool KivoAppBase::ReadDemoFile(std::string* error) {
  std::vector<uint8_t> bytes;
  bool opened = false;
  if (!ReadWholeFile(mDemoFilePath, &bytes, &opened)) {
    *error = opened ? kDemoInvalidText : kDemoNotFoundText + mDemoFilePath;
    return false;
  }
  FileReader file(bytes);
  auto invalid = [error] {
    *error = kDemoInvalidText;
    return false;
  };
  uint32_t magic = 0, version = 0, seed = 0, textLength = 0;
  if (!file.U32(&magic) || magic != kDemoMagic) return invalid();
  if (!file.U32(&version) || !file.U32(&seed) || !file.U16(&textLength)) return invalid();
  mRandomSeed = seed;
  SeedRandom(mRandomSeed);
  std::string text;
  if (!file.Bytes(textLength, &text)) return invalid();
  if (text != mProductVersion.substr(0, kDemoVersionTextLimit)) {
    *error = "This demo file appears to be for '" + text.substr(0, kDemoVersionTextLimit) + "'";
    return false;
  }
  std::list<DemoMarker> markers;
  if (version >= 2) {
    uint32_t blockSize = 0;
    if (!file.U32(&blockSize)) return invalid();
    // The final count (4 bytes) and at least one stream byte must follow.
    if (blockSize < 4 || uint64_t{blockSize} + 4 >= file.Left()) return invalid();
    std::string block;
    file.Bytes(blockSize, &block);
    Buffer blockBits;
    blockBits.Assign(block.data(), block.size());
    uint32_t count = blockBits.TakeU32();
    while (markers.size() < count && blockBits.RemainingBits() > 0) {
      DemoMarker marker;
      if (!TakeCheckedText(blockBits, &marker.name) || blockBits.RemainingBits() < 32) return invalid();
      marker.updateCount = blockBits.TakeU32();
      markers.push_back(marker);
    }
    if (markers.size() < count) return invalid();
  }
  uint32_t finalCount = 0;
  if (!file.U32(&finalCount) || file.Left() == 0) return invalid();
  mDemoLength = static_cast<int32_t>(finalCount);
  mMarkers.splice(mMarkers.end(), markers);
  mDemoBuffer.Reset();
  mDemoBuffer.Assign(bytes.data() + file.Position(), file.Left());
  mDemoBuffer.Rewind();
  return true;
}

}  // namespace Kivo
