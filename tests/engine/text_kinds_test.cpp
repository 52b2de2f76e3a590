// Wrapped text and speech bubble: the text rectangle, spacing and
// justification with their defaults, the bubble's size from its text, its
// pieces and arrow, and showing, queueing and hiding through "appear" and
// "hide".
#include <string>
#include <vector>

#include "tests/engine/kinds_support.h"

namespace kindstest {
namespace {

using Properties = std::vector<std::pair<std::string, std::string>>;

class TextKinds : public KindsTest {
 protected:
  void SetUp() override {
    KindsTest::SetUp();
    UseImages({{"lu", 10, 8},
               {"ru", 12, 9},
               {"rd", 10, 8},
               {"ld", 10, 8},
               {"hr", 4, 6},
               {"vr", 5, 4},
               {"arrow", 20, 10},
               {"fon", 4, 4}});
  }
  static Properties Bubble(Properties more = {}) {
    Properties properties{{"_sFont", "FONT_TEXT"},
                          {"_keyImgLU", "lu"},
                          {"_keyImgRU", "ru"},
                          {"_keyImgRD", "rd"},
                          {"_keyImgLD", "ld"},
                          {"_keyImgHR", "hr"},
                          {"_keyImgVR", "vr"},
                          {"_keyImgArr", "arrow"},
                          {"_keyImgFon", "fon"},
                          {"_iDeltaFrom", "1"},
                          {"_fXPointArr", "10"},
                          {"_fYPointArr", "-5"},
                          {"_iAniKey_appear", "3"},
                          {"_iAniRate_appear", "100"},
                          {"_sAniKey_appear_1", "c(255)"},
                          {"_sAniKey_appear_3", "c(255) t(0,40)"},
                          {"_iAniKey_hide", "3"},
                          {"_iAniRate_hide", "100"},
                          {"_sAniKey_hide_1", "c(255)"},
                          {"_sAniKey_hide_3", "c(0)"}};
    properties.insert(properties.end(), more.begin(), more.end());
    return properties;
  }
  static void Settle(sObj& object) {
    for (int i = 0; i < 1000 && object.IsPlaying(); ++i) object.Update(1);
  }
  static std::string Playing(sObj& object) {
    const AnimDef* def = object.CurrentAnimation();
    return def != nullptr ? def->name : "";
  }
  static Vec2 Centre(const Quad& q) {
    return Vec2((q.corner[0].x + q.corner[2].x) * 0.5f, (q.corner[0].y + q.corner[2].y) * 0.5f);
  }
};

TEST_F(TextKinds, WrappedTextGetsTheTruncatedRectangle) {
  sObjText& text =
      Make<sObjText>(10.6f, 20.7f, 210.9f, 100.2f,
                     {{"_sFont", "FONT_TEXT"}, {"_iAlign", "2"}, {"_iLineSpacing", "25"}, {"_colObj", "65280"}});
  text.mText = L"aaaaaaaaaa bbbbbbbbbb cccccccccc";
  Draw(text);
  ASSERT_GE(font.strings.size(), 3u);
  EXPECT_EQ(font.strings[0].x, 10);
  EXPECT_EQ(font.strings[0].y, 20 + 12);
  EXPECT_EQ(font.strings.back().y - font.strings[0].y, 2 * 25);
  EXPECT_EQ(font.strings[0].color.green, 255);

  // Without "_iAlign" and "_iLineSpacing": centred, the font's spacing.
  sObjText& plain = Make<sObjText>(10.6f, 20.7f, 210.9f, 100.2f, {{"_sFont", "FONT_TEXT"}});
  plain.mText = L"aaaaaaaaaa bbbbbbbbbb";
  font.strings.clear();
  Draw(plain);
  ASSERT_EQ(font.strings.size(), 2u);
  EXPECT_EQ(font.strings[0].x, 10 + 50);
  EXPECT_EQ(font.strings[1].y - font.strings[0].y, 18);

  sObjText copy(text);
  copy.mText = L"x";
  EXPECT_EQ(text.mText.size(), 32u) << "a copy has its own text";
}

TEST_F(TextKinds, WithoutAFontNothingIsDrawnOrAnimated) {
  for (const char* name : {"SOUND_QUEST_DOOR", "nothing"}) {
    sObjText& text = Make<sObjText>(0, 0, 200, 50, {{"_sFont", name}, {"_iAniKey_x", "3"}, {"_sAnimYet", "x"}});
    text.mText = L"hello";
    Draw(text);
    EXPECT_TRUE(text.mAnimations.empty());
    sObjFrame& frame = Make<sObjFrame>(100, 100, 300, 132, Bubble({{"_sFont", name}}));
    frame.ShowText(Vec2(), L"hello");
    Draw(frame);
    EXPECT_TRUE(frame.mAnimations.empty());
    EXPECT_EQ(frame.mBaseQuad.corner[2].y, 132.0f) << "no font: the bubble cannot size itself";
  }
  EXPECT_TRUE(font.strings.empty());
  EXPECT_TRUE(screen.calls.empty());
}

TEST_F(TextKinds, TheBubbleGrowsToItsWrappedLines) {
  const std::wstring unbroken(45, L'x');  // 450 pixels, broken inside the word
  // 470 pixels in all, yet no two words share a 200-pixel line.
  const std::wstring words = L"aaaaaaaaaaa bbbbbbbbbbb ccccccccccc ddddddddddd";
  struct Case {
    Properties more;
    float x1;
    std::wstring text;
    float height;
  } cases[] = {{{{"_iLineSpacing", "20"}}, 300, unbroken, 16 + 2 * 20},
               {{}, 300, unbroken, 16 + 2 * 18},  // the font's spacing when none is given
               {{}, 300, words, 16 + 3 * 18},
               {{}, 300, L"one\ntwo", 16 + 18},
               {{}, 100, unbroken, 16}};  // a box without width: one line
  for (const Case& c : cases) {
    sObjFrame& frame = Make<sObjFrame>(100, 100, c.x1, 132, Bubble(c.more));
    frame.ShowText(Vec2(), c.text);
    EXPECT_EQ(frame.mBaseQuad.corner[3].y - frame.mBaseQuad.corner[0].y, c.height);
    EXPECT_EQ(frame.mBaseQuad.corner[1].x, c.x1);
    EXPECT_EQ(Playing(frame), "appear");
    EXPECT_TRUE(frame.mShown);
  }
}

TEST_F(TextKinds, ALongLineWrapsInsideTheBubble) {
  sObjFrame& frame = Make<sObjFrame>(100, 100, 300, 132, Bubble());
  // 580 pixels, but in four lines of at most 200.
  frame.ShowText(Vec2(), L"Uncle Barnaby's spectacles disappeared yesterday afternoon");
  Settle(frame);
  font.strings.clear();
  Draw(frame);
  const Quad& box = frame.mBaseQuad;
  ASSERT_EQ(font.strings.size(), 4u);
  for (const StringCall& line : font.strings) {
    EXPECT_GE(line.x, box.corner[0].x);
    EXPECT_LE(line.x + 10 * static_cast<int>(line.text.size()), box.corner[1].x) << "\"" << line.text << "\"";
    EXPECT_GE(line.y - 12, box.corner[0].y) << "the line's top";
    EXPECT_LE(line.y + 4, box.corner[3].y) << "the line's foot: \"" << line.text << "\"";
  }
}

TEST_F(TextKinds, ThePiecesKeepTheirColoursAndTheTextTakesTheObjects) {
  sObjFrame& frame = Make<sObjFrame>(100, 100, 300, 132, Bubble());
  frame.ShowText(Vec2(), L"hi");
  Settle(frame);
  // As "_colObj" 65280 and "_iAlph" 128 or a pose of an animation set them.
  frame.mRed = 0;
  frame.mGreen = 255;
  frame.mBlue = 0;
  frame.mAlpha = 128;
  screen.calls.clear();
  font.strings.clear();
  Draw(frame);
  ASSERT_EQ(screen.calls.size(), 14u);
  for (const DrawCall& call : screen.calls) {
    EXPECT_EQ(call.color, Color(255, 255, 255, 128)) << "untinted, faded with the bubble";
  }
  ASSERT_EQ(font.strings.size(), 1u);
  EXPECT_EQ(font.strings[0].color, Color(0, 255, 0, 128));
}

TEST_F(TextKinds, PiecesAndTheArrowFollowTheAnimation) {
  sObjFrame& frame = Make<sObjFrame>(100, 100, 300, 132, Bubble());
  frame.ShowText(Vec2(), L"hi");
  std::vector<float> arrowYs;
  for (int step = 0; step < 3; ++step) {
    screen.calls.clear();
    Draw(frame);
    ASSERT_EQ(screen.calls.size(), 14u) << "arrow, 5 backgrounds, 4 edges, 4 corners";
    const DrawCall& arrow = screen.calls[0];
    const DrawCall& ru = screen.calls[11];
    EXPECT_EQ(arrow.image, frame.mArrow.Get());
    EXPECT_EQ(ru.image, frame.mCorners[kFramePieceRU].Get());
    const Vec2 centre = Centre(arrow.quad);
    EXPECT_FLOAT_EQ(centre.x, ru.quad.corner[1].x + 10);
    EXPECT_FLOAT_EQ(centre.y, ru.quad.corner[1].y - 5);
    arrowYs.push_back(centre.y);
    frame.Update(1);
  }
  EXPECT_FLOAT_EQ(arrowYs[0], 100 - 9 - 5);
  EXPECT_GT(arrowYs[2], arrowYs[0]) << "the arrow moves with the bubble";
  ASSERT_FALSE(font.strings.empty());
  EXPECT_EQ(font.strings[0].text, L"hi");
}

TEST_F(TextKinds, ArrowAngleTurnsTheArrow) {
  sObjFrame& frame = Make<sObjFrame>(100, 100, 300, 132, Bubble({{"_fAngleArrow", "90"}}));
  const Quad& q = frame.mArrowQuad;
  const Vec2 centre = Centre(q);
  EXPECT_NEAR(q.corner[0].x - centre.x, -5.0f, 1e-4f);
  EXPECT_NEAR(q.corner[0].y - centre.y, 10.0f, 1e-4f);
  EXPECT_NEAR(centre.x, 312 + 10, 1e-4f);
}

TEST_F(TextKinds, MissingPiecesHaveNoSizeAndAreSkipped) {
  sObjFrame& frame = Make<sObjFrame>(100, 100, 300, 132,
                                     {{"_sFont", "FONT_TEXT"},
                                      {"_keyImgLU", "lu"},
                                      {"_keyImgArr", "gone"},
                                      {"_keyImgFon", "fon"},
                                      {"_iDeltaFrom", "1"}});
  EXPECT_EQ(frame.mArrow.Get(), nullptr);
  EXPECT_EQ(frame.mCornerQuads[kFramePieceRU].corner[1].x, 300.0f) << "a missing corner has size 0";
  Draw(frame);
  ASSERT_EQ(screen.calls.size(), 6u) << "5 backgrounds and LU";
  for (const DrawCall& call : screen.calls) EXPECT_NE(call.image, nullptr);
  frame.ReleaseImages();
  EXPECT_FALSE(IsImageLoaded("lu"));
  EXPECT_FALSE(IsImageLoaded("fon"));
}

TEST_F(TextKinds, QueuedTextWaitsForHide) {
  sObjFrame& frame = Make<sObjFrame>(100, 100, 300, 132, Bubble());
  frame.ShowText(Vec2(), L"first");
  Settle(frame);
  frame.QueueText(Vec2(), L"second");
  EXPECT_EQ(Playing(frame), "hide");
  EXPECT_EQ(frame.mText, L"first");
  for (int i = 0; i < 1000 && Playing(frame) == "hide"; ++i) frame.Update(1);
  EXPECT_EQ(frame.mText, L"second");
  EXPECT_EQ(Playing(frame), "appear");

  Settle(frame);
  frame.QueueText(Vec2(), L"third");
  frame.QueueText(Vec2(), L"fourth");
  EXPECT_EQ(frame.mText, L"fourth");
  EXPECT_FALSE(frame.IsPlaying()) << "shown at once in the final pose of \"appear\"";
  EXPECT_FALSE(frame.mQueued);
}

TEST_F(TextKinds, HidingANeverShownBubbleJumpsToTheEnd) {
  sObjFrame& frame = Make<sObjFrame>(100, 100, 300, 132, Bubble());
  EXPECT_EQ(frame.mAlpha, 255) << "rests in the first pose of \"appear\"";
  frame.Hide();
  EXPECT_FALSE(frame.IsPlaying());
  EXPECT_EQ(frame.mAlpha, 0);
  frame.Hide();  // hidden already: alpha 0 does nothing
  EXPECT_FALSE(frame.IsPlaying());
}

}  // namespace
}  // namespace kindstest
