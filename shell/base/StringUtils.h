// Free functions on narrow and wide text: ASCII case mapping, byte-wise
// widening and narrowing, trimming, strict number parsing, thousands
// grouping, printf-style formatting into strings, XML character entities and
// a case-insensitive search.
//
// Narrow strings are bytes (identifiers, paths, registry names); wide strings
// hold Unicode code points (every text shown to the user). No function here
// interprets a code page: only ASCII letters change case and only ASCII
// space, tab, LF, VT, FF and CR are white space. Failures come back as a false
// result or an empty string, never as an exception.
#pragma once

#include <cstdarg>
#include <cstdint>
#include <string>

namespace Kivo {

std::string ToUpper(const std::string& s);
std::wstring ToUpperWide(const std::wstring& s);
std::string ToLower(const std::string& s);

// Byte i becomes code point i (0..255): Latin-1, no code page.
std::wstring Widen(const std::string& s);
// The reverse of Widen: code points 0..255 become one byte each; a single
// code point above 255 makes the whole result empty.
std::string Narrow(const std::wstring& s);
inline std::wstring ToWide(const std::string& s) { return Widen(s); }
inline std::wstring ToWide(const std::wstring& s) { return s; }
inline std::string ToNarrow(const std::wstring& s) { return Narrow(s); }

std::string TrimSpaces(const std::string& s);

// Decimal, or hexadecimal after an 'x'/'X' at index 1 with nothing but '0' or
// '-' before it ("0x1F", "-x1F"). A leading '-' negates; nothing else (no '+',
// no spaces) is accepted. Arithmetic wraps in 32 bits. On failure out is 0.
bool ParseInt(const std::string& s, int32_t& out);
bool ParseIntWide(const std::wstring& s, int32_t& out);
// Digits with an optional '-' and one '.', accumulated digit by digit in
// double precision (so "0.3" gives 3 * 0.1). No exponent, no '+'. On failure
// out is 0.0.
bool ParseDouble(const std::string& s, double& out);
bool ParseDoubleWide(const std::wstring& s, double& out);

// The C library's atoi and atof, without their locale and without undefined
// behaviour: leading C white space is skipped, then an optional sign and as
// many digits (for the double, a decimal number with an optional exponent) as
// follow; the rest is ignored. No number gives 0. An int beyond the 32-bit
// range saturates; a double beyond range gives +-infinity. Text files of the
// game (properties, settings, script arguments) are read with these.
int32_t LeadingInt(const char* s);
double LeadingDouble(const char* s);

// "1,234,567"; 0 gives "0"; negative values give "".
std::wstring GroupThousands(int32_t value);

// printf-style formatting. A result too long for the largest buffer
// (1,310,720 characters) is cut there; a format the runtime rejects gives "".
std::string FormatTextV(const char* format, va_list args);
std::string FormatText(const char* format, ...) __attribute__((format(printf, 1, 2)));
// Wide formats follow the Windows convention: %s and %c take wide arguments,
// %S and %C (or %hs, %hc) narrow ones; %ls and %lc stay wide.
std::wstring FormatTextWideV(const wchar_t* format, va_list args);
std::wstring FormatTextWide(const wchar_t* format, ...);

// Replaces &lt; &amp; &gt; &quot; &apos; &nbsp; (space) and &cr; (line feed);
// any other name between '&' and the next ';' becomes a single '&'. A '&'
// without a later ';' stays. Not applied twice: "&amp;lt;" gives "&lt;".
std::wstring DecodeXmlEntities(const std::wstring& s);

// Index of the first ASCII-case-insensitive occurrence of pattern in text, or
// -1. An empty pattern is found at 0 of any non-empty text.
int FindIgnoreCase(const std::string& text, const std::string& pattern);

}  // namespace Kivo
