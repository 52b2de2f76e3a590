#include "tools/sampledata/levels/QuestLevels.h"

#include <string>

#include "tools/sampledata/SampleDrawing.h"
#include "tools/sampledata/levels/LevelPictures.h"

namespace Kivo {

namespace {

using levelpics::PictureRecord;
using levelpics::Shape;
using levelpics::ShapePicture;

constexpr uint32_t kMesh = 7;

// An own animation of the object: frames at 50 a second, alpha from `from`
// to `to` with a scale on the way.
void Anim(DtmRecord& record, const std::string& name, int frames, int from, int to, float scale = 1.0f) {
  record.Property("_iAniKey_" + name, std::to_string(frames)).Property("_iAniRate_" + name, "50");
  record.Property("_sAniKey_" + name + "_1", "c(" + std::to_string(from) + ",255,255,255)");
  if (scale != 1.0f) {
    record.Property("_sAniKey_" + name + "_" + std::to_string(frames / 2 + 1),
                    "s(" + std::to_string(scale) + "," + std::to_string(scale) + ")");
  }
  record.Property("_sAniKey_" + name + "_" + std::to_string(frames),
                  "s(1,1) c(" + std::to_string(to) + ",255,255,255)");
}

DtmRecord Item(const std::string& name, float x, float y, float size, int group, const std::string& image) {
  DtmRecord record = PictureRecord(name, kMesh, x, y, size, size, image);
  record.Property("_iGroup", std::to_string(group));
  return record;
}

DtmRecord Effect(const std::string& name, const std::string& effect) {
  DtmRecord record = sample::Placed(name, 15, 0, 0, 1, 1);
  record.Property("_keyEff", effect);
  return record;
}

DtmRecord Sound(const std::string& name, const std::string& sound) {
  DtmRecord record = sample::Placed(name, 17, 0, 0, 1, 1);
  record.Property("_keySound", sound);
  return record;
}

}  // namespace

DtmRecord MakeQuestLevel(const LevelSlot& slot, LevelAssets& assets) {
  const int variant = slot.appearance;
  const float dx = static_cast<float>(20 * (variant % 3));
  // Rings of light round what a player can take or pull at the start: the
  // key, the bolt and the lever.
  const std::string back = "lvl_quest_back_" + std::to_string(variant % 3);
  if (!assets.Has(back)) {
    ImageLib::Image picture = levelpics::Backdrop(680, 600, 0x806050, 0x504038, 2);
    const int shift = static_cast<int>(dx);
    levelpics::Paint(picture, levelpics::GlowRing(76, 0xFFE890), 184 + shift - 38, 224 - 38);
    levelpics::Paint(picture, levelpics::GlowRing(56, 0xFFE890), 76 - 28, 136 - 28);
    levelpics::Paint(picture, levelpics::GlowRing(100, 0xFFE890), 272 + shift - 50, 452 - 50);
    assets.Add(back, std::move(picture));
  }
  assets.Add("lvl_quest_key", ShapePicture(Shape::kTriangle, 48, 0xE0C040));
  assets.Add("lvl_quest_chest", ShapePicture(Shape::kSquare, 96, 0x805020));
  assets.Add("lvl_quest_coin", ShapePicture(Shape::kDisc, 40, 0xF0D060));
  assets.Add("lvl_quest_lever", ShapePicture(Shape::kDiamond, 64, 0x707880));
  assets.Add("lvl_quest_gem", ShapePicture(Shape::kStar, 40, 0x40C0E0));
  assets.Add("lvl_quest_bolt", ShapePicture(Shape::kDisc, 32, 0xC0C0C8));
  assets.Add("lvl_quest_slot", ShapePicture(Shape::kRing, 32, 0x606068));
  assets.Add("lvl_quest_wheel", ShapePicture(Shape::kRing, 64, 0xA07040));
  assets.Add("lvl_quest_plate", ShapePicture(Shape::kSquare, 64, 0x405060));
  assets.Add("lvl_quest_machine", ShapePicture(Shape::kSquare, 120, 0x506070));
  assets.Add("lvl_quest_door", ShapePicture(Shape::kSquare, 80, 0x603020));
  assets.Add("rocket_spark", ShapePicture(Shape::kStar, 16, 0xFFFFC0));
  assets.Add("full_add", ShapePicture(Shape::kDisc, 64, 0x80A0FF));

  DtmRecord root = PictureRecord("level", 3, 0, 0, 680, 600, back);
  root.Property("type_game", "quest");

  DtmRecord chest = Item("chest", 60 + dx, 400, 96, 3, "lvl_quest_chest");
  chest.Property("_iNumElemFromOpen", "1").Property("_sElemFromOpen_1", "key");
  chest.Property("_iNumElemToOpen", "1").Property("_sElemToOpen_1", "coin");
  Anim(chest, "end", 20, 255, 200, 1.1f);
  root.Child(chest);

  DtmRecord coin = Item("coin", 88 + dx, 340, 40, 4, "lvl_quest_coin");
  coin.Property("_iEffAppear", "1").Property("_sEffDo_1", "effCarry");
  Anim(coin, "appear", 25, 0, 255, 1.3f);
  root.Child(coin);

  DtmRecord lever = Item("lever", 240 + dx, 420, 64, 3, "lvl_quest_lever");
  lever.Property("_iNumElemFromOpen", "1").Property("_sElemFromOpen_1", "by_hand");
  lever.Property("_iNumElemToOpen", "1").Property("_sElemToOpen_1", "gem");
  Anim(lever, "end", 20, 255, 255, 0.8f);
  root.Child(lever);

  DtmRecord gem = Item("gem", 252 + dx, 350, 40, 4, "lvl_quest_gem");
  gem.Property("_iEffAppear", "1");
  Anim(gem, "appear", 25, 0, 255, 1.3f);
  root.Child(gem);

  root.Child(Item("slot", 456, 136, 32, 0, "lvl_quest_slot"));
  DtmRecord wheel = Item("wheel", 440, 120, 64, 4, "lvl_quest_wheel");
  wheel.Property("_iNumObjFrom", "1").Property("_sObjFrom_1", "slot").Property("_sSprPl", "wheelPlate");
  root.Child(wheel);
  // The plate's count is drawn white 17 pixels under the plate's right
  // corner: the plate stands on the dark ground, clear of the sky's clouds.
  root.Child(PictureRecord("wheelPlate", 3, 600, 336, 64, 64, "lvl_quest_plate"));

  DtmRecord machine = Item("machine", 400, 300, 120, 3, "lvl_quest_machine");
  machine.Property("_iNumElemFromOpen", "3")
      .Property("_sElemFromOpen_1", "coin")
      .Property("_sElemFromOpen_2", "gem")
      .Property("_sElemFromOpen_3", "wheel")
      .Property("_sSoundDo", "soundMachine");
  Anim(machine, "end", 30, 255, 255, 1.05f);
  root.Child(machine);

  DtmRecord door = Item("door", 560, 440, 80, 3, "lvl_quest_door");
  door.Property("_sElem", "final").Property("_iNumElEndAnimPlay", "1").Property("_sElemEndAnimPlay_1", "machine");
  Anim(door, "end", 40, 255, 0, 1.2f);
  root.Child(door);

  DtmRecord key = Item("key", 160 + dx, 200, 48, 4, "lvl_quest_key");
  root.Child(key);
  DtmRecord bolt = Item("bolt", 60, 120, 32, 1, "lvl_quest_bolt");
  bolt.Property("_sObjTo", "slot").Property("_sObjEnable", "wheel");
  root.Child(bolt);

  DtmRecord camera = sample::Placed("cameraLast", 19, 0, 0, 800, 600);
  camera.Property("_iAniKey_cam", "100").Property("_iAniRate_cam", "50");
  camera.Property("_sAniKey_cam_1", "s(1,1)").Property("_sAniKey_cam_100", "s(0.9,0.9)");
  root.Child(camera);
  root.Child(Effect("effSprAppear", "fxsparkle"));
  root.Child(Effect("effSleif", "fxtrail"));
  root.Child(Effect("effCarry", "fxtrail"));
  root.Child(Sound("soundFind", "SOUND_FIND"));
  root.Child(Sound("soundCollected", "SOUND_GOOD_OBJECT"));
  root.Child(Sound("soundUniQuest", "SOUND_QUEST_UNI"));
  root.Child(Sound("soundMachine", "SOUND_QUEST_DOOR"));
  return root;
}

}  // namespace Kivo
