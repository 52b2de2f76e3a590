// The memory cards: turning, matching, mismatch delay, vanishing, hint and
// the data it refuses.
#include <gtest/gtest.h>

#include <cmath>
#include <map>

#include "levels/CardsGame.h"
#include "levels/MiniGameFactory.h"
#include "tests/levels/minigame_kit.h"

namespace leveltest {
namespace {

constexpr float kCardWidth = 60.0f;

class CardsTest : public MiniGameKit {
 protected:
  std::vector<TestImage> Images(bool withBack = true, int pictures = 8) {
    std::vector<TestImage> images;
    for (int n = 1; n <= pictures; ++n) images.push_back(SolidImage("card" + std::to_string(n), 8, 8, 0xFF000000u + n));
    if (withBack) images.push_back(SolidImage("card_back_CA_1", 8, 8));
    return images;
  }
  // count placeholder cards in a row; numbers lists which ones to write.
  DtmRecord Level(const std::string& count, std::vector<int> numbers) {
    DtmRecord root = Record("level", 3, 0, 0, 800, 600, {{"_iNumCard", count}});
    for (int i : numbers) root.Child(Record("card" + std::to_string(i), 3, 20.0f + 80.0f * i, 20, kCardWidth, 80));
    return root;
  }
  void StartCards(CardsGame& game, int count) {
    std::vector<int> numbers;
    for (int i = 0; i < count; ++i) numbers.push_back(i);
    LoadLevel(Images(), Level(std::to_string(count), numbers));
    Start(game);
  }
  static void Click(CardsGame& game, int card) { game.MouseDown(50 + 80 * card, 60, 1); }
  // Two cards with different pictures, or -1s.
  static std::pair<int, int> DifferentPair(const CardsGame& game) {
    for (size_t i = 0; i < game.mCards.size(); ++i)
      for (size_t j = 0; j < game.mCards.size(); ++j)
        if (game.mCards[i].picture != game.mCards[j].picture) return {int(i), int(j)};
    return {-1, -1};
  }
  static std::pair<int, int> MatchingPair(const CardsGame& game) {
    for (size_t i = 0; i < game.mCards.size(); ++i)
      for (size_t j = i + 1; j < game.mCards.size(); ++j)
        if (game.mCards[i].picture == game.mCards[j].picture) return {int(i), int(j)};
    return {-1, -1};
  }
  // Updates until the card is at rest; how many it took.
  int RunUntilRest(CardsGame& game, int card) {
    int ticks = 0;
    while (game.mCards[card].progress != 1.0f && ticks < 1000) {
      Run(game, 1);
      ++ticks;
    }
    return ticks;
  }
};

TEST_F(CardsTest, FactoryMakesCardsAndPlaceholdersAreHidden) {
  std::unique_ptr<MiniGame> made(CreateMiniGame("cards"));
  ASSERT_NE(dynamic_cast<CardsGame*>(made.get()), nullptr);
  CardsGame game;
  StartCards(game, 4);
  ASSERT_EQ(game.mCards.size(), 4u);
  EXPECT_FALSE(FindObjectByName(level, "card2")->mVisible);
  EXPECT_FLOAT_EQ(game.mCards[2].centre.x, 20.0f + 160.0f + 30.0f);
  // Every picture is held by an even number of cards.
  std::map<int, int> uses;
  for (const auto& card : game.mCards) {
    EXPECT_GE(card.picture, 0);
    EXPECT_LT(card.picture, 8);
    ++uses[card.picture];
  }
  for (const auto& [picture, n] : uses) EXPECT_EQ(n % 2, 0) << picture;
}

TEST_F(CardsTest, TurnMovesCornerThreeAtOneAndAHalfPixelsAndShowsTheFaceFromHalfWay) {
  CardsGame game;
  StartCards(game, 4);
  Click(game, 1);
  EXPECT_EQ(game.mFirstPick, 1);
  const float step = game.mCards[1].step;
  EXPECT_NEAR(step, 1.5f / kCardWidth, 0.01f * 1.5f / kCardWidth);  // approximate length
  int ticks = 0;
  bool faceBeforeHalf = false;
  while (game.mCards[1].progress != 1.0f && ticks < 1000) {
    Run(game, 1);
    ++ticks;
    const auto& card = game.mCards[1];
    if (card.progress < 0.5f && card.shownSide == 1) faceBeforeHalf = true;
    if (card.progress >= 0.5f) {
      EXPECT_EQ(card.shownSide, 1);
    }
    if (ticks == 1) {
      EXPECT_NEAR(card.quad.corner[3].x, 20.0f + 80.0f + 1.5f, 0.02f);
    }
  }
  EXPECT_FALSE(faceBeforeHalf);
  EXPECT_NEAR(ticks, kCardWidth / 1.5f, 1.0f);
  // Face up the quad runs the other way round, so the same card is not picked again.
  Click(game, 1);
  EXPECT_EQ(game.mSecondPick, -1);
}

TEST_F(CardsTest, WrongPairTurnsBackFiftyUpdatesAfterBothRestAndBlocksOtherClicks) {
  CardsGame game;
  StartCards(game, 6);
  auto [a, b] = DifferentPair(game);
  ASSERT_GE(a, 0);
  Click(game, a);
  Run(game, 5);
  Click(game, a);  // still turning: ignored
  EXPECT_EQ(game.mSecondPick, -1);
  Click(game, b);
  EXPECT_EQ(game.mSecondPick, b);
  RunUntilRest(game, a);
  RunUntilRest(game, b);  // the update that brings both to rest counts as the first of the 50
  int third = 0;
  while (third == a || third == b) ++third;
  for (int wait = 2; wait < 50; ++wait) {
    Click(game, third);
    Run(game, 1);
    ASSERT_EQ(game.mCards[a].progress, 1.0f) << wait;
  }
  EXPECT_EQ(game.mCards[third].progress, 1.0f);  // never turned
  EXPECT_EQ(game.mCards[third].shownSide, 0);
  Run(game, 1);
  EXPECT_LT(game.mCards[a].progress, 1.0f);
  EXPECT_EQ(game.mCards[b].wantedSide, 0);
  EXPECT_EQ(game.mFirstPick, -1);
  RunUntilRest(game, a);
  EXPECT_EQ(game.mCards[a].shownSide, 0);
}

TEST_F(CardsTest, MatchingPairSpinsAndShrinksAwayAndTheLastPairWins) {
  CardsGame game;
  StartCards(game, 2);
  Click(game, 0);
  Click(game, 1);
  // The update that brings both to rest starts the vanish.
  int turning = 0;
  while (game.mCards[0].state == 0 && turning < 100) {
    EXPECT_NE(game.mCards[0].progress, 1.0f);
    Run(game, 1);
    ++turning;
  }
  ASSERT_EQ(game.mCards[0].state, 1);
  EXPECT_EQ(game.mCards[0].shownSide, 1);
  const Vec2 centre = game.mCards[0].centre;
  const Quad before = game.mCards[0].quad;
  Run(game, 1);
  // One update turns the motion's ends by 0.15 rad about the centre.
  const auto& card = game.mCards[0];
  const float startAngle = std::atan2(before.corner[0].y - centre.y, before.corner[0].x - centre.x);
  const float angle = std::atan2(card.start.corner[0].y - centre.y, card.start.corner[0].x - centre.x);
  float turned = startAngle - angle;
  if (turned < 0) turned += 6.2831853f;
  EXPECT_NEAR(std::fabs(turned), 0.15f, 1e-3f);
  const float fullHalf = std::hypot(before.corner[2].x - centre.x, before.corner[2].y - centre.y);
  const float targetHalf = std::hypot(card.target.corner[2].x - centre.x, card.target.corner[2].y - centre.y);
  EXPECT_NEAR(targetHalf, 0.1f * fullHalf, 1e-3f);
  EXPECT_FALSE(game.IsWon());
  int ticks = 0;
  while (!game.IsWon() && ticks < 1000) {
    Run(game, 1);
    ++ticks;
  }
  EXPECT_EQ(game.mCards[0].state, 2);
  EXPECT_EQ(game.mCards[1].state, 2);
  EXPECT_TRUE(game.IsWon());
}

TEST_F(CardsTest, HintPointsAtAMatchingPairAndNoCardsWinAtOnce) {
  CardsGame game;
  StartCards(game, 8);
  HintPoint first, second;
  EXPECT_EQ(game.GetHintPosition(first, second), kHintClosedAtBoth);
  int i = -1, j = -1;
  for (size_t k = 0; k < game.mCards.size(); ++k) {
    if (game.mCards[k].centre.x == first.x) i = int(k);
    if (game.mCards[k].centre.x == second.x) j = int(k);
  }
  ASSERT_GE(i, 0);
  ASSERT_GT(j, i);
  EXPECT_EQ(game.mCards[i].picture, game.mCards[j].picture);
  EXPECT_EQ(i, 0);  // the first card in play

  CardsGame empty;
  DeleteObjects(level);
  StartCards(empty, 0);
  EXPECT_EQ(empty.GetHintPosition(first, second), kHintNone);
  Run(empty, 1);
  EXPECT_TRUE(empty.IsWon());
}

TEST_F(CardsTest, DataItCannotPlayIsLoggedAndLeftIdle) {
  struct Case {
    const char* what;
    std::string count;
    std::vector<int> numbers;
    bool back;
    int pictures;
    const char* logged;
  };
  const Case cases[] = {
      {"odd count", "3", {0, 1, 2}, true, 8, "_iNumCard"},
      {"missing card object", "4", {0, 1, 3}, true, 8, "card2"},
      {"missing back", "2", {0, 1}, false, 8, "card_back_CA_1"},
      {"missing picture", "2", {0, 1}, true, 7, "card8"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    DeleteObjects(level);
    context.log.clear();
    LoadLevel(Images(c.back, c.pictures), Level(c.count, c.numbers));
    CardsGame game;
    Start(game);
    EXPECT_TRUE(game.IsUnplayable());
    EXPECT_TRUE(Logged("(cards) cannot be played")) << c.what;
    EXPECT_TRUE(Logged(c.logged));
    EXPECT_TRUE(game.mCards.empty());
    Click(game, 0);
    Run(game, 10);
    HintPoint first, second;
    EXPECT_EQ(game.GetHintPosition(first, second), kHintNone);
    EXPECT_FALSE(game.IsWon());
    game.Draw(graphics);
  }
}

}  // namespace
}  // namespace leveltest
