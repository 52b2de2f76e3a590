// Frames saved at named moments (GAME_FRAME_DUMP) and the PNG writer the
// backends share for saved frames.
#include "platform/FrameDump.h"

#include <png.h>

#include <deque>
#include <mutex>
#include <vector>

#include "platform/AtomicFile.h"
#include "platform/Environment.h"
#include "platform/TextLog.h"

namespace Platform {

namespace {

struct DumpQueue {
  std::mutex mutex;
  std::deque<std::string> names;
  std::function<bool(const std::string&)> keep;
};

DumpQueue& Queue() {
  static DumpQueue queue;
  return queue;
}

std::string DumpFolder() { return EnvironmentValue("GAME_FRAME_DUMP"); }

void WritePngBytes(png_structp png, png_bytep data, size_t length) {
  auto* file = static_cast<AtomicFileWriter*>(png_get_io_ptr(png));
  if (!file->Write(data, length)) png_error(png, "write failed");
}

void FlushPngBytes(png_structp) {}  // the save syncs the whole file at its end

bool WritePng(AtomicFileWriter& file, const std::uint32_t* pixels, int width, int height, int pitch) {
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  if (!png) return false;
  png_infop info = png_create_info_struct(png);
  std::vector<png_byte> row(static_cast<size_t>(width) * 4);
  if (!info || setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, info ? &info : nullptr);
    return false;
  }
  png_set_write_fn(png, &file, WritePngBytes, FlushPngBytes);
  png_set_IHDR(png, info, static_cast<png_uint_32>(width), static_cast<png_uint_32>(height), 8, PNG_COLOR_TYPE_RGBA,
               PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  png_write_info(png, info);
  for (int y = 0; y < height; ++y) {
    const std::uint32_t* source = pixels + static_cast<size_t>(y) * static_cast<size_t>(pitch);
    for (int x = 0; x < width; ++x) {
      std::uint32_t p = source[x];
      row[static_cast<size_t>(x) * 4 + 0] = static_cast<png_byte>(p >> 16);
      row[static_cast<size_t>(x) * 4 + 1] = static_cast<png_byte>(p >> 8);
      row[static_cast<size_t>(x) * 4 + 2] = static_cast<png_byte>(p);
      row[static_cast<size_t>(x) * 4 + 3] = static_cast<png_byte>(p >> 24);
    }
    png_write_row(png, row.data());
  }
  png_write_end(png, nullptr);
  png_destroy_write_struct(&png, &info);
  return true;
}

}  // namespace

bool FrameDumpWanted() { return !DumpFolder().empty(); }

void RequestFrameDump(const std::string& name) {
  if (!FrameDumpWanted()) return;
  std::string safe = name;
  for (char& c : safe) {
    const bool plain =
        (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' || c == '-';
    if (!plain) c = '_';
  }
  if (safe.empty()) safe = "_";
  DumpQueue& queue = Queue();
  std::function<bool(const std::string&)> keep;
  {
    std::lock_guard<std::mutex> lock(queue.mutex);
    keep = queue.keep;
  }
  // Asked outside the lock: the filter may look at the game.
  if (keep && !keep(safe)) return;
  std::lock_guard<std::mutex> lock(queue.mutex);
  queue.names.push_back(safe);
}

void SetFrameDumpFilter(std::function<bool(const std::string& name)> keep) {
  DumpQueue& queue = Queue();
  std::lock_guard<std::mutex> lock(queue.mutex);
  queue.keep = std::move(keep);
}

bool FrameDumpPending() {
  DumpQueue& queue = Queue();
  std::lock_guard<std::mutex> lock(queue.mutex);
  return !queue.names.empty();
}

std::string TakeFrameDumpRequest() {
  std::string name;
  {
    DumpQueue& queue = Queue();
    std::lock_guard<std::mutex> lock(queue.mutex);
    if (!queue.names.empty()) {
      name = queue.names.front();
      queue.names.pop_front();
    }
  }
  // Every present asks here, so the texts drawn since the last one are
  // this frame's.
  EndTextFrame(name);
  return name;
}

bool SaveFrameDump(const std::string& name, const std::uint32_t* pixels, int width, int height, int pitch) {
  const std::string folder = DumpFolder();
  if (folder.empty() || name.empty()) return false;
  MakeHostFolders(folder);
  const std::string path = folder + "/" + name + ".png";
  if (!WriteArgbPng(path, pixels, width, height, pitch)) {
    Log("frame dump: " + name + " not saved to " + path);
    return false;
  }
  Log("frame dump: " + name + " saved");
  return true;
}

bool WriteArgbPng(const std::string& path, const std::uint32_t* pixels, int width, int height, int pitch) {
  if (pixels == nullptr || width <= 0 || height <= 0 || pitch < width) return false;
  auto fill = [&](AtomicFileWriter& file) { return WritePng(file, pixels, width, height, pitch); };
  return ReplaceFile(path, fill).ok();
}

}  // namespace Platform
