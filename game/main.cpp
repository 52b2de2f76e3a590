// Entry of the game executable: chooses the platform backend, creates the
// one application object, runs its start-up, its loop and its destruction,
// and returns 0. Fatal errors end the process earlier with their own codes.
//
// The application object is the game's (GameApp), whose level screens are
// built through the level host of this folder. With GAME_SCENE set it is
// instead the scene viewer's: the framework's application under a product
// name and registry key fixed at build time, doing the engine's part of the
// game object's start-up: at
// construction it opens the scene database "data\data.dtm" (from the
// program's folder, where the sample data lives), takes the window size,
// name and version from the configuration record of the scene "Main", reads
// the code page from "settings.ini" and loads the text table; after the
// framework's Init it loads the manifest's group "Loading" and fetches the
// fonts, loads the group "Game" with the sound ids, gives the particle system
// 4000 particles and 300 emitter slots and loads the five fixed effects,
// then shows the scene named by GAME_SCENE in the scene viewer, with the XML
// scene file named by GAME_XML_SCENE played over it when set. Without the
// database or its configuration record the
// game stops with a fatal error naming data\data.dtm and exit code 1.
//
// Headless, a run with nobody at the controls closes its own window once it
// has been idle for 10 seconds of its clock (without an input script: 10 s
// after the start; with one: 10 s after its last event), so a headless run
// always ends, with its settings saved like any other close. A played demo
// counts as idle only once its updates stop (held at its end). GAME_FRAME_OUT
// names a PNG file that receives the last presented frame at the end.
// GAME_AUTOPLAY (headless only) names the input script file of the autoplay
// driver, which then plays every level screen it meets (AutoplayDriver.h);
// GAME_AUTOPLAY_PLAN beside it names a plan the driver plays the whole game by.
// While that plan has steps left the idle close waits: the driver decides
// when a planned run is over, and the run's exit code is the driver's (not
// 0 when the plan was not done).
// GAME_TEXT_LOG (headless) makes it a gallery run (GalleryMoments.h).
#include <cstdlib>
#include <memory>
#include <string>

#include "diagnostics/DeveloperKeys.h"
#include "engine/ImageTable.h"
#include "engine/ParticleEffect.h"
#include "engine/ParticleSystem.h"
#include "engine/ResourceIds.h"
#include "engine/SceneDatabase.h"
#include "engine/ObjectKinds.h"
#include "engine/SceneLoader.h"
#include "engine/SettingsFile.h"
#include "engine/SoundEmitterKinds.h"
#include "engine/TextTables.h"
#include "engine/ControlKinds.h"
#include "frontend/GameApp.h"
#include "game/AutoplayDriver.h"
#include "game/GalleryMoments.h"
#include "game/GameLevelHost.h"
#include "game/SceneViewer.h"
#include "platform/FrameDump.h"
#include "platform/Headless.h"
#include "platform/Platform.h"
#include "platform/Process.h"
#include "platform/TextLog.h"
#include "resources/manifest/ResourceManager.h"
#include "shell/KivoAppBase.h"
#include "shell/base/StringUtils.h"
#include "ui/WidgetManager.h"

namespace {

constexpr DWORD kHeadlessIdleLimitMs = 10000;
constexpr int kDefaultCodePage = 1251;

// Headless, a run with nobody at the controls closes its own window once its
// clock has been idle for 10 seconds.
class HeadlessIdleClose {
 public:
  explicit HeadlessIdleClose(bool headless) : mHeadless(headless) {}
  // Someone is at the controls (the autoplay driver with steps left): the
  // idle time starts again from now.
  void Hold() { mIdleSince = timeGetTime(); }
  // A played demo is not idle while its updates go on: it ends with the
  // close it recorded, and only a demo held at its end closes by the limit.
  void Step(HWND window, bool playingDemo, int32_t updateCount) {
    if (!mHeadless || mCloseSent) return;
    DWORD now = timeGetTime();
    const bool demoMoved = playingDemo && updateCount != mLastUpdateCount;
    mLastUpdateCount = updateCount;
    if (!Platform::InputScriptFinished() || demoMoved || mIdleSince == 0) mIdleSince = now;
    if (now - mIdleSince >= kHeadlessIdleLimitMs) {
      Platform::Log("game: headless run idle for 10 s; closing");
      mCloseSent = true;
      PostMessageA(window, WM_CLOSE, 0, 0);
    }
  }

 private:
  bool mHeadless;
  bool mCloseSent = false;
  DWORD mIdleSince = 0;
  int32_t mLastUpdateCount = -1;
};

class GameEntryApp : public Kivo::GameApp {
 public:
  explicit GameEntryApp(bool headless) : mIdleClose(headless) {
    // The factory owns the level host, so the host lives until the
    // application's destructor has deleted the last level screen.
    auto levelHost = std::make_shared<Kivo::GameLevelHost>(*this);
    SetLevelScreenFactory([levelHost](const std::string& scene) { return levelHost->CreateLevelScreen(scene); });
    const char* autoplay = std::getenv("GAME_AUTOPLAY");
    if (headless && autoplay != nullptr && *autoplay != '\0') {
      const char* plan = std::getenv("GAME_AUTOPLAY_PLAN");
      mAutoplay = std::make_unique<Kivo::AutoplayDriver>(*this, autoplay, plan != nullptr ? plan : "");
    }
    if (headless && Platform::TextLogWanted())
      mGallery = std::make_unique<Kivo::GalleryMoments>(*this, Platform::FrameDumpWanted(), mAutoplay != nullptr);
  }
  void StepUpdate() override {
    GameApp::StepUpdate();
    const bool driverMayAct = mGallery == nullptr || mGallery->Step();
    if (mAutoplay != nullptr && driverMayAct) mAutoplay->Step();
    if (mAutoplay != nullptr && mAutoplay->GaveUp() && !mGaveUpClose) {
      mGaveUpClose = true;
      PostMessageA(mMainWindow.load(), WM_CLOSE, 0, 0);
    }
    if (mAutoplay != nullptr && mAutoplay->HasSteps()) {
      mIdleClose.Hold();
    } else {
      mIdleClose.Step(mMainWindow.load(), mPlaying, mUpdateCount);
    }
  }
  // A gallery run draws only the frames it keeps and a few between them.
  bool DrawFrame() override {
    if (mGallery == nullptr || mGallery->DrawWanted()) return GameApp::DrawFrame();
    mUpdatedSinceDraw = false;
    mLastDrawSkipped = true;
    return false;
  }
  int ExitCode() { return mAutoplay != nullptr ? mAutoplay->ExitCode() : 0; }

 private:
  HeadlessIdleClose mIdleClose;
  std::unique_ptr<Kivo::AutoplayDriver> mAutoplay;
  bool mGaveUpClose = false;
  std::unique_ptr<Kivo::GalleryMoments> mGallery;
};

class EntryApp : public Kivo::KivoAppBase {
 public:
  explicit EntryApp(bool headless, std::string scene) : mIdleClose(headless), mScene(std::move(scene)) {
    mProductName = KIVO_PRODUCT_NAME;
    mRegistryKey = KIVO_PRODUCT_NAME;
    StartEngine();
  }

  ~EntryApp() override {
    mViewer.reset();
    Kivo::DeleteObjects(mMainObjects);
    // Effects hold images of the image table, which goes with the database.
    Kivo::FreeParticleGlobals();
    Kivo::ForgetFetchedResources();
    Kivo::FreeSceneDatabase();
    Kivo::FreeIniFile();
  }

  void Init() override {
    KivoAppBase::Init();
    if (mShuttingDown) return;
    LoadDefinitionsFile("data/data.xml");
    if (!mResourceManager->LoadGroup("Loading")) FailWithResourceError(true);
    Kivo::FetchFonts(*mResourceManager);
    LoadGameResources();
    ShowScene();
  }

  void OnInstanceNotify(WPARAM wParam, LPARAM lParam) override {
    Platform::Log("game: another instance asked this one to come forward");
    KivoAppBase::OnInstanceNotify(wParam, lParam);
  }

  void StepUpdate() override {
    KivoAppBase::StepUpdate();
    mIdleClose.Step(mMainWindow.load(), mPlaying, mUpdateCount);
  }

 private:
  // The engine's part of the game object's construction. The data lives
  // beside the program, so the program's folder is the working folder from
  // here on (Init makes it so again later).
  void StartEngine() {
    _chdir(mProgramFolder.c_str());
    Kivo::RegisterDrawingKinds();
    Kivo::RegisterControlKinds();
    Kivo::RegisterSoundAndEmitterKinds();
    if (!Kivo::OpenSceneDatabase(Kivo::kSceneDatabasePath)) {
      Fail("The scene database data\\data.dtm cannot be read.");
      return;
    }
    const Kivo::sObjConfig* config = nullptr;
    if (Kivo::LoadScene("Main", mMainObjects) && !mMainObjects.empty()) {
      config = dynamic_cast<const Kivo::sObjConfig*>(mMainObjects[0]);
    }
    if (config == nullptr) {
      Fail("The scene database data\\data.dtm holds no configuration record in the scene \"Main\".");
      return;
    }
    mWidth = config->mWidth;
    mHeight = config->mHeight;
    if (!config->mGameName.empty()) mProductName = config->mGameName;
    mDataFolderParent = config->mCompany;
    mCodePage = kDefaultCodePage;
    Kivo::IniReadInt("settings.ini", "main", "code_page", &mCodePage);
    Kivo::LoadTextTable();
    mWindowTitle = Kivo::GetText("_caption") + L" - " + Kivo::Widen(config->mVersion);
    Platform::Log("game: window " + std::to_string(mWidth) + " x " + std::to_string(mHeight) + " titled \"" +
                  Kivo::Narrow(mWindowTitle) + "\", code page " + std::to_string(mCodePage));
  }

  // What the loading thread will do: the sound ids, the particle pools and
  // the five fixed effects.
  void LoadGameResources() {
    if (!mResourceManager->LoadGroup("Game")) FailWithResourceError(true);
    Kivo::FetchSoundIds(*mResourceManager);
    Kivo::gParticleSystem.Init(4000, 300);
    if (!Kivo::LoadFixedParticleEffects()) Platform::Log("game: a fixed particle effect did not load");
  }

  void Fail(const std::string& text) {
    ShowFatalErrorA(text);
    ExitProgram(1);
  }

  void ShowScene() {
    mViewer = std::make_unique<Kivo::SceneViewer>();
    mViewer->Resize(0, 0, mWidth, mHeight);
    mWidgetManager->AddChild(mViewer.get());
    // Keys, characters and the wheel go to the focused widget: the viewer
    // hands them on to its objects.
    mWidgetManager->SetFocus(mViewer.get());
    if (!mViewer->Show(mScene)) return;
    const char* xmlScene = std::getenv("GAME_XML_SCENE");
    if (xmlScene != nullptr && *xmlScene != '\0') mViewer->ShowXmlScene(xmlScene);
  }

  HeadlessIdleClose mIdleClose;
  std::string mScene;
  int mCodePage = 0;
  Kivo::ObjectList mMainObjects;
  std::unique_ptr<Kivo::SceneViewer> mViewer;
};

}  // namespace

int main(int argc, char** argv) {
  // Before start-up makes the program's folder the working folder.
  Platform::AnchorHarnessPaths();
  Platform::SetCommandLine(argc, argv);
  Platform::SetMainThread();
  std::string backend = Platform::BackendName();
  Platform::Log(std::string("game ") + KIVO_PRODUCT_VERSION + ", backend " + backend);

  const char* scene = std::getenv("GAME_SCENE");
  bool headless = backend == "headless";
  Kivo::KivoAppBase* app = nullptr;
  GameEntryApp* game = nullptr;
  if (scene != nullptr && *scene != '\0') {
    app = new EntryApp(headless, scene);
  } else {
    // The system arrow stays loaded for the program's life; the game
    // destroys it as it goes.
    HCURSOR arrow = LoadCursorA(nullptr, IDC_ARROW);
    game = new GameEntryApp(headless);
    game->HoldArrowCursor(arrow);
    app = game;
  }
  Kivo::InstallDeveloperKeys(*app);
  app->Init();
  app->Start();
  const char* frameOut = std::getenv("GAME_FRAME_OUT");
  if (frameOut != nullptr && *frameOut != '\0' && backend == "headless" && !Platform::SaveLastFrameAsPng(frameOut)) {
    Platform::Log(std::string("game: the last frame could not be saved to ") + frameOut);
  }
  const int code = game != nullptr ? game->ExitCode() : 0;
  app->DeletingDestructor(1);
  return code;
}
