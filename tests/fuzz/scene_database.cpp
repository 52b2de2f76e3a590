// Fuzz target: the input saved as a scene database and opened (header,
// index, image table), then every indexed scene loaded into one list, its
// animation links resolved and the objects deleted.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

#include "engine/ImageTable.h"
#include "engine/SceneDatabase.h"
#include "engine/SceneLoader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const std::string path = "/tmp/fuzz_scene_database_" + std::to_string(getpid()) + ".dtm";
  std::FILE* file = std::fopen(path.c_str(), "wb");
  if (file == nullptr) return 0;
  if (size > 0) std::fwrite(data, 1, size, file);
  std::fclose(file);
  if (Kivo::OpenSceneDatabase(path)) {
    Kivo::ObjectList list;
    for (const Kivo::DtmIndexEntry& entry : Kivo::SceneIndex()) Kivo::LoadScene(entry.name, list);
    Kivo::LinkAnimTargets(list);
    Kivo::ImageEntries();
    Kivo::DeleteObjects(list);
  }
  Kivo::FreeSceneDatabase();
  std::remove(path.c_str());
  return 0;
}
