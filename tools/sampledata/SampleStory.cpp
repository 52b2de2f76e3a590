#include "tools/sampledata/SampleStory.h"

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

StoryPicture Entry(const std::string& key, ImageLib::Image image) {
  return {{key, "data/images/story/" + key + ".png", false, 1, 1}, std::move(image)};
}

std::vector<StoryPicture> StoryPictures() {
  std::vector<StoryPicture> pictures;
  pictures.push_back(Entry("tut_back", Flat(320, 140, 0xF0E8D0)));
  pictures.push_back(Entry("tut_arrow", Flat(60, 20, 0xE04020)));
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

DtmRecord Text(const std::string& name, const std::string& key, float x, float y, float w, float h) {
  DtmRecord record = Placed(name, kText, x, y, w, h);
  record.Property("_keyText", key)
      .Property("_sFont", "FONT_TEXT")
      .Property("_colObj", ColourValue(0x202020))
      .Property("_iAlign", "0")
      .Property("_iLineSpacing", "-1");
  return record;
}

DtmRecord Bubble(const std::string& name, float x, float y) {
  DtmRecord record = Placed(name, kBubble, x, y, 220, 80);
  const std::pair<const char*, const char*> pieces[] = {
      {"_keyImgLU", "kinds_bubble_lu"},   {"_keyImgRU", "kinds_bubble_ru"},  {"_keyImgRD", "kinds_bubble_rd"},
      {"_keyImgLD", "kinds_bubble_ld"},   {"_keyImgHR", "kinds_bubble_hr"},  {"_keyImgVR", "kinds_bubble_vr"},
      {"_keyImgFon", "kinds_bubble_fon"}, {"_keyImgArr", "kinds_bubble_arr"}};
  for (const auto& [key, image] : pieces) record.Property(key, image);
  record.Property("_sFont", "FONT_TEXT")
      .Property("_iAniKey_appear", "10")
      .Property("_iAniRate_appear", "25")
      .Property("_sAniKey_appear_1", "c(255)")
      .Property("_sAniKey_appear_10", "c(255)")
      .Property("_iAniKey_hide", "10")
      .Property("_iAniRate_hide", "25")
      .Property("_sAniKey_hide_1", "c(255)")
      .Property("_sAniKey_hide_10", "c(0)");
  return record;
}

DtmRecord DialogsScene() {
  DtmRecord root = Placed("root", kPlain, 0, 0, 800, 600);
  const float slotX[3] = {160, 560, 360};
  for (int i = 0; i < 3; ++i) {
    const std::string n = std::to_string(i + 1);
    root.Child(Sprite("pers" + n, "hero_body", slotX[i], 300, 120, 240))
        .Child(Sprite("pers" + n + "_head", "hero_head_normal", slotX[i] + 30, 240, 60, 70))
        .Child(Bubble("b_pers" + n, slotX[i] - 40, 120));
  }
  root.Child(Button("btnNextMenu", "_kindsPlay", 630, 550));
  return root;
}

DtmRecord TutorScene() {
  DtmRecord root = Placed("root", kPlain, 0, 0, 800, 600);
  root.Child(Sprite("sprBack", "tut_back", 240, 230, 320, 140))
      .Child(Text("txtTutor", "tut_find_items", 260, 245, 280, 80))
      .Child(Button("ok", "_kindsPlay", 325, 325));
  for (const char* arrow : {"tutArrow", "tutArrow1", "tutArrow2"}) {
    root.Child(Sprite(arrow, "tut_arrow", 0, 0, 60, 20));
  }
  // The skip button stays left of the level's HUD panel (x 680 on), whose
  // own skip button it would otherwise cover.
  root.Child(Button("btnNextMenu", "_kindsPlay", 510, 550));
  return root;
}

DtmRecord MapScene() {
  DtmRecord root = Placed("root", kPlain, 0, 0, 800, 600);
  DtmRecord bar = Placed("StageBar", kCarousel, 40, 20, 720, 110);
  bar.Property("_iNumPict", "5").Property("_sType", "HOR").Property("_fWidthPic", "120").Property("_fHeightPic", "80");
  root.Child(bar);
  DtmRecord slider = Placed("StageProgress", kSlider, 40, 140, 720, 16);
  slider.Property("_keyImg", "ctl_slider_fill")
      .Property("_keyImgBack", "ctl_slider_back")
      .Property("_keyImgCenter", "ctl_slider_handle");
  root.Child(slider);
  for (int i = 1; i <= 4; ++i) {
    const std::string n = std::to_string(i);
    DtmRecord toggle = Placed("btnLevel" + n, kToggle, 60.0f + 90.0f * (i - 1), 200, 40, 40);
    toggle.Property("_keyImg", "kinds_toggle");
    root.Child(toggle).Child(Text("txtLevel" + n, "map_level_" + n, 60.0f + 90.0f * (i - 1), 245, 80, 24));
  }
  DtmRecord story = Text("StoryText", "level_story_1_1", 420, 200, 340, 200);
  root.Child(story)
      .Child(Text("FactText", "level_fact_1_1", 420, 420, 340, 60))
      .Child(Text("TitleText", "stage_title_1", 60, 290, 300, 30))
      .Child(Sprite("Picture", "stage_picture_1", 60, 330, 240, 160))
      .Child(Button("btnLeft", "map_left", 40, 500))
      .Child(Button("btnRight", "map_right", 200, 500))
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
      {"map_level_1", L"1"}, {"map_level_2", L"2"}, {"map_level_3", L"3"}, {"map_level_4", L"4"},
      {"map_left", L"<"},    {"map_right", L">"},   {"map_menu", L"Menu"}, {"map_play", L"Play"}};
  for (auto& text : MapTexts()) texts.push_back(std::move(text));
  return texts;
}

}  // namespace Kivo
