#include "frontend/TutorialPanel.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cmath>
#include <memory>
#include <sstream>

#include "screen_test_support.h"
#include "script_screen_test_support.h"

namespace Kivo {
namespace {

using screentest::Log;
using screentest::RecordingScreenHost;

using scripttest::Plain;

// "mnTutor" with every object the panel looks up, "mnTutorBare" with none;
// the script is written into data\tutorial\ of a scratch working folder.
class TutorialPanelTest : public screentest::SceneFixture {
 protected:
  TutorialPanelTest() {
    DtmRecord root = Plain("root", 0, 0, 800, 600);
    root.Child(Plain("sprBack", 0, 0, 200, 100))
        .Child(Plain("txtTutor", 10, 10, 180, 60))
        .Child(Plain("ok", 80, 75, 40, 20))
        .Child(Plain("tutArrow", 0, 0, 40, 10))
        .Child(Plain("tutArrow1", 0, 0, 40, 10))
        .Child(Plain("tutArrow2", 0, 0, 40, 10))
        .Child(Plain("btnNextMenu", 700, 550, 100, 50));
    AddScene("mnTutor", root);
    AddScene("mnTutorBare", Plain("root", 0, 0, 800, 600));
    OpenScenes();
    getcwd(mPrevious, sizeof(mPrevious));
    EXPECT_EQ(chdir(mWork.path().c_str()), 0);
    sObj* target = new sObj();
    target->mName = "target";
    target->mBaseQuad = Quad{{{300, 300}, {400, 300}, {400, 400}, {300, 400}}};
    levelObjects.Append(target);
  }
  ~TutorialPanelTest() override { EXPECT_EQ(chdir(mPrevious), 0); }

  std::unique_ptr<TutorialPanel> Make(const std::string& script, const std::string& scene = "mnTutor") {
    if (!script.empty()) mWork.Write("data/tutorial/tut_2_3.txt", script);
    auto panel = std::make_unique<TutorialPanel>(host, services, scene, 1, 2);
    panel->SetLevelObjects(&levelObjects);
    return panel;
  }

  Log log;
  RecordingScreenHost host{&log};
  Log servicesLog;
  scripttest::LoggingServices services{&servicesLog};
  ObjectList levelObjects;

 private:
  TempFolder mWork;
  char mPrevious[4096] = {};
};

// Everything of the panel a command could change.
std::string Snapshot(TutorialPanel& panel) {
  std::ostringstream out;
  for (sObj* object : panel.Objects()) {
    out << object->mName << (object->mVisible ? "+" : "-");
    for (const Vector2& c : object->mBaseQuad.corner) out << " " << c.x << "," << c.y;
    out << ";";
  }
  for (int i = 0; i < TutorialPanel::kAreaCount; ++i) out << panel.IsAreaInUse(i);
  out << " block " << panel.IsBlocking() << " line " << panel.GetScript().CurrentLine();
  out << " finished " << panel.IsFinished();
  return out.str();
}

TEST_F(TutorialPanelTest, WithoutAFileThePanelNeverInterferes) {
  auto panel = Make("");
  panel->Start();
  EXPECT_TRUE(panel->IsFinished());
  EXPECT_FALSE(panel->IsBlocking());
  EXPECT_TRUE(panel->IsClickAllowed(1, 1));
  EXPECT_TRUE(panel->FilterClick(750, 575, 1));  // even on the skip button
  EXPECT_TRUE(panel->FilterClick(5, 5, -1));
  EXPECT_FALSE(panel->FindObject("btnNextMenu")->mVisible);
}

TEST_F(TutorialPanelTest, AnimationsAreBuiltForThePanelObjects) {
  auto panel = Make("block_quant()\n");
  for (sObj* object : panel->Objects()) {
    SCOPED_TRACE(object->mName);
    EXPECT_EQ(object->mAlpha, object->mName == "btnNextMenu" ? 255 : 0);
    EXPECT_EQ(object->mVisible, object->mName == "btnNextMenu");
    const AnimDef* on = object->FindAnimation("show_on");
    const AnimDef* off = object->FindAnimation("show_off");
    if (object->mName == "btnNextMenu") {
      EXPECT_TRUE(on == nullptr && off == nullptr);
      continue;
    }
    ASSERT_TRUE(on != nullptr && off != nullptr);
    EXPECT_EQ(on->keys, 7);
    EXPECT_EQ(on->rate, 12u);
    EXPECT_EQ(on->mode, kAnimOnce);
    ASSERT_EQ(on->keyList.size(), 2u);
    EXPECT_EQ(on->keyList[1].index, 6);
    EXPECT_EQ(on->keyList[0].alpha, 0.0f);
    EXPECT_EQ(on->keyList[1].alpha, 255.0f);
    EXPECT_EQ(off->keyList[0].alpha, 255.0f);
    EXPECT_EQ(off->keyList[1].alpha, 0.0f);
    const AnimDef* pong = object->FindAnimation("arrow_pong");
    const bool isArrow = object->mName.rfind("tutArrow", 0) == 0;
    ASSERT_EQ(pong != nullptr, isArrow);
    if (isArrow) {
      EXPECT_EQ(pong->keys, 8);
      EXPECT_EQ(pong->rate, 20u);
      EXPECT_EQ(pong->mode, kAnimPingPong);
      EXPECT_EQ(pong->keyList[1].index, 7);
    }
  }
}

// {state} x {button} x {inside an allowed area or not}: whether the game
// gets the press and whether the script went on.
TEST_F(TutorialPanelTest, FilterClickMatrix) {
  struct Case {
    const char* state;
    const char* script;
    bool skipFirst;
    int x, y, count;
    bool gameGetsIt;
    bool resumed;
  };
  const char* left =
      "rect_strict_vert(0,0,100,0,100,100,0,100)\nwait_event_click_left()\nblock_quant()\nwait_event_time(5)\n";
  const char* right =
      "rect_strict_vert(0,0,100,0,100,100,0,100)\nwait_event_click_right()\nblock_quant()\nwait_event_time(5)\n";
  const char* other = "rect_strict_vert(0,0,100,0,100,100,0,100)\nwait_event_time(5)\nblock_quant()\n";
  const Case cases[] = {
      {"finished", left, true, 50, 50, 1, true, false},
      {"finished", left, true, 500, 500, -1, true, false},
      {"skip button", left, false, 750, 575, 1, false, false},
      {"skip button", left, false, 750, 575, -1, false, false},
      {"left", left, false, 50, 50, 1, true, true},
      {"left", left, false, 50, 50, -1, false, false},
      {"left", left, false, 500, 500, 1, false, false},
      {"left", left, false, 500, 500, -1, false, false},
      {"right", right, false, 50, 50, -1, true, true},
      {"right", right, false, 50, 50, 1, false, false},
      {"right", right, false, 500, 500, -1, false, false},
      {"right", right, false, 500, 500, 1, false, false},
      {"other wait", other, false, 50, 50, 1, true, false},
      {"other wait", other, false, 50, 50, -1, true, false},
      {"other wait", other, false, 500, 500, 1, false, false},
      {"other wait", other, false, 500, 500, -1, false, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.state) + " at " + std::to_string(c.x) + " count " + std::to_string(c.count));
    auto panel = Make(c.script);
    panel->Start();
    if (c.skipFirst) panel->OnButtonClick("btnNextMenu");
    EXPECT_EQ(panel->FilterClick(c.x, c.y, c.count), c.gameGetsIt);
    EXPECT_EQ(panel->IsBlocking(), c.resumed);
  }
}

TEST_F(TutorialPanelTest, AWaitWithoutAreasIsLeftOnlyBySkip) {
  auto panel = Make("wait_event_click_left()\nblock_quant()\n");
  EXPECT_FALSE(panel->FilterClick(5, 5, 1));  // before Start: the panel's, not the game's
  panel->Start();
  for (int x : {5, 300, 799}) EXPECT_FALSE(panel->FilterClick(x, 5, 1));
  EXPECT_EQ(panel->GetScript().CurrentLine(), 1);
  panel->OnButtonClick("btnNextMenu");
  EXPECT_TRUE(panel->IsFinished());
  EXPECT_FALSE(panel->IsBlocking());
  EXPECT_EQ(servicesLog, Log{"sound SOUND_BTN_CLK"});
  for (sObj* object : panel->Objects()) EXPECT_FALSE(object->mVisible) << object->mName;
  EXPECT_TRUE(panel->FilterClick(5, 5, 1));
  EXPECT_TRUE(panel->FilterClick(750, 575, -1));
}

TEST_F(TutorialPanelTest, MessagesContinueAtTheirOwnLabels) {
  const std::string script =
      "wait_event(\"found\",\"one\")\nwait_event(\"lost\",\"two\")\n"
      "one:\nblock_quant()\nwait_event_time(10)\n"
      "two:\nwait_event_click_left()\n";
  for (const char* message : {"found", "lost"}) {
    SCOPED_TRACE(message);
    auto panel = Make(script);
    panel->Start();
    EXPECT_EQ(panel->GetScript().CurrentLine(), 2);  // both registered before the wait
    panel->OnMessage("unknown");
    EXPECT_EQ(panel->GetScript().CurrentLine(), 2);
    panel->OnMessage(message);
    const bool first = std::string(message) == "found";
    EXPECT_EQ(panel->IsBlocking(), first);
    EXPECT_EQ(panel->GetScript().CurrentLine(), first ? 5 : 7);
    // Now waiting for time or a click: a mapped message is ignored.
    panel->OnMessage("lost");
    EXPECT_EQ(panel->GetScript().CurrentLine(), first ? 5 : 7);
  }
}

TEST_F(TutorialPanelTest, BlockLastsUntilTheWaitEndsAndTimeCountsUpdates) {
  auto panel = Make("block_quant()\nwait_event_time(1.0)\nwait_event_time(0)\nwait_event_time(-3)\n");
  panel->Start();
  int updates = 0;
  while (panel->IsBlocking() && updates < 1000) {
    panel->Update();
    ++updates;
  }
  EXPECT_EQ(updates, 101);  // 32-bit steps of 0.01 leave a remainder after 100
  panel->Update();
  EXPECT_EQ(panel->GetScript().CurrentLine(), 4);  // 0 ends at the next update
  panel->Update();
  EXPECT_TRUE(panel->IsFinished());
}

TEST_F(TutorialPanelTest, ButtonWaitAndAnimationWait) {
  auto panel = Make(
      "show(\"hint\",400,300)\nwait_event_btn_pressed(\"ok\")\nwait_event_ani_end(\"hero\",\"jump\")\n"
      "block_quant()\nwait_event_time(9)\n");
  panel->Start();
  sObj* back = panel->FindObject("sprBack");
  EXPECT_FLOAT_EQ(back->mCentre.x, 400.0f);
  EXPECT_FLOAT_EQ(back->mCentre.y, 300.0f);
  EXPECT_FLOAT_EQ(panel->FindObject("ok")->mCentre.x, 400.0f);  // moved by the same amount
  EXPECT_FLOAT_EQ(panel->FindObject("ok")->mCentre.y, 335.0f);
  EXPECT_TRUE(back->mVisible);
  EXPECT_TRUE(panel->FindObject("ok")->mVisible);
  EXPECT_EQ(servicesLog, (Log{"text txtTutor 0", "reset ok"}));
  panel->OnButtonClick("other");
  panel->OnAnimationEnd("hero", "jump");
  EXPECT_EQ(panel->GetScript().CurrentLine(), 2);
  panel->OnButtonClick("ok");
  EXPECT_EQ(panel->GetScript().CurrentLine(), 3);
  panel->OnAnimationEnd("hero", "walk");
  panel->OnAnimationEnd("her", "jump");
  EXPECT_FALSE(panel->IsBlocking());
  panel->OnAnimationEnd("hero", "jump");
  EXPECT_TRUE(panel->IsBlocking());
}

TEST_F(TutorialPanelTest, ArrowsTurnByTheAngleDifferenceAndBob) {
  auto panel = Make(
      "arrow_show(100,100,90)\narrow_show(200,200,0)\narrow_show(300,300,45)\n"
      "arrow_show(400,400,10)\nwait_event_time(9)\n"
      "show(\"x\",1,1)\narrow_show(100,100,180)\nwait_event_time(9)\n");
  panel->Start();
  sObj* first = panel->Arrow(0);
  // 40 x 10 turned by +90 degrees: the top-left corner (-20, -5) goes to
  // (dx cos a + dy sin a, -dx sin a + dy cos a) = (-5, 20).
  EXPECT_NEAR(first->mBaseQuad.corner[0].x, 100 - 5, 1e-4);
  EXPECT_NEAR(first->mBaseQuad.corner[0].y, 100 + 20, 1e-4);
  EXPECT_NEAR(panel->Arrow(1)->mBaseQuad.corner[0].x, 200 - 20, 1e-4);
  for (int i = 0; i < 3; ++i) EXPECT_TRUE(panel->Arrow(i)->mVisible);
  EXPECT_NEAR(panel->Arrow(2)->mCentre.x, 300, 1e-4);  // the fourth found no hidden arrow

  panel->OnAnimationEnd("tutArrow", "show_on");
  const AnimDef* pong = first->FindAnimation("arrow_pong");
  // Corner 1 to corner 0 of the turned arrow points down: (0, 8).
  EXPECT_NEAR(pong->keyList[1].offsetX, 0.0f, 1e-4);
  EXPECT_NEAR(pong->keyList[1].offsetY, 8.0f, 1e-4);
  EXPECT_EQ(first->CurrentAnimation(), pong);

  for (int i = 0; i < 900; ++i) panel->Update();
  EXPECT_FALSE(panel->Arrow(1)->mVisible);  // "show" hid them all
  // Stored 90, now 180: a further quarter turn from where the arrow stands.
  EXPECT_NEAR(first->mBaseQuad.corner[0].x - first->mCentre.x, 20, 1e-3);
  EXPECT_NEAR(first->mBaseQuad.corner[0].y - first->mCentre.y, 5, 1e-3);
}

TEST_F(TutorialPanelTest, AreasFromLevelObjectsAndTheirLimit) {
  auto panel = Make(
      "rect_strict(\"missing\")\nrect_strict(\"target\")\n"
      "rect_strict_vert(0,0,10,0,10,10,0,10)\nrect_strict_vert(20,0,30,0,30,10,20,10)\n"
      "rect_strict_vert(40,0,50,0,50,10,40,10)\nrect_strict_vert(60,0,70,0,70,10,60,10)\n"
      "wait_event_click_left()\n");
  panel->Start();
  EXPECT_FLOAT_EQ(panel->Area(0).corner[2].x, 400.0f);  // the unknown name left the area free
  EXPECT_TRUE(panel->IsClickAllowed(350, 350));
  EXPECT_TRUE(panel->IsClickAllowed(45, 5));
  EXPECT_FALSE(panel->IsClickAllowed(65, 5));  // a fifth area is ignored
}

// Short, empty and malformed argument lists for every command, against the
// full scene and against one missing every object the panel looks up.
// A jump back with no wait between would run for ever and freeze the game:
// the run ends there instead, as a finished tutorial.
TEST_F(TutorialPanelTest, AJumpLoopWithoutAWaitEndsTheTutorial) {
  auto panel = Make("again:\nshow(\"tut_find_items\",400,300)\ngoto(\"again\")\n");
  panel->Start();
  EXPECT_TRUE(panel->IsFinished());
  EXPECT_FALSE(panel->IsBlocking());
}

TEST_F(TutorialPanelTest, MalformedCommandsDoNothing) {
  const char* commands[] = {"show",
                            "arrow_show",
                            "wait_event_ani_end",
                            "wait_event_time",
                            "wait_event_btn_pressed",
                            "rect_strict",
                            "wait_event_click_left",
                            "wait_event_click_right",
                            "wait_event",
                            "rect_strict_vert",
                            "block_quant",
                            "goto"};
  const char* forms[] = {"()", "(,)", "(\"unclosed)", "(99999999999)", "", "(\"target\")"};
  for (const char* scene : {"mnTutor", "mnTutorBare"}) {
    for (const char* command : commands) {
      for (const char* form : forms) {
        const std::string line = std::string(command) + form;
        SCOPED_TRACE(std::string(scene) + ": " + line);
        auto panel = Make("wait_event_time(5)\n" + line + "\nwait_event_time(5)\n", scene);
        panel->Start();
        const std::string before = Snapshot(*panel);
        panel->Start();  // runs the line under test, then waits again
        const std::string name = command;
        const bool acts = std::string(form) != "" &&
                          (name == "block_quant" || ((name == "rect_strict" || name == "wait_event_btn_pressed") &&
                                                     form == std::string("(\"target\")")));
        if (!acts && name != "goto") {
          std::string after = Snapshot(*panel);
          EXPECT_EQ(after.substr(0, after.find(" line")), before.substr(0, before.find(" line")));
        }
      }
    }
  }
}

}  // namespace
}  // namespace Kivo
