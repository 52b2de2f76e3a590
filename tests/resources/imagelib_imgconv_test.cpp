// The imgconv tool: an image with its alpha image in, a merged PNG out.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <sys/wait.h>
#include <unistd.h>

#include "tests/resources/imagelib_fixtures.h"

using namespace imagelib_test;
using namespace Kivo::ImageLib;

namespace {

#ifdef IMGCONV_PATH
int RunImgconv(const std::string& args) {
  int status = std::system((std::string(IMGCONV_PATH) + " " + args + " >/dev/null 2>&1").c_str());
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST(ImageLibImgconv, MergesAlphaAndWritesPng) {
  char pattern[] = "/tmp/imagelib_imgconv_XXXXXX";
  ASSERT_TRUE(mkdtemp(pattern));
  std::string dir = pattern;
  auto write = [](const std::string& path, const Bytes& b) {
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(b.data()), std::streamsize(b.size()));
  };
  write(dir + "/ball.tga", TgaBytes(2, 1, 32, 0x28, {0xFF102030u, 0xFF405060u}));
  write(dir + "/_ball.tga", TgaBytes(2, 1, 32, 0x28, {0xFF000011u, 0xFF0000EEu}));

  EXPECT_EQ(RunImgconv("'" + dir + "/ball' '" + dir + "/out.png'"), 0);
  ImagePtr out = ReadPngImage(dir + "/out.png");
  ASSERT_TRUE(out);
  EXPECT_EQ(out->pixels, (std::vector<uint32_t>{0x11102030u, 0xEE405060u}));

  EXPECT_EQ(RunImgconv("'" + dir + "/none' '" + dir + "/x.png'"), 1);
  EXPECT_EQ(RunImgconv("'" + dir + "/ball' '" + dir + "/missing/x.png'"), 2);
  EXPECT_EQ(RunImgconv(""), 64);
  std::system(("rm -rf '" + dir + "'").c_str());
}
#endif

}  // namespace
