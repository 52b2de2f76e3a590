#include "tools/sampledata/levels/MovingPartsLevels.h"

#include <cmath>
#include <string>

#include "tools/sampledata/SampleDrawing.h"

namespace Kivo {

namespace {

using sample::Opaque;
using sample::Placed;

const uint32_t kPalette[8] = {0xD03030, 0x30A040, 0x3050D0, 0xD0B020, 0xA030C0, 0x20B0B0, 0xE07020, 0x808080};

// A disc of the colour with a lighter rim and a dark mark at its top left,
// on a transparent square.
ImageLib::Image Disc(int side, uint32_t rgb) {
  return sample::Picture(side, side, [side, rgb](int x, int y) -> uint32_t {
    const float c = side / 2.0f;
    const float dx = x + 0.5f - c;
    const float dy = y + 0.5f - c;
    const float r = std::sqrt(dx * dx + dy * dy);
    if (r > c) return 0u;
    if (r > c - 3) return Opaque(rgb | 0x404040);
    if (dx < -c / 3 && dy < -c / 3) return Opaque(0x202020);
    return Opaque(rgb);
  });
}

// The level's background in one of three tones.
DtmRecord Root(const LevelSlot& slot, LevelAssets& assets, uint32_t base) {
  const std::string key = "bg_moving_" + std::to_string(slot.number % 27) + "_" + std::to_string(slot.appearance % 3);
  const uint32_t tone = static_cast<uint32_t>(slot.appearance % 3) * 0x101010;
  assets.Add(key, sample::Picture(80, 60, [base, tone](int x, int y) {
               return Opaque(base + tone + static_cast<uint32_t>((x / 10 + y / 10) % 2) * 0x080808);
             }));
  DtmRecord root = Placed("level", 3, 0, 0, 800, 600);
  root.Property("type_game", slot.type);
  root.Property("_keyImg", key);
  return root;
}

DtmRecord Sprite(const std::string& name, const std::string& key, float left, float top, float width, float height) {
  DtmRecord record = Placed(name, 3, left, top, width, height);
  record.Property("_keyImg", key);
  return record;
}

DtmRecord Text(const std::string& name, float left, float top, float width, float height) {
  DtmRecord record = Placed(name, 5, left, top, width, height);
  record.Property("_sFont", "FONT_TEXT");
  return record;
}

}  // namespace

DtmRecord MakeJumperLevel(const LevelSlot& slot, LevelAssets& assets) {
  DtmRecord root = Root(slot, assets, 0x203050);
  root.Property("_iNumObj", std::to_string(3 + slot.appearance % 2));
  assets.Add("jumper", sample::Picture(100, 20, [](int x, int y) {
               return Opaque(y < 4 ? 0xF0F0F0 : ((x / 10) % 2 ? 0x2060C0 : 0x3080E0));
             }));
  assets.Add("spring", sample::Picture(20, 60, [](int, int y) { return Opaque((y / 6) % 2 ? 0xA0A0A0 : 0x606060); }));
  for (int n = 1; n <= 6; ++n) assets.Add("round" + std::to_string(n), Disc(30, kPalette[n - 1]));
  root.Child(Placed("effElElapsed", 15, 560, 440, 20, 20));
  return root;
}

DtmRecord MakeCardsLevel(const LevelSlot& slot, LevelAssets& assets) {
  DtmRecord root = Root(slot, assets, 0x204020);
  const int count = 4 + 2 * (slot.appearance % 2);
  root.Property("_iNumCard", std::to_string(count));
  // The pictures "card1" to "card8" are the front end's own (the game preloads them).
  assets.Add("card_back_CA_1",
             sample::Picture(80, 110, [](int x, int y) { return Opaque(((x + y) / 8) % 2 ? 0x802020 : 0x601818); }));
  for (int i = 0; i < count; ++i) {
    root.Child(Placed("card" + std::to_string(i), 3, 60.0f + 100.0f * (i % 6), 200.0f, 90.0f, 125.0f));
  }
  return root;
}

namespace {

// One set-up of the scales: beam, two pans and weights of the masses.
DtmRecord Scales(const LevelSlot& slot, LevelAssets& assets, const std::vector<std::string>& masses) {
  DtmRecord root = Root(slot, assets, 0x403020);
  assets.Add("balance_beam",
             sample::Picture(480, 12, [](int x, int) { return Opaque(x < 4 || x >= 476 ? 0x303030 : 0xB08040); }));
  assets.Add("balance_pan", sample::Picture(120, 100, [](int x, int y) -> uint32_t {
               if (y >= 84) return Opaque(0xC0A060);
               if (std::abs(x - 60 - (y - 42) * 55 / 42 * (x < 60 ? 1 : -1)) < 2) return Opaque(0x404040);
               return 0u;
             }));
  assets.Add("balance_weight", sample::Picture(40, 40, [](int x, int y) -> uint32_t {
               if (y < 8) return (x >= 14 && x < 26) ? Opaque(0x505050) : 0u;
               return Opaque(y < 12 ? 0x909090 : 0x707070);
             }));
  root.Child(Sprite("sprBeam", "balance_beam", 80, 144, 480, 12));
  // Pan centres 229 left and right of the beam's centre (320, 150), 183 below it.
  DtmRecord pan0 = Sprite("sprPan0", "balance_pan", 91 - 60, 333 - 50, 120, 100);
  pan0.Property("_fPanBottom", "34");
  DtmRecord pan1 = Sprite("sprPan1", "balance_pan", 549 - 60, 333 - 50, 120, 100);
  pan1.Property("_fPanBottom", "34");
  root.Child(pan0);
  root.Child(pan1);
  for (size_t i = 0; i < masses.size(); ++i) {
    DtmRecord weight = Sprite("sprWeight" + std::to_string(i + 1), "balance_weight", 230.0f + 90.0f * i, 500, 40, 40);
    weight.Property("_fWeight", masses[i]);
    root.Child(weight);
  }
  return root;
}

}  // namespace

DtmRecord MakeBalanceLevel(const LevelSlot& slot, LevelAssets& assets) {
  DtmRecord root = Scales(slot, assets, {"2.0", "2.0"});
  const std::string second = "Level_" + std::to_string(slot.stage) + "_" + std::to_string(slot.level) + "_b";
  root.Property("_sLev_1", second);
  const std::string mass = slot.appearance % 2 == 0 ? "3.0" : "1.5";
  assets.AddScene(second, Scales(slot, assets, {mass, mass}));
  return root;
}

DtmRecord MakeAkvaLevel(const LevelSlot& slot, LevelAssets& assets) {
  DtmRecord root = Root(slot, assets, 0x103060);
  assets.Add("akva_arm",
             sample::Picture(60, 30, [](int x, int y) { return Opaque(y < 6 || x < 4 ? 0x202020 : 0x707070); }));
  assets.Add("akva_hand",
             sample::Picture(120, 40,
                             [](int x, int y) -> uint32_t {
                               const int cell = x / 40;  // 1 open, 2 holding, 3 closed on nothing
                               const int lx = x % 40;
                               const int spread = cell == 0 ? 16 : (cell == 1 ? 10 : 4);
                               if (y < 8) return Opaque(0x909090);
                               if (std::abs(lx - 20) >= spread && std::abs(lx - 20) < spread + 4)
                                 return Opaque(0xC0C0C0);
                               return 0u;
                             }),
             3, 1);
  assets.Add("akva_thread", sample::Picture(6, 200, [](int x, int) { return Opaque(x % 3 ? 0xE0E0E0 : 0xA0A0A0); }));
  assets.Add("akva_stone", sample::Picture(40, 30, [](int x, int y) -> uint32_t {
               const float dx = (x - 20) / 20.0f;
               const float dy = (y - 15) / 15.0f;
               if (dx * dx + dy * dy > 1.0f) return 0u;
               return Opaque(x < 14 && y < 10 ? 0xC0C0B0 : 0x8A7A60);
             }));
  assets.Add("akva_fish", sample::Picture(50, 25, [](int x, int y) -> uint32_t {
               const float dx = (x - 20) / 20.0f;
               const float dy = (y - 12) / 10.0f;
               if (dx * dx + dy * dy <= 1.0f) return Opaque(x < 8 ? 0x202020 : 0xF08020);
               if (x >= 38 && std::abs(y - 12) < (x - 36)) return Opaque(0xD06010);
               return 0u;
             }));
  DtmRecord arm = Sprite("sprArm", "akva_arm", 570, 45, 60, 30);
  arm.Property("_fDistance", "500");
  root.Child(arm);
  DtmRecord thread = Placed("prsThread", 6, 597, 75, 6, 60);
  thread.Property("_keyImg", "akva_thread");
  root.Child(thread);
  DtmRecord hand = Sprite("sprHand", "akva_hand", 580, 110, 40, 40);
  hand.Property("_fDistance", "330");
  root.Child(hand);
  const float stoneX = 300.0f - 60.0f * static_cast<float>(slot.appearance % 3);
  DtmRecord stone = Sprite("sprStone1", "akva_stone", stoneX - 20, 455, 40, 30);
  stone.Property("_iAniKey_stone_dilution", "10");
  stone.Property("_iAniRate_stone_dilution", "20");
  stone.Property("_sAniKey_stone_dilution_1", "c(255,255,255,255)");
  stone.Property("_sAniKey_stone_dilution_10", "c(0,255,255,255)");
  root.Child(stone);
  root.Child(Sprite("sprFish1", "akva_fish", 380, 280, 50, 25));
  root.Child(Placed("effElapsed", 15, 176, 4, 20, 20));
  return root;
}

DtmRecord MakeSeifLevel(const LevelSlot& slot, LevelAssets& assets) {
  DtmRecord root = Root(slot, assets, 0x303038);
  const int wheels = 2 + slot.appearance % 3;
  std::string code = "12";
  if (slot.appearance > 0) {
    code.clear();
    for (int i = 0; i < wheels; ++i) code += static_cast<char>('0' + (slot.number + 3 * i) % 10);
  }
  root.Property("_iNumDigit", std::to_string(wheels));
  root.Property("_iDigitIn", code);
  assets.Add("seif_door", sample::Picture(100, 100, [](int x, int y) {
               return Opaque(x < 3 || y < 3 || x > 96 || y > 96 ? 0x202020 : 0x5A6068);
             }));
  assets.Add("seif_glow", sample::Picture(60, 60, [](int x, int y) -> uint32_t {
               return x < 3 || y < 3 || x > 56 || y > 56 ? Opaque(0xFFE080) : 0u;
             }));
  assets.Add("seif_handle", sample::Picture(80, 80, [](int x, int y) -> uint32_t {
               const float dx = x - 39.5f;
               const float dy = y - 39.5f;
               const float r = std::sqrt(dx * dx + dy * dy);
               if (r > 38.0f) return 0u;
               if (std::fabs(dx) < 5.0f || std::fabs(dy) < 5.0f) return Opaque(0xE0C040);
               return Opaque(r > 30.0f ? 0xB09020 : 0x807020);
             }));
  assets.Add("seif_handle_glow", sample::Picture(80, 80, [](int x, int y) -> uint32_t {
               const float dx = x - 39.5f;
               const float dy = y - 39.5f;
               const float r = std::sqrt(dx * dx + dy * dy);
               return r > 36.0f && r < 40.0f ? Opaque(0xFFF0A0) : 0u;
             }));
  assets.Add("seif_opened", sample::Picture(100, 100, [](int x, int y) {
               return Opaque(x < 20 ? 0x404850 : ((x + y) % 16 < 2 ? 0xE0C040 : 0x101010));
             }));
  root.Child(Sprite("sprDoor", "seif_door", 150, 150, 420, 360));
  root.Child(Placed("rc_clip", 3, 200, 200, 70.0f * wheels, 60));
  for (int i = 1; i <= wheels; ++i) {
    const float x = 200.0f + 70.0f * (i - 1);
    const std::string n = std::to_string(i);
    root.Child(Text("txt_" + n + "_1", x, 200, 60, 60));
    root.Child(Text("txt_" + n + "_2", x, 260, 60, 60));
    root.Child(Text("txt_" + n, 220.0f + 30.0f * i, 160, 30, 30));
    DtmRecord glow = Sprite("glowTxt_" + n, "seif_glow", x, 200, 60, 60);
    glow.Property("_iAlph", "0");
    root.Child(glow);
  }
  root.Child(Text("txtCodeDone", 200, 330, 260, 100));
  root.Child(Text("txtWrong", 200, 440, 260, 30));
  DtmRecord handle = Sprite("sprRuchka", "seif_handle", 470, 330, 80, 80);
  handle.Property("_iAniKey_rot", "13");
  handle.Property("_iAniRate_rot", "24");
  handle.Property("_sAniKey_rot_1", "r(0)");
  handle.Property("_sAniKey_rot_13", "r(90)");
  root.Child(handle);
  DtmRecord handleGlow = Sprite("sprRuchkaGlow", "seif_handle_glow", 470, 330, 80, 80);
  handleGlow.Property("_iAlph", "0");
  root.Child(handleGlow);
  DtmRecord opened = Sprite("sprOpened", "seif_opened", 160, 160, 400, 340);
  opened.Property("_iAlph", "0");
  root.Child(opened);
  return root;
}

}  // namespace Kivo
