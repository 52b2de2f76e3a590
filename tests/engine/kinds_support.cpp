#include "tests/engine/kinds_support.h"

#include <cmath>
#include <cstdlib>
#include <fstream>

#include "engine/ResourceIds.h"
#include "engine/SceneDatabase.h"
#include "image/MemoryImage.h"
#include "platform/Platform.h"
#include "resources/manifest/ResourceManager.h"
#include "tools/sampledata/SceneDbWriter.h"

namespace kindstest {

namespace {

// Loaded images keep their pixels as given.
class PlainImage : public MemoryImage {
 public:
  bool ConvertToPalette() override { return false; }
};

class FontManager : public ResourceManager {
 public:
  FontManager(KivoAppBase* app, Font* font) : ResourceManager(app), mFont(font) {}
  Font* FontOrThrow(const std::string&) override { return mFont; }

 private:
  Font* mFont;
};

// The quad's corners from the two triangles of a strip (bottom left, top
// left, bottom right, top right), y back downwards.
Quad StripQuad(const TriVertex* v) {
  Quad quad;
  quad.corner[0] = Vector2(v[1].x, -v[1].y);
  quad.corner[1] = Vector2(v[3].x, -v[3].y);
  quad.corner[2] = Vector2(v[2].x, -v[2].y);
  quad.corner[3] = Vector2(v[0].x, -v[0].y);
  return quad;
}

}  // namespace

Quad BoxQuad(float x0, float y0, float x1, float y1) {
  Quad quad;
  quad.corner[0] = Vector2(x0, y0);
  quad.corner[1] = Vector2(x1, y0);
  quad.corner[2] = Vector2(x1, y1);
  quad.corner[3] = Vector2(x0, y1);
  return quad;
}

void RecordingImage::DrawVertexTriangles(Image* texture, const TriVertex* v, int32_t, const Rect&, const Color& color,
                                         int32_t drawMode, float, float, bool) {
  DrawCall call;
  call.kind = "quad";
  call.image = texture;
  call.quad = StripQuad(v);
  call.u0 = v[1].u;
  call.v0 = v[1].v;
  call.u1 = v[2].u;
  call.v1 = v[2].v;
  if (texture != nullptr) {
    call.column = static_cast<int>(std::lround(v[2].u * static_cast<float>(texture->columns)));
    call.row = static_cast<int>(std::lround(v[2].v * static_cast<float>(texture->rows)));
  }
  call.color = color;
  call.mode = drawMode;
  calls.push_back(call);
}

void RecordingImage::DrawVertexTrianglesTwoTextures(Image* texture, const TriVertex* v, int32_t, const Rect&,
                                                    const Color& color, int32_t drawMode, Image* second, float, float,
                                                    bool) {
  DrawCall call;
  call.kind = "quad3d";
  call.image = texture;
  call.second = second;
  call.quad = StripQuad(v);
  call.u0 = v[1].secondU;
  call.v0 = v[1].secondV;
  call.u1 = v[2].secondU;
  call.v1 = v[2].secondV;
  call.color = color;
  call.mode = drawMode;
  calls.push_back(call);
}

void RecordingImage::FillRect3D(const Rect& rect, const Color& color, int32_t drawMode) {
  DrawCall call;
  call.kind = "fill";
  call.rect = rect;
  call.color = color;
  call.mode = drawMode;
  calls.push_back(call);
}

void KindsTest::SetUp() {
  Platform::SetMainThread();
  ASSERT_TRUE(Platform::StartBackend("headless"));
  ::setenv("GAME_LOG", (folder / "game.log").c_str(), 1);
  app = std::make_unique<KivoAppBase>();
  FontManager fonts(app.get(), &font);
  ASSERT_TRUE(FetchFonts(fonts));
  LcgSeed(1);
  graphics.SetColorizeImages(true);
  mPreviousLoader = SetImageLoader([this](const std::string& path) -> MemoryImage* {
    auto found = mImages.find(path);
    if (found == mImages.end()) return nullptr;
    const TestImage& spec = found->second;
    ++mLoads[spec.key];
    std::vector<uint32_t> pixels(static_cast<size_t>(spec.width) * static_cast<size_t>(spec.height));
    for (int y = 0; y < spec.height; ++y) {
      for (int x = 0; x < spec.width; ++x) pixels[static_cast<size_t>(y) * spec.width + x] = spec.pixel(x, y);
    }
    auto* image = new PlainImage();
    image->SetBits(pixels.data(), spec.width, spec.height, true);
    return image;
  });
}

void KindsTest::TearDown() {
  for (auto& object : mObjects) object->ReleaseImages();
  mObjects.clear();
  FreeSceneDatabase();
  SetImageLoader(mPreviousLoader);
  ForgetFetchedResources();
  app.reset();
  ::unsetenv("GAME_LOG");
}

void KindsTest::UseImages(const std::vector<TestImage>& images,
                          const std::vector<std::pair<std::string, DtmRecord>>& scenes) {
  SceneDatabaseWriter writer;
  std::string error;
  DtmRecord config;
  config.name = "Main";
  ASSERT_TRUE(writer.AddScene("Main", config, &error)) << error;
  for (const auto& [name, root] : scenes) ASSERT_TRUE(writer.AddScene(name, root, &error)) << error;
  for (const TestImage& image : images) {
    const std::string path = "img/" + image.key;
    mImages[path] = image;
    ASSERT_TRUE(writer.AddImage({image.key, path + ".png", false, image.columns, image.rows}, &error)) << error;
  }
  const std::string file = folder / "data.dtm";
  const std::string bytes = writer.Bytes();
  std::ofstream(file, std::ios::binary).write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  ASSERT_TRUE(OpenSceneDatabase(file));
}

void KindsTest::Place(sObj& object, float x0, float y0, float x1, float y1,
                      const std::vector<std::pair<std::string, std::string>>& properties) {
  object.mName = "obj";
  object.mBaseQuad = BoxQuad(x0, y0, x1, y1);
  object.mDisplayQuad = object.mBaseQuad;
  object.UpdateCentre();
  object.UpdateDisplayCentre();
  for (const auto& [key, value] : properties) object.mProperties.Add(key, value);
}

}  // namespace kindstest
