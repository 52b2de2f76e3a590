#include "tools/sampledata/levels/FindSameLevels.h"

#include <string>

#include "tools/sampledata/SampleDrawing.h"
#include "tools/sampledata/levels/LevelPictures.h"

namespace Kivo {

namespace {

using levelpics::Shape;

constexpr uint32_t kMeshType = 7;
constexpr uint32_t kSpriteType = 3;
constexpr uint32_t kEmitterType = 15;
constexpr uint32_t kSoundType = 17;

struct Piece {
  Shape shape;
  uint32_t colour;
};

const Piece kPieces[] = {
    {Shape::kDisc, 0xD04030}, {Shape::kSquare, 0x3060D0}, {Shape::kDiamond, 0x30A040}, {Shape::kTriangle, 0xC09020},
    {Shape::kRing, 0x8040B0}, {Shape::kStar, 0xE07020},   {Shape::kDisc, 0x20A0A0},    {Shape::kSquare, 0xB03070},
};
constexpr int kPieceCount = static_cast<int>(sizeof(kPieces) / sizeof(kPieces[0]));

std::string PieceKey(int i) { return "lvl_piece_" + std::to_string(i); }

void AddPieces(LevelAssets& assets, int size) {
  for (int i = 0; i < kPieceCount; ++i) {
    assets.Add(PieceKey(i), levelpics::ShapePicture(kPieces[i].shape, size, kPieces[i].colour));
  }
}

DtmRecord Effect(const std::string& name, const std::string& effect) {
  DtmRecord record = sample::Placed(name, kEmitterType, 0, 0, 1, 1);
  record.Property("_keyEff", effect);
  return record;
}

DtmRecord Sound(const std::string& name, const std::string& sound) {
  DtmRecord record = sample::Placed(name, kSoundType, 0, 0, 1, 1);
  record.Property("_keySound", sound);
  return record;
}

constexpr int kDiffWidth = 280;

// A found part's arrival ends in a few sparks where it lands, not in a
// burst that would hide what lies around.
void AddFoundEffects(DtmRecord& root) {
  root.Child(Effect("effOnPlace", "magicwand"));
  root.Child(Effect("effSleif", "fxtrail"));
  root.Child(Sound("soundFind", "SOUND_FIND"));
  root.Child(Sound("soundCollected", "SOUND_GOOD_OBJECT"));
}

}  // namespace

// The picture, 280 pixels wide, sits at the left of the left half; the
// parts in play show either there or in the right-hand copy (x + 400), so
// both copies stay left of the HUD panel at 680. Found parts fly to the
// dark gap between the copies and vanish there, on the playfield.
DtmRecord MakeFindDiffLevel(const LevelSlot& slot, LevelAssets& assets) {
  const int variant = slot.appearance;
  const std::string back = "lvl_diff_back_" + std::to_string(variant % 3);
  assets.Add(back, levelpics::Backdrop(kDiffWidth, 600, 0x5080B0 + 0x101000u * static_cast<uint32_t>(variant % 3),
                                       0x407030, variant));
  assets.Add("custom_pointer", levelpics::ShapePicture(Shape::kRing, 24, 0xF0F0F0));
  AddPieces(assets, 40);

  DtmRecord root = levelpics::PictureRecord("level", kSpriteType, 0, 0, 800, 600, "lvl_blank");
  assets.Add("lvl_blank", sample::Flat(4, 4, 0x202830));
  root.Property("type_game", "find_diff")
      .Property("_iLeft", "1")
      .Property("_iNumObjFind", std::to_string(5 + variant % 2))
      .Property("_iFinalX", "340")
      .Property("_iFinalY", "300");
  root.Child(levelpics::PictureRecord("picture", kSpriteType, 0, 0, kDiffWidth, 600, back));
  root.Child(sample::Placed("part_game_draw", 1, 0, 0, 1, 1));
  // Seven candidates spread over a grid of the picture, shifted per appearance.
  for (int i = 0; i < 7; ++i) {
    const int cell = (i * 5 + variant) % 12;
    const float x = 20.0f + static_cast<float>(cell % 4) * 60.0f;
    const float y = 80.0f + static_cast<float>(cell / 4) * 150.0f + static_cast<float>((i + variant) % 3) * 20.0f;
    DtmRecord part = levelpics::PictureRecord("diff_" + std::to_string(i), kMeshType, x, y, 40, 40,
                                              PieceKey((i + variant) % kPieceCount));
    part.Property("_iGroup", "1");
    root.Child(part);
  }
  AddFoundEffects(root);
  return root;
}

// Six objects of the group to find among as many of other groups.
DtmRecord MakeFindIdentLevel(const LevelSlot& slot, LevelAssets& assets) {
  const int variant = slot.appearance;
  const std::string back = "lvl_ident_back_" + std::to_string(variant % 3);
  assets.Add(back, levelpics::Backdrop(680, 600, 0x6070A0, 0x705030 + 0x000800u * static_cast<uint32_t>(variant % 3),
                                       variant + 3));
  AddPieces(assets, 40);
  const int wanted = variant % kPieceCount;

  DtmRecord root = levelpics::PictureRecord("level", kSpriteType, 0, 0, 680, 600, back);
  // Found objects gather at the top right of the playfield.
  root.Property("type_game", "find_ident")
      .Property("_iGroupFind", "2")
      .Property("_iFinalX", "640")
      .Property("_iFinalY", "40");
  for (int i = 0; i < 12; ++i) {
    const bool target = i % 2 == 0;
    const int cell = (i * 5 + variant) % 24;
    const float x = 40.0f + static_cast<float>(cell % 6) * 100.0f;
    const float y = 60.0f + static_cast<float>(cell / 6) * 130.0f;
    const int piece = target ? wanted : (wanted + 1 + i % 3) % kPieceCount;
    DtmRecord object = levelpics::PictureRecord("ident_" + std::to_string(i), kMeshType, x, y, 40, 40, PieceKey(piece));
    object.Property("_iGroup", target ? "2" : std::to_string(3 + i % 3));
    root.Child(object);
  }
  AddFoundEffects(root);
  return root;
}

}  // namespace Kivo
