#include "frontend/TutorialPanel.h"

#include <cmath>
#include <cstdio>

#include "engine/TextTables.h"
#include "platform/Platform.h"

namespace Kivo {

namespace {

constexpr char kSkipButton[] = "btnNextMenu";
constexpr char kClickSound[] = "SOUND_BTN_CLK";
constexpr char kShowOn[] = "show_on";
constexpr char kShowOff[] = "show_off";
constexpr char kArrowPong[] = "arrow_pong";
constexpr const char* kArrowNames[TutorialPanel::kArrowCount] = {"tutArrow", "tutArrow1", "tutArrow2"};
constexpr float kDegreesToRadians = 0.017453292f;
constexpr float kArrowBob = 8.0f;

TutorialPanel* gCurrentTutorialPanel = nullptr;

// A fade between two alphas that keeps the object's own colour.
AnimDef MakeFade(const char* name, const sObj& object, float fromAlpha, float toAlpha) {
  AnimDef def;
  def.name = name;
  def.keys = 7;
  def.rate = 12;
  def.mode = kAnimOnce;
  Keyframe first;
  first.index = 0;
  first.alpha = fromAlpha;
  first.red = static_cast<float>(object.mRed);
  first.green = static_cast<float>(object.mGreen);
  first.blue = static_cast<float>(object.mBlue);
  Keyframe last = first;
  last.index = 6;
  last.alpha = toAlpha;
  def.keyList = {first, last};
  return def;
}

// Two resting keys; the second gets its offset once the arrow has appeared
// and knows its direction.
AnimDef MakeArrowPong(const sObj& object) {
  AnimDef def;
  def.name = kArrowPong;
  def.keys = 8;
  def.rate = 20;
  def.mode = kAnimPingPong;
  Keyframe first;
  first.index = 0;
  first.red = static_cast<float>(object.mRed);
  first.green = static_cast<float>(object.mGreen);
  first.blue = static_cast<float>(object.mBlue);
  Keyframe last = first;
  last.index = 7;
  def.keyList = {first, last};
  return def;
}

bool IsWaitCommand(const std::string& name) {
  return name == "wait_event_ani_end" || name == "wait_event_time" || name == "wait_event_btn_pressed" ||
         name == "wait_event_click_left" || name == "wait_event_click_right";
}

void Hide(sObj* object) {
  if (object != nullptr) object->SetVisible(false);
}

void Appear(sObj* object) {
  if (object == nullptr) return;
  object->FinishAnimation();
  object->PlayAnimation(kShowOn);
}

}  // namespace

// The command table's handlers: each scans its arguments and acts on the
// current panel; a short list or no current panel does nothing.
struct TutorialCommandHandlers {
  static TutorialPanel* Panel() { return gCurrentTutorialPanel; }

  static const ScriptCommandTable& Table() {
    static const ScriptCommandTable table = Build();
    return table;
  }

  static ScriptCommandTable Build() {
    ScriptCommandTable table = TutorialCommands();
    SetCommandHandler(table, "show", [](const std::string& args) {
      std::string key;
      float x = 0, y = 0;
      if (Panel() && Script::ScanRequired("show", args, "sff", &key, &x, &y)) Panel()->Show(key, x, y);
    });
    SetCommandHandler(table, "arrow_show", [](const std::string& args) {
      float x = 0, y = 0;
      std::int32_t degrees = 0;
      if (Panel() && Script::ScanRequired("arrow_show", args, "ffi", &x, &y, &degrees)) {
        Panel()->ShowArrow(x, y, degrees);
      }
    });
    SetCommandHandler(table, "wait_event_ani_end", [](const std::string& args) {
      std::string object, animation;
      if (Panel() && Script::ScanRequired("wait_event_ani_end", args, "ss", &object, &animation)) {
        Panel()->WaitForAnimation(object, animation);
      }
    });
    SetCommandHandler(table, "wait_event_time", [](const std::string& args) {
      float seconds = 0;
      if (Panel() && Script::ScanRequired("wait_event_time", args, "f", &seconds)) Panel()->WaitForTime(seconds);
    });
    SetCommandHandler(table, "wait_event_btn_pressed", [](const std::string& args) {
      std::string button;
      if (Panel() && Script::ScanRequired("wait_event_btn_pressed", args, "s", &button)) {
        Panel()->WaitForButton(button);
      }
    });
    SetCommandHandler(table, "rect_strict", [](const std::string& args) {
      std::string object;
      if (Panel() && Script::ScanRequired("rect_strict", args, "s", &object)) Panel()->AllowObjectArea(object);
    });
    SetCommandHandler(table, "wait_event_click_left", [](const std::string&) {
      if (Panel()) Panel()->mWaitingForLeftClick = true;
    });
    SetCommandHandler(table, "wait_event_click_right", [](const std::string&) {
      if (Panel()) Panel()->mWaitingForRightClick = true;
    });
    SetCommandHandler(table, "wait_event", [](const std::string& args) {
      std::string message, label;
      if (Panel() && Script::ScanRequired("wait_event", args, "ss", &message, &label)) {
        Panel()->WaitForMessage(message, label);
      }
    });
    SetCommandHandler(table, "rect_strict_vert", [](const std::string& args) {
      Quad quad;
      Vector2* c = quad.corner;
      if (Panel() && Script::ScanRequired("rect_strict_vert", args, "ffffffff", &c[0].x, &c[0].y, &c[1].x, &c[1].y,
                                          &c[2].x, &c[2].y, &c[3].x, &c[3].y)) {
        Panel()->AllowArea(quad);
      }
    });
    SetCommandHandler(table, "block_quant", [](const std::string&) {
      if (Panel()) Panel()->mBlock = true;
    });
    SetCommandHandler(table, "goto", [](const std::string& args) {
      std::string label;
      if (Panel() && Script::ScanRequired("goto", args, "s", &label)) Panel()->mScript.Goto(label);
    });
    return table;
  }
};

TutorialPanel* TutorialPanel::Current() { return gCurrentTutorialPanel; }

TutorialPanel::TutorialPanel(ScreenHost& host, ScriptScreenServices& services, std::string sceneName, int stage,
                             int level)
    : Screen(host, std::move(sceneName)), mServices(services) {
  mBack = FindObject("sprBack");
  mText = FindObject("txtTutor");
  mOk = FindObject("ok");
  for (int i = 0; i < kArrowCount; ++i) mArrows[i] = FindObject(kArrowNames[i]);
  AddAnimations();

  char path[256];
  std::snprintf(path, sizeof(path), "data\\tutorial\\tut_%d_%d.txt", stage + 1, level + 1);
  if (!mScript.LoadFile(path, &TutorialCommandHandlers::Table())) return;
  mFinished = false;
  FreeAreas();
  if (sObj* skip = FindObject(kSkipButton)) {
    skip->SetVisible(true);
    skip->SetAlpha(255);
  }
}

TutorialPanel::~TutorialPanel() {
  if (gCurrentTutorialPanel == this) gCurrentTutorialPanel = nullptr;
}

void TutorialPanel::AddAnimations() {
  for (sObj* object : mObjects) {
    if (object->mName != kSkipButton) {
      object->mAnimations.push_back(MakeFade(kShowOn, *object, 0.0f, 255.0f));
      object->mAnimations.push_back(MakeFade(kShowOff, *object, 255.0f, 0.0f));
    }
    object->SetAlpha(0);
    object->SetVisible(false);
  }
  for (sObj* arrow : mArrows) {
    if (arrow != nullptr) arrow->mAnimations.push_back(MakeArrowPong(*arrow));
  }
}

void TutorialPanel::Start() {
  gCurrentTutorialPanel = this;
  RunScript();
}

bool TutorialPanel::IsBlocking() const { return !mFinished && mBlock; }

bool TutorialPanel::InAllowedArea(float x, float y) const {
  for (int i = 0; i < kAreaCount; ++i) {
    if (mAreaInUse[i] && PointInQuad(mAreas[i], x, y)) return true;
  }
  return false;
}

bool TutorialPanel::IsClickAllowed(float x, float y) const { return mFinished || InAllowedArea(x, y); }

bool TutorialPanel::FilterClick(int x, int y, int clickCount) {
  if (mFinished) return true;
  const float px = static_cast<float>(x);
  const float py = static_cast<float>(y);
  sObj* skip = FindObject(kSkipButton);
  if (skip != nullptr && PointInQuad(skip->mBaseQuad, px, py)) {
    Screen::MouseDown(x, y, clickCount);
    return false;
  }
  if (mWaitingForLeftClick || mWaitingForRightClick) {
    const bool rightButton = mWaitingForLeftClick ? clickCount > 0 : clickCount < 0;
    if (!rightButton || !InAllowedArea(px, py)) return false;
    mWaitingForLeftClick = false;
    mWaitingForRightClick = false;
    RunScript();
    return true;
  }
  Screen::MouseDown(x, y, clickCount);
  return IsClickAllowed(px, py);
}

void TutorialPanel::Update() {
  Screen::Update();
  if (mFinished) return;
  if (TimedWaitEnds(mWaitingForTime, mWaitTimer)) RunScript();
  Invalidate();
}

void TutorialPanel::OnButtonClick(std::string name) {
  if (mFinished) return;
  if (name == kSkipButton) {
    mServices.PlaySound(kClickSound);
    mFinished = true;
    mScript.SetCurrentLine(static_cast<int>(mScript.Lines().size()));
    Hide(mBack);
    Hide(mText);
    Hide(mOk);
    for (sObj* arrow : mArrows) Hide(arrow);
    FreeAreas();
    Hide(FindObject(kSkipButton));
  } else if (mWaitingForButton && name == mAwaitedObject) {
    mServices.PlaySound(kClickSound);
    mWaitingForButton = false;
    RunScript();
  }
}

void TutorialPanel::OnAnimationEnd(std::string name, std::string animation) {
  if (mFinished) return;
  if (mWaitingForAnimationEnd && name == mAwaitedObject && animation == mAwaitedAnimation) {
    mWaitingForAnimationEnd = false;
    RunScript();
  }
  if (animation != kShowOn) return;
  for (int i = 0; i < kArrowCount; ++i) {
    if (name != kArrowNames[i]) continue;
    sObj* arrow = FindObject(name);
    AnimDef* pong = arrow != nullptr ? arrow->FindAnimation(kArrowPong) : nullptr;
    if (pong == nullptr || pong->keyList.size() < 2) return;
    const Vector2& c0 = arrow->mBaseQuad.corner[0];
    const Vector2& c1 = arrow->mBaseQuad.corner[1];
    float dx = c0.x - c1.x;
    float dy = c0.y - c1.y;
    const float length = std::sqrt(dx * dx + dy * dy);
    if (length > 0.0f) {
      dx = dx / length * kArrowBob;
      dy = dy / length * kArrowBob;
    }
    pong->keyList[1].offsetX = dx;
    pong->keyList[1].offsetY = dy;
    arrow->PlayAnimation(kArrowPong);
    return;
  }
}

void TutorialPanel::OnMessage(std::string message) {
  if (mFinished || !mWaitingForMessage) return;
  auto found = mMessageLabels.find(message);
  if (found == mMessageLabels.end()) return;
  mScript.Goto(found->second);
  mWaitingForMessage = false;
  RunScript();
}

void TutorialPanel::FreeAreas() {
  for (bool& inUse : mAreaInUse) inUse = false;
}

int TutorialPanel::FirstFreeArea() const {
  for (int i = 0; i < kAreaCount; ++i) {
    if (!mAreaInUse[i]) return i;
  }
  return -1;
}

void TutorialPanel::RunScript() {
  if (mFinished) return;
  gCurrentTutorialPanel = this;
  for (sObj* object : mObjects) {
    if (object->HasAnimation(kShowOff)) object->PlayAnimation(kShowOff);
  }
  FreeAreas();
  mBlock = false;
  const std::vector<std::string>& lines = mScript.Lines();
  // Between two waits nothing can change where a jump goes, so a run that
  // executes more lines than the script holds is going round a loop for
  // ever: the tutorial ends there instead of freezing the game.
  std::size_t executed = 0;
  while (mScript.CurrentLine() >= 0 && static_cast<std::size_t>(mScript.CurrentLine()) < lines.size()) {
    if (++executed > lines.size()) {
      Platform::Log("tutorial: the script jumps round a loop without waiting; it ends here");
      break;
    }
    const std::size_t index = static_cast<std::size_t>(mScript.CurrentLine());
    // The handler may jump, so the line is copied before it runs.
    const std::string line = lines[index];
    const std::string name = Script::ExecLine(line, mScript);
    mScript.SetCurrentLine(mScript.CurrentLine() + 1);
    if (IsWaitCommand(name)) return;
    if (name == "wait_event") {
      const std::size_t next = static_cast<std::size_t>(mScript.CurrentLine());
      if (next >= lines.size() || Script::CommandName(lines[next]) != "wait_event") return;
    }
  }
  mFinished = true;
  Hide(FindObject(kSkipButton));
}

void TutorialPanel::Show(const std::string& key, float x, float y) {
  if (mBack != nullptr) {
    const Vec2 delta(x - mBack->mCentre.x, y - mBack->mCentre.y);
    for (sObj* object : {mBack, mText, mOk}) {
      if (object != nullptr) object->MoveBy(delta);
    }
  }
  mServices.SetText(mText, GetText(key));
  if (mBack != nullptr) mBack->SetVisible(true);
  if (mText != nullptr) mText->SetVisible(true);
  Hide(mOk);
  Appear(mBack);
  Appear(mText);
  Appear(mOk);
  for (sObj* arrow : mArrows) Hide(arrow);
}

void TutorialPanel::ShowArrow(float x, float y, int degrees) {
  for (int i = 0; i < kArrowCount; ++i) {
    sObj* arrow = mArrows[i];
    if (arrow == nullptr || arrow->mVisible) continue;
    arrow->MoveTo(Vec2(x, y));
    TurnArrow(i, static_cast<float>(degrees) * kDegreesToRadians);
    arrow->SetVisible(true);
    Appear(arrow);
    return;
  }
}

void TutorialPanel::TurnArrow(int index, float radians) {
  sObj* arrow = mArrows[index];
  const float a = radians - mArrowAngles[index];
  const float cosA = std::cos(a);
  const float sinA = std::sin(a);
  const Vec2 centre = arrow->mCentre;
  for (Vector2& corner : arrow->mBaseQuad.corner) {
    const float dx = corner.x - centre.x;
    const float dy = corner.y - centre.y;
    corner.x = centre.x + dx * cosA + dy * sinA;
    corner.y = centre.y - dx * sinA + dy * cosA;
  }
  arrow->mDisplayQuad = arrow->mBaseQuad;
  mArrowAngles[index] = radians;
}

void TutorialPanel::WaitForAnimation(const std::string& object, const std::string& animation) {
  mWaitingForAnimationEnd = true;
  mAwaitedObject = object;
  mAwaitedAnimation = animation;
}

void TutorialPanel::WaitForTime(float seconds) {
  mWaitingForTime = true;
  mWaitTimer.Start(seconds);
}

void TutorialPanel::WaitForButton(const std::string& button) {
  mWaitingForButton = true;
  mAwaitedObject = button;
  if (mOk != nullptr) {
    mOk->SetVisible(true);
    mServices.ResetButton(mOk);
  }
}

void TutorialPanel::AllowObjectArea(const std::string& object) {
  const int area = FirstFreeArea();
  if (area < 0 || mLevelObjects == nullptr) return;
  for (sObj* candidate : *mLevelObjects) {
    if (candidate->mName != object) continue;
    mAreas[area] = candidate->mBaseQuad;
    mAreaInUse[area] = true;
    return;
  }
}

void TutorialPanel::AllowArea(const Quad& quad) {
  const int area = FirstFreeArea();
  if (area < 0) return;
  mAreas[area] = quad;
  mAreaInUse[area] = true;
}

void TutorialPanel::WaitForMessage(const std::string& message, const std::string& label) {
  mWaitingForMessage = true;
  mMessageLabels[message] = label;
}

}  // namespace Kivo
