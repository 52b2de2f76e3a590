// The mini-game base: level properties, the hard-mode clock and its miss
// penalty, the skip countdown, the time text, the factory and the data
// formatter.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "levels/DataFormat.h"
#include "levels/MiniGameFactory.h"
#include "tests/levels/minigame_kit.h"

namespace leveltest {
namespace {

class PlainGame : public MiniGame {};

class MiniGameBaseTest : public MiniGameKit {
 protected:
  void LoadWith(std::vector<std::pair<std::string, std::string>> properties) {
    LoadLevel({}, Record("level", 3, 0, 0, 800, 600, std::move(properties)));
  }
};

TEST_F(MiniGameBaseTest, EasyModeNeverRunsTheClockButRunsTheSkipCountdown) {
  LoadWith({{"_iTimeMinut", "1"}, {"_iSkipTime", "1"}});
  PlainGame game;
  Start(game);
  EXPECT_TRUE(game.HasSkip());
  Run(game, 6001);
  EXPECT_FALSE(game.IsLost());
  EXPECT_FLOAT_EQ(game.mLevelClock.mRemaining, 60.0f);
  EXPECT_TRUE(game.mSkipReady);
  game.ReportMiss(5, 6);
  EXPECT_TRUE(game.mMissCrossRequest);
  EXPECT_EQ(game.mMissCount, 0);  // misses are not counted in easy mode
}

TEST_F(MiniGameBaseTest, HardModeLossComesTheUpdateAfterTheClockReachesZero) {
  context.hardMode = 1;
  LoadWith({{"_iTimeMinut", "1"}});
  PlainGame game;
  Start(game);
  // Count the updates until the clock first shows zero, from the real timer.
  CountdownTimer clock;
  clock.Start(60.0f);
  int ticks = 0;
  while (clock.IsRunning()) {
    clock.Tick();
    ++ticks;
  }
  Run(game, ticks);
  EXPECT_EQ(game.mLevelClock.mRemaining, 0.0f);
  EXPECT_FALSE(game.IsLost());
  Run(game, 1);
  EXPECT_TRUE(game.IsLost());
}

TEST_F(MiniGameBaseTest, SkipModeTimesOutInsteadOfLosing) {
  context.hardMode = 1;
  LoadWith({{"_iTimeMinut", "1"}, {"_bSkipMode", "1"}});
  PlainGame game;
  Start(game);
  game.mLevelClock.mRemaining = 0.0f;
  Run(game, 1);
  EXPECT_FALSE(game.IsLost());
  EXPECT_TRUE(game.mSkipTimedOut);
}

TEST_F(MiniGameBaseTest, FourthQuickMissStartsTheTwoSecondPenalty) {
  context.hardMode = 1;
  LoadWith({{"_iTimeMinut", "2"}});
  PlainGame game;
  Start(game);
  for (int miss = 1; miss <= 3; ++miss) {
    game.OnMissClick();
    EXPECT_EQ(game.mMissCount, miss);
    Run(game, 500);  // 5 s apart: inside the window
  }
  game.OnMissClick();
  EXPECT_TRUE(game.mPenaltyNotice);
  EXPECT_EQ(game.mMissCount, 0);
  const float before = game.mLevelClock.mRemaining;
  Run(game, 1);
  EXPECT_NEAR(before - game.mLevelClock.mRemaining, 0.10f, 1e-4f);
  // An expired window starts a new series at 1.
  Run(game, 700);
  game.OnMissClick();
  EXPECT_EQ(game.mMissCount, 1);
}

TEST_F(MiniGameBaseTest, ZeroMinutesArmsPenaltiesWithoutAClock) {
  context.hardMode = 1;
  LoadWith({{"_iTimeMinut", "0"}});
  PlainGame game;
  Start(game);
  for (int i = 0; i < 4; ++i) game.OnMissClick();
  EXPECT_TRUE(game.mPenaltyNotice);
}

TEST_F(MiniGameBaseTest, TimeTextChangesOnlyWithTheShownValue) {
  LoadWith({{"_iTimeMinut", "2"}});
  PlainGame game;
  Start(game);
  std::wstring text = L"unchanged";
  game.mLevelClock.mRemaining = 75.9f;
  EXPECT_FLOAT_EQ(game.UpdateTimeText(L"%d:%02d", text), 75.9f / 120.0f);
  EXPECT_EQ(text, L"1:15");
  text = L"unchanged";
  game.mLevelClock.mRemaining = 75.2f;
  game.UpdateTimeText(L"%d:%02d", text);
  EXPECT_EQ(text, L"unchanged");

  PlainGame untimed;
  LoadWith({});
  Start(untimed);
  EXPECT_EQ(untimed.UpdateTimeText(L"%d:%02d", text), 1.0f);
}

TEST_F(MiniGameBaseTest, TimerFreezeStopsEveryClock) {
  context.hardMode = 1;
  LoadWith({{"_iTimeMinut", "1"}, {"_iSkipTime", "1"}});
  PlainGame game;
  Start(game);
  gTimerFreeze = true;
  Run(game, 100);
  EXPECT_FLOAT_EQ(game.mLevelClock.mRemaining, 60.0f);
  EXPECT_FLOAT_EQ(game.mSkipCountdown.mRemaining, 60.0f);
}

TEST_F(MiniGameBaseTest, BaseHintIsOffScreenAndFindEffectSearchesLevelThenHud) {
  DtmRecord root = Record("level", 3, 0, 0, 800, 600);
  root.Child(Record("effHint", 3, 0, 0, 1, 1));
  LoadLevel({}, root, Record("hud", 3, 0, 0, 1, 1).Child(Record("effSleif", 3, 0, 0, 1, 1)));
  PlainGame game;
  Start(game);
  HintPoint first, second;
  EXPECT_EQ(game.GetHintPosition(first, second), kHintAtFirst);
  EXPECT_EQ(first.x, -1000.0f);
  EXPECT_EQ(game.FindEffect("effHint"), level[1]);
  EXPECT_EQ(game.mSleifEffect, hud[1]);
  EXPECT_EQ(game.FindEffect("none"), nullptr);
}

TEST(MiniGameFactory, TypesAreExactAndInTheGameOrder) {
  const auto& types = MiniGameTypes();
  ASSERT_EQ(types.size(), 27u);
  EXPECT_EQ(types.front(), "find_list_mask");
  EXPECT_EQ(types[10], "tarnivelle");
  EXPECT_EQ(types.back(), "trubo_game");
  for (const char* type : {"", "Find_list_mask", "find_list_mask ", "nothing"}) {
    EXPECT_EQ(CreateMiniGame(type), nullptr) << type;
  }
}

TEST(DataFormat, CountersAndClocksFollowPrintfIntegerRules) {
  struct Case {
    const wchar_t* format;
    std::initializer_list<long long> values;
    const wchar_t* expected;
  };
  const Case cases[] = {
      {L"%d:%02d", {2, 5}, L"2:05"},
      {L"%3d", {7}, L"  7"},
      {L"%-3d|", {7}, L"7  |"},
      {L"%%", {}, L"%"},
      {L"%d left", {4}, L"4 left"},
      {L"%i%%", {3}, L"3%"},
      {L"%.3d", {7}, L"007"},
      {L"%5.3d|", {-7}, L" -007|"},
      {L"%05.3d|", {7}, L"  007|"},  // a precision turns '0' padding off
      {L"%.0d|", {0}, L"|"},
      {L"%+d % d", {3, 3}, L"+3  3"},
      {L"%+05d", {3}, L"+0003"},
      {L"%#x %#o %X", {255, 8, 255}, L"0xff 010 FF"},
      {L"%03ld:%hhu", {5, 257}, L"005:1"},
      {L"%u", {-1}, L"4294967295"},
      {L"%d", {-12}, L"-12"},
  };
  for (const Case& c : cases) EXPECT_EQ(FormatDataInts(c.format, c.values), c.expected) << c.format;
}

TEST(DataFormat, AnythingButAnIntegerConversionIsDrawnLiterally) {
  // Nothing is read that the caller did not pass, and no conversion
  // touches memory: strings, pointers, stores and '*' widths stay text.
  struct Case {
    const wchar_t* format;
    const wchar_t* expected;
  };
  const Case cases[] = {
      {L"%s and %n", L"%s and %n"}, {L"%d %d %d", L"3 7 %d"}, {L"%*d", L"%*d"}, {L"%f|%p", L"%f|%p"},
      {L"100%", L"100%"},           {L"%5", L"%5"},           {L"%02", L"%02"}, {L"%1000d", L"%1000d"},
  };
  for (const Case& c : cases) EXPECT_EQ(FormatDataInts(c.format, {3, 7}), c.expected) << c.format;
}

TEST(DataFormat, AgreesWithPrintfOverFlagsWidthsAndPrecisions) {
  const char* flags[] = {"", "-", "+", " ", "0", "#", "-+", "0 ", "#0", "+0"};
  const char* widths[] = {"", "1", "4", "9"};
  const char* precisions[] = {"", ".0", ".2", ".6"};
  const char conversions[] = {'d', 'i', 'u', 'o', 'x', 'X'};
  const int values[] = {0, 7, -7, 125, -40000, 2147483647};
  for (const char* flag : flags) {
    for (const char* width : widths) {
      for (const char* precision : precisions) {
        for (char conversion : conversions) {
          const std::string format = std::string("[%") + flag + width + precision + conversion + "]";
          for (int value : values) {
            char expected[64];
            std::snprintf(expected, sizeof expected, format.c_str(), value);
            const std::wstring wide(format.begin(), format.end());
            const std::string printed(expected);
            EXPECT_EQ(FormatDataInts(wide, {value}), std::wstring(printed.begin(), printed.end()))
                << format << " " << value;
          }
        }
      }
    }
  }
}

}  // namespace
}  // namespace leveltest
