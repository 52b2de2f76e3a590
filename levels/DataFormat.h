// Formats level data texts that carry printf-style integer conversions
// ("%d:%02d", "%3d left", "%i%%") with integers the game supplies. The
// formats come from scene data and text tables, so they are never handed to
// printf. A conversion follows printf's rules for integers: flags '-', '+',
// ' ', '0', '#', a width, a precision (".N"), a length modifier (hh, h, l,
// ll, j, z, t) and one of d, i, u, o, x, X; "%%" is a percent sign.
//
// Limits: only integers the caller passed are read, in order; a conversion
// with no integer left, any other conversion (%s, %n, %f, '*' widths, ...)
// and widths or precisions above 999 are copied as they stand, and such a
// format is reported once through the level log.
#pragma once

#include <initializer_list>
#include <string>

namespace Kivo {

std::wstring FormatDataInts(const std::wstring& format, std::initializer_list<long long> values);

}  // namespace Kivo
