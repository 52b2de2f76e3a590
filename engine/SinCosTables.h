// The engine's sine and cosine tables: one value a degree over a whole turn,
// built once during loading (on the loading thread) and read-only after.
//
// Reading before the build gives 0. Any thread may read once Built() is true.
#pragma once

namespace Kivo {

constexpr int kSinCosSteps = 360;

// Fills both tables; later calls change nothing.
void BuildSinCosTables();
bool SinCosTablesBuilt();
// The sine / cosine of a whole number of degrees (taken modulo a turn).
float TableSin(int degrees);
float TableCos(int degrees);

}  // namespace Kivo
