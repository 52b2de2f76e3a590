// printf-style formatting of the crash report's lines, shared by its files:
// one line at most 2,047 bytes; addresses widened so that 64-bit values
// print in full under "%08llX".
#pragma once

#include <cstdint>
#include <string>

namespace Kivo {

std::string FormatCrashText(const char* format, ...) __attribute__((format(printf, 1, 2)));

inline unsigned long long WideAddress(std::uintptr_t value) { return static_cast<unsigned long long>(value); }

}  // namespace Kivo
