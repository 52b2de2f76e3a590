#include "tools/sampledata/SampleConversations.h"

#include <filesystem>

#include "tools/sampledata/SampleDrawing.h"
#include "tools/sampledata/SampleMap.h"

namespace Kivo {

namespace {

using namespace sample;
using A = ScriptArg;

struct Character {
  const char* name;
  uint32_t robe;
  uint32_t hair;
};

const Character kCharacters[] = {{"hero", 0x3060C0, 0x603010},
                                 {"sage", 0x806030, 0xE0E0E0},
                                 {"keeper", 0x307040, 0x202020},
                                 {"fox", 0xD07020, 0xD07020}};
const char* const kMoods[] = {"normal", "sad", "happy"};

// A robe widening towards the foot, with a belt.
ImageLib::Image Body(uint32_t robe) {
  return Picture(120, 240, [robe](int x, int y) -> uint32_t {
    const int half = 24 + y * 34 / 240;
    if (x < 60 - half || x >= 60 + half) return 0;
    if (y >= 110 && y < 122) return Opaque(0x302010);
    return Opaque(robe);
  });
}

// An oval face under a fringe of hair; the mouth shows the mood.
ImageLib::Image Head(uint32_t hair, int mood) {
  return Picture(60, 70, [hair, mood](int x, int y) -> uint32_t {
    const int dx = x - 30;
    const int dy = y - 37;
    if (dx * dx * 33 * 33 + dy * dy * 27 * 27 >= 27 * 27 * 33 * 33) return 0;
    if (y < 18) return Opaque(hair);
    if ((dx == -9 || dx == -8 || dx == 8 || dx == 9) && (y == 31 || y == 32)) return Opaque(0x101010);
    if (dx >= -10 && dx <= 10) {
      // normal: a straight line; sad: curving down; happy: curving up.
      const int bend = mood == 0 ? 0 : (mood == 1 ? -1 : 1) * (100 - dx * dx) / 25;
      if (y == 50 + bend || y == 51 + bend) return Opaque(0x802020);
    }
    return Opaque(0xF0C8A0);
  });
}

ConversationPicture Entry(const std::string& key, ImageLib::Image image) {
  return {{key, "data/images/story/" + key + ".png", false, 1, 1}, std::move(image)};
}

// One line of a template: the speaker's "name_mood" and the text, where
// "%P" stands for the stage's title in lower case after its first word.
struct Line {
  const char* speaker;
  const wchar_t* text;
};

struct Template {
  // Slots dressed in order: name, mirrored, centre.
  struct Cast {
    const char* name;
    int mirrored;
    float x;
    float y;
  };
  std::vector<Cast> cast;
  std::vector<Line> lines;
  // A pause after this many lines (0: none) and its length.
  std::size_t pauseAfter;
  float pause;
};

const std::vector<Template>& Templates() {
  static const std::vector<Template> templates = {
      {{{"hero", 0, 220, 400}, {"sage", 1, 580, 400}},
       {{"hero_sad", L"Where did everything go?"},
        {"sage_normal", L"Look closely. Nothing is ever really lost."},
        {"hero_happy", L"Then let us start searching!"}},
       2,
       0.5f},
      {{{"hero", 0, 220, 400}, {"keeper", 1, 580, 400}},
       {{"keeper_normal", L"Welcome to %P. Not many visitors find their way here."},
        {"hero_normal", L"The sage sent me. Something is missing."},
        {"keeper_sad", L"Everything is missing lately, I am afraid."},
        {"hero_happy", L"Then I had better get to work."}},
       2,
       1.0f},
      {{{"hero", 0, 220, 400}, {"sage", 1, 580, 400}, {"fox", 0, 400, 430}},
       {{"fox_happy", L"Yip! I know every corner of %P."},
        {"sage_normal", L"Then show our friend where to look."},
        {"hero_happy", L"Lead the way!"}},
       1,
       0.3f},
      {{{"sage", 0, 240, 400}, {"hero", 1, 560, 400}},
       {{"sage_sad", L"The notebook says the next clue lies in %P."},
        {"hero_normal", L"We are nearly there, then."},
        {"sage_happy", L"Nearly. Keep your eyes open."}},
       0,
       0.0f},
      {{{"keeper", 0, 220, 400}, {"fox", 1, 580, 430}},
       {{"fox_normal", L"Somebody has been digging in %P."},
        {"keeper_sad", L"My poor floors! Will it never end?"},
        {"fox_happy", L"Not until our friend has finished, it seems."}},
       3,
       0.5f},
  };
  return templates;
}

std::string LineKey(int stage, int level, std::size_t n) {
  return "dlg_" + std::to_string(stage) + "_" + std::to_string(level) + "_" + std::to_string(n + 1);
}

const Template& TemplateOf(int stage, int level) {
  const int number = kSampleLevelsPerStage * (stage - 1) + (level - 1);
  return Templates()[static_cast<std::size_t>(number) % Templates().size()];
}

// "The Old Garden" becomes "the Old Garden" inside a sentence.
std::wstring PlaceName(int stage) {
  std::wstring title = StageTitle(stage);
  if (title.rfind(L"The ", 0) == 0) title[0] = L't';
  return title;
}

std::wstring Filled(const wchar_t* text, int stage) {
  std::wstring out = text;
  const std::size_t at = out.find(L"%P");
  if (at != std::wstring::npos) out.replace(at, 2, PlaceName(stage));
  return out;
}

}  // namespace

std::vector<ConversationPicture> ConversationPictures() {
  std::vector<ConversationPicture> pictures;
  for (const Character& character : kCharacters) {
    pictures.push_back(Entry(std::string(character.name) + "_body", Body(character.robe)));
    for (int mood = 0; mood < 3; ++mood) {
      pictures.push_back(Entry(std::string(character.name) + "_head_" + kMoods[mood], Head(character.hair, mood)));
    }
  }
  return pictures;
}

bool AddConversationPictures(SceneDatabaseWriter& writer, std::string* error) {
  for (const ConversationPicture& picture : ConversationPictures()) {
    if (!writer.AddImage(picture.entry, error)) return false;
  }
  return true;
}

bool WriteConversationPictures(const std::string& folder, std::string* error) {
  for (const ConversationPicture& picture : ConversationPictures()) {
    if (!WriteSamplePicture(std::filesystem::path(folder) / picture.entry.path, picture.image, error)) return false;
  }
  return true;
}

bool BuildConversation(int stage, int level, ScriptWriter& s, std::string* error) {
  const Template& conversation = TemplateOf(stage, level);
  for (const Template::Cast& cast : conversation.cast) {
    if (!s.Command(
            "personage",
            {A::Text(""), A::Text(cast.name), A::Float(0), A::Float(-10), A::Text("normal"), A::Int(cast.mirrored)},
            error)) {
      return false;
    }
  }
  for (const Template::Cast& cast : conversation.cast) {
    if (!s.Command("center", {A::Text(cast.name), A::Float(cast.x), A::Float(cast.y)}, error)) return false;
  }
  const std::string first = conversation.cast.front().name;
  if (!s.Command("init_by_ani", {A::Text(first), A::Text(first + "_enter")}, error)) return false;
  for (std::size_t n = 0; n < conversation.lines.size(); ++n) {
    const std::string speaker = conversation.lines[n].speaker;
    const std::string name = speaker.substr(0, speaker.rfind('_'));
    if (n > 0 && !s.Command("play_ani", {A::Text(name), A::Text(name + "_talk")}, error)) return false;
    if (!s.Assign(speaker, LineKey(stage, level, n), error)) return false;
    if (n + 1 == conversation.pauseAfter && !s.Command("wait_time", {A::Float(conversation.pause)}, error)) {
      return false;
    }
  }
  return true;
}

bool AddConversationLines(TextTableWriter& dialogs, std::string* error) {
  for (int stage = 1; stage <= kSampleStages; ++stage) {
    for (int level = 1; level <= kSampleLevelsPerStage; ++level) {
      const Template& conversation = TemplateOf(stage, level);
      for (std::size_t n = 0; n < conversation.lines.size(); ++n) {
        if (!dialogs.Add(LineKey(stage, level, n), Filled(conversation.lines[n].text, stage), error)) return false;
      }
    }
  }
  return true;
}

}  // namespace Kivo
