// The program's image regions from the maps listing, and page protection.
#include <gtest/gtest.h>

#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>

#include "platform/MemoryRegions.h"
#include "platform/Process.h"

namespace {

const char kMaps[] =
    "55d0a0000000-55d0a0001000 r--p 00000000 08:01 1234 /opt/game/bin/game\n"
    "55d0a0001000-55d0a0005000 r-xp 00001000 08:01 1234 /opt/game/bin/game\n"
    "55d0a0005000-55d0a0006000 r--p 00005000 08:01 1234 /opt/game/bin/game\n"
    "55d0a0006000-55d0a0007000 ---p 00006000 08:01 1234 /opt/game/bin/game\n"
    "55d0a0007000-55d0a0008000 rw-p 00007000 08:01 1234 /opt/game/bin/game (deleted)\n"
    "55d0a0008000-55d0a0009000 rw-p 00000000 00:00 0 \n"
    "7f0000000000-7f0000002000 r--p 00000000 08:01 99 /opt/game/lib/libother.so\n"
    "7f0000002000-7f0000003000 r--p 00000000 08:01 98 /opt/game/bin/game copy\n"
    "garbage line\n"
    "7f0000004000-7f0000003000 r--p 00000000 08:01 1234 /opt/game/bin/game\n";

TEST(ImageRegions, ReadableMappingsOfTheImageMergeIntoRuns) {
  std::vector<Platform::MappedRegion> all = Platform::ParseMemoryMaps(kMaps);
  ASSERT_EQ(all.size(), 8u) << "the garbage line and the reversed range are skipped";
  EXPECT_EQ(all[1].protection, PAGE_EXECUTE_READ);
  EXPECT_EQ(all[3].protection, PAGE_NOACCESS);
  EXPECT_EQ(all[4].protection, PAGE_READWRITE);
  EXPECT_EQ(all[5].file, "");
  EXPECT_EQ(all[7].file, "/opt/game/bin/game copy") << "paths keep their blanks";

  // The unreadable guard page splits the image; the " (deleted)" mapping
  // still counts as the image; other files and anonymous memory do not.
  std::vector<Platform::MemoryRun> runs = Platform::ImageRunsFromMaps(kMaps, "/opt/game/bin/game");
  ASSERT_EQ(runs.size(), 2u);
  EXPECT_EQ(runs[0], (Platform::MemoryRun{0x55d0a0000000, 0x55d0a0006000}));
  EXPECT_EQ(runs[1], (Platform::MemoryRun{0x55d0a0007000, 0x55d0a0008000}));
  EXPECT_TRUE(Platform::ImageRunsFromMaps(kMaps, "").empty());
}

int ImageFunctionMarker() { return 17; }

TEST(ImageRegions, TheRunningProgramsRunsHoldItsCodeAndData) {
  static const char kConstant[] = "image constant";
  std::vector<Platform::MemoryRun> runs = Platform::ImageRegions();
  ASSERT_FALSE(runs.empty());
  auto inside = [&](const void* p) {
    const auto address = reinterpret_cast<std::uintptr_t>(p);
    for (const Platform::MemoryRun& run : runs)
      if (run.begin <= address && address < run.end) return true;
    return false;
  };
  EXPECT_TRUE(inside(kConstant));
  EXPECT_TRUE(inside(reinterpret_cast<const void*>(&ImageFunctionMarker)));
  int onStack = 0;
  EXPECT_FALSE(inside(&onStack));
}

TEST(PageProtection, ChangesThePagesAndReportsThePrevious) {
  const long page = ::sysconf(_SC_PAGESIZE);
  void* block = ::mmap(nullptr, static_cast<size_t>(page) * 2, PROT_READ, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  ASSERT_NE(block, MAP_FAILED);
  unsigned char* bytes = static_cast<unsigned char*>(block);

  // Five bytes across the page boundary: both pages become writable.
  DWORD previous = 0;
  ASSERT_TRUE(VirtualProtect(bytes + page - 2, 5, PAGE_READWRITE, &previous));
  EXPECT_EQ(previous, PAGE_READONLY);
  bytes[page - 2] = 1;
  bytes[page + 2] = 2;
  DWORD during = 0;
  ASSERT_TRUE(VirtualProtect(bytes + page - 2, 5, previous, &during));
  EXPECT_EQ(during, PAGE_READWRITE);
  DWORD after = 0;
  ASSERT_TRUE(VirtualProtect(bytes + page + 2, 1, PAGE_READONLY, &after));
  EXPECT_EQ(after, PAGE_READONLY) << "the restore reached the second page";
  EXPECT_EQ(bytes[page + 2], 2);

  EXPECT_FALSE(VirtualProtect(bytes, 1, 0x1234, &previous)) << "unknown protection";
  ::munmap(block, static_cast<size_t>(page) * 2);
  EXPECT_FALSE(VirtualProtect(bytes, 1, PAGE_READWRITE, &previous)) << "unmapped";
  EXPECT_FALSE(VirtualProtect(nullptr, 1, PAGE_READWRITE, &previous));
}

}  // namespace
