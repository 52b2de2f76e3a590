#include "tools/sampledata/levels/DuskLevels.h"

#include <string>

#include "tools/sampledata/SampleDrawing.h"
#include "tools/sampledata/levels/LevelPictures.h"

namespace Kivo {

DtmRecord MakeDuskLevel(const LevelSlot& slot, LevelAssets& assets) {
  const int variant = slot.appearance;
  const std::string back = "lvl_dusk_back_" + std::to_string(variant % 2);
  assets.Add(back, levelpics::Backdrop(680, 600, 0x7090C0, 0x508040, variant + 1));
  assets.Add("lvl_dusk_patch", sample::Flat(8, 8, 0x101828));

  DtmRecord root = levelpics::PictureRecord("level", 3, 0, 0, 680, 600, back);
  root.Property("type_game", "dusk").Property("_keyTextStayShablon", "txt_dusk_left");
  const int count = 3 + variant % 2;
  for (int i = 0; i < count; ++i) {
    const float x = 40.0f + static_cast<float>((i * 170 + variant * 30) % 480);
    const float y = 60.0f + static_cast<float>(i) * 120.0f;
    DtmRecord patch = levelpics::PictureRecord("dusk_" + std::to_string(i), 7, x, y, 140, 100, "lvl_dusk_patch");
    patch.Property("_iGroup", "3").Property("_iAlph", std::to_string(255 - 40 * ((i + variant) % 3)));
    root.Child(patch);
  }
  DtmRecord dusk = sample::Placed("effDusk", 15, 0, 0, 1, 1);
  dusk.Property("_keyEff", "magicrain3");
  root.Child(dusk);
  return root;
}

}  // namespace Kivo
