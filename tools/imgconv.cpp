// imgconv: loads an image the way the game does (any supported format, name
// with or without an extension, alpha image lookup, archives through the file
// API; a main.pak in the working folder is mounted as the game mounts it) and
// writes it as a PNG, so a person can look at the result.
//
// Usage: imgconv IN OUT.png
// Exit codes: 0 written, 1 nothing could be loaded, 2 the PNG could not be
// written, 64 wrong usage.
#include <cstdio>
#include <string>
#include <vector>

#include "platform/Files.h"
#include "resources/FileApi.h"
#include "resources/ImageLib.h"

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: imgconv IN OUT.png\n");
    return 64;
  }
  if (Platform::PathExists("main.pak")) {
    Kivo::PakInterface* pak = Kivo::GetSharedPakInterface();
    if (!pak) pak = new Kivo::PakInterface;  // publishes itself; lives until exit
    if (!pak->MountArchive("main.pak")) std::fprintf(stderr, "imgconv: main.pak is no archive; ignored\n");
  }
  Kivo::ImageLib::LoadJ2kCodec();
  Kivo::ImageLib::ImagePtr image = Kivo::ImageLib::LoadImageFile(argv[1], true);
  if (!image) {
    // Say which readers were tried, so a format we lack is told apart from
    // a damaged file.
    auto join = [](const std::vector<std::string>& extensions) {
      std::string text;
      for (const std::string& extension : extensions) text += (text.empty() ? "" : " ") + extension;
      return text;
    };
    const std::vector<std::string> tried = Kivo::ImageLib::ExtensionsTriedFor(argv[1]);
    if (tried.empty())
      std::fprintf(stderr,
                   "imgconv: cannot load an image from \"%s\": no reader takes its extension (formats read: %s)\n",
                   argv[1], join(Kivo::ImageLib::ExtensionsTriedFor("")).c_str());
    else
      std::fprintf(stderr, "imgconv: cannot load an image from \"%s\" (formats tried: %s)\n", argv[1],
                   join(tried).c_str());
    return 1;
  }
  if (!Kivo::ImageLib::WritePngImage(argv[2], *image)) {
    std::fprintf(stderr, "imgconv: cannot write \"%s\"\n", argv[2]);
    return 2;
  }
  std::printf("%s: %dx%d -> %s\n", argv[1], image->width, image->height, argv[2]);
  Kivo::ImageLib::FreeJ2kCodec();
  return 0;
}
