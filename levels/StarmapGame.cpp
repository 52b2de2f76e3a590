#include "levels/StarmapGame.h"

#include <cmath>

#include "engine/SaturatingCast.h"
#include "engine/SpriteKinds.h"
#include "image/MemoryImage.h"
#include "levels/LevelContext.h"
#include "levels/PropertyValue.h"
#include "shell/base/StringUtils.h"

namespace Kivo {

namespace {

constexpr float kTwoPi = 6.2831855f;
constexpr float kSpinStep = 0.0314159f;
constexpr float kPulseRate = 0.00125663704f;  // 2 pi / 5000
constexpr float kTwinkleRate = 0.00628319f;   // 2 pi / 1000

// Two ranges share a part when one starts at or after the other's start and
// before its end.
bool Share(float a0, float a1, float b0, float b1) { return (a0 >= b0 && a0 < b1) || (b0 >= a0 && b0 < a1); }

Quad BoxAt(float cx, float cy, float w, float h) {
  Quad quad;
  quad.corner[0] = Vector2(cx - w / 2, cy - h / 2);
  quad.corner[1] = Vector2(cx + w / 2, cy - h / 2);
  quad.corner[2] = Vector2(cx + w / 2, cy + h / 2);
  quad.corner[3] = Vector2(cx - w / 2, cy + h / 2);
  return quad;
}

bool Holds(const Quad& quad, float x, float y) {
  return quad.corner[0].x <= x && x < quad.corner[2].x && quad.corner[0].y <= y && y < quad.corner[2].y;
}

// The first property whose key begins "_iStarType", read as an integer.
int32_t StarType(const sObj& object) {
  for (const ObjProperty& pair : object.mProperties) {
    if (pair.key.rfind("_iStarType", 0) != 0) continue;
    int32_t type = 0;
    ParseInt(pair.value, type);
    return type;
  }
  return 0;
}

uint32_t PulseAlpha(uint32_t pulse) {
  return static_cast<uint32_t>(
      TruncateToIntSaturating(16.0f * (std::sin(static_cast<float>(pulse) * kPulseRate) + 1.0f)));
}

}  // namespace

int StarmapGame::Init(ObjectList* levelObjects, ObjectList* hudObjects) {
  MiniGame::Init(levelObjects, hudObjects);
  mStars.clear();
  mPlaces.clear();
  mHovered = mDragged = -1;
  if (levelObjects == nullptr) return 0;
  mSky = FindObjectByName(*levelObjects, "sprStarTrack");
  mSmallMap = FindObjectByName(*levelObjects, "sprStarMini");
  if (mSky == nullptr || mSmallMap == nullptr) {
    MarkUnplayable("starmap", mSky == nullptr ? "no \"sprStarTrack\"" : "no \"sprStarMini\"");
    return 0;
  }
  for (int n = 0;; ++n) {
    sObj* object = FindObjectByName(*levelObjects, "sprStar" + std::to_string(n));
    if (object == nullptr) break;
    Star star;
    star.type = StarType(*object);
    if (auto* sprite = dynamic_cast<sObjSprite*>(object)) star.image = sprite->GetImage();
    star.quad = object->mBaseQuad;
    star.width = star.quad.corner[2].x - star.quad.corner[0].x;
    star.height = star.quad.corner[2].y - star.quad.corner[0].y;
    star.centreX = (star.quad.corner[0].x + star.quad.corner[2].x) / 2;
    star.centreY = (star.quad.corner[0].y + star.quad.corner[2].y) / 2;
    star.twinkle = static_cast<uint32_t>(LcgRandomInt(1000));
    star.spinUp = LcgRandomInt(2);
    mStars.push_back(star);
    StarPlace place;
    place.centreX = star.centreX;
    place.centreY = star.centreY;
    place.type = star.type;
    place.quad = object->mBaseQuad;
    mPlaces.push_back(place);
    object->SetVisible(false);
  }
  for (Star& star : mStars) Scatter(star);
  mPlacedCount = 0;
  mSky->SetAlpha(0);
  return 0;
}

void StarmapGame::Scatter(Star& star) {
  const Quad& sky = mSky->mBaseQuad;
  const Quad& map = mSmallMap->mBaseQuad;
  const float skyWidth = sky.corner[2].x - sky.corner[0].x;
  const float skyHeight = sky.corner[2].y - sky.corner[0].y;
  for (int attempt = 0; attempt < 100; ++attempt) {
    const float x = static_cast<float>(LcgRandomInt(TruncateToIntSaturating(skyWidth - 2 * star.width))) +
                    sky.corner[0].x + star.width;
    const float y = static_cast<float>(LcgRandomInt(TruncateToIntSaturating(skyHeight - 2 * star.height))) +
                    sky.corner[0].y + star.height;
    const Quad box = BoxAt(x, y, star.width, star.height);
    if (Share(box.corner[0].x, box.corner[2].x, map.corner[0].x, map.corner[2].x)) continue;
    if (Share(box.corner[0].y, box.corner[2].y, map.corner[0].y, map.corner[2].y)) continue;
    star.centreX = x;
    star.centreY = y;
    star.quad = box;
  }
}

bool StarmapGame::OverlapsSmallMap(float cx, float cy, float w, float h) const {
  const Quad& map = mSmallMap->mBaseQuad;
  return Share(cx - w / 2, cx + w / 2, map.corner[0].x, map.corner[2].x) &&
         Share(cy - h / 2, cy + h / 2, map.corner[0].y, map.corner[2].y);
}

int StarmapGame::StarAt(float x, float y) const {
  for (std::size_t i = 0; i < mStars.size(); ++i) {
    if (mStars[i].placed == 0 && Holds(mStars[i].quad, x, y)) return static_cast<int>(i);
  }
  return -1;
}

int StarmapGame::PlaceFor(int index) const {
  const Star& star = mStars[static_cast<std::size_t>(index)];
  if (star.placed != 0) return -1;
  for (std::size_t i = 0; i < mPlaces.size(); ++i) {
    const StarPlace& place = mPlaces[i];
    if (place.free != 0 && place.type == star.type && Holds(place.quad, star.centreX, star.centreY)) {
      return static_cast<int>(i);
    }
  }
  return -1;
}

void StarmapGame::DragTo(int index, float px, float py) {
  Star& star = mStars[static_cast<std::size_t>(index)];
  const Quad& sky = mSky->mBaseQuad;
  float x = star.centreX;
  float y = star.centreY;
  if (px > sky.corner[0].x && px < sky.corner[2].x && !OverlapsSmallMap(px, y, star.width, star.height)) x = px;
  if (py > sky.corner[0].y && py < sky.corner[2].y && !OverlapsSmallMap(x, py, star.width, star.height)) y = py;
  star.centreX = x;
  star.centreY = y;
  star.quad = BoxAt(x, y, star.width, star.height);
  const int place = PlaceFor(index);
  if (place >= 0) {
    star.centreX = mPlaces[static_cast<std::size_t>(place)].centreX;
    star.centreY = mPlaces[static_cast<std::size_t>(place)].centreY;
    star.quad = BoxAt(star.centreX, star.centreY, star.width, star.height);
  }
}

int StarmapGame::MouseMove(int x, int y) {
  if (IsUnplayable()) return 0;
  if (mDragged >= 0) {
    DragTo(mDragged, static_cast<float>(x), static_cast<float>(y));
    return 0;
  }
  const int found = StarAt(static_cast<float>(x), static_cast<float>(y));
  if (found != mHovered) {
    if (mHovered >= 0) mStars[static_cast<std::size_t>(mHovered)].hovered = false;
    if (found >= 0) mStars[static_cast<std::size_t>(found)].hovered = true;
    mHovered = found;
  }
  return 0;
}

int StarmapGame::MouseDown(int x, int y, int clickCount) {
  if (IsUnplayable() || mDragged >= 0 || mHovered < 0) return 0;
  mDragged = mHovered;
  DragTo(mDragged, static_cast<float>(x), static_cast<float>(y));
  return 0;
}

int StarmapGame::MouseUp(int x, int y, int clickCount) {
  if (mDragged < 0) return 0;
  const int index = mDragged;
  mDragged = -1;
  DragTo(index, static_cast<float>(x), static_cast<float>(y));
  const int place = PlaceFor(index);
  if (place < 0) return 0;
  Star& star = mStars[static_cast<std::size_t>(index)];
  StarPlace& target = mPlaces[static_cast<std::size_t>(place)];
  target.free = 0;
  star.centreX = target.centreX;
  star.centreY = target.centreY;
  star.quad = BoxAt(star.centreX, star.centreY, star.width, star.height);
  star.placed = 1;
  ++mPlacedCount;
  return 0;
}

int StarmapGame::Update(int updateCount) {
  MiniGame::Update(updateCount);
  if (IsUnplayable()) return 0;
  const uint32_t step = static_cast<uint32_t>(UpdateIntervalMs());
  mPulse = (mPulse + step) % 5000;
  if (mFadeStarted == 0 && mPlacedCount == static_cast<int32_t>(mStars.size())) {
    mFadeStarted = 1;
    mFade = PulseAlpha(mPulse) * 1000 / 255;
  }
  if (mFadeStarted != 0) {
    mFade = std::min<uint32_t>(mFade + 10, 1000);
    mSky->SetAlpha(static_cast<int>(mFade * 255 / 1000));
  } else {
    mSky->SetAlpha(static_cast<int>(PulseAlpha(mPulse)));
  }
  for (Star& star : mStars) {
    star.twinkle = (star.twinkle + step) % 1000;
    if (star.hovered) {
      star.twinkle = (star.twinkle + step) % 1000;
      star.glow = std::min<uint32_t>(star.glow + step, 300);
    } else {
      star.glow = star.glow > step ? star.glow - step : 0;
    }
    if (star.placed != 0) {
      star.angle = star.spinUp == 1 ? std::fmod(star.angle + kSpinStep, kTwoPi)
                                    : std::fmod(star.angle + kTwoPi - kSpinStep, kTwoPi);
    }
  }
  if (!mWon && mFade >= 1000) mWon = true;
  return 0;
}

void StarmapGame::DrawStar(Graphics& g, const Star& star) const {
  const int alpha = star.placed != 0 ? 255 : 150;
  const float s = std::sin(static_cast<float>(star.twinkle) * kTwinkleRate);
  const float scale =
      star.glow > 0 ? 1.0f + s * (static_cast<float>(star.glow) * 0.000333333f + 0.05f) : 1.0f + s * 0.05f;
  const float w = star.width * scale;
  const float h = star.height * scale;
  const float c = std::cos(star.angle);
  const float sn = std::sin(star.angle);
  const Quad box = BoxAt(0.0f, 0.0f, w, h);
  Quad quad;
  for (int i = 0; i < 4; ++i) {
    const float x = box.corner[i].x;
    const float y = box.corner[i].y;
    quad.corner[i] = Vector2(x * c + y * sn + star.centreX, -x * sn + y * c + star.centreY);
  }
  g.SetColorizeImages(true);
  g.SetDrawMode(0);
  g.SetColor(Color(255, 255, 255, alpha));
  g.DrawCellQuad(star.image, quad, 1, 1);
  if (star.glow > 0) {
    g.SetDrawMode(5);
    g.SetColor(Color(255, 255, 255, static_cast<int>(star.glow * 48 / 300)));
    g.DrawCellQuad(star.image, quad, 1, 1);
  }
  g.SetDrawMode(0);
  g.SetColorizeImages(false);
  g.SetColor(Color(255, 255, 255, 255));
}

int StarmapGame::Draw(Graphics& g) {
  const ScreenMatrices& m = CurrentLevelContext().Matrices();
  g.SetColorizeImages(true);
  g.Begin3D(m.world, m.projection, m.view);
  DrawLevelWithHud(*this, g);
  g.SetDrawMode(0);
  g.SetColorizeImages(false);
  for (const Star& star : mStars) {
    if (star.image != nullptr) DrawStar(g, star);
  }
  g.End3D();
  g.SetColorizeImages(false);
  g.SetDrawMode(0);
  g.SetColor(Color(255, 255, 255, 255));
  MiniGame::Draw(g);
  return 0;
}

}  // namespace Kivo
