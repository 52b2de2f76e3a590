// Names of the DirectDraw, Direct3D and DirectSound result codes, for the
// error texts the display, the renderer and the 3D test build and store.
#pragma once

#include <string>

#include "platform/devices/DirectXCodes.h"

namespace Kivo {

// The symbolic name of a listed code (the seven shared COM codes under one
// name each); any other code as lowercase hexadecimal ("%x"), so 0 gives "0".
std::string GetDirectXErrorName(HRESULT code);

}  // namespace Kivo
