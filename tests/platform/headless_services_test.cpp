// Message boxes, clipboard, URL opening, cursors and presenting, headless.
#include <gtest/gtest.h>
#include <png.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "platform/FrameDump.h"
#include "tests/platform/headless_fixture.h"
#include "tests/support/temp_folder.h"

namespace {

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

class HeadlessServices : public HeadlessFixture {
 protected:
  void SetUp() override {
    HeadlessFixture::SetUp();
    ::setenv("GAME_LOG", (folder / "game.log").c_str(), 1);
  }
  void TearDown() override { ::unsetenv("GAME_LOG"); }
  TempFolder folder;
};

TEST_F(HeadlessServices, MessageBoxesAnswerFromTheScriptAndAreLogged) {
  Run("0 msgbox 7");
  EXPECT_EQ(MessageBoxA(window, "Keep 3D?", "Question", MB_YESNO | MB_ICONQUESTION), IDNO);
  EXPECT_EQ(MessageBoxW(window, L"Done \u00e9", L"Info", MB_OK), IDOK) << "unanswered: the first button";
  EXPECT_EQ(MessageBoxA(nullptr, "Again?", "Q", MB_YESNO), IDYES);
  // Unanswered boxes that can be cancelled are: a retry loop ends.
  int retries = 0;
  while (MessageBoxA(nullptr, "Connection lost", "Retry?", MB_RETRYCANCEL) == IDRETRY && retries < 5) ++retries;
  EXPECT_EQ(retries, 0);
  EXPECT_EQ(MessageBoxA(nullptr, "Go on?", "Q", MB_OKCANCEL), IDCANCEL);
  EXPECT_EQ(MessageBoxA(nullptr, "Disk error", "Q", MB_ABORTRETRYIGNORE), IDABORT);
  EXPECT_EQ(MessageBoxA(nullptr, "Save?", "Q", MB_YESNOCANCEL), IDCANCEL);
  std::string log = ReadFile(folder / "game.log");
  EXPECT_NE(log.find("MessageBox thread=main type=0x24 title=\"Question\" text=\"Keep 3D?\" -> 7"), std::string::npos)
      << log;
  EXPECT_NE(log.find("text=\"Done \xC3\xA9\" -> 1 (unanswered)"), std::string::npos) << log;
  EXPECT_NE(log.find("title=\"Retry?\" text=\"Connection lost\" -> 2 (unanswered)"), std::string::npos) << log;

  // A box from another thread says so.
  std::thread([] { MessageBoxA(nullptr, "from a worker", "T", MB_OK); }).join();
  EXPECT_EQ(ReadFile(folder / "game.log").find("thread=main type=0x0 title=\"T\""), std::string::npos);
}

TEST_F(HeadlessServices, ClipboardWidensBytes) {
  ASSERT_TRUE(Platform::SetClipboardNarrowText("caf\xE9"));
  EXPECT_EQ(Platform::ClipboardText(), "caf\xC3\xA9");
}

TEST_F(HeadlessServices, UrlResultsAreScriptedAndNothingLaunches) {
  Run("0 url 0\n0 url 33");
  auto result = [](const char* url) {
    return reinterpret_cast<std::intptr_t>(ShellExecuteA(nullptr, "open", url, nullptr, nullptr, 1));
  };
  EXPECT_LE(result("http://example.invalid/a"), 32) << "0 fails";
  EXPECT_GT(result("http://example.invalid/b"), 32) << "33 succeeds";
  EXPECT_NE(ReadFile(folder / "game.log").find("OpenURL \"http://example.invalid/a\" -> 0"), std::string::npos);
}

TEST_F(HeadlessServices, MonochromeCursorPlanesConvert) {
  // Row 0 holds the four pixel kinds: black, white, transparent, inverted.
  std::uint8_t andPlane[128] = {}, xorPlane[128] = {};
  andPlane[0] = 0x30;  // pixels 2 and 3
  xorPlane[0] = 0x50;  // pixels 1 and 3
  HCURSOR hand = CreateCursor(nullptr, 11, 4, 32, 32, andPlane, xorPlane);
  ASSERT_NE(hand, nullptr);
  Platform::CursorShape shape;
  ASSERT_TRUE(Platform::DescribeCursor(hand, &shape));
  EXPECT_EQ(shape.image.hotX, 11);
  EXPECT_EQ(shape.image.hotY, 4);
  auto bit = [](const std::vector<std::uint8_t>& plane, int x) { return (plane[0] >> (7 - x)) & 1; };
  const int mask[4] = {1, 1, 0, 0}, data[4] = {1, 0, 0, 1};
  for (int x = 0; x < 4; ++x) {
    EXPECT_EQ(bit(shape.image.mask, x), mask[x]) << "pixel " << x;
    EXPECT_EQ(bit(shape.image.data, x), data[x]) << "pixel " << x;
  }
  EXPECT_EQ(CreateCursor(nullptr, 40, 4, 32, 32, andPlane, xorPlane), nullptr) << "hot spot outside";

  HCURSOR arrow = LoadCursorA(nullptr, IDC_ARROW);
  ASSERT_NE(arrow, nullptr);
  EXPECT_EQ(LoadCursorA(nullptr, IDC_ARROW), arrow);
  EXPECT_EQ(LoadCursorA(nullptr, MAKEINTRESOURCEA(1)), nullptr);
  SetCursor(hand);
  EXPECT_EQ(GetCursor(), hand);
  EXPECT_TRUE(Platform::HeadlessCursorVisible());
  EXPECT_EQ(SetCursor(nullptr), hand);
  EXPECT_FALSE(Platform::HeadlessCursorVisible());
  EXPECT_TRUE(DestroyCursor(hand));
  EXPECT_FALSE(DestroyCursor(arrow)) << "system cursors are shared";
}

TEST_F(HeadlessServices, PresentedFrameSavesAsPngPixelForPixel) {
  // Rows 4 pixels apart: the pitch is honoured.
  const std::uint32_t pixels[8] = {0xFF102030, 0x80FF0000, 0x0000FF00, 0xDEADBEEF,
                                   0xFF0000FF, 0x01020304, 0xFFFFFFFF, 0x12345678};
  ASSERT_TRUE(Platform::PresentFrame(window, pixels, 3, 2, 4));
  std::string path = folder / "frame.png";
  ASSERT_TRUE(Platform::SaveLastFrameAsPng(path));

  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  ASSERT_TRUE(png_image_begin_read_from_file(&image, path.c_str()));
  image.format = PNG_FORMAT_BGRA;  // little-endian 0xAARRGGBB words
  std::vector<std::uint32_t> back(6);
  ASSERT_TRUE(png_image_finish_read(&image, nullptr, back.data(), 0, nullptr));
  EXPECT_EQ(image.width, 3u);
  EXPECT_EQ(image.height, 2u);
  const std::uint32_t expected[6] = {0xFF102030, 0x80FF0000, 0x0000FF00, 0xFF0000FF, 0x01020304, 0xFFFFFFFF};
  for (int i = 0; i < 6; ++i) EXPECT_EQ(back[static_cast<size_t>(i)], expected[i]) << "pixel " << i;

  EXPECT_FALSE(Platform::PresentFrame(window, pixels, 3, 2, 2)) << "a pitch below the width is refused";
  EXPECT_FALSE(Platform::SaveLastFrameAsPng(folder / "missing/x.png"));
}

// Reads a saved frame back as 0xAARRGGBB words, or nothing.
std::vector<std::uint32_t> ReadPng(const std::string& path) {
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  if (!png_image_begin_read_from_file(&image, path.c_str())) return {};
  image.format = PNG_FORMAT_BGRA;
  std::vector<std::uint32_t> pixels(static_cast<size_t>(image.width) * image.height);
  if (!png_image_finish_read(&image, nullptr, pixels.data(), 0, nullptr)) return {};
  return pixels;
}

TEST_F(HeadlessServices, NamedRequestsSaveTheNextPresentedFramesInTheirOrder) {
  const std::uint32_t first[2] = {0xFF112233, 0xFF445566};
  const std::uint32_t second[2] = {0xFFAABBCC, 0xFF000000};
  const std::string dumps = folder / "dumps";
  // Without the variable a request is dropped, not kept for later.
  ::unsetenv("GAME_FRAME_DUMP");
  Platform::RequestFrameDump("early");
  EXPECT_FALSE(Platform::FrameDumpPending());
  ::setenv("GAME_FRAME_DUMP", dumps.c_str(), 1);
  ASSERT_TRUE(Platform::PresentFrame(window, first, 2, 1, 2));
  Platform::RequestFrameDump("splash");
  Platform::RequestFrameDump("../menu shown");
  ASSERT_TRUE(Platform::PresentFrame(window, first, 2, 1, 2));
  EXPECT_TRUE(Platform::FrameDumpPending()) << "the second request still waits";
  ASSERT_TRUE(Platform::PresentFrame(window, second, 2, 1, 2));
  EXPECT_FALSE(Platform::FrameDumpPending());
  ASSERT_TRUE(Platform::PresentFrame(window, first, 2, 1, 2));
  ::unsetenv("GAME_FRAME_DUMP");

  EXPECT_FALSE(std::ifstream(dumps + "/early.png").good());
  EXPECT_EQ(ReadPng(dumps + "/splash.png"), std::vector<std::uint32_t>(first, first + 2));
  // Characters that would leave the folder or need quoting become '_'.
  EXPECT_EQ(ReadPng(dumps + "/___menu_shown.png"), std::vector<std::uint32_t>(second, second + 2));
  EXPECT_EQ(Platform::TakeFrameDumpRequest(), "") << "each request takes one frame";
  const std::string log = ReadFile(folder / "game.log");
  EXPECT_NE(log.find("frame dump: splash saved"), std::string::npos);
  EXPECT_NE(log.find("frame dump: ___menu_shown saved"), std::string::npos);
}

TEST_F(HeadlessServices, AFrameDumpFilterDropsTheRequestsItRefuses) {
  const std::uint32_t pixel[1] = {0xFF102030};
  const std::string dumps = folder / "filtered";
  ::setenv("GAME_FRAME_DUMP", dumps.c_str(), 1);
  std::vector<std::string> asked;
  Platform::SetFrameDumpFilter([&](const std::string& name) {
    asked.push_back(name);
    return name != "skipped";
  });
  Platform::RequestFrameDump("skipped");
  EXPECT_FALSE(Platform::FrameDumpPending()) << "a refused request waits for no frame";
  Platform::RequestFrameDump("kept one");
  ASSERT_TRUE(Platform::PresentFrame(window, pixel, 1, 1, 1));
  Platform::SetFrameDumpFilter(nullptr);
  Platform::RequestFrameDump("skipped");
  ASSERT_TRUE(Platform::PresentFrame(window, pixel, 1, 1, 1));
  ::unsetenv("GAME_FRAME_DUMP");

  EXPECT_EQ(asked, (std::vector<std::string>{"skipped", "kept_one"})) << "the filter sees the safe names";
  EXPECT_TRUE(std::ifstream(dumps + "/kept_one.png").good());
  EXPECT_TRUE(std::ifstream(dumps + "/skipped.png").good()) << "without the filter every request is kept again";
}

}  // namespace
