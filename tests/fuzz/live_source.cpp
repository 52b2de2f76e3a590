// Arbitrary bytes as a marked source file and as a run of memory holding
// marker records: the source walk with markers on the first lines, the
// expression readers on every line, and the marker scan over an exactly
// sized copy. Nothing may crash or read outside the input.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "diagnostics/LiveConstants.h"
#include "diagnostics/LiveValueParsers.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string source(reinterpret_cast<const char*>(data), size);

  std::vector<int32_t> markerLines;
  for (int32_t line = 1; line <= 8; line += (size % 3) + 1) markerLines.push_back(line);
  size_t calls = 0;
  Kivo::ReadMarkedCalls(source, "fuzz.cpp", markerLines,
                        [&](size_t index, const Kivo::ParsedLiveValue&) { calls += index < markerLines.size(); });

  size_t start = 0;
  for (int piece = 0; piece < 32 && start < source.size(); ++piece) {
    size_t end = source.find('(', start);
    if (end == std::string::npos) break;
    const std::string expression = source.substr(end + 1, 64);
    int32_t number = 0;
    double real = 0.0;
    std::string text;
    Kivo::ParseLiveInt(expression, number);
    Kivo::ParseLiveDouble(expression, real);
    Kivo::ParseLiveString(expression, text);
    std::string suffix = source.substr(start, end - start);
    int32_t ordinal = 0;
    int32_t line = 0;
    Kivo::SplitLineSuffix(suffix, ordinal, line);
    start = end + 1;
  }

  // An exact heap copy, so any read past either end is caught.
  std::vector<unsigned char> run(data, data + size);
  Kivo::LiveConstantEditor editor("/nonexistent");
  editor.ScanForMarkers(run.data(), run.size());
  return 0;
}
