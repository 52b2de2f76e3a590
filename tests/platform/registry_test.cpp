// The registry file store: exact round trips, key rules, failures told
// truthfully, damaged files.
#include "platform/Registry.h"

#include <gtest/gtest.h>
#include <sys/resource.h>

#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>

#include "platform/Environment.h"
#include "platform/Files.h"
#include "tests/platform/probe_runner.h"
#include "tests/support/temp_folder.h"

namespace {

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

class RegistryStore : public ::testing::Test {
 protected:
  void SetUp() override { ::setenv("GAME_HOME", home.path().c_str(), 1); }
  void TearDown() override { ::unsetenv("GAME_HOME"); }

  HKEY Create(const char* path) {
    HKEY key = nullptr;
    EXPECT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, path, 0, "Key", 0, KEY_ALL_ACCESS, nullptr, &key, nullptr),
              ERROR_SUCCESS);
    return key;
  }

  std::string Probe(const std::string& key, const std::string& name) {
    return RunCommand("GAME_HOME='" + home.path() + "' '" + ProbePath() + "' registry-get '" + key + "' '" + name + "'")
        .output;
  }

  TempFolder home;
};

TEST_F(RegistryStore, ValuesComeBackExactlyInAnotherProcess) {
  HKEY key = Create("SOFTWARE\\Kivo Test");
  ASSERT_NE(key, nullptr);
  const char bare[] = "abc";
  const DWORD dword = 0x01020304;
  EXPECT_EQ(RegSetValueExA(key, "Bare", 0, REG_SZ, reinterpret_cast<const BYTE*>(bare), 3), ERROR_SUCCESS);
  EXPECT_EQ(RegSetValueExA(key, "Terminated", 0, REG_SZ, reinterpret_cast<const BYTE*>(bare), 4), ERROR_SUCCESS);
  EXPECT_EQ(RegSetValueExA(key, "Number", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&dword), 4), ERROR_SUCCESS);
  EXPECT_EQ(RegSetValueExA(key, "Empty", 0, REG_SZ, nullptr, 0), ERROR_SUCCESS);
  RegCloseKey(key);

  EXPECT_EQ(Probe("SOFTWARE\\Kivo Test", "Bare"), "type=1 size=3 bytes=616263\n");
  EXPECT_EQ(Probe("software\\kivo test", "TERMINATED"), "type=1 size=4 bytes=61626300\n");
  EXPECT_EQ(Probe("SOFTWARE/Kivo Test", "Number"), "type=4 size=4 bytes=04030201\n");
  EXPECT_EQ(Probe("SOFTWARE\\Kivo Test", "Empty"), "type=1 size=0 bytes=\n");
  EXPECT_EQ(Probe("SOFTWARE\\Kivo Test", "Absent"), "missing\n");
}

TEST_F(RegistryStore, CreateMakesParentsOpenMakesNothing) {
  HKEY key = nullptr;
  EXPECT_NE(RegOpenKeyExA(HKEY_CURRENT_USER, "SOFTWARE\\App", 0, KEY_WRITE, &key), ERROR_SUCCESS);
  EXPECT_EQ(key, nullptr);
  EXPECT_FALSE(Platform::PathExists(Platform::RegistryRoot() + "/SOFTWARE")) << "a failed open made a folder";

  key = Create("SOFTWARE\\App\\Test3D");
  RegCloseKey(key);
  EXPECT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, "SOFTWARE\\App", 0, KEY_READ, &key), ERROR_SUCCESS);
  RegCloseKey(key);
  EXPECT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, "software\\APP\\test3d", 0, KEY_READ, &key), ERROR_SUCCESS);
  RegCloseKey(key);
  // Creating with another spelling reuses the folder (case-preserving).
  key = Create("SOFTWARE\\APP\\TEST3D");
  RegCloseKey(key);
  EXPECT_EQ(Platform::ListFiles(Platform::RegistryRoot() + "/SOFTWARE/*").size(), 1u);

  EXPECT_NE(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE\\App", 0, KEY_READ, &key), ERROR_SUCCESS)
      << "other roots are empty";
  EXPECT_NE(RegCreateKeyExA(HKEY_CURRENT_USER, "SOFTWARE\\..\\..\\escape", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                            nullptr),
            ERROR_SUCCESS);
}

TEST_F(RegistryStore, QueryRulesForSizesTypesAndNames) {
  HKEY key = Create("SOFTWARE\\Q");
  const char ten[] = "0123456789";
  ASSERT_EQ(RegSetValueExA(key, "Ten", 0, REG_SZ, reinterpret_cast<const BYTE*>(ten), 10), ERROR_SUCCESS);

  DWORD type = 0, size = 0;
  EXPECT_EQ(RegQueryValueExA(key, "ten", nullptr, &type, nullptr, &size), ERROR_SUCCESS)
      << "a null buffer asks the size";
  EXPECT_EQ(size, 10u);
  EXPECT_EQ(type, REG_SZ);

  BYTE buffer[8];
  std::memset(buffer, 0xAA, sizeof buffer);
  size = 4;
  EXPECT_NE(RegQueryValueExA(key, "Ten", nullptr, &type, buffer, &size), ERROR_SUCCESS);
  EXPECT_EQ(size, 10u) << "the needed size is reported";
  for (BYTE b : buffer) EXPECT_EQ(b, 0xAA) << "nothing is written on failure";

  // Names are case-insensitive and keep their first spelling.
  const DWORD one = 1;
  ASSERT_EQ(RegSetValueExA(key, "TEN", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&one), 4), ERROR_SUCCESS);
  size = sizeof buffer;
  ASSERT_EQ(RegQueryValueExA(key, "tEn", nullptr, &type, buffer, &size), ERROR_SUCCESS);
  EXPECT_EQ(type, REG_DWORD);
  EXPECT_EQ(size, 4u);
  EXPECT_NE(ReadFile(Platform::RegistryRoot() + "/SOFTWARE/Q/values.reg").find("Ten\t4\t01000000"), std::string::npos);

  EXPECT_EQ(RegDeleteValueA(key, "TEN"), ERROR_SUCCESS);
  EXPECT_NE(RegQueryValueExA(key, "Ten", nullptr, &type, nullptr, &size), ERROR_SUCCESS);
  EXPECT_NE(RegDeleteValueA(key, "Ten"), ERROR_SUCCESS);
  RegCloseKey(key);
}

TEST_F(RegistryStore, SetFailsTruthfullyWhenTheRootIsUnderAFile) {
  std::string file = home / "plain-file";
  std::ofstream(file) << "x";
  ::setenv("GAME_HOME", file.c_str(), 1);
  HKEY key = nullptr;
  EXPECT_NE(RegCreateKeyExA(HKEY_CURRENT_USER, "SOFTWARE\\App", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr),
            ERROR_SUCCESS);
  EXPECT_EQ(key, nullptr);
}

TEST_F(RegistryStore, FailedWriteReportsFailureAndKeepsThePreviousFile) {
  HKEY key = Create("SOFTWARE\\Full");
  const DWORD v = 7;
  ASSERT_EQ(RegSetValueExA(key, "Kept", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&v), 4), ERROR_SUCCESS);
  std::string path = Platform::RegistryRoot() + "/SOFTWARE/Full/values.reg";
  std::string before = ReadFile(path);

  // A file-size limit makes the write of the new file fail part-way.
  std::vector<BYTE> big(4096, 0x5A);
  rlimit old{};
  ::getrlimit(RLIMIT_FSIZE, &old);
  auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
  rlimit small = old;
  small.rlim_cur = 200;
  ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
  LONG result = RegSetValueExA(key, "Big", 0, REG_BINARY, big.data(), static_cast<DWORD>(big.size()));
  ::setrlimit(RLIMIT_FSIZE, &old);
  std::signal(SIGXFSZ, previousHandler);

  EXPECT_NE(result, ERROR_SUCCESS) << "a failed write must not report success";
  EXPECT_EQ(ReadFile(path), before) << "the previous file stays whole";
  EXPECT_EQ(Platform::ListFiles(Platform::RegistryRoot() + "/SOFTWARE/Full/*").size(), 1u) << "no temp file left";
  RegCloseKey(key);
}

TEST_F(RegistryStore, DamagedFileKeepsGoodLinesAndSurvivesAsBad) {
  HKEY key = Create("SOFTWARE\\Damaged");
  std::string path = Platform::RegistryRoot() + "/SOFTWARE/Damaged/values.reg";
  std::string damaged = "Good\t4\t01000000\nno tabs here\nOdd\t1\t616\nAlso good\t1\t6869\n";
  std::ofstream(path, std::ios::binary) << damaged;

  DWORD type = 0, size = 0;
  EXPECT_EQ(RegQueryValueExA(key, "Good", nullptr, &type, nullptr, &size), ERROR_SUCCESS);
  EXPECT_EQ(RegQueryValueExA(key, "Also good", nullptr, &type, nullptr, &size), ERROR_SUCCESS);
  EXPECT_EQ(size, 2u);
  EXPECT_NE(RegQueryValueExA(key, "Odd", nullptr, &type, nullptr, &size), ERROR_SUCCESS);

  const DWORD v = 2;
  ASSERT_EQ(RegSetValueExA(key, "New", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&v), 4), ERROR_SUCCESS);
  EXPECT_EQ(ReadFile(path + ".bad"), damaged);
  std::vector<Platform::RegistryValue> values;
  std::vector<std::string> errors;
  Platform::ParseRegistryText(ReadFile(path), &values, &errors);
  EXPECT_TRUE(errors.empty());
  EXPECT_EQ(values.size(), 3u);
  RegCloseKey(key);
}

TEST(RegistryText, FormatAndParseRoundTrip) {
  std::vector<Platform::RegistryValue> values = {
      {"plain", REG_SZ, {'a', 'b'}},
      {"with\ttab%and\nnewline", REG_BINARY, {0, 255, 10, 13}},
      {"", REG_DWORD, {1, 0, 0, 0}},
      {"big type", 0xFFFFFFFFu, {}},
      {"#looks like a comment", REG_SZ, {'x'}},
      {"mid#hash", REG_SZ, {}},
  };
  std::vector<Platform::RegistryValue> back;
  std::vector<std::string> errors;
  Platform::ParseRegistryText(Platform::FormatRegistryText(values), &back, &errors);
  EXPECT_TRUE(errors.empty());
  ASSERT_EQ(back.size(), values.size());
  for (size_t i = 0; i < values.size(); ++i) {
    EXPECT_EQ(back[i].name, values[i].name);
    EXPECT_EQ(back[i].type, values[i].type);
    EXPECT_EQ(back[i].bytes, values[i].bytes);
  }
}

}  // namespace
