// Names of the DirectDraw stand-in's pixel formats for parameterised tests:
// the default printout of an enum parameter is its raw bytes, which would
// become the test's name in CTest.
#pragma once

#include <gtest/gtest.h>

#include <ostream>
#include <string>

#include "platform/devices/DDraw.h"

// Render-target formats read as names in test output and CTest names (the
// default printout of an enum parameter is its raw bytes).
namespace DDrawStandIn {
inline const char* FormatName(Format format) {
  switch (format) {
    case Format::kRGB888: return "X8R8G8B8";
    case Format::kBGR888: return "X8B8G8R8";
    case Format::kRGB565: return "R5G6B5";
    case Format::kRGB555: return "X1R5G5B5";
    case Format::kRGB24: return "R8G8B8";
    case Format::kPalette8: return "P8";
    case Format::kARGB8888: return "A8R8G8B8";
    case Format::kARGB4444: return "A4R4G4B4";
  }
  return "unknown";
}
inline void PrintTo(Format format, std::ostream* out) { *out << FormatName(format); }
}  // namespace DDrawStandIn

// A name generator for suites parameterised by the format.
inline std::string FormatParamName(const testing::TestParamInfo<DDrawStandIn::Format>& info) {
  return DDrawStandIn::FormatName(info.param);
}
