#include "shell/base/Color.h"

namespace Kivo {

// Constant-initialised: usable from any static initialiser, never destroyed.
const Color Color::Black(0, 0, 0, 255);
const Color Color::White(255, 255, 255, 255);

}  // namespace Kivo
