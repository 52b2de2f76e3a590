// Formats level data texts that carry printf-style conversions ("%d:%02d",
// "%i%%") with integers the game supplies. The formats come from scene data
// and text tables, so they are never handed to printf: only %d, %i and %u
// (with flags '-', '+', ' ', '0', '#' and a width) take the next integer, %%
// is a percent sign, and every other conversion, a missing integer included,
// is copied as it stands and reported once through the level log.
#pragma once

#include <initializer_list>
#include <string>

namespace Kivo {

std::wstring FormatDataInts(const std::wstring& format, std::initializer_list<long long> values);

}  // namespace Kivo
