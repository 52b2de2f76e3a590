// The rasterizer's specialised span loops against their reference twin:
// seeded random triangles under random states, drawn both ways into copies
// of the same random frame, compared bit for bit through a CRC of every
// pixel (and pixel by pixel when they differ).
#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <random>
#include <vector>

#include "platform/devices/D3DRaster.h"

namespace {

using namespace D3DRaster;

uint32_t Crc32(uint32_t crc, uint32_t word) {
  crc = ~crc;
  for (int i = 0; i < 4; ++i) {
    crc ^= (word >> (8 * i)) & 0xFF;
    for (int k = 0; k < 8; ++k) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1)));
  }
  return ~crc;
}

struct Frame {
  std::vector<uint8_t> bytes;
  Target target;
  Frame(TargetFormat format, int w, int h, uint32_t seed) {
    const int bpp = format == TargetFormat::kRGB565 ? 2 : 4;
    target.width = w;
    target.height = h;
    target.pitch = w * bpp + 12;  // rows padded like real surfaces
    target.format = format;
    bytes.resize(static_cast<size_t>(target.pitch) * static_cast<size_t>(h));
    std::mt19937 rng(seed);
    for (auto& b : bytes) b = static_cast<uint8_t>(rng());
    target.pixels = bytes.data();
  }
  Frame(const Frame& other) : bytes(other.bytes), target(other.target) { target.pixels = bytes.data(); }
  // The colour bits only: the top byte of a 32-bit pixel carries nothing.
  uint32_t Crc() const {
    uint32_t crc = 0;
    for (int y = 0; y < target.height; ++y)
      for (int x = 0; x < target.width; ++x) {
        const uint32_t p = ReadPixel(target, x, y);
        crc = Crc32(crc, p);
      }
    return crc;
  }
};

struct RandomScene {
  std::mt19937 rng;
  std::vector<std::vector<uint32_t>> texels;
  std::vector<Texture> textures;

  explicit RandomScene(uint32_t seed) : rng(seed) {
    const int sizes[][2] = {{64, 64}, {16, 32}, {1, 1}, {128, 8}, {3, 5}};
    for (const auto& s : sizes) {
      std::vector<uint32_t> px(static_cast<size_t>(s[0] * s[1]));
      for (auto& p : px) {
        const uint32_t kind = rng() % 4;
        const uint32_t a = kind == 0 ? 0 : kind == 1 ? 255 : rng() % 256;
        p = a << 24 | (rng() & 0xFFFFFF);
      }
      texels.push_back(std::move(px));
    }
    for (size_t i = 0; i < texels.size(); ++i)
      textures.push_back(Texture{texels[i].data(), sizes[i][0], sizes[i][1]});
  }

  float Coord(float lo, float hi) { return std::uniform_real_distribution<float>(lo, hi)(rng); }
  // Positions on the 1/2 grid half the time: the ties the fill rule decides.
  float Position(float lo, float hi) {
    const float v = Coord(lo, hi);
    return rng() % 2 ? static_cast<float>(static_cast<int>(v * 2)) / 2 : v;
  }

  State RandomState(int w, int h) {
    State st;
    const Blend pairs[][2] = {{Blend::kSrcAlpha, Blend::kInvSrcAlpha}, {Blend::kSrcAlpha, Blend::kOne},
                              {Blend::kOne, Blend::kOne},             {Blend::kOne, Blend::kZero},
                              {Blend::kZero, Blend::kSrcColor},       {Blend::kDestColor, Blend::kSrcColor}};
    const auto& pair = pairs[rng() % 6];
    st.blendEnable = rng() % 5 != 0;
    st.srcBlend = pair[0];
    st.destBlend = pair[1];
    Stage& s0 = st.stages[0];
    s0.texture = rng() % 6 == 0 ? nullptr : &textures[rng() % textures.size()];
    switch (rng() % 4) {
      case 0:
        s0.colorOp = Op::kModulate, s0.colorArg1 = Arg::kTexture, s0.colorArg2 = Arg::kCurrent;
        break;
      case 1:
        s0.colorOp = Op::kModulate, s0.colorArg1 = Arg::kDiffuse, s0.colorArg2 = Arg::kCurrent;
        break;
      case 2:
        s0.colorOp = Op::kSelectArg1, s0.colorArg1 = Arg::kTexture;
        break;
      default:
        s0.colorOp = Op::kAdd, s0.colorArg1 = Arg::kTexture, s0.colorArg2 = Arg::kDiffuse;
        break;
    }
    if (rng() % 2) {
      s0.alphaOp = Op::kModulate, s0.alphaArg1 = Arg::kTexture, s0.alphaArg2 = Arg::kCurrent;
    } else {
      s0.alphaOp = Op::kSelectArg1, s0.alphaArg1 = Arg::kTexture;
    }
    s0.linear = rng() % 2;
    s0.wrapU = rng() % 2;
    s0.wrapV = rng() % 2;
    // The second stage as the two-texture draws set it (or left over from
    // one, its texture unbound), or off.
    Stage& s1 = st.stages[1];
    if (rng() % 3 != 0) {
      const Op ops[] = {Op::kSelectArg1, Op::kModulate, Op::kAdd};
      s1.colorOp = ops[rng() % 3];
      s1.colorArg1 = Arg::kTexture;
      s1.colorArg2 = rng() % 5 == 0 ? Arg::kDiffuse : Arg::kCurrent;
      s1.alphaOp = rng() % 2 ? Op::kModulate : Op::kDisable;
      s1.alphaArg1 = rng() % 2 ? Arg::kTexture : Arg::kCurrent;
      s1.alphaArg2 = s1.alphaArg1 == Arg::kTexture ? Arg::kCurrent : Arg::kTexture;
      s1.texture = rng() % 3 != 0 ? &textures[rng() % textures.size()] : nullptr;
      s1.texCoordIndex = static_cast<int>(rng() % 2);
      s1.linear = rng() % 2;
      s1.wrapU = rng() % 2;
      s1.wrapV = rng() % 2;
    }
    s0.texCoordIndex = rng() % 4 == 0 ? 1 : 0;
    st.clipX0 = static_cast<int>(rng() % 8);
    st.clipY0 = static_cast<int>(rng() % 8);
    st.clipX1 = w - static_cast<int>(rng() % 8);
    st.clipY1 = h - static_cast<int>(rng() % 8);
    return st;
  }

  Vertex RandomVertex(int w, int h, bool flatColour, uint32_t colour, bool sprite) {
    if (!flatColour) colour = rng() % 3 == 0 ? 0xFFFFFFFFu : static_cast<uint32_t>(rng());
    const float x = Position(-20, static_cast<float>(w) + 20), y = Position(-20, static_cast<float>(h) + 20);
    const float range = sprite ? 1.0f : 3.0f;
    return MakeVertex(x, y, 1.0f, colour, Coord(-range, range), Coord(-range, range), Coord(-2, 2), Coord(-2, 2));
  }
};

TEST(RasterTwins, SeededRandomTrianglesMatchTheReferenceBitForBit) {
  int drawn = 0;
  for (TargetFormat format : {TargetFormat::kXRGB8888, TargetFormat::kRGB565}) {
    for (uint32_t seed = 1; seed <= 60; ++seed) {
      SCOPED_TRACE(testing::Message() << "format " << static_cast<int>(format) << " seed " << seed);
      RandomScene scene(seed);
      Frame fast(format, 96, 80, seed * 7);
      Frame reference(fast);
      for (int i = 0; i < 12; ++i) {
        const State st = scene.RandomState(96, 80);
        const bool flat = scene.rng() % 2;
        const uint32_t colour = scene.rng() % 2 ? 0xFFFFFFFFu : static_cast<uint32_t>(scene.rng());
        const bool sprite = scene.rng() % 2;
        const Vertex a = scene.RandomVertex(96, 80, flat, colour, sprite);
        const Vertex b = scene.RandomVertex(96, 80, flat, colour, sprite);
        const Vertex c = scene.RandomVertex(96, 80, flat, colour, sprite);
        DrawTriangle(fast.target, st, a, b, c);
        Options ref;
        ref.reference = true;
        DrawTriangle(reference.target, st, a, b, c, ref);
        ++drawn;
      }
      if (fast.Crc() != reference.Crc()) {
        for (int y = 0; y < 80; ++y)
          for (int x = 0; x < 96; ++x)
            ASSERT_EQ(ReadPixel(fast.target, x, y), ReadPixel(reference.target, x, y)) << x << "," << y;
      }
    }
  }
  EXPECT_EQ(drawn, 2 * 60 * 12);
}

// Axis-aligned sprites mapped 1:1, the renderer's commonest draw, take the
// point loop under linear filtering; it must match the real filter.
TEST(RasterTwins, OneToOneSpritesMatchUnderLinearFiltering) {
  RandomScene scene(99);
  for (TargetFormat format : {TargetFormat::kXRGB8888, TargetFormat::kRGB565}) {
    Frame fast(format, 200, 150, 5);
    Frame reference(fast);
    for (int i = 0; i < 40; ++i) {
      State st;
      st.blendEnable = true;
      st.srcBlend = Blend::kSrcAlpha;
      st.destBlend = i % 3 == 0 ? Blend::kOne : Blend::kInvSrcAlpha;
      st.stages[0].colorOp = Op::kModulate;
      st.stages[0].alphaOp = Op::kModulate;
      st.stages[0].texture = &scene.textures[i % 2 == 0 ? 0 : 3];
      st.stages[0].linear = true;
      st.stages[0].wrapU = st.stages[0].wrapV = false;
      st.clipX1 = 200;
      st.clipY1 = 150;
      const Texture& t = *st.stages[0].texture;
      const float x = static_cast<float>(scene.rng() % 180) - 20.5f, y = static_cast<float>(scene.rng() % 140) - 10.5f;
      const uint32_t colour = i % 4 == 0 ? 0x80FFC080u : 0xFFFFFFFFu;
      const Vertex v0 = MakeVertex(x, y, 1, colour, 0, 0, 0, 0);
      const Vertex v1 = MakeVertex(x, y + t.height, 1, colour, 0, 1, 0, 0);
      const Vertex v2 = MakeVertex(x + t.width, y, 1, colour, 1, 0, 0, 0);
      const Vertex v3 = MakeVertex(x + t.width, y + t.height, 1, colour, 1, 1, 0, 0);
      Options ref;
      ref.reference = true;
      DrawTriangle(fast.target, st, v0, v1, v2);
      DrawTriangle(fast.target, st, v1, v2, v3);
      DrawTriangle(reference.target, st, v0, v1, v2, ref);
      DrawTriangle(reference.target, st, v1, v2, v3, ref);
    }
    EXPECT_EQ(fast.Crc(), reference.Crc());
  }
}

TEST(RasterTwins, ForcedReferenceSwitchAppliesToEveryDraw) {
  RandomScene scene(3);
  Frame a(TargetFormat::kXRGB8888, 64, 64, 1);
  Frame b(a);
  State st = scene.RandomState(64, 64);
  const Vertex v0 = MakeVertex(1, 1, 1, 0xFF808080, 0, 0, 0, 0);
  const Vertex v1 = MakeVertex(60, 5, 1, 0xFF8080FF, 1, 0, 0, 0);
  const Vertex v2 = MakeVertex(10, 60, 1, 0x808080FF, 0, 1, 0, 0);
  ForceReference(true);
  EXPECT_TRUE(ReferenceForced());
  DrawTriangle(a.target, st, v0, v1, v2);
  ForceReference(false);
  Options ref;
  ref.reference = true;
  DrawTriangle(b.target, st, v0, v1, v2, ref);
  EXPECT_EQ(a.Crc(), b.Crc());
}

TEST(RasterTwins, FarAwayAndBrokenCornersNeitherCrashNorSpill) {
  Frame f(TargetFormat::kXRGB8888, 32, 32, 2);
  Frame before(f);
  State st;
  st.stages[0].colorOp = Op::kSelectArg1;
  st.stages[0].colorArg1 = Arg::kDiffuse;
  st.stages[0].alphaOp = Op::kSelectArg1;
  st.stages[0].alphaArg1 = Arg::kDiffuse;
  st.clipX0 = 8;
  st.clipY0 = 8;
  st.clipX1 = 24;
  st.clipY1 = 24;
  const float nan = std::numeric_limits<float>::quiet_NaN();
  DrawTriangle(f.target, st, MakeVertex(nan, 0, 1, 0xFFFFFFFF, 0, 0, 0, 0), MakeVertex(10, 10, 1, 0xFFFFFFFF, 0, 0, 0, 0),
               MakeVertex(20, 0, 1, 0xFFFFFFFF, 0, 0, 0, 0));
  EXPECT_EQ(f.Crc(), before.Crc());
  // A huge triangle covering everything fills exactly the clip rectangle.
  DrawTriangle(f.target, st, MakeVertex(-1e9f, -1e9f, 1, 0xFFFFFFFF, 0, 0, 0, 0),
               MakeVertex(1e9f, -1e9f, 1, 0xFFFFFFFF, 0, 0, 0, 0), MakeVertex(0, 1e9f, 1, 0xFFFFFFFF, 0, 0, 0, 0));
  int inside = 0, outsideChanged = 0;
  for (int y = 0; y < 32; ++y)
    for (int x = 0; x < 32; ++x) {
      const bool in = x >= 8 && x < 24 && y >= 8 && y < 24;
      if (in) inside += ReadPixel(f.target, x, y) == 0xFFFFFFFFu;
      else outsideChanged += ReadPixel(f.target, x, y) != ReadPixel(before.target, x, y);
    }
  EXPECT_EQ(inside, 256);
  EXPECT_EQ(outsideChanged, 0);
}

}  // namespace
