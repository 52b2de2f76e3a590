// The screen device context, the system folder and read-only file handles
// with their dates.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <utime.h>

#include <ctime>
#include <fstream>
#include <string>

#include "tests/support/temp_folder.h"
#include "platform/devices/DDraw.h"
#include "platform/Clock.h"
#include "platform/Files.h"
#include "platform/SingleInstance.h"
#include "platform/SystemQueries.h"
#include "platform/devices/ScreenContext.h"

namespace {

TEST(SystemQueries, ScreenContextReportsTheDesktop) {
  const struct {
    DDrawStandIn::Format format;
    int width, height, bits;
  } cases[] = {{DDrawStandIn::Format::kRGB888, 1024, 768, 32}, {DDrawStandIn::Format::kRGB565, 800, 600, 16}};
  for (const auto& c : cases) {
    DDrawStandIn::Machine machine;
    machine.desktopFormat = c.format;
    machine.desktopWidth = c.width;
    machine.desktopHeight = c.height;
    DDrawStandIn::Reset(machine);
    HDC screen = GetDC(nullptr);
    ASSERT_NE(screen, nullptr);
    EXPECT_EQ(GetDeviceCaps(screen, HORZRES), c.width);
    EXPECT_EQ(GetDeviceCaps(screen, VERTRES), c.height);
    EXPECT_EQ(GetDeviceCaps(screen, BITSPIXEL), c.bits);
    EXPECT_EQ(GetDeviceCaps(screen, 999), 0);
    EXPECT_EQ(ReleaseDC(nullptr, screen), 1);
  }
  DDrawStandIn::Reset();
}

TEST(SystemQueries, SystemFolderFitsOrAsksForRoom) {
  char folder[MAX_PATH] = {};
  const UINT length = GetSystemDirectoryA(folder, sizeof(folder));
  ASSERT_GT(length, 0u);
  EXPECT_EQ(std::string(folder).size(), length);
  EXPECT_NE(folder[length - 1], '/');
  char tiny[2] = {'x', 'x'};
  EXPECT_EQ(GetSystemDirectoryA(tiny, sizeof(tiny)), length + 1);
  EXPECT_EQ(tiny[0], 'x');
}

TEST(SystemQueries, FileHandleGivesTheRealWriteDate) {
  TempFolder home;
  const std::string path = home / "driver.sys";
  std::ofstream(path) << "driver";
  std::tm tm{};
  tm.tm_year = 2001 - 1900;
  tm.tm_mon = 10;  // November
  tm.tm_mday = 23;
  tm.tm_hour = 14;
  tm.tm_min = 5;
  tm.tm_sec = 9;
  utimbuf times{};
  times.actime = times.modtime = timegm(&tm);
  ASSERT_EQ(::utime(path.c_str(), &times), 0);

  HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(file, INVALID_HANDLE_VALUE);
  FILETIME written{};
  ASSERT_TRUE(GetFileTime(file, nullptr, nullptr, &written));
  SYSTEMTIME when{};
  ASSERT_TRUE(FileTimeToSystemTime(&written, &when));
  EXPECT_EQ(when.wYear, 2001);
  EXPECT_EQ(when.wMonth, 11);
  EXPECT_EQ(when.wDay, 23);
  EXPECT_EQ(when.wHour, 14);
  EXPECT_EQ(when.wMinute, 5);
  EXPECT_EQ(when.wSecond, 9);
  EXPECT_EQ(when.wDayOfWeek, 5);  // a Friday
  // One calendar record for file times and the local clock alike.
  SYSTEMTIME now{};
  GetLocalTime(&now);
  when = now;
  EXPECT_GE(when.wYear, 2001);
  EXPECT_TRUE(CloseHandle(file));
  // A closed handle is no longer a file.
  EXPECT_FALSE(GetFileTime(file, nullptr, nullptr, &written));
  EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
}

TEST(SystemQueries, OnlyExistingFilesOpenAndOnlyForReading) {
  TempFolder home;
  const std::string path = home / "present.txt";
  std::ofstream(path) << "x";
  EXPECT_EQ(CreateFileA((home / "missing.txt").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr),
            INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr),
            INVALID_HANDLE_VALUE);
  EXPECT_EQ(CreateFileA(home.path().c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr),
            INVALID_HANDLE_VALUE);
  EXPECT_EQ(CreateFileA(nullptr, GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr), INVALID_HANDLE_VALUE);
  // Windows-style separators and another letter case find the file too.
  std::string windowsPath = home.path() + "\\PRESENT.TXT";
  HANDLE file = CreateFileA(windowsPath.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  EXPECT_NE(file, INVALID_HANDLE_VALUE);
  EXPECT_TRUE(CloseHandle(file));
}

TEST(SystemQueries, FileTimesConvertAtTheEdges) {
  const struct {
    std::uint64_t value;
    bool ok;
    int year, month, day, ms;
  } cases[] = {
      {0, true, 1601, 1, 1, 0},
      {kFileTimeUnixEpoch + 1234567, true, 1970, 1, 1, 123},
      {0x8000000000000000ull, false, 0, 0, 0, 0},
  };
  for (const auto& c : cases) {
    FILETIME t{static_cast<DWORD>(c.value & 0xFFFFFFFFu), static_cast<DWORD>(c.value >> 32)};
    SYSTEMTIME s{};
    EXPECT_EQ(FileTimeToSystemTime(&t, &s) != FALSE, c.ok) << c.value;
    if (!c.ok) continue;
    EXPECT_EQ(s.wYear, c.year);
    EXPECT_EQ(s.wMonth, c.month);
    EXPECT_EQ(s.wDay, c.day);
    EXPECT_EQ(s.wMilliseconds, c.ms);
  }
  EXPECT_FALSE(FileTimeToSystemTime(nullptr, nullptr));
}

}  // namespace
