// dtmdump FILE [--load-images]: prints a scene database as the engine reads
// it: the header, the scene index, every scene's objects as a tree (name,
// type, corners, properties; the configuration record's fields) and the
// image table. With --load-images it also loads every image of the table
// through the application's image loading on the headless backend (paths
// are relative to the working folder) and prints each image's size and
// grid. Exit code 0 when everything opened, loaded and read, 1 otherwise,
// 2 on wrong usage.
#include <cstdio>
#include <memory>
#include <string>

#include "engine/ImageTable.h"
#include "engine/SceneDatabase.h"
#include "engine/SceneLoader.h"
#include "image/MemoryImage.h"
#include "platform/Platform.h"
#include "shell/KivoAppBase.h"

namespace {

using namespace Kivo;

int Depth(const sObj* object) {
  int depth = 0;
  for (const sObj* p = object->mParent; p != nullptr; p = p->mParent) ++depth;
  return depth;
}

void PrintObject(const sObj* object) {
  const std::string indent(2 + 2 * Depth(object), ' ');
  const Quad& q = object->mBaseQuad;
  std::printf("%s\"%s\" type %d (%g,%g) (%g,%g) (%g,%g) (%g,%g)\n", indent.c_str(), object->mName.c_str(),
              object->mTypeCode, q.corner[0].x, q.corner[0].y, q.corner[1].x, q.corner[1].y, q.corner[2].x,
              q.corner[2].y, q.corner[3].x, q.corner[3].y);
  for (const ObjProperty& pair : object->mProperties) {
    std::printf("%s  %s = \"%s\"\n", indent.c_str(), pair.key.c_str(), pair.value.c_str());
  }
  if (const auto* config = dynamic_cast<const sObjConfig*>(object)) {
    std::printf("%s  configuration: game \"%s\", company \"%s\", version \"%s\", data \"%s\", %d x %d, code page %d\n",
                indent.c_str(), config->mGameName.c_str(), config->mCompany.c_str(), config->mVersion.c_str(),
                config->mDataPath.c_str(), config->mWidth, config->mHeight, config->mCodePage);
  }
}

}  // namespace

int main(int argc, char** argv) {
  const bool loadImages = argc == 3 && std::string(argv[2]) == "--load-images";
  if (argc != 2 && !loadImages) {
    std::fprintf(stderr, "usage: dtmdump FILE [--load-images]\n");
    return 2;
  }
  std::unique_ptr<KivoAppBase> app;
  if (loadImages) {
    Platform::SetMainThread();
    if (!Platform::StartBackend("headless")) {
      std::fprintf(stderr, "dtmdump: the headless backend does not start\n");
      return 1;
    }
    app = std::make_unique<KivoAppBase>();
  }
  if (!OpenSceneDatabase(argv[1])) {
    std::fprintf(stderr, "dtmdump: %s cannot be read as a scene database\n", argv[1]);
    return 1;
  }
  int status = 0;
  const DtmHeader& header = SceneDatabaseHeader();
  std::printf("index at %u, %u scenes; image block at %u, %u bytes\n", header.indexOffset, header.indexCount,
              header.imageBlockOffset, header.imageBlockSize);
  for (const DtmIndexEntry& entry : SceneIndex()) {
    std::printf("scene \"%s\" at %u, %u bytes\n", entry.name.c_str(), entry.offset, entry.size);
    ObjectList list;
    if (!LoadScene(entry.name, list)) {
      std::printf("  (damaged)\n");
      status = 1;
      continue;
    }
    for (const sObj* object : list) PrintObject(object);
  }
  const std::vector<ImageEntry> images = ImageEntries();
  std::printf("%zu images\n", images.size());
  for (const ImageEntry& image : images) {
    std::printf("  \"%s\" \"%s\" preload %d, %d x %d cells", image.key.c_str(), image.path.c_str(),
                image.preload ? 1 : 0, image.columns, image.rows);
    if (loadImages) {
      MemoryImage* loaded = GetImageByKey(image.key);
      if (loaded == nullptr) {
        std::printf(": not loaded");
        status = 1;
      } else {
        std::printf(": %d x %d pixels, %d x %d cells", loaded->width, loaded->height, loaded->columns, loaded->rows);
      }
    }
    std::printf("\n");
  }
  FreeSceneDatabase();
  return status;
}
