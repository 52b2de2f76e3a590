#include "game/GalleryMoments.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "engine/ButtonKinds.h"
#include "engine/CarouselKind.h"
#include "engine/ListKind.h"
#include "engine/SliderEditKinds.h"
#include "engine/PlainKinds.h"
#include "frontend/GameApp.h"
#include "frontend/GameDialog.h"
#include "frontend/GameDialogs.h"
#include "frontend/ScreenSwitch.h"
#include "frontend/TutorialPanel.h"
#include "game/GalleryPieces.h"
#include "levels/GameScreen.h"
#include "platform/FrameDump.h"
#include "platform/Headless.h"
#include "platform/Platform.h"
#include "platform/TextLog.h"
#include "shell/KivoAppBase.h"

namespace Kivo {

namespace {

// Top-most first: a dialog opened from another sits above it.
const int kDialogsTopFirst[] = {kDuplicateNameDialogId, kDeletePlayerDialogId, kNameDialogId,    kLeaveLevelDialogId,
                                kPlayersDialogId,       kOptionsDialogId,      kCreditsDialogId, kDifficultyDialogId,
                                kExitDialogId,          kGameMenuDialogId,     kGoalDialogId};

// Each object draws by its own flags, whatever its parent's (a hidden panel
// root may hold shown buttons).
bool Shown(const sObj& object) { return object.mVisible && object.mAlpha > 0; }

// Whether no part of a tutorial panel is half way through a fade.
bool Settled(TutorialPanel* tutorial) {
  if (tutorial == nullptr) return true;
  for (const sObj* object : tutorial->Objects()) {
    if (Shown(*object) && object->mAlpha < 255) return false;
  }
  return true;
}

// What a player does with an object of this kind, or null for scenery.
std::string KindOf(GameScreen& level) {
  const std::string type = level.Objects().empty() ? "" : level.Objects()[0]->mProperties.GetProperty("type_game");
  return type.empty() ? "level" : type;
}

const char* PressKind(const sObj& object) {
  if (dynamic_cast<const sObjButton*>(&object) != nullptr) return "button";
  if (dynamic_cast<const sObjToggle*>(&object) != nullptr) return "toggle";
  if (dynamic_cast<const sObjSlider*>(&object) != nullptr) return "slider";
  if (dynamic_cast<const sObjEdit*>(&object) != nullptr) return "edit";
  if (dynamic_cast<const sObjList*>(&object) != nullptr) return "list";
  if (dynamic_cast<const sObjCarousel*>(&object) != nullptr) return "carousel";
  if (dynamic_cast<const sObjMesh*>(&object) != nullptr) return "item";
  return nullptr;
}

// Names are single tokens in the code page of the data: other bytes are
// written as \xNN.
std::string Line(const std::string& owner, const std::string& objectName, const Quad& quad, const char* kind,
                 bool caption, bool picture) {
  float left = quad.corner[0].x, right = left;
  float top = quad.corner[0].y, bottom = top;
  for (const auto& c : quad.corner) {
    left = std::min(left, c.x);
    right = std::max(right, c.x);
    top = std::min(top, c.y);
    bottom = std::max(bottom, c.y);
  }
  std::string name;
  for (unsigned char c : objectName) {
    if (c > 0x20 && c < 0x7F && c != '\\') {
      name += static_cast<char>(c);
    } else {
      char escaped[8];
      std::snprintf(escaped, sizeof escaped, "\\x%02X", c);
      name += escaped;
    }
  }
  if (name.empty()) name = "-";
  char box[96];
  std::snprintf(box, sizeof box, " %d %d %d %d %d %d", static_cast<int>(std::floor(left)),
                static_cast<int>(std::floor(top)), static_cast<int>(std::ceil(right - left)),
                static_cast<int>(std::ceil(bottom - top)), caption ? 1 : 0, picture ? 1 : 0);
  return "object " + owner + " " + name + " " + kind + box;
}

std::string Line(const std::string& owner, const sObj& object, const char* kind) {
  bool caption = false;
  bool picture = false;
  if (const auto* button = dynamic_cast<const sObjButton*>(&object)) {
    caption = !button->mCaption.empty() && button->mFont != nullptr;
    picture = static_cast<bool>(button->mImage);
  } else if (const auto* toggle = dynamic_cast<const sObjToggle*>(&object)) {
    picture = static_cast<bool>(toggle->mImage);
  }
  return Line(owner, object.mName, object.mBaseQuad, kind, caption, picture);
}

void ListPressable(const std::string& owner, const ObjectList& objects, std::vector<std::string>& lines) {
  for (const sObj* object : objects) {
    const char* kind = PressKind(*object);
    if (kind != nullptr && Shown(*object)) lines.push_back(Line(owner, *object, kind));
  }
}

}  // namespace

GalleryMoments::GalleryMoments(GameApp& game, bool takeFrames, bool driven)
    : mGame(game), mTakeFrames(takeFrames), mDriven(driven) {
  Platform::SetTextFrameListener([this] { return ListObjects(); });
  if (mTakeFrames) Platform::SetFrameDumpFilter([this](const std::string& name) { return Keeps(name); });
}

GalleryMoments::~GalleryMoments() {
  Platform::SetFrameDumpFilter(nullptr);
  Platform::SetTextFrameListener(nullptr);
}

bool GalleryMoments::Keeps(const std::string& name) {
  std::string key = name;
  int number = 0, screen = 0;
  char end = 0;
  if (std::sscanf(name.c_str(), "focus%d_screen%d%c", &number, &screen, &end) == 2) {
    // The map's frame is its own moment (StepMap): at its arrival the story
    // page has not yet come in.
    if (screen != kStoryScreen && screen != kWinScreen) return false;
    key = "screen" + std::to_string(screen);
  }
  return mSaved.insert(key).second;
}

GameDialog* GalleryMoments::TopDialog() const {
  for (int id : kDialogsTopFirst) {
    if (auto* dialog = dynamic_cast<GameDialog*>(gAppBase->FindDialog(id))) return dialog;
  }
  return nullptr;
}

std::vector<std::string> GalleryMoments::ListObjects() const {
  std::vector<std::string> lines;
  if (GameDialog* dialog = TopDialog()) {
    ListPressable("dialog_" + dialog->mSceneName, dialog->mObjects, lines);
    return lines;
  }
  const ScreenTransition* transition = mGame.Transition();
  const int type = transition != nullptr ? transition->mTargetType : kNoScreen;
  Screen* screen = mGame.GetScreen(type);
  if (screen == nullptr) return lines;
  auto* level = dynamic_cast<GameScreen*>(screen);
  if (level == nullptr) {
    ListPressable("screen" + std::to_string(type), screen->Objects(), lines);
    return lines;
  }
  ListPressable("level", level->Objects(), lines);
  const ObjectList& hud = level->HudObjects();
  if (!hud.empty() && Shown(*hud[0])) lines.push_back(Line("hud", *hud[0], "panel"));
  ListPressable("hud", hud, lines);
  for (const sObj* object : hud) {
    // The texts the HUD must show: their boxes, as seen by the checks.
    if ((object->mName == "txtTime" || object->mName == "txtItems") && Shown(*object))
      lines.push_back(Line("hud", *object, "text"));
  }
  TutorialPanel* tutorial = level->Tutorial();
  if (tutorial != nullptr && !tutorial->IsFinished()) ListPressable("tutorial", tutorial->Objects(), lines);
  MiniGame* game = level->Game();
  if (game != nullptr && !game->IsWon() && !game->IsLost()) {
    for (const GalleryPiece& piece : PiecesOf(KindOf(*level), *game))
      lines.push_back(Line("level", piece.name, piece.quad, piece.kind, false, false));
  }
  lines.push_back("level " + KindOf(*level) + " 1 " + (game != nullptr && game->HasItemsCounter() ? "1" : "0"));
  if (game != nullptr && game->HasHint() && !game->IsWon() && !game->IsLost()) {
    HintPoint first, second;
    const uint8_t which = game->GetHintPosition(first, second);
    // (-1000, -1000) is the kinds' "nothing to show".
    if (which != 255 && !(first.x == -1000.0f && first.y == -1000.0f)) {
      lines.push_back("object level hint target " + std::to_string(static_cast<int>(first.x)) + " " +
                      std::to_string(static_cast<int>(first.y)) + " 0 0 0 0");
    }
  }
  return lines;
}

void GalleryMoments::Take(const std::string& name) { Platform::RequestFrameDump(name); }

bool GalleryMoments::DrawWanted() {
  if (!mTakeFrames || Platform::FrameDumpPending() || ++mUndrawn >= kDrawEvery) {
    mUndrawn = 0;
    return true;
  }
  return false;
}

void GalleryMoments::Inject(const std::string& events) {
  std::vector<std::string> errors;
  Platform::SetInputScript(events, &errors);
}

void GalleryMoments::Press(const sObj& object) {
  float x = 0.0f, y = 0.0f;
  for (const auto& c : object.mBaseQuad.corner) {
    x += c.x / 4.0f;
    y += c.y / 4.0f;
  }
  // The move first, so that the button is hovered when pressed.
  Inject("0 move " + std::to_string(static_cast<int>(x)) + " " + std::to_string(static_cast<int>(y)) +
         "\n100 click left\n");
}

bool GalleryMoments::Step() {
  if (!mTakeFrames) return true;
  if (!StepDialog()) return false;
  if (!StepLeave()) return false;
  if (TopDialog() != nullptr) return true;
  auto* level = dynamic_cast<GameScreen*>(mGame.GetScreen(kLevelScreen));
  if (level == nullptr && !StepMap()) return false;
  if (level == nullptr || !mGame.IsFadeFinished()) {
    mLevel = nullptr;
    return true;
  }
  return StepLevel(*level);
}

bool GalleryMoments::StepMap() {
  if (mMapTaken) return true;
  if (mGame.GetScreen(kMapScreen) == nullptr || !mGame.IsFadeFinished()) {
    mMapUpdates = 0;
    return true;
  }
  if (++mMapUpdates < kMapSettleUpdates) return false;
  Take("map");
  mMapTaken = true;
  return true;
}

bool GalleryMoments::StepDialog() {
  GameDialog* dialog = TopDialog();
  if (dialog != mDialog) {
    mDialog = dialog;
    mDialogTaken = false;
    mDialogUpdates = 0;
  }
  if (dialog == nullptr || mDialogTaken) return true;
  if (dialog->mFader.IsActive() || ++mDialogUpdates < kDialogSettleUpdates) return false;
  // A level's dialogs are named after its kind as well.
  auto* level = dynamic_cast<GameScreen*>(mGame.GetScreen(kLevelScreen));
  Take((level != nullptr ? KindOf(*level) + "_" : std::string()) + "dialog_" + dialog->mSceneName);
  mDialogTaken = true;
  return true;
}

bool GalleryMoments::StepLeave() {
  if (!mDriven || mLeave == LeavePhase::kDone) return true;
  GameDialog* top = TopDialog();
  const std::string shown = top != nullptr ? top->mSceneName : std::string();
  auto pressIn = [&](const std::string& name) {
    for (const sObj* object : top->mObjects) {
      if (object->mName == name && Shown(*object)) {
        Press(*object);
        return true;
      }
    }
    return false;
  };
  switch (mLeave) {
    case LeavePhase::kNotYet:
      if (shown != "dlgGameMenu" || !mDialogTaken || mGame.GetScreen(kLevelScreen) == nullptr) return true;
      if (!pressIn(kLeaveButtonName)) {
        mLeave = LeavePhase::kDone;
        return true;
      }
      mLeave = LeavePhase::kPressed;
      mLeaveUpdates = 0;
      return false;
    case LeavePhase::kPressed:
      if (shown == "dlgGameExit") {
        if (!mDialogTaken) return false;
        mLeave = pressIn("btnNo") ? LeavePhase::kAnswered : LeavePhase::kDone;
        return mLeave == LeavePhase::kDone;
      }
      // The dialog never came: the run goes on without its frame.
      if (++mLeaveUpdates < kLeaveWaitUpdates) return false;
      mLeave = LeavePhase::kDone;
      return true;
    case LeavePhase::kAnswered:
      if (shown == "dlgGameExit") return false;
      mLeave = LeavePhase::kDone;
      return true;
    case LeavePhase::kDone: return true;
  }
  return true;
}

bool GalleryMoments::StepLevel(GameScreen& level) {
  if (&level != mLevel) {
    mLevel = &level;
    mPhase = LevelPhase::kArrived;
    mUpdates = 0;
    mTutorialTaken = false;
    mTutorialUpdates = 0;
    mEndTaken = false;
  }
  ++mUpdates;
  MiniGame* game = level.Game();
  if (game != nullptr && (game->IsWon() || game->IsLost())) {
    // The count starts at the win or loss, not at the last phase: the closing
    // message fades in over its first updates and shows for three seconds.
    if (mPhase != LevelPhase::kEnded) {
      mPhase = LevelPhase::kEnded;
      mUpdates = 0;
    }
    if (!mEndTaken && mUpdates >= 100) {
      Take(KindOf(level) + (game->IsWon() ? "_won" : "_lost"));
      mEndTaken = true;
    }
    return true;
  }
  if (level.GetDialogState() != 2) return true;
  TutorialPanel* tutorial = level.Tutorial();
  if (tutorial != nullptr && !tutorial->IsFinished()) {
    const sObj* ok = tutorial->FindObject("ok");
    if (ok != nullptr && ok->mVisible) {
      // The level's own frames are counted from the panel's close, once the
      // next step and the HUD have faded in.
      if (mTutorialTaken) {
        mUpdates = 0;
        return true;
      }
      if (mUpdates < kSettleUpdates) return false;
      // The panel fades in after its button is shown: its frame waits for
      // every part of it a player is to read, a while at most.
      if (++mTutorialUpdates < kTutorialFadeUpdates && !Settled(tutorial)) return false;
      Take(KindOf(level) + "_tutorial");
      mTutorialTaken = true;
      mUpdates = 0;
      return false;
    }
  }
  switch (mPhase) {
    case LevelPhase::kArrived:
      if (mUpdates < 4 * kSettleUpdates) return false;
      if (mUpdates < 4 * kSettleUpdates + kTutorialFadeUpdates && !Settled(tutorial)) return false;
      Take(KindOf(level) + "_start");
      // Without the driver the run is scripted: nothing is pressed here.
      mPhase = mDriven ? LevelPhase::kStarted : LevelPhase::kDone;
      mUpdates = 0;
      return false;
    case LevelPhase::kStarted: {
      const sObj* hint = level.FindObject("btnHint");
      for (const sObj* object : level.HudObjects()) {
        if (object->mName == "btnHint") hint = object;
      }
      if (hint != nullptr && Shown(*hint)) {
        float x = 0.0f, y = 0.0f;
        for (const auto& c : hint->mBaseQuad.corner) {
          x += c.x / 4.0f;
          y += c.y / 4.0f;
        }
        const std::string at = std::to_string(static_cast<int>(x)) + " " + std::to_string(static_cast<int>(y));
        Inject("0 move " + at + "\n30 down left\n60 up left\n");
      }
      mPhase = LevelPhase::kHinted;
      mUpdates = 0;
      return false;
    }
    case LevelPhase::kHinted:
      if (mUpdates < kHintUpdates) return false;
      if (mUpdates < kHintUpdates + kTutorialFadeUpdates && !Settled(tutorial)) return false;
      Take(KindOf(level) + "_hint");
      mPhase = LevelPhase::kPlaying;
      mUpdates = 0;
      return true;
    case LevelPhase::kPlaying: {
      if (mUpdates < kPlayUpdates) return true;
      Take(KindOf(level) + "_play");
      int stage = 0, number = 0;
      mGame.GetCurrentLevel(&stage, &number);
      if (LevelSceneName(stage, number) == "Level_1_1") {
        Inject("0 focus off\n");
        mPhase = LevelPhase::kPausing;
      } else {
        mPhase = LevelPhase::kDone;
      }
      mUpdates = 0;
      return mPhase == LevelPhase::kDone;
    }
    case LevelPhase::kPausing:
      // The darkening and its word fade in together: the frame shows them whole.
      if (mUpdates < kSettleUpdates * 2) return false;
      if (level.PauseAlpha() < GameScreen::kPauseAlphaMax && mUpdates < kTutorialFadeUpdates) return false;
      Take("pause");
      Inject("0 focus on\n");
      mPhase = LevelPhase::kDone;
      return false;
    case LevelPhase::kDone:
    case LevelPhase::kEnded: return true;
  }
  return true;
}

}  // namespace Kivo
