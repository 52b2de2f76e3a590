#include "tools/sampledata/SampleData.h"

#include "tools/sampledata/SampleFrontEnd.h"
#include "tools/sampledata/SampleHud.h"
#include "tools/sampledata/SampleKinds.h"
#include "tools/sampledata/SampleStory.h"
#include "tools/sampledata/levels/FindListLevels.h"

#include <cstdio>
#include <filesystem>

#include "tools/sampledata/ClickSound.h"
#include "tools/sampledata/SampleConversations.h"
#include "tools/sampledata/SampleMap.h"
#include "tools/sampledata/SampleMenuScenes.h"
#include "tools/sampledata/SampleTutorials.h"

namespace Kivo {

const char kReferenceTutorialPath[] = "data/tutorial/every_command.txt";

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

struct SettingRow {
  const char* section;  // a new section starts when this is not null
  const char* key;
  const char* value;
};

const SettingRow kSettings[] = {
    {"main", "code_page", "1251"},
};

bool AddTexts(TextTableWriter& writer, const TextRow* rows, std::size_t count, std::string* error) {
  for (std::size_t i = 0; i < count; ++i) {
    if (!writer.Add(rows[i].key, rows[i].text, error)) return false;
  }
  return true;
}

// The level songs: two levels a song, music1 to music6 in turn.
std::string LevelSong(int stage, int level) {
  return "music" + std::to_string(1 + ((stage - 1) * 2 + (level - 1) / 2) % 6);
}

bool AddSettings(SettingsWriter& writer, std::string* error) {
  for (const SettingRow& row : kSettings) {
    if (row.section != nullptr && !writer.Section(row.section, error)) return false;
    if (!writer.Set(row.key, row.value, error)) return false;
  }
  if (!writer.Section("music_levels", error)) return false;
  for (int stage = 1; stage <= kSampleStages; ++stage) {
    for (int level = 1; level <= kSampleLevelsPerStage; ++level) {
      const std::string key = std::to_string(stage) + "_" + std::to_string(level);
      if (!writer.Set(key, LevelSong(stage, level), error)) return false;
    }
  }
  return true;
}

using A = ScriptArg;

// Every tutorial command, a label and a goto that jumps forward to it: the
// reference the script tools are checked with; no level reads it.
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
  return AddTutorialTexts(writer, error);
}

std::string LevelFile(const char* folder, const char* prefix, int stage, int level, const char* extension) {
  return std::string(folder) + prefix + std::to_string(stage) + "_" + std::to_string(level) + extension;
}

// The conversation of every level but the first (that one is dialogScript)
// and every tutorial.
bool AddLevelScripts(SampleData& data, std::string* error) {
  for (int stage = 1; stage <= kSampleStages; ++stage) {
    for (int level = 1; level <= kSampleLevelsPerStage; ++level) {
      if (stage == 1 && level == 1) continue;
      data.levelScripts.push_back({LevelFile("data/dialogs/", "dlg_", stage, level, ".dtxt"), ScriptWriter()});
      if (!BuildConversation(stage, level, data.levelScripts.back().script, error)) return false;
    }
  }
  for (int stage : TutorialStages()) {
    data.levelScripts.push_back({LevelFile("data/tutorial/", "tut_", stage, 1, ".txt"), ScriptWriter()});
    if (!BuildTutorial(stage, data.levelScripts.back().script, error)) return false;
  }
  return true;
}

}  // namespace

bool BuildSampleData(SampleData& data, std::string* error) {
  return AddTexts(data.texts, kTexts, sizeof kTexts / sizeof kTexts[0], error) && AddKindsTexts(data.texts, error) &&
         AddSampleMenuTexts(data.texts, error) && AddConversationLines(data.dialogs, error) &&
         AddSettings(data.settings, error) && BuildConversation(1, 1, data.dialogScript, error) &&
         AddTutorialScript(data.tutorialScript, error) && AddLevelScripts(data, error);
}

std::vector<SampleFile> SampleFiles(const SampleData& data) {
  std::vector<SampleFile> files = {
      {"data/data.txt", data.texts.Bytes()},
      {"data/dialog.txt", data.dialogs.Bytes()},
      {"settings.ini", data.settings.Bytes()},
      {"data/dialogs/dlg_1_1.dtxt", data.dialogScript.Bytes()},
      {kReferenceTutorialPath, data.tutorialScript.Bytes()},
      {kClickSoundPath, MakeClickWav()},
  };
  for (const LevelScript& level : data.levelScripts) files.push_back({level.path, level.script.Bytes()});
  return files;
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
