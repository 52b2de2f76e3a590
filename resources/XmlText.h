// Text helpers of the XML reader.
#pragma once

#include <string>

namespace Kivo {

// Each byte becomes the character of the same value (no code page).
std::wstring XmlWiden(const std::string& text);
// Replaces the named entities lt, gt, amp, quot, apos, nbsp and cr; any other
// text from '&' to the next ';' becomes a single '&'; a '&' without a ';'
// after it stays.
std::wstring DecodeXmlText(const std::wstring& text);

}  // namespace Kivo
