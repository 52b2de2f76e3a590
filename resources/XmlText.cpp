// Text helpers of the XML reader.
#include "resources/XmlText.h"

namespace Kivo {

std::wstring XmlWiden(const std::string& text) {
  std::wstring out;
  out.reserve(text.size());
  for (char c : text) out += static_cast<wchar_t>(static_cast<unsigned char>(c));
  return out;
}

std::wstring DecodeXmlText(const std::wstring& text) {
  std::wstring out;
  out.reserve(text.size());
  std::size_t i = 0;
  while (i < text.size()) {
    if (text[i] != L'&') {
      out += text[i++];
      continue;
    }
    std::size_t end = text.find(L';', i + 1);
    if (end == std::wstring::npos) {
      out += text[i++];
      continue;
    }
    std::wstring entity = text.substr(i + 1, end - i - 1);
    if (entity == L"lt") out += L'<';
    else if (entity == L"gt") out += L'>';
    else if (entity == L"amp") out += L'&';
    else if (entity == L"quot") out += L'"';
    else if (entity == L"apos") out += L'\'';
    else if (entity == L"nbsp") out += L' ';
    else if (entity == L"cr") out += L'\n';
    else out += L'&';
    i = end + 1;
  }
  return out;
}

}  // namespace Kivo
