// The debugger-output sink: the log when configured, else stderr; a capture
// for tests.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <iterator>

#include "platform/DebugOutput.h"
#include "tests/support/temp_folder.h"

namespace {

std::string ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

TEST(DebugOutput, BytesGoToTheLogUnchangedElseToStderr) {
  TempFolder folder;
  ::setenv("GAME_LOG", (folder / "game.log").c_str(), 1);
  OutputDebugStringA("\n");
  OutputDebugStringA("first\r\n");
  OutputDebugStringA("no line end");
  OutputDebugStringA(nullptr);
  ::unsetenv("GAME_LOG");
  EXPECT_EQ(ReadAll(folder / "game.log"), "\nfirst\r\nno line end");

  ::testing::internal::CaptureStderr();
  OutputDebugStringA("to stderr\n");
  EXPECT_EQ(::testing::internal::GetCapturedStderr(), "to stderr\n");
}

TEST(DebugOutput, ACaptureTakesEverythingUntilRemoved) {
  std::string captured;
  Platform::CaptureDebugOutput([&](const std::string& text) { captured += text; });
  ::testing::internal::CaptureStderr();
  OutputDebugStringA("a\n");
  OutputDebugStringA("b");
  Platform::CaptureDebugOutput(nullptr);
  OutputDebugStringA("c");
  EXPECT_EQ(::testing::internal::GetCapturedStderr(), "c");
  EXPECT_EQ(captured, "a\nb");
}

}  // namespace
