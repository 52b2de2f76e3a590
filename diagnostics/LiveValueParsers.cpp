// Expression readers and the marked-call walk over a source text.
#include "diagnostics/LiveValueParsers.h"

#include <climits>

#include "shell/base/GlobalRanks.h"
#include "shell/base/StringUtils.h"

namespace Kivo {

KIVO_GLOBAL_RANK(kRankLiveValueIds) std::map<std::string, int32_t> gLiveValueIds;

namespace {

constexpr size_t kLineBufferSize = 8192;

bool IsLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }

int DigitValue(char c, uint32_t base) {
  if (IsDigit(c)) return c - '0';
  if (base == 16 && c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (base == 16 && c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// Decimal digits only, without overflow.
bool ReadDecimal(const std::string& digits, int32_t& out) {
  if (digits.empty()) return false;
  int64_t value = 0;
  for (char c : digits) {
    if (!IsDigit(c)) return false;
    value = value * 10 + (c - '0');
    if (value > INT32_MAX) return false;
  }
  out = static_cast<int32_t>(value);
  return true;
}

// The '(' at `at` opens a marked call: M( or M1( .. M9(, not preceded by a
// letter.
bool IsMarkedCall(const std::string& line, size_t at) {
  if (at >= 2 && line[at - 1] == 'M' && !IsLetter(line[at - 2])) return true;
  return at >= 3 && line[at - 1] >= '1' && line[at - 1] <= '9' && line[at - 2] == 'M' && !IsLetter(line[at - 3]);
}

// The source cut as a line reader with a fixed buffer cuts it: each piece
// ends after a line feed or when the buffer is full.
std::vector<std::string> SourceLines(const std::string& source) {
  std::vector<std::string> lines;
  size_t pos = 0;
  while (pos < source.size()) {
    size_t end = source.find('\n', pos);
    end = (end == std::string::npos) ? source.size() : end + 1;
    if (end - pos > kLineBufferSize - 1) end = pos + kLineBufferSize - 1;
    std::string line = source.substr(pos, end - pos);
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.pop_back();
    lines.push_back(line);
    pos = end;
  }
  return lines;
}

enum class Carry { None, String, LineComment, BlockComment };

}  // namespace

bool ParseLiveInt(const std::string& text, int32_t& out) {
  out = 0;
  if (!text.empty() && (IsLetter(text[0]) || text[0] == '_')) {
    size_t end = 0;
    while (end < text.size() && (IsLetter(text[end]) || IsDigit(text[end]) || text[end] == '_')) ++end;
    auto found = gLiveValueIds.find(text.substr(0, end));
    if (found != gLiveValueIds.end()) {
      out = found->second;
      return true;
    }
  }
  uint32_t value = 0;
  uint32_t base = 10;
  const bool negative = !text.empty() && text[0] == '-';
  size_t pos = negative ? 1 : 0;
  for (; pos < text.size(); ++pos) {
    const char c = text[pos];
    const int digit = DigitValue(c, base);
    if (digit >= 0) {
      value = value * base + static_cast<uint32_t>(digit);
    } else if ((c == 'x' || c == 'X') && pos == 1 && value == 0) {
      base = 16;
    } else if (c == ')') {
      if (negative) value = 0u - value;
      out = static_cast<int32_t>(value);
      return true;
    } else {
      return false;
    }
  }
  return false;
}

bool ParseLiveDouble(const std::string& text, double& out) {
  out = 0.0;
  double value = 0.0;
  const bool negative = !text.empty() && text[0] == '-';
  size_t pos = negative ? 1 : 0;
  while (pos < text.size() && IsDigit(text[pos])) value = value * 10.0 + (text[pos++] - '0');
  if (pos < text.size() && text[pos] == '.') {
    double place = 0.1;
    for (++pos; pos < text.size() && IsDigit(text[pos]); ++pos) {
      value += (text[pos] - '0') * place;
      place *= 0.1;
    }
  }
  if (pos < text.size() && text[pos] == 'f') ++pos;
  if (pos >= text.size() || text[pos] != ')') return false;
  out = negative ? -value : value;
  return true;
}

bool ParseLiveString(const std::string& text, std::string& out) {
  out.clear();
  if (text.empty() || text[0] != '"') return false;
  std::string value;
  for (size_t pos = 1; pos < text.size(); ++pos) {
    const char c = text[pos];
    if (c == '"') {
      out = value;
      return true;
    }
    if (c != '\\') {
      value += c;
      continue;
    }
    if (++pos >= text.size()) return false;
    switch (text[pos]) {
      case 'n': value += '\n'; break;
      case 't': value += '\t'; break;
      case '\\': value += '\\'; break;
      case '"': value += '"'; break;
      default: return false;
    }
  }
  return false;
}

bool SplitLineSuffix(std::string& text, int32_t& ordinal, int32_t& line) {
  if (text.empty()) return false;
  size_t stop = text.size() - 1;
  bool commaSeen = false;
  while (stop > 0) {
    const char c = text[stop];
    if (IsDigit(c)) {
      --stop;
    } else if (c == ',' && !commaSeen) {
      commaSeen = true;
      --stop;
    } else {
      break;
    }
  }
  if (stop == text.size() - 1 || stop == 0) return false;
  const std::string tail = text.substr(stop + 1);
  const size_t comma = tail.find(',');
  int32_t first = 0;
  int32_t second = 0;
  if (comma == std::string::npos || !ReadDecimal(tail.substr(0, comma), first) ||
      !ReadDecimal(tail.substr(comma + 1), second))
    return false;
  text.resize(stop + 1);
  ordinal = first;
  line = second;
  return true;
}

std::string ReadMarkedCalls(const std::string& source, const std::string& path, const std::vector<int32_t>& markerLines,
                            const std::function<void(size_t, const ParsedLiveValue&)>& store) {
  const std::vector<std::string> lines = SourceLines(source);
  Carry carry = Carry::None;
  size_t cursor = 0;
  int lineNumber = 0;
  for (const std::string& line : lines) {
    ++lineNumber;
    const bool endsInBackslash = !line.empty() && line.back() == '\\';
    if (carry == Carry::LineComment) {
      carry = endsInBackslash ? Carry::LineComment : Carry::None;
      continue;
    }
    bool inString = carry == Carry::String;
    bool inBlock = carry == Carry::BlockComment;
    bool lineComment = false;
    char prev = 0;
    for (size_t i = 0; i < line.size() && !lineComment; ++i) {
      const char c = line[i];
      if (inBlock) {
        if (prev == '*' && c == '/') {
          inBlock = false;
          prev = 0;
        } else {
          prev = c;
        }
        continue;
      }
      if (inString) {
        if (c == '\\' && prev == '\\') {
          prev = 0;  // an escaped backslash escapes nothing after it
          continue;
        }
        if (c == '"' && prev != '\\') inString = false;
        prev = c;
        continue;
      }
      if (c == '"') {
        inString = true;
      } else if (prev == '/' && c == '/') {
        lineComment = true;
      } else if (prev == '/' && c == '*') {
        inBlock = true;
        prev = 0;
        continue;
      } else if (c == '(' && IsMarkedCall(line, i)) {
        while (cursor < markerLines.size() && markerLines[cursor] < lineNumber) ++cursor;
        if (cursor < markerLines.size() && markerLines[cursor] == lineNumber) {
          const std::string expression = line.substr(i + 1);
          ParsedLiveValue value;
          if (!ParseLiveString(expression, value.mText) && !ParseLiveInt(expression, value.mInt) &&
              !ParseLiveDouble(expression, value.mDouble))
            return FormatText("ERROR in %s on line %d.  Parsing Error.", path.c_str(), lineNumber);
          store(cursor, value);
          ++cursor;
        }
      }
      prev = c;
    }
    if (lineComment) {
      carry = endsInBackslash ? Carry::LineComment : Carry::None;
    } else if (inString) {
      if (!endsInBackslash) return FormatText("ERROR in %s on line %d: Error parsing quotes", path.c_str(), lineNumber);
      carry = Carry::String;
    } else {
      carry = inBlock ? Carry::BlockComment : Carry::None;
    }
  }
  switch (carry) {
    case Carry::String: return FormatText("ERROR in %s on line %d: Error parsing quotes", path.c_str(), lineNumber);
    case Carry::LineComment:
      return FormatText("ERROR in %s on line %d: Error parsing c++ comment", path.c_str(), lineNumber);
    case Carry::BlockComment:
      return FormatText("ERROR in %s on line %d: Error parsing c comment", path.c_str(), lineNumber);
    case Carry::None: break;
  }
  return "";
}

}  // namespace Kivo
