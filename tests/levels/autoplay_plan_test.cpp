// The autoplay driver's plan files: what a good plan reads as, and the
// line and reason of each kind of bad one.
#include <gtest/gtest.h>

#include "tools/autoplay/AutoplayPlan.h"

namespace Kivo {
namespace {

TEST(AutoplayPlan, ReadsNameDifficultyAndStepsInOrder) {
  AutoplayPlan plan;
  std::string error;
  ASSERT_TRUE(ParseAutoplayPlan(
      "# a comment\r\nname \xD0\x90\xD0\xBD\xD0\xBD\xD0\xB0\ndifficulty hard\n\nlose Level_1_1\nwin Level_1_1\n"
      "unlock Level_1_2\nchoose 40 4\nskip Level_40_4\n",
      &plan, &error))
      << error;
  EXPECT_EQ(plan.name, L"\u0410\u043D\u043D\u0430");
  EXPECT_TRUE(plan.hard);
  ASSERT_EQ(plan.steps.size(), 5u);
  const AutoplayStep::Kind kinds[] = {AutoplayStep::kLose, AutoplayStep::kWin, AutoplayStep::kUnlock,
                                      AutoplayStep::kChoose, AutoplayStep::kSkip};
  for (std::size_t i = 0; i < plan.steps.size(); ++i) EXPECT_EQ(plan.steps[i].kind, kinds[i]) << i;
  EXPECT_EQ(plan.steps[0].level, "Level_1_1");
  EXPECT_EQ(plan.steps[3].stage, 40);
  EXPECT_EQ(plan.steps[3].number, 4);
  EXPECT_EQ(plan.steps[4].level, "Level_40_4");
}

TEST(AutoplayPlan, AllIsEveryLevelWonInOrderBetweenTheOtherSteps) {
  AutoplayPlan plan;
  std::string error;
  ASSERT_TRUE(ParseAutoplayPlan("name A\ndifficulty easy\nlose Level_1_1\nall\nchoose 2 3\n", &plan, &error)) << error;
  ASSERT_EQ(plan.steps.size(), 162u);
  EXPECT_EQ(plan.steps[0].kind, AutoplayStep::kLose);
  for (std::size_t i = 1; i <= 160; ++i) {
    const int stage = static_cast<int>(i - 1) / 4 + 1, level = static_cast<int>(i - 1) % 4 + 1;
    EXPECT_EQ(plan.steps[i].kind, AutoplayStep::kWin) << i;
    EXPECT_EQ(plan.steps[i].level, "Level_" + std::to_string(stage) + "_" + std::to_string(level)) << i;
  }
  EXPECT_EQ(plan.steps[161].kind, AutoplayStep::kChoose);
}

TEST(AutoplayPlan, RefusesBadPlansWithTheLineAndReason) {
  const struct {
    const char* text;
    const char* error;
  } cases[] = {
      {"difficulty easy\n", "line 1: no name line"},
      {"name A\n", "line 1: no difficulty line"},
      {"name A\ndifficulty medium\n", "line 2: difficulty is easy or hard"},
      {"name A\ndifficulty easy\nwin Level_41_1\n", "line 3: win takes a level, as Level_1_1"},
      {"name A\ndifficulty easy\nwin Level_1_5\n", "line 3: win takes a level, as Level_1_1"},
      {"name A\ndifficulty easy\nskip Level_01_1\n", "line 3: skip takes a level, as Level_1_1"},
      {"name A\ndifficulty easy\nlose\n", "line 3: lose takes a level, as Level_1_1"},
      {"name A\ndifficulty easy\nchoose 0 1\n", "line 3: choose takes a stage 1..40 and a level 1..4"},
      {"name A\ndifficulty easy\nchoose 40\n", "line 3: choose takes a stage 1..40 and a level 1..4"},
      {"name A\ndifficulty easy\nwin Level_1_1 now\n", "line 3: more than the command takes"},
      {"name A\ndifficulty easy\njump Level_1_1\n", "line 3: unknown command \"jump\""},
      {"name A\ndifficulty easy\nall Level_1_1\n", "line 3: more than the command takes"},
      {"name \ndifficulty easy\n", "line 1: a name of 1 to 19 characters"},
      {"name ABCDEFGHIJKLMNOPQRST\ndifficulty easy\n", "line 1: a name of 1 to 19 characters"},
  };
  for (const auto& c : cases) {
    AutoplayPlan plan;
    plan.name = L"untouched";
    std::string error;
    EXPECT_FALSE(ParseAutoplayPlan(c.text, &plan, &error)) << c.text;
    EXPECT_EQ(error, c.error) << c.text;
    EXPECT_EQ(plan.name, L"untouched") << c.text;
  }
}

}  // namespace
}  // namespace Kivo
