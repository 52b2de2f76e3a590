#include "tools/sampledata/SampleControls.h"

#include <filesystem>

#include "tools/sampledata/DataWriters.h"
#include "tools/sampledata/SampleDrawing.h"
#include "tools/sampledata/SampleMap.h"

namespace Kivo {

namespace {

using namespace controls_colour;
using namespace sample;

ControlsPicture Entry(const std::string& key, int columns, ImageLib::Image image) {
  return {{key, "data/images/controls/" + key + ".png", false, columns, 1}, std::move(image)};
}

}  // namespace

std::vector<ControlsPicture> ControlsPictures() {
  std::vector<ControlsPicture> pictures;
  pictures.push_back(Entry("ctl_slider_back", 1, Flat(300, 24, kSliderBack)));
  pictures.push_back(Entry("ctl_slider_fill", 1, Flat(300, 24, kSliderFill)));
  pictures.push_back(Entry("ctl_slider_handle", 1, Flat(16, 32, kSliderHandle)));
  // Column 1 behind the hot row, column 2 behind the selected row.
  pictures.push_back(Entry("ctl_list_selector", 2, Picture(500, 25, [](int x, int) {
                             return Opaque(x < 250 ? kSelectorHot : kSelectorSelected);
                           })));
  for (int i = 0; i < 5; ++i) {
    pictures.push_back(Entry("stage_" + std::to_string(i + 1), 1, StageThumbnail(i + 1)));
  }
  pictures.push_back(Entry("stage_dis", 1, LockedStageThumbnail()));
  return pictures;
}

DtmRecord ControlsScene() {
  DtmRecord root = Placed("cRoot", 1, 0, 0, 800, 600);
  // Nothing else clears the screen between frames.
  DtmRecord backdrop = Placed("cBackdrop", 18, 0, 0, 800, 600);
  backdrop.Property("_colObj", ColourValue(kBackdrop)).Property("_sModeDraw", "NORMAL");

  DtmRecord volume = Placed("cVolume", 6, 100, 60, 300, 24);
  volume.Property("_keyImg", "ctl_slider_fill")
      .Property("_keyImgBack", "ctl_slider_back")
      .Property("_keyImgCenter", "ctl_slider_handle")
      .Property("_fSpeed", "0.05")
      .Property("_colObj", ColourValue(0xFFFFFF))
      .Property("_iAlph", "255");

  // No "_fSpeed": it glides at the default speed.
  DtmRecord progress = Placed("cProgress", 6, 100, 120, 300, 24);
  progress.Property("_keyImg", "ctl_slider_fill")
      .Property("_keyImgBack", "ctl_slider_back")
      .Property("_keyImgCenter", "ctl_slider_handle")
      .Property("_colObj", ColourValue(0xFFFFFF))
      .Property("_iAlph", "255");

  DtmRecord name = Placed("cName", 8, 100, 180, 300, 30);
  name.Property("_intNumChar", "12")
      .Property("_sFont", "FONT_TEXT")
      .Property("_colObj", ColourValue(0xF0F0A0))
      .Property("_iAlph", "255");

  DtmRecord players = Placed("cPlayers", 10, 450, 60, 250, 100);
  players.Property("_colObjNorm", ColourValue(0xC0C0C0))
      .Property("_colObjSel", ColourValue(0xFFFF80))
      .Property("_colObjPress", ColourValue(0xFFFFFF))
      .Property("_keyImgSelector", "ctl_list_selector")
      .Property("_sFont", "FONT_TEXT")
      .Property("_iAlph", "255");

  DtmRecord stages = Placed("cStages", 12, 100, 300, 600, 160);
  stages.Property("_iNumPict", "3")
      .Property("_sType", "HOR")
      .Property("_fWidthPic", "160")
      .Property("_fHeightPic", "120")
      .Property("_colObj", ColourValue(0xFFFFFF))
      .Property("_iAlph", "255")
      .Property("_iValign", "1")
      .Property("_fScaleX", "2")
      .Property("_fScaleY", "2");

  root.Child(backdrop).Child(volume).Child(progress).Child(name).Child(players).Child(stages);
  return root;
}

bool AddControlsScene(SceneDatabaseWriter& writer, std::string* error) {
  if (!writer.AddScene("mnControls", ControlsScene(), error)) return false;
  for (const ControlsPicture& picture : ControlsPictures()) {
    if (!writer.AddImage(picture.entry, error)) return false;
  }
  return true;
}

bool WriteControlsPictures(const std::string& folder, std::string* error) {
  for (const ControlsPicture& picture : ControlsPictures()) {
    if (!WriteSamplePicture(std::filesystem::path(folder) / picture.entry.path, picture.image, error)) return false;
  }
  return true;
}

}  // namespace Kivo
