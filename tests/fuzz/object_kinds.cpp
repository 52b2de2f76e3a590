// Fuzz target: the drawing kinds on arbitrary properties. The first byte picks
// the kind; the rest is read as "key=value" lines into its property list,
// over an image table of three small pictures (a cell grid, a plain one and a
// partly transparent strip). The object applies its properties, fits to its
// image, updates, takes pointer input, draws into a placeholder destination
// and runs its own operations (text, highlight, sparkles), then gives its
// images back.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>

#include "engine/ImageTable.h"
#include "engine/ObjectKinds.h"
#include "engine/SceneDatabase.h"
#include "engine/Script.h"
#include "image/MemoryImage.h"
#include "tools/sampledata/SceneDbWriter.h"
#include "ui/Graphics.h"

namespace {

using namespace Kivo;

bool OpenImageTable() {
  SceneDatabaseWriter writer;
  DtmRecord config;
  config.name = "Main";
  std::string error;
  writer.AddScene("Main", config, &error);
  writer.AddImage({"grid", "grid.png", false, 4, 2}, &error);
  writer.AddImage({"plain", "plain.png", false, 1, 1}, &error);
  writer.AddImage({"strip", "strip.png", false, 3, 1}, &error);
  const std::string path = "/tmp/fuzz_object_kinds_" + std::to_string(getpid()) + ".dtm";
  const std::string bytes = writer.Bytes();
  std::FILE* file = std::fopen(path.c_str(), "wb");
  if (file == nullptr) return false;
  std::fwrite(bytes.data(), 1, bytes.size(), file);
  std::fclose(file);
  SetImageLoader([](const std::string& name) -> MemoryImage* {
    const int width = name == "grid" ? 8 : name == "strip" ? 6 : 2;
    const int height = name == "grid" ? 4 : 2;
    std::unique_ptr<uint32_t[]> pixels(new uint32_t[static_cast<size_t>(width * height)]);
    for (int i = 0; i < width * height; ++i) pixels[i] = (name == "strip" && i % 2 == 0) ? 0u : 0xFF336699u;
    auto* image = new MemoryImage();
    image->SetBits(pixels.get(), width, height, true);
    return image;
  });
  const bool opened = OpenSceneDatabase(path);
  std::remove(path.c_str());
  return opened;
}

sObj* MakeKind(uint8_t pick) {
  switch (pick % 11) {
    case 0: return new sObjSprite();
    case 1: return new sObjMover();
    case 2: return new sObjSwing();
    case 3: return new sObjRect();
    case 4: return new sObjCamera();
    case 5: return new sObjMasked();
    case 6: return new sObjMesh();
    case 7: return new sObjButton();
    case 8: return new sObjToggle();
    case 9: return new sObjText();
    default: return new sObjFrame();
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const bool tableReady = OpenImageTable();
  if (!tableReady || size == 0) return 0;

  std::unique_ptr<sObj> object(MakeKind(data[0]));
  sObj parent;
  object->mParent = &parent;
  object->mBaseQuad.corner[1] = Vector2(40, 0);
  object->mBaseQuad.corner[2] = Vector2(40, 30);
  object->mBaseQuad.corner[3] = Vector2(0, 30);
  Script lines;
  lines.SplitLines(reinterpret_cast<const char*>(data + 1), size - 1);
  for (const std::string& line : lines.Lines()) {
    const size_t split = line.find('=');
    if (split != std::string::npos) object->mProperties.Add(line.substr(0, split), line.substr(split + 1));
  }
  object->ApplyProperties();
  object->ApplyProperties();
  object->FitToImage();
  Graphics g;
  sObjCamera camera;
  object->mCamera = (data[0] & 0x80) != 0 ? &camera : nullptr;
  for (int tick = 0; tick < 40; ++tick) {
    object->Update(1);
    object->MouseMove(tick, 10);
    object->MouseDown(20, 10, (tick % 3) - 1);
    object->MouseDrag(tick * 3, 10);
    object->MouseUp(20, 10, 1);
    object->Draw(&g);
  }
  if (auto* sprite = dynamic_cast<sObjSprite*>(object.get())) {
    sprite->StartFrameAnimation();
    sprite->CollectOpaquePixels();
    Vec2 point;
    if (!sprite->mOpaquePixels.empty()) sprite->OpaquePixelPosition(point, sprite->mOpaquePixels.front());
  }
  if (auto* mesh = dynamic_cast<sObjMesh*>(object.get())) {
    mesh->BuildHighlightImage();
    mesh->SetHighlight(true);
    mesh->InitSparkles(data[0] % 16, 0.1f, 0.5f);
    mesh->StartSparkles(GetImageByKey("plain"));
    for (int tick = 0; tick < 60; ++tick) mesh->Update(1);
    mesh->Draw(&g);
    ReleaseImageByKey("plain");
  }
  if (auto* frame = dynamic_cast<sObjFrame*>(object.get())) {
    frame->ShowText(Vec2(), L"one two three four five");
    frame->QueueText(Vec2(), L"six");
    frame->QueueText(Vec2(), L"seven");
    frame->Hide();
    for (int tick = 0; tick < 60; ++tick) frame->Update(1);
    frame->Draw(&g);
  }
  object->ReleaseImages();
  return 0;
}
