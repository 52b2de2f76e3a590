#include "tools/sampledata/SampleMenuScenes.h"

#include <cstdio>
#include <filesystem>
#include <initializer_list>
#include <utility>

namespace Kivo {

const char kSampleMenuDocument[] = "data/about.html";

namespace {

// Object kinds by type code.
constexpr uint32_t kSprite = 3;
constexpr uint32_t kButton = 4;
constexpr uint32_t kText = 5;
constexpr uint32_t kSlider = 6;
constexpr uint32_t kEdit = 8;
constexpr uint32_t kList = 10;
constexpr uint32_t kToggle = 11;

// Code page 1251 names.
const char kWindowed[] = "\xCE\xEA\xEE\xED\xD0\xE5\xE6\xE8\xEC";
const char kCursors[] = "\xF1\xE2\xEE\xE8\xCA\xF3\xF0\xF1\xEE\xF0\xFB";
const char kReplay[] = "\xEA\xED\xCF\xE5\xF0\xE5\xE8\xE3\xF0";
const char kMap[] = "\xEA\xED\xCA\xE0\xF0\xF2\xE0";
const char kSettings[] = "\xEA\xED\xCD\xE0\xF1\xF2\xF0";
const char kLeave[] = "\xEA\xED\xC2\xFB\xF5\xEE\xE4";

DtmRecord Object(const std::string& name, uint32_t type, float left, float top, float width, float height) {
  DtmRecord record;
  record.name = name;
  record.type = type;
  record.SetRect(left, top, width, height);
  return record;
}

// A button with the demo button picture and a caption from data.txt.
DtmRecord Button(const std::string& name, const std::string& caption, float left, float top, float width = 160) {
  DtmRecord button = Object(name, kButton, left, top, width, 40);
  button.Property("_keyImg", "demo_button").Property("_keyText", caption).Property("_sFont", "FONT_GENERAL");
  return button;
}

DtmRecord Text(const std::string& name, const std::string& key, float left, float top, float width) {
  DtmRecord text = Object(name, kText, left, top, width, 40);
  text.Property("_keyText", key).Property("_sFont", "FONT_GENERAL").Property("_iAlign", "0");
  return text;
}

// A dialog's panel in the middle of the window.
DtmRecord Panel(const std::string& name) {
  DtmRecord panel = Object(name, kSprite, 200, 150, 400, 300);
  panel.Property("_keyImg", "dlg_panel");
  return panel;
}

// A panel with a message line and buttons in a row at its foot.
DtmRecord Question(const std::string& name, const std::string& messageKey,
                   std::initializer_list<std::pair<const char*, const char*>> buttons) {
  DtmRecord panel = Panel(name);
  panel.Child(Text("txtMessage", messageKey, 220, 180, 360));
  float left = buttons.size() == 1 ? 320 : 220;
  for (const auto& [button, caption] : buttons) {
    panel.Child(Button(button, caption, left, 380));
    left += 200;
  }
  return panel;
}

// Each choice says what it means: a clock on every level, or none.
DtmRecord Difficulty() {
  DtmRecord panel = Panel("difficultyRoot");
  panel.Child(Text("txtMessage", "dlg_difficulty", 220, 180, 360));
  panel.Child(Button("btnHard", "dlg_hard", 210, 380, 185));
  panel.Child(Button("btnEasy", "dlg_easy", 405, 380, 185));
  return panel;
}

DtmRecord MainMenu() {
  DtmRecord root = Object("menuRoot", kSprite, 0, 0, 800, 600);
  root.Property("_keyImg", "demo_back").Property("music_play", "menu");
  root.Child(Text("welcome", "menu_welcome", 40, 30, 400));
  root.Child(Button("btnWelcome", "menu_players", 40, 80, 200));
  root.Child(Button("btnStart", "menu_start", 320, 200));
  root.Child(Button("btnOptions", "menu_options", 320, 260));
  root.Child(Button("btnCredits", "menu_credits", 320, 320));
  root.Child(Button("btnExit", "menu_exit", 320, 380));
  DtmRecord link = Button("btnURL", "menu_link", 600, 540);
  link.Property("_sFileName", kSampleMenuDocument);
  root.Child(link);
  return root;
}

DtmRecord Players() {
  DtmRecord panel = Panel("playerRoot");
  DtmRecord list = Object("listPlayers", kList, 220, 170, 180, 200);
  list.Property("_sFont", "FONT_GENERAL");
  panel.Child(list);
  // The column right of the list ends inside the panel: what sticks out
  // would show past the smaller dialogs opened over this one.
  panel.Child(Button("btnUp", "dlg_up", 420, 170));
  panel.Child(Button("btnDown", "dlg_down", 420, 330));
  panel.Child(Button("btnCreate", "dlg_create", 220, 390));
  panel.Child(Button("btnDelete", "dlg_delete", 420, 390));
  panel.Child(Button("btnOk", "dlg_ok", 420, 250));
  return panel;
}

DtmRecord Name() {
  DtmRecord panel = Panel("nameRoot");
  panel.Child(Text("txtMessage", "dlg_name_ask", 220, 180, 360));
  DtmRecord field = Object("imgField", kSprite, 220, 250, 360, 40);
  field.Property("_keyImg", "dlg_field");
  panel.Child(field);
  DtmRecord edit = Object("editBox", kEdit, 220, 250, 360, 40);
  edit.Property("_sFont", "FONT_GENERAL").Property("_intNumChar", "19");
  panel.Child(edit);
  panel.Child(Button("btnYes", "dlg_ok", 320, 380));
  return panel;
}

DtmRecord Options() {
  DtmRecord panel = Panel("optionsRoot");
  // Each slider's label ends just left of it, so the two read as a pair.
  panel.Child(Text("txtSound", "opt_sound", 220, 170, 155).Property("_iAlign", "1"));
  panel.Child(Text("txtMusic", "opt_music", 220, 220, 155).Property("_iAlign", "1"));
  for (const auto& [name, top] : {std::pair<const char*, float>{"progSound", 173}, {"progMusic", 223}}) {
    DtmRecord slider = Object(name, kSlider, 390, top, 180, 24);
    slider.Property("_keyImg", "ctl_slider_fill")
        .Property("_keyImgBack", "ctl_slider_back")
        .Property("_keyImgCenter", "ctl_slider_handle");
    panel.Child(slider);
  }
  DtmRecord windowed = Object(kWindowed, kToggle, 220, 270, 40, 40);
  windowed.Property("_keyImg", "opt_toggle");
  panel.Child(windowed);
  // Each box's label starts beside it, where the eye looks for what it sets.
  panel.Child(Text("txtWindowed", "opt_fullscreen", 270, 278, 300).Property("_iAlign", "2"));
  DtmRecord cursors = Object(kCursors, kToggle, 220, 320, 40, 40);
  cursors.Property("_keyImg", "opt_toggle");
  panel.Child(cursors);
  panel.Child(Text("txtCursors", "opt_cursors", 270, 328, 300).Property("_iAlign", "2"));
  panel.Child(Button("btnClose", "dlg_ok", 320, 390));
  return panel;
}

DtmRecord NoteBook() {
  DtmRecord panel = Panel("noteRoot");
  panel.Child(Text("txtTitle", "note_title", 220, 170, 360));
  panel.Child(Text("txtPurpose", "note_empty", 220, 220, 360));
  panel.Child(Button("btnOk", "dlg_ok", 320, 380));
  return panel;
}

// The in-level menu; resume closes it and play goes on. The defeat menu has
// no resume: the lost level cannot go on, and closing the menu only shows
// the defeat again.
DtmRecord LevelMenu(const std::string& root, const std::string& titleKey, bool resume) {
  DtmRecord panel = Panel(root);
  panel.Child(Text("txtTitle", titleKey, 220, 160, 360));
  panel.Child(Button(kReplay, "menu_replay", 220, 210));
  panel.Child(Button(kMap, "menu_map", 420, 210));
  panel.Child(Button(kSettings, "menu_options", 220, 270));
  panel.Child(Button(kLeave, "menu_leave", 420, 270));
  if (resume) panel.Child(Button("btnResume", "menu_resume", 320, 380));
  return panel;
}

// The question names whom it is about and says what "Yes" costs: the
// player chosen in the list goes, with all of their progress.
DtmRecord DeleteQuestion() {
  DtmRecord panel = Question("deleteRoot", "dlg_delete_ask", {{"btnYes", "dlg_yes"}, {"btnNo", "dlg_no"}});
  panel.Child(Text("txtWarning", "dlg_delete_warn", 220, 230, 360));
  return panel;
}

}  // namespace

bool AddSampleMenuScenes(SceneDatabaseWriter& writer, std::string* error) {
  const std::pair<const char*, DtmRecord> scenes[] = {
      {"mnMainMenu", MainMenu()},
      {"dlgExit", Question("exitRoot", "dlg_exit_ask", {{"btnYes", "dlg_yes"}, {"btnNo", "dlg_no"}})},
      {"dlgCredits", Question("creditsRoot", "dlg_credits", {{"btnOk", "dlg_ok"}})},
      {"dlgDifficulty", Difficulty()},
      {"dlgPlayer", Players()},
      {"dlgName", Name()},
      {"dlgDublicate", Question("dublicateRoot", "dlg_name_taken", {{"btnOk", "dlg_ok"}})},
      {"dlgDelete", DeleteQuestion()},
      {"dlgOptions", Options()},
      {"dlgNoteBook", NoteBook()},
      {"dlgGameMenu", LevelMenu("gameMenuRoot", "menu_pause", true)},
      {"dlgDefeatMenu", LevelMenu("defeatRoot", "menu_defeat", false)},
      {"dlgGameExit", Question("gameExitRoot", "dlg_leave_ask", {{"btnYes", "dlg_yes"}, {"btnNo", "dlg_no"}})},
  };
  for (const auto& [name, root] : scenes) {
    if (!writer.AddScene(name, root, error)) return false;
  }
  return true;
}

bool AddSampleMenuTexts(TextTableWriter& writer, std::string* error) {
  const std::pair<const char*, const wchar_t*> texts[] = {
      {"menu_welcome", L"Welcome,"},
      {"menu_players", L"Change player"},
      {"menu_start", L"Play"},
      {"menu_options", L"Options"},
      {"menu_credits", L"Credits"},
      {"menu_exit", L"Exit"},
      {"menu_link", L"About"},
      {"menu_replay", L"Replay"},
      {"menu_map", L"Map"},
      {"menu_leave", L"Main menu"},
      {"menu_resume", L"Resume"},
      {"menu_pause", L"Paused"},
      {"menu_defeat", L"Time is up!"},
      {"dlg_yes", L"Yes"},
      {"dlg_no", L"No"},
      {"dlg_ok", L"OK"},
      {"dlg_up", L"Up"},
      {"dlg_down", L"Down"},
      {"dlg_create", L"New"},
      {"dlg_delete", L"Delete"},
      {"dlg_hard", L"Race the clock"},
      {"dlg_easy", L"No clock"},
      {"dlg_exit_ask", L"Do you really want to quit?"},
      {"dlg_credits", L"Made with the Kivo framework.\nSample data only."},
      {"dlg_difficulty", L"Play each level against a clock, or take your time?"},
      {"dlg_name_ask", L"Please enter your name:"},
      {"dlg_name_taken", L"This name is taken already."},
      {"dlg_delete_ask", L"Delete the chosen player?"},
      {"dlg_delete_warn", L"All their progress will be lost."},
      {"dlg_leave_ask", L"Leave the level? Its progress is lost."},
      {"opt_sound", L"Sound"},
      {"opt_music", L"Music"},
      {"opt_fullscreen", L"Full screen"},
      {"opt_cursors", L"Own cursors"},
      {"note_title", L"Your task"},
      {"note_empty", L""},
  };
  for (const auto& [key, text] : texts) {
    if (!writer.Add(key, text, error)) return false;
  }
  return true;
}

bool WriteSampleMenuFiles(const std::string& folder, std::string* error) {
  const std::filesystem::path path = std::filesystem::path(folder) / kSampleMenuDocument;
  std::error_code ec;
  std::filesystem::create_directories(path.parent_path(), ec);
  static const char kDocument[] =
      "<!DOCTYPE html>\n<html><head><meta charset=\"utf-8\"><title>About</title></head>\n"
      "<body><p>Sample game data of the Kivo framework.</p></body></html>\n";
  std::FILE* out = std::fopen(path.string().c_str(), "wb");
  bool ok = out != nullptr && std::fwrite(kDocument, 1, sizeof kDocument - 1, out) == sizeof kDocument - 1;
  if (out != nullptr && std::fclose(out) != 0) ok = false;
  if (!ok && error != nullptr) *error = "cannot write " + path.string();
  return ok;
}

}  // namespace Kivo
