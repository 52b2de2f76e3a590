// The sample data read back through the engine's readers, and the writers'
// refusals of what those readers could not give back.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>

#include "engine/Script.h"
#include "engine/SettingsFile.h"
#include "engine/TextTables.h"
#include "tests/support/temp_folder.h"
#include "tools/sampledata/SampleData.h"

namespace {

using Kivo::ScriptArg;

class SampleDataReadBack : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string error;
    ASSERT_TRUE(Kivo::BuildSampleData(mData, &error)) << error;
    ASSERT_TRUE(Kivo::WriteSampleData(mFolder.path(), &error)) << error;
  }
  void TearDown() override { Kivo::FreeIniFile(); }

  void ExpectTable(const Kivo::TextTableWriter& written, const std::string& file) {
    Kivo::TextTable table;
    ASSERT_TRUE(table.Load(mFolder / file)) << file;
    std::vector<Kivo::TextEntry> entries = table.Entries();
    ASSERT_EQ(entries.size(), written.Entries().size()) << file;
    for (std::size_t i = 0; i < entries.size(); ++i) {
      EXPECT_EQ(entries[i].key, written.Entries()[i].first) << file;
      EXPECT_EQ(entries[i].text, written.Entries()[i].second) << file;
    }
  }

  // Lines equal what was written; each command's arguments, scanned by its
  // table format, equal the written arguments.
  void ExpectScript(const Kivo::ScriptWriter& written, const std::string& file,
                    const Kivo::ScriptCommandTable& vocabulary) {
    Kivo::Script script;
    ASSERT_TRUE(script.LoadFile(mFolder / file, &vocabulary)) << file;
    ASSERT_EQ(script.Lines(), written.Lines()) << file;
    for (std::size_t i = 0; i < written.Lines().size(); ++i) {
      const std::string& line = written.Lines()[i];
      const std::vector<ScriptArg>& args = written.LineArgs()[i];
      std::string name = Kivo::Script::CommandName(line);
      if (line[name.size()] != '(') continue;
      const Kivo::ScriptCommand* command = nullptr;
      for (const Kivo::ScriptCommand& candidate : vocabulary) {
        if (candidate.name == name) command = &candidate;
      }
      ASSERT_NE(command, nullptr) << line;
      ASSERT_LE(args.size(), command->format.size()) << line;
      std::vector<std::string> texts(args.size());
      std::vector<std::int32_t> ints(args.size());
      std::vector<float> floats(args.size());
      std::vector<Kivo::ScanOutput> outputs;
      for (std::size_t a = 0; a < args.size(); ++a) {
        char letter = command->format[a];
        ASSERT_EQ(letter, "sif"[args[a].kind]) << line << " argument " << a;
        if (letter == 's') outputs.emplace_back(&texts[a]);
        if (letter == 'i') outputs.emplace_back(&ints[a]);
        if (letter == 'f') outputs.emplace_back(&floats[a]);
      }
      Kivo::Script::ScanArgs(line.substr(name.size() + 1), command->format, outputs.data(), outputs.size());
      for (std::size_t a = 0; a < args.size(); ++a) {
        if (args[a].kind == ScriptArg::kText) {
          EXPECT_EQ(texts[a], args[a].text) << line;
        } else if (args[a].kind == ScriptArg::kInt) {
          EXPECT_EQ(ints[a], args[a].integer) << line;
        } else {
          EXPECT_EQ(floats[a], args[a].number) << line;
        }
      }
    }
  }

  Kivo::SampleData mData;
  TempFolder mFolder;
};

TEST_F(SampleDataReadBack, TextTables) {
  ExpectTable(mData.texts, "data/data.txt");
  ExpectTable(mData.dialogs, "data/dialog.txt");
  Kivo::TextTable table;
  ASSERT_TRUE(table.Load(mFolder / "data/data.txt"));
  EXPECT_EQ(table.Get("_caption"), L"Kivo Game");
  EXPECT_NE(table.Get("_msgTwoLines").find(L'\n'), std::wstring::npos);
  EXPECT_NE(table.Get("_textTab").find(L'\t'), std::wstring::npos);
  EXPECT_EQ(table.Get("_textCyrillic")[0], L'\u041F');
}

TEST_F(SampleDataReadBack, Settings) {
  std::string file = mFolder / "settings.ini";
  std::size_t values = 0;
  for (const auto& section : mData.settings.Sections()) {
    for (const auto& entry : section.entries) {
      std::string value;
      EXPECT_EQ(Kivo::IniReadString(file, section.name, entry.key, value, 64), 0) << entry.key;
      EXPECT_EQ(value, entry.value) << entry.key;
      ++values;
    }
  }
  EXPECT_GE(values, 2u);
  int codePage = 0;
  EXPECT_FALSE(Kivo::IniReadInt(file, "main", "code_page", &codePage));
  EXPECT_EQ(codePage, 1251);
  std::string music;
  EXPECT_EQ(Kivo::IniReadString(file, "music_levels", "1_1", music, 64), 0);
  EXPECT_FALSE(music.empty());
}

TEST_F(SampleDataReadBack, ScriptsUseTheWholeVocabulary) {
  ExpectScript(mData.dialogScript, "data/dialogs/dlg_1_1.dtxt", Kivo::StoryCommands());
  ExpectScript(mData.tutorialScript, Kivo::kReferenceTutorialPath, Kivo::TutorialCommands());
  auto usesAll = [](const Kivo::ScriptWriter& written, const Kivo::ScriptCommandTable& vocabulary) {
    for (const Kivo::ScriptCommand& command : vocabulary) {
      bool used = false;
      for (const std::string& line : written.Lines()) used = used || line.rfind(command.name + "(", 0) == 0;
      EXPECT_TRUE(used) << command.name;
    }
  };
  usesAll(mData.dialogScript, Kivo::StoryCommands());
  usesAll(mData.tutorialScript, Kivo::TutorialCommands());

  // Speech lines name dialog-table keys; the tutorial's goto finds its label.
  Kivo::TextTable dialogs;
  ASSERT_TRUE(dialogs.Load(mFolder / "data/dialog.txt"));
  int speech = 0;
  for (const std::string& line : mData.dialogScript.Lines()) {
    std::string key;
    if (Kivo::Script::SplitAt(line, '=', key).empty()) continue;
    EXPECT_FALSE(dialogs.Get(key).empty()) << line;
    ++speech;
  }
  EXPECT_GE(speech, 2);
  Kivo::Script tutorial;
  ASSERT_TRUE(tutorial.LoadFile(mFolder / Kivo::kReferenceTutorialPath, nullptr));
  tutorial.IndexLabels();
  ASSERT_EQ(tutorial.Labels().size(), 1u);
  int before = tutorial.CurrentLine();
  tutorial.Goto(tutorial.Labels().begin()->first);
  EXPECT_NE(tutorial.CurrentLine(), before);
}

TEST(DataWriters, TextTableRefusals) {
  Kivo::TextTableWriter writer;
  std::string error;
  ASSERT_TRUE(writer.Add("ok", L"a\\b\nc\t\U0001F600", &error));
  const std::pair<std::string, std::wstring> refused[] = {
      {"tab\tkey", L"x"},
      {"cr\rkey", L"x"},
      {"lf\nkey", L"x"},
      {"caf\xC3\xA9", L"x"},
      {"slash\\nkey", L"x"},
      {"ok", L"repeated key"},
      {"cr", L"a\rb"},
      {"bn", L"a\\nb"},
      {"surrogate", std::wstring(1, static_cast<wchar_t>(0xD800))},
      {"beyond", std::wstring(1, static_cast<wchar_t>(0x110000))},
  };
  for (const auto& entry : refused) {
    error.clear();
    EXPECT_FALSE(writer.Add(entry.first, entry.second, &error)) << entry.first;
    EXPECT_FALSE(error.empty()) << entry.first;
  }
  EXPECT_EQ(writer.Entries().size(), 1u);
  std::string bytes = writer.Bytes();
  std::vector<Kivo::TextEntry> back;
  ASSERT_TRUE(Kivo::ParseTextTable(bytes.data(), bytes.size(), back));
  ASSERT_EQ(back.size(), 1u);
  EXPECT_EQ(back[0].text, L"a\\b\nc\t\U0001F600");
}

TEST(DataWriters, SettingsRefusals) {
  Kivo::SettingsWriter writer;
  std::string error;
  EXPECT_FALSE(writer.Set("early", "1", &error));  // no section yet
  for (const char* name : {"", "two words", "tab\tname", "br[", "br]"}) {
    EXPECT_FALSE(writer.Section(name, &error)) << name;
  }
  ASSERT_TRUE(writer.Section("main", &error));
  EXPECT_FALSE(writer.Section("main", &error));
  for (const char* key : {"", "a b", "a=b", "a[b", "a\nb"}) EXPECT_FALSE(writer.Set(key, "1", &error)) << key;
  for (const char* value : {"", " lead", "\tlead", "a\rb", "a\nb", "a[b"}) {
    EXPECT_FALSE(writer.Set("k", value, &error)) << value;
  }
  ASSERT_TRUE(writer.Set("k", "v ", &error));
  EXPECT_FALSE(writer.Set("k", "again", &error));
  EXPECT_EQ(writer.Bytes(), "[main]\r\nk=v \r\n");
}

TEST(DataWriters, ScriptRefusalsAndNumberForms) {
  Kivo::ScriptWriter writer;
  std::string error;
  for (const char* name : {"", "a(b", "a:b", "a=b", "a b", "a\tb", "q\""}) {
    EXPECT_FALSE(writer.Command(name, {}, &error)) << name;
    EXPECT_FALSE(writer.Label(name, &error)) << name;
    EXPECT_FALSE(writer.Assign(name, "v", &error)) << name;
  }
  EXPECT_FALSE(writer.Command("c", {ScriptArg::Text("say \"hi\"")}, &error));
  EXPECT_FALSE(writer.Command("c", {ScriptArg::Text("two\nlines")}, &error));
  EXPECT_FALSE(writer.Command("c", {ScriptArg::Float(std::numeric_limits<float>::infinity())}, &error));
  EXPECT_FALSE(writer.Assign("a", "ends in blank ", &error));
  EXPECT_FALSE(writer.Assign("a", "two\rlines", &error));
  EXPECT_TRUE(writer.Lines().empty());

  ASSERT_TRUE(writer.Command("center",
                             {ScriptArg::Text("Bob, (the) 100%"), ScriptArg::Float(1.5f), ScriptArg::Float(2),
                              ScriptArg::Float(0.1f), ScriptArg::Int(-3)},
                             &error));
  ASSERT_TRUE(writer.Label("start", &error));
  ASSERT_TRUE(writer.Assign("hero_sad", "k1", &error));
  EXPECT_EQ(writer.Bytes(), "center(\"Bob, (the) 100%\",1.5,2,0.1,-3)\r\nstart:\r\nhero_sad=k1\r\n");
}

}  // namespace
