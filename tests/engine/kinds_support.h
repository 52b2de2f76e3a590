// Shared pieces of the drawing-kind tests: a destination image that records
// every quad, two-texture quad and 3D fill it is asked for (image, corners,
// cell, texture coordinates, colour, draw mode), a font of fixed metrics that
// records the strings it draws, a listener that logs the controls' reports,
// and a fixture that serves images of given sizes and pixels through the
// real image table and the six fonts through the resource id names.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "engine/ImageTable.h"
#include "engine/ObjectKinds.h"
#include "image/Image.h"
#include "shell/KivoAppBase.h"
#include "tests/support/temp_folder.h"
#include "tools/sampledata/SceneDbWriter.h"
#include "ui/Font.h"
#include "ui/Graphics.h"

namespace kindstest {

using namespace Kivo;

struct DrawCall {
  std::string kind;  // "quad", "quad3d" or "fill"
  Image* image = nullptr;
  Image* second = nullptr;
  Quad quad;
  int column = 0;  // the cell a "quad" shows, from 1
  int row = 0;
  float u0 = 0, v0 = 0, u1 = 0, v1 = 0;  // top-left and bottom-right coordinates
  Rect rect;                             // "fill"
  Color color;
  int mode = 0;
};

class RecordingImage : public Image {
 public:
  RecordingImage() {
    width = 800;
    height = 600;
  }
  void DrawVertexTriangles(Image* texture, const TriVertex* vertices, int32_t triangleCount, const Rect& clip,
                           const Color& color, int32_t drawMode, float offsetX, float offsetY, bool blend) override;
  void DrawVertexTrianglesTwoTextures(Image* texture, const TriVertex* vertices, int32_t triangleCount,
                                      const Rect& clip, const Color& color, int32_t drawMode, Image* second,
                                      float offsetX, float offsetY, bool blend) override;
  void FillRect3D(const Rect& rect, const Color& color, int32_t drawMode) override;

  std::vector<DrawCall> calls;
};

struct StringCall {
  int x = 0;
  int y = 0;
  std::wstring text;
  Color color;
  Rect clip;
};

// Ascent 12, height 16, line spacing 18; every character 10 pixels wide.
class RecordingFont : public Font {
 public:
  RecordingFont() {
    mAscent = 12;
    mHeight = 16;
    mLineSpacingOffset = 2;
  }
  int StringWidth(const std::wstring& text) override { return 10 * static_cast<int>(text.size()); }
  int CharWidthKerned(wchar_t, wchar_t) override { return 10; }
  void DrawString(Graphics&, int x, int y, const std::wstring& text, const Color& color, const Rect& clip) override {
    strings.push_back({x, y, text, color, clip});
  }
  void SetMetrics(int ascent, int height) {
    mAscent = ascent;
    mHeight = height;
  }
  Font* Duplicate() const override { return new RecordingFont(*this); }

  std::vector<StringCall> strings;
};

class RecordingListener : public ObjEventListener {
 public:
  void OnButtonClick(std::string name) override { log.push_back("click " + name); }
  void OnToggle(std::string name, bool on) override { log.push_back("toggle " + name + (on ? " on" : " off")); }
  void OnSlider(std::string name, float value) override {
    log.push_back("slider " + name);
    sliderValues.push_back(value);
  }
  void OnListSelect(std::string name, std::wstring row) override {
    log.push_back("list " + name);
    rows.push_back(row);
  }
  void OnCarouselSelect(std::string name, std::string picture, int clickCount) override {
    log.push_back("carousel " + name + " " + picture + " " + std::to_string(clickCount));
  }
  std::vector<std::string> log;
  std::vector<float> sliderValues;
  std::vector<std::wstring> rows;
};

// An image of the table: size, cell grid and the colour of every pixel.
struct TestImage {
  std::string key;
  int width = 1;
  int height = 1;
  int columns = 1;
  int rows = 1;
  std::function<uint32_t(int x, int y)> pixel = [](int, int) { return 0xFFFFFFFFu; };
};

// The axis-aligned quad from (x0, y0) to (x1, y1).
Quad BoxQuad(float x0, float y0, float x1, float y1);

class KindsTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // Opens a scene database whose image table holds these images, with the
  // given scenes after "Main".
  void UseImages(const std::vector<TestImage>& images,
                 const std::vector<std::pair<std::string, DtmRecord>>& scenes = {});
  // The object made, placed on (x0, y0)-(x1, y1), given the properties and
  // configured; it goes with the fixture.
  template <typename Kind>
  Kind& Make(float x0, float y0, float x1, float y1, std::vector<std::pair<std::string, std::string>> properties) {
    auto object = std::make_unique<Kind>();
    Kind& made = *object;
    Place(made, x0, y0, x1, y1, properties);
    made.ApplyProperties();
    mObjects.push_back(std::move(object));
    return made;
  }
  // How many loads the image loader made of the key's image.
  int Loads(const std::string& key) { return mLoads[key]; }
  void Draw(sObj& object) { object.Draw(&graphics); }

  std::unique_ptr<KivoAppBase> app;
  RecordingImage screen;
  Graphics graphics{&screen};  // colourises images: the recorded tint is the colour set
  RecordingFont font;
  RecordingListener listener;
  TempFolder folder;

 private:
  void Place(sObj& object, float x0, float y0, float x1, float y1,
             const std::vector<std::pair<std::string, std::string>>& properties);

  std::map<std::string, TestImage> mImages;  // by loader path
  std::map<std::string, int> mLoads;
  ImageLoader mPreviousLoader;
  std::vector<std::unique_ptr<sObj>> mObjects;
};

}  // namespace kindstest
