// Mouse pointers: the system shapes, monochrome cursors, and showing them.
//
// LoadCursorA(null, IDC_*) gives the system shapes (mapped to the host's);
// CreateCursor takes Windows AND/XOR planes (rows padded to 16 bits, leftmost
// pixel in the top bit): AND 0 XOR 0 black, AND 0 XOR 1 white, AND 1 XOR 0
// transparent, AND 1 XOR 1 inverted. SetCursor(null) hides the pointer.
// Main thread.
#pragma once

#include <cstdint>

#include "platform/Backend.h"
#include "platform/WinTypes.h"

#define MAKEINTRESOURCEA(id) (reinterpret_cast<const char*>(static_cast<std::uintptr_t>(id)))
#define IDC_ARROW MAKEINTRESOURCEA(32512)
#define IDC_IBEAM MAKEINTRESOURCEA(32513)
#define IDC_WAIT MAKEINTRESOURCEA(32514)
#define IDC_CROSS MAKEINTRESOURCEA(32515)
#define IDC_SIZENWSE MAKEINTRESOURCEA(32642)
#define IDC_SIZENESW MAKEINTRESOURCEA(32643)
#define IDC_SIZEWE MAKEINTRESOURCEA(32644)
#define IDC_SIZENS MAKEINTRESOURCEA(32645)
#define IDC_SIZEALL MAKEINTRESOURCEA(32646)
#define IDC_NO MAKEINTRESOURCEA(32648)
#define IDC_HAND MAKEINTRESOURCEA(32649)

HCURSOR LoadCursorA(HINSTANCE instance, const char* name);
HCURSOR CreateCursor(HINSTANCE instance, int hotX, int hotY, int width, int height, const void* andPlane,
                     const void* xorPlane);
BOOL DestroyCursor(HCURSOR cursor);
// Returns the previous cursor.
HCURSOR SetCursor(HCURSOR cursor);
HCURSOR GetCursor();

namespace Platform {

// What a cursor handle holds (the converted planes of a monochrome cursor or
// the system shape's number); false for an unknown handle.
bool DescribeCursor(HCURSOR cursor, CursorShape* shape);

}  // namespace Platform
