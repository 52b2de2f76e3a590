// The sample game data: everything the game reads, made by the project's own
// writers, so tests and demos play on real files. The content is fixed and
// the bytes are the same on every run.
#pragma once

#include <string>
#include <vector>

#include "tools/sampledata/DataWriters.h"

namespace Kivo {

// A tutorial using every tutorial command, for the script tools and their
// tests; no level reads it.
extern const char kReferenceTutorialPath[];

// A script of one level: a conversation or a tutorial.
struct LevelScript {
  std::string path;
  ScriptWriter script;
};

struct SampleData {
  TextTableWriter texts;        // data/data.txt
  TextTableWriter dialogs;      // data/dialog.txt
  SettingsWriter settings;      // settings.ini
  ScriptWriter dialogScript;    // data/dialogs/dlg_1_1.dtxt
  ScriptWriter tutorialScript;  // kReferenceTutorialPath
  // The other levels' conversations and the tutorials.
  std::vector<LevelScript> levelScripts;
};

struct SampleFile {
  std::string path;  // relative to the output folder, '/'-separated
  std::string bytes;
};

// Fills data with the sample content; false (with the writer's reason) when
// a writer refuses an entry.
bool BuildSampleData(SampleData& data, std::string* error);
std::vector<SampleFile> SampleFiles(const SampleData& data);
// Builds the content and writes every file under folder, making folders as
// needed.
bool WriteSampleData(const std::string& folder, std::string* error);

}  // namespace Kivo
