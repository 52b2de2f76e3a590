// Value types and utilities every layer of the framework uses.
//
// What it holds: Rect and DoubleRect (Rect.h); Color (Color.h); vectors,
// 3x3 and 4x4 matrices and the lazy 2-D transform (Matrix.h); Fraction
// (Fraction.h); the critical section and its scoped lock (Lock.h); text
// utilities (StringUtils.h: ASCII case mapping, widening and narrowing,
// strict locale-free number parsing, formatting, XML entities); paths,
// folders and the per-user data folder (Paths.h); the growable bit stream of
// the demo journal (Buffer.h); the Mersenne-Twister generator
// (TwisterRandom.h); and the ranks that order the build and teardown of
// global objects (GlobalRanks.h).
//
// Limits and failures: see each header. Text and bit readers never read
// past their input; failures come back as a false result, 0 or an empty
// string, never as an exception.
//
// Layer: uses the operating-system layer (platform/) only; every other
// library may use it.
#pragma once

#include "shell/base/Buffer.h"
#include "shell/base/Color.h"
#include "shell/base/Fraction.h"
#include "shell/base/GlobalRanks.h"
#include "shell/base/Lock.h"
#include "shell/base/Matrix.h"
#include "shell/base/Paths.h"
#include "shell/base/Rect.h"
#include "shell/base/StringUtils.h"
#include "shell/base/TwisterRandom.h"
