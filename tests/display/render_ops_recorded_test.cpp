// The renderer's drawing operations seen from the device: the calls each
// draw makes, their vertex lists and the call names a failure reports, on an
// 800 x 600 draw buffer of the software device with a recorder in front.
#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <string>
#include <vector>

#include "display/D3DInterface.h"
#include "display/D3DTextureData.h"
#include "image/Image.h"
#include "image/MemoryImage.h"
#include "platform/D3D.h"
#include "shell/Matrix.h"
#include "tests/display/ddraw_fixture.h"
#include "tests/display/recording_device.h"

namespace {

using Kivo::Color;
using Kivo::Rect;
using Recording::Call;
using Recording::Record;

const Color kWhite(255, 255, 255);

class RecordedOps : public DDrawTest::DisplayFixture {
protected:
  std::unique_ptr<Kivo::DDInterface> display;
  Kivo::D3DInterface* renderer = nullptr;
  std::unique_ptr<Recording::ScopedRecorder> recorder;

  void SetUp() override {
    DisplayFixture::SetUp();
    D3DStandIn::Reset();
    Kivo::gLastDirectXError.clear();
    Kivo::gD3DRegistryKey.clear();
    app.width = 800;
    app.height = 600;
    host.client = RECT{100, 50, 900, 650};
    display.reset(new Kivo::DDInterface(&app));
    display->is3D = true;
    ASSERT_EQ(display->Init(host.window, true), 0);
    renderer = display->renderer.get();
    ASSERT_EQ(renderer->width, 800);
    ASSERT_EQ(renderer->height, 600);
    recorder.reset(new Recording::ScopedRecorder(*renderer));
  }
  void TearDown() override {
    recorder.reset();
    display.reset();
    D3DStandIn::Reset();
    Kivo::gLastDirectXError.clear();
    DisplayFixture::TearDown();
  }

  Recording::RecordingDevice& device() { return recorder->device; }

  // The image's texture made now, so that a test sees only the draw's calls.
  void Upload(Kivo::MemoryImage& image) {
    ASSERT_TRUE(renderer->EnsureTexture(&image));
    device().Clear();
  }
  // The texture piece at (column, row) of the image's grid.
  IDirectDrawSurface7* Piece(Kivo::MemoryImage& image, int column, int row) {
    const Kivo::TextureData* data = image.textureData;
    return data->pieces[static_cast<size_t>(row * data->columns + column)].surface;
  }
  // The call name the last reported failure carries, "" when none.
  static std::string ReportedCall() {
    const std::string& e = Kivo::gLastDirectXError;
    const size_t colon = e.find(": ");
    return colon == std::string::npos ? e : e.substr(0, colon);
  }
};

// Opaque pixels, red = column, green = row.
void MakeImage(Kivo::MemoryImage& image, int w, int h) {
  std::vector<uint32_t> pixels(static_cast<size_t>(w) * h);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) pixels[static_cast<size_t>(y) * w + x] = 0xFF000001u | ((x & 0xFF) << 16) | ((y & 0xFF) << 8);
  ASSERT_TRUE(image.SetBits(pixels.data(), w, h, true));
}

// The box the vertices of one draw cover.
struct Box {
  float left, top, right, bottom;
};
Box BoxOf(const Record& draw) {
  Box b{1e9f, 1e9f, -1e9f, -1e9f};
  for (const Recording::Vertex& v : draw.vertices) {
    b.left = std::fmin(b.left, v.x), b.top = std::fmin(b.top, v.y);
    b.right = std::fmax(b.right, v.x), b.bottom = std::fmax(b.bottom, v.y);
  }
  return b;
}

TEST_F(RecordedOps, WholeImageQuadSitsHalfAPixelUpAndLeft) {
  Kivo::MemoryImage image;
  MakeImage(image, 20, 10);
  Upload(image);
  renderer->DrawImage(&image, 10, 20, Rect(0, 0, 20, 10), kWhite, 0);
  const std::vector<Record> draws = device().Draws();
  ASSERT_EQ(draws.size(), 1u) << device().Dump();
  const Record& d = draws[0];
  EXPECT_EQ(d.primitive, D3DPT_TRIANGLESTRIP);
  EXPECT_EQ(d.format, 0x1C4u);
  ASSERT_EQ(d.vertices.size(), 4u);
  // Strip order: top-left, bottom-left, top-right, bottom-right.
  const float xs[4] = {9.5f, 9.5f, 29.5f, 29.5f}, ys[4] = {19.5f, 29.5f, 19.5f, 29.5f};
  // The 20 x 10 image sits in a 32 x 16 texture.
  const float us[4] = {0, 0, 20.0f / 32, 20.0f / 32}, vs[4] = {0, 10.0f / 16, 0, 10.0f / 16};
  for (int i = 0; i < 4; ++i) {
    SCOPED_TRACE(i);
    EXPECT_FLOAT_EQ(d.vertices[i].x, xs[i]);
    EXPECT_FLOAT_EQ(d.vertices[i].y, ys[i]);
    EXPECT_FLOAT_EQ(d.vertices[i].u0, us[i]);
    EXPECT_FLOAT_EQ(d.vertices[i].v0, vs[i]);
    EXPECT_EQ(d.vertices[i].colour, 0xFFFFFFFFu);
    EXPECT_FLOAT_EQ(d.vertices[i].rhw, 1.0f);
  }
  renderer->RemoveTexture(&image);
}

// A source rectangle is cut to the image at every piece-walking entry:
// only the image's part is drawn, at the place it would have had.
struct WalkCase {
  const char* name;
  Rect source;
  std::vector<Box> quads;  // destination boxes, drawn at (100, 200)
};

const std::vector<WalkCase>& WalkCases() {
  static const std::vector<WalkCase> cases = {
      {"whole", Rect(0, 0, 300, 20), {{99.5f, 199.5f, 355.5f, 219.5f}, {355.5f, 199.5f, 399.5f, 219.5f}}},
      {"past the right edge", Rect(250, 0, 100, 20),
       {{99.5f, 199.5f, 105.5f, 219.5f}, {105.5f, 199.5f, 149.5f, 219.5f}}},
      {"starting in the last piece's padding", Rect(310, 0, 30, 20), {}},
      {"past the bottom edge", Rect(256, 10, 60, 30), {{99.5f, 199.5f, 143.5f, 209.5f}}},
      {"negative origin", Rect(-10, -5, 20, 10), {{109.5f, 204.5f, 119.5f, 209.5f}}},
      {"wholly left", Rect(-30, 0, 20, 20), {}},
      {"wholly below", Rect(0, 20, 50, 5), {}},
      {"far past the grid", Rect(600, 0, 40, 20), {}},
  };
  return cases;
}

TEST_F(RecordedOps, PieceWalksDrawOnlyTheImagesPartOfTheSourceRectangle) {
  Kivo::MemoryImage image;
  MakeImage(image, 300, 20);  // pieces 256 and 64 (44 used) wide
  Upload(image);
  for (const WalkCase& c : WalkCases()) {
    for (const char* entry : {"image quad", "transformed quad"}) {
      SCOPED_TRACE(std::string(c.name) + ", " + entry);
      device().Clear();
      if (std::string(entry) == "image quad") {
        renderer->DrawImage(&image, 100, 200, c.source, kWhite, 0);
      } else {
        renderer->DrawImageAtFloat(&image, 100, 200, c.source, Rect(0, 0, 800, 600), kWhite, 0);
      }
      const std::vector<Record> draws = device().Draws();
      ASSERT_EQ(draws.size(), c.quads.size()) << device().Dump();
      for (size_t i = 0; i < draws.size(); ++i) {
        const Box b = BoxOf(draws[i]);
        EXPECT_FLOAT_EQ(b.left, c.quads[i].left) << i;
        EXPECT_FLOAT_EQ(b.top, c.quads[i].top) << i;
        EXPECT_FLOAT_EQ(b.right, c.quads[i].right) << i;
        EXPECT_FLOAT_EQ(b.bottom, c.quads[i].bottom) << i;
        // Texture coordinates stay inside the image's part of the piece.
        for (const Recording::Vertex& v : draws[i].vertices) {
          EXPECT_GE(v.u0, 0.0f);
          EXPECT_LE(v.u0, i == 0 && c.source.x < 256 ? 1.0f : 44.0f / 64);
          EXPECT_GE(v.v0, 0.0f);
          EXPECT_LE(v.v0, 20.0f / 32);
        }
      }
    }
  }
  renderer->RemoveTexture(&image);
}

// Past the last column the piece index would run into the next row.
TEST_F(RecordedOps, PointsOutsideThePieceGridHaveNoPiece) {
  Kivo::MemoryImage image;
  MakeImage(image, 300, 130);  // 2 x 2 pieces: 256 and 64 wide, 128 and 2 high
  Upload(image);
  const Kivo::TextureData& data = *image.textureData;
  ASSERT_EQ(data.columns, 2);
  ASSERT_EQ(data.rows, 2);
  struct Case {
    int x, y;
  } outside[] = {{512, 0}, {600, 10}, {-1, 0}, {0, -1}, {0, 256}, {10, 1000}};
  for (const Case& c : outside) {
    SCOPED_TRACE(std::to_string(c.x) + "," + std::to_string(c.y));
    int32_t w = 10, h = 10;
    float u0 = -1, v0 = -1, u1 = -1, v1 = -1;
    EXPECT_EQ(data.GetPieceAt(c.x, c.y, w, h, u0, v0, u1, v1), nullptr);
    EXPECT_EQ(w, 0);
    EXPECT_EQ(h, 0);
  }
  // Inside: the corner piece, narrowed to what it holds.
  int32_t w = 100, h = 100;
  float u0, v0, u1, v1;
  EXPECT_EQ(data.GetPieceAt(260, 128, w, h, u0, v0, u1, v1), Piece(image, 1, 1));
  EXPECT_EQ(w, 60);
  EXPECT_EQ(h, data.pieces[3].height);
  EXPECT_FLOAT_EQ(u0, 4.0f / 64);
  // A walk over and past the whole image visits each piece once.
  std::vector<IDirectDrawSurface7*> visited;
  EXPECT_EQ(data.WalkPieces(Rect(-50, -50, 1000, 1000),
                            [&](const Kivo::PieceBlock& b) { visited.push_back(b.piece); }),
            4);
  EXPECT_EQ(visited, (std::vector<IDirectDrawSurface7*>{Piece(image, 0, 0), Piece(image, 1, 0), Piece(image, 0, 1),
                                                          Piece(image, 1, 1)}));
  renderer->RemoveTexture(&image);
}

}  // namespace
