#include "frontend/GameApp.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <exception>

#include "audio/MusicInterface.h"
#include "display/DDInterface.h"
#include "engine/ControlKinds.h"
#include "engine/GameMath.h"
#include "engine/GameUtils.h"
#include "engine/ImageTable.h"
#include "engine/ObjectKinds.h"
#include "engine/ParticleEffect.h"
#include "engine/ParticleSystem.h"
#include "engine/ResourceIds.h"
#include "engine/SceneDatabase.h"
#include "engine/SettingsFile.h"
#include "engine/SinCosTables.h"
#include "engine/SoundEmitterKinds.h"
#include "engine/TextTables.h"
#include "platform/Environment.h"
#include "platform/Platform.h"
#include "resources/manifest/ResourceManager.h"
#include "shell/base/StringUtils.h"
#include "ui/Dialog.h"
#include "ui/WidgetManager.h"

namespace Kivo {

namespace {

GameApp* gGame = nullptr;

constexpr const char* kSettingsFile = "settings.ini";
constexpr int kSongCount = 7;  // the menu song and music1 .. music6
constexpr double kFirstSongFadeIn = 0.02;
constexpr int kParticleCapacity = 4000;
constexpr int kEmitterSlots = 300;

void Note(const std::string& line) { Platform::Log("game: " + line); }

}  // namespace

GameApp* TheGame() { return gGame; }

void LoadingProgress::Set(float value) {
  mValue.store(value);
  char text[32];
  std::snprintf(text, sizeof text, "%.3f", static_cast<double>(value));
  Note(std::string("progress ") + text);
}

float LoadingProgress::SoundsValue(int loaded, int totalSounds) {
  float fraction = static_cast<float>(std::max(0, loaded)) / static_cast<float>(std::max(1, totalSounds));
  return 0.5f + 0.3f * std::min(fraction, 1.0f);
}

GameApp::GameApp() {
  mDebugKeysOn = false;
  mAuto3D = true;
  mEngineStarted = StartEngine();
}

// The configuration, text table, window size and title. The data lives
// beside the program, so the program's folder is the working folder.
bool GameApp::StartEngine() {
  _chdir(mProgramFolder.c_str());
  RegisterDrawingKinds();
  RegisterControlKinds();
  RegisterSoundAndEmitterKinds();
  if (!OpenSceneDatabase(kSceneDatabasePath)) {
    ShowFatalErrorA("The scene database data\\data.dtm cannot be read.");
    ExitProgram(1);
    return false;
  }
  const sObjConfig* config = nullptr;
  if (LoadScene("Main", mMainObjects) && !mMainObjects.empty()) {
    config = dynamic_cast<const sObjConfig*>(mMainObjects[0]);
  }
  if (config == nullptr) {
    ShowFatalErrorA("The scene database data\\data.dtm holds no configuration record in the scene \"Main\".");
    ExitProgram(1);
    return false;
  }
  IniReadInt(kSettingsFile, "main", "code_page", &mCodePage);
  LoadTextTable();
  mWidth = config->mWidth;
  mHeight = config->mHeight;
  if (!config->mGameName.empty()) mProductName = config->mGameName;
  mProductVersion = config->mVersion;
  mRegistryKey = mProductName;
  mDataFolderParent = config->mCompany;
  mWindowTitle = GetText("_caption") + L" - " + Widen(config->mVersion);
  Mat4 identity;
  Mat4 projection;
  projection.Orthographic(static_cast<float>(mWidth), static_cast<float>(mHeight), 0.0f, 1.0f);
  std::memcpy(mScreenMatrices.world.m, identity.m, sizeof identity.m);
  std::memcpy(mScreenMatrices.view.m, identity.m, sizeof identity.m);
  std::memcpy(mScreenMatrices.projection.m, projection.m, sizeof projection.m);
  Note("window " + std::to_string(mWidth) + " x " + std::to_string(mHeight) + " titled \"" + Narrow(mWindowTitle) +
       "\", code page " + std::to_string(mCodePage));
  return true;
}

GameApp::~GameApp() {
  // Everything that may hold images of the image table goes first: dialogs
  // still registered, screens, the overlay, the main objects.
  while (!mDialogMap.empty()) {
    Dialog* dialog = mDialogMap.begin()->second;
    RemoveDialog(mDialogMap.begin()->first, true, false);
    delete dialog;
  }
  if (mSwitch != nullptr) mSwitch->DeleteAll();
  mSwitch.reset();
  DeleteObjects(mMainObjects);
  // Effects hold images of the image table, which goes with the database.
  FreeParticleGlobals();
  ForgetFetchedResources();
  FreeSceneDatabase();
  if (mEngineStarted && gGame == this) {
    StoreWindowModeInProfile();
    mProfiles.SaveAndFree();
  }
  mDataTable.Clear();
  FreeIniFile();
  if (mResourceManager != nullptr) mResourceManager->ReleaseGroup("");
  if (mArrowCursor != nullptr) {
    DestroyCursor(mArrowCursor);
    Note("the entry's arrow cursor destroyed");
  }
  if (gGame == this) gGame = nullptr;
}

// The window mode the player ended with is the profile's from now on.
void GameApp::StoreWindowModeInProfile() {
  if (!mProfiles.HasCurrent()) return;
  if (mWindowed != mFullScreen) return;
  mFullScreen = !mWindowed;
  mProfiles.current().fullScreen = mFullScreen;
}

void GameApp::ApplyProfileSettings() {
  if (mProfiles.HasCurrent()) {
    const Profile& profile = mProfiles.current();
    mCustomCursorFlag = profile.customCursors;
    mFullScreen = profile.fullScreen;
    ApplyMusicVolume(profile.musicVolume);
    ApplySfxVolume(profile.soundVolume);
  } else {
    mFullScreen = true;
    mCustomCursorFlag = true;
    m3DFlag = true;
    ApplyMusicVolume(kDefaultMusicVolume);
    ApplySfxVolume(kDefaultSoundVolume);
  }
  ApplyScreenMode(!mFullScreen, m3DFlag, false);
}

bool GameApp::LoadFirstGroup() {
  bool loaded = false;
  try {
    loaded = mResourceManager->LoadGroup("Loading") && FetchFonts(*mResourceManager);
  } catch (const std::exception& error) {
    Note(std::string("the fonts cannot be fetched: ") + error.what());
  }
  return loaded;
}

void GameApp::Init() {
  KivoAppBase::Init();
  if (mShuttingDown) return;
  gGame = this;
  mDataTable.LoadFile("data.dat");
  mProfiles.Load();
  ApplyProfileSettings();
  mHighScores.LoadFile("highscore.dat");
  LcgSeed(static_cast<uint32_t>(GetTickCount()) * 12345u);
  mSwitch = std::make_unique<ScreenSwitch>(*mWidgetManager, *this, mWidth, mHeight);
  LoadDefinitionsFile("data/data.xml");
  if (!LoadFirstGroup()) {
    mShutdownRequested = true;
    FailWithResourceError(true);
    return;
  }
  mSwitch->ShowFirst(kSplashScreen);
}

void GameApp::LoaderWork() {
  Note("loading the \"Game\" group on the loading thread");
  mLoadingProgress.Set(0.2f);
  auto previous = SetPreloadStepObserver([this](float value) { mLoadingProgress.Set(value); });
  PreloadImages(0.2f, 0.4f);
  SetPreloadStepObserver(previous);
  mLoadingProgress.Set(0.5f);
  BuildSinCosTables();
  Note(std::string("sine and cosine tables built on the ") + (Platform::IsMainThread() ? "main" : "loading") +
       " thread");
  mLoadingProgress.Set(0.55f);
  if (!LoadGameGroup()) return;
  LoadRest();
  mLoadingProgress.Set(1.0f);
  if (mMusicInterface != nullptr) mMusicInterface->FadeInSong(kMenuSong, 0, kFirstSongFadeIn, false);
  Note("song 0 fades in at 0.02");
}

bool GameApp::LoadGameGroup() {
  mResourceManager->BeginGroupLoad("Game");
  int totalSounds = mResourceManager->CountSoundsInGroup("Game");
  int loaded = 0;
  while (mResourceManager->LoadNextOfGroup()) {
    ++mLoaderDone;
    ++loaded;
    if (mShuttingDown) return false;
    mLoadingProgress.Set(LoadingProgress::SoundsValue(loaded, totalSounds));
  }
  if (!mResourceManager->ErrorText().empty()) {
    FailWithResourceError(false);
    mShutdownRequested = true;
    return false;
  }
  // The engine's fetch ends the program on a missing name; here a missing
  // sound shows its box and the game shuts down in order, saving the
  // profiles, so every name is looked up before the fetch.
  for (int id = kFirstSoundId; id <= kLastSoundId; ++id) {
    try {
      mResourceManager->SoundOrThrow(ResourceNameById(id));
    } catch (const std::exception& error) {
      ShowFatalErrorA(error.what());
      mShutdownRequested = true;
      return false;
    }
  }
  FetchSoundIds(*mResourceManager);
  Note("\"Game\" loaded, " + std::to_string(loaded) + " resources");
  return true;
}

void GameApp::LoadRest() {
  LoadDialogTable();
  for (int card = 1; card <= 8; ++card) GetImageByKey("card" + std::to_string(card));
  gParticleSystem.Init(kParticleCapacity, kEmitterSlots);
  mLevelMusic = ReadLevelMusicTable(kSettingsFile);
  if (!LoadFixedParticleEffects()) Note("a fixed particle effect did not load");
  if (mMusicInterface == nullptr) return;
  mMusicInterface->LoadSong(kMenuSong, "data/sound/menu.ogg");
  for (int song = 1; song < kSongCount; ++song) {
    mMusicInterface->LoadSong(song, "data/sound/music" + std::to_string(song) + ".ogg");
  }
}

void GameApp::OnLoaderFinished() {
  if (mShutdownRequested) return;
  if (MemoryImage* cursor = GetImageByKey("cust_cursor")) {
    for (int number = 0; number <= 3; ++number) mCursorImages[number] = cursor;
    if (mDisplay != nullptr) mDisplay->SetCursorImage(cursor);
  }
  UseCustomCursors(mCustomCursorFlag);
  Note(mCustomCursorFlag ? "own cursors on" : "own cursors off");
  SetLoadState(kLoaded);
  Note("load state 1");
}

void GameApp::OnFocusGained() {
  KivoAppBase::OnFocusGained();
  PauseLevel(false);
}

void GameApp::OnFocusLost() {
  KivoAppBase::OnFocusLost();
  PauseLevel(true);
}

// The level in its slot, if any, stands still while the window has no
// focus; the log shows the state the level took.
void GameApp::PauseLevel(bool paused) {
  Screen* level = GetScreen(kLevelScreen);
  if (level == nullptr) return;
  level->SetPaused(paused);
  Note("level " + level->SceneName() + (level->IsPaused() ? " paused" : " running"));
}

void GameApp::ApplyMusicVolume(double volume) {
  Note("applied music volume " + std::to_string(volume));
  KivoAppBase::ApplyMusicVolume(volume);
}

void GameApp::ApplySfxVolume(double volume) {
  Note("applied sound volume " + std::to_string(volume));
  KivoAppBase::ApplySfxVolume(volume);
}

void GameApp::ApplyScreenMode(bool windowed, bool is3D, bool force) {
  Note(std::string("applied screen mode ") + (windowed ? "windowed" : "full screen") + (is3D ? ", 3D" : ", no 3D"));
  KivoAppBase::ApplyScreenMode(windowed, is3D, force);
}

void GameApp::PlayMusic(int index) {
  Note("music " + std::to_string(index));
  if (mMusicInterface != nullptr) PlayGameMusic(*mMusicInterface, index);
}

bool GameApp::IsFadeFinished() const { return mSwitch == nullptr || mSwitch->IsFadeFinished(); }

Screen* GameApp::CreateScreen(int type) {
  // The level screen comes from CreateLevelScreen; quitting creates none.
  switch (type) {
    case kLoadingScreen: return new LoadingScreen(*this);
    case kMainMenuScreen: return new MainMenuScreen(*this, *this);
    case kSplashScreen: return new SplashScreen(*this);
    case kMapScreen: return new MapScreen(*this, mMapHost, mScriptServices);
    case kWinScreen: return new WinScreen(*this);
    case kStoryScreen: {
      int stage = 0;
      int level = 0;
      GetCurrentLevel(&stage, &level);
      return new StoryScreen(*this, mStoryHost, mScriptServices, "mnDialogs", stage, level);
    }
    default: return nullptr;
  }
}

Screen* GameApp::CreateLevelScreen(const std::string& sceneName) {
  if (mLevelScreenFactory) return mLevelScreenFactory(sceneName);
  return new Screen(*this, sceneName);
}

void GameApp::OnLoadingScreenAdded() { LaunchLoader(); }

void GameApp::BeginShutdown() { KivoAppBase::BeginShutdown(); }

void GameApp::GetCurrentLevel(int* stage, int* level) {
  *stage = mProfiles.HasCurrent() ? mProfiles.current().stage : 0;
  *level = mProfiles.HasCurrent() ? mProfiles.current().level : 0;
}

void GameApp::FadeOutSong(int id, bool stop, float speed) {
  if (mMusicInterface != nullptr) mMusicInterface->FadeOutSong(id, stop, speed);
}

void GameApp::StartTransition(int target, int remove) {
  if (mSwitch != nullptr) mSwitch->StartTransition(target, remove);
}

void GameApp::PlaySound(const std::string& name) {
  int id = SoundIdByName(name);
  Platform::Log("game: sample " + name);
  if (id >= 0) StartSample(id);
}

MemoryImage* GameApp::LoadPicture(const std::string& path) { return LoadImageFile(path, true); }

bool GameApp::StartLevel() { return mSwitch != nullptr && mSwitch->StartLevel(); }

void GameApp::UpdateParticles() { gParticleSystem.Update(); }
void GameApp::DrawParticles(Graphics& g) { gParticleSystem.Draw(g); }
void GameApp::ClearParticles() { gParticleSystem.Clear(); }

void GameApp::RefreshWelcome() {
  if (auto* menu = dynamic_cast<MainMenuScreen*>(GetScreen(kMainMenuScreen))) menu->ShowWelcome();
}

const ScreenTransition* GameApp::Transition() const { return mSwitch == nullptr ? nullptr : mSwitch->Overlay(); }

Screen* GameApp::GetScreen(int type) const { return mSwitch == nullptr ? nullptr : mSwitch->GetScreen(type); }

}  // namespace Kivo
