#include "levels/TowersGame.h"

#include <algorithm>
#include <cmath>
#include <string>

#include "engine/SpriteKinds.h"
#include "image/MemoryImage.h"
#include "levels/LevelContext.h"
#include "levels/PuzzleDrawing.h"
#include "shell/KivoAppBase.h"
#include "shell/base/StringUtils.h"

namespace Kivo {

namespace {

constexpr float kPi = 3.1415927f;
constexpr float kHalfPi = 1.5707964f;
constexpr uint32_t kGlowTime = 300;
constexpr float kAboveTower = 100.0f;
constexpr float kLiftSpeed = 0.5f;  // pixels per ms

// The value of the object's own property, "" when absent.
const std::string& OwnProperty(const sObj& object, const std::string& key) {
  static const std::string kEmpty;
  for (const ObjProperty& pair : object.mProperties) {
    if (pair.key == key) return pair.value;
  }
  return kEmpty;
}

float OwnInt(const sObj& object, const std::string& key) {
  int32_t value = 0;
  ParseInt(OwnProperty(object, key), value);
  return static_cast<float>(value);
}

Image* PictureOf(const sObj* object) {
  const auto* sprite = dynamic_cast<const sObjSprite*>(object);
  return sprite != nullptr ? sprite->GetImage() : nullptr;
}

void StepGlow(bool on, uint32_t& level, uint32_t interval) {
  if (on) {
    level = std::min(level + interval, kGlowTime);
  } else {
    level = level > interval ? level - interval : 0;
  }
}

uint32_t Truncate(float value) { return value > 0.0f ? static_cast<uint32_t>(value) : 0; }

}  // namespace

// ---------------------------------------------------------------------------
// Sprite parts and disks.

void SpritePart::FromObject(const sObj& object, Image* picture) {
  image = picture;
  const Quad& base = object.mBaseQuad;
  pivotX = (base.corner[2].x - base.corner[0].x) / 2.0f;
  pivotY = (base.corner[2].y - base.corner[0].y) / 2.0f;
  x = base.corner[0].x + pivotX;
  y = base.corner[0].y + pivotY;
  for (int k = 0; k < 4; ++k) {
    quad.corner[k] = Vector2(base.corner[k].x - x, base.corner[k].y - y);
  }
  SetPosition(x, y);
}

void SpritePart::SetPivot(float px, float py) {
  const float dx = px - pivotX;
  const float dy = py - pivotY;
  pivotX = px;
  pivotY = py;
  for (Vector2& corner : quad.corner) {
    corner.x -= dx;
    corner.y -= dy;
  }
  SetPosition(x + dx, y + dy);
}

void SpritePart::SetPosition(float px, float py) {
  x = px;
  y = py;
  for (int k = 0; k < 4; ++k) displayQuad.corner[k] = Vector2(quad.corner[k].x + x, quad.corner[k].y + y);
}

void SpritePart::Draw(Graphics& g, uint32_t glowLevel) const {
  g.SetDrawMode(0);
  g.SetColor(Color(255, 255, 255, 255));
  g.DrawCellQuad(image, displayQuad, 1, 1);
  if (glowLevel == 0) return;
  g.SetDrawMode(5);
  g.SetColor(Color(255, 255, 255, static_cast<int32_t>(glowLevel * 48 / kGlowTime)));
  g.DrawCellQuad(image, displayQuad, 1, 1);
  g.SetDrawMode(0);
}

void TowerDisk::StartMotion(float tx, float ty, uint32_t ms) {
  start = position;
  target = Vector2(tx, ty);
  distance = Vector2(target.x - start.x, target.y - start.y);
  duration = ms;
  elapsed = 0;
}

void TowerDisk::Step(uint32_t interval) {
  const uint32_t e = elapsed + interval;
  if (e < duration) {
    elapsed = e;
    const float eased = (std::sin(kPi * static_cast<float>(e) / static_cast<float>(duration) - kHalfPi) + 1.0f) / 2.0f;
    position = Vector2(start.x + distance.x * eased, start.y + distance.y * eased);
  } else {
    position = target;
    elapsed = duration;
  }
  float px = position.x;
  float py = position.y;
  if (bobbing) {
    bobPhase = (bobPhase + interval) % 1000;
    py -= 5.0f * std::sin(static_cast<float>(bobPhase) * 0.0062831854f);
  }
  back.SetPosition(px, py);
  front.SetPosition(px, py);
  StepGlow(glowOn, glowLevel, interval);
}

// ---------------------------------------------------------------------------
// The game.

uint32_t TowersGame::Interval() {
  if (gAppBase != nullptr && gAppBase->mUpdateInterval > 0) return static_cast<uint32_t>(gAppBase->mUpdateInterval);
  return 10;
}

int TowersGame::Init(ObjectList* levelObjects, ObjectList* hudObjects) {
  MiniGame::Init(levelObjects, hudObjects);
  if (levelObjects == nullptr) {
    MarkUnplayable("towers", "no level objects");
    return 0;
  }
  for (int n = 0;; ++n) {
    sObj* object = FindObjectByName(*levelObjects, "sprTower" + std::to_string(n));
    if (object == nullptr) break;
    Tower tower;
    tower.part.FromObject(*object, PictureOf(object));
    tower.offsetX = OwnInt(*object, "_iOffsetX");
    tower.offsetY = OwnInt(*object, "_iOffsetY");
    object->SetVisible(false);
    mTowers.push_back(tower);
  }
  for (int n = 0;; ++n) {
    const std::string name = "sprDisk" + std::to_string(n);
    sObj* object = FindObjectByName(*levelObjects, name);
    sObj* frontObject = FindObjectByName(*levelObjects, name + "_front");
    if (object == nullptr || frontObject == nullptr) break;
    TowerDisk disk;
    disk.number = n;
    disk.back.FromObject(*object, PictureOf(object));
    disk.front.FromObject(*object, PictureOf(frontObject));
    disk.boundSize = object->mBaseQuad.corner[2].y - object->mBaseQuad.corner[0].y;
    disk.boundPos = -0.5f * disk.boundSize;
    for (const ObjProperty& pair : object->mProperties) {
      int32_t value = 0;
      if (pair.key == "_iBoundPos") {
        ParseInt(pair.value, value);
        disk.boundPos = static_cast<float>(value);
      } else if (pair.key == "_iBoundSize") {
        ParseInt(pair.value, value);
        disk.boundSize = static_cast<float>(value);
      } else if (pair.key == "_iCenterX") {
        ParseInt(pair.value, value);
        disk.referenceX = static_cast<float>(value);
      } else if (pair.key == "_iCenterY") {
        ParseInt(pair.value, value);
        disk.referenceY = static_cast<float>(value);
      }
    }
    disk.back.SetPivot(disk.referenceX, disk.referenceY);
    disk.front.SetPivot(disk.referenceX, disk.referenceY);
    disk.position = disk.target = disk.start = Vector2(disk.back.x, disk.back.y);
    object->SetVisible(false);
    frontObject->SetVisible(false);
    mDisks.push_back(disk);
  }
  if (mTowers.empty()) {
    MarkUnplayable("towers", "no \"sprTower0\" object");
    return 0;
  }
  Tower& first = mTowers[0];
  for (const TowerDisk& disk : mDisks) first.disks.push_back(disk.number);
  if (!first.disks.empty()) {
    const TowerDisk& bottom = mDisks[first.disks[0]];
    first.baseX = bottom.back.x - first.part.x;
    first.baseY = bottom.back.y - first.part.y;
    float y = first.part.y + first.baseY + first.offsetY;
    for (int index : first.disks) {
      TowerDisk& disk = mDisks[index];
      y -= disk.boundSize;
      const Vector2 at(first.part.x + first.offsetX + first.baseX, y - disk.boundPos);
      disk.back.SetPosition(at.x, at.y);
      disk.front.SetPosition(at.x, at.y);
      disk.position = disk.target = disk.start = at;
    }
  }
  for (Tower& tower : mTowers) {
    tower.baseX = first.baseX;
    tower.baseY = first.baseY;
  }
  return 0;
}

uint8_t TowersGame::GetHintPosition(HintPoint& first, HintPoint& second) {
  if (IsUnplayable()) return kHintNone;
  return MiniGame::GetHintPosition(first, second);
}

void TowersGame::MoveAbove(int index, TowerDisk& disk, float speed) {
  const Tower& tower = mTowers[index];
  const float tx = tower.part.x;
  const float ty = tower.part.displayQuad.corner[0].y - (disk.boundSize + disk.boundPos) - kAboveTower;
  const float distance = Vec2::Distance(disk.position, Vector2(tx, ty));
  disk.StartMotion(tx, ty, Truncate(distance / speed));
}

void TowersGame::PlaceOnTop(int index, TowerDisk& disk) {
  const Tower& tower = mTowers[index];
  float top = tower.part.y + tower.offsetY + tower.baseY;
  for (int stacked : tower.disks) top -= mDisks[stacked].boundSize;
  const float tx = tower.part.x + tower.offsetX + tower.baseX;
  const float ty = top - (disk.boundSize + disk.boundPos);
  disk.StartMotion(tx, ty, Truncate(2.0f * Vec2::Distance(disk.position, Vector2(tx, ty))));
}

void TowersGame::Dip(int index, TowerDisk& disk) {
  const Tower& tower = mTowers[index];
  const float tx = tower.part.x + tower.offsetX + tower.baseX;
  const float ty = tower.part.displayQuad.corner[0].y - (disk.boundSize + disk.boundPos);
  disk.StartMotion(tx, ty, Truncate(2.0f * Vec2::Distance(disk.position, Vector2(tx, ty))));
}

void TowersGame::SetTopGlow(int tower, bool on) {
  if (tower < 0 || mTowers[tower].disks.empty()) return;
  mDisks[mTowers[tower].disks.back()].glowOn = on;
}

void TowersGame::AdvanceCarry() {
  if (mCarried < 0) return;
  TowerDisk& disk = mDisks[mCarried];
  if (!disk.MotionEnded()) return;
  switch (mState) {
    case kLifting:
    case kRefusedRise:
      mState = kIdle;
      if (!disk.bobbing) {
        disk.bobbing = true;
        disk.bobPhase = 0;
      }
      break;
    case kCarrying:
      disk.bobbing = false;
      PlaceOnTop(mWorking, disk);
      mState = kSettingDown;
      break;
    case kSettingDown:
      mState = kIdle;
      mTowers[mWorking].disks.push_back(mCarried);
      disk.glowOn = false;
      if (mHovered >= 0) {
        mTowers[mHovered].glowOn = true;
        SetTopGlow(mHovered, true);
      }
      mCarried = -1;
      mWorking = -1;
      break;
    case kRefusedApproach:
      Dip(mWorking, disk);
      mState = kRefusedDip;
      disk.bobbing = false;
      break;
    case kRefusedDip:
      MoveAbove(mWorking, disk, kLiftSpeed);
      mState = kRefusedRise;
      break;
    default: break;
  }
}

int TowersGame::Update(int updateCount) {
  MiniGame::Update(updateCount);
  if (IsUnplayable()) return 0;
  const uint32_t interval = Interval();
  for (Tower& tower : mTowers) StepGlow(tower.glowOn, tower.glowLevel, interval);
  for (TowerDisk& disk : mDisks) disk.Step(interval);
  AdvanceCarry();
  if (!mWon && mTowers.back().disks.size() == mDisks.size()) mWon = true;
  return 0;
}

int TowersGame::TowerAt(float x, float y) const {
  auto inside = [x, y](const Quad& q) {
    return x >= q.corner[0].x && x < q.corner[2].x && y >= q.corner[0].y && y < q.corner[2].y;
  };
  for (int t = 0; t < static_cast<int>(mTowers.size()); ++t) {
    const Tower& tower = mTowers[t];
    for (int index : tower.disks) {
      if (inside(mDisks[index].front.displayQuad)) return t;
    }
    if (inside(tower.part.displayQuad)) return t;
  }
  return -1;
}

int TowersGame::MouseMove(int x, int y) {
  if (IsUnplayable()) return 0;
  const int under = TowerAt(static_cast<float>(x), static_cast<float>(y));
  if (under == mHovered) return 0;
  if (mHovered >= 0) {
    mTowers[mHovered].glowOn = false;
    SetTopGlow(mHovered, false);
  }
  mHovered = under;
  if (mHovered >= 0) {
    mTowers[mHovered].glowOn = true;
    if (mCarried < 0) SetTopGlow(mHovered, true);
  }
  return 0;
}

int TowersGame::MouseUp(int x, int y, int clickCount) {
  if (IsUnplayable() || mState != kIdle || mHovered < 0) return 0;
  Tower& tower = mTowers[mHovered];
  if (mCarried < 0) {
    if (tower.disks.empty()) return 0;
    const int top = tower.disks.back();
    MoveAbove(mHovered, mDisks[top], kLiftSpeed);
    tower.disks.pop_back();
    mCarried = top;
    mDisks[top].glowOn = true;
    mWorking = mHovered;
    mState = kLifting;
    return 0;
  }
  TowerDisk& disk = mDisks[mCarried];
  const bool allowed = tower.disks.empty() || mDisks[tower.disks.back()].number < disk.number;
  if (allowed) {
    if (mHovered == mWorking) {
      disk.bobbing = false;
      PlaceOnTop(mHovered, disk);
      mState = kSettingDown;
    } else {
      MoveAbove(mHovered, disk, kLiftSpeed);
      mWorking = mHovered;
      mState = kCarrying;
    }
  } else if (mHovered == mWorking) {
    Dip(mHovered, disk);
    mState = kRefusedDip;
    disk.bobbing = false;
  } else {
    MoveAbove(mHovered, disk, kLiftSpeed);
    mWorking = mHovered;
    mState = kRefusedApproach;
  }
  return 0;
}

int TowersGame::Draw(Graphics& g) {
  BeginPuzzleDraw(g);
  DrawLevelWithHud(*this, g);
  g.SetDrawMode(0);
  for (const TowerDisk& disk : mDisks) disk.back.Draw(g, disk.glowLevel);
  for (const Tower& tower : mTowers) tower.part.Draw(g, tower.glowLevel);
  for (const TowerDisk& disk : mDisks) disk.front.Draw(g, disk.glowLevel);
  EndPuzzleDraw(g);
  g.SetDrawMode(0);
  g.SetColor(Color(255, 255, 255, 255));
  MiniGame::Draw(g);
  return 0;
}

}  // namespace Kivo
