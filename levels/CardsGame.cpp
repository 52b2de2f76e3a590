#include "levels/CardsGame.h"

#include <string>

#include "engine/SceneLoader.h"
#include "shell/base/StringUtils.h"

namespace Kivo {

namespace {

constexpr float kCornerSpeed = 1.5f;  // pixels per update of corner 3
constexpr float kVanishScale = 0.1f;
constexpr float kSpinPerUpdate = 0.15f;  // radians

Quad Mirror(const Quad& quad) {
  Quad out;
  out.corner[0] = quad.corner[1];
  out.corner[1] = quad.corner[0];
  out.corner[2] = quad.corner[3];
  out.corner[3] = quad.corner[2];
  return out;
}

// Progress per update that moves corner 3 from start to target at the
// corner speed; a motion of no length ends in one update.
float StepFor(const Quad& start, const Quad& target) {
  const float distance = Vec2::Distance(target.corner[3], start.corner[3]);
  return distance > 0.0f ? kCornerSpeed / distance : 1.0f;
}

void TurnAbout(Quad& quad, const Mat3& rotation, Vec2 centre) {
  for (Vector2& corner : quad.corner) {
    const Vec2 turned = rotation.Transform(Vec2(corner.x - centre.x, corner.y - centre.y));
    corner = Vec2(turned.x + centre.x, turned.y + centre.y);
  }
}

}  // namespace

int CardsGame::Init(ObjectList* levelObjects, ObjectList* hudObjects) {
  MiniGame::Init(levelObjects, hudObjects);
  mPictureCount = kPictureCount;
  mMismatchDelay = kMismatchDelay;
  mFirstPick = -1;
  mSecondPick = -1;
  mCards.clear();

  for (int n = 1; n <= kPictureCount; ++n) {
    if (mPictures[n - 1].Take("card" + std::to_string(n)) == nullptr) {
      MarkUnplayable("cards", "picture image \"card" + std::to_string(n) + "\" is missing");
    }
  }
  if (mBack.Take("card_back_CA_1") == nullptr) MarkUnplayable("cards", "back image \"card_back_CA_1\" is missing");

  const int32_t count = LeadingInt(LevelProperty("_iNumCard").c_str());
  if (count < 0 || count % 2 != 0) {
    MarkUnplayable("cards", "\"_iNumCard\" " + std::to_string(count) + " is not an even count");
  }
  if (IsUnplayable()) return 0;
  // Every placeholder must exist before the cards are made.
  std::vector<sObj*> placeholders;
  for (int32_t i = 0; i < count; ++i) {
    sObj* object = FindObjectByName(*levelObjects, "card" + std::to_string(i));
    if (object == nullptr) {
      MarkUnplayable("cards", "object \"card" + std::to_string(i) + "\" is missing");
      return 0;
    }
    placeholders.push_back(object);
  }
  mCardCount = static_cast<uint32_t>(count);
  mCards.resize(mCardCount);
  for (uint32_t i = 0; i < mCardCount; ++i) {
    sObj* object = placeholders[i];
    object->mVisible = false;
    Card& card = mCards[i];
    card.start = card.target = card.quad = object->mBaseQuad;
    card.mirrored = Mirror(card.quad);
    card.centre = object->mCentre;
  }
  for (uint32_t i = 0; i + 1 < mCardCount; i += 2) {
    const int32_t picture = LcgRandomInt(kPictureCount * 1000) / 1000;
    mCards[i].picture = picture;
    mCards[i + 1].picture = picture;
  }
  mTrail = FindEmitter(*this, "effCardTrack");
  for (uint32_t i = 0; i < mCardCount; ++i) {
    const int32_t other = LcgRandomInt(static_cast<int32_t>(mCardCount));
    std::swap(mCards[i].picture, mCards[other].picture);
    mCards[i].trail = mTrail;
  }
  mTurnSound = FindSound(*this, "soundCardFlip");
  mMatchSound = FindSound(*this, "soundFind");
  return 0;
}

void CardsGame::Turn(Card& card) {
  card.progress = 0.0f;
  card.start = card.quad;
  card.target = Mirror(card.quad);
  card.step = StepFor(card.start, card.target);
}

void CardsGame::Vanish(Card& card) {
  card.state = 1;
  card.centre = Vec2((card.quad.corner[0].x + card.quad.corner[2].x) * 0.5f,
                     (card.quad.corner[0].y + card.quad.corner[2].y) * 0.5f);
  card.start = card.quad;
  Mat3 scale;
  scale.Identity();
  scale.Scale(kVanishScale, kVanishScale);
  card.target = card.quad;
  TurnAbout(card.target, scale, card.centre);
  card.progress = 0.0f;
  card.step = StepFor(card.start, card.target);
}

void CardsGame::StepCard(Card& card) {
  if (card.state == 1) {
    ++card.spinTicks;
    Mat3 rotation;
    rotation.Identity();
    rotation.Rotation(kSpinPerUpdate);
    TurnAbout(card.start, rotation, card.centre);
    TurnAbout(card.target, rotation, card.centre);
    if (card.trail != nullptr && card.spinTicks > 1) {
      for (int corner : {0, 3, 1, 2}) card.trail->StartAt(card.quad.corner[corner]);
      card.spinTicks = 0;
    }
    if (card.progress + card.step >= 1.0f) card.state = 2;
  }
  card.progress += card.step;
  if (card.progress >= 0.5f) card.shownSide = card.wantedSide;
  if (card.progress > 1.0f) card.progress = 1.0f;
  for (int i = 0; i < 4; ++i) {
    const Vector2& a = card.start.corner[i];
    const Vector2& b = card.target.corner[i];
    card.quad.corner[i] = Vec2(a.x + (b.x - a.x) * card.progress, a.y + (b.y - a.y) * card.progress);
  }
  card.mirrored = Mirror(card.quad);
}

int CardsGame::MouseDown(int x, int y, int clickCount) {
  if (IsUnplayable()) return 0;
  if (mFirstPick >= 0 && mSecondPick >= 0) return 0;
  for (int i = static_cast<int>(mCards.size()) - 1; i >= 0; --i) {
    Card& card = mCards[i];
    if (card.progress != 1.0f || card.state != 0 || i == mFirstPick) continue;
    if (!PointInQuad(card.quad, static_cast<float>(x), static_cast<float>(y))) continue;
    if (mFirstPick < 0) {
      mFirstPick = i;
    } else {
      mSecondPick = i;
    }
    PlayIfAny(mTurnSound);
    Turn(card);
    card.wantedSide = 1;
    return 0;
  }
  return 0;
}

int CardsGame::Update(int updateCount) {
  MiniGame::Update(updateCount);
  if (IsUnplayable()) return 0;
  for (Card& card : mCards) {
    if (card.progress != 1.0f && card.state != 2) StepCard(card);
  }
  if (mFirstPick >= 0 && mSecondPick >= 0) {
    Card& first = mCards[mFirstPick];
    Card& second = mCards[mSecondPick];
    if (first.progress == 1.0f && second.progress == 1.0f) {
      if (first.picture == second.picture) {
        PlayIfAny(mMatchSound);
        Vanish(first);
        Vanish(second);
        mFirstPick = mSecondPick = -1;
      } else if (--mMismatchDelay == 0) {
        PlayIfAny(mTurnSound);
        Turn(first);
        Turn(second);
        first.wantedSide = second.wantedSide = 0;
        mMismatchDelay = kMismatchDelay;
        mFirstPick = mSecondPick = -1;
      }
    }
  }
  if (!mWon) {
    bool allGone = true;
    for (const Card& card : mCards) allGone = allGone && card.progress == 1.0f && card.state == 2;
    if (mCardCount == 0 || allGone) mWon = true;
  }
  return 0;
}

uint8_t CardsGame::GetHintPosition(HintPoint& first, HintPoint& second) {
  if (IsUnplayable()) return kHintNone;
  for (size_t i = 0; i < mCards.size(); ++i) {
    if (mCards[i].state != 0) continue;
    first = {mCards[i].centre.x, mCards[i].centre.y};
    for (size_t j = i + 1; j < mCards.size(); ++j) {
      if (mCards[j].state == 0 && mCards[j].picture == mCards[i].picture) {
        second = {mCards[j].centre.x, mCards[j].centre.y};
        break;
      }
    }
    return kHintClosedAtBoth;
  }
  return kHintNone;
}

int CardsGame::Draw(Graphics& g) {
  BeginPlayfield(g);
  DrawLevelWithHud(*this, g);
  g.SetColor(Color(255, 255, 255, 255));
  for (const Card& card : mCards) {
    if (card.state == 2) continue;
    if (card.shownSide == 1) {
      g.DrawCellQuad(mPictures[card.picture].Get(), card.mirrored, 1, 1);
    } else {
      g.DrawCellQuad(mBack.Get(), card.quad, 1, 1);
    }
  }
  EndPlayfield(*this, g);
  return 0;
}

}  // namespace Kivo
