#include "engine/ResourceIds.h"

#include <map>
#include <mutex>

#include "platform/Environment.h"
#include "resources/manifest/ResourceManager.h"
#include "shell/KivoAppBase.h"

namespace Kivo {

namespace {

const char* const kResourceNames[kResourceIdCount] = {
    "FONT_GENERAL", "FONT_GENERAL_BLACK", "FONT_STAGE", "FONT_TUTORIAL", "FONT_TEXT", "FONT_SMALL",
    "SOUND_BTN_CLK", "SOUND_CHPOK", "SOUND_DEFEAT", "SOUND_FIND", "SOUND_LEVELUP", "SOUND_MISS",
    "SOUND_TIMEUP", "SOUND_TIP_FULL", "SOUND_TIP_USE", "SOUND_CARD_FLIP", "SOUND_COLLECTED", "SOUND_CLOCK",
    "SOUND_ELECTRIC_RAZR", "SOUND_ENERGY_UP", "SOUND_SPRING", "SOUND_GOOD_OBJECT", "SOUND_OUT_SCREEN",
    "SOUND_CHELK_SEIF", "SOUND_RUCHKA_SEIF", "SOUND_AKVA_HOR", "SOUND_AKVA_VERT", "SOUND_AKVA_CHUPA",
    "SOUND_AKVA_BURBULATOR", "SOUND_DUSK", "SOUND_QUEST_UNI", "SOUND_QUEST_LOOSE", "SOUND_QUEST_VASA_CAPUT",
    "SOUND_QUEST_DOOR", "SOUND_QUES_VENTIL", "SOUND_QUEST_WOOD_WHEEL", "SOUND_QUEST_GAZPLITA",
    "SOUND_EXPLOSION", "SOUND_QUEST_KETTLER", "SOUND_QUEST_BURBULAT", "SOUND_QUEST_VENTILATOR",
    "SOUND_WHEIGHT", "SOUND_KONVEER", "SOUND_QUEST_STONE", "SOUND_QUEST_CANNON", "SOUND_FONTAIN",
    "SOUND_QUEST_PLITA", "SOUND_KAMIN", "SOUND_WATERFALL", "SOUND_NATURE", "SOUND_FISH",
    "SOUND_ROCKET_TRESK", "SOUND_APPLAUSE"};

// The order the game object asks for its fonts in.
const int kFontFetchOrder[] = {0, 1, 5, 2, 4, 3};

// One slot per id: a font for 0..5, a sound id for 6..52.
struct FetchedResources {
  Font* fonts[kLastFontId + 1] = {};
  int sounds[kResourceIdCount] = {};
  FetchedResources() {
    for (int& sound : sounds) sound = -1;
  }
};

FetchedResources& Fetched() {
  static FetchedResources fetched;
  return fetched;
}

bool IsFontId(int id) { return id >= kFirstFontId && id <= kLastFontId; }
bool IsSoundId(int id) { return id >= kFirstSoundId && id <= kLastSoundId; }

// A resource the manifest lacks ends the game the way every resource error
// does. The text is logged first: from the loading thread the box itself
// waits for a loop pass that the exit never gives it.
bool FailOnMissingResource(ResourceManager& manager, const ResourceManagerException& error) {
  Platform::Log("resource error: " + error.Text());
  if (gAppBase == nullptr) return false;
  if (gAppBase->mResourceManager == &manager) {
    gAppBase->FailWithResourceError(true);
  } else {
    gAppBase->ShowFatalErrorA(error.Text());
    gAppBase->ExitProgram(0);
  }
  return false;
}

}  // namespace

std::string ResourceNameById(int id) {
  if (id < 0 || id >= kResourceIdCount) return std::string();
  return kResourceNames[id];
}

int ResourceIdByName(const std::string& name) {
  static const std::map<std::string, int> byName = [] {
    std::map<std::string, int> map;
    for (int id = 0; id < kResourceIdCount; ++id) map.emplace(kResourceNames[id], id);
    return map;
  }();
  auto found = byName.find(name);
  return found == byName.end() ? kResourceIdCount : found->second;
}

Font* FontById(int id) { return IsFontId(id) ? Fetched().fonts[id] : nullptr; }

int SoundIdById(int id) { return IsSoundId(id) ? Fetched().sounds[id] : -1; }

Font* FontByName(const std::string& name) { return FontById(ResourceIdByName(name)); }

int SoundIdByName(const std::string& name) { return SoundIdById(ResourceIdByName(name)); }

bool FetchFonts(ResourceManager& manager) {
  for (int id : kFontFetchOrder) {
    try {
      Fetched().fonts[id] = manager.FontOrThrow(kResourceNames[id]);
    } catch (const ResourceManagerException& error) {
      return FailOnMissingResource(manager, error);
    }
  }
  return true;
}

bool FetchSoundIds(ResourceManager& manager) {
  for (int id = kFirstSoundId; id <= kLastSoundId; ++id) {
    try {
      Fetched().sounds[id] = manager.SoundOrThrow(kResourceNames[id]);
    } catch (const ResourceManagerException& error) {
      return FailOnMissingResource(manager, error);
    }
  }
  return true;
}

void ForgetFetchedResources() { Fetched() = FetchedResources(); }

}  // namespace Kivo
