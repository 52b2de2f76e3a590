#include "tools/sampledata/SampleKinds.h"

#include <functional>

#include "tools/sampledata/SampleDrawing.h"

namespace Kivo {

namespace {

using namespace kinds_colour;
using namespace sample;

// Cells side by side, each one flat colour.
ImageLib::Image CellStrip(int cellWidth, int cellHeight, int columns, int rows, const std::vector<uint32_t>& colours) {
  return Picture(cellWidth * columns, cellHeight * rows, [&](int x, int y) {
    const size_t index = static_cast<size_t>((y / cellHeight) * columns + x / cellWidth);
    return Opaque(colours[index % colours.size()]);
  });
}

KindsPicture Entry(const std::string& key, int columns, int rows, ImageLib::Image image) {
  return {{key, "data/images/kinds/" + key + ".png", false, columns, rows}, std::move(image)};
}

}  // namespace

std::vector<KindsPicture> KindsPictures() {
  std::vector<KindsPicture> pictures;
  pictures.push_back(
      Entry("kinds_strip4", 4, 1, CellStrip(32, 32, 4, 1, {kStrip[0], kStrip[1], kStrip[2], kStrip[3]})));
  pictures.push_back(Entry("kinds_strip32", 3, 2,
                           CellStrip(32, 32, 3, 2, {kStrip[0], kStrip[1], kStrip[2], kStrip[3], kRect, kMesh})));
  pictures.push_back(Entry("kinds_mover", 1, 1,
                           Picture(64, 32, [](int x, int) { return Opaque(x < 32 ? kMoverLeft : kMoverRight); })));
  pictures.push_back(Entry("kinds_mask", 1, 1, Picture(64, 64, [](int x, int y) {
                             const int dx = x - 32;
                             const int dy = y - 32;
                             return dx * dx + dy * dy < 28 * 28 ? 0xFFFFFFFFu : 0x00FFFFFFu;
                           })));
  pictures.push_back(Entry("kinds_texture", 1, 1, Picture(16, 16, [](int, int) { return Opaque(kTexture); })));
  pictures.push_back(Entry("kinds_mesh", 1, 1, Picture(64, 64, [](int x, int y) {
                             const bool margin = x < 8 || y < 8 || x >= 56 || y >= 56;
                             return margin ? 0u : Opaque(kMesh);
                           })));
  pictures.push_back(Entry("kinds_sparkle", 1, 1, Picture(8, 8, [](int x, int y) {
                             return (x == 3 || x == 4 || y == 3 || y == 4) ? 0xFFFFFFFFu : 0u;
                           })));
  pictures.push_back(Entry("kinds_button", 3, 1, CellStrip(150, 40, 3, 1, {kButton[0], kButton[1], kButton[2]})));
  pictures.push_back(Entry("kinds_toggle", 2, 1, CellStrip(40, 40, 2, 1, {kToggle[0], kToggle[1]})));
  const auto flat = [](int w, int h, uint32_t rgb) { return Picture(w, h, [rgb](int, int) { return Opaque(rgb); }); };
  for (const char* corner : {"kinds_bubble_lu", "kinds_bubble_ru", "kinds_bubble_rd", "kinds_bubble_ld"}) {
    pictures.push_back(Entry(corner, 1, 1, flat(12, 12, kBubbleCorner)));
  }
  pictures.push_back(Entry("kinds_bubble_hr", 1, 1, flat(4, 12, kBubbleEdge)));
  pictures.push_back(Entry("kinds_bubble_vr", 1, 1, flat(12, 4, kBubbleEdge)));
  pictures.push_back(Entry("kinds_bubble_fon", 1, 1, flat(4, 4, kBubbleBack)));
  pictures.push_back(Entry("kinds_bubble_arr", 1, 1, flat(24, 16, kBubbleArrow)));
  return pictures;
}

std::vector<std::pair<std::string, std::wstring>> KindsTexts() {
  return {{"_kindsPlay", L"Play"},
          {"_kindsBody",
           L"\u0421\u043F\u0440\u044F\u0442\u0430\u043D\u043D\u044B\u0435 \u0432\u0435\u0449\u0438 "
           L"\u0436\u0434\u0443\u0442 \u0442\u0435\u0431\u044F. Hidden things are waiting for you in "
           L"every room of the old house."}};
}

DtmRecord KindsScene() {
  DtmRecord camera = Placed("kCamera", 19, 0, 0, 800, 600);
  // A camera fills in its own colour, white; a one-off colour key makes it
  // grey and it stays so.
  camera.Property("_iFillRect", "1")
      .Property("_iAniKey_grey", "2")
      .Property("_iAniRate_grey", "100")
      .Property("_sAniKey_grey_1", "c(255,128,128,128)")
      .Property("_sAniKey_grey_2", "c(255,128,128,128)")
      .Property("_sAnimYet", "grey");

  DtmRecord rect = Placed("kRect", 18, 40, 40, 120, 60);
  rect.Property("_colObj", ColourValue(kRect)).Property("_sModeDraw", "NORMAL");

  // Backward from the last cell, one cell every 40 s: it rests on cell 4.
  DtmRecord sprite = Placed("kSprite", 3, 200, 40, 64, 64);
  sprite.Property("_keyImg", "kinds_strip4")
      .Property("_sModeDraw", "NORMAL")
      .Property("_sTypeRenderAni", "RENDER_CIRCLE")
      .Property("_fRateRenderAni", "0.1")
      .Property("_iVelRenderAni", "-1")
      .Property("_iPlayRenderAniYet", "1");

  DtmRecord grid = Placed("kGrid", 3, 300, 40, 64, 64);
  grid.Property("_keyImg", "kinds_strip32")
      .Property("_sModeDraw", "NORMAL")
      .Property("_sTypeRenderAni", "RENDER_PING_PONG")
      .Property("_iPlayRenderAniYet", "1");

  DtmRecord mover = Placed("kMover", 13, 400, 40, 128, 64);
  mover.Property("_keyImg", "kinds_mover").Property("_sModeDraw", "NORMAL").Property("_fXVel", "0.005");

  DtmRecord masked = Placed("kMasked", 9, 580, 40, 128, 128);
  masked.Property("_keyImgMask", "kinds_mask")
      .Property("_keyImgTexture", "kinds_texture")
      .Property("_fXScale", "2")
      .Property("_fYScale", "2");

  DtmRecord mesh = Placed("kMesh", 7, 40, 200, 64, 64);
  mesh.Property("_keyImg", "kinds_mesh").Property("_sModeDraw", "NORMAL");

  DtmRecord button = Placed("kButton", 4, 160, 200, 150, 40);
  button.Property("_keyImg", "kinds_button").Property("_keyText", "_kindsPlay").Property("_sFont", "FONT_GENERAL");

  DtmRecord toggle = Placed("kToggle", 11, 340, 200, 40, 40);
  toggle.Property("_keyImg", "kinds_toggle");

  DtmRecord text = Placed("kText", 5, 420, 200, 320, 120);
  text.Property("_keyText", "_kindsBody")
      .Property("_sFont", "FONT_TEXT")
      .Property("_colObj", ColourValue(kText))
      .Property("_iAlign", "2")
      .Property("_iLineSpacing", "-1");

  DtmRecord bubble = Placed("kBubble", 16, 160, 420, 300, 60);
  bubble.Property("_keyImgLU", "kinds_bubble_lu")
      .Property("_keyImgRU", "kinds_bubble_ru")
      .Property("_keyImgRD", "kinds_bubble_rd")
      .Property("_keyImgLD", "kinds_bubble_ld")
      .Property("_keyImgHR", "kinds_bubble_hr")
      .Property("_keyImgVR", "kinds_bubble_vr")
      .Property("_keyImgFon", "kinds_bubble_fon")
      .Property("_keyImgArr", "kinds_bubble_arr")
      .Property("_iDeltaFrom", "3")
      .Property("_fXPointArr", "-12")
      .Property("_fYPointArr", "20")
      .Property("_sFont", "FONT_TEXT")
      .Property("_iAniKey_appear", "10")
      .Property("_iAniRate_appear", "25")
      .Property("_sAniKey_appear_1", "c(255)")
      .Property("_sAniKey_appear_10", "c(255)")
      .Property("_iAniKey_hide", "10")
      .Property("_iAniRate_hide", "25")
      .Property("_sAniKey_hide_1", "c(255)")
      .Property("_sAniKey_hide_10", "c(0)");

  DtmRecord swing = Placed("kSwing", 14, 560, 420, 64, 64);
  swing.Property("_keyImg", "kinds_strip4")
      .Property("_sModeDraw", "NORMAL")
      .Property("_fCenterX", "592")
      .Property("_fCenterY", "420")
      .Property("_fAltitudeMax", "0.3")
      .Property("_fVelMax", "0.05")
      .Property("_iLeft_down", "1")
      .Property("_iRight_down", "1");

  camera.Child(rect)
      .Child(sprite)
      .Child(grid)
      .Child(mover)
      .Child(masked)
      .Child(mesh)
      .Child(button)
      .Child(toggle)
      .Child(text)
      .Child(bubble)
      .Child(swing);
  return camera;
}

}  // namespace Kivo
