#include "tools/sampledata/SampleStory.h"

#include <cmath>
#include <filesystem>

#include "resources/ImageLib.h"
#include "tools/sampledata/DataWriters.h"
#include "tools/sampledata/SampleConversations.h"
#include "tools/sampledata/SampleDrawing.h"
#include "tools/sampledata/SampleMap.h"

namespace Kivo {

namespace {

using namespace sample;

constexpr int kSprite = 3;
constexpr int kButton = 4;
constexpr int kText = 5;
constexpr int kSlider = 6;
constexpr int kToggle = 11;
constexpr int kCarousel = 12;
constexpr int kBubble = 16;
constexpr int kPlain = 1;

struct StoryPicture {
  DtmImage entry;
  ImageLib::Image image;
};

StoryPicture Entry(const std::string& key, ImageLib::Image image, int columns = 1) {
  return {{key, "data/images/story/" + key + ".png", false, columns, 1}, std::move(image)};
}

// The map's level toggle, a medallion the level's number is written on:
// parchment when off, gold with a light ring when on, both dark rimmed so
// they stand out from the map's dark ground and carry dark figures.
constexpr int kMedallion = 48;
// Where the number's text box starts below the medallion's top, so that its
// figure sits in the middle.
constexpr float kLevelNumberTop = 6;
ImageLib::Image LevelMedallion() {
  return Picture(2 * kMedallion, kMedallion, [](int x, int y) -> uint32_t {
    const bool on = x >= kMedallion;
    const double dx = (x % kMedallion) - (kMedallion - 1) / 2.0;
    const double dy = y - (kMedallion - 1) / 2.0;
    const double r = std::sqrt(dx * dx + dy * dy);
    if (r > 23.5) return 0;
    if (r > 20.5) return Opaque(on ? 0xFFF4C0 : 0x4A3018);
    if (r > 18.5) return Opaque(on ? 0x6A4010 : 0x6A5038);
    // Lit from the top left: a little lighter there.
    const int shade = static_cast<int>((dx + dy) * 0.6);
    const uint32_t base = on ? 0xF0C848 : 0xE8DCC0;
    uint32_t pixel = 0;
    for (int shift = 0; shift <= 16; shift += 8) {
      const int channel = static_cast<int>((base >> shift) & 0xFF) - shade;
      pixel |= static_cast<uint32_t>(channel < 0 ? 0 : channel > 255 ? 255 : channel) << shift;
    }
    return Opaque(pixel);
  });
}

// An arrow pointing right: a shaft and a head, orange with a dark rim, so
// it reads on light and dark ground alike.
ImageLib::Image ArrowPicture() {
  return Picture(60, 20, [](int x, int y) -> uint32_t {
    const int dy = y < 10 ? 9 - y : y - 10;  // 0 on the middle rows
    const bool head = x >= 38 && dy <= (59 - x) * 9 / 21;
    const bool shaft = x < 40 && dy <= 3;
    if (!head && !shaft) return 0;
    const bool headRim = x >= 38 && (dy + 2 > (59 - x) * 9 / 21 || x == 38);
    const bool shaftRim = x < 40 && (dy == 3 || x < 2) && !(x >= 38 && dy <= 3);
    return Opaque(headRim || shaftRim ? 0x401008 : 0xF07020);
  });
}

// The map's ground: a deep blue, lighter towards the foot.
ImageLib::Image MapBackdrop() {
  return Picture(800, 600, [](int x, int y) {
    const uint32_t r = static_cast<uint32_t>(0x14 + y * 0x10 / 600);
    const uint32_t g = static_cast<uint32_t>(0x1C + y * 0x18 / 600 + x * 0x08 / 800);
    const uint32_t b = static_cast<uint32_t>(0x30 + y * 0x28 / 600);
    return Opaque(r << 16 | g << 8 | b);
  });
}

std::vector<StoryPicture> StoryPictures() {
  std::vector<StoryPicture> pictures;
  pictures.push_back(Entry("tut_back", Flat(320, 140, 0xF0E8D0)));
  pictures.push_back(Entry("tut_arrow", ArrowPicture()));
  pictures.push_back(Entry("map_back", MapBackdrop()));
  pictures.push_back(Entry("map_level", LevelMedallion(), 2));
  // The speech bubble's pieces: a cream fill under dark text, a brown rim.
  constexpr uint32_t kBubbleFill = 0xFFF6E0;
  constexpr uint32_t kBubbleRim = 0x6A5038;
  // Four rounded corners, each its quarter of a ring about the text box's
  // corner (the piece's inner corner).
  const std::pair<const char*, std::pair<int, int>> corners[] = {{"story_bubble_lu", {12, 12}},
                                                                 {"story_bubble_ru", {0, 12}},
                                                                 {"story_bubble_rd", {0, 0}},
                                                                 {"story_bubble_ld", {12, 0}}};
  for (const auto& [key, inner] : corners) {
    const int cx = inner.first, cy = inner.second;
    pictures.push_back(Entry(key, Picture(12, 12, [cx, cy](int x, int y) -> uint32_t {
                               const double dx = x + 0.5 - cx, dy = y + 0.5 - cy;
                               const double r = std::sqrt(dx * dx + dy * dy);
                               if (r > 12.0) return 0;
                               return Opaque(r > 10.0 ? kBubbleRim : kBubbleFill);
                             })));
  }
  // The edges' rim is on their outer side: the bottom and right edges are
  // the top and left ones mirrored.
  pictures.push_back(
      Entry("story_bubble_hr", Picture(4, 12, [](int, int y) { return Opaque(y < 2 ? kBubbleRim : kBubbleFill); })));
  pictures.push_back(
      Entry("story_bubble_vr", Picture(12, 4, [](int x, int) { return Opaque(x < 2 ? kBubbleRim : kBubbleFill); })));
  pictures.push_back(Entry("story_bubble_fill", Flat(4, 4, kBubbleFill)));
  // The tail, pointing down to the speaker, rimmed along its sides; its
  // top lies under the foot's rim.
  pictures.push_back(Entry("story_bubble_arrow", Picture(24, 16, [](int x, int y) -> uint32_t {
                             const int half = 12 - y * 12 / 16;
                             if (x < 12 - half || x >= 12 + half) return 0;
                             return Opaque(x < 14 - half || x >= 10 + half ? kBubbleRim : kBubbleFill);
                           })));
  return pictures;
}

DtmRecord Sprite(const std::string& name, const std::string& image, float x, float y, float w, float h) {
  DtmRecord record = Placed(name, kSprite, x, y, w, h);
  record.Property("_keyImg", image).Property("_sModeDraw", "NORMAL");
  return record;
}

DtmRecord Button(const std::string& name, const std::string& textKey, float x, float y) {
  DtmRecord record = Placed(name, kButton, x, y, 150, 40);
  record.Property("_keyImg", "kinds_button").Property("_keyText", textKey).Property("_sFont", "FONT_GENERAL");
  return record;
}

// Dark text for light ground.
constexpr uint32_t kInk = 0x202020;
// Light text for the map's dark ground.
constexpr uint32_t kChalk = 0xF4ECD0;

DtmRecord Text(const std::string& name, const std::string& key, float x, float y, float w, float h,
               uint32_t colour = kInk, const std::string& font = "FONT_TEXT") {
  DtmRecord record = Placed(name, kText, x, y, w, h);
  record.Property("_keyText", key)
      .Property("_sFont", font)
      .Property("_colObj", ColourValue(colour))
      .Property("_iAlign", "0")
      .Property("_iLineSpacing", "-1");
  return record;
}

DtmRecord Bubble(const std::string& name, float x, float y) {
  DtmRecord record = Placed(name, kBubble, x, y, 260, 60);
  const std::pair<const char*, const char*> pieces[] = {
      {"_keyImgLU", "story_bubble_lu"},    {"_keyImgRU", "story_bubble_ru"},    {"_keyImgRD", "story_bubble_rd"},
      {"_keyImgLD", "story_bubble_ld"},    {"_keyImgHR", "story_bubble_hr"},    {"_keyImgVR", "story_bubble_vr"},
      {"_keyImgFon", "story_bubble_fill"}, {"_keyImgArr", "story_bubble_arrow"}};
  for (const auto& [key, image] : pieces) record.Property(key, image);
  // The tail hangs from the bubble's foot over the speaker's head, which the
  // conversations centre 180 right of the bubble's left edge (92 left of the
  // outer bottom-right corner), and follows the foot as the bubble grows.
  record.Property("_iDeltaFrom", "2").Property("_fXPointArr", "-92").Property("_fYPointArr", "6");
  // The pieces bring their own colours; the object's colour, which its
  // animations' keys set too, is the text's.
  const std::string ink = "32,32,32";
  static_assert(kInk == 0x202020, "the keys' ink");
  record.Property("_sFont", "FONT_TEXT")
      .Property("_colObj", ColourValue(kInk))
      .Property("_iAniKey_appear", "10")
      .Property("_iAniRate_appear", "25")
      .Property("_sAniKey_appear_1", "c(255," + ink + ")")
      .Property("_sAniKey_appear_10", "c(255," + ink + ")")
      .Property("_iAniKey_hide", "10")
      .Property("_iAniRate_hide", "25")
      .Property("_sAniKey_hide_1", "c(255," + ink + ")")
      .Property("_sAniKey_hide_10", "c(0," + ink + ")");
  return record;
}

// The one skip button of the conversation and of the tutorial, left of the
// level's HUD panel (x 680 on) and its own skip button. Both screens put it
// on the same place, so the conversation's covers the waiting tutorial's.
constexpr float kSkipX = 510;
constexpr float kSkipY = 550;

DtmRecord DialogsScene() {
  DtmRecord root = Placed("root", kPlain, 0, 0, 800, 600);
  const float slotX[3] = {160, 560, 360};
  // Bubbles above the heads, each wholly left of the HUD panel.
  const float bubbleX[3] = {40, 400, 220};
  for (int i = 0; i < 3; ++i) {
    const std::string n = std::to_string(i + 1);
    // No picture of their own: a slot shows only once "personage" dresses it.
    DtmRecord body = Placed("pers" + n, kSprite, slotX[i], 300, 120, 240);
    DtmRecord head = Placed("pers" + n + "_head", kSprite, slotX[i] + 30, 240, 60, 70);
    body.Property("_sModeDraw", "NORMAL");
    head.Property("_sModeDraw", "NORMAL");
    root.Child(body).Child(head).Child(Bubble("b_pers" + n, bubbleX[i], 120));
  }
  root.Child(Button("btnNextMenu", "story_skip", kSkipX, kSkipY));
  return root;
}

DtmRecord TutorScene() {
  DtmRecord root = Placed("root", kPlain, 0, 0, 800, 600);
  root.Child(Sprite("sprBack", "tut_back", 240, 230, 320, 140))
      .Child(Text("txtTutor", "tut_find_items", 260, 245, 280, 80))
      .Child(Button("ok", "tut_ok", 325, 325));
  for (const char* arrow : {"tutArrow", "tutArrow1", "tutArrow2"}) {
    root.Child(Sprite(arrow, "tut_arrow", 0, 0, 60, 20));
  }
  root.Child(Button("btnNextMenu", "tut_skip", kSkipX, kSkipY));
  return root;
}

// The stage's picture on the left, under where the rain after a won level
// falls (it starts at the top near x 117); everything to be read stands
// right of it or below it.
DtmRecord MapScene() {
  DtmRecord root = Placed("root", kPlain, 0, 0, 800, 600);
  root.Child(Sprite("mapBack", "map_back", 0, 0, 800, 600));
  root.Child(Sprite("Picture", "stage_picture_1", 60, 60, 240, 160));
  root.Child(Text("TitleText", "stage_title_1", 380, 30, 380, 30, kChalk));
  for (int i = 1; i <= 4; ++i) {
    const std::string n = std::to_string(i);
    const float x = 416.0f + 90.0f * static_cast<float>(i - 1);
    DtmRecord toggle = Placed("btnLevel" + n, kToggle, x, 71, kMedallion, kMedallion);
    toggle.Property("_keyImg", "map_level");
    // The number on the medallion: the text's box starts where its line
    // centres on it.
    root.Child(toggle).Child(
        Text("txtLevel" + n, "map_level_" + n, x, 71 + kLevelNumberTop, kMedallion, 32, kInk, "FONT_STAGE"));
  }
  root.Child(Text("StoryText", "level_story_1_1", 380, 160, 380, 160, kChalk))
      .Child(Text("FactText", "level_fact_1_1", 380, 330, 380, 60, kChalk));
  DtmRecord slider = Placed("StageProgress", kSlider, 40, 400, 720, 16);
  slider.Property("_keyImg", "ctl_slider_fill")
      .Property("_keyImgBack", "ctl_slider_back")
      .Property("_keyImgCenter", "ctl_slider_handle");
  root.Child(slider);
  // The strip spans the window, five slots of 160: the pictures beyond
  // its ends stand wholly off the screen rather than cut at its edge.
  DtmRecord bar = Placed("StageBar", kCarousel, 0, 425, 800, 110);
  bar.Property("_iNumPict", "5").Property("_sType", "HOR").Property("_fWidthPic", "120").Property("_fHeightPic", "80");
  root.Child(bar)
      .Child(Button("btnLeft", "map_left", 40, 550))
      .Child(Button("btnRight", "map_right", 200, 550))
      .Child(Button("btnMenu", "map_menu", 420, 550))
      .Child(Button("btnGame", "map_play", 610, 550));
  return root;
}

}  // namespace

bool AddStoryScenes(SceneDatabaseWriter& writer, std::string* error) {
  if (!writer.AddScene("mnDialogs", DialogsScene(), error) || !writer.AddScene("mnTutor", TutorScene(), error) ||
      !writer.AddScene("mnMapMenu", MapScene(), error)) {
    return false;
  }
  for (const StoryPicture& picture : StoryPictures()) {
    if (!writer.AddImage(picture.entry, error)) return false;
  }
  return AddConversationPictures(writer, error) && AddMapPictures(writer, error);
}

std::size_t StoryPictureCount() {
  return StoryPictures().size() + ConversationPictures().size() + MapPictures().size();
}

bool WriteStoryPictures(const std::string& folder, std::string* error) {
  for (const StoryPicture& picture : StoryPictures()) {
    if (!WriteSamplePicture(std::filesystem::path(folder) / picture.entry.path, picture.image, error)) return false;
  }
  return WriteConversationPictures(folder, error) && WriteMapPictures(folder, error);
}

std::vector<std::pair<std::string, std::wstring>> StoryTexts() {
  std::vector<std::pair<std::string, std::wstring>> texts = {
      {"map_level_1", L"1"},        {"map_level_2", L"2"},       {"map_level_3", L"3"}, {"map_level_4", L"4"},
      {"map_left", L"<"},           {"map_right", L">"},         {"map_menu", L"Menu"}, {"map_play", L"Play"},
      {"story_skip", L"Skip talk"}, {"tut_skip", L"Skip hints"}, {"tut_ok", L"OK"}};
  for (auto& text : MapTexts()) texts.push_back(std::move(text));
  return texts;
}

}  // namespace Kivo
