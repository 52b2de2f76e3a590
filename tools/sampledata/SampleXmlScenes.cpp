#include "tools/sampledata/SampleXmlScenes.h"

#include "tools/sampledata/DataWriters.h"
#include "tools/sampledata/levels/SceneKindLevels.h"

#include <cmath>
#include <cstdio>
#include <filesystem>

namespace Kivo {

namespace {

const char kEngineDemo[] =
    "<body>\r\n"
    "  <object id=\"demoGroup\" slave=\"0\">\r\n"
    "    <animation id=\"drift\" ftl=\"0.1\" loop=\"1\">\r\n"
    "      <key frame=\"0\" position=\"0;0\" acc=\"0.5\"/>\r\n"
    "      <key frame=\"20\" position=\"40;10\" acc=\"1\"/>\r\n"
    "      <key frame=\"40\" position=\"0;0\"/>\r\n"
    "    </animation>\r\n"
    "    <childs>\r\n"
    "      <object type=\"dummy\" id=\"title\">\r\n"
    "        <animation id=\"bob\" frame_time_length=\"0.05\" loop=\"1\">\r\n"
    "          <key frame=\"0\" position=\"400;80\" center=\"0;0\" scale=\"1;1\"/>\r\n"
    "          <key frame=\"10\" position=\"400;100\" scale=\"1.2;1.2\" acc=\"0\"/>\r\n"
    "          <key frame=\"20\" position=\"400;80\" scale=\"1;1\"/>\r\n"
    "        </animation>\r\n"
    "      </object>\r\n"
    "      <object type=\"dummy\" id=\"blinker\">\r\n"
    "        <animations>\r\n"
    "          <animation id=\"hop\" ftl=\"0.1\" loop=\"0\">\r\n"
    "            <key frame=\"0\" position=\"72;512\" interp=\"0\"/>\r\n"
    "            <key frame=\"5\" position=\"172;512\" interp=\"1\"/>\r\n"
    "            <key frame=\"15\" position=\"172;412\" angle=\"0.5\"/>\r\n"
    "          </animation>\r\n"
    "        </animations>\r\n"
    "      </object>\r\n"
    "      <object type=\"dummy\" id=\"wavy\" slave=\"1\">\r\n"
    "        <animation id=\"spin\" ftl=\"0.02\" loop=\"1\">\r\n"
    "          <key frame=\"0\" position=\"388;308\" angle=\"0\"/>\r\n"
    "          <key frame=\"50\" position=\"388;308\" angle=\"6.2831855\"/>\r\n"
    "        </animation>\r\n"
    "        <childs>\r\n"
    "          <object type=\"marker\" id=\"wavyShadow\">\r\n"
    "            <animation id=\"rest\" ftl=\"0.1\">\r\n"
    "              <key frame=\"0\" position=\"4;4\"/>\r\n"
    "              <key frame=\"1\" position=\"4;4\"/>\r\n"
    "            </animation>\r\n"
    "          </object>\r\n"
    "        </childs>\r\n"
    "      </object>\r\n"
    "    </childs>\r\n"
    "  </object>\r\n"
    "</body>\r\n";

uint32_t Argb(uint32_t a, uint32_t r, uint32_t g, uint32_t b) { return (a << 24) | (r << 16) | (g << 8) | b; }

}  // namespace

std::vector<SampleXmlScene> SampleXmlScenes() {
  std::vector<SampleXmlScene> scenes = {{"data/scenes/engine_demo.xml", kEngineDemo}};
  for (SampleXmlScene& scene : SceneKindXmlScenes()) scenes.push_back(std::move(scene));
  return scenes;
}

SamplePictureEntry StripPictureEntry() { return {"strip_message", "data/images/strip_message.png", 1, 1}; }

// A framed banner with vertical bands, so waving and rolling strips show.
ImageLib::Image StripPicture() {
  ImageLib::Image image(680, 130);
  for (int y = 0; y < image.height; ++y) {
    for (int x = 0; x < image.width; ++x) {
      const bool frame = x < 4 || x >= image.width - 4 || y < 4 || y >= image.height - 4;
      const uint32_t band = static_cast<uint32_t>((x / 17) % 2);
      const uint32_t shade = static_cast<uint32_t>(90 + (y * 100) / image.height);
      image.pixels[static_cast<size_t>(y) * image.width + x] =
          frame ? Argb(255, 240, 210, 90) : Argb(235, shade - 40 * band, 60 + 30 * band, 150);
    }
  }
  return image;
}

bool WriteSampleXmlScenes(const std::string& folder, std::string* error) {
  for (const SampleXmlScene& scene : SampleXmlScenes()) {
    if (!WriteSampleFile(std::filesystem::path(folder) / scene.path, scene.text, error)) return false;
  }
  return WriteSamplePicture(std::filesystem::path(folder) / StripPictureEntry().path, StripPicture(), error);
}

}  // namespace Kivo
