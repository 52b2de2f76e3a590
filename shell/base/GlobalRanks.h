// Construction order of the program's global objects.
//
// Every global object of the framework and the game has a rank below. Objects
// are built in ascending rank before main() and, because each registers its
// destructor as it is built, destroyed in descending rank at normal exit
// (return from main or exit()), after every function-local static. Define a
// global in the folder that owns it, at its rank:
//
//     KIVO_GLOBAL_RANK(kRankUserDataFolder) std::string gUserDataFolder;
//
// Rules for the folders that add globals:
// - No initialiser reads another global object; the order matters only for
//   teardown (the crash reporter must outlive the upload transfer, and so on).
// - Plain constants (the two colours) are constant-initialised and need no rank
//   to be usable, but keep their rank for documentation.
// - A static library whose global-holding object files nothing references must
//   be linked whole (kivo_link_whole), or the linker drops them with their
//   globals.
// - The game's globals (ranks 1-20) die after the application object is gone.
//   Image destructors therefore skip unregistering from the application once
//   gAppBase is null, and the game's application destructor releases the
//   images that its globals hold.
#pragma once

namespace Kivo {

// Ranks map to init priorities above those the toolchain reserves (0-100) and
// below the default priority, so ranked objects precede unranked ones.
constexpr int kGlobalRankBase = 1000;

enum GlobalRank : int {
  // The game's group, built first.
  kRankEmitterImages = 1,    // engine: images of the particle emitters
  kRankParticleEffect1 = 2,  // engine: five particle-effect libraries (2-6)
  kRankParticleEffect2 = 3,
  kRankParticleEffect3 = 4,
  kRankParticleEffect4 = 5,
  kRankParticleEffect5 = 6,
  // 7-9 free.
  kRankTypedCharacters = 10,  // levels: characters typed during play
  kRankSceneImageTable = 11,  // engine: image table of the scene database
  kRankTextTable = 12,        // engine: data.txt
  kRankDialogTextTable = 13,  // engine: dialog.txt
  kRankAnimationDefs = 14,    // engine: animation definitions
  kRankParticleSystem = 15,   // engine: the particle system
  kRankProfiles = 16,         // frontend: player profiles
  kRankDataTable = 17,        // frontend: data.dat
  kRankHighScores = 18,       // frontend: high-score rows
  kRankWaterPipesList = 19,   // levels: list of the water-pipes mini-game
  kRankStripEffect = 20,      // engine: the strip effect

  // The framework's group.
  kRankDialogYesText = 21,        // ui
  kRankDialogNoText = 22,         // ui
  kRankDialogOkText = 23,         // ui
  kRankDialogCancelText = 24,     // ui
  kRankColorBlack = 25,           // shell
  kRankColorWhite = 26,           // shell
  kRankLastDirectXError = 27,     // display
  kRankPlaceholderImage = 28,     // image
  kRankFontDrawLock = 29,         // ui
  kRankFontDrawPool = 30,         // ui
  kRankCrashReporter = 31,        // diagnostics
  kRankPerfTimer = 32,            // diagnostics
  kRankCrashReportSetting1 = 33,  // diagnostics: four crash-report settings (33-36)
  kRankCrashReportSetting2 = 34,
  kRankCrashReportSetting3 = 35,
  kRankCrashReportSetting4 = 36,
  kRankCrashUploadTransfer = 37,  // diagnostics
  kRankCrashMessageText1 = 38,    // diagnostics
  kRankCrashReportSetting5 = 39,  // diagnostics
  kRankCrashMessageText2 = 40,    // diagnostics
  kRankCrashMessageText3 = 41,    // diagnostics
  kRankProfilerStats = 42,        // diagnostics
  kRankProfilerQueue = 43,        // diagnostics
  kRankLeakTracker = 44,          // diagnostics
  kRankRandom = 45,               // shell: gRandom
  kRankUserDataFolder = 46,       // shell: gUserDataFolder
  kRankLiveValueIds = 47,         // diagnostics
  kRankPakInterface = 48,         // resources: gPakInterface

  kRankCount = 48
};

}  // namespace Kivo

// Places the following global definition at the given rank.
#define KIVO_GLOBAL_RANK(rank) __attribute__((init_priority(::Kivo::kGlobalRankBase + (rank))))
