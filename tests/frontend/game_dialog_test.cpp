// The game dialog base over a small test scene: fades, the click that waits
// for its fade-out, presses, focus and closing.
#include "frontend/GameDialog.h"

#include "engine/ResourceIds.h"
#include "tests/frontend/game_dialog_support.h"
#include "ui/DialogButton.h"
#include "ui/Graphics.h"

namespace dialogtest {
namespace {

constexpr int kId = 77;

DtmRecord TestScene() {
  DtmRecord root = ProbeRecord("dlgTest");
  root.Child(ProbeRecord("btnYes"));
  root.Child(ProbeRecord("btnNo"));
  return root;
}

class ActionRecordingDialog : public GameDialog {
 public:
  using GameDialog::GameDialog;
  void OnButtonAction(std::string name) override {
    actions.push_back(name);
    GameDialog::OnButtonAction(name);
  }
  std::vector<std::string> actions;
};

class GameDialogBase : public GameDialogTest {
 protected:
  void SetUp() override {
    GameDialogTest::SetUp();
    OpenScenes({{"dlgTest", TestScene()}});
  }
  ActionRecordingDialog* ShowDialog(Widget* focusBack = nullptr, ObjectList* owner = nullptr) {
    auto* dialog = new ActionRecordingDialog("dlgTest", kId, focusBack);
    dialog->Show(owner);
    return dialog;
  }
  ProbeObject* Probe(GameDialog* dialog, std::size_t i) { return static_cast<ProbeObject*>(dialog->mObjects[i]); }
  // One update and one draw, as the application runs them.
  void Frame(GameDialog* dialog) {
    dialog->Update();
    Graphics g(&screen);
    dialog->Draw(g);
  }
  FillRecordingImage screen;
};

TEST_F(GameDialogBase, ShowCoversTheWindowModalUnclippedAndFadesIn) {
  Widget other;
  app->mWidgetManager->AddChild(&other);
  ObjectList owner;
  ASSERT_TRUE(LoadScene("dlgTest", owner));
  owner[0]->mActiveChild = owner[2];
  GameDialog* dialog = ShowDialog(nullptr, &owner);

  EXPECT_EQ(app->FindDialog(kId), dialog);
  EXPECT_EQ((std::vector<int>{dialog->mX, dialog->mY, dialog->mWidth, dialog->mHeight}),
            (std::vector<int>{0, 0, 800, 600}));
  EXPECT_EQ(app->mWidgetManager->mModalWidget, dialog);
  EXPECT_FALSE(dialog->mClip);
  EXPECT_EQ(app->mWidgetManager->mFocusWidget, dialog);
  EXPECT_EQ(static_cast<ProbeObject*>(owner[2])->moves, (std::vector<std::pair<int, int>>{{-100, -100}}));
  // The framework dialog's own buttons never join the widget tree.
  EXPECT_FALSE(app->mWidgetManager->HasChild(dialog->mYesButton));
  EXPECT_FALSE(app->mWidgetManager->HasChild(dialog->mNoButton));
  // The objects report to the dialog, not to whatever is behind it.
  for (sObj* object : dialog->mObjects) EXPECT_EQ(object->mListener, static_cast<ObjEventListener*>(dialog));

  int backdropFull = 0, objectsFull = 0;
  for (int update = 1; update <= 60; ++update) {
    Frame(dialog);
    EXPECT_LE(dialog->mFader.backdropAlpha, 100);
    EXPECT_EQ(screen.fills.back().alpha, dialog->mFader.backdropAlpha);
    if (backdropFull == 0 && dialog->mFader.backdropAlpha == 100) backdropFull = update;
    if (objectsFull == 0 && dialog->mFader.objectAlpha == 255) objectsFull = update;
  }
  EXPECT_EQ(backdropFull, 20);
  EXPECT_EQ(objectsFull, 51);
  EXPECT_FALSE(dialog->mFader.IsActive());
  EXPECT_EQ(Probe(dialog, 1)->alphas.back(), 255);
  DeleteObjects(owner);
  app->mWidgetManager->RemoveChild(&other);
}

TEST_F(GameDialogBase, AClickPlaysTheSoundFadesOutAndActsInUpdate51) {
  Widget opener;
  app->mWidgetManager->AddChild(&opener);
  ActionRecordingDialog* dialog = ShowDialog(&opener);
  for (int i = 0; i < 60; ++i) Frame(dialog);

  Probe(dialog, 1)->Click();
  EXPECT_EQ(app->sounds, (std::vector<int>{SoundIdByName("SOUND_BTN_CLK")}));
  EXPECT_EQ(dialog->mPendingButton, "btnYes");
  // A second click during the fade-out: no sound, the first name stays.
  Probe(dialog, 2)->Click();
  EXPECT_EQ(app->sounds.size(), 1u);
  EXPECT_EQ(dialog->mPendingButton, "btnYes");

  ProbeObject* yes = Probe(dialog, 1);
  yes->alphas.clear();
  for (int update = 1; update <= 50; ++update) Frame(dialog);
  EXPECT_TRUE(dialog->actions.empty());
  EXPECT_EQ(yes->alphas.back(), 5) << "the last alpha drawn";
  dialog->Update();  // update 51 acts, and closes the dialog
  EXPECT_EQ(dialog->actions, (std::vector<std::string>{"btnYes"}));
  EXPECT_EQ(app->FindDialog(kId), nullptr);
  EXPECT_FALSE(app->mWidgetManager->HasChild(dialog));
  EXPECT_EQ(app->mWidgetManager->mFocusWidget, &opener);
  Flush();
  app->mWidgetManager->RemoveChild(&opener);
}

TEST_F(GameDialogBase, AnEmptyNameClickDoesNotBlockALaterOne) {
  ActionRecordingDialog* dialog = ShowDialog();
  dialog->OnButtonClick("");
  for (int i = 0; i < 10; ++i) dialog->Update();
  const int alphaBefore = dialog->mFader.objectAlpha;
  dialog->OnButtonClick("btnNo");  // restarts the fade-out from full alpha
  EXPECT_EQ(app->sounds.size(), 2u);
  EXPECT_EQ(dialog->mPendingButton, "btnNo");
  EXPECT_GT(dialog->mFader.objectAlpha, alphaBefore);
  for (int i = 0; i < 51; ++i) dialog->Update();
  EXPECT_EQ(dialog->actions, (std::vector<std::string>{"btnNo"}));
  Flush();
}

TEST_F(GameDialogBase, AClickDuringTheFadeInFadesOutFromFull) {
  GameDialog* dialog = ShowDialog();
  for (int i = 0; i < 5; ++i) dialog->Update();
  dialog->OnButtonClick("btnYes");
  EXPECT_EQ(dialog->mFader.objectAlpha, 255);
  EXPECT_EQ(dialog->mFader.backdropAlpha, 100);
  EXPECT_EQ(dialog->mFader.direction, DialogFader::kFadingOut);
  dialog->Close();
  Flush();
}

TEST_F(GameDialogBase, PressesReachOnlyTheRootsActiveChildMovesAndKeysReachAll) {
  GameDialog* dialog = ShowDialog();
  // The last object to take its parent's focus is the active child.
  ASSERT_EQ(dialog->PressTarget(), dialog->mObjects[2]);
  dialog->MouseDown(20, 20, 1);
  EXPECT_EQ(Probe(dialog, 0)->downs + Probe(dialog, 1)->downs, 0);
  EXPECT_EQ(Probe(dialog, 2)->downs, 1);
  dialog->MouseMove(3, 4);
  dialog->KeyDown(13);
  for (std::size_t i = 0; i < 3; ++i) {
    EXPECT_EQ(Probe(dialog, i)->moves.back(), std::make_pair(3, 4));
    EXPECT_EQ(Probe(dialog, i)->keys, std::vector<int>{13});
  }
  dialog->Close();
  Flush();
}

TEST_F(GameDialogBase, AMissingSceneGivesABackdropOnlyDialog) {
  auto* dialog = new GameDialog("dlgNowhere", kId, nullptr);
  dialog->Show(nullptr);
  EXPECT_TRUE(dialog->mObjects.empty());
  dialog->MouseDown(1, 1, 1);
  dialog->MouseWheel(2);
  for (int i = 0; i < 30; ++i) Frame(dialog);
  EXPECT_EQ(dialog->mFader.backdropAlpha, 100);
  // An owner without objects is left alone.
  ObjectList empty;
  dialog->Show(&empty);
  dialog->Close();
  Flush();
}

TEST(DialogFaderTest, StartWithoutObjectsDoesNothingAndClearZeroesAll) {
  DialogFader fader;
  fader.Start(nullptr, nullptr, 1, true, 100);
  EXPECT_FALSE(fader.IsActive());
  ObjectList list;
  fader.Start(&list, nullptr, 1, false, 100);
  EXPECT_EQ((std::vector<int>{fader.direction, fader.objectAlpha, fader.backdropAlpha}),
            (std::vector<int>{1, 255, 100}));
  fader.Clear();
  EXPECT_EQ((std::vector<int>{fader.direction, fader.kind, fader.objectAlpha, fader.backdropAlpha}),
            (std::vector<int>{0, 0, 0, 0}));
  EXPECT_EQ(fader.objects, nullptr);
}

}  // namespace
}  // namespace dialogtest
