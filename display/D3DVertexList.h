// Polygon clipping for the renderer: one Sutherland-Hodgman pass cuts a
// convex polygon against one axis-aligned threshold, for screen-space
// vertices (TLVertex) and untransformed ones (Vertex3D), over a vertex list
// that holds 100 vertices without allocating and doubles when it must grow.
// The clip rectangle of a drawing context and the texture-coordinate square
// of one texture piece are both four such passes.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <memory>

#include "platform/devices/D3D.h"
#include "shell/base/Rect.h"

namespace Kivo {

// The device's pre-transformed vertex (format 0x1C4).
struct TLVertex {
  float x = 0;
  float y = 0;
  float z = 0;
  float rhw = 1.0f;
  uint32_t colour = 0;
  uint32_t specular = 0;
  float tu = 0;
  float tv = 0;
};

// The untransformed vertex with two coordinate sets (format 0x242).
struct Vertex3D {
  float x = 0;
  float y = 0;
  float z = 0;
  uint32_t colour = 0;
  float tu0 = 0;
  float tv0 = 0;
  float tu1 = 0;
  float tv1 = 0;
};

static_assert(sizeof(TLVertex) == sizeof(D3DTLVERTEX), "TLVertex is the device's vertex");
static_assert(sizeof(Vertex3D) == sizeof(D3DVERTEX3D2), "Vertex3D is the device's vertex");

constexpr int32_t kVertexListInline = 100;

template <typename V>
class VertexList {
 public:
  VertexList() = default;
  VertexList(const VertexList& other) { Assign(other); }
  VertexList& operator=(const VertexList& other) {
    if (this != &other) Assign(other);
    return *this;
  }
  ~VertexList() {
    if (items != inline_) delete[] items;
  }

  void Reserve(int32_t n) {
    if (capacity >= n) return;
    V* block = new V[static_cast<size_t>(n)];
    std::copy(items, items + count, block);
    if (items != inline_) delete[] items;
    items = block;
    capacity = n;
  }
  void Add(const V& vertex) {
    if (count == capacity) Reserve(2 * capacity);
    items[count++] = vertex;
  }
  void Assign(const VertexList& other) {
    Reserve(other.count);
    std::copy(other.items, other.items + other.count, items);
    count = other.count;
  }
  void Clear() { count = 0; }
  V& operator[](int32_t i) { return items[i]; }
  const V& operator[](int32_t i) const { return items[i]; }
  bool UsesInlineStorage() const { return items == inline_; }

  V* items = inline_;
  int32_t count = 0;
  int32_t capacity = kVertexListInline;

 private:
  V inline_[kVertexListInline];
};

float TLVertexComponent(const TLVertex& v, int32_t k);
float Vertex3DComponent(const Vertex3D& v, int32_t k);
// Colour words equal: kept; else each channel a + (b - a) t, truncated.
uint32_t LerpColour(uint32_t a, uint32_t b, float t);
TLVertex LerpTLVertex(const TLVertex& a, const TLVertex& b, float t);
Vertex3D LerpVertex3D(const Vertex3D& a, const Vertex3D& b, float t);

// One edge step and one pass: Min keeps component >= threshold, Max keeps
// component < threshold. A pass appends to the output.
void ClipTLEdgeMin(int32_t k, float threshold, const TLVertex& previous, const TLVertex& current,
                   VertexList<TLVertex>& out);
void ClipTLEdgeMax(int32_t k, float threshold, const TLVertex& previous, const TLVertex& current,
                   VertexList<TLVertex>& out);
void Clip3DEdgeMin(int32_t k, float threshold, const Vertex3D& previous, const Vertex3D& current,
                   VertexList<Vertex3D>& out);
void Clip3DEdgeMax(int32_t k, float threshold, const Vertex3D& previous, const Vertex3D& current,
                   VertexList<Vertex3D>& out);
void ClipTLPolygonMin(int32_t k, float threshold, const VertexList<TLVertex>& in, VertexList<TLVertex>& out);
void ClipTLPolygonMax(int32_t k, float threshold, const VertexList<TLVertex>& in, VertexList<TLVertex>& out);
void Clip3DPolygonMin(int32_t k, float threshold, const VertexList<Vertex3D>& in, VertexList<Vertex3D>& out);
void Clip3DPolygonMax(int32_t k, float threshold, const VertexList<Vertex3D>& in, VertexList<Vertex3D>& out);

// Clips a copy of the polygon to the rectangle ([x, x + width) x
// [y, y + height)) and draws it as a fan when 3 or more vertices remain.
void ClipAndDrawPolygon(IDirect3DDevice7* device, const Rect* clip, const VertexList<TLVertex>& polygon);
// Clip in place to the texture-coordinate square [0, 1) x [0, 1).
void ClipTriangleToPiece(VertexList<TLVertex>& polygon);
void ClipTriangle3DToPiece(VertexList<Vertex3D>& polygon);

}  // namespace Kivo
