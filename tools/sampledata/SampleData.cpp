#include "tools/sampledata/SampleData.h"

#include "tools/sampledata/SampleFrontEnd.h"
#include "tools/sampledata/SampleHud.h"
#include "tools/sampledata/SampleKinds.h"
#include "tools/sampledata/SampleStory.h"
#include "tools/sampledata/levels/FindListLevels.h"

#include <cstdio>
#include <filesystem>

#include "tools/sampledata/ClickSound.h"
#include "tools/sampledata/SampleMenuScenes.h"

namespace Kivo {

namespace {

struct TextRow {
  const char* key;
  const wchar_t* text;
};

// Shown texts: the window caption, a two-line message, a Cyrillic line, a
// text holding a TAB, one beyond U+FFFF, and the tutorial's messages.
const TextRow kTexts[] = {
    {"_caption", L"Kivo Game"},
    {"_msgTwoLines", L"Well done!\nThe next level is open."},
    {"_textCyrillic", L"\u041F\u0440\u0438\u0432\u0435\u0442, \u043C\u0438\u0440!"},
    {"_textTab", L"Name\tScore"},
    {"_textClef", L"Music \U0001D11E on"},
    {"tut_find_items", L"Find the items of the list.\nClick an item when you see it."},
    {"tut_hint", L"Stuck? The hint button shows one item."},
    {"tut_skipped", L"This line is jumped over."},
    {"txt_dusk_left", L"%d"},
};

// Conversation lines, named by the speech lines of the sample conversation.
const TextRow kDialogs[] = {
    {"dlg_1_1_1", L"Where did everything go?"},
    {"dlg_1_1_2", L"Look closely. Nothing is ever really lost."},
    {"dlg_1_1_3", L"Then let us start searching!"},
};

struct SettingRow {
  const char* section;  // a new section starts when this is not null
  const char* key;
  const char* value;
};

const SettingRow kSettings[] = {
    {"main", "code_page", "1251"},   {"music_levels", "1_1", "theme_garden"}, {nullptr, "1_2", "theme_garden"},
    {nullptr, "1_3", "theme_attic"}, {nullptr, "1_4", "theme_attic"},
};

bool AddTexts(TextTableWriter& writer, const TextRow* rows, std::size_t count, std::string* error) {
  for (std::size_t i = 0; i < count; ++i) {
    if (!writer.Add(rows[i].key, rows[i].text, error)) return false;
  }
  return true;
}

bool AddSettings(SettingsWriter& writer, std::string* error) {
  for (const SettingRow& row : kSettings) {
    if (row.section != nullptr && !writer.Section(row.section, error)) return false;
    if (!writer.Set(row.key, row.value, error)) return false;
  }
  return true;
}

using A = ScriptArg;

// Every story command: two characters dressed into the first free slots
// (the sage facing left), placed and animated, three speech lines of
// "name_mood=dialog key" and a timed pause between two of them.
bool AddDialogScript(ScriptWriter& s, std::string* error) {
  return s.Command("personage",
                   {A::Text(""), A::Text("hero"), A::Float(0), A::Float(-10), A::Text("normal"), A::Int(0)}, error) &&
         s.Command("personage",
                   {A::Text(""), A::Text("sage"), A::Float(0), A::Float(-10), A::Text("normal"), A::Int(1)}, error) &&
         s.Command("center", {A::Text("hero"), A::Float(220), A::Float(400)}, error) &&
         s.Command("center", {A::Text("sage"), A::Float(580), A::Float(400)}, error) &&
         s.Command("init_by_ani", {A::Text("hero"), A::Text("hero_enter")}, error) &&
         s.Assign("hero_sad", "dlg_1_1_1", error) &&
         s.Command("play_ani", {A::Text("sage"), A::Text("sage_talk")}, error) &&
         s.Assign("sage_normal", "dlg_1_1_2", error) && s.Command("wait_time", {A::Float(0.5f)}, error) &&
         s.Assign("hero_happy", "dlg_1_1_3", error);
}

// Every tutorial command, a label and a goto that jumps forward to it.
bool AddTutorialScript(ScriptWriter& s, std::string* error) {
  return s.Command("show", {A::Text("tut_find_items"), A::Float(400), A::Float(300)}, error) &&
         s.Command("arrow_show", {A::Float(212.5f), A::Float(64), A::Int(2)}, error) &&
         s.Command("rect_strict", {A::Text("hud_list")}, error) && s.Command("wait_event_click_left", {}, error) &&
         s.Command("show", {A::Text("tut_hint"), A::Float(400), A::Float(300)}, error) &&
         s.Command("wait_event_btn_pressed", {A::Text("ok")}, error) &&
         s.Command("wait_event_ani_end", {A::Text("hint_glow"), A::Text("finded")}, error) &&
         s.Command("wait_event", {A::Text("item_found"), A::Text("finish")}, error) &&
         s.Command("rect_strict_vert",
                   {A::Float(10), A::Float(20), A::Float(300), A::Float(20), A::Float(300), A::Float(140.25f),
                    A::Float(10), A::Float(140.25f)},
                   error) &&
         s.Command("wait_event_click_right", {}, error) && s.Command("goto", {A::Text("finish")}, error) &&
         s.Command("show", {A::Text("tut_skipped"), A::Float(0), A::Float(0)}, error) && s.Label("finish", error) &&
         s.Command("wait_event_time", {A::Float(2.5f)}, error) && s.Command("block_quant", {}, error);
}

bool AddKindsTexts(TextTableWriter& writer, std::string* error) {
  for (const auto& [key, text] : KindsTexts()) {
    if (!writer.Add(key, text, error)) return false;
  }
  for (const auto& [key, text] : StoryTexts()) {
    if (!writer.Add(key, text, error)) return false;
  }
  for (const auto& [key, text] : FrontEndTexts()) {
    if (!writer.Add(key, text, error)) return false;
  }
  for (const auto& [key, text] : HudTexts()) {
    if (!writer.Add(key, text, error)) return false;
  }
  for (const auto& [key, text] : FindListItemTexts()) {
    if (!writer.Add(key, text, error)) return false;
  }
  return true;
}

}  // namespace

bool BuildSampleData(SampleData& data, std::string* error) {
  return AddTexts(data.texts, kTexts, sizeof kTexts / sizeof kTexts[0], error) && AddKindsTexts(data.texts, error) &&
         AddSampleMenuTexts(data.texts, error) &&
         AddTexts(data.dialogs, kDialogs, sizeof kDialogs / sizeof kDialogs[0], error) &&
         AddSettings(data.settings, error) && AddDialogScript(data.dialogScript, error) &&
         AddTutorialScript(data.tutorialScript, error);
}

std::vector<SampleFile> SampleFiles(const SampleData& data) {
  return {
      {"data/data.txt", data.texts.Bytes()},
      {"data/dialog.txt", data.dialogs.Bytes()},
      {"settings.ini", data.settings.Bytes()},
      {"data/dialogs/dlg_1_1.dtxt", data.dialogScript.Bytes()},
      {"data/tutorial/tut_1_1.txt", data.tutorialScript.Bytes()},
      {kClickSoundPath, MakeClickWav()},
  };
}

bool WriteSampleData(const std::string& folder, std::string* error) {
  SampleData data;
  if (!BuildSampleData(data, error)) return false;
  for (const SampleFile& file : SampleFiles(data)) {
    if (!WriteSampleFile(std::filesystem::path(folder) / file.path, file.bytes, error)) return false;
  }
  return true;
}

}  // namespace Kivo
