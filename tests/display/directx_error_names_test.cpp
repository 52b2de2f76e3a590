#include <gtest/gtest.h>

#include <cstdint>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "display/DirectXErrorNames.h"

using namespace Kivo;

namespace {

struct Listed {
  std::string name;
  uint32_t code;
};

std::vector<Listed> AllListed() {
  std::vector<Listed> all;
#define KIVO_COLLECT(name, value) all.push_back({#name, static_cast<uint32_t>(name)});
  KIVO_DIRECTX_ERROR_CODES(KIVO_COLLECT)
#undef KIVO_COLLECT
  return all;
}

}  // namespace

TEST(DirectXErrorNames, KnownAndUnknownCodes) {
  struct Case {
    uint32_t code;
    const char* name;
  } cases[] = {
      {0x887601C2u, "DDERR_SURFACELOST"},
      {0x88780096u, "DSERR_BUFFERLOST"},
      {0x88760800u, "D3DERR_INVALIDVERTEXFORMAT"},
      {0x80004005u, "DSERR_GENERIC"},
      {0x80070057u, "DDERR_INVALIDPARAMS"},
      {0x80004001u, "DDERR_UNSUPPORTED"},
      {0x8007000Eu, "E_OUTOFMEMORY"},
      {0x80004004u, "80004004"},
      {0u, "0"},
      {1u, "1"},
      {0x88760001u, "88760001"},
  };
  for (const auto& c : cases)
    EXPECT_EQ(GetDirectXErrorName(static_cast<HRESULT>(c.code)), c.name) << std::hex << c.code;
}

TEST(DirectXErrorNames, AliasesReportTheSharedName) {
  EXPECT_EQ(GetDirectXErrorName(DDERR_GENERIC), "DSERR_GENERIC");
  EXPECT_EQ(GetDirectXErrorName(E_FAIL), "DSERR_GENERIC");
  EXPECT_EQ(GetDirectXErrorName(DSERR_INVALIDPARAM), "DDERR_INVALIDPARAMS");
  EXPECT_EQ(GetDirectXErrorName(DSERR_UNSUPPORTED), "DDERR_UNSUPPORTED");
  EXPECT_EQ(GetDirectXErrorName(DSERR_OUTOFMEMORY), "E_OUTOFMEMORY");
  EXPECT_EQ(GetDirectXErrorName(DDERR_OUTOFMEMORY), "E_OUTOFMEMORY");
  EXPECT_TRUE(FAILED(DDERR_SURFACELOST));
  EXPECT_TRUE(SUCCEEDED(DD_OK));
}

TEST(DirectXErrorNames, HeaderListsEveryCodeOnceInFamilyOrder) {
  const std::vector<Listed> all = AllListed();
  ASSERT_EQ(all.size(), 193u);
  std::set<uint32_t> codes;
  std::set<std::string> names;
  std::map<std::string, uint32_t> lastInFamily;
  std::map<std::string, int> familySize;
  for (const Listed& entry : all) {
    EXPECT_TRUE(codes.insert(entry.code).second) << entry.name;
    EXPECT_TRUE(names.insert(entry.name).second) << entry.name;
    EXPECT_EQ(GetDirectXErrorName(static_cast<HRESULT>(entry.code)), entry.name);
    std::string family;
    if ((entry.code & 0xFFFF0000u) == 0x88760000u) family = "DirectDraw and Direct3D";
    if ((entry.code & 0xFFFF0000u) == 0x88780000u) family = "DirectSound";
    if (family.empty()) continue;
    ++familySize[entry.name.substr(0, entry.name.find('_'))];
    EXPECT_GT(entry.code, lastInFamily[family]) << entry.name;
    lastInFamily[family] = entry.code;
  }
  EXPECT_EQ(familySize["DDERR"], 106);
  EXPECT_EQ(familySize["D3DERR"], 70);
  EXPECT_EQ(familySize["DSERR"], 10);
}
