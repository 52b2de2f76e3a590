// Fixtures for the font tests: UTF-16LE descriptor files in the archive
// layer's memory files, a font host that serves images made in memory and
// records every error box, and a parser that records its commands.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "image/MemoryImage.h"
#include "image/SharedImage.h"
#include "resources/FileApi.h"
#include "ui/DescParser.h"
#include "ui/FontData.h"

namespace Kivo {
namespace test {

// Code points as UTF-16LE, surrogate pairs for those above U+FFFF.
inline std::vector<uint8_t> Utf16Le(const std::wstring& text, bool bom = true) {
  std::vector<uint8_t> out;
  auto unit = [&](uint32_t u) {
    out.push_back(static_cast<uint8_t>(u & 0xFF));
    out.push_back(static_cast<uint8_t>(u >> 8));
  };
  if (bom) unit(0xFEFF);
  for (wchar_t c : text) {
    uint32_t cp = static_cast<uint32_t>(c);
    if (cp >= 0x10000) {
      cp -= 0x10000;
      unit(0xD800 + (cp >> 10));
      unit(0xDC00 + (cp & 0x3FF));
    } else {
      unit(cp);
    }
  }
  return out;
}

// Stores the text as a memory file of the archive layer; returns the name.
inline std::string MemoryDescriptor(const std::string& name, const std::wstring& text, bool bom = true) {
  gPakInterface->AddMemoryFile(name, Utf16Le(text, bom));
  return name;
}

inline std::wstring W(const std::string& s) { return std::wstring(s.begin(), s.end()); }

// Images by name, made by the test; every error box recorded.
class MemoryFontHost : public FontHost {
 public:
  ~MemoryFontHost() override {
    for (auto& entry : mEntries) {
      delete entry.second->image;
      delete entry.second;
    }
  }
  // The host takes the image; later loads of name find it.
  void AddImage(const std::string& name, std::unique_ptr<MemoryImage> image) {
    auto* entry = new SharedImageEntry();
    entry->image = image.release();
    mEntries[name] = entry;
    mFresh[name] = true;
  }
  void ShowFatalErrorA(const std::string& message) override { messages.push_back(message); }
  SharedImageHandle FindOrCreateSharedImage(const std::string& file, const std::string&, bool* isNew) override {
    requested.push_back(file);
    auto it = mEntries.find(file);
    if (it == mEntries.end()) {
      auto* entry = new SharedImageEntry();
      mEntries[file] = entry;
      *isNew = true;
      return SharedImageHandle(entry);
    }
    *isNew = mFresh[file];
    mFresh[file] = false;
    return SharedImageHandle(it->second);
  }

  // The message part of each box: what follows the error header.
  std::vector<std::string> Messages() const {
    std::vector<std::string> out;
    for (const std::string& m : messages) {
      const size_t start = m.find("\r\n");
      std::string rest = start == std::string::npos ? m : m.substr(start + 2);
      const size_t line = rest.find(" on Line ");
      out.push_back(line == std::string::npos ? rest : rest.substr(0, line));
    }
    return out;
  }

  std::vector<std::string> messages;
  std::vector<std::string> requested;

 private:
  std::map<std::string, SharedImageEntry*> mEntries;
  std::map<std::string, bool> mFresh;
};

// An opaque image of w by h in one colour.
inline std::unique_ptr<MemoryImage> SolidImage(int w, int h, uint32_t argb) {
  auto image = std::make_unique<MemoryImage>();
  std::vector<uint32_t> pixels(static_cast<size_t>(w) * h, argb);
  image->SetBits(pixels.data(), w, h, true);
  return image;
}

}  // namespace test
}  // namespace Kivo
