#include "ui/FontData.h"

#include <cstdint>
#include <memory>

#include "image/MemoryImage.h"
#include "platform/Dialogs.h"
#include "resources/ImageLib.h"
#include "shell/base/Paths.h"
#include "shell/base/StringUtils.h"
#include "ui/Graphics.h"

namespace Kivo {

namespace {

const FontGlyph kZeroGlyph{};

constexpr const char* kInvalidType = "Invalid Paramater Type";
constexpr const char* kSizeMismatch = "List Size Mismatch";

const std::wstring& TokenText(const DataElement* element) {
  return static_cast<const SingleDataElement*>(element)->mText;
}

}  // namespace

const FontGlyph& FontLayer::Glyph(wchar_t c) const {
  auto it = glyphs.find(c);
  return it == glyphs.end() ? kZeroGlyph : it->second;
}

// ---------------------------------------------------------------------------
// StandaloneFontHost

StandaloneFontHost::StandaloneFontHost() = default;

StandaloneFontHost::~StandaloneFontHost() {
  for (auto& entry : mImages) {
    delete entry.second->image;
    delete entry.second;
  }
}

void StandaloneFontHost::ShowFatalErrorA(const std::string& message) {
  mMessages.push_back(message);
  MessageBoxA(nullptr, message.c_str(), "FATAL ERROR", MB_OK | MB_ICONERROR);
}

SharedImageHandle StandaloneFontHost::FindOrCreateSharedImage(const std::string& file, const std::string& variant,
                                                              bool* isNew) {
  const std::string key = ToUpper(file) + '\n' + ToUpper(variant);
  auto it = mImages.find(key);
  const bool created = it == mImages.end();
  if (isNew != nullptr) *isNew = created;
  if (!created) return SharedImageHandle(it->second);
  auto* entry = new SharedImageEntry();
  mImages[key] = entry;
  if (!file.empty() && file[0] == '!') {
    entry->image = new MemoryImage();
  } else if (ImageLib::ImagePtr decoded = ImageLib::LoadImageFile(file, true)) {
    auto image = std::make_unique<MemoryImage>();
    if (image->SetBits(decoded->pixels.data(), decoded->width, decoded->height, false)) {
      image->path = file;
      entry->image = image.release();
    }
  }
  return SharedImageHandle(entry);
}

// ---------------------------------------------------------------------------
// FontData

FontData::FontData() = default;

FontData::~FontData() = default;

void FontData::AddRef() { mRefCount.fetch_add(1, std::memory_order_relaxed); }

void FontData::Release() {
  if (mRefCount.fetch_sub(1, std::memory_order_acq_rel) == 1) delete this;
}

wchar_t FontData::MapChar(wchar_t c) const {
  auto it = mCharMap.find(c);
  return it == mCharMap.end() ? 0 : it->second;
}

const FontLayer* FontData::FindLayer(const std::wstring& name) const {
  auto it = mLayerNames.find(ToUpperWide(name));
  return it == mLayerNames.end() ? nullptr : it->second;
}

bool FontData::LoadDescriptor(FontHost* host, const std::string& fileName) {
  if (mInitialised) return false;
  mHost = host;
  mCommandText.clear();
  mErrorHeader = "Font Descriptor Error in " + fileName + "\r\n";
  mDescriptorPath = fileName;
  mInitialised = DescParser::LoadDescriptor(fileName);
  ClearDefines();
  return true;
}

bool FontData::Error(const std::string& message) {
  if (mHost == nullptr) return false;
  std::string text = mErrorHeader + message;
  if (!mCommandText.empty()) {
    text += " on Line " + FormatText("%d:\r\n\r\n", mLineNumber) + Narrow(mCommandText);
  }
  mHost->ShowFatalErrorA(text);
  return false;
}

FontLayer& FontData::AppendLayer(const std::wstring& upperName, const FontLayer* from) {
  if (from != nullptr) {
    FontLayer copy = *from;
    mLayers.push_back(std::move(copy));
  } else {
    mLayers.emplace_back();
  }
  FontLayer& layer = mLayers.back();
  layer.owner = this;
  if (mLayerNames.count(upperName) != 0) {
    // The new layer stays, unnamed; the command still succeeds.
    Error("Layer Already Exists");
  } else {
    mLayerNames[upperName] = &layer;
  }
  return layer;
}

bool FontData::LookUpLayer(const DataElement* element, FontLayer*& out) {
  out = nullptr;
  if (element == nullptr || element->IsList()) return false;
  auto it = mLayerNames.find(ToUpperWide(TokenText(element)));
  if (it == mLayerNames.end()) return Error("Undefined Layer");
  out = it->second;
  return true;
}

bool FontData::ParseColor(const DataElement* element, Color& out) {
  if (element == nullptr) return false;
  if (!element->IsList()) {
    int32_t packed;
    if (!ParseIntWide(TokenText(element), packed)) return false;
    out = Color(static_cast<uint32_t>(packed));
    return true;
  }
  std::vector<double> reals;
  if (!GetDoubleVector(element, reals) || reals.size() != 4) return false;
  // Unclamped on purpose: 1.5 gives 382. Drawing clamps the final colour.
  out = Color(TruncateToInt(reals[0] * 255.0), TruncateToInt(reals[1] * 255.0), TruncateToInt(reals[2] * 255.0),
              TruncateToInt(reals[3] * 255.0));
  return true;
}

// ---------------------------------------------------------------------------
// The commands

namespace {

// Argument reading shared by the commands: the first argument that cannot be
// read stops the command; entries of the wrong shape are noted and the rest
// still entered; the first condition found is reported when the command ends.
class CommandArgs {
 public:
  CommandArgs(FontData& data, ListDataElement& command) : mData(data), mCommand(command) {}

  const DataElement* At(size_t i) const { return mCommand.At(i); }
  bool Count(size_t expected) {
    if (mCommand.Size() == expected) return true;
    mWrongCount = true;
    return false;
  }

  bool Name(size_t i, std::wstring& out) {
    if (At(i)->IsList()) return Invalid();
    out = ToUpperWide(TokenText(At(i)));
    return true;
  }
  bool Layer(size_t i, FontLayer*& out) { return mData.LookUpLayer(At(i), out) || Invalid(); }
  bool Int(size_t i, int32_t& out) {
    if (At(i)->IsList() || !ParseIntWide(TokenText(At(i)), out)) return Invalid();
    return true;
  }
  bool Text(size_t i, std::wstring& out) { return mData.GetString(At(i), out) || Invalid(); }
  bool Texts(size_t i, std::vector<std::wstring>& out) { return mData.GetStringVector(At(i), out) || Invalid(); }
  bool Ints(size_t i, std::vector<int32_t>& out) { return mData.GetIntVector(At(i), out) || Invalid(); }
  bool Lists(size_t i, ListDataElement& out) { return mData.GetList(At(i), out) || Invalid(); }
  bool Colour(size_t i, Color& out) { return mData.ParseColor(At(i), out) || Invalid(); }

  // Notes an argument or entry that cannot be read; false.
  bool Invalid() {
    mInvalid = true;
    return false;
  }
  // Notes lists of different lengths; false.
  bool SameSize(size_t a, size_t b) {
    if (a == b) return true;
    mMismatch = true;
    return false;
  }

  // Reports the first condition that holds; the command's result.
  bool Finish() {
    if (mWrongCount) return mData.Error("Invalid Number of Parameters");
    if (mInvalid) return mData.Error(kInvalidType);
    if (mMismatch) return mData.Error(kSizeMismatch);
    return true;
  }

 private:
  FontData& mData;
  ListDataElement& mCommand;
  bool mWrongCount = false;
  bool mInvalid = false;
  bool mMismatch = false;
};

bool OneUnit(const std::wstring& text) { return text.size() == 1; }

std::wstring DecimalText(int64_t value) {
  // Sums wrap in 32 bits, as the numbers parse back.
  const auto wrapped = static_cast<int32_t>(static_cast<uint32_t>(static_cast<uint64_t>(value)));
  return Widen(FormatText("%d", wrapped));
}

}  // namespace

// The descriptor's commands, one handler each, reached through the table
// below. A handler runs once the argument count is right; it returns false
// only when it has reported an error of its own and the command stops there,
// otherwise the argument reader reports the first condition it noted.
struct FontCommands {
  struct Row;
  using Handler = bool (*)(FontData& data, CommandArgs& args, const Row& row);
  // Per-layer commands that set one integer field name it here.
  using IntField = int32_t FontLayer::*;
  struct Row {
    const wchar_t* name;
    size_t argumentCount;  // the command's name included
    Handler handler;
    IntField field = nullptr;
  };

  static const Row* Find(const std::wstring& name);

  static bool Define(FontData& data, CommandArgs& args, const Row&) {
    std::wstring key;
    if (!args.Name(1, key)) return true;
    if (data.IsImmediate(key)) {
      args.Invalid();
      return true;
    }
    data.DeleteDefine(key);
    const DataElement* value = args.At(2);
    if (value->IsList()) {
      auto expanded = std::make_unique<ListDataElement>();
      // A failed expansion has shown its own message; the old value stays
      // deleted.
      if (!data.ExpandValues(*static_cast<const ListDataElement*>(value), *expanded)) return false;
      data.SetDefine(key, expanded.release());
    } else if (const DataElement* named = data.FindDefine(TokenText(value))) {
      data.SetDefine(key, named->Clone());
    } else {
      data.SetDefine(key, value->Clone());
    }
    return true;
  }

  static bool CreateHorzSpanRectList(FontData& data, CommandArgs& args, const Row&) {
    std::wstring key;
    std::vector<int32_t> rect, widths;
    if (!(args.Name(1, key) && args.Ints(2, rect) && args.Ints(3, widths))) return true;
    if (rect.size() != 4) {
      args.Invalid();
      return true;
    }
    auto list = std::make_unique<ListDataElement>();
    int64_t x = rect[0];
    for (int32_t w : widths) {
      auto* item = new ListDataElement();
      item->Append(new SingleDataElement(DecimalText(x)));
      item->Append(new SingleDataElement(DecimalText(rect[1])));
      item->Append(new SingleDataElement(DecimalText(w)));
      item->Append(new SingleDataElement(DecimalText(rect[3])));
      list->Append(item);
      x = static_cast<int64_t>(static_cast<int32_t>(static_cast<uint32_t>(x + w)));
    }
    data.SetDefine(key, list.release());
    return true;
  }

  static bool SetDefaultPointSize(FontData& data, CommandArgs& args, const Row&) {
    int32_t size;
    if (args.Int(1, size)) data.mDefaultPointSize = size;
    return true;
  }

  static bool SetCharMap(FontData& data, CommandArgs& args, const Row&) {
    std::vector<std::wstring> from, to;
    if (!(args.Texts(1, from) && args.Texts(2, to) && args.SameSize(from.size(), to.size()))) return true;
    for (size_t i = 0; i < from.size(); ++i) {
      if (OneUnit(from[i]) && OneUnit(to[i]))
        data.mCharMap[from[i][0]] = to[i][0];
      else
        args.Invalid();
    }
    return true;
  }

  static bool CreateLayer(FontData& data, CommandArgs& args, const Row&) {
    std::wstring key;
    if (args.Name(1, key)) data.AppendLayer(key, nullptr);
    return true;
  }

  static bool CreateLayerFrom(FontData& data, CommandArgs& args, const Row&) {
    std::wstring key;
    FontLayer* from;
    if (args.Name(1, key) && args.Layer(2, from)) data.AppendLayer(key, from);
    return true;
  }

  static bool LayerTags(FontData&, CommandArgs& args, const Row& row) {
    FontLayer* layer;
    std::vector<std::wstring> tags;
    if (!(args.Layer(1, layer) && args.Texts(2, tags))) return true;
    auto& target = std::wstring(row.name) == L"LayerRequireTags" ? layer->requiredTags : layer->excludedTags;
    for (const std::wstring& tag : tags) target.push_back(ToUpperWide(tag));
    return true;
  }

  static bool LayerPointRange(FontData&, CommandArgs& args, const Row&) {
    FontLayer* layer;
    int32_t low, high;
    if (args.Layer(1, layer) && args.Int(2, low) && args.Int(3, high)) {
      layer->minPointSize = low;
      layer->maxPointSize = high;
    }
    return true;
  }

  static bool LayerIntField(FontData&, CommandArgs& args, const Row& row) {
    FontLayer* layer;
    int32_t value;
    if (args.Layer(1, layer) && args.Int(2, value)) layer->*(row.field) = value;
    return true;
  }

  static bool LayerSetImage(FontData& data, CommandArgs& args, const Row&) {
    FontLayer* layer;
    std::wstring file;
    if (!(args.Layer(1, layer) && args.Text(2, file))) return true;
    const std::string path = ResolvePath(Narrow(file), PathFolder(data.mDescriptorPath, false));
    bool isNew = false;
    SharedImageHandle handle;
    if (data.mHost != nullptr) handle = data.mHost->FindOrCreateSharedImage(path, "", &isNew);
    MemoryImage* image = handle.GetMemoryImage();
    if (image == nullptr) return data.Error("Failed to Load Image");
    // More than 256 colours keep their 32-bit pixels.
    if (isNew) image->ConvertToPalette();
    layer->image = handle;
    return true;
  }

  static bool LayerSetDrawMode(FontData&, CommandArgs& args, const Row&) {
    FontLayer* layer;
    int32_t mode;
    if (!(args.Layer(1, layer) && args.Int(2, mode))) return true;
    if (mode == 0 || mode == 1)
      layer->drawMode = mode;
    else
      args.Invalid();
    return true;
  }

  static bool LayerSetColor(FontData&, CommandArgs& args, const Row& row) {
    FontLayer* layer;
    Color color;
    if (args.Layer(1, layer) && args.Colour(2, color))
      (std::wstring(row.name) == L"LayerSetColorMult" ? layer->colorMult : layer->colorAdd) = color;
    return true;
  }

  static bool LayerSetOffset(FontData&, CommandArgs& args, const Row&) {
    FontLayer* layer;
    std::vector<int32_t> offset;
    if (!(args.Layer(1, layer) && args.Ints(2, offset))) return true;
    if (offset.size() != 2) {
      args.Invalid();
      return true;
    }
    layer->offsetX = offset[0];
    layer->offsetY = offset[1];
    return true;
  }

  static bool LayerSetCharValues(FontData& data, CommandArgs& args, const Row& row) {
    FontLayer* layer;
    std::vector<std::wstring> chars;
    std::vector<int32_t> values;
    if (!(args.Layer(1, layer) && args.Texts(2, chars) && args.Ints(3, values) &&
          args.SameSize(chars.size(), values.size())))
      return true;
    const bool widths = std::wstring(row.name) == L"LayerSetCharWidths";
    for (size_t i = 0; i < chars.size(); ++i) {
      if (!OneUnit(chars[i])) {
        args.Invalid();
        continue;
      }
      const wchar_t c = chars[i][0];
      if (widths) {
        layer->GlyphForWrite(c).width = values[i];
        data.mCharMap[c] = c;
      } else {
        layer->GlyphForWrite(c).order = values[i];
      }
    }
    return true;
  }

  static bool LayerSetKerningPairs(FontData&, CommandArgs& args, const Row&) {
    FontLayer* layer;
    std::vector<std::wstring> pairs;
    std::vector<int32_t> amounts;
    if (!(args.Layer(1, layer) && args.Texts(2, pairs) && args.Ints(3, amounts) &&
          args.SameSize(pairs.size(), amounts.size())))
      return true;
    for (size_t i = 0; i < pairs.size(); ++i) {
      if (pairs[i].size() == 2)
        layer->GlyphForWrite(pairs[i][0]).kerning[pairs[i][1]] = amounts[i];
      else
        args.Invalid();
    }
    return true;
  }

  static bool LayerSetCharOffsets(FontData& data, CommandArgs& args, const Row&) {
    FontLayer* layer;
    std::vector<std::wstring> chars;
    ListDataElement offsets;
    if (!(args.Layer(1, layer) && args.Texts(2, chars) && args.Lists(3, offsets) &&
          args.SameSize(chars.size(), offsets.Size())))
      return true;
    for (size_t i = 0; i < chars.size(); ++i) {
      std::vector<int32_t> xy;
      if (OneUnit(chars[i]) && data.GetIntVector(offsets.At(i), xy) && xy.size() == 2) {
        FontGlyph& glyph = layer->GlyphForWrite(chars[i][0]);
        glyph.offsetX = xy[0];
        glyph.offsetY = xy[1];
      } else {
        args.Invalid();
      }
    }
    return true;
  }

  static bool LayerSetImageMap(FontData& data, CommandArgs& args, const Row&) {
    FontLayer* layer;
    std::vector<std::wstring> chars;
    ListDataElement rects;
    if (!(args.Layer(1, layer) && args.Texts(2, chars) && args.Lists(3, rects) &&
          args.SameSize(chars.size(), rects.Size())))
      return true;
    const MemoryImage* image = layer->image.GetMemoryImage();
    if (image == nullptr) return data.Error("Layer image not set");
    for (size_t i = 0; i < chars.size(); ++i) {
      std::vector<int32_t> r;
      if (!OneUnit(chars[i]) || !data.GetIntVector(rects.At(i), r) || r.size() != 4) {
        args.Invalid();
        continue;
      }
      // Sums in 64 bits: a huge width must not wrap back inside the image.
      if (r[0] < 0 || r[1] < 0 || r[2] < 0 || r[3] < 0 || int64_t(r[0]) + r[2] > image->width ||
          int64_t(r[1]) + r[3] > image->height) {
        return data.Error("Image rectangle out of bounds");
      }
      layer->GlyphForWrite(chars[i][0]).imageRect = Rect(r[0], r[1], r[2], r[3]);
    }
    int32_t tallest = 0;
    for (const auto& entry : layer->glyphs) {
      const int64_t h = int64_t(entry.second.imageRect.height) + entry.second.offsetY;
      if (h > tallest) tallest = static_cast<int32_t>(h > INT32_MAX ? INT32_MAX : h);
    }
    layer->defaultHeight = tallest;
    return true;
  }
};

const FontCommands::Row* FontCommands::Find(const std::wstring& name) {
  static const Row kRows[] = {
      {L"Define", 3, &Define},
      {L"CreateHorzSpanRectList", 4, &CreateHorzSpanRectList},
      {L"SetDefaultPointSize", 2, &SetDefaultPointSize},
      {L"SetCharMap", 3, &SetCharMap},
      {L"CreateLayer", 2, &CreateLayer},
      {L"CreateLayerFrom", 3, &CreateLayerFrom},
      {L"LayerRequireTags", 3, &LayerTags},
      {L"LayerExcludeTags", 3, &LayerTags},
      {L"LayerPointRange", 4, &LayerPointRange},
      {L"LayerSetPointSize", 3, &LayerIntField, &FontLayer::pointSize},
      {L"LayerSetHeight", 3, &LayerIntField, &FontLayer::height},
      {L"LayerSetAscent", 3, &LayerIntField, &FontLayer::ascent},
      {L"LayerSetAscentPadding", 3, &LayerIntField, &FontLayer::ascentPadding},
      {L"LayerSetLineSpacingOffset", 3, &LayerIntField, &FontLayer::lineSpacingOffset},
      {L"LayerSetSpacing", 3, &LayerIntField, &FontLayer::spacing},
      {L"LayerSetBaseOrder", 3, &LayerIntField, &FontLayer::baseOrder},
      {L"LayerSetImage", 3, &LayerSetImage},
      {L"LayerSetDrawMode", 3, &LayerSetDrawMode},
      {L"LayerSetColorMult", 3, &LayerSetColor},
      {L"LayerSetColorAdd", 3, &LayerSetColor},
      {L"LayerSetOffset", 3, &LayerSetOffset},
      {L"LayerSetCharWidths", 4, &LayerSetCharValues},
      {L"LayerSetCharOrders", 4, &LayerSetCharValues},
      {L"LayerSetKerningPairs", 4, &LayerSetKerningPairs},
      {L"LayerSetCharOffsets", 4, &LayerSetCharOffsets},
      {L"LayerSetImageMap", 4, &LayerSetImageMap},
  };
  for (const Row& row : kRows)
    if (name == row.name) return &row;
  return nullptr;
}

bool FontData::HandleCommand(ListDataElement& command) {
  const FontCommands::Row* row = FontCommands::Find(TokenText(command.At(0)));
  if (row == nullptr) return Error("Unknown Command");
  CommandArgs args(*this, command);
  if (args.Count(row->argumentCount) && !row->handler(*this, args, *row)) return false;
  return args.Finish();
}

}  // namespace Kivo
