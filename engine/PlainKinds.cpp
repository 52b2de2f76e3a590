#include "engine/PlainKinds.h"

#include "engine/KindSupport.h"
#include "engine/TextTables.h"
#include "image/MemoryImage.h"
#include "ui/Graphics.h"

namespace Kivo {

namespace {

// Pixels with any alpha get the colour bits given, alpha kept.
void RecolourOpaque(MemoryImage& image, uint32_t rgb) {
  uint32_t* bits = image.GetBits();
  const size_t count = image.PixelCount();
  for (size_t i = 0; i < count; ++i) {
    if ((bits[i] >> 24) != 0) bits[i] = (bits[i] & 0xFF000000u) | rgb;
  }
  image.NoteBitsChanged();
  image.ScanAlpha();
}

}  // namespace

// --- rectangle -------------------------------------------------------------

void sObjRect::ApplyProperties() {
  for (const ObjProperty& pair : mProperties) {
    ReadColourProperty(*this, pair);
    if (pair.key == "_sModeDraw") mAdditive = pair.value != "NORMAL";
  }
  sObj::ApplyProperties();
}

void sObjRect::FitToImage() {
  const Vector2 origin = mBaseQuad.corner[0];
  mBaseQuad = RectQuad(origin.x, origin.y, 320.0f, 200.0f);
}

void sObjRect::Draw(Graphics* g) {
  if (!mVisible) return;
  SetObjectColour(*g, *this);
  if (mAdditive) g->SetDrawMode(kDrawModeAdditive);
  const Quad& quad = PoseQuad(*this);
  const Vector2* c = quad.corner;
  g->FillRect3D(TruncateToInt(c[0].x), TruncateToInt(c[0].y), TruncateToInt(c[1].x - c[0].x),
                TruncateToInt(c[3].y - c[0].y));
  g->SetDrawMode(kDrawModeNormal);
}

// --- camera ----------------------------------------------------------------

sObjCamera::sObjCamera() {
  mViewQuad = RectQuad(0.0f, 0.0f, mScreenWidth, mScreenHeight);
  UpdateMapping();
}

void sObjCamera::ApplyProperties() {
  for (const ObjProperty& pair : mProperties) {
    if (pair.key == "_iFillRect") {
      mFill = pair.value == "1";
    } else if (pair.key == "_iAlph") {
      mAlpha = PropertyInt(pair.value);
    }
  }
  sObj::ApplyProperties();
}

void sObjCamera::UpdateMapping() {
  const Quad& q = IsPlaying() ? mDisplayQuad : mViewQuad;
  const float width = q.corner[2].x - q.corner[0].x;
  const float height = q.corner[2].y - q.corner[0].y;
  // A quad without area has no scale; the last good mapping stays.
  if (width == 0.0f || height == 0.0f) return;
  const float sx = mScreenWidth / width;
  const float sy = mScreenHeight / height;
  mOriginOffset = Vec2(q.corner[0].x * sx, q.corner[0].y * sy);
  mCentreOffset = Vec2(mScreenCentre.x * sx, mScreenCentre.y * sy);
  mMatrix.Identity();
  mMatrix.Scale(sx, sy);
}

bool sObjCamera::MapQuad(const Quad& in, Quad& out) {
  for (int i = 0; i < 4; ++i) {
    const Vec2 relative(in.corner[i].x - mScreenCentre.x, in.corner[i].y - mScreenCentre.y);
    const Vec2 scaled = mMatrix.Transform(relative);
    out.corner[i] = Vector2(scaled.x + mCentreOffset.x - mOriginOffset.x, scaled.y + mCentreOffset.y - mOriginOffset.y);
  }
  return true;
}

void sObjCamera::Draw(Graphics* g) {
  if (IsPlaying()) {
    ApplyCurrentPose();
    UpdateMapping();
  }
  if (!mFill) return;
  SetObjectColour(*g, *this);
  g->FillRect3D(0, 0, TruncateToInt(mScreenWidth), TruncateToInt(mScreenHeight));
}

// --- masked texture --------------------------------------------------------

void sObjMasked::ApplyProperties() {
  PendingImageKey maskKey;
  PendingImageKey textureKey;
  for (const ObjProperty& pair : mProperties) {
    ReadColourProperty(*this, pair);
    if (pair.key == "_keyImgMask") {
      maskKey.Set(pair.value);
    } else if (pair.key == "_keyImgTexture") {
      textureKey.Set(pair.value);
    } else if (pair.key == "_fXScale") {
      mXScale = PropertyFloat(pair.value);
    } else if (pair.key == "_fYScale") {
      mYScale = PropertyFloat(pair.value);
    } else if (pair.key == "_fXVel") {
      mXVel = PropertyFloat(pair.value);
    } else if (pair.key == "_fYVel") {
      mYVel = PropertyFloat(pair.value);
    }
  }
  maskKey.ApplyTo(mMask);
  textureKey.ApplyTo(mTexture);
  sObj::ApplyProperties();
  UpdateCentre();
}

void sObjMasked::FitToImage() {
  const MemoryImage* mask = mMask.Get();
  if (mask == nullptr) return;
  const float width = static_cast<float>(mask->columns > 1 ? mask->width / mask->columns : mask->width);
  const float height = static_cast<float>(mask->rows > 1 ? mask->height / mask->rows : mask->height);
  const Vector2 origin = mBaseQuad.corner[0];
  mBaseQuad = RectQuad(origin.x, origin.y, width, height);
}

void sObjMasked::ReleaseImages() {
  mMask.Release();
  mTexture.Release();
}

void sObjMasked::Update(int) {
  mUOffset += mXVel;
  mVOffset += mYVel;
}

void sObjMasked::Draw(Graphics* g) {
  if (mMask.Get() == nullptr || mTexture.Get() == nullptr || !mVisible) return;
  SetObjectColour(*g, *this);
  g->DrawQuad3D(mMask.Get(), mTexture.Get(), PoseQuad(*this), mUOffset, mVOffset, mUOffset + mXScale,
                mVOffset + mYScale);
}

// --- hidden-object item ----------------------------------------------------

void sObjMesh::ApplyProperties() {
  mHighlightImage.reset();
  mGroup = 0;
  mItemFlag = false;
  mStatic = false;
  mSecondKind = false;
  mHighlighted = false;
  mState = 0;
  mSparkling = false;
  // The sprite part reads "_keyImg" again and loads it.
  PendingImageKey imageKey;
  for (const ObjProperty& pair : mProperties) {
    if (ReadLookProperty(pair, imageKey)) continue;
    if (pair.key == "_keyText") {
      mText = GetText(pair.value);
    } else if (pair.key == "_iGroup") {
      mGroup = PropertyInt(pair.value);
    } else if (pair.key == "_iVertex") {
      mSecondKind = pair.value != "0";
    } else if (pair.key == "_iStatic") {
      mStatic = pair.value == "1";
    }
  }
  sObjSprite::ApplyProperties();
}

void sObjMesh::BuildHighlightImage() {
  MemoryImage* image = mImage.Get();
  if (image == nullptr || image->width <= 0 || image->height <= 0) return;
  const int width = image->width;
  const int height = image->height;
  mHighlightImage.reset();
  mHighlighted = false;

  MemoryImage scratch;
  auto highlight = std::make_unique<MemoryImage>();
  if (!scratch.CreateBlank(width, height) || !highlight->CreateBlank(width, height)) return;
  {
    Graphics g(&scratch);
    if (width > 4 && height > 4) {
      g.DrawImageStretched(image, Rect(2, 2, width - 4, height - 4), Rect(0, 0, width, height));
    }
  }
  RecolourOpaque(scratch, 0x00FFFFFFu);
  {
    Graphics g(highlight.get());
    g.DrawImage(image, 0, 0);
  }
  RecolourOpaque(*highlight, 0);
  {
    Graphics g(highlight.get());
    g.DrawImage(&scratch, 0, 0);
  }
  // The highlight stands in for the image, frame cells included.
  highlight->columns = image->columns;
  highlight->rows = image->rows;
  mHighlightImage = std::move(highlight);
}

void sObjMesh::SetHighlight(bool on) {
  if (mHighlightImage != nullptr) mHighlighted = on;
}

void sObjMesh::InitSparkles(int count, float shortestLife, float longestLife) {
  mSparkles.resize(count > 0 ? static_cast<size_t>(count) : 0);
  for (Sparkle& sparkle : mSparkles) {
    sparkle.life.mDuration = LcgRandomFloat(shortestLife, longestLife);
    sparkle.life.mRemaining = 0.0f;
    sparkle.life.mStep = CountdownTimer::kUpdateStep;
  }
}

void sObjMesh::StartSparkles(Image* sparkleImage) {
  if (sparkleImage == nullptr) return;
  mSparkling = true;
  mSparkleImage = sparkleImage;
  for (Sparkle& sparkle : mSparkles) sparkle.life.mRemaining = 0.0f;
}

void sObjMesh::StopSparkles() { mSparkling = false; }

void sObjMesh::Update(int ticks) {
  sObjSprite::Update(ticks);
  MemoryImage* image = mImage.Get();
  // Rebirth reads the item's pixels: without them no sparkle comes back.
  if (!mSparkling || image == nullptr || image->PixelCount() == 0 || mSparkleImage == nullptr) return;
  const uint32_t* bits = image->GetBits();
  const float halfWidth = static_cast<float>(mSparkleImage->width) * 0.5f;
  const float halfHeight = static_cast<float>(mSparkleImage->height) * 0.5f;
  for (Sparkle& sparkle : mSparkles) {
    CountdownTimer& life = sparkle.life;
    life.Tick();
    if (life.mRemaining == 0.0f || life.mDuration == 0.0f) {
      const int x = LcgRandomInt(image->width);
      const int y = LcgRandomInt(image->height);
      if ((bits[static_cast<size_t>(y) * static_cast<size_t>(image->width) + static_cast<size_t>(x)] >> 24) != 0) {
        life.mRemaining = LcgRandomFloat(life.mDuration * 0.3f, life.mDuration);
        sparkle.centre =
            Vec2(mBaseQuad.corner[0].x + static_cast<float>(x), mBaseQuad.corner[0].y + static_cast<float>(y));
        sparkle.quad =
            RectQuad(sparkle.centre.x - halfWidth, sparkle.centre.y - halfHeight, 2.0f * halfWidth, 2.0f * halfHeight);
      }
    }
    sparkle.alpha = life.mDuration != 0.0f ? static_cast<int>(255.0f * life.mRemaining / life.mDuration) : 0;
  }
}

void sObjMesh::Draw(Graphics* g) {
  if (mImage.Get() == nullptr || !mVisible) return;
  SetDrawLook(*g);
  if (IsPlaying()) {
    ApplyCurrentPose();
    DrawImageOnQuad(*g, mDisplayQuad, mImage.Get(), mFrameColumn, mFrameRow, mCamera);
  } else {
    Image* shown = mHighlighted && mHighlightImage != nullptr ? mHighlightImage.get() : mImage.Get();
    DrawImageOnQuad(*g, mBaseQuad, shown, mFrameColumn, mFrameRow, mCamera);
  }
  if (mSparkling) {
    g->SetDrawMode(kDrawModeAdditive);
    for (const Sparkle& sparkle : mSparkles) {
      if (!sparkle.life.IsRunning()) continue;
      g->SetColorARGB(static_cast<unsigned char>(sparkle.alpha), static_cast<unsigned char>(sparkle.red),
                      static_cast<unsigned char>(sparkle.green), static_cast<unsigned char>(sparkle.blue));
      DrawImageOnQuad(*g, sparkle.quad, mSparkleImage, 1, 1, mCamera);
    }
  }
  g->SetDrawMode(kDrawModeNormal);
}

void sObjMesh::ReleaseImages() {
  mHighlighted = false;
  mHighlightImage.reset();
  mSparkling = false;
  mSparkles.clear();
  sObjSprite::ReleaseImages();
}

}  // namespace Kivo
