// Pixel loops of the DDImage blits (see DDImageBlitLoops.h).
#include "image/surface/DDImageBlitLoops.h"

#include <algorithm>

#include "image/Blend.h"
#include "image/BlitKernels.h"

namespace Kivo {

namespace {

template <typename T>
T* RowOf(const SurfaceView& v, int32_t y);
template <>
uint16_t* RowOf<uint16_t>(const SurfaceView& v, int32_t y) {
  return v.Row16(y);
}
template <>
uint32_t* RowOf<uint32_t>(const SurfaceView& v, int32_t y) {
  return v.Row32(y);
}

enum PixelClass { kLeave = 0, kCopy = 1, kBlend = 2 };

// Untinted source-over of premultiplied words, 16-bit spread layouts.
struct WhiteSpread {
  uint32_t K;
  int Class(uint32_t a) const { return a == 0 ? kLeave : (a == 255 ? kCopy : kBlend); }
  uint32_t Copy(uint32_t s) const { return s & 0xFFFF; }
  uint32_t Blend(uint32_t d, uint32_t s) const {
    const uint32_t a = s >> 24;
    return (Fold(((Spread(d, K) * ((256 - a) >> 3)) >> 5) & K) + s) & 0xFFFF;
  }
};

struct WhiteMasks16 {
  uint32_t R, G, B;
  int Class(uint32_t a) const { return a == 0 ? kLeave : (a == 255 ? kCopy : kBlend); }
  uint32_t Copy(uint32_t s) const { return s & 0xFFFF; }
  uint32_t Blend(uint32_t d, uint32_t s) const {
    const uint32_t k = 256 - (s >> 24);
    return (s + ((((d & R) * k) >> 8) & R) + ((((d & G) * k) >> 8) & G) + ((((d & B) * k) >> 8) & B)) & 0xFFFF;
  }
};

struct White32 {
  int Class(uint32_t a) const { return a == 0 ? kLeave : (a == 255 ? kCopy : kBlend); }
  uint32_t Copy(uint32_t s) const { return s; }
  uint32_t Blend(uint32_t d, uint32_t s) const {
    const uint32_t k = 256 - (s >> 24);
    return ((((d & 0xFF00FF) * k) >> 8) & 0xFF00FF) + s + ((((d & 0xFF00) * k) >> 8) & 0xFF00);
  }
};

struct TintBase {
  uint32_t ca;
  int Class(uint32_t a) const { return a == 0 ? kLeave : ((a == 255 && ca == 255) ? kCopy : kBlend); }
  uint32_t AlphaOf(uint32_t s) const { return (s >> 24) * ca / 255; }
};

// Grey tint on the 16-bit spread layouts.
struct TintGreySpread : TintBase {
  uint32_t K, k5;
  uint32_t Copy(uint32_t s) const { return Fold(((Spread(s & 0xFFFF, K) * k5) >> 5) & K); }
  uint32_t Blend(uint32_t d, uint32_t s) const {
    const uint32_t a = AlphaOf(s);
    return Fold(((Spread(d, K) * ((256 - a) >> 3) + Spread(s & 0xFFFF, K) * k5) >> 5) & K);
  }
};

struct TintMasks : TintBase {
  uint32_t R, G, B, kr, kg, kb;
  uint32_t Copy(uint32_t s) const {
    return ((((s & R) * kr) >> 8) & R) | ((((s & G) * kg) >> 8) & G) | ((((s & B) * kb) >> 8) & B);
  }
  uint32_t Blend(uint32_t d, uint32_t s) const {
    const uint32_t k = 256 - AlphaOf(s);
    return (((((d & R) * k) + (s & R) * kr) >> 8) & R) | (((((d & G) * k) + (s & G) * kg) >> 8) & G) |
           (((((d & B) * k) + (s & B) * kb) >> 8) & B);
  }
};

struct TintGrey32 : TintBase {
  uint32_t kk;
  uint32_t Copy(uint32_t s) const {
    return ((((s & 0xFF00FF) * kk) >> 8) & 0xFF00FF) | ((((s & 0xFF00) * kk) >> 8) & 0xFF00);
  }
  uint32_t Blend(uint32_t d, uint32_t s) const {
    const uint32_t k = 256 - AlphaOf(s);
    return (((((d & 0xFF00FF) * k) + (s & 0xFF00FF) * kk) >> 8) & 0xFF00FF) |
           (((((d & 0xFF00) * k) + (s & 0xFF00) * kk) >> 8) & 0xFF00);
  }
};

// Saturating adds through the display's clamp tables.
struct AddWhite {
  uint32_t R, G, B;
  const int32_t *rc, *gc, *bc;
  int32_t rs, gs, bs;
  uint32_t Add(uint32_t d, uint32_t s) const {
    return static_cast<uint32_t>(rc[((d & R) + (s & R)) >> rs]) << rs |
           static_cast<uint32_t>(gc[((d & G) + (s & G)) >> gs]) << gs |
           static_cast<uint32_t>(bc[((d & B) + (s & B)) >> bs]) << bs;
  }
};

struct AddTint {
  uint32_t R, G, B;
  const int32_t *rc, *gc, *bc;
  int32_t rs, gs, bs;
  uint32_t fr, fg, fb;  // FullWeight(ca * c / 255): a full factor adds the channel exactly
  uint32_t Add(uint32_t d, uint32_t s) const {
    return static_cast<uint32_t>(rc[fr * ((s & R) >> rs) / 256 + ((d & R) >> rs)]) << rs |
           static_cast<uint32_t>(gc[fg * ((s & G) >> gs) / 256 + ((d & G) >> gs)]) << gs |
           static_cast<uint32_t>(bc[fb * ((s & B) >> bs) / 256 + ((d & B) >> bs)]) << bs;
  }
};

template <typename T, typename Op>
void BlendRows(const BlitTarget& t, const BlitSource& s, int32_t x, int32_t y, const Rect& sr, const Op& op,
               bool mirrored, bool useRuns) {
  const int32_t w = sr.width;
  for (int32_t j = 0; j < sr.height; ++j) {
    T* row = RowOf<T>(t.view, y + j);
    const size_t base = static_cast<size_t>(sr.y + j) * static_cast<size_t>(s.stride) + static_cast<size_t>(sr.x);
    int32_t i = 0;
    while (i < w) {
      int32_t count = 1;
      if (useRuns) count = std::max<int32_t>(1, std::min<int32_t>(s.runs[base + static_cast<size_t>(i)], w - i));
      const int cls = op.Class(s.At(base + static_cast<size_t>(i)) >> 24);
      if (cls == kCopy) {
        for (int32_t k = i; k < i + count; ++k) {
          T* p = mirrored ? row + (x + w - 1 - k) : row + (x + k);
          *p = static_cast<T>(op.Copy(s.At(base + static_cast<size_t>(k))));
        }
      } else if (cls == kBlend) {
        for (int32_t k = i; k < i + count; ++k) {
          T* p = mirrored ? row + (x + w - 1 - k) : row + (x + k);
          *p = static_cast<T>(op.Blend(*p, s.At(base + static_cast<size_t>(k))));
        }
      }
      i += count;
    }
  }
}

template <typename T, typename Op>
void AddRows(const BlitTarget& t, const BlitSource& s, int32_t x, int32_t y, const Rect& sr, const Op& op,
             bool mirrored, bool useRuns) {
  const int32_t w = sr.width;
  for (int32_t j = 0; j < sr.height; ++j) {
    T* row = RowOf<T>(t.view, y + j);
    const size_t base = static_cast<size_t>(sr.y + j) * static_cast<size_t>(s.stride) + static_cast<size_t>(sr.x);
    int32_t i = 0;
    while (i < w) {
      int32_t count = 1;
      if (useRuns) count = std::max<int32_t>(1, std::min<int32_t>(s.runs[base + static_cast<size_t>(i)], w - i));
      if ((s.At(base + static_cast<size_t>(i)) & 0xFFFFFFu) != 0) {
        for (int32_t k = i; k < i + count; ++k) {
          T* p = mirrored ? row + (x + w - 1 - k) : row + (x + k);
          *p = static_cast<T>(op.Add(*p, s.At(base + static_cast<size_t>(k))));
        }
      }
      i += count;
    }
  }
}

template <typename T>
void BlendDispatch(const BlitTarget& t, const BlitSource& s, int32_t x, int32_t y, const Rect& sr, const Color& color,
                   bool mirrored, bool useRuns) {
  const SurfaceView& v = t.view;
  const bool sixteen = sizeof(T) == 2;
  if (color == Color::White) {
    const uint32_t K = SpreadMaskFor(v.G);
    if (sixteen && K != 0) {
      BlendRows<T>(t, s, x, y, sr, WhiteSpread{K}, mirrored, useRuns);
    } else if (sixteen) {
      BlendRows<T>(t, s, x, y, sr, WhiteMasks16{v.R, v.G, v.B}, mirrored, useRuns);
    } else {
      BlendRows<T>(t, s, x, y, sr, White32{}, mirrored, useRuns);
    }
    return;
  }
  const uint32_t ca = static_cast<uint32_t>(color.alpha) & 0xFF;
  // Channel factors out of 256: a full one (255 of 255) keeps the channel.
  const uint32_t kr = FullWeight((static_cast<uint32_t>(color.red) & 0xFF) * ca / 255);
  const uint32_t kg = FullWeight((static_cast<uint32_t>(color.green) & 0xFF) * ca / 255);
  const uint32_t kb = FullWeight((static_cast<uint32_t>(color.blue) & 0xFF) * ca / 255);
  const bool grey = kr == kg && kg == kb;
  // The tint applies to the display's channels; masks name which is which.
  const uint32_t kR = kr, kG = kg, kB = kb;
  if (sixteen && grey && SpreadMaskFor(v.G) != 0) {
    TintGreySpread op;
    op.ca = ca;
    op.K = SpreadMaskFor(v.G);
    op.k5 = kr >> 3;
    BlendRows<T>(t, s, x, y, sr, op, mirrored, useRuns);
  } else if (!sixteen && grey) {
    TintGrey32 op;
    op.ca = ca;
    op.kk = kr;
    BlendRows<T>(t, s, x, y, sr, op, mirrored, useRuns);
  } else {
    TintMasks op;
    op.ca = ca;
    op.R = v.R;
    op.G = v.G;
    op.B = v.B;
    op.kr = kR;
    op.kg = kG;
    op.kb = kB;
    BlendRows<T>(t, s, x, y, sr, op, mirrored, useRuns);
  }
}

// The channel mask of a 32-bit target whose channels are whole bytes with
// clamp tables saturating at 255 (so AddWhite is a saturating byte add), or
// 0 for any other.
uint32_t WholeByteChannels(const BlitTarget& t) {
  const SurfaceView& v = t.view;
  if (v.bitCount != 32 || t.redClamp == nullptr || t.greenClamp == nullptr || t.blueClamp == nullptr) return 0;
  const uint32_t masks[3] = {v.R, v.G, v.B};
  const int32_t shifts[3] = {t.redShift, t.greenShift, t.blueShift};
  const int32_t* clamps[3] = {t.redClamp, t.greenClamp, t.blueClamp};
  for (int k = 0; k < 3; ++k)
    if (shifts[k] < 0 || shifts[k] > 24 || shifts[k] % 8 != 0 || masks[k] != 0xFFu << shifts[k] ||
        clamps[k][510] != 255)
      return 0;
  return (v.R | v.G | v.B) == (v.R ^ v.G ^ v.B) ? v.R | v.G | v.B : 0;
}

// AddRows with the white add on whole-byte channels: each run of source
// pixels with colour goes through the SSE2 byte add.
void AddWhiteBytes(const BlitTarget& t, const BlitSource& s, int32_t x, int32_t y, const Rect& sr, uint32_t mask) {
  const int32_t w = sr.width;
  for (int32_t j = 0; j < sr.height; ++j) {
    uint32_t* row = t.view.Row32(y + j) + x;
    const size_t base = static_cast<size_t>(sr.y + j) * static_cast<size_t>(s.stride) + static_cast<size_t>(sr.x);
    const uint32_t* src = s.native + base;
    const uint8_t* runs = s.runs + base;
    int32_t i = 0;
    while (i < w) {
      const int32_t count = std::max<int32_t>(1, std::min<int32_t>(runs[i], w - i));
      if ((src[i] & 0xFFFFFFu) != 0) BlitKernels::AddBytesRow(row + i, src + i, count, mask);
      i += count;
    }
  }
}

template <typename T>
void AddDispatch(const BlitTarget& t, const BlitSource& s, int32_t x, int32_t y, const Rect& sr, const Color& color,
                 bool mirrored, bool useRuns) {
  const SurfaceView& v = t.view;
  if (color == Color::White) {
    const uint32_t bytes = sizeof(T) == 4 && useRuns && !mirrored && s.indices == nullptr ? WholeByteChannels(t) : 0;
    if (bytes != 0) {
      AddWhiteBytes(t, s, x, y, sr, bytes);
      return;
    }
    const AddWhite op{v.R, v.G, v.B, t.redClamp, t.greenClamp, t.blueClamp, t.redShift, t.greenShift, t.blueShift};
    AddRows<T>(t, s, x, y, sr, op, mirrored, useRuns);
    return;
  }
  const uint32_t ca = static_cast<uint32_t>(color.alpha) & 0xFF;
  const AddTint op{v.R,
                   v.G,
                   v.B,
                   t.redClamp,
                   t.greenClamp,
                   t.blueClamp,
                   t.redShift,
                   t.greenShift,
                   t.blueShift,
                   FullWeight(ca * (static_cast<uint32_t>(color.red) & 0xFF) / 255),
                   FullWeight(ca * (static_cast<uint32_t>(color.green) & 0xFF) / 255),
                   FullWeight(ca * (static_cast<uint32_t>(color.blue) & 0xFF) / 255)};
  AddRows<T>(t, s, x, y, sr, op, mirrored, useRuns);
}

}  // namespace

void DrawVolatile(const BlitTarget& t, const SourcePixels& src, int32_t x, int32_t y, const Rect& sr,
                  bool displayIsRGB) {
  const SurfaceView& v = t.view;
  const uint32_t M[3] = {v.R, v.G, v.B};
  // A byte moved to its channel's field exactly: times one past the field's
  // mask, over 256.
  const uint64_t P[3] = {uint64_t{v.R} + (v.R & (0u - v.R)), uint64_t{v.G} + (v.G & (0u - v.G)),
                         uint64_t{v.B} + (v.B & (0u - v.B))};
  // Alpha as a weight out of 256, so an opaque pixel replaces the target.
  if (v.bitCount == 16) {
    const uint32_t K = displayIsRGB ? SpreadMaskFor(v.G) : 0;
    for (int32_t j = 0; j < sr.height; ++j) {
      uint16_t* row = v.Row16(y + j) + x;
      for (int32_t i = 0; i < sr.width; ++i) {
        const uint32_t c = src.At(sr.x + i, sr.y + j);
        const uint32_t d = row[i];
        if (K == kSpread565 || K == kSpread555) {
          const uint32_t f = FullWeight(c >> 24) >> 3;
          const uint32_t p = K == kSpread565 ? ((c & 0xFC00) << 11) + ((c >> 8) & 0xF800) + ((c >> 3) & 0x1F)
                                             : ((c & 0xF800) << 10) + ((c >> 9) & 0x7C00) + ((c >> 3) & 0x1F);
          const uint32_t q = Spread(d, K);
          row[i] = static_cast<uint16_t>(Fold((q + (((p - q) * f) >> 5)) & K));
        } else {
          const uint32_t a = FullWeight(c >> 24);
          const uint32_t bytes[3] = {(c >> 16) & 0xFF, (c >> 8) & 0xFF, c & 0xFF};
          uint32_t out = 0;
          for (int k = 0; k < 3; ++k)
            out += static_cast<uint32_t>((((bytes[k] * a * P[k]) >> 8) + (d & M[k]) * (256 - a) + (M[k] >> 1)) >> 8) &
                   M[k];
          row[i] = static_cast<uint16_t>(out);
        }
      }
    }
  } else if (v.bitCount == 32) {
    for (int32_t j = 0; j < sr.height; ++j) {
      uint32_t* row = v.Row32(y + j) + x;
      for (int32_t i = 0; i < sr.width; ++i) {
        const uint32_t c = src.At(sr.x + i, sr.y + j);
        const uint32_t d = row[i];
        const uint32_t a = FullWeight(c >> 24);
        if (displayIsRGB) {
          const uint32_t rb = (((((c & 0xFF00FF) - (d & 0xFF00FF)) * a) >> 8) + (d & 0xFF00FF)) & 0xFF00FF;
          const uint32_t gg = (((((c & 0xFF00) - (d & 0xFF00)) * a) >> 8) + (d & 0xFF00)) & 0xFF00;
          row[i] = gg | rb;
        } else {
          const uint32_t bytes[3] = {(c >> 16) & 0xFF, (c >> 8) & 0xFF, c & 0xFF};
          uint32_t out = 0;
          for (int k = 0; k < 3; ++k)
            out += static_cast<uint32_t>(
                (((((bytes[k] * a) >> 8) * P[k]) + uint64_t{d & M[k]} * (256 - a) + (M[k] >> 1)) >> 8) & M[k]);
          row[i] = out;
        }
      }
    }
  }
}

void DrawPlain(const BlitTarget& t, const BlitSource& s, int32_t x, int32_t y, const Rect& sr, bool transparent) {
  const SurfaceView& v = t.view;
  for (int32_t j = 0; j < sr.height; ++j) {
    const size_t base = static_cast<size_t>(sr.y + j) * static_cast<size_t>(s.stride) + static_cast<size_t>(sr.x);
    if (v.bitCount == 16) {
      uint16_t* row = v.Row16(y + j) + x;
      for (int32_t i = 0; i < sr.width; ++i) {
        const uint32_t n = s.At(base + static_cast<size_t>(i));
        if (!transparent || n > 0x00FFFFFFu) row[i] = static_cast<uint16_t>(n);
      }
    } else if (v.bitCount == 32) {
      uint32_t* row = v.Row32(y + j) + x;
      for (int32_t i = 0; i < sr.width; ++i) {
        const uint32_t n = s.At(base + static_cast<size_t>(i));
        if (!transparent || n > 0x00FFFFFFu) row[i] = n;
      }
    }
  }
}

void DrawBlended(const BlitTarget& t, const BlitSource& s, int32_t x, int32_t y, const Rect& sr, const Color& color,
                 bool mirrored) {
  if (t.view.bitCount == 16) {
    BlendDispatch<uint16_t>(t, s, x, y, sr, color, mirrored, true);
  } else if (t.view.bitCount == 32) {
    BlendDispatch<uint32_t>(t, s, x, y, sr, color, mirrored, true);
  }
}

void DrawAdditive(const BlitTarget& t, const BlitSource& s, int32_t x, int32_t y, const Rect& sr, const Color& color,
                  bool mirrored) {
  if (t.view.bitCount == 16) {
    AddDispatch<uint16_t>(t, s, x, y, sr, color, mirrored, true);
  } else if (t.view.bitCount == 32) {
    AddDispatch<uint32_t>(t, s, x, y, sr, color, mirrored, true);
  }
}

void DrawBlendedReference(const BlitTarget& t, const BlitSource& s, int32_t x, int32_t y, const Rect& sr,
                          const Color& color, bool mirrored) {
  if (t.view.bitCount == 16) {
    BlendDispatch<uint16_t>(t, s, x, y, sr, color, mirrored, false);
  } else if (t.view.bitCount == 32) {
    BlendDispatch<uint32_t>(t, s, x, y, sr, color, mirrored, false);
  }
}

void DrawAdditiveReference(const BlitTarget& t, const BlitSource& s, int32_t x, int32_t y, const Rect& sr,
                           const Color& color, bool mirrored) {
  if (t.view.bitCount == 16) {
    AddDispatch<uint16_t>(t, s, x, y, sr, color, mirrored, false);
  } else if (t.view.bitCount == 32) {
    AddDispatch<uint32_t>(t, s, x, y, sr, color, mirrored, false);
  }
}

}  // namespace Kivo
