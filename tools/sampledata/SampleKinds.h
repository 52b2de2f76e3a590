// The sample scene "mnKinds": a grey camera backdrop and one object of each
// drawing kind at a fixed place (rectangle, sprites of 4 x 1 and 3 x 2
// cells, mover, masked texture, hidden-object item, button, toggle, wrapped
// text, speech bubble, swing), with the flat-coloured pictures they name and
// the texts they show. Every object is a child of the camera record, so the
// camera is the parent whose focus the controls take.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "resources/ImageLib.h"
#include "tools/sampledata/SceneDbWriter.h"

namespace Kivo {

// The flat colours the scene is drawn with, 0xRRGGBB, for the tests that
// probe a saved frame.
namespace kinds_colour {
constexpr uint32_t kBackdrop = 0x808080;
constexpr uint32_t kRect = 0xC03020;
constexpr uint32_t kStrip[4] = {0x20A040, 0x2040C0, 0xC0C020, 0xA020A0};
constexpr uint32_t kMoverLeft = 0xE08020;
constexpr uint32_t kMoverRight = 0x20C0C0;
constexpr uint32_t kTexture = 0x6040E0;
constexpr uint32_t kMesh = 0x40E080;
constexpr uint32_t kButton[3] = {0x304080, 0x4070D0, 0x203050};
constexpr uint32_t kToggle[2] = {0x802020, 0x20A020};
constexpr uint32_t kBubbleCorner = 0x302010;
constexpr uint32_t kBubbleEdge = 0x604020;
constexpr uint32_t kBubbleBack = 0xF0E0C0;
constexpr uint32_t kBubbleArrow = 0xD06010;
constexpr uint32_t kText = 0x1830A0;
}  // namespace kinds_colour

DtmRecord KindsScene();

struct KindsPicture {
  DtmImage entry;
  ImageLib::Image image;
};
std::vector<KindsPicture> KindsPictures();

// The text-table rows the scene shows.
std::vector<std::pair<std::string, std::wstring>> KindsTexts();

}  // namespace Kivo
