#include "levels/SeifGame.h"

#include "engine/KeyframeTrack.h"
#include "engine/SaturatingCast.h"
#include "engine/SceneLoader.h"
#include "levels/LevelContext.h"
#include "shell/base/StringUtils.h"

namespace Kivo {

namespace {

constexpr int kRollKeys = 10;
constexpr uint32_t kRollRate = 20;

AnimDef MakeMoveAnim(const char* name, float dy) {
  AnimDef def;
  def.name = name;
  def.keys = kRollKeys;
  def.rate = kRollRate;
  def.mode = kAnimOnce;
  AddKeyframe(def.keyList, 0, 0.0f, 0.0f, 1.0f, 1.0f, 0.0f);
  AddKeyframe(def.keyList, kRollKeys - 1, 0.0f, dy, 1.0f, 1.0f, 0.0f);
  return def;
}

AnimDef MakeFadeInAnim() {
  AnimDef def;
  def.name = "to_visible";
  def.keys = kRollKeys;
  def.rate = kRollRate;
  def.mode = kAnimOnce;
  Keyframe first;
  first.index = 0;
  first.alpha = 0.0f;
  Keyframe last;
  last.index = kRollKeys - 1;
  last.alpha = 255.0f;
  def.keyList = {first, last};
  return def;
}

std::wstring DigitText(int digit) { return std::to_wstring(digit); }

AnimDef* GlobalAnim(const std::string& name) {
  for (AnimDef& def : gAnimDefs) {
    if (def.name == name) return &def;
  }
  return nullptr;
}

}  // namespace

SeifGame::~SeifGame() {
  // The global "finded" must not keep pointing at this level's sound object.
  AnimDef* finded = GlobalAnim("finded");
  if (finded != nullptr && mFindedSound != nullptr && finded->soundBegin.target == mFindedSound) {
    finded->soundBegin.target = nullptr;
  }
}

bool SeifGame::FindObjects() {
  const ObjectList& level = *mLevelObjects;
  std::string missing;
  auto need = [&](const std::string& name) -> sObj* {
    sObj* object = FindObjectByName(level, name);
    if (object == nullptr && missing.empty()) missing = name;
    return object;
  };
  auto needText = [&](const std::string& name) -> sObjText* {
    sObj* object = need(name);
    auto* text = dynamic_cast<sObjText*>(object);
    if (object != nullptr && text == nullptr && missing.empty()) missing = name + " (not a text)";
    return text;
  };
  sObj* handle = need("sprRuchka");
  mHandle = dynamic_cast<sObjSprite*>(handle);
  if (handle != nullptr && mHandle == nullptr && missing.empty()) missing = "sprRuchka (not a sprite)";
  mHandleGlow = need("sprRuchkaGlow");
  mOpenedSafe = need("sprOpened");
  mTried = needText("txtCodeDone");
  mWrong = need("txtWrong");
  sObj* clip = need("rc_clip");
  if (clip != nullptr) mClip = clip->mBaseQuad;
  for (uint32_t i = 0; i < mWheelCount; ++i) {
    const std::string n = std::to_string(i + 1);
    mFirstText[i] = needText("txt_" + n + "_1");
    mSecondText[i] = needText("txt_" + n + "_2");
    mNoteDigit[i] = needText("txt_" + n);
    mGlowText[i] = need("glowTxt_" + n);
  }
  if (!missing.empty()) MarkUnplayable("seif", "object \"" + missing + "\" is missing");
  return missing.empty();
}

int SeifGame::Init(ObjectList* levelObjects, ObjectList* hudObjects) {
  MiniGame::Init(levelObjects, hudObjects);
  mState = kPlaying;
  mOpened = false;
  mTriedCount = 0;
  const std::string digits = LevelProperty("_iNumDigit");
  if (!digits.empty()) {
    const int32_t n = LeadingInt(digits.c_str());
    mWheelCount = n < 0 ? 0u : static_cast<uint32_t>(n);
  }
  const std::string code = LevelProperty("_iDigitIn");
  if (!code.empty()) mCode = Widen(code);

  if (mWheelCount < 1 || mWheelCount > kMaxWheels) {
    MarkUnplayable("seif", "\"_iNumDigit\" " + std::to_string(mWheelCount) + " is not 1 to 4");
    mWheelCount = 0;
    return 0;
  }
  if (mCode.size() != mWheelCount) {
    MarkUnplayable("seif", "code \"" + Narrow(mCode) + "\" does not have " + std::to_string(mWheelCount) + " digits");
    mWheelCount = 0;
    return 0;
  }
  for (wchar_t c : mCode) {
    if (c < L'0' || c > L'9') {
      MarkUnplayable("seif", "code \"" + Narrow(mCode) + "\" is not all digits");
      mWheelCount = 0;
      return 0;
    }
  }
  if (levelObjects == nullptr || !FindObjects()) {
    mWheelCount = 0;
    return 0;
  }
  BuildAnimations();
  return 0;
}

void SeifGame::BuildAnimations() {
  mOpenedSafe->mAnimations.push_back(MakeFadeInAnim());
  if (AnimDef* finded = GlobalAnim("finded")) {
    mFindedSound = FindEffect("soundFind");
    finded->soundBegin.target = mFindedSound;
  }
  AnimDef glow;
  MakeGlowAnim(glow);
  mHandleGlow->mAnimations.push_back(glow);

  for (uint32_t i = 0; i < mWheelCount; ++i) {
    mSecondShown[i] = false;
    const int digit = LcgRandomRange(0, 9);
    mFirstText[i]->mText = DigitText(digit);
    mSecondText[i]->mText = DigitText((digit + 1) % 10);
    mRollDownStart[i] = mSecondText[i]->mCentre;
    mRollUpStart[i] = mFirstText[i]->mCentre;
    mGlowText[i]->mAnimations.push_back(glow);
    mNoteDigit[i]->mText = std::wstring(1, mCode[i]);
  }
  const Vec2 offset(mFirstText[0]->mCentre.x - mSecondText[0]->mCentre.x,
                    mFirstText[0]->mCentre.y - mSecondText[0]->mCentre.y);
  const AnimDef rollDown = MakeMoveAnim("roll_down", offset.y);
  for (uint32_t i = 0; i < mWheelCount; ++i) {
    const int32_t other = LcgRandomInt(static_cast<int32_t>(mWheelCount));
    std::swap(mNoteDigit[i]->mText, mNoteDigit[other]->mText);
    mFirstText[i]->mAnimations.push_back(rollDown);
    mSecondText[i]->mAnimations.push_back(rollDown);
  }
  const AnimDef rollUp = MakeMoveAnim("roll_up", -offset.y);
  for (uint32_t i = 0; i < mWheelCount; ++i) {
    mRollUpStart[i] = Vec2(mRollUpStart[i].x + offset.x, mRollUpStart[i].y + offset.y);
    mFirstText[i]->mAnimations.push_back(rollUp);
    mSecondText[i]->mAnimations.push_back(rollUp);
  }
}

int SeifGame::ShownDigit(int wheel) const {
  const sObjText* shown = mSecondShown[wheel] ? mSecondText[wheel] : mFirstText[wheel];
  int32_t digit = 0;
  ParseIntWide(shown->mText, digit);
  return digit;
}

std::wstring SeifGame::Entered() const {
  std::wstring entered;
  for (uint32_t i = 0; i < mWheelCount; ++i) {
    const sObjText* shown = mSecondShown[i] ? mSecondText[i] : mFirstText[i];
    entered += shown->mText;
  }
  return entered;
}

void SeifGame::Step(int wheel, bool down) {
  sObjText* shown = mSecondShown[wheel] ? mSecondText[wheel] : mFirstText[wheel];
  sObjText* hidden = mSecondShown[wheel] ? mFirstText[wheel] : mSecondText[wheel];
  hidden->MoveTo(down ? mRollDownStart[wheel] : mRollUpStart[wheel]);
  const int digit = ShownDigit(wheel);
  hidden->mText = DigitText(down ? (digit + 1) % 10 : (digit + 9) % 10);
  const char* roll = down ? "roll_down" : "roll_up";
  shown->PlayAnimation(roll);
  hidden->PlayAnimation(roll);
  mSecondShown[wheel] = !mSecondShown[wheel];
  CurrentLevelContext().PlaySound("SOUND_CHELK_SEIF");
}

bool SeifGame::OnHandle(int x, int y) const {
  if (mHandle == nullptr) return false;
  const Vector2& corner = mHandle->mBaseQuad.corner[0];
  return HitTestImagePixel(mHandle->GetImage(),
                           Vec2(static_cast<float>(x) - corner.x, static_cast<float>(y) - corner.y));
}

bool SeifGame::TryCombination() {
  const std::wstring entered = Entered();
  if (entered == mCode) return true;
  std::wstring& list = mTried->mText;
  if (list.find(entered) != std::wstring::npos) return false;
  std::wstring rest = entered;
  for (wchar_t c : mCode) {
    const size_t at = rest.find(c);
    if (at == std::wstring::npos) return false;
    rest[at] = L'\0';  // matched: never matched again
  }
  ++mTriedCount;
  if (mTriedCount % 2 == 0) {
    list += L", ";
  } else if (mTriedCount != 1) {
    list += L",\n";
  }
  list += entered;
  SendMessage("not_right_code");
  return false;
}

int SeifGame::MouseDown(int x, int y, int clickCount) {
  if (IsUnplayable() || mWheelCount == 0 || mState != kPlaying) return 0;
  const float fx = static_cast<float>(x);
  const float fy = static_cast<float>(y);
  if (clickCount < 0) {
    for (uint32_t i = 0; i < mWheelCount; ++i) {
      if (!mFirstText[i]->IsPlaying() && PointInQuad(mGlowText[i]->mBaseQuad, fx, fy)) Step(static_cast<int>(i), false);
    }
    return 0;
  }
  if (OnHandle(x, y)) {
    LevelContext& context = CurrentLevelContext();
    context.PlaySound("SOUND_RUCHKA_SEIF");
    if (TryCombination()) {
      mHandleGlow->mVisible = false;
      mHandle->PlayAnimation("rot");
      context.PlaySound("SOUND_COLLECTED");
      mState = kTurning;
    }
    return 0;
  }
  for (uint32_t i = 0; i < mWheelCount; ++i) {
    if (!mFirstText[i]->IsPlaying() && PointInQuad(mGlowText[i]->mBaseQuad, fx, fy)) Step(static_cast<int>(i), true);
  }
  return 0;
}

int SeifGame::MouseMove(int x, int y) {
  if (IsUnplayable() || mWheelCount == 0 || mState != kPlaying) return 0;
  if (OnHandle(x, y)) {
    if (!mHandleGlow->IsPlaying()) mHandleGlow->PlayAnimation("glow");
    return 0;
  }
  mHandleGlow->StopAnimation();
  mHandleGlow->SetAlpha(0);
  for (uint32_t i = 0; i < mWheelCount; ++i) {
    sObj* glow = mGlowText[i];
    if (PointInQuad(glow->mBaseQuad, static_cast<float>(x), static_cast<float>(y))) {
      if (!glow->IsPlaying()) glow->PlayAnimation("glow");
    } else {
      glow->StopAnimation();
      glow->SetAlpha(0);
    }
  }
  return 0;
}

void SeifGame::OnAnimationEnd(std::string objectName, std::string animationName) {
  if (IsUnplayable() || mWheelCount == 0) return;
  if (animationName == "rot") {
    mOpenedSafe->PlayAnimation("to_visible");
    for (uint32_t i = 0; i < mWheelCount; ++i) mNoteDigit[i]->mVisible = false;
  } else if (animationName == "to_visible") {
    mState = kOpened;
    mOpened = true;
  } else if (animationName == "finded") {
    for (const char* name : {"effKeyElapsed", "effKeyElapsed1", "effKeyElapsed2"}) {
      auto* emitter = dynamic_cast<sObjEmitter*>(FindObjectByName(*mLevelObjects, name));
      if (emitter != nullptr) emitter->StartAt(emitter->mCentre);
    }
    mWon = true;
  }
}

int SeifGame::Update(int updateCount) {
  MiniGame::Update(updateCount);
  if (!mWon && mOpened) mWon = true;
  return 0;
}

int SeifGame::Draw(Graphics& g) {
  BeginPlayfield(g);
  const bool playable = !IsUnplayable() && mWheelCount != 0;
  if (playable) {
    const Vector2* c = mClip.corner;
    g.ClipRect(TruncateToIntSaturating(c[0].x), TruncateToIntSaturating(c[0].y),
               TruncateToIntSaturating(c[1].x - c[0].x), TruncateToIntSaturating(c[3].y - c[0].y));
  }
  DrawLevelWithHud(*this, g);
  if (playable) {
    g.ClearClipRect();
    for (uint32_t i = 0; i < mWheelCount; ++i) mNoteDigit[i]->Draw(&g);
    mTried->Draw(&g);
    mWrong->Draw(&g);
  }
  EndPlayfield(*this, g);
  return 0;
}

}  // namespace Kivo
