#include "ui/DescParser.h"

#include <cstring>

#include "resources/FileApi.h"
#include "shell/base/StringUtils.h"

namespace Kivo {

// ---------------------------------------------------------------------------
// Value tree

ListDataElement::ListDataElement(const ListDataElement& other) : DataElement(true) {
  mChildren.reserve(other.mChildren.size());
  for (const DataElement* child : other.mChildren) mChildren.push_back(child->Clone());
}

ListDataElement::~ListDataElement() { Clear(); }

void ListDataElement::Clear() {
  for (DataElement* child : mChildren) delete child;
  mChildren.clear();
}

void ListDataElement::AssignFrom(const ListDataElement& other) {
  if (&other == this) return;
  Clear();
  for (const DataElement* child : other.mChildren) mChildren.push_back(child->Clone());
}

int ListDepth(const DataElement* element) {
  if (element == nullptr || !element->IsList()) return 0;
  int deepest = 0;
  for (const DataElement* child : static_cast<const ListDataElement*>(element)->mChildren) {
    const int d = ListDepth(child);
    if (d > deepest) deepest = d;
  }
  return deepest + 1;
}

// ---------------------------------------------------------------------------
// Reading the file as code points

namespace {

constexpr wchar_t kByteOrderMark = 0xFEFF;
constexpr wchar_t kCarriageReturn = 13;
constexpr wchar_t kLineFeed = 10;

bool IsHighSurrogate(uint32_t u) { return u >= 0xD800 && u <= 0xDBFF; }
bool IsLowSurrogate(uint32_t u) { return u >= 0xDC00 && u <= 0xDFFF; }

}  // namespace

// Delivers the file's 16-bit little-endian units as code points, joining
// surrogate pairs. A lone surrogate comes through as its own value; an odd
// last byte is dropped. The first read that returns nothing ends the input,
// whether the file ended or failed, so a read error cannot loop forever.
class DescParser::UnitSource {
 public:
  explicit UnitSource(PakFile* file) : mFile(file) {}
  UnitSource(const uint8_t* data, size_t size) : mData(data), mSize(size) {}

  bool Next(wchar_t& out) {
    uint32_t unit;
    if (mPending >= 0) {
      unit = static_cast<uint32_t>(mPending);
      mPending = -1;
    } else if (!ReadUnit(unit)) {
      return false;
    }
    if (IsHighSurrogate(unit)) {
      uint32_t low;
      if (ReadUnit(low)) {
        if (IsLowSurrogate(low)) {
          out = static_cast<wchar_t>(0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00));
          return true;
        }
        mPending = static_cast<int32_t>(low);
      }
    }
    out = static_cast<wchar_t>(unit);
    return true;
  }

 private:
  bool ReadUnit(uint32_t& unit) {
    uint8_t bytes[2];
    if (!ReadByte(bytes[0]) || !ReadByte(bytes[1])) return false;
    unit = static_cast<uint32_t>(bytes[0]) | (static_cast<uint32_t>(bytes[1]) << 8);
    return true;
  }

  bool ReadByte(uint8_t& b) {
    if (mPos == mSize) {
      if (mFile == nullptr || mEnded) return false;
      mData = mBuffer;
      mSize = PakRead(mBuffer, 1, sizeof mBuffer, mFile);
      mPos = 0;
      if (mSize == 0) {
        mEnded = true;
        return false;
      }
    }
    b = mData[mPos++];
    return true;
  }

  PakFile* mFile = nullptr;
  const uint8_t* mData = nullptr;
  size_t mSize = 0;
  size_t mPos = 0;
  bool mEnded = false;
  int32_t mPending = -1;
  uint8_t mBuffer[4096];
};

// ---------------------------------------------------------------------------
// Parser

DescParser::DescParser() = default;

DescParser::~DescParser() { ClearDefines(); }

bool DescParser::Error(const std::string& message) {
  mErrorText = message;
  return false;
}

DataElement* DescParser::FindDefine(const std::wstring& name) const {
  auto it = mDefines.find(ToUpperWide(name));
  return it == mDefines.end() ? nullptr : it->second.get();
}

void DescParser::ClearDefines() {
  for (auto& entry : mDefines) entry.second.reset();
}

void DescParser::SetDefine(const std::wstring& name, DataElement* value) { mDefines[ToUpperWide(name)].reset(value); }

void DescParser::DeleteDefine(const std::wstring& name) {
  auto it = mDefines.find(ToUpperWide(name));
  if (it != mDefines.end()) it->second.reset();
}

bool DescParser::LoadDescriptor(const std::string& fileName) {
  mLineNumber = 0;
  mErrorText.clear();
  PakFile* file = PakOpen(fileName, "rb");
  if (file == nullptr) return false;
  // The reader carries a 4 KB read buffer; it lives on the heap.
  auto source = std::make_unique<UnitSource>(file);
  const bool ok = RunUnits(*source);
  source.reset();
  PakClose(file);
  return ok;
}

bool DescParser::LoadDescriptorBytes(const uint8_t* data, size_t size) {
  mLineNumber = 0;
  mErrorText.clear();
  UnitSource source(data, size);
  return RunUnits(source);
}

bool DescParser::RunUnits(UnitSource& source) {
  int32_t lineCount = 0;
  bool ok = true;
  bool more = true;
  mCommandText.clear();
  while (more && ok) {
    bool lineStart = true;
    bool inSingle = false;
    bool inDouble = false;
    bool escaped = false;
    bool inComment = false;
    bool commandEnded = false;
    wchar_t c;
    while (!commandEnded) {
      if (!source.Next(c)) {
        more = false;
        break;
      }
      if (c == kByteOrderMark || c == kCarriageReturn) continue;
      if (inComment) {
        if (c == kLineFeed) {
          ++lineCount;
          inComment = false;
          lineStart = true;
        }
        continue;
      }
      if (lineStart) {
        if (c == L' ' || c == L'\t' || c == kLineFeed) {
          if (c == kLineFeed) ++lineCount;
          continue;
        }
        lineStart = false;
        if (c == L'#') {
          inComment = true;
          continue;
        }
      }
      if (escaped) {
        escaped = false;
      } else if (inSingle || inDouble) {
        if (c == L'\\')
          escaped = true;
        else if (c == L'\'' && inSingle)
          inSingle = false;
        else if (c == L'"' && inDouble)
          inDouble = false;
      } else if (c == L'\'') {
        inSingle = true;
      } else if (c == L'"') {
        inDouble = true;
      } else if (c == L';' && (mCommandFlags & kSemicolonEndsCommand) != 0) {
        commandEnded = true;
        continue;
      }
      if (c == kLineFeed) {
        ++lineCount;
        lineStart = true;
      }
      if (mCommandText.empty()) mLineNumber = lineCount + 1;
      mCommandText.push_back(c);
    }
    if (!mCommandText.empty()) ok = RunCommand(mCommandText);
    mCommandText.clear();
  }
  mCommandText.clear();
  mLineNumber = 0;
  return ok;
}

bool DescParser::RunCommand(const std::wstring& text) {
  ListDataElement list;
  if (!TokenizeList(text, list)) return false;
  if (list.Size() == 0) return true;
  if (list.At(0)->IsList()) return Error("Missing Command");
  return HandleCommand(list);
}

bool DescParser::TokenizeList(const std::wstring& text, ListDataElement& out) {
  out.Clear();
  // Open lists, outermost first. The top level is `out` itself; nested lists
  // are owned by the stack until they close and join their parent.
  std::vector<std::unique_ptr<ListDataElement>> open;
  auto current = [&]() -> ListDataElement& { return open.empty() ? out : *open.back(); };
  SingleDataElement* token = nullptr;
  bool inSingle = false;
  bool inDouble = false;
  bool escaped = false;

  auto fail = [&](const char* message) {
    out.Clear();
    return Error(message);
  };
  auto append = [&](wchar_t c) {
    if (token == nullptr) {
      token = new SingleDataElement();
      current().Append(token);
    }
    token->mText.push_back(c);
  };

  for (wchar_t c : text) {
    if (escaped) {
      escaped = false;
      append(c);
      continue;
    }
    if (c == L'\\') {
      escaped = true;
      continue;
    }
    if (inSingle || inDouble) {
      if (inSingle && c == L'\'')
        inSingle = false;
      else if (inDouble && c == L'"')
        inDouble = false;
      append(c);
      continue;
    }
    switch (c) {
      case L' ':
      case L'\t':
      case L'\n':
      case L',': token = nullptr; break;
      case L'\'':
        inSingle = true;
        append(c);
        break;
      case L'"':
        inDouble = true;
        append(c);
        break;
      case L'(':
        if (token != nullptr) return fail("Unexpected List Start");
        if (static_cast<int>(open.size()) >= kMaxListDepth) return fail("Unterminated List");
        open.emplace_back(new ListDataElement());
        break;
      case L')': {
        if (open.empty()) return fail("Unexpected List End");
        token = nullptr;
        ListDataElement* closed = open.back().release();
        open.pop_back();
        current().Append(closed);
        break;
      }
      default: append(c); break;
    }
  }
  if (inSingle) return fail("Unterminated Single Quotes");
  if (inDouble) return fail("Unterminated Double Quotes");
  if (!open.empty()) return fail("Unterminated List");
  return true;
}

// ---------------------------------------------------------------------------
// Reading values

bool DescParser::IsImmediate(const std::wstring& token) {
  if (token.empty()) return false;
  const wchar_t c = token[0];
  return (c >= L'0' && c <= L'9') || c == L'-' || c == L'+' || c == L'\'' || c == L'"';
}

std::wstring DescParser::Unquote(const std::wstring& token) {
  if (token.empty() || (token[0] != L'\'' && token[0] != L'"')) return token;
  const wchar_t q = token[0];
  std::wstring out;
  out.reserve(token.size());
  for (size_t i = 0; i < token.size(); ++i) {
    if (token[i] == q) {
      if (i > 0 && token[i - 1] == q) out.push_back(q);
    } else {
      out.push_back(token[i]);
    }
  }
  return out;
}

bool DescParser::ExpandValues(const ListDataElement& list, ListDataElement& out) { return ExpandAtDepth(list, out, 1); }

bool DescParser::ExpandAtDepth(const ListDataElement& list, ListDataElement& out, int depth) {
  out.Clear();
  for (const DataElement* element : list.mChildren) {
    if (element->IsList()) {
      if (depth >= kMaxListDepth) return Error("Unterminated List");
      auto nested = std::make_unique<ListDataElement>();
      if (!ExpandAtDepth(*static_cast<const ListDataElement*>(element), *nested, depth + 1)) return false;
      out.Append(nested.release());
      continue;
    }
    const std::wstring& token = static_cast<const SingleDataElement*>(element)->mText;
    if (token.empty()) continue;
    if (token[0] == L'\'' || token[0] == L'"') {
      out.Append(new SingleDataElement(Unquote(token)));
    } else if (IsImmediate(token)) {
      out.Append(new SingleDataElement(token));
    } else {
      const DataElement* value = FindDefine(token);
      if (value == nullptr) return Error("Unable to Dereference \"" + Narrow(token) + "\"");
      // A define that holds a list nests one level deeper here: refuse what
      // would pass the bound, so "Define A (A)" cannot grow without limit.
      if (depth + ListDepth(value) > kMaxListDepth) return Error("Unterminated List");
      out.Append(value->Clone());
    }
  }
  return true;
}

std::wstring DescParser::ElementToText(const DataElement* element) {
  if (element == nullptr) return std::wstring();
  if (!element->IsList()) return static_cast<const SingleDataElement*>(element)->mText;
  std::wstring text = L"(";
  const auto& children = static_cast<const ListDataElement*>(element)->mChildren;
  for (size_t i = 0; i < children.size(); ++i) {
    if (i > 0) text += L", ";
    text += ElementToText(children[i]);
  }
  return text + L")";
}

bool DescParser::GetString(const DataElement* element, std::wstring& out) {
  out.clear();
  if (element == nullptr || element->IsList()) return false;
  const std::wstring& token = static_cast<const SingleDataElement*>(element)->mText;
  if (const DataElement* value = FindDefine(token)) {
    if (value->IsList()) return false;
    out = Unquote(static_cast<const SingleDataElement*>(value)->mText);
    return true;
  }
  out = Unquote(token);
  return true;
}

bool DescParser::GetStringVector(const DataElement* element, std::vector<std::wstring>& out) {
  out.clear();
  if (element == nullptr) return false;
  ListDataElement expanded;
  const ListDataElement* items;
  if (element->IsList()) {
    if (!ExpandValues(*static_cast<const ListDataElement*>(element), expanded)) return false;
    items = &expanded;
  } else {
    const std::wstring& token = static_cast<const SingleDataElement*>(element)->mText;
    const DataElement* value = FindDefine(token);
    if (value == nullptr) return Error("Unable to Dereference \"" + Narrow(token) + "\"");
    if (!value->IsList()) return false;
    items = static_cast<const ListDataElement*>(value);
  }
  for (const DataElement* item : items->mChildren) {
    if (item->IsList()) {
      out.clear();
      return false;
    }
    out.push_back(static_cast<const SingleDataElement*>(item)->mText);
  }
  return true;
}

bool DescParser::GetList(const DataElement* element, ListDataElement& out) {
  if (element == nullptr) return false;
  if (element->IsList()) return ExpandValues(*static_cast<const ListDataElement*>(element), out);
  const DataElement* value = FindDefine(static_cast<const SingleDataElement*>(element)->mText);
  if (value == nullptr || !value->IsList()) return false;
  out.AssignFrom(*static_cast<const ListDataElement*>(value));
  return true;
}

bool DescParser::GetIntVector(const DataElement* element, std::vector<int32_t>& out) {
  out.clear();
  std::vector<std::wstring> texts;
  if (!GetStringVector(element, texts)) return false;
  for (const std::wstring& text : texts) {
    int32_t value;
    if (!ParseIntWide(text, value)) return false;
    out.push_back(value);
  }
  return true;
}

bool DescParser::GetDoubleVector(const DataElement* element, std::vector<double>& out) {
  out.clear();
  std::vector<std::wstring> texts;
  if (!GetStringVector(element, texts)) return false;
  for (const std::wstring& text : texts) {
    double value;
    if (!ParseDoubleWide(text, value)) return false;
    out.push_back(value);
  }
  return true;
}

}  // namespace Kivo
