#include "display/DirectXErrorNames.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <iterator>

namespace Kivo {

namespace {

struct NamedCode {
  uint32_t code;
  const char* name;
};

#define KIVO_NAMED_CODE(name, value) {static_cast<uint32_t>(value), #name},
constexpr NamedCode kNamedCodes[] = {KIVO_DIRECTX_ERROR_CODES(KIVO_NAMED_CODE)};
#undef KIVO_NAMED_CODE

static_assert(std::size(kNamedCodes) == 193, "186 DirectX codes and 7 COM codes");

}  // namespace

std::string GetDirectXErrorName(HRESULT code) {
  const uint32_t value = static_cast<uint32_t>(code);
  for (const NamedCode& entry : kNamedCodes) {
    if (entry.code == value) return entry.name;
  }
  char hex[16];
  std::snprintf(hex, sizeof hex, "%x", value);
  return hex;
}

}  // namespace Kivo
