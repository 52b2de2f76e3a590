// sObjList (type 10): a list box of wide strings, one row per item, with a
// selected row and a hot (hovered) row drawn in their own colours over the
// two cells of a selector image, pixel scrolling by the mouse wheel (one
// pixel per notch, not clamped) and a report through OnListSelect for every
// press on a row.
//
// Properties read: "_colObjNorm" (the other rows' colour), "_colObjSel"
// (hot row), "_colObjPress" (selected row), all decimal with red in the low
// byte; "_iAlph"; "_sFont" (one of the six font names); "_keyImgSelector"
// (two cells side by side: column 1 behind the hot row, column 2 behind the
// selected row). Rows are as tall as the selector image, else as the font.
//
// Failures: none are reported. A list without a font (or whose rows would
// have no height) has no rows to hit or draw: it never turns a row hot,
// draws nothing and leaves presses to the screen. Indices outside the rows
// are ignored; a list without a listener reports to no one.
#pragma once

#include <string>
#include <vector>

#include "engine/EngineObject.h"
#include "engine/ImageSlot.h"

namespace Kivo {

class Font;

class sObjList : public sObj {
 public:
  void ApplyProperties() override;
  void ReleaseImages() override;
  void Draw(Graphics* g) override;
  void MouseMove(int x, int y) override;
  bool MouseDown(int x, int y, int clickCount) override;
  void MouseWheel(int x, int y, int delta) override;
  void Update(int ticks) override;

  // Appends a non-empty text and selects it.
  void AddItem(const std::wstring& text);
  void RemoveItem(int index);
  void RemoveItemByText(const std::wstring& text);
  void ScrollUp(int pixels);
  void ScrollDown(int pixels);
  void Select(int index);
  void SelectByText(const std::wstring& text);
  // Empty when nothing is selected.
  std::wstring GetSelectedText() const;
  // Makes the row under y hot (or none).
  void RowAt(int y);
  void ScrollIntoView(int index);
  // Pixels the row lies outside the box: negative above, positive below.
  int ScrollNeeded(int index) const;
  int IndexOf(const std::wstring& text) const;
  void Clear();

  int GetCount() const { return static_cast<int>(mItems.size()); }

  int mHotRed = 255, mHotGreen = 255, mHotBlue = 255, mHotAlpha = 255;
  int mSelRed = 255, mSelGreen = 255, mSelBlue = 255, mSelAlpha = 255;
  ImageSlot mSelector;
  Font* mFont = nullptr;  // not owned
  std::string mFontName;
  std::vector<std::wstring> mItems;
  int mSelected = -1;
  int mHot = -1;
  int mRowHeight = 0;
  int mScroll = 0;

 private:
  int Top() const;
  int Bottom() const;
  int RowStart(int index) const;
  // A hot row that no longer exists is forgotten.
  void DropStaleHot();
  void DrawRow(Graphics& g, int index) const;
  void DrawHighlight(Graphics& g, int index, int column, int red, int green, int blue);
};

}  // namespace Kivo
