// Process services: command line, libraries, folders and the version resource.
#include "platform/Process.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>

#include "platform/Files.h"
#include "tests/support/temp_folder.h"

namespace {

TEST(Process, CommandLineQuotesArgumentsWithBlanks) {
  char program[] = "/opt/my game/game";
  char demo[] = "-demofile=a b.dmo";
  char play[] = "-play";
  char* argv[] = {program, demo, play};
  Platform::SetCommandLine(3, argv);
  EXPECT_STREQ(GetCommandLineA(), "\"/opt/my game/game\" \"-demofile=a b.dmo\" -play");
}

TEST(Process, LibrariesKnowTheNamesTheFrameworkLoads) {
  ::unsetenv("GAME_NO_DIRECTX");
  HMODULE ddraw = LoadLibraryA("DDRAW.DLL");
  EXPECT_NE(ddraw, nullptr);
  EXPECT_NE(LoadLibraryA("dsound.dll"), nullptr);
  EXPECT_EQ(LoadLibraryA("d3d9.dll"), nullptr);
  HMODULE user32 = LoadLibraryA("user32.dll");
  ASSERT_NE(user32, nullptr);
  EXPECT_EQ(GetProcAddress(user32, "GetLastInputInfo"), nullptr);

  static int called;
  called = 0;  // a repeated run registers again
  Platform::RegisterProcAddress("ddraw.dll", "DirectDrawCreate", [] { ++called; });
  FARPROC create = GetProcAddress(ddraw, "DirectDrawCreate");
  ASSERT_NE(create, nullptr);
  create();
  EXPECT_EQ(called, 1);

  ::setenv("GAME_NO_DIRECTX", "1", 1);
  EXPECT_EQ(LoadLibraryA("ddraw.dll"), nullptr);
  EXPECT_EQ(LoadLibraryA("dsound.dll"), nullptr);
  EXPECT_NE(LoadLibraryA("version.dll"), nullptr);
  ::unsetenv("GAME_NO_DIRECTX");
}

TEST(Process, FolderPathIsTheDataRoot) {
  TempFolder home;
  ::setenv("GAME_HOME", home.path().c_str(), 1);
  HMODULE shell = LoadLibraryA("shell32.dll");
  auto getFolder =
      reinterpret_cast<long (*)(HWND, int, HANDLE, DWORD, char*)>(GetProcAddress(shell, "SHGetFolderPathA"));
  ASSERT_NE(getFolder, nullptr);
  char path[MAX_PATH];
  ASSERT_EQ(getFolder(nullptr, CSIDL_COMMON_APPDATA, nullptr, 0, path), 0);
  EXPECT_EQ(std::string(path), home.path() + "/data");
  EXPECT_EQ(GetFileAttributesA(path) & FILE_ATTRIBUTE_DIRECTORY, FILE_ATTRIBUTE_DIRECTORY) << "the folder exists";
  ::unsetenv("GAME_HOME");
}

TEST(Process, OnlyTheProgramFileHasAVersion) {
  std::string self = Platform::ExecutablePath();
  ASSERT_FALSE(self.empty());
  DWORD size = GetFileVersionInfoSizeA(self.c_str(), nullptr);
  ASSERT_GT(size, 0u);
  std::vector<char> block(size);
  ASSERT_TRUE(GetFileVersionInfoA(self.c_str(), 0, size, block.data()));
  for (const char* table :
       {"\\StringFileInfo\\040904B0\\ProductVersion", "\\StringFileInfo\\040904E4\\ProductVersion"}) {
    void* text = nullptr;
    UINT length = 0;
    ASSERT_TRUE(VerQueryValueA(block.data(), table, &text, &length));
    EXPECT_EQ(std::string(static_cast<char*>(text)), Platform::BuildProductVersion());
  }
  void* text = nullptr;
  UINT length = 0;
  EXPECT_FALSE(VerQueryValueA(block.data(), "\\StringFileInfo\\040704B0\\ProductVersion", &text, &length));
  EXPECT_EQ(GetFileVersionInfoSizeA("/bin/sh", nullptr), 0u);

  char small[8];
  EXPECT_EQ(GetModuleFileNameA(nullptr, small, sizeof small), static_cast<DWORD>(sizeof small));
  EXPECT_EQ(GetLastError(), ERROR_INSUFFICIENT_BUFFER);
  EXPECT_EQ(std::strlen(small), sizeof small - 1);
}

}  // namespace
