// A display running in 3D on the software device, for the renderer's drawing
// tests: its frame read back as 0xRRGGBB, and images whose textures the
// fixture drops before the display goes (also when a test stops early, so a
// failed assertion cannot leave the renderer holding a dead image).
// RecordedRendererFixture puts a recording device in front of the software
// one, on an 800 x 600 draw buffer.
#pragma once

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "display/D3DInterface.h"
#include "display/D3DTextureData.h"
#include "display/DDInterface.h"
#include "image/MemoryImage.h"
#include "platform/devices/D3D.h"
#include "platform/devices/DDraw.h"
#include "tests/display/ddraw_fixture.h"
#include "tests/display/recording_device.h"

namespace RendererTest {

class RendererFixture : public DDrawTest::DisplayFixture {
 protected:
  std::unique_ptr<Kivo::DDInterface> display;
  Kivo::D3DInterface* renderer = nullptr;
  std::vector<std::unique_ptr<Kivo::MemoryImage>> images;
  int width = 0;  // of the last frame read
  // The draw buffer's size; 0 keeps the display fixture's 640 x 480.
  int bufferWidth = 0;
  int bufferHeight = 0;

  void SetUp() override {
    DisplayFixture::SetUp();
    D3DStandIn::Reset();
    Kivo::gLastDirectXError.clear();
    Kivo::gD3DRegistryKey.clear();
    if (bufferWidth > 0) {
      app.width = bufferWidth;
      app.height = bufferHeight;
      host.client = RECT{100, 50, 100 + bufferWidth, 50 + bufferHeight};
    }
    display.reset(new Kivo::DDInterface(&app));
    display->is3D = true;
    ASSERT_EQ(display->Init(host.window, true), 0);
    renderer = display->renderer.get();
    if (bufferWidth > 0) {
      ASSERT_EQ(renderer->width, bufferWidth);
      ASSERT_EQ(renderer->height, bufferHeight);
    }
  }
  void TearDown() override {
    if (renderer != nullptr)
      for (auto& image : images) renderer->RemoveTexture(image.get());
    images.clear();
    display.reset();
    D3DStandIn::Reset();
    Kivo::gLastDirectXError.clear();
    DisplayFixture::TearDown();
  }

  Kivo::MemoryImage& NewImage() {
    images.emplace_back(new Kivo::MemoryImage());
    return *images.back();
  }
  // The frame after the scene ends, as 0xRRGGBB; the buffer is cleared to
  // black for the next one.
  std::vector<uint32_t> Frame() {
    renderer->Flush();
    DDrawStandIn::SurfaceView v;
    EXPECT_TRUE(DDrawStandIn::ViewSurface(renderer->drawSurface7, &v));
    std::vector<uint32_t> out(static_cast<size_t>(v.width) * v.height);
    for (int y = 0; y < v.height; ++y)
      for (int x = 0; x < v.width; ++x) {
        uint32_t p;
        std::memcpy(&p, v.pixels + y * v.pitch + x * 4, 4);
        out[static_cast<size_t>(y) * v.width + x] = p & 0xFFFFFF;
      }
    width = v.width;
    display->ClearSurface(display->drawSurface);
    return out;
  }
  uint32_t At(const std::vector<uint32_t>& frame, int x, int y) const {
    return frame[static_cast<size_t>(y) * width + x];
  }
  // The call name the last reported failure carries, "" when none.
  static std::string ReportedCall() {
    const std::string& e = Kivo::gLastDirectXError;
    const size_t colon = e.find(": ");
    return colon == std::string::npos ? e : e.substr(0, colon);
  }
};

class RecordedRendererFixture : public RendererFixture {
 protected:
  std::unique_ptr<Recording::ScopedRecorder> recorder;

  RecordedRendererFixture() {
    bufferWidth = 800;
    bufferHeight = 600;
  }
  void SetUp() override {
    RendererFixture::SetUp();
    if (renderer != nullptr) recorder.reset(new Recording::ScopedRecorder(*renderer));
  }
  void TearDown() override {
    // Textures go before their images, with the real device back in place.
    if (renderer != nullptr)
      for (auto& image : images) renderer->RemoveTexture(image.get());
    images.clear();
    recorder.reset();
    RendererFixture::TearDown();
  }

  Recording::RecordingDevice& device() { return recorder->device; }
  // The texture piece at (column, row) of the image's grid.
  IDirectDrawSurface7* Piece(Kivo::MemoryImage& image, int column, int row) {
    const Kivo::TextureData* data = image.textureData;
    return data->pieces[static_cast<size_t>(row * data->columns + column)].surface;
  }
};

}  // namespace RendererTest
