// The registry, kept as a file store.
//
// Only HKEY_CURRENT_USER holds data; other roots are empty. A key path such
// as "SOFTWARE\App\Test3D" is a chain of folders under
// <config root>/registry/ (see Environment.h), looked up without regard to
// ASCII case and created with the caller's spelling. Each key folder holds one
// text file, "values.reg", one value a line:
//     <name>\t<type>\t<hex bytes>
// where the name escapes '%', tab, CR, LF and bytes below 0x20 as %XX, the
// type is decimal (1 REG_SZ, 4 REG_DWORD, any other number kept as is) and
// the bytes are lower- or upper-case hex pairs. Lines starting with '#' are
// comments. Value names compare without regard to ASCII case and keep the
// spelling they were first stored with. Types, bytes and byte counts come back
// exactly as stored (a string stored without its terminating zero comes back
// without it).
//
// Every write rewrites the file atomically through AtomicFile.h (temp file
// in the same folder, fsync, rename) and reports the real outcome; on
// failure the previous file stays whole. A file with lines that do not parse keeps its good lines, the
// rest is logged, and the old file is kept as "values.reg.bad" at the next
// write. Results are 0 (ERROR_SUCCESS) or a non-zero Windows error code.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/WinTypes.h"

#define HKEY_CLASSES_ROOT (reinterpret_cast<HKEY>(static_cast<std::uintptr_t>(0x80000000u)))
#define HKEY_CURRENT_USER (reinterpret_cast<HKEY>(static_cast<std::uintptr_t>(0x80000001u)))
#define HKEY_LOCAL_MACHINE (reinterpret_cast<HKEY>(static_cast<std::uintptr_t>(0x80000002u)))

constexpr LONG ERROR_SUCCESS = 0;
constexpr DWORD REG_NONE = 0;
constexpr DWORD REG_SZ = 1;
constexpr DWORD REG_BINARY = 3;
constexpr DWORD REG_DWORD = 4;
constexpr DWORD KEY_READ = 0x20019;
constexpr DWORD KEY_WRITE = 0x20006;
constexpr DWORD KEY_ALL_ACCESS = 0xF003F;
constexpr DWORD REG_OPTION_NON_VOLATILE = 0;
constexpr DWORD REG_CREATED_NEW_KEY = 1;
constexpr DWORD REG_OPENED_EXISTING_KEY = 2;

LONG RegOpenKeyExA(HKEY root, const char* subKey, DWORD options, DWORD access, HKEY* result);
LONG RegCreateKeyExA(HKEY root, const char* subKey, DWORD reserved, const char* keyClass, DWORD options, DWORD access,
                     void* securityAttributes, HKEY* result, DWORD* disposition);
LONG RegCloseKey(HKEY key);
// A null data pointer asks for the type and size only. A value larger than
// *size fails with ERROR_MORE_DATA, reports the size and writes nothing.
LONG RegQueryValueExA(HKEY key, const char* name, DWORD* reserved, DWORD* type, BYTE* data, DWORD* size);
LONG RegSetValueExA(HKEY key, const char* name, DWORD reserved, DWORD type, const BYTE* data, DWORD size);
LONG RegDeleteValueA(HKEY key, const char* name);

namespace Platform {

struct RegistryValue {
  std::string name;
  DWORD type = REG_NONE;
  std::vector<std::uint8_t> bytes;
};

// Largest value and largest store file accepted; bigger ones are refused
// before anything is allocated for them.
constexpr std::size_t kMaxRegistryValueBytes = 1 << 20;
constexpr std::size_t kMaxRegistryFileBytes = 16 << 20;

// Parses the text of a key's file. Good lines land in `values` (a later line
// with the same name replaces an earlier one); each bad line adds a message
// to `errors`. Never throws on any input.
void ParseRegistryText(const std::string& text, std::vector<RegistryValue>* values, std::vector<std::string>* errors);
// The file text for a set of values; ParseRegistryText reads it back exactly.
std::string FormatRegistryText(const std::vector<RegistryValue>& values);

// The folder of the registry store (<config root>/registry).
std::string RegistryRoot();

}  // namespace Platform
