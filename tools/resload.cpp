// resload MANIFEST [--group NAME]... [--step]
//
// Reads a resource manifest and loads its groups as the game does, headless:
// each group whole, or with --step one record per call as the loading thread
// does. Paths in the manifest are relative to the working folder. Without
// --group every group of the manifest is loaded, in name order.
//
// Prints one line per record: kind, id and "loaded", "program" (supplied by
// the program, never loaded) or "not loaded". On failure it prints the
// manager's error text and exits 1; 2 is wrong usage.
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "audio/DSoundManager.h"
#include "platform/Platform.h"
#include "resources/manifest/ResourceManager.h"
#include "shell/KivoAppBase.h"

namespace {

using Kivo::ResourceManager;

const char* KindName(int type) {
  switch (type) {
    case ResourceManager::RESTYPE_IMAGE: return "image";
    case ResourceManager::RESTYPE_SOUND: return "sound";
    case ResourceManager::RESTYPE_FONT: return "font";
    default: return "?";
  }
}

void PrintRecord(const ResourceManager& manager, const ResourceManager::BaseRes* record) {
  const char* state = record->programSupplied ? "program" : manager.IsLoaded(record) ? "loaded" : "not loaded";
  std::printf("%s %s %s\n", KindName(record->type), record->id.c_str(), state);
}

const std::vector<ResourceManager::BaseRes*>& GroupRecords(const ResourceManager& manager, const std::string& group) {
  static const std::vector<ResourceManager::BaseRes*> kNone;
  auto it = manager.Groups().find(group);
  return it == manager.Groups().end() ? kNone : it->second;
}

// One record per call; prints each record as the call that loaded it returns.
bool LoadStepwise(ResourceManager& manager, const std::string& group) {
  const auto& records = GroupRecords(manager, group);
  std::vector<bool> shown(records.size(), false);
  manager.BeginGroupLoad(group);
  int steps = 0;
  for (;;) {
    bool more = manager.LoadNextOfGroup();
    for (size_t i = 0; i < records.size(); ++i) {
      if (shown[i] || !(records[i]->programSupplied || manager.IsLoaded(records[i]))) continue;
      PrintRecord(manager, records[i]);
      shown[i] = true;
    }
    if (!more) break;
    ++steps;
  }
  std::printf("group %s: %d steps, %d sounds\n", group.c_str(), steps, manager.CountSoundsInGroup(group));
  return !manager.HasFailed();
}

bool LoadWhole(ResourceManager& manager, const std::string& group) {
  bool ok = manager.LoadGroup(group);
  for (const ResourceManager::BaseRes* record : GroupRecords(manager, group)) PrintRecord(manager, record);
  std::printf("group %s: %s\n", group.c_str(), ok ? "loaded" : "failed");
  return ok;
}

}  // namespace

int main(int argc, char** argv) {
  std::string manifest;
  std::vector<std::string> groups;
  bool step = false;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--step") == 0) {
      step = true;
    } else if (std::strcmp(argv[i], "--group") == 0 && i + 1 < argc) {
      groups.push_back(argv[++i]);
    } else if (manifest.empty() && argv[i][0] != '-') {
      manifest = argv[i];
    } else {
      manifest.clear();
      break;
    }
  }
  if (manifest.empty()) {
    std::fprintf(stderr, "usage: resload MANIFEST [--group NAME]... [--step]\n");
    return 2;
  }

  Platform::SetMainThread();
  if (!Platform::StartBackend("headless")) {
    std::fprintf(stderr, "resload: the headless backend did not start\n");
    return 1;
  }
  std::unique_ptr<Kivo::KivoAppBase> app(new Kivo::KivoAppBase());
  // The headless backend mixes into memory; a sound manager without a device
  // stays silent and still accepts every load.
  static int soundWindow = 0;
  app->mSoundManager = new Kivo::DSoundManager(&soundWindow, false);
  ResourceManager& manager = *app->mResourceManager;

  if (!manager.ReadManifest(manifest)) {
    std::printf("error: %s\n", manager.ErrorText().c_str());
    return 1;
  }
  if (groups.empty())
    for (const auto& entry : manager.Groups()) groups.push_back(entry.first);

  for (const std::string& group : groups) {
    bool ok = step ? LoadStepwise(manager, group) : LoadWhole(manager, group);
    if (!ok) {
      std::printf("error: %s\n", manager.ErrorText().c_str());
      return 1;
    }
  }
  return 0;
}
