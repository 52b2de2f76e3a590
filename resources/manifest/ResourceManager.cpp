// Reading the resource manifest into records, and the manager's error state.
// Loading, releasing and the getters are in ResourceManagerLoad.cpp.
#include "resources/manifest/ResourceManager.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <charconv>
#include <climits>
#include <cstdlib>

#include "image/ImageHost.h"
#include "image/MemoryImage.h"
#include "resources/XMLParser.h"
#include "shell/base/StringUtils.h"
#include "ui/FontData.h"

namespace Kivo {

namespace {

// strtol's reading, clamped to 32 bits: leading blanks and a sign, digits up
// to the first other character, 0 when there are none.
int32_t ReadInt(const std::string& text) {
  errno = 0;
  long value = std::strtol(text.c_str(), nullptr, 10);
  if (value > INT32_MAX) return INT32_MAX;
  if (value < INT32_MIN) return INT32_MIN;
  return static_cast<int32_t>(value);
}

// scanf's "%lf" without the locale: leading blanks, an optional sign, then a
// number; false (value untouched) when no number starts there.
bool ReadReal(const std::string& text, double* value) {
  size_t i = 0;
  while (i < text.size() && std::isspace(static_cast<unsigned char>(text[i]))) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
    negative = text[i] == '-';
    ++i;
  }
  // A second sign is not a number; from_chars would take a '-' here.
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) return false;
  double parsed = 0.0;
  const char* begin = text.data() + i;
  std::from_chars_result r = std::from_chars(begin, text.data() + text.size(), parsed);
  if (r.ptr == begin) return false;
  *value = negative ? -parsed : parsed;
  return true;
}

// "%d": as strtol, but the value stays when no digits start the text.
bool ReadIntScan(const std::string& text, int* value) {
  const char* start = text.c_str();
  char* end = nullptr;
  long parsed = std::strtol(start, &end, 10);
  if (end == start) return false;
  *value = static_cast<int>(std::clamp<long>(parsed, INT_MIN, INT_MAX));
  return true;
}

bool IsSeparator(char c) { return c == '\\' || c == '/'; }

std::string StripOneTrailingSeparator(std::string text) {
  if (!text.empty() && IsSeparator(text.back())) text.pop_back();
  return text;
}

// The file name of a path without its extension: after the last separator,
// up to its last '.'.
std::string FileStem(const std::string& path) {
  size_t slash = path.find_last_of("\\/");
  std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
  size_t dot = name.rfind('.');
  if (dot != std::string::npos) name.erase(dot);
  return name;
}

class Attributes {
 public:
  explicit Attributes(const XmlElementRecord& element) : mElement(element) {}
  bool Has(const wchar_t* name) const { return mElement.attributes.count(name) != 0; }
  // The narrowed value, empty when absent.
  std::string Get(const wchar_t* name) const {
    auto it = mElement.attributes.find(name);
    return it == mElement.attributes.end() ? std::string() : Narrow(it->second);
  }

 private:
  const XmlElementRecord& mElement;
};

}  // namespace

ResourceManager::ResourceManager(ResourceServices* app) : mApp(app) {}

// ---------------------------------------------------------------------------
// Error state.

bool ResourceManager::ReportError(const std::string& message) {
  std::lock_guard<std::mutex> guard(mLock);
  return ReportErrorLocked(message);
}

bool ResourceManager::ReportErrorLocked(const std::string& message) {
  if (mFailed) return false;
  mFailed = true;
  mError = message;
  if (mParser != nullptr) {
    if (mParser->GetLineNumber() > 0) mError += " on Line " + std::to_string(mParser->GetLineNumber());
    if (!mParser->GetSourcePath().empty()) mError += " in File '" + mParser->GetSourcePath() + "'";
  }
  return false;
}

std::string ResourceManager::ErrorText() const {
  std::lock_guard<std::mutex> guard(mLock);
  return mError;
}

bool ResourceManager::HasFailed() const {
  std::lock_guard<std::mutex> guard(mLock);
  return mFailed;
}

// ---------------------------------------------------------------------------
// The manifest.

bool ResourceManager::ReadManifest(const std::string& fileName) {
  std::unique_ptr<XMLParser> parser(new XMLParser());
  if (!parser->OpenFile(fileName)) {
    // Nothing is appended: there is no line, and the name is in the text.
    ReportError("Resource file not found: " + fileName);
    return false;
  }
  mParser = parser.get();

  // The first start element must be the root. End of input is not a parser
  // error, so the first failed read ends the search either way.
  XmlElementRecord element;
  bool found = false;
  while (mParser->ReadNextElement(&element)) {
    if (element.type == XmlElementRecord::TYPE_START) {
      found = true;
      break;
    }
  }
  if (mParser->IsInError()) ReportError(Narrow(mParser->GetErrorMessage()));
  if (!found || element.name != L"ResourceManifest") ReportError("Expecting ResourceManifest tag");

  bool result = ReadGroupSections();
  mParser = nullptr;
  return result;
}

bool ResourceManager::ReadGroupSections() {
  XmlElementRecord element;
  while (!mParser->IsInError()) {
    if (!mParser->ReadNextElement(&element)) break;
    if (element.type == XmlElementRecord::TYPE_START) {
      if (element.name != L"Resources") {
        ReportError("Invalid Section '" + Narrow(element.name) + "'");
        break;
      }
      std::string id = Attributes(element).Get(L"id");
      if (id.empty()) {
        ReportError("No id specified.");
        break;
      }
      mCurrentGroup = id;
      mCurrentList = &mGroups[id];
      if (!ReadGroupChildren()) break;
    } else if (element.type == XmlElementRecord::TYPE_TEXT) {
      ReportError("Element Not Expected '" + Narrow(element.name) + "'");
      break;
    }
  }
  if (mParser->IsInError()) ReportError(Narrow(mParser->GetErrorMessage()));
  mCurrentList = nullptr;
  return !HasFailed();
}

bool ResourceManager::ReadGroupChildren() {
  XmlElementRecord element;
  for (;;) {
    if (!mParser->ReadNextElement(&element)) return false;
    switch (element.type) {
      case XmlElementRecord::TYPE_START: {
        bool ok;
        if (element.name == L"Image")
          ok = ReadImageElement(element);
        else if (element.name == L"Sound")
          ok = ReadSoundElement(element);
        else if (element.name == L"Font")
          ok = ReadFontElement(element);
        else if (element.name == L"SetDefaults")
          ok = ReadDefaultsElement(element);
        else
          return ReportError("Invalid Section '" + Narrow(element.name) + "'");
        if (!ok) return false;
        if (!mParser->ReadNextElement(&element)) return false;
        if (element.type != XmlElementRecord::TYPE_END) return ReportError("Unexpected element found.");
        break;
      }
      case XmlElementRecord::TYPE_TEXT: return ReportError("Element Not Expected '" + Narrow(element.name) + "'");
      case XmlElementRecord::TYPE_END: return true;
      default: break;
    }
  }
}

bool ResourceManager::ReadCommonAttributes(const XmlElementRecord& element, BaseRes* record, ResMap& map) {
  Attributes attributes(element);
  std::string path = attributes.Get(L"path");
  if (path.empty()) return ReportError("No path specified.");
  if (path[0] == '!') {
    record->path = path;
    record->programSupplied = path == "!program";
  } else {
    record->path = mDefaultPath + path;
  }
  std::string id = attributes.Has(L"id") ? attributes.Get(L"id") : FileStem(record->path);
  record->id = mIdPrefix + id;
  record->group = mCurrentGroup;

  if (!map.emplace(record->id, record).second) return ReportError("Resource already defined.");
  if (mCurrentList != nullptr) mCurrentList->push_back(record);
  return true;
}

bool ResourceManager::ReadSoundElement(const XmlElementRecord& element) {
  SoundRes* record = new SoundRes(mApp);
  if (!ReadCommonAttributes(element, record, mSounds)) {
    delete record;
    return false;
  }
  Attributes attributes(element);
  if (attributes.Has(L"volume")) ReadReal(attributes.Get(L"volume"), &record->volume);
  if (attributes.Has(L"pan")) ReadIntScan(attributes.Get(L"pan"), &record->pan);
  return true;
}

bool ResourceManager::ReadImageElement(const XmlElementRecord& element) {
  ImageRes* record = new ImageRes(mApp);
  if (!ReadCommonAttributes(element, record, mImages)) {
    delete record;
    return false;
  }
  Attributes attributes(element);
  // The display's mode as it stands while the manifest is read decides the
  // mode-specific discards.
  const bool is3D = GetImageHost()->Is3DOn();
  if (attributes.Has(L"nopal")) record->palettize = false;
  if (attributes.Has(L"a4r4g4b4")) record->a4r4g4b4 = true;
  if (attributes.Has(L"a8r8g8b8")) record->a8r8g8b8 = true;
  if (attributes.Has(L"minsubdivide")) record->minsubdivide = true;
  if (attributes.Has(L"ddsurface")) record->ddsurface = true;
  if (attributes.Has(L"nobits")) record->nobits = true;
  if (attributes.Has(L"nobits3d") && is3D) record->nobits = true;
  if (attributes.Has(L"nobits2d") && !is3D) record->nobits = true;
  if (attributes.Has(L"alphaimage")) record->alphaImagePath = mDefaultPath + attributes.Get(L"alphaimage");
  if (attributes.Has(L"alphagrid")) record->alphaGridPath = mDefaultPath + attributes.Get(L"alphagrid");
  if (attributes.Has(L"alphacolor")) {
    std::string hex = attributes.Get(L"alphacolor");
    const char* start = hex.c_str();
    char* end = nullptr;
    unsigned long value = std::strtoul(start, &end, 16);
    if (end != start) record->alphaColor = static_cast<uint32_t>(value);
  }
  record->variant = attributes.Get(L"variant");
  // The cell size divides by these: fewer than one row or column is one.
  // No image has more cells on a side than pixels, so a larger count (which
  // an animation would turn into a frame list of that length) is cut there.
  if (attributes.Has(L"rows")) record->rows = std::clamp(ReadInt(attributes.Get(L"rows")), 1, kMaxImageSide);
  if (attributes.Has(L"cols")) record->cols = std::clamp(ReadInt(attributes.Get(L"cols")), 1, kMaxImageSide);

  if (attributes.Has(L"anim")) {
    std::string anim = ToLower(attributes.Get(L"anim"));
    if (anim == "none")
      record->animation.type = AnimationInfo::kNone;
    else if (anim == "once")
      record->animation.type = AnimationInfo::kOnce;
    else if (anim == "pingpong")
      record->animation.type = AnimationInfo::kPingPong;
    else if (anim == "loop")
      record->animation.type = AnimationInfo::kLoop;
    else
      return ReportError("Invalid animation type.");
  }
  if (record->animation.type != AnimationInfo::kNone) {
    int32_t beginDelay = 0;
    int32_t endDelay = 0;
    if (attributes.Has(L"framedelay")) record->animation.frameDelay = ReadInt(attributes.Get(L"framedelay"));
    if (attributes.Has(L"begindelay")) beginDelay = ReadInt(attributes.Get(L"begindelay"));
    if (attributes.Has(L"enddelay")) endDelay = ReadInt(attributes.Get(L"enddelay"));
    if (attributes.Has(L"perframedelay"))
      record->animation.frameDelays = ParseIntList(attributes.Get(L"perframedelay"));
    if (attributes.Has(L"framemap")) record->animation.frameMap = ParseIntList(attributes.Get(L"framemap"));
    record->animation.Setup(std::max(record->rows, record->cols), beginDelay, endDelay);
  }
  return true;
}

bool ResourceManager::ReadFontElement(const XmlElementRecord& element) {
  FontRes* record = new FontRes(mApp);
  if (!ReadCommonAttributes(element, record, mFonts)) {
    delete record;
    return false;
  }
  Attributes attributes(element);
  record->imagePath = attributes.Get(L"image");
  record->tags = attributes.Get(L"tags");
  if (record->path.compare(0, 5, "!sys:") == 0) {
    record->sysFont = true;
    record->path = record->path.substr(5);
    record->size = attributes.Has(L"size") ? ReadInt(attributes.Get(L"size")) : 0;
    if (record->size <= 0) return ReportError("SysFont needs point size");
    record->bold = attributes.Has(L"bold");
    record->italic = attributes.Has(L"italic");
    record->underline = attributes.Has(L"underline");
    record->shadow = attributes.Has(L"shadow");
  }
  return true;
}

bool ResourceManager::ReadDefaultsElement(const XmlElementRecord& element) {
  Attributes attributes(element);
  if (attributes.Has(L"path")) mDefaultPath = StripOneTrailingSeparator(attributes.Get(L"path")) + "/";
  if (attributes.Has(L"idprefix")) mIdPrefix = StripOneTrailingSeparator(attributes.Get(L"idprefix"));
  return true;
}

std::vector<int32_t> ResourceManager::ParseIntList(const std::string& text) {
  std::vector<int32_t> values;
  size_t start = 0;
  for (;;) {
    size_t comma = text.find(',', start);
    values.push_back(ReadInt(text.substr(start, comma == std::string::npos ? std::string::npos : comma - start)));
    if (comma == std::string::npos) break;
    start = comma + 1;
  }
  return values;
}

}  // namespace Kivo
