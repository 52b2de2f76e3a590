// Cursor handles: system shapes and converted monochrome planes.
#include "platform/Cursors.h"

#include <map>
#include <memory>
#include <mutex>
#include <set>

#include "platform/WindowSystem.h"

namespace {

struct CursorTable {
  std::mutex mutex;
  std::map<int, std::unique_ptr<Platform::CursorShape>> system;  // by IDC number
  std::set<Platform::CursorShape*> created;
  Platform::CursorShape* current = nullptr;
  bool currentSet = false;
};

CursorTable& Table() {
  static CursorTable* table = new CursorTable;
  return *table;
}

bool KnownSystemCursor(int id) {
  switch (id) {
    case 32512:
    case 32513:
    case 32514:
    case 32515:
    case 32642:
    case 32643:
    case 32644:
    case 32645:
    case 32646:
    case 32648:
    case 32649: return true;
    default: return false;
  }
}

Platform::CursorShape* ShapeOf(HCURSOR cursor) { return reinterpret_cast<Platform::CursorShape*>(cursor); }

bool IsLive(CursorTable& t, Platform::CursorShape* shape) {
  if (t.created.count(shape)) return true;
  for (auto& [id, s] : t.system)
    if (s.get() == shape) return true;
  return false;
}

}  // namespace

namespace Platform {

CursorImage ConvertCursorPlanes(const std::uint8_t* andPlane, const std::uint8_t* xorPlane, int width, int height,
                                int hotX, int hotY) {
  CursorImage image;
  image.width = width;
  image.height = height;
  image.hotX = hotX;
  image.hotY = hotY;
  int srcRow = ((width + 15) / 16) * 2;
  int dstRow = (width + 7) / 8;
  image.mask.assign(static_cast<size_t>(dstRow * height), 0);
  image.data.assign(static_cast<size_t>(dstRow * height), 0);
  for (int y = 0; y < height; ++y) {
    for (int i = 0; i < dstRow; ++i) {
      std::uint8_t a = andPlane[y * srcRow + i];
      std::uint8_t x = xorPlane[y * srcRow + i];
      std::uint8_t mask = static_cast<std::uint8_t>(~a);
      image.mask[static_cast<size_t>(y * dstRow + i)] = mask;
      image.data[static_cast<size_t>(y * dstRow + i)] = static_cast<std::uint8_t>(mask ^ x);
    }
  }
  // Bits past the width in the last byte of a row are not pixels.
  if (width % 8) {
    std::uint8_t keep = static_cast<std::uint8_t>(0xFF << (8 - width % 8));
    for (int y = 0; y < height; ++y) {
      image.mask[static_cast<size_t>(y * dstRow + dstRow - 1)] &= keep;
      image.data[static_cast<size_t>(y * dstRow + dstRow - 1)] &= keep;
    }
  }
  return image;
}

bool DescribeCursor(HCURSOR cursor, CursorShape* shape) {
  CursorTable& t = Table();
  std::lock_guard<std::mutex> lock(t.mutex);
  CursorShape* s = ShapeOf(cursor);
  if (!s || !IsLive(t, s)) return false;
  shape->systemId = s->systemId;
  shape->image = s->image;
  shape->hostCursor = nullptr;
  return true;
}

void ForgetHostCursors() {
  CursorTable& t = Table();
  std::lock_guard<std::mutex> lock(t.mutex);
  // The backend that made these objects is going away; it frees them itself.
  for (auto& [id, s] : t.system) s->hostCursor = nullptr;
  for (CursorShape* s : t.created) s->hostCursor = nullptr;
  t.current = nullptr;
  t.currentSet = false;
}

}  // namespace Platform

HCURSOR LoadCursorA(HINSTANCE, const char* name) {
  int id = static_cast<int>(reinterpret_cast<std::uintptr_t>(name));
  if (!KnownSystemCursor(id)) {
    SetLastError(1813);  // resource not found
    return nullptr;
  }
  CursorTable& t = Table();
  std::lock_guard<std::mutex> lock(t.mutex);
  auto& slot = t.system[id];
  if (!slot) {
    slot = std::make_unique<Platform::CursorShape>();
    slot->systemId = id;
  }
  return reinterpret_cast<HCURSOR>(slot.get());
}

HCURSOR CreateCursor(HINSTANCE, int hotX, int hotY, int width, int height, const void* andPlane, const void* xorPlane) {
  if (!andPlane || !xorPlane || width <= 0 || height <= 0 || width > 256 || height > 256 || hotX < 0 || hotY < 0 ||
      hotX >= width || hotY >= height) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  auto shape = new Platform::CursorShape;
  shape->image = Platform::ConvertCursorPlanes(static_cast<const std::uint8_t*>(andPlane),
                                               static_cast<const std::uint8_t*>(xorPlane), width, height, hotX, hotY);
  CursorTable& t = Table();
  std::lock_guard<std::mutex> lock(t.mutex);
  t.created.insert(shape);
  return reinterpret_cast<HCURSOR>(shape);
}

BOOL DestroyCursor(HCURSOR cursor) {
  Platform::CursorShape* shape = ShapeOf(cursor);
  {
    CursorTable& t = Table();
    std::lock_guard<std::mutex> lock(t.mutex);
    if (!t.created.count(shape)) return FALSE;  // system shapes are shared and stay
    t.created.erase(shape);
    if (t.current == shape) t.current = nullptr;
  }
  Platform::Backend& backend = Platform::ActiveBackend();
  if (shape->hostCursor) backend.ReleaseCursorShape(shape);
  delete shape;
  return TRUE;
}

HCURSOR SetCursor(HCURSOR cursor) {
  Platform::CursorShape* shape = ShapeOf(cursor);
  Platform::CursorShape* previous;
  {
    CursorTable& t = Table();
    std::lock_guard<std::mutex> lock(t.mutex);
    if (shape && !IsLive(t, shape)) return reinterpret_cast<HCURSOR>(t.current);
    previous = t.current;
    if (t.currentSet && previous == shape) return reinterpret_cast<HCURSOR>(previous);
    t.current = shape;
    t.currentSet = true;
  }
  Platform::ActiveBackend().SetCursorShape(shape);
  return reinterpret_cast<HCURSOR>(previous);
}

HCURSOR GetCursor() {
  CursorTable& t = Table();
  std::lock_guard<std::mutex> lock(t.mutex);
  return reinterpret_cast<HCURSOR>(t.current);
}
