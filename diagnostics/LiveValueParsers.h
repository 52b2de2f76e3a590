// Reading the source of marked constants: the expression readers, the marker
// suffix split and the walk over a source text that finds marked calls.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <vector>

namespace Kivo {

// Identifiers that marked integer expressions may name.
extern std::map<std::string, int32_t> gLiveValueIds;

// Each reads the expression after the '(' of a marked call, up to its ')'.
// Integer: an identifier of gLiveValueIds, or an optional '-' and decimal
// digits, or "0x"/"0X" and hex digits (no sign); arithmetic wraps in 32 bits.
bool ParseLiveInt(const std::string& text, int32_t& out);
// Optional '-', digits, optional '.' and digits, an optional 'f'; no exponent.
bool ParseLiveDouble(const std::string& text, double& out);
// A quoted text with the escapes \n \t \\ \"; the value ends at the first
// closing quote.
bool ParseLiveString(const std::string& text, std::string& out);

// "path3,17" -> path "path", ordinal 3, line 17. False, text unchanged, when
// the text has no "<digits>,<digits>" tail after at least one other character.
bool SplitLineSuffix(std::string& text, int32_t& ordinal, int32_t& line);

// What a marked call's expression read as; the fields that do not match
// its kind are 0, 0.0 and empty.
struct ParsedLiveValue {
  int32_t mInt = 0;
  double mDouble = 0.0;
  std::string mText;
};

// Walks a source text line by line (lines of at most 8,191 bytes, as a
// line reader with an 8,192-byte buffer cuts them), skipping string literals
// and comments, and hands each marked call M( or M1( to M9( to `store` with
// the index of its marker in `markerLines` (the lines of one file's markers
// in ordinal order). Calls on lines with no unused marker are skipped.
// Returns the empty text, or the error message for the first fault.
std::string ReadMarkedCalls(const std::string& source, const std::string& path, const std::vector<int32_t>& markerLines,
                            const std::function<void(size_t, const ParsedLiveValue&)>& store);

}  // namespace Kivo
