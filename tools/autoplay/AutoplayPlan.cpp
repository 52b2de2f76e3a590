#include "tools/autoplay/AutoplayPlan.h"

#include <cstdio>
#include <sstream>

#include "platform/Text.h"

namespace Kivo {

namespace {

constexpr int kStages = 40;
constexpr int kLevelsInStage = 4;
// A profile name holds 19 characters.
constexpr std::size_t kMaxNameLength = 19;

// "Level_S_L" with S in 1..40 and L in 1..4.
bool IsLevelName(const std::string& name) {
  int stage = 0, level = 0;
  char tail = 0;
  if (std::sscanf(name.c_str(), "Level_%d_%d%c", &stage, &level, &tail) != 2) return false;
  return stage >= 1 && stage <= kStages && level >= 1 && level <= kLevelsInStage &&
         name == "Level_" + std::to_string(stage) + "_" + std::to_string(level);
}

}  // namespace

bool ParseAutoplayPlan(const std::string& text, AutoplayPlan* plan, std::string* error) {
  AutoplayPlan result;
  bool named = false, difficulty = false;
  std::istringstream lines(text);
  std::string line;
  int number = 0;
  auto fail = [&](const std::string& reason) {
    if (error != nullptr) *error = "line " + std::to_string(number) + ": " + reason;
    return false;
  };
  while (std::getline(lines, line)) {
    ++number;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    std::istringstream words(line);
    std::string command;
    if (!(words >> command) || command[0] == '#') continue;
    if (command == "name") {
      std::string rest;
      std::getline(words >> std::ws, rest);
      result.name = Platform::Utf8ToWide(rest);
      if (result.name.empty() || result.name.size() > kMaxNameLength) return fail("a name of 1 to 19 characters");
      named = true;
      continue;
    }
    if (command == "difficulty") {
      std::string which;
      words >> which;
      if (which != "easy" && which != "hard") return fail("difficulty is easy or hard");
      result.hard = which == "hard";
      difficulty = true;
    } else if (command == "all") {
      for (int stage = 1; stage <= kStages; ++stage) {
        for (int level = 1; level <= kLevelsInStage; ++level) {
          AutoplayStep step;
          step.level = "Level_" + std::to_string(stage) + "_" + std::to_string(level);
          result.steps.push_back(step);
        }
      }
    } else if (command == "choose") {
      AutoplayStep step;
      step.kind = AutoplayStep::kChoose;
      if (!(words >> step.stage >> step.number) || step.stage < 1 || step.stage > kStages || step.number < 1 ||
          step.number > kLevelsInStage) {
        return fail("choose takes a stage 1..40 and a level 1..4");
      }
      result.steps.push_back(step);
    } else {
      static const std::pair<const char*, AutoplayStep::Kind> kLevelSteps[] = {{"win", AutoplayStep::kWin},
                                                                               {"lose", AutoplayStep::kLose},
                                                                               {"unlock", AutoplayStep::kUnlock},
                                                                               {"skip", AutoplayStep::kSkip}};
      AutoplayStep step;
      bool known = false;
      for (const auto& [word, kind] : kLevelSteps) {
        if (command == word) {
          step.kind = kind;
          known = true;
        }
      }
      if (!known) return fail("unknown command \"" + command + "\"");
      if (!(words >> step.level) || !IsLevelName(step.level)) return fail(command + " takes a level, as Level_1_1");
      result.steps.push_back(step);
    }
    std::string extra;
    if (words >> extra) return fail("more than the command takes");
  }
  if (!named) return fail("no name line");
  if (!difficulty) return fail("no difficulty line");
  *plan = std::move(result);
  return true;
}

}  // namespace Kivo
