// The imgconv tool: an image with its alpha image in, a merged PNG out.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sys/wait.h>
#include <unistd.h>

#include "tests/resources/imagelib_fixtures.h"

using namespace imagelib_test;
using namespace Kivo::ImageLib;

namespace {

#ifdef IMGCONV_PATH
// Runs the tool; its stderr goes to `said` when given.
int RunImgconv(const std::string& args, std::string* said = nullptr) {
  std::string command = std::string(IMGCONV_PATH) + " " + args + " 2>&1 >/dev/null";
  FILE* pipe = ::popen(command.c_str(), "r");
  if (pipe == nullptr) return -1;
  char chunk[256];
  std::string text;
  for (size_t n; (n = std::fread(chunk, 1, sizeof chunk, pipe)) > 0;) text.append(chunk, n);
  int status = ::pclose(pipe);
  if (said != nullptr) *said = text;
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
  // A file no reader accepts: the message names the formats tried.
  write(dir + "/junk.png", Bytes{'n', 'o', 't', ' ', 'p', 'n', 'g'});
  write(dir + "/junk.bmp", Bytes{'B', 'M'});
  const struct {
    const char* name;
    const char* says;
  } refusals[] = {
      {"/junk.png", "(formats tried: .png)"},
      {"/junk", "(formats tried: .tga .jpg .png .gif .j2k .jp2)"},
      {"/junk.bmp", "no reader takes its extension (formats read: .tga .jpg .png .gif .j2k .jp2)"},
  };
  for (const auto& refusal : refusals) {
    std::string said;
    EXPECT_EQ(RunImgconv("'" + dir + refusal.name + "' '" + dir + "/x.png'", &said), 1);
    EXPECT_NE(said.find(refusal.says), std::string::npos) << said;
  }
  EXPECT_EQ(RunImgconv("'" + dir + "/ball' '" + dir + "/missing/x.png'"), 2);
  EXPECT_EQ(RunImgconv(""), 64);
  std::system(("rm -rf '" + dir + "'").c_str());
}
#endif

}  // namespace
