#include "ui/Font.h"

namespace Kivo {

Font::~Font() = default;

int Font::StringWidth(const std::wstring&) { return 0; }

int Font::CharWidth(wchar_t c) { return StringWidth(std::wstring(1, c)); }

int Font::CharWidthKerned(wchar_t c, wchar_t) { return CharWidth(c); }

void Font::DrawString(Graphics&, int, int, const std::wstring&, const Color&, const Rect&) {}

}  // namespace Kivo
