#include "image/ImageHost.h"

#include <atomic>

namespace Kivo {

namespace {

struct ClampTable {
  uint8_t entries[512];
  ClampTable() {
    for (int i = 0; i < 512; ++i) entries[i] = static_cast<uint8_t>(i < 256 ? i : 255);
  }
};

NullImageHost& QuietHost() {
  static NullImageHost host;
  return host;
}

std::atomic<ImageHost*>& InstalledHost() {
  static std::atomic<ImageHost*> host{nullptr};
  return host;
}

}  // namespace

const uint8_t* DefaultClampTable() {
  static const ClampTable table;
  return table.entries;
}

const uint8_t* ImageHost::GetClampTable() { return DefaultClampTable(); }

ImageHost* GetImageHost() {
  ImageHost* host = InstalledHost().load(std::memory_order_acquire);
  return host != nullptr ? host : &QuietHost();
}

ImageHost* SetImageHost(ImageHost* host) {
  ImageHost* previous = InstalledHost().exchange(host, std::memory_order_acq_rel);
  return previous != nullptr ? previous : &QuietHost();
}

}  // namespace Kivo
