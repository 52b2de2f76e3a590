#include "frontend/StoryScreen.h"

#include <cstdio>

#include "engine/TextTables.h"
#include "frontend/ScreenSwitch.h"
#include "platform/Environment.h"
#include "ui/Graphics.h"
#include "ui/WidgetManager.h"

namespace Kivo {

namespace {

constexpr char kSkipButton[] = "btnNextMenu";
constexpr char kClickSound[] = "SOUND_BTN_CLK";
constexpr char kWaitTime[] = "wait_time";
const Vec2 kBubbleTextPoint(100.0f, 100.0f);
// The dim always covers the game's logical screen, whatever the window.
constexpr int kDimWidth = 800;
constexpr int kDimHeight = 600;
constexpr int kDimAlpha = 100;

StoryScreen* gCurrentStoryScreen = nullptr;

Vec2 QuadMiddle(const Vector2& a, const Vector2& b) { return Vec2((a.x + b.x) / 2.0f, (a.y + b.y) / 2.0f); }

// A w x h quad centred on centre; mirrored exchanges left and right.
Quad CentredQuad(Vec2 centre, float width, float height, bool mirrored) {
  const float left = centre.x - width / 2.0f;
  const float right = centre.x + width / 2.0f;
  const float top = centre.y - height / 2.0f;
  const float bottom = centre.y + height / 2.0f;
  if (mirrored) return Quad{{{right, top}, {left, top}, {left, bottom}, {right, bottom}}};
  return Quad{{{left, top}, {right, top}, {right, bottom}, {left, bottom}}};
}

void SetQuad(sObj* object, const Quad& quad) {
  object->mBaseQuad = quad;
  object->mDisplayQuad = quad;
  object->UpdateCentre();
  object->UpdateDisplayCentre();
}

void SwapSides(sObj* object) {
  if (object == nullptr) return;
  Quad quad = object->mBaseQuad;
  std::swap(quad.corner[0], quad.corner[1]);
  std::swap(quad.corner[2], quad.corner[3]);
  SetQuad(object, quad);
}

}  // namespace

void SplitSpeechKey(const std::string& key, std::string* name, std::string* mood) {
  const std::size_t split = key.rfind('_');
  if (split == std::string::npos) {
    *name = key;
    mood->clear();
  } else {
    *name = key.substr(0, split);
    *mood = key.substr(split + 1);
  }
}

void Personage::SetPosition(float offsetX, float offsetY) {
  mHeadOffset = Vec2(offsetX, offsetY);
  if (mHead == nullptr || mBody == nullptr) return;
  const Vec2 top = QuadMiddle(mBody->mBaseQuad.corner[0], mBody->mBaseQuad.corner[1]);
  const Vec2 head = QuadMiddle(mHead->mBaseQuad.corner[0], mHead->mBaseQuad.corner[2]);
  mHead->MoveBy(Vec2(top.x + offsetX - head.x, top.y + offsetY - head.y));
}

void Personage::Center(float x, float y) {
  if (mBody != nullptr) mBody->MoveBy(Vec2(x - mPosition.x, y - mPosition.y));
  mPosition = Vec2(x, y);
  SetPosition(mHeadOffset.x, mHeadOffset.y);
}

void Personage::Mirror() {
  mMirrored = !mMirrored;
  SwapSides(mBody);
  SwapSides(mHead);
}

void Personage::SetBodyImage(ScriptScreenServices& services, const std::string& key, bool recentre) {
  if (mBody == nullptr) return;
  float width = 0, height = 0;
  if (!services.SetImage(mBody, key, false, &width, &height) || !recentre) return;
  SetQuad(mBody, CentredQuad(mPosition, width, height, mMirrored));
}

void Personage::SetHeadImage(ScriptScreenServices& services, const std::string& key) {
  if (mHead == nullptr) return;
  float width = 0, height = 0;
  if (!services.SetImage(mHead, key, true, &width, &height)) return;
  Vec2 anchor = mPosition;
  if (mBody != nullptr) anchor = QuadMiddle(mBody->mBaseQuad.corner[0], mBody->mBaseQuad.corner[1]);
  SetQuad(mHead, CentredQuad(Vec2(anchor.x + mHeadOffset.x, anchor.y + mHeadOffset.y), width, height, mMirrored));
}

// The command table's handlers: each scans its arguments and acts on the
// current conversation; a short list, an unknown name or no current screen
// does nothing.
struct StoryCommandHandlers {
  static StoryScreen* Screen() { return gCurrentStoryScreen; }
  static Personage* Find(const std::string& name) { return Screen() ? Screen()->FindPersonage(name) : nullptr; }

  static const ScriptCommandTable& Table() {
    static const ScriptCommandTable table = Build();
    return table;
  }

  static ScriptCommandTable Build() {
    ScriptCommandTable table = StoryCommands();
    SetCommandHandler(table, "personage", [](const std::string& args) {
      std::string slot, name, mood;
      float headX = 0, headY = 0;
      std::int32_t mirrored = 0;
      if (Screen() &&
          Script::ScanRequired("personage", args, "ssffsi", &slot, &name, &headX, &headY, &mood, &mirrored)) {
        Screen()->SetUpPersonage(slot, name, headX, headY, mood, mirrored);
      }
    });
    SetCommandHandler(table, kWaitTime, [](const std::string& args) {
      float seconds = 0;
      if (Screen() && Script::ScanRequired(kWaitTime, args, "f", &seconds)) Screen()->WaitForTime(seconds);
    });
    SetCommandHandler(table, "center", [](const std::string& args) {
      std::string name;
      float x = 0, y = 0;
      if (!Script::ScanRequired("center", args, "sff", &name, &x, &y)) return;
      if (Personage* personage = Find(name)) personage->Center(x, y);
    });
    SetCommandHandler(table, "play_ani", [](const std::string& args) {
      std::string name, animation;
      if (!Script::ScanRequired("play_ani", args, "ss", &name, &animation)) return;
      Personage* personage = Find(name);
      if (personage == nullptr) return;
      for (sObj* part : {personage->mBody, personage->mHead}) {
        if (part != nullptr) part->PlayAnimation(animation);
      }
    });
    SetCommandHandler(table, "init_by_ani", [](const std::string& args) {
      std::string name, animation;
      if (!Script::ScanRequired("init_by_ani", args, "ss", &name, &animation)) return;
      Personage* personage = Find(name);
      if (personage == nullptr) return;
      for (sObj* part : {personage->mBody, personage->mHead}) {
        if (part != nullptr) part->SetPoseFromAnimation(animation);
      }
    });
    return table;
  }
};

StoryScreen* StoryScreen::Current() { return gCurrentStoryScreen; }

StoryScreen::StoryScreen(ScreenHost& host, StoryHost& story, ScriptScreenServices& services, std::string sceneName,
                         int stage, int level)
    : Screen(host, std::move(sceneName)), mStory(story), mServices(services) {
  char path[256];
  std::snprintf(path, sizeof(path), "data\\dialogs\\dlg_%d_%d.dtxt", stage + 1, level + 1);
  if (!mScript.LoadFile(path, &StoryCommandHandlers::Table())) return;
  mFinished = false;
  for (int i = 0; i < kPersonageCount; ++i) {
    const std::string number = std::to_string(i + 1);
    Personage& slot = mPersonages[i];
    slot.mBody = FindObject("pers" + number);
    slot.mHead = FindObject("pers" + number + "_head");
    slot.mBubble = FindObject("b_pers" + number);
    slot.mMirrored = false;
  }
}

StoryScreen::~StoryScreen() {
  if (gCurrentStoryScreen == this) gCurrentStoryScreen = nullptr;
}

void StoryScreen::OnAdded(WidgetManager* manager) {
  Screen::OnAdded(manager);
  if (!mStory.StartLevel()) {
    mFinished = true;
    mHandedOver = true;
    mStory.StartTransition(kMainMenuScreen, kStoryScreen);
    return;
  }
  gCurrentStoryScreen = this;
  Step();
}

void StoryScreen::Update() {
  Screen::Update();
  if (mFinished) return;
  if (TimedWaitEnds(mWaitingForTime, mWaitTimer)) Step();
  Invalidate();
}

void StoryScreen::Draw(Graphics& g) {
  Screen* level = mStory.LevelScreen();
  if (level != nullptr && mStory.IsLevelStarted()) level->Draw(g);
  g.SetColor(Color(0, 0, 0, kDimAlpha));
  g.FillRect(0, 0, kDimWidth, kDimHeight);
  Screen::Draw(g);
}

void StoryScreen::OnBackgroundDown(int x, int y, int clickCount) {
  if (mFinished || !mWaitingForClick) return;
  mWaitingForClick = false;
  Step();
}

void StoryScreen::OnButtonClick(std::string name) {
  if (name != kSkipButton) return;
  mServices.PlaySound(kClickSound);
  HandOver();
}

Personage* StoryScreen::FindPersonage(const std::string& name) {
  for (Personage& personage : mPersonages) {
    if (personage.mName == name) return &personage;
  }
  return nullptr;
}

void StoryScreen::ShowSpeech(Personage* personage, const std::wstring& text, const std::string& mood) {
  if (personage == nullptr) return;
  mServices.ShowBubbleText(personage->mBubble, kBubbleTextPoint, text);
  personage->SetHeadImage(mServices, personage->mName + "_head_" + mood);
}

void StoryScreen::Step() {
  if (mFinished) {
    HandOver();
    return;
  }
  gCurrentStoryScreen = this;
  for (Personage& personage : mPersonages) mServices.HideBubble(personage.mBubble);
  const std::vector<std::string>& lines = mScript.Lines();
  while (mScript.CurrentLine() >= 0 && static_cast<std::size_t>(mScript.CurrentLine()) < lines.size()) {
    const std::string line = lines[static_cast<std::size_t>(mScript.CurrentLine())];
    std::string value;
    const std::string key = Script::SplitAt(line, '=', value);
    if (!key.empty()) {
      std::string name, mood;
      SplitSpeechKey(key, &name, &mood);
      ShowSpeech(FindPersonage(name), GetDialogText(value), mood);
      Platform::Log("conversation: " + key + " says " + value + ", waiting for a click");
      mScript.SetCurrentLine(mScript.CurrentLine() + 1);
      mWaitingForClick = true;
      return;
    }
    const std::string name = Script::ExecLine(line, mScript);
    mScript.SetCurrentLine(mScript.CurrentLine() + 1);
    // A "wait_time" whose arguments were refused started no wait: going on
    // keeps the conversation from hanging until the skip button.
    if (name == kWaitTime && mWaitingForTime) return;
  }
  mFinished = true;
  HandOver();
}

void StoryScreen::HandOver() {
  mFinished = true;
  if (mHandedOver) return;
  mHandedOver = true;
  Platform::Log("conversation: handing over to the level");
  Screen* level = mStory.LevelScreen();
  if (level == nullptr) {
    mStory.StartTransition(kMainMenuScreen, kStoryScreen);
    return;
  }
  level->Resize(0, 0, mStory.WindowWidth(), mStory.WindowHeight());
  if (WidgetManager* manager = GetManager()) {
    manager->AddChild(level);
    manager->MoveToBack(level);
  }
  mStory.StartTransition(kLevelScreen, kStoryScreen);
}

void StoryScreen::SetUpPersonage(const std::string& slotName, const std::string& name, float headX, float headY,
                                 const std::string& mood, int mirrored) {
  Personage* personage = FindPersonage(slotName);
  if (personage == nullptr) return;
  personage->mName = name;
  personage->SetBodyImage(mServices, name + "_body", true);
  personage->SetHeadImage(mServices, name + "_head_" + mood);
  personage->SetPosition(headX, headY);
  if (mirrored != 0) personage->Mirror();
}

void StoryScreen::WaitForTime(float seconds) {
  mWaitingForTime = true;
  mWaitTimer.Start(seconds);
}

}  // namespace Kivo
