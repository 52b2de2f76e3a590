#include "levels/PuzzleDrawing.h"

#include "levels/LevelContext.h"

namespace Kivo {

void BeginPuzzleDraw(Graphics& g) {
  const ScreenMatrices& m = CurrentLevelContext().Matrices();
  g.SetColorizeImages(true);
  g.Begin3D(m.world, m.projection, m.view);
}

void EndPuzzleDraw(Graphics& g) {
  g.End3D();
  g.SetColorizeImages(false);
}

}  // namespace Kivo
