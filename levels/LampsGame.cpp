#include "levels/LampsGame.h"

#include <algorithm>
#include <string>

#include "engine/SliderEditKinds.h"
#include "engine/SoundEmitterKinds.h"
#include "engine/SpriteKinds.h"
#include "image/MemoryImage.h"
#include "levels/LevelContext.h"
#include "levels/PuzzleDrawing.h"
#include "shell/base/StringUtils.h"

namespace Kivo {

namespace {

constexpr int kMaxLamps = 20;

// The property as a decimal integer, or fallback when it is empty.
int IntProperty(const MiniGame& game, const char* key, int fallback) {
  const std::string value = game.LevelProperty(key);
  return value.empty() ? fallback : static_cast<int>(LeadingInt(value.c_str()));
}

}  // namespace

int LampsGame::Init(ObjectList* levelObjects, ObjectList* hudObjects) {
  MiniGame::Init(levelObjects, hudObjects);
  const std::string imageKey = LevelProperty("_keyImg_lamp");
  mLampImage.Load(imageKey);
  for (int i = 1;; ++i) {
    const std::string name = LevelProperty("_sEffDo_" + std::to_string(i));
    if (name.empty()) break;
    if (sObj* effect = FindEffect(name)) mEffects.push_back(effect);
  }
  if (levelObjects != nullptr) {
    mBar = dynamic_cast<sObjSlider*>(FindObjectByName(*levelObjects, "barProgress"));
    mLeft = dynamic_cast<sObjSprite*>(FindObjectByName(*levelObjects, "sprLeft"));
    mRight = dynamic_cast<sObjSprite*>(FindObjectByName(*levelObjects, "sprRight"));
  }
  for (sObjSprite* sprite : {mLeft, mRight}) {
    if (sprite != nullptr) sprite->mFrameColumn = 2;
  }
  mSize = IntProperty(*this, "_iNumQuad", 5);
  const int beginY = IntProperty(*this, "_iBeginY", 100);
  const int beginX = IntProperty(*this, "_iBeginX", 100);
  mGapY = IntProperty(*this, "_iGapY", 0);
  mGapX = IntProperty(*this, "_iGapX", 0);
  if (!mLampImage) {
    MarkUnplayable("lamps", "no lamp image \"" + imageKey + "\"");
    return 0;
  }
  if (mSize < 1 || mSize > kMaxLamps) {
    MarkUnplayable("lamps", "\"_iNumQuad\" " + std::to_string(mSize) + " is outside 1.." + std::to_string(kMaxLamps));
    return 0;
  }
  const float w = static_cast<float>(mLampImage.Get()->width / 2);
  const float h = static_cast<float>(mLampImage.Get()->height);
  mLamps.clear();
  for (int a = 0; a < mSize; ++a) {
    for (int b = 0; b < mSize; ++b) {
      Lamp lamp;
      lamp.a = a;
      lamp.b = b;
      const float x = static_cast<float>(beginX) + static_cast<float>(a) * (w + static_cast<float>(mGapX));
      const float y = static_cast<float>(beginY) + static_cast<float>(b) * (h + static_cast<float>(mGapY));
      lamp.quad.corner[0] = Vector2(x, y);
      lamp.quad.corner[1] = Vector2(x + w, y);
      lamp.quad.corner[2] = Vector2(x + w, y + h);
      lamp.quad.corner[3] = Vector2(x, y + h);
      mLamps.push_back(lamp);
    }
  }
  mWork = mLamps;
  mChoice.assign(mSize, false);
  return 0;
}

void LampsGame::Toggle(std::vector<Lamp>& lamps, int a, int b) const {
  const int n = mSize;
  auto flip = [&](int x, int y) {
    if (x >= 0 && x < n && y >= 0 && y < n) lamps[x * n + y].lit ^= 1;
  };
  flip(a, b);
  flip(a - 1, b);
  flip(a + 1, b);
  flip(a, b - 1);
  flip(a, b + 1);
}

bool LampsGame::AllLit() const {
  return std::all_of(mLamps.begin(), mLamps.end(), [](const Lamp& lamp) { return lamp.lit != 0; });
}

int LampsGame::MouseDown(int x, int y, int clickCount) {
  if (IsUnplayable() || mFinished) return 0;
  for (const Lamp& lamp : mLamps) {
    if (!PointInQuad(lamp.quad, static_cast<float>(x), static_cast<float>(y))) continue;
    Toggle(mLamps, lamp.a, lamp.b);
    CurrentLevelContext().PlaySound("SOUND_BTN_CLK");
    break;
  }
  if (!AllLit()) return 0;
  if (mBar != nullptr) {
    mBar->SetValue(1.0f);
  } else {
    Finish();
  }
  mFinished = true;
  CurrentLevelContext().PlaySound("SOUND_ENERGY_UP");
  return 0;
}

void LampsGame::Finish() {
  if (mWon) return;
  mWon = true;
  for (sObjSprite* sprite : {mLeft, mRight}) {
    if (sprite != nullptr) sprite->mFrameColumn = 1;
  }
  for (sObj* effect : mEffects) {
    if (auto* emitter = dynamic_cast<sObjEmitter*>(effect)) emitter->Start();
  }
}

int LampsGame::Update(int updateCount) {
  MiniGame::Update(updateCount);
  if (IsUnplayable()) return 0;
  if (mBar != nullptr && mBar->GetValue() == 1.0f) Finish();
  return 0;
}

void LampsGame::Solve() {
  // Each line of lamps with one a is a mask over b, so an attempt costs n
  // mask operations; the working copy is filled from the masks at the end.
  const int n = mSize;
  const uint32_t full = (n >= 32) ? ~0u : ((1u << n) - 1u);
  std::vector<uint32_t> start(n, 0u);
  for (const Lamp& lamp : mLamps) {
    if (lamp.lit != 0) start[lamp.a] |= 1u << lamp.b;
  }
  std::vector<uint32_t> lit;
  std::vector<uint32_t> presses(n, 0u);
  auto press = [&](int a, uint32_t mask) {
    presses[a] = mask;
    lit[a] ^= (mask ^ (mask << 1) ^ (mask >> 1)) & full;
    if (a > 0) lit[a - 1] ^= mask;
    if (a + 1 < n) lit[a + 1] ^= mask;
  };
  const uint32_t patterns = 1u << n;
  for (uint32_t p = 0; p < patterns; ++p) {
    lit = start;
    press(0, p);
    for (int a = 1; a < n; ++a) press(a, ~lit[a - 1] & full);
    if (lit[n - 1] == full || p + 1 == patterns) break;
  }
  for (int k = 0; k < n; ++k) mChoice[k] = ((presses[0] >> k) & 1u) != 0;
  mWork = mLamps;
  for (Lamp& lamp : mWork) {
    lamp.lit = static_cast<int>((lit[lamp.a] >> lamp.b) & 1u);
    lamp.pressed = ((presses[lamp.a] >> lamp.b) & 1u) != 0;
  }
}

uint8_t LampsGame::GetHintPosition(HintPoint& first, HintPoint& second) {
  if (IsUnplayable() || mLamps.empty()) return kHintNone;
  Solve();
  int found = 0;
  for (const Lamp& lamp : mWork) {
    if (!lamp.pressed) continue;
    const HintPoint centre{(lamp.quad.corner[0].x + lamp.quad.corner[2].x) / 2.0f,
                           (lamp.quad.corner[0].y + lamp.quad.corner[2].y) / 2.0f};
    if (found == 0) {
      first = centre;
      found = 1;
    } else {
      second = centre;
      return kHintAtBoth;
    }
  }
  return found == 1 ? kHintAtFirst : kHintNone;
}

int LampsGame::Draw(Graphics& g) {
  BeginPuzzleDraw(g);
  DrawLevelWithHud(*this, g);
  g.SetColor(Color(255, 255, 255, 255));
  for (const Lamp& lamp : mLamps) g.DrawCellQuad(mLampImage.Get(), lamp.quad, lamp.lit + 1, 1);
  MiniGame::Draw(g);
  EndPuzzleDraw(g);
  return 0;
}

}  // namespace Kivo
