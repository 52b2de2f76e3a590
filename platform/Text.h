// Text conversions at the host boundary. Narrow text is widened byte-wise
// (each byte one code point, as the framework's own widening does); wide text
// holds code points.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace Platform {

// Each byte becomes the code point of the same value, encoded as UTF-8.
std::string NarrowToUtf8(const std::string& narrow);
std::string WideToUtf8(const std::wstring& wide);
// Malformed sequences are skipped byte by byte.
std::wstring Utf8ToWide(const std::string& utf8);
// UTF-16 units of the code points (pairs beyond U+FFFF).
std::vector<std::uint16_t> Utf8ToUtf16(const std::string& utf8);

}  // namespace Platform
