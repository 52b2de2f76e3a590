#include "levels/CirclePuzzleGame.h"

#include <cmath>
#include <cstdlib>
#include <string>

#include "engine/SoundEmitterKinds.h"
#include "engine/SpriteKinds.h"
#include "image/MemoryImage.h"
#include "levels/LevelContext.h"
#include "levels/PuzzleDrawing.h"
#include "shell/base/StringUtils.h"

namespace Kivo {

namespace {

constexpr double kInversePi = 0.31830987732601135;
constexpr double kPiForDrawing = 3.1415927;
constexpr double kOneOver180 = 0.005555555555555556;
constexpr double kEdge = 3.0;  // soft edge width in pixels

// The value of the object's own property, "" when absent.
std::string OwnProperty(const sObj& object, const std::string& key) {
  for (const ObjProperty& pair : object.mProperties) {
    if (pair.key == key) return pair.value;
  }
  return "";
}

uint32_t WithAlpha(uint32_t pixel, double alpha) {
  const uint32_t a = static_cast<uint32_t>(static_cast<int>(alpha)) & 0xFFu;
  return (pixel & 0x00FFFFFFu) | (a << 24);
}

}  // namespace

PuzzleRing::PuzzleRing() = default;
PuzzleRing::~PuzzleRing() = default;
PuzzleRing::PuzzleRing(PuzzleRing&&) noexcept = default;
PuzzleRing& PuzzleRing::operator=(PuzzleRing&&) noexcept = default;

void CirclePuzzle::BuildRings(int bands) {
  const int w = picture->width;
  const int h = picture->height;
  const int band = (w / 2) / bands;
  const uint32_t* source = picture->GetBits();
  rings.clear();
  for (int k = 0; k + 1 < bands; ++k) {
    PuzzleRing ring;
    ring.originX = originX;
    ring.originY = originY;
    ring.inner = k * band;
    ring.outer = (k + 1) * band;
    ring.angle = static_cast<double>(std::rand() % 360);
    ring.image = std::make_unique<MemoryImage>();
    ring.image->CreateBlank(w, h);
    uint32_t* bits = ring.image->GetBits();
    const double inner = ring.inner;
    const double outer = ring.outer;
    for (int i = 0; i < h; ++i) {
      for (int j = 0; j < w; ++j) {
        const int dx = j - w / 2;
        const int dy = i - h / 2;
        const double d = std::sqrt(static_cast<double>(dx * dx + dy * dy));
        const uint32_t pixel = source[static_cast<size_t>(i) * w + j];
        uint32_t& out = bits[static_cast<size_t>(i) * w + j];
        if (inner < d && d <= outer) out = pixel;
        if (outer <= d && d < outer + kEdge) out = WithAlpha(pixel, (kEdge - (d - outer)) / kEdge * 255.0);
        if (inner - kEdge <= d && d <= inner) out = WithAlpha(pixel, (kEdge - (inner - d)) / kEdge * 255.0);
      }
    }
    ring.image->NoteBitsChanged();
    rings.push_back(std::move(ring));
  }
  picture->NoteBitsChanged();
}

double CirclePuzzle::PointerAngle(int x, int y) const {
  const int dx = x - picture->width / 2 - originX;
  const int dy = y - picture->height / 2 - originY;
  return -90.0 - std::atan2(static_cast<double>(dy), static_cast<double>(dx)) * 180.0 * kInversePi;
}

bool CirclePuzzleGame::Locks(double angle) {
  if (angle == 0.0) return false;
  const double e = std::fabs(angle);
  return std::fmod(std::trunc(e), 360.0) < 2.0;
}

int CirclePuzzleGame::Init(ObjectList* levelObjects, ObjectList* hudObjects) {
  MiniGame::Init(levelObjects, hudObjects);
  mLockSound = FindEffect("soundRotateFind");
  if (levelObjects == nullptr) return 0;
  int ignored = 0;
  for (sObj* object : *levelObjects) {
    if (object->mName.find("sprPuzzle") == std::string::npos) continue;
    if (static_cast<int>(mPuzzles.size()) == kMaxPuzzles) {
      ++ignored;
      continue;
    }
    CirclePuzzle puzzle;
    puzzle.originX = static_cast<int>(object->mBaseQuad.corner[0].x);
    puzzle.originY = static_cast<int>(object->mBaseQuad.corner[0].y);
    auto* sprite = dynamic_cast<sObjSprite*>(object);
    puzzle.picture = sprite != nullptr ? sprite->GetImage() : nullptr;
    int32_t bands = 1;
    const std::string value = OwnProperty(*object, "_iNumPiece");
    if (!value.empty()) ParseInt(value, bands);
    if (bands < 1 || bands > kMaxBands) {
      MarkUnplayable("circlepuzzle", "\"" + object->mName + "\" has \"_iNumPiece\" " + std::to_string(bands) +
                                         ", outside 1.." + std::to_string(kMaxBands));
      return 0;
    }
    if (puzzle.picture == nullptr || puzzle.picture->width < 1 || puzzle.picture->height < 1) {
      MarkUnplayable("circlepuzzle", "\"" + object->mName + "\" has no picture");
      return 0;
    }
    if ((puzzle.picture->width / 2) / bands < 1) {
      MarkUnplayable("circlepuzzle", "\"" + object->mName + "\" is too small for " + std::to_string(bands) +
                                         " bands of at least one pixel");
      return 0;
    }
    puzzle.BuildRings(bands);
    object->SetVisible(true);
    mPuzzles.push_back(std::move(puzzle));
  }
  if (ignored > 0) {
    LevelContext& context = CurrentLevelContext();
    context.Log("level: " + context.LevelName() + " (circlepuzzle) uses the first " + std::to_string(kMaxPuzzles) +
                " \"sprPuzzle\" objects and ignores " + std::to_string(ignored) + " more");
  }
  return 0;
}

uint8_t CirclePuzzleGame::GetHintPosition(HintPoint& first, HintPoint& second) {
  if (IsUnplayable()) return kHintNone;
  return MiniGame::GetHintPosition(first, second);
}

int CirclePuzzleGame::MouseDown(int x, int y, int clickCount) {
  if (IsUnplayable() || clickCount != 1) return 0;
  for (CirclePuzzle& puzzle : mPuzzles) {
    const int dx = x - puzzle.picture->width / 2 - puzzle.originX;
    const int dy = y - puzzle.picture->height / 2 - puzzle.originY;
    const double d = std::sqrt(static_cast<double>(dx) * dx + static_cast<double>(dy) * dy);
    for (PuzzleRing& ring : puzzle.rings) {
      if (!ring.active || !(ring.inner < d && d < ring.outer)) continue;
      ring.grabbed = true;
      ring.pointerAngle = puzzle.PointerAngle(x, y);
    }
  }
  return 0;
}

int CirclePuzzleGame::MouseMove(int x, int y) {
  if (IsUnplayable()) return 0;
  for (CirclePuzzle& puzzle : mPuzzles) {
    for (PuzzleRing& ring : puzzle.rings) {
      if (!ring.active || !ring.grabbed) continue;
      const double c = puzzle.PointerAngle(x, y);
      ring.angle += c - ring.pointerAngle;
      ring.pointerAngle = c;
      if (!Locks(ring.angle)) continue;
      ring.active = false;
      if (auto* sound = dynamic_cast<sObjSound*>(mLockSound)) sound->Play();
    }
  }
  return 0;
}

int CirclePuzzleGame::MouseUp(int x, int y, int clickCount) {
  if (clickCount != 1) return 0;
  for (CirclePuzzle& puzzle : mPuzzles) {
    for (PuzzleRing& ring : puzzle.rings) {
      if (ring.active) ring.grabbed = false;
    }
  }
  return 0;
}

int CirclePuzzleGame::Update(int updateCount) {
  MiniGame::Update(updateCount);
  if (IsUnplayable()) return 0;
  bool anyActive = false;
  for (const CirclePuzzle& puzzle : mPuzzles) {
    for (const PuzzleRing& ring : puzzle.rings) anyActive = anyActive || ring.active;
  }
  mWon = !anyActive;
  return 0;
}

int CirclePuzzleGame::Draw(Graphics& g) {
  BeginPuzzleDraw(g);
  DrawLevelWithHud(*this, g);
  g.SetColor(Color(255, 255, 255, 255));
  for (const CirclePuzzle& puzzle : mPuzzles) {
    for (const PuzzleRing& ring : puzzle.rings) {
      if (!ring.active) continue;
      g.DrawImageRotated(ring.image.get(), ring.originX, ring.originY, ring.angle * kPiForDrawing * kOneOver180);
    }
  }
  MiniGame::Draw(g);
  EndPuzzleDraw(g);
  return 0;
}

}  // namespace Kivo
