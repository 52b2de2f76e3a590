// The shared definition of a bitmap font: an ordered list of layers (glyph
// image, glyph table, metrics, colours, tags, point-size range), a character
// map and a default point size. It is built once, by running a font
// descriptor (the commands below, through DescParser) or by the legacy loader
// (LegacyFont.cpp), and then shared by reference count among the image fonts
// made from it.
//
// Once loaded the data is read-only: look-ups never insert (a character
// without a glyph reads one shared zero glyph) and the rectangles a font
// draws from live in that font, so fonts on several threads may share one
// FontData while each prepares and draws its own layers.
//
// Failures: each descriptor error shows one fatal-error box through the host
// ("Font Descriptor Error in <file>\r\n<message> on Line <n>:\r\n\r\n<command>")
// and the first failing command leaves the data not initialised.
#pragma once

#include <atomic>
#include <cstdint>
#include <deque>
#include <map>
#include <string>
#include <vector>

#include "image/SharedImage.h"
#include "shell/base/Color.h"
#include "shell/base/Rect.h"
#include "ui/DescParser.h"

namespace Kivo {

class MemoryImage;

// What font loading needs of the application object. The application
// implements it; programs without one use StandaloneFontHost.
class FontHost {
 public:
  virtual ~FontHost() = default;
  // Shows the text in a fatal-error box and returns; never ends the program.
  virtual void ShowFatalErrorA(const std::string& message) = 0;
  // Finds or loads the shared image of (file, variant); isNew tells whether
  // this call created the entry. A failed load gives a handle without image.
  virtual SharedImageHandle FindOrCreateSharedImage(const std::string& file, const std::string& variant,
                                                    bool* isNew) = 0;
};

// A host for tools and tests: images are read with the image readers and
// kept for the host's lifetime, keyed by the upper-cased path, so fonts
// loaded through it must not outlive it; errors go to a system message box
// titled "FATAL ERROR" (logged when headless).
class StandaloneFontHost : public FontHost {
 public:
  StandaloneFontHost();
  ~StandaloneFontHost() override;
  StandaloneFontHost(const StandaloneFontHost&) = delete;
  StandaloneFontHost& operator=(const StandaloneFontHost&) = delete;

  void ShowFatalErrorA(const std::string& message) override;
  SharedImageHandle FindOrCreateSharedImage(const std::string& file, const std::string& variant, bool* isNew) override;

  // Every message shown, in order.
  const std::vector<std::string>& Messages() const { return mMessages; }

 private:
  std::map<std::string, SharedImageEntry*> mImages;
  std::vector<std::string> mMessages;
};

struct FontGlyph {
  Rect imageRect;  // where the glyph lies in its layer's image
  int32_t offsetX = 0;
  int32_t offsetY = 0;
  std::map<wchar_t, int32_t> kerning;  // extra advance when the key follows
  int32_t width = 0;                   // pen advance
  int32_t order = 0;                   // added to the layer's base order

  int32_t GetKerning(wchar_t following) const {
    auto it = kerning.find(following);
    return it == kerning.end() ? 0 : it->second;
  }
};

class FontData;

struct FontLayer {
  FontData* owner = nullptr;
  std::vector<std::wstring> requiredTags;  // upper-cased
  std::vector<std::wstring> excludedTags;  // upper-cased
  std::map<wchar_t, FontGlyph> glyphs;
  Color colorMult = Color(255, 255, 255, 255);
  Color colorAdd = Color(0, 0, 0, 0);
  SharedImageHandle image;
  int32_t drawMode = -1;  // -1 keeps the drawing context's mode
  int32_t offsetX = 0;
  int32_t offsetY = 0;
  int32_t spacing = 0;
  int32_t minPointSize = -1;
  int32_t maxPointSize = -1;  // -1: no upper bound
  int32_t pointSize = 0;      // 0: glyphs follow the font's scale only
  int32_t ascent = 0;
  int32_t ascentPadding = 0;
  int32_t height = 0;  // 0: use defaultHeight
  int32_t defaultHeight = 0;
  int32_t lineSpacingOffset = 0;
  int32_t baseOrder = 0;

  // The glyph of c, or the shared zero glyph; never inserts.
  const FontGlyph& Glyph(wchar_t c) const;
  // Inserts when missing: only while loading.
  FontGlyph& GlyphForWrite(wchar_t c) { return glyphs[c]; }
};

class FontData : public DescParser {
 public:
  FontData();
  ~FontData() override;

  // Shows the message with the error header, the line and the command
  // through the host; nothing without a host. Always false.
  bool Error(const std::string& message) override;
  bool HandleCommand(ListDataElement& command) override;

  void AddRef();
  void Release();  // deletes the data at 0

  // The character the text character draws as; 0 (no glyph) when unmapped.
  wchar_t MapChar(wchar_t c) const;

  // Runs a descriptor once. False, changing nothing, when already
  // initialised; otherwise true whatever the load gave: test IsInitialised.
  bool LoadDescriptor(FontHost* host, const std::string& fileName);
  // The legacy pair: an image strip (not owned) and a widths file. False
  // when already initialised, when the file does not open or holds fewer
  // than the two header numbers.
  bool LoadLegacy(MemoryImage* image, const std::string& widthsFile);

  bool IsInitialised() const { return mInitialised; }
  int32_t GetDefaultPointSize() const { return mDefaultPointSize; }
  const std::deque<FontLayer>& Layers() const { return mLayers; }
  const FontLayer* FindLayer(const std::wstring& name) const;
  const std::string& GetDescriptorPath() const { return mDescriptorPath; }
  const std::map<wchar_t, wchar_t>& CharMap() const { return mCharMap; }
  FontHost* GetHost() const { return mHost; }

  bool LookUpLayer(const DataElement* element, FontLayer*& out);
  bool ParseColor(const DataElement* element, Color& out);

 private:
  friend struct FontCommands;  // the descriptor commands
  FontLayer& AppendLayer(const std::wstring& upperName, const FontLayer* from);

  bool mInitialised = false;
  std::atomic<int32_t> mRefCount{0};
  FontHost* mHost = nullptr;
  int32_t mDefaultPointSize = 0;
  std::map<wchar_t, wchar_t> mCharMap;
  std::deque<FontLayer> mLayers;  // appended to only: addresses stay
  std::map<std::wstring, FontLayer*> mLayerNames;
  std::string mDescriptorPath;
  std::string mErrorHeader;
};

}  // namespace Kivo
