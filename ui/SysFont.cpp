#include "ui/SysFont.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "display/D3DInterface.h"
#include "display/DDInterface.h"
#include "image/surface/DDImage.h"
#include "image/MemoryImage.h"
#include "platform/Text.h"
#include "ui/Graphics.h"

namespace Kivo {

SysFont::SysFont(const std::string& face, int points, bool bold, bool italic, bool underline) {
  Create(face, points, 0, bold, italic, underline);
}

SysFont::SysFont(WidgetHost* app, const std::string& face, int points, int charset, bool bold, bool italic,
                 bool underline)
    : mApp(app) {
  Create(face, points, charset, bold, italic, underline);
}

SysFont::SysFont(const SysFont& other) : Font(other), mApp(other.mApp) {
  mHandle = Platform::CloneSystemFont(other.mHandle);
  if (mHandle == nullptr) {
    mAscent = 0;
    mHeight = 0;
  }
}

SysFont::~SysFont() { Platform::DestroySystemFont(mHandle); }

void SysFont::Create(const std::string& face, int points, int charset, bool bold, bool italic, bool underline) {
  Platform::SystemFontRequest request;
  // Face names are narrow text, widened byte by byte like all narrow text.
  request.face = Platform::NarrowToUtf8(face);
  request.emPixels = Platform::PointsToEmPixels(points, kDotsPerInch);
  request.bold = bold;
  request.italic = italic;
  request.underline = underline;
  request.charset = charset;
  mHandle = Platform::CreateSystemFont(request);
  const Platform::SystemFontMetrics metrics = Platform::GetSystemFontMetrics(mHandle);
  mAscent = metrics.ascent;
  mHeight = metrics.height;
  mAscentPadding = 0;
  mLineSpacingOffset = 0;
}

Font* SysFont::Duplicate() const { return new SysFont(*this); }

int SysFont::StringWidth(const std::wstring& text) { return Platform::MeasureSystemFontText(mHandle, text); }

namespace {

// The coverage of every copy of the text, shifted by (dx, dy), the stronger
// ink kept where copies overlap.
void AddCopy(const Platform::CoverageMask& glyphs, int dx, int dy, std::vector<uint8_t>* layer) {
  const int w = glyphs.width;
  const int h = glyphs.height;
  for (int y = std::max(0, dy); y < h; ++y) {
    for (int x = std::max(0, dx); x < w; ++x) {
      const uint8_t c = glyphs.At(x - dx, y - dy);
      uint8_t& out = (*layer)[static_cast<size_t>(y) * static_cast<size_t>(w) + static_cast<size_t>(x)];
      if (c > out) out = c;
    }
  }
}

}  // namespace

MemoryImage* SysFont::CreateTextImage(const std::wstring& text, const Color& color) {
  if (mHandle == nullptr) return nullptr;
  const Platform::CoverageMask glyphs = Platform::RenderSystemFontText(mHandle, text);
  const int w = glyphs.width;
  const int h = glyphs.height;
  if (w <= 0 || h <= 0) return nullptr;
  const size_t count = static_cast<size_t>(w) * static_cast<size_t>(h);

  std::vector<uint8_t> ink(count, 0);
  AddCopy(glyphs, 0, 0, &ink);
  if (mDoubleStrike) AddCopy(glyphs, 1, 0, &ink);
  std::vector<uint8_t> shadow;
  if (mShadow) {
    shadow.assign(count, 0);
    AddCopy(glyphs, 1, 1, &shadow);
    if (mDoubleStrike) AddCopy(glyphs, 2, 1, &shadow);
  }

  // Text in its colour with alpha from the coverage, laid "over" the black
  // shadow. The colour is only divided by a result alpha above zero.
  const uint32_t r = static_cast<uint32_t>(std::clamp(color.red, 0, 255));
  const uint32_t g = static_cast<uint32_t>(std::clamp(color.green, 0, 255));
  const uint32_t b = static_cast<uint32_t>(std::clamp(color.blue, 0, 255));
  std::vector<uint32_t> pixels(count, 0);
  for (size_t i = 0; i < count; ++i) {
    const uint32_t ta = ink[i];
    const uint32_t sa = shadow.empty() ? 0u : shadow[i];
    const uint32_t below = sa * (255u - ta);  // shadow alpha left visible, scaled by 255
    const uint32_t a = (ta * 255u + below + 127u) / 255u;
    if (a == 0) continue;
    uint32_t pr = r, pg = g, pb = b;
    if (below != 0) {
      // Black under the text only darkens what the text does not cover.
      pr = (r * ta + a / 2) / a;
      pg = (g * ta + a / 2) / a;
      pb = (b * ta + a / 2) / a;
    }
    pixels[i] = (std::min(a, 255u) << 24) | (std::min(pr, 255u) << 16) | (std::min(pg, 255u) << 8) | std::min(pb, 255u);
  }
  auto* image = new MemoryImage();
  image->SetBits(pixels.data(), w, h, true);
  return image;
}

void SysFont::DrawOnSurface(Graphics& g, DDImage* dest, int x, int y, const std::wstring& text, const Color& color,
                            const Rect& clip) {
  const Platform::CoverageMask glyphs = Platform::RenderSystemFontText(mHandle, text);
  if (glyphs.width <= 0 || glyphs.height <= 0) return;

  // The screen of a 3D display is drawn by the renderer: its open scene must
  // reach the surface before the text goes on top, and the surface is
  // locked directly because the image's own lock refuses in 3D.
  const bool through3D = dest->DrawsThrough3D();
  DDSURFACEDESC desc;
  bool ownLock = false;
  bool imageLock = false;
  if (through3D) {
    if (dest->display != nullptr && dest->display->renderer != nullptr) dest->display->renderer->Flush();
    std::memset(&desc, 0, sizeof(desc));
    desc.dwSize = sizeof(desc);
    if (FAILED(dest->surface->Lock(nullptr, &desc, DDLOCK_WAIT, nullptr))) return;
    ownLock = true;
  } else {
    // A surface already locked by the draw pass is written as it is; the
    // lock count is the same afterwards either way.
    if (dest->lockCount == 0) {
      if (!dest->LockSurface()) return;
      imageLock = true;
    }
    desc = dest->lockedDesc;
  }

  Platform::NativeSurfaceView view;
  view.pixels = static_cast<uint8_t*>(desc.lpSurface);
  view.pitch = desc.lPitch;
  view.width = static_cast<int>(desc.dwWidth);
  view.height = static_cast<int>(desc.dwHeight);
  view.bitsPerPixel = static_cast<int>(desc.ddpfPixelFormat.dwRGBBitCount);
  view.redMask = desc.ddpfPixelFormat.dwRBitMask;
  view.greenMask = desc.ddpfPixelFormat.dwGBitMask;
  view.blueMask = desc.ddpfPixelFormat.dwBBitMask;

  const int top = TruncateToInt(static_cast<double>(y) - mAscent + 1 + g.mTransY);
  const int left = TruncateToInt(static_cast<double>(x) + g.mTransX);
  if (mShadow) {
    Platform::BlendCoverageIntoSurface(glyphs, left + 1, top + 1, 0, view, clip.x, clip.y, clip.width, clip.height);
    if (mDoubleStrike)
      Platform::BlendCoverageIntoSurface(glyphs, left + 2, top + 1, 0, view, clip.x, clip.y, clip.width, clip.height);
  }
  const uint32_t rgb = (static_cast<uint32_t>(color.red & 0xFF) << 16) |
                       (static_cast<uint32_t>(color.green & 0xFF) << 8) | static_cast<uint32_t>(color.blue & 0xFF);
  Platform::BlendCoverageIntoSurface(glyphs, left, top, rgb, view, clip.x, clip.y, clip.width, clip.height);
  if (mDoubleStrike)
    Platform::BlendCoverageIntoSurface(glyphs, left + 1, top, rgb, view, clip.x, clip.y, clip.width, clip.height);

  if (ownLock) dest->surface->Unlock(nullptr);
  if (imageLock) dest->UnlockSurface();
  // The surface now holds the only true picture; textures made from the
  // image must be made again.
  dest->DiscardMemoryCopies();
  dest->changeCount = static_cast<int32_t>(static_cast<uint32_t>(dest->changeCount) + 1u);
}

void SysFont::DrawString(Graphics& g, int x, int y, const std::wstring& text, const Color& color, const Rect& clip) {
  if (mHandle == nullptr || text.empty()) return;
  Image* dest = g.mDestImage;
  if (dest == nullptr || dest == PlaceholderImage()) return;
  auto* surfaceImage = dynamic_cast<DDImage*>(dest);
  if (surfaceImage != nullptr && surfaceImage->GetSurface() != nullptr) {
    DrawOnSurface(g, surfaceImage, x, y, text, color, clip);
    return;
  }
  MemoryImage* image = CreateTextImage(text, color);
  if (image == nullptr) return;
  g.DrawImage(image, x, y - mAscent);
  delete image;
}

}  // namespace Kivo
