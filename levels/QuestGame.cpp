#include "levels/QuestGame.h"

#include <algorithm>

#include "engine/AnimDef.h"
#include "engine/KeyframeTrack.h"
#include "engine/PropertyList.h"
#include "engine/ResourceIds.h"
#include "levels/DataFormat.h"
#include "levels/FoundObjects.h"
#include "levels/LevelContext.h"
#include "shell/base/StringUtils.h"

namespace Kivo {

namespace {

constexpr int kMeshTypeCode = 7;
constexpr int kSpriteTypeCode = 3;
constexpr int kToolGroup = 1;
constexpr int kSpotGroup = 3;
constexpr int kItemGroup = 4;
constexpr float kInventoryLeft = 680.0f;

int IntProperty(const std::string& value) { return static_cast<int>(LeadingInt(value.c_str())); }

sObjMesh* AsMesh(sObj* object) {
  return object != nullptr && object->mTypeCode == kMeshTypeCode ? dynamic_cast<sObjMesh*>(object) : nullptr;
}

void TakeColourOfFirstKey(sObj& object, const AnimDef& def) {
  if (def.keyList.empty()) return;
  const Keyframe& key = def.keyList.front();
  object.mAlpha = static_cast<int>(key.alpha);
  object.mRed = static_cast<int>(key.red);
  object.mGreen = static_cast<int>(key.green);
  object.mBlue = static_cast<int>(key.blue);
}

std::wstring CountText(size_t count) { return FormatDataInts(L"%i", {static_cast<long long>(count)}); }

}  // namespace

QuestElement* QuestGame::ElementOf(const sObj* object) {
  if (object == nullptr) return nullptr;
  for (QuestElement& element : mElements) {
    if (element.object == object) return &element;
  }
  return nullptr;
}

int QuestGame::Init(ObjectList* levelObjects, ObjectList* hudObjects) {
  MiniGame::Init(levelObjects, hudObjects);
  mElements.clear();
  mTools.clear();
  mCounterTexts.clear();
  mHeld = mHovered = mFinal = nullptr;
  mFinalStage = 0;
  mHintFlag = true;
  mEndTimer.Clear();
  if (FindAnimDef("finded") == nullptr) {
    MarkUnplayable("quest", "the game has no \"finded\" animation");
    return 0;
  }
  sObj* findSound = FindEffect("soundFind");
  mArrivalSound = FindEffect("soundCollected");
  mSparkleEffect = FindEffect("effSprAppear");
  mCamera = FindObjectByName(*levelObjects, "cameraLast");
  mAutoEnd = !LevelProperty("end_level_wo_click").empty();
  mGlitterImage.Load("rocket_spark");

  auto* camera = dynamic_cast<sObjCamera*>(mCamera);
  std::vector<sObjMesh*> elementObjects;
  for (sObj* object : *levelObjects) {
    object->mCamera = camera;
    sObjMesh* mesh = AsMesh(object);
    if (mesh == nullptr) continue;
    if (mesh->mGroup == kSpotGroup || mesh->mGroup == kItemGroup) {
      elementObjects.push_back(mesh);
    } else if (mesh->mGroup == kToolGroup) {
      const std::string targetName = mesh->mProperties.GetProperty("_sObjTo");
      if (targetName.empty()) continue;
      sObj* target = FindObjectByName(*levelObjects, targetName);
      if (target == nullptr) {
        CurrentLevelContext().Log("level: " + CurrentLevelContext().LevelName() + " (quest): the tool " + mesh->mName +
                                  " aims at \"" + targetName + "\", which the level lacks; dropped");
        continue;
      }
      mesh->mState = kWaiting;
      AppendFoundAnimation(*mesh, findSound);
      mTools.push_back({mesh, target, nullptr});
    }
  }
  // Every element exists before any is loaded: elements link to each other.
  mElements.resize(elementObjects.size());
  for (size_t i = 0; i < elementObjects.size(); ++i) mElements[i].object = elementObjects[i];
  for (QuestElement& element : mElements) LoadElement(element);
  for (QuestTool& tool : mTools) {
    const std::string name = tool.tool->mProperties.GetProperty("_sObjEnable");
    if (name.empty()) continue;
    for (QuestElement& element : mElements) {
      if (element.object->mName == name) {
        tool.element = &element;
        break;
      }
    }
  }
  for (QuestElement& element : mElements) {
    if (element.hasCounter) element.counterText.mText = CountText(element.parts.size());
  }
  return 0;
}

void QuestGame::LoadElement(QuestElement& element) {
  sObjMesh& object = *element.object;
  element.useSound = FindEffect("soundUniQuest");
  element.counterText.mAlpha = 0;
  object.InitSparkles(20, 1.0f, 3.0f);
  for (const AnimDef& def : object.mAnimations) {
    if (def.name != "appear") continue;
    element.available = false;
    TakeColourOfFirstKey(object, def);
    break;
  }
  const PropertyList& props = object.mProperties;
  auto numbered = [&props](const std::string& countKey, const std::string& itemKey, auto&& take) {
    const int n = IntProperty(props.GetProperty(countKey));
    for (int i = 1; i <= n; ++i) take(props.GetProperty(itemKey + std::to_string(i)));
  };
  auto elementNamed = [this](const std::string& name) -> QuestElement* {
    if (name.empty()) return nullptr;
    for (QuestElement& other : mElements) {
      if (other.object->mName == name) return &other;
    }
    return nullptr;
  };
  auto objectNamed = [this](const std::string& name) -> sObj* {
    return name.empty() ? nullptr : FindObjectByName(*mLevelObjects, name);
  };
  for (const ObjProperty& pair : props) {
    const std::string& key = pair.key;
    if (key == "_iNumElemFromOpen") {
      numbered(key, "_sElemFromOpen_", [&](const std::string& value) {
        if (value == "by_hand") {
          element.byHand = true;
        } else if (QuestElement* item = elementNamed(value)) {
          element.needed.push_back(item);
        }
      });
    } else if (key == "_iNumElemToOpen") {
      numbered(key, "_sElemToOpen_", [&](const std::string& value) {
        QuestElement* other = elementNamed(value);
        if (other == nullptr) return;
        element.opened.push_back(other);
        if (other->object->mProperties.GetProperty("_iEffAppear") == "1") other->object->CollectOpaquePixels();
      });
    } else if (key == "_iNumElEndAnimPlay") {
      numbered(key, "_sElemEndAnimPlay_", [&](const std::string& value) {
        if (QuestElement* other = elementNamed(value)) element.endElements.push_back(other);
      });
    } else if (key == "_iNumObjFrom") {
      numbered(key, "_sObjFrom_", [&](const std::string& value) {
        sObj* part = objectNamed(value);
        if (part == nullptr) return;
        if (sObjMesh* mesh = AsMesh(part)) mesh->mState = kWaiting;
        part->SetAlpha(150);
        element.parts.push_back(part);
      });
      if (!element.parts.empty()) {
        object.SetVisible(false);
        object.SetAlpha(0);
      }
    } else if (key == "_sSprPl") {
      element.plate = objectNamed(pair.value);
      if (element.plate == nullptr) continue;
      AnimDef rotate;
      MakeRotateAnim(rotate);
      AnimDef showOff;
      MakeShowOffAnim(showOff);
      element.plate->mAnimations.push_back(rotate);
      element.plate->mAnimations.push_back(showOff);
      sObjText& text = element.counterText;
      text.mRed = text.mGreen = text.mBlue = 255;
      text.mAlpha = 255;
      text.mFontName = "FONT_GENERAL";
      text.mFont = FontByName(text.mFontName);
      text.mJustification = -1;
      text.mLineSpacing = 0;
      text.mText.clear();
      const float x = element.plate->mBaseQuad.corner[1].x - 19.0f;
      const float y = element.plate->mBaseQuad.corner[1].y + 81.0f;
      text.mBaseQuad.corner[0] = Vector2(x, y);
      text.mBaseQuad.corner[1] = Vector2(x + 30.0f, y);
      text.mBaseQuad.corner[2] = Vector2(x + 30.0f, y + 30.0f);
      text.mBaseQuad.corner[3] = Vector2(x, y + 30.0f);
      text.mDisplayQuad = text.mBaseQuad;
      element.hasCounter = true;
      mCounterTexts.push_back(&text);
    } else if (key == "_sElem") {
      if (pair.value == "final") {
        element.final = true;
        mFinal = &element;
      }
    } else if (key == "_iDisableMouse") {
      element.disabled = IntProperty(pair.value);
    } else if (key.compare(0, 7, "_sEffDo") == 0) {
      if (sObj* effect = objectNamed(pair.value)) element.effects.push_back(effect);
    } else if (key == "_iNumElemToOpenSpr") {
      numbered(key, "_sElemToOpenSpr_", [&](const std::string& value) {
        sObj* opened = objectNamed(value);
        if (opened == nullptr) return;
        if ((opened->mTypeCode == kSpriteTypeCode || opened->mTypeCode == kMeshTypeCode) &&
            opened->mProperties.GetProperty("_iEffAppear") == "1") {
          if (auto* sprite = dynamic_cast<sObjSprite*>(opened)) sprite->CollectOpaquePixels();
        }
        if (const AnimDef* appear = opened->FindAnimation("appear")) TakeColourOfFirstKey(*opened, *appear);
        element.openedObjects.push_back(opened);
      });
    } else if (key == "_fVEffDeltaX") {
      element.effectDx = PropertyFloat(pair.value);
    } else if (key == "_fVEffDeltaY") {
      element.effectDy = PropertyFloat(pair.value);
    } else if (key == "_sSoundDo") {
      element.useSound = FindEffect(pair.value);
    }
  }
}

void QuestGame::Sparkle(sObj* object) {
  if (object == nullptr || mSparkleEffect == nullptr) return;
  if (object->mTypeCode != kSpriteTypeCode && object->mTypeCode != kMeshTypeCode) return;
  auto* sprite = dynamic_cast<sObjSprite*>(object);
  if (sprite == nullptr || sprite->GetImage() == nullptr) return;
  const int n = static_cast<int>(sprite->mOpaquePixels.size());
  if (n < 1) return;
  // About ten bursts over the image; a step of at least 1, so few pixels end too.
  const int step = std::max(1, n / 10);
  for (int i = n - 1; i > 0; i -= step) {
    Vec2 point;
    sprite->OpaquePixelPosition(point, sprite->mOpaquePixels[static_cast<size_t>(i)]);
    StartEffectAt(mSparkleEffect, point);
  }
}

bool QuestGame::AnythingClosed() const {
  for (const QuestElement& element : mElements) {
    if (!element.needed.empty() || !element.opened.empty()) return true;
  }
  return false;
}

void QuestGame::Open(QuestElement& element) {
  for (QuestElement* other : element.opened) {
    other->object->PlayAnimation("appear");
    other->appearing = true;
    Sparkle(other->object);
  }
  for (sObj* object : element.openedObjects) {
    object->PlayAnimation("appear");
    Sparkle(object);
  }
  element.opened.clear();
  element.openedObjects.clear();
  if (&element != mFinal) {
    element.object->PlayAnimation("end");
    for (sObj* effect : element.effects) StartEffect(effect);
    element.ending = true;
  }
  if (AnythingClosed() || mFinalStage >= 1) return;
  mFinalStage = 1;
  SendMessage("final_click");
  if (mAutoEnd) FinalSequence();
}

void QuestGame::FinalSequence() {
  if (mFinal == nullptr) return;
  QuestElement& f = *mFinal;
  PlaySoundObject(f.useSound);
  f.object->PlayAnimation("end");
  for (sObj* effect : f.effects) StartEffect(effect);
  for (QuestElement* other : f.endElements) other->object->PlayAnimation("end");
  for (sObj* object : f.openedObjects) object->PlayAnimation("appear");
  f.disabled = 1;
  mEndTimer.Start(2.0f);
  if (mCamera != nullptr) mCamera->PlayAnimation("cam");
  f.object->StopSparkles();
}

QuestElement* QuestGame::ElementUnder(float x, float y) {
  for (auto it = mElements.rbegin(); it != mElements.rend(); ++it) {
    QuestElement& element = *it;
    if (element.disabled != 0 || element.appearing || element.ending || !element.available || !element.parts.empty())
      continue;
    if (HitMesh(*element.object, x, y, MeshHit::kQuadOrScreenFrame)) return &element;
  }
  return nullptr;
}

QuestTool* QuestGame::ToolUnder(float x, float y) {
  for (auto it = mTools.rbegin(); it != mTools.rend(); ++it) {
    if (it->tool->mState != kWaiting || it->tool->mAlpha != 255) continue;
    if (HitMesh(*it->tool, x, y, MeshHit::kQuadOrScreenFrame)) return &*it;
  }
  return nullptr;
}

void QuestGame::PutBack() {
  if (mHeld == nullptr) return;
  mHeld->object->SetVisible(true);
  if (!mHeld->effects.empty()) StopEffect(mHeld->effects.front());
  mHeld = nullptr;
}

void QuestGame::StopHoverGlitter() {
  if (mHovered != nullptr) mHovered->object->StopSparkles();
  mHovered = nullptr;
}

int QuestGame::MouseMove(int x, int y) {
  mMouseX = static_cast<float>(x);
  mMouseY = static_cast<float>(y);
  return 0;
}

int QuestGame::MouseUp(int x, int y, int) { return MouseMove(x, y); }

int QuestGame::MouseDown(int x, int y, int clickCount) {
  if (mWon || IsUnplayable()) return 0;
  const float fx = static_cast<float>(x);
  const float fy = static_cast<float>(y);
  mMouseX = fx;
  mMouseY = fy;
  LevelContext& context = CurrentLevelContext();
  if (mHeld == nullptr) {
    if (QuestTool* tool = ToolUnder(fx, fy)) {
      tool->tool->PlayAnimationMode("finded", 1);
      tool->tool->mState = kFlying;
      ResetMissClicks();
    } else if (fx < kInventoryLeft && mFinalStage != 2) {
      ReportMiss(x, y);
    }
  }
  if (clickCount < 0) {
    PutBack();
    return 0;
  }
  QuestElement* e = ElementUnder(fx, fy);
  if (e == nullptr) {
    if (mHeld != nullptr) context.PlaySound("SOUND_MISS");
    return 0;
  }
  if (e == mFinal) {
    if (!AnythingClosed() && !mAutoEnd) FinalSequence();
    return 0;
  }
  if (e->byHand) {
    // A by-hand spot takes back the miss the press counted above.
    ResetMissClicks();
    mPenaltyNotice = false;
    mMissCrossRequest = false;
    Open(*e);
    e->byHand = false;
    StopHoverGlitter();
  }
  if (mHeld == nullptr) {
    sObjMesh& object = *e->object;
    if (object.mGroup == kItemGroup && object.mAlpha == 255) {
      mHeld = e;
      object.mDisplayQuad = object.mBaseQuad;
      object.UpdateDisplayCentre();
      e->holdPoint = Vec2(object.mCentre.x + e->effectDx, object.mCentre.y + e->effectDy);
      if (!e->effects.empty()) {
        if (auto* emitter = dynamic_cast<AnimEffectTarget*>(e->effects.front())) emitter->StartFollowing(&e->holdPoint);
      }
      object.SetVisible(false);
    }
    return 0;
  }
  QuestElement& held = *mHeld;
  if (e->object->mGroup == kSpotGroup) {
    if (!e->needed.empty() && e->needed.front() == &held) {
      SendMessage(held.object->mName);
      PlaySoundObject(held.useSound);
      e->needed.erase(e->needed.begin());
      if (held.plate != nullptr) {
        held.plate->StopAnimation();
        held.plate->PlayAnimation("show_off");
      }
      if (e->needed.empty()) {
        e->disabled = 1;
        Open(*e);
      }
      StopHoverGlitter();
      held.object->mGroup = kToolGroup;
      if (!held.effects.empty()) StopEffect(held.effects.front());
      mHeld = nullptr;
    } else {
      context.PlaySound("SOUND_QUEST_LOOSE");
    }
    return 0;
  }
  if (held.plate != nullptr && PointInQuad(held.plate->mBaseQuad, fx, fy)) PutBack();
  return 0;
}

void QuestGame::FlyTool(QuestTool& tool) {
  sObjMesh& mesh = *tool.tool;
  SpinCorners(mesh, 0.1f);
  const Vec2 d(tool.target->mCentre.x - mesh.mCentre.x, tool.target->mCentre.y - mesh.mCentre.y);
  if (Vec2::Length(d) < 5.0f) {
    mesh.mState = kDone;
    mesh.SetVisible(false);
    return;
  }
  const Vec2 step = Vec2::SetLength(d, 5.0f);
  for (Vector2& corner : mesh.mBaseQuad.corner) {
    corner.x += step.x;
    corner.y += step.y;
  }
  mesh.mCentre.x += step.x;
  mesh.mCentre.y += step.y;
  if (gTrailStep == 2 && mSleifEffect != nullptr) {
    StartEffectAt(mSleifEffect, mesh.mCentre);
    gTrailStep = 0;
  } else {
    ++gTrailStep;
  }
}

void QuestGame::FillPart(QuestElement& element) {
  size_t empty = 0;
  for (sObj* part : element.parts) {
    const sObjMesh* mesh = AsMesh(part);
    if (mesh == nullptr || mesh->mState != kDone) ++empty;
  }
  element.counterText.mText = CountText(empty);
  CurrentLevelContext().PlaySound("SOUND_GOOD_OBJECT");
  if (empty != 0) return;
  for (sObj* part : element.parts) part->SetVisible(false);
  element.object->SetVisible(true);
  element.object->SetAlpha(0);
  element.parts.clear();
  PlaySoundObject(mArrivalSound);
}

int QuestGame::Update(int updateCount) {
  MiniGame::Update(updateCount);
  if (mWon || IsUnplayable()) return 0;
  if (mEndTimer.IsRunning()) {
    mEndTimer.Tick();
    if (mEndTimer.IsDone()) mWon = true;
    return 0;
  }
  for (QuestElement& element : mElements) {
    sObjMesh& object = *element.object;
    if (object.mVisible && element.plate != nullptr && object.mAlpha != 255) {
      if (object.mAlpha + 3 >= 255) {
        object.SetAlpha(255);
        element.counterText.mAlpha = 0;
        if (auto* plate = dynamic_cast<sObjSprite*>(element.plate)) {
          ImageSlot full;
          if (full.Load("full_add")) {
            plate->mImage = full;
            plate->mAdditive = true;
          }
        }
        element.plate->PlayAnimation("rotate");
        element.plate->SetAlpha(255);
      } else {
        element.plate->SetAlpha(element.plate->mAlpha - 3);
        element.counterText.mAlpha -= 3;
        object.SetAlpha(object.mAlpha + 3);
      }
    }
    if (!object.IsPlaying()) {
      if (element.appearing) {
        element.appearing = false;
        element.available = true;
        object.mBaseQuad = object.mDisplayQuad;
        object.UpdateCentre();
      } else if (element.ending) {
        element.ending = false;
        object.mBaseQuad = object.mDisplayQuad;
        object.UpdateCentre();
      }
    }
  }
  if (mHeld != nullptr) {
    sObjMesh& object = *mHeld->object;
    const float dx = mMouseX - object.mDisplayQuad.corner[0].x;
    const float dy = mMouseY - object.mDisplayQuad.corner[0].y;
    for (Vector2& corner : object.mDisplayQuad.corner) {
      corner.x += dx;
      corner.y += dy;
    }
    object.UpdateDisplayCentre();
    mHeld->holdPoint = Vec2(mHeld->holdPoint.x + dx, mHeld->holdPoint.y + dy);
  }
  if (mFinalStage == 0) {
    if (mHovered != nullptr && mHovered->object->mSparkling) {
      const sObjMesh& object = *mHovered->object;
      const Vec2 local(mMouseX - object.mBaseQuad.corner[0].x, mMouseY - object.mBaseQuad.corner[0].y);
      if (!HitTestImagePixel(object.GetImage(), local)) StopHoverGlitter();
    }
    QuestElement* under = ElementUnder(mMouseX, mMouseY);
    if (under != nullptr && under != mHovered) {
      mHovered = under;
      if (under->object->mGroup == kSpotGroup && (under->byHand || !under->needed.empty())) {
        under->object->StartSparkles(mGlitterImage.Get());
      }
    }
  } else if (mFinalStage == 1 && mFinal != nullptr && !mFinal->object->IsPlaying()) {
    mFinal->object->StartSparkles(mGlitterImage.Get());
    mFinalStage = 2;
  }
  for (QuestTool& tool : mTools) {
    sObjMesh& mesh = *tool.tool;
    if (mesh.mState == kFlying && !mesh.IsPlaying()) {
      FlyTool(tool);
    } else if (mesh.mState == kDone && tool.target->mAlpha < 255) {
      if (tool.target->mAlpha + 10 >= 255) {
        tool.target->SetAlpha(255);
        if (sObjMesh* target = AsMesh(tool.target)) target->mState = kDone;
        if (tool.element != nullptr) FillPart(*tool.element);
      } else {
        tool.target->SetAlpha(tool.target->mAlpha + 10);
      }
    }
  }
  return 0;
}

int QuestGame::Draw(Graphics& g) {
  const ScreenMatrices& m = CurrentLevelContext().Matrices();
  g.SetColorizeImages(true);
  g.Begin3D(m.world, m.projection, m.view);
  for (sObj* object : *mLevelObjects) {
    if (object == mHudAnchor) {
      DrawHud(g);
    } else {
      object->Draw(&g);
    }
  }
  for (QuestTool& tool : mTools) {
    if (tool.tool->mState == kFlying) tool.tool->Draw(&g);
  }
  if (mHeld != nullptr && mHeld->object->GetImage() != nullptr) {
    const sObjMesh& object = *mHeld->object;
    g.SetColorARGB(static_cast<unsigned char>(object.mAlpha), static_cast<unsigned char>(object.mRed),
                   static_cast<unsigned char>(object.mGreen), static_cast<unsigned char>(object.mBlue));
    g.DrawCellQuad(object.GetImage(), object.mDisplayQuad, 1, 1);
  }
  for (sObjText* text : mCounterTexts) text->Draw(&g);
  g.End3D();
  g.SetColorizeImages(false);
  return MiniGame::Draw(g);
}

uint8_t QuestGame::GetHintPosition(HintPoint& first, HintPoint&) {
  if (IsUnplayable()) return kHintNone;
  if (mTools.empty()) {
    mHintFlag = false;
    return kHintNone;
  }
  for (QuestTool& tool : mTools) {
    if (tool.tool->mState == kWaiting && tool.tool->mAlpha == 255) {
      first = {tool.tool->mCentre.x, tool.tool->mCentre.y};
      return kHintAtFirst;
    }
  }
  for (auto it = mTools.rbegin(); it != mTools.rend(); ++it) {
    if (it->tool->mState == kWaiting) {
      first = {it->tool->mCentre.x, it->tool->mCentre.y};
      return kHintClosedAtFirst;
    }
  }
  mHintFlag = false;
  return kHintNone;
}

}  // namespace Kivo
