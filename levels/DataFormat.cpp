#include "levels/DataFormat.h"

#include <set>
#include <vector>

#include "levels/LevelContext.h"

namespace Kivo {

namespace {

std::string Narrow(const std::wstring& text) {
  std::string out;
  for (wchar_t c : text) out.push_back(c < 0x80 ? static_cast<char>(c) : '?');
  return out;
}

// Each rejected format is logged once per process, not on every update.
void ReportOnce(const std::wstring& format) {
  static std::set<std::wstring> reported;
  if (reported.insert(format).second) {
    CurrentLevelContext().Log("level: text format \"" + Narrow(format) + "\" printed literally");
  }
}

}  // namespace

std::wstring FormatDataInts(const std::wstring& format, std::initializer_list<long long> values) {
  std::vector<long long> ints(values);
  std::size_t next = 0;
  bool literal = false;
  std::wstring out;
  std::size_t i = 0;
  while (i < format.size()) {
    wchar_t c = format[i];
    if (c != L'%') {
      out.push_back(c);
      ++i;
      continue;
    }
    if (i + 1 < format.size() && format[i + 1] == L'%') {
      out.push_back(L'%');
      i += 2;
      continue;
    }
    std::size_t j = i + 1;
    bool left = false, plus = false, space = false, zero = false;
    while (j < format.size() && std::wstring(L"-+ 0#").find(format[j]) != std::wstring::npos) {
      left |= format[j] == L'-';
      plus |= format[j] == L'+';
      space |= format[j] == L' ';
      zero |= format[j] == L'0';
      ++j;
    }
    int width = 0;
    while (j < format.size() && format[j] >= L'0' && format[j] <= L'9' && width < 1000) {
      width = width * 10 + static_cast<int>(format[j] - L'0');
      ++j;
    }
    const bool conversion = j < format.size() && (format[j] == L'd' || format[j] == L'i' || format[j] == L'u');
    if (!conversion || next >= ints.size()) {
      // Copied as it stands: the percent sign and what followed it.
      std::size_t end = j < format.size() ? j + 1 : j;
      out.append(format, i, end - i);
      literal = true;
      i = end;
      continue;
    }
    long long value = ints[next++];
    std::wstring digits;
    bool negative = false;
    if (format[j] == L'u') {
      unsigned long v = static_cast<unsigned long>(static_cast<unsigned int>(value));
      digits = std::to_wstring(v);
    } else {
      negative = value < 0;
      unsigned long long magnitude =
          negative ? 0ull - static_cast<unsigned long long>(value) : static_cast<unsigned long long>(value);
      digits = std::to_wstring(magnitude);
    }
    std::wstring sign =
        negative ? L"-" : (format[j] != L'u' && plus ? L"+" : (format[j] != L'u' && space ? L" " : L""));
    std::wstring body = sign + digits;
    if (static_cast<int>(body.size()) < width) {
      std::size_t pad = static_cast<std::size_t>(width) - body.size();
      if (left) {
        body.append(pad, L' ');
      } else if (zero) {
        body = sign + std::wstring(pad, L'0') + digits;
      } else {
        body.insert(0, pad, L' ');
      }
    }
    out += body;
    i = j + 1;
  }
  if (literal) ReportOnce(format);
  return out;
}

}  // namespace Kivo
