// Polygon clipping (see D3DVertexList.h).
#include "display/D3DVertexList.h"

#include "display/D3DInterface.h"

namespace Kivo {
namespace {

template <typename V>
struct Kind;
template <>
struct Kind<TLVertex> {
  static float Component(const TLVertex& v, int32_t k) { return TLVertexComponent(v, k); }
  static TLVertex Lerp(const TLVertex& a, const TLVertex& b, float t) { return LerpTLVertex(a, b, t); }
};
template <>
struct Kind<Vertex3D> {
  static float Component(const Vertex3D& v, int32_t k) { return Vertex3DComponent(v, k); }
  static Vertex3D Lerp(const Vertex3D& a, const Vertex3D& b, float t) { return LerpVertex3D(a, b, t); }
};

template <typename V, bool kMin>
void ClipEdge(int32_t k, float threshold, const V& p, const V& c, VertexList<V>& out) {
  const float pk = Kind<V>::Component(p, k), ck = Kind<V>::Component(c, k);
  const bool pIn = kMin ? pk >= threshold : pk < threshold;
  const bool cIn = kMin ? ck >= threshold : ck < threshold;
  if (pIn && cIn) {
    out.Add(c);
  } else if (pIn) {
    out.Add(Kind<V>::Lerp(p, c, (threshold - pk) / (ck - pk)));
  } else if (cIn) {
    out.Add(Kind<V>::Lerp(p, c, (threshold - pk) / (ck - pk)));
    out.Add(c);
  }
}

template <typename V, bool kMin>
void ClipPass(int32_t k, float threshold, const VertexList<V>& in, VertexList<V>& out) {
  if (in.count < 2) return;
  ClipEdge<V, kMin>(k, threshold, in[in.count - 1], in[0], out);
  for (int32_t i = 0; i + 1 < in.count; ++i) ClipEdge<V, kMin>(k, threshold, in[i], in[i + 1], out);
}

// Four passes alternating between the caller's list and a local one; the
// result ends in the caller's list.
template <typename V>
void FourPasses(VertexList<V>& list, int32_t kx, float minX, float maxX, int32_t ky, float minY, float maxY) {
  VertexList<V> other;
  ClipPass<V, true>(kx, minX, list, other);
  list.Clear();
  ClipPass<V, true>(ky, minY, other, list);
  other.Clear();
  ClipPass<V, false>(kx, maxX, list, other);
  list.Clear();
  ClipPass<V, false>(ky, maxY, other, list);
}

}  // namespace

float TLVertexComponent(const TLVertex& v, int32_t k) {
  switch (k) {
    case 0: return v.x;
    case 1: return v.y;
    case 2: return v.z;
    case 3: return v.tu;
    case 4: return v.tv;
    default: return 0.0f;
  }
}

float Vertex3DComponent(const Vertex3D& v, int32_t k) {
  switch (k) {
    case 0: return v.x;
    case 1: return v.y;
    case 2: return v.z;
    case 3: return v.tu0;
    case 4: return v.tv0;
    case 5: return v.tu1;
    case 6: return v.tv1;
    default: return 0.0f;
  }
}

uint32_t LerpColour(uint32_t a, uint32_t b, float t) {
  if (a == b) return a;
  uint32_t out = 0;
  for (int shift = 0; shift < 32; shift += 8) {
    const int ca = static_cast<int>((a >> shift) & 0xFF);
    const int cb = static_cast<int>((b >> shift) & 0xFF);
    const float v = static_cast<float>(ca) + static_cast<float>(cb - ca) * t;
    int c = static_cast<int>(v);  // toward zero
    c = std::clamp(c, 0, 255);
    out |= static_cast<uint32_t>(c) << shift;
  }
  return out;
}

TLVertex LerpTLVertex(const TLVertex& a, const TLVertex& b, float t) {
  TLVertex o = a;  // z, rhw and specular stay a's
  o.x = a.x + (b.x - a.x) * t;
  o.y = a.y + (b.y - a.y) * t;
  o.tu = a.tu + (b.tu - a.tu) * t;
  o.tv = a.tv + (b.tv - a.tv) * t;
  o.colour = LerpColour(a.colour, b.colour, t);
  return o;
}

Vertex3D LerpVertex3D(const Vertex3D& a, const Vertex3D& b, float t) {
  Vertex3D o;
  o.x = a.x + (b.x - a.x) * t;
  o.y = a.y + (b.y - a.y) * t;
  o.z = a.z + (b.z - a.z) * t;
  o.tu0 = a.tu0 + (b.tu0 - a.tu0) * t;
  o.tv0 = a.tv0 + (b.tv0 - a.tv0) * t;
  o.tu1 = a.tu1 + (b.tu1 - a.tu1) * t;
  o.tv1 = a.tv1 + (b.tv1 - a.tv1) * t;
  o.colour = LerpColour(a.colour, b.colour, t);
  return o;
}

void ClipTLEdgeMin(int32_t k, float threshold, const TLVertex& p, const TLVertex& c, VertexList<TLVertex>& out) {
  ClipEdge<TLVertex, true>(k, threshold, p, c, out);
}
void ClipTLEdgeMax(int32_t k, float threshold, const TLVertex& p, const TLVertex& c, VertexList<TLVertex>& out) {
  ClipEdge<TLVertex, false>(k, threshold, p, c, out);
}
void Clip3DEdgeMin(int32_t k, float threshold, const Vertex3D& p, const Vertex3D& c, VertexList<Vertex3D>& out) {
  ClipEdge<Vertex3D, true>(k, threshold, p, c, out);
}
void Clip3DEdgeMax(int32_t k, float threshold, const Vertex3D& p, const Vertex3D& c, VertexList<Vertex3D>& out) {
  ClipEdge<Vertex3D, false>(k, threshold, p, c, out);
}
void ClipTLPolygonMin(int32_t k, float threshold, const VertexList<TLVertex>& in, VertexList<TLVertex>& out) {
  ClipPass<TLVertex, true>(k, threshold, in, out);
}
void ClipTLPolygonMax(int32_t k, float threshold, const VertexList<TLVertex>& in, VertexList<TLVertex>& out) {
  ClipPass<TLVertex, false>(k, threshold, in, out);
}
void Clip3DPolygonMin(int32_t k, float threshold, const VertexList<Vertex3D>& in, VertexList<Vertex3D>& out) {
  ClipPass<Vertex3D, true>(k, threshold, in, out);
}
void Clip3DPolygonMax(int32_t k, float threshold, const VertexList<Vertex3D>& in, VertexList<Vertex3D>& out) {
  ClipPass<Vertex3D, false>(k, threshold, in, out);
}

void ClipAndDrawPolygon(IDirect3DDevice7* device, const Rect* clip, const VertexList<TLVertex>& polygon) {
  if (clip == nullptr) return;
  VertexList<TLVertex> work;
  work.Assign(polygon);
  const float left = static_cast<float>(clip->x), top = static_cast<float>(clip->y);
  const float right = static_cast<float>(clip->x + clip->width), bottom = static_cast<float>(clip->y + clip->height);
  FourPasses(work, 0, left, right, 1, top, bottom);
  if (work.count < 3 || device == nullptr) return;
  CheckD3DResult(
      device->DrawPrimitive(D3DPT_TRIANGLEFAN, D3DFVF_TLVERTEX, work.items, static_cast<DWORD>(work.count), 0),
      "DrawPrimitive (Tri) 2");
}

void ClipTriangleToPiece(VertexList<TLVertex>& polygon) { FourPasses(polygon, 3, 0.0f, 1.0f, 4, 0.0f, 1.0f); }

void ClipTriangle3DToPiece(VertexList<Vertex3D>& polygon) { FourPasses(polygon, 3, 0.0f, 1.0f, 4, 0.0f, 1.0f); }

}  // namespace Kivo
