// The software rasterizer under the Direct3D stand-in.
//
// It draws screen-space triangles and lines into a 16- or 32-bit surface
// with the conventions of the device it stands in for: pixel centres lie on
// integer coordinates, triangles follow the top-left fill rule (a pixel
// whose centre lies exactly on a left or top edge is drawn, on a right or
// bottom edge it is not), texel i covers u in [i/w, (i+1)/w), and a line
// lights one pixel per major-axis centre in [start, end).
//
// Positions snap to 1/16 pixel and edges are walked in exact integer
// arithmetic; colours, texture coordinates and the reciprocal w are plane
// equations evaluated at each span start and stepped in fixed point. A
// triangle whose reciprocal w differs between its corners is interpolated
// perspective-correct per pixel.
//
// Every draw picks, once, an inner loop specialised for its target format,
// sampling, colour source and blend; draws with both texture stages on (the
// second selecting, multiplying or adding its texture) have a loop of their
// own. Each specialised loop has a plain twin
// (Options::reference, or ForceReference) that evaluates the whole pipeline
// per pixel with switches; tests compare the two bit for bit.
//
// Limits: two texture stages; no depth buffer, fog or dithering; textures
// are handed over already decoded to 0xAARRGGBB.
#pragma once

#include <cstdint>
#include <vector>

namespace D3DRaster {

enum class TargetFormat { kXRGB8888, kXBGR8888, kRGB565, kRGB555 };

struct Target {
  std::uint8_t* pixels = nullptr;
  int width = 0;
  int height = 0;
  int pitch = 0;  // bytes
  TargetFormat format = TargetFormat::kXRGB8888;
};

// A decoded texture: width x height 0xAARRGGBB texels, rows tightly packed.
// runs (optional, from BuildTexelRuns) lets pictures copied texel for pixel
// copy their opaque runs and skip their clear ones without blending.
struct Texture {
  const std::uint32_t* texels = nullptr;
  int width = 0;
  int height = 0;
  const std::uint32_t* runs = nullptr;     // per row, each run as end << 2 | kind
  const std::uint32_t* rowRuns = nullptr;  // row y's runs are runs[rowRuns[y] .. rowRuns[y + 1])
};

enum RunKind : std::uint32_t { kRunClear = 0, kRunOpaque = 1, kRunMixed = 2 };

// Finds the runs of clear (alpha 0), opaque (alpha 255) and other texels
// of every row of width x height texels, once per texture. A row that
// breaks into many short runs is kept as one run of mixed texels: looking
// runs up would cost more than blending them.
void BuildTexelRuns(const std::uint32_t* texels, int width, int height, std::vector<std::uint32_t>& runs,
                    std::vector<std::uint32_t>& rowRuns);

enum class Blend {
  kZero,
  kOne,
  kSrcColor,
  kInvSrcColor,
  kSrcAlpha,
  kInvSrcAlpha,
  kDestAlpha,
  kInvDestAlpha,
  kDestColor,
  kInvDestColor
};
enum class Op { kDisable, kSelectArg1, kSelectArg2, kModulate, kAdd };
enum class Arg { kDiffuse, kCurrent, kTexture };

struct Stage {
  Op colorOp = Op::kDisable;
  Arg colorArg1 = Arg::kTexture;
  Arg colorArg2 = Arg::kCurrent;
  Op alphaOp = Op::kDisable;
  Arg alphaArg1 = Arg::kTexture;
  Arg alphaArg2 = Arg::kCurrent;
  const Texture* texture = nullptr;  // null: unbound
  bool wrapU = true;
  bool wrapV = true;
  bool linear = false;
  int texCoordIndex = 0;  // which coordinate set of the vertex it reads
};

struct State {
  bool blendEnable = false;
  Blend srcBlend = Blend::kOne;
  Blend destBlend = Blend::kZero;
  Stage stages[2];
  // Pixels outside [clipX0, clipX1) x [clipY0, clipY1) are never written;
  // the caller narrows it to the target.
  int clipX0 = 0;
  int clipY0 = 0;
  int clipX1 = 0;
  int clipY1 = 0;
};

// A screen-space vertex. q is the reciprocal w (1 for flat 2-D drawing);
// colour channels run 0 to 255.
struct Vertex {
  float x = 0;
  float y = 0;
  float q = 1;
  float r = 0;
  float g = 0;
  float b = 0;
  float a = 0;
  float u[2] = {0, 0};
  float v[2] = {0, 0};
};

Vertex MakeVertex(float x, float y, float q, std::uint32_t argb, float u0, float v0, float u1, float v1);

struct Options {
  bool reference = false;  // the plain per-pixel twin instead of the specialised loop
};

// Forces every later draw onto the reference twin (process-wide switch for
// tests and comparisons).
void ForceReference(bool on);
bool ReferenceForced();

void DrawTriangle(const Target& target, const State& state, const Vertex& a, const Vertex& b, const Vertex& c,
                  const Options& options = Options());
// The triangles (a, b, c) and (b, c, d), as a strip of four corners draws
// them. An axis-aligned rectangle whose attributes the two share exactly
// (pictures mapped 1:1 or by whole texels, flat colours) is set up and
// walked once, a span per row; the reference draws the two triangles.
void DrawQuad(const Target& target, const State& state, const Vertex& a, const Vertex& b, const Vertex& c,
              const Vertex& d, const Options& options = Options());
void DrawLine(const Target& target, const State& state, const Vertex& a, const Vertex& b,
              const Options& options = Options());
// Fills [x0, x1) x [y0, y1) (already inside the target) with a colour.
void Fill(const Target& target, int x0, int y0, int x1, int y1, std::uint32_t argb);

// The target's pixel as 0xFFRRGGBB (channels widened by bit replication).
std::uint32_t ReadPixel(const Target& target, int x, int y);

// x / 255 rounded to nearest, exact for x below 65663 (every product of two
// bytes, and every blend whose factors sum to 255). Up to 2 x 255 x 255 (a
// sum of two such products) it may fall one short, but never below 255
// where the exact quotient reaches 255, so callers that clamp to 255 get
// the exact clamped result.
inline std::uint32_t Div255Round(std::uint32_t x) {
  const std::uint32_t t = x + 128;
  return (t + (t >> 8)) >> 8;
}
// Rounded a x b / 255 of two 0..255 values.
inline std::uint32_t Mul8(std::uint32_t a, std::uint32_t b) { return Div255Round(a * b); }

}  // namespace D3DRaster
