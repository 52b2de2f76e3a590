// Text layout of Graphics: single spans with inline colour escapes and
// justification, spans cut at a character limit, and word-wrapped blocks.
//
// Escapes (only while the context's coloured-text switch is on):
//   ^^          one literal caret
//   ^RRGGBB?    colour RR GG BB, alpha kept (non-hex digits count as 0)
//   ^oldclr?    back to the start colour of the call
// The eighth character closes the escape whatever it is. An escape cut short
// by the end of the span ends the span there.
#include <algorithm>
#include <cstdint>

#include "ui/Font.h"
#include "ui/Graphics.h"

namespace Kivo {

namespace {

constexpr int kEscapeLength = 8;

int HexDigit(wchar_t c) {
  if (c >= L'0' && c <= L'9') return c - L'0';
  if (c >= L'a' && c <= L'f') return c - L'a' + 10;
  if (c >= L'A' && c <= L'F') return c - L'A' + 10;
  return 0;
}

// The colour an escape at text[pos] asks for (pos holds the caret).
Color EscapeColor(const std::wstring& text, size_t pos, const Color& current, uint32_t startColor) {
  if (text[pos + 1] == L'o') {
    if (text.compare(pos + 1, 6, L"oldclr") == 0) return Color(startColor);
    return Color(0, 0, 0, current.alpha);
  }
  int channel[3];
  for (int i = 0; i < 3; ++i) {
    channel[i] = HexDigit(text[pos + 1 + 2 * i]) * 16 + HexDigit(text[pos + 2 + 2 * i]);
  }
  return Color(channel[0], channel[1], channel[2], current.alpha);
}

}  // namespace

int Graphics::DrawColoredText(const std::wstring& text, int x, int y, int width, int justification, bool draw,
                              int start, int length, int startColor) {
  if (mFont == nullptr) return 0;
  const uint32_t start32 = startColor == -1 ? mColor.ToInt() : static_cast<uint32_t>(startColor);
  if (draw && (justification == 0 || justification == 1)) {
    const int measured = DrawColoredText(text, x, y, width, -1, false, start, length, static_cast<int>(start32));
    x += justification == 0 ? (width - measured) / 2 : width - measured;
  }
  const int64_t textLength = static_cast<int64_t>(text.size());
  const int64_t first = std::max<int64_t>(0, start);
  int64_t end = textLength;
  if (length >= 0 && first + length <= textLength) end = first + length;

  int running = 0;
  std::wstring segment;
  int64_t pos = first;
  while (pos < end) {
    const wchar_t c = text[static_cast<size_t>(pos)];
    if (c == L'^' && mWriteColoredString) {
      if (pos + 1 < end && text[static_cast<size_t>(pos + 1)] == L'^') {
        segment.push_back(L'^');
        pos += 2;
        continue;
      }
      if (pos + kEscapeLength > end) break;
      if (draw) {
        DrawString(segment, x + running, y);
        mColor = EscapeColor(text, static_cast<size_t>(pos), mColor, start32);
      }
      running += mFont->StringWidth(segment);
      segment.clear();
      pos += kEscapeLength;
      continue;
    }
    segment.push_back(c);
    ++pos;
  }
  if (draw) DrawString(segment, x + running, y);
  running += mFont->StringWidth(segment);
  return running;
}

int Graphics::DrawColoredTextUpTo(const std::wstring& text, int x, int y, int width, int justification, bool draw,
                                  int start, int length, int startColor, int limit) {
  // "To the end" is measured against the limit like any explicit length.
  int64_t span = length;
  if (span < 0) span = std::max<int64_t>(0, static_cast<int64_t>(text.size()) - start);
  if (int64_t(start) + span > limit) {
    span = int64_t(limit) - start;
    if (span <= 0) return -1;
  }
  return DrawColoredText(text, x, y, width, justification, draw, start, static_cast<int>(span), startColor);
}

int Graphics::DrawTextWrapped(const Rect& rect, const std::wstring& text, int lineSpacing, int justification,
                              int* widest, int limit, int* firstLineOffset) {
  if (mFont == nullptr) {
    if (widest != nullptr) *widest = 0;
    return 0;
  }
  const Color savedColor = mColor;
  // An opaque colour is passed as 0x00RRGGBB so it can never read as -1
  // ("use the state colour"), which would follow escapes across lines.
  uint32_t packed = savedColor.ToInt();
  if ((packed >> 24) == 0xFF) packed &= 0x00FFFFFF;
  const int startColor = static_cast<int>(packed);

  const int length = static_cast<int>(std::min<size_t>(text.size(), INT32_MAX));
  if (limit < 0) limit = length;
  int baseline = mFont->GetAscent() - mFont->GetAscentPadding();
  if (lineSpacing == -1) lineSpacing = mFont->GetLineSpacing();

  int lineStart = 0;
  int lineWidth = 0;
  wchar_t previous = 0;
  int lastBreak = -1;
  int widestSoFar = 0;
  int offset = 0;
  if (firstLineOffset != nullptr) {
    offset = *firstLineOffset;
    lineWidth = offset;
  }

  wchar_t c = 0;
  int pos = 0;
  while (pos < length) {
    c = text[pos];
    if (c == L'^' && mWriteColoredString && pos + 1 < length) {
      if (text[pos + 1] != L'^') {
        pos += kEscapeLength;  // escapes take no width
        continue;
      }
      ++pos;  // the second caret is the visible one
      c = text[pos];
    }
    if (c == L' ') {
      lastBreak = pos;
    } else if (c == L'\n') {
      lineWidth = rect.width + 1;  // forces the break below
      lastBreak = pos;
      ++pos;
    }
    lineWidth += mFont->CharWidthKerned(c, previous);
    previous = c;

    if (lineWidth > rect.width) {
      int brokenWidth;
      if (lastBreak == -1) {
        // No space on the line: break between characters, but every line
        // holds at least one.
        if (pos < lineStart + 1) ++pos;
        const int drawn = DrawColoredTextUpTo(text, rect.x + offset, rect.y + baseline, rect.width, justification, true,
                                              lineStart, pos - lineStart, startColor, limit);
        if (drawn < 0) break;  // character limit reached
        if (widest != nullptr) *widest = std::max(*widest, drawn);
        if (firstLineOffset != nullptr) *firstLineOffset = drawn;
        brokenWidth = drawn;
      } else {
        // Lines outside the clip are only measured.
        const int lineY = TruncateToInt(static_cast<float>(rect.y + baseline) + mTransY);
        if (mClipRect.y <= lineY && int64_t(lineY) < int64_t(mClipRect.y) + mClipRect.height + lineSpacing) {
          DrawColoredTextUpTo(text, rect.x + offset, rect.y + baseline, rect.width, justification, true, lineStart,
                              lastBreak - lineStart, startColor, limit);
        }
        brokenWidth = lineWidth + offset;
        pos = lastBreak + 1;
        if (c != L'\n') {
          while (pos < length && text[pos] == L' ') ++pos;
        }
      }
      widestSoFar = std::max(widestSoFar, brokenWidth);
      lineStart = pos;
      lastBreak = -1;
      lineWidth = 0;
      previous = 0;
      offset = 0;
      baseline += lineSpacing;
    } else {
      ++pos;
    }
  }

  if (lineStart < length) {
    const int drawn = DrawColoredTextUpTo(text, rect.x + offset, rect.y + baseline, rect.width, justification, true,
                                          lineStart, length - lineStart, startColor, limit);
    if (drawn >= 0) {
      widestSoFar = std::max(widestSoFar, drawn);
      if (widest != nullptr) *widest = std::max(*widest, drawn);
      if (firstLineOffset != nullptr) *firstLineOffset = drawn;
      baseline += lineSpacing;
    }
  } else if (c == L'\n') {
    baseline += lineSpacing;
    if (firstLineOffset != nullptr) *firstLineOffset = 0;
  }

  mColor = savedColor;
  if (widest != nullptr) *widest = widestSoFar;
  return mFont->GetDescent() + baseline - lineSpacing;
}

int Graphics::MeasureTextWrappedHeight(int width, const std::wstring& text, int lineSpacing, int* widest) {
  if (mFont == nullptr) {
    if (widest != nullptr) *widest = 0;
    return 0;
  }
  Graphics scratch;  // on no image: everything is clipped away
  scratch.SetFont(mFont);
  return scratch.DrawTextWrapped(Rect(0, 0, width, 0), text, lineSpacing, -1, widest, -1, nullptr);
}

}  // namespace Kivo
