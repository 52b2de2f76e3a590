// The leak report in its file and the debugger output, and DebugPrintf.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <memory>
#include <thread>

#include "diagnostics/LeakReport.h"
#include "platform/DebugOutput.h"
#include "tests/support/temp_folder.h"

namespace {

std::string ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

bool Exists(const std::string& path) { return std::ifstream(path).good(); }

class LeakReport : public ::testing::Test {
 protected:
  void SetUp() override {
    Platform::CaptureDebugOutput([this](const std::string& text) { debugger += text; });
  }
  void TearDown() override { Platform::CaptureDebugOutput(nullptr); }

  // The report with its header line (which holds the time) checked and cut.
  static std::string AfterHeader(const std::string& report) {
    const std::string prefix = "Memory Leak Report for ";
    EXPECT_EQ(report.compare(0, prefix.size(), prefix), 0) << report;
    const size_t lineEnd = report.find('\n');
    EXPECT_NE(lineEnd, std::string::npos);
    return lineEnd == std::string::npos ? "" : report.substr(lineEnd + 1);
  }

  TempFolder folder;
  std::string debugger;
  const std::string hyphens = std::string(59, '-') + "\n";
};

TEST_F(LeakReport, EntriesWithTheirSizesAndTheTotal) {
  Kivo::LeakTracker tracker;
  tracker.SetReportPath(folder / "mem_leaks.txt");
  tracker.Track(0x2000, 1534, "b.cpp", 20);
  tracker.Track(0x1000, 1, "a.cpp", 10);
  tracker.Track(0x3000, 99, "gone.cpp", 30);
  tracker.Untrack(0x3000);
  tracker.WriteReport();

  const std::string report = ReadAll(folder / "mem_leaks.txt");
  EXPECT_EQ(AfterHeader(report), "\na.cpp(10) : Leak 1 byte\nb.cpp(20) : Leak 1534 bytes\n" + hyphens +
                                     "Total Unfreed: 1535 bytes (1KB)\n\n")
      << "asctime's own line feed leaves an empty line after the header";
  EXPECT_EQ(debugger, "\n" + report);
}

TEST_F(LeakReport, EmptyTableAndTheWriteReportFlag) {
  {
    Kivo::LeakTracker quiet;
    quiet.SetReportPath(folder / "quiet.txt");
    quiet.Track(0x10, 2, "x.cpp", 1);
  }
  EXPECT_FALSE(Exists(folder / "quiet.txt")) << "no report unless asked for";
  EXPECT_EQ(debugger, "");
  {
    Kivo::LeakTracker asked;
    asked.SetReportPath(folder / "asked.txt");
    asked.SetWriteReport(true);
  }
  EXPECT_EQ(AfterHeader(ReadAll(folder / "asked.txt")), "\n" + hyphens + "Total Unfreed: 0 bytes (0KB)\n\n");
}

TEST_F(LeakReport, AnUnopenableFileWritesNothingAndFreesTheLock) {
  Kivo::LeakTracker tracker;
  tracker.SetReportPath(folder / "missing-folder/mem_leaks.txt");
  tracker.Track(0x10, 2, "x.cpp", 1);
  tracker.WriteReport();
  EXPECT_EQ(debugger, "");
  bool lockFree = false;
  std::thread([&] {
    lockFree = tracker.Lock().TryEnter();
    if (lockFree) tracker.Lock().Leave();
  }).join();
  EXPECT_TRUE(lockFree);
}

TEST_F(LeakReport, DebugPrintfSendsNarrowBytes) {
  Kivo::DebugPrintf(L"%d:%s", 42, L"caf\u00e9\n");
  EXPECT_EQ(debugger, "42:caf\xe9\n");
}

}  // namespace
