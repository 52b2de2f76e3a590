// List: adding and removing rows and what becomes selected, scrolling a row
// into view and by the wheel, hit rows and the press report, the drawn rows,
// looks and clip, and lists without a font, a listener or a hot row that
// still exists.
#include <string>
#include <vector>

#include "engine/ControlKinds.h"
#include "engine/ImageTable.h"
#include "tests/engine/kinds_support.h"

namespace kindstest {
namespace {

class ListKind : public KindsTest {
 protected:
  void SetUp() override {
    KindsTest::SetUp();
    font.SetMetrics(18, 20);
    UseImages({{"selector", 40, 20, 2, 1}});
  }
  // A 200 x 100 box from (0, 10.6): rows hit from y 10, drawn from y 11.
  sObjList& List(const std::string& fontName = "FONT_TEXT", const std::string& selector = "selector") {
    sObjList& list = Make<sObjList>(0, 10.6f, 200, 110.6f,
                                    {{"_colObjNorm", "1"},
                                     {"_colObjSel", "2"},
                                     {"_colObjPress", "3"},
                                     {"_iAlph", "250"},
                                     {"_sFont", fontName},
                                     {"_keyImgSelector", selector}});
    list.mName = "players";
    list.mParent = &parent;
    list.SetListener(&listener);
    return list;
  }
  static void Fill(sObjList& list, int rows) {
    for (int i = 0; i < rows; ++i) list.AddItem(L"row" + std::to_wstring(i));
  }
  // The rows drawn, as (text, y, red).
  struct Drawn {
    std::wstring text;
    int y;
    int red;
    bool operator==(const Drawn& o) const { return text == o.text && y == o.y && red == o.red; }
  };
  std::vector<Drawn> DrawnRows(sObjList& list) {
    font.strings.clear();
    screen.calls.clear();
    Draw(list);
    std::vector<Drawn> rows;
    for (const StringCall& s : font.strings) rows.push_back({s.text, s.y, s.color.red});
    return rows;
  }

  sObj parent;
};

TEST_F(ListKind, AddingAndRemovingMoveTheSelection) {
  sObjList& list = List();
  list.AddItem(L"Anna");
  list.AddItem(L"Борис");
  list.AddItem(L"Clara");
  EXPECT_EQ(list.mSelected, 2);
  EXPECT_EQ(list.GetSelectedText(), L"Clara");
  list.AddItem(L"");
  EXPECT_EQ(list.GetCount(), 3) << "an empty text is no row";
  EXPECT_EQ(list.mSelected, 2);
  list.RemoveItemByText(L"Борис");
  EXPECT_EQ(list.mItems, (std::vector<std::wstring>{L"Anna", L"Clara"}));
  EXPECT_EQ(list.mSelected, 1) << "the new last row";
  list.RemoveItemByText(L"nobody");
  list.RemoveItem(2);
  EXPECT_EQ(list.GetCount(), 2) << "an index past the rows erases nothing";
  list.Select(5);
  list.Select(-1);
  EXPECT_EQ(list.mSelected, 1);
  list.SelectByText(L"Anna");
  EXPECT_EQ(list.mSelected, 0);
  list.RemoveItem(0);
  list.RemoveItem(0);
  EXPECT_EQ(list.mSelected, -1);
  EXPECT_EQ(list.GetSelectedText(), L"");
}

TEST_F(ListKind, SelectingScrollsTheRowIntoView) {
  sObjList& list = List();
  Fill(list, 10);
  EXPECT_EQ(list.mScroll, -100) << "each added row is brought into view";
  list.mScroll = 0;
  list.Select(7);
  EXPECT_EQ(list.mScroll, -60) << "rows 3 to 7 show";
  list.Select(1);
  EXPECT_EQ(list.mScroll, -20);
  EXPECT_EQ(list.ScrollNeeded(1), 0);
  EXPECT_EQ(list.ScrollNeeded(0), -20);
}

TEST_F(ListKind, TheWheelScrollsOnePixelPerNotchUnclamped) {
  sObjList& list = List();
  Fill(list, 10);
  list.mScroll = 0;
  list.MouseWheel(0, 0, 1);
  EXPECT_EQ(list.mScroll, 0) << "already at the top";
  list.mScroll = -40;
  list.MouseWheel(0, 0, 1);
  EXPECT_EQ(list.mScroll, -39);
  list.mScroll = -40;
  list.MouseWheel(0, 0, 50);
  EXPECT_EQ(list.mScroll, 10);
  list.mScroll = -100;
  list.MouseWheel(0, 0, -3);
  EXPECT_EQ(list.mScroll, -100) << "already at the bottom";
  list.mScroll = -90;
  list.MouseWheel(0, 0, -3);
  EXPECT_EQ(list.mScroll, -93);
}

TEST_F(ListKind, APressOnARowSelectsAndReportsIt) {
  sObjList& list = List();
  list.AddItem(L"Anna");
  list.AddItem(L"Борис");
  list.AddItem(L"Clara");
  list.MouseMove(50, 100);
  EXPECT_EQ(list.mHot, -1);
  EXPECT_FALSE(list.MouseDown(50, 100, 1)) << "below the last row";
  EXPECT_TRUE(listener.log.empty());

  list.MouseMove(50, 30);
  EXPECT_EQ(list.mHot, 1);
  EXPECT_TRUE(list.MouseDown(50, 30, 1));
  EXPECT_EQ(list.mSelected, 1);
  EXPECT_EQ(listener.log, std::vector<std::string>{"list players"});
  EXPECT_EQ(listener.rows, std::vector<std::wstring>{L"Борис"});

  list.MouseMove(250, 30);
  EXPECT_EQ(list.mHot, -1) << "outside the box";
  list.RowAt(29);
  EXPECT_EQ(list.mHot, 0) << "hit rows start at the truncated top";
  list.RowAt(30);
  EXPECT_EQ(list.mHot, 1);
}

TEST_F(ListKind, DrawsRowsLooksAndClip) {
  sObjList& list = List();
  list.AddItem(L"a");
  list.AddItem(L"b");
  list.AddItem(L"c");
  list.Select(0);
  list.RowAt(50);  // row 2 hot
  // Row text from the rounded top 11, baseline at + ascent 18.
  EXPECT_EQ(DrawnRows(list),
            (std::vector<Drawn>{{L"a", 29, 1}, {L"b", 49, 1}, {L"c", 69, 1}, {L"a", 29, 3}, {L"c", 69, 2}}));
  ASSERT_EQ(screen.calls.size(), 2u);
  EXPECT_EQ(screen.calls[0].column, 2) << "selected row";
  EXPECT_FLOAT_EQ(screen.calls[0].quad.corner[0].y, 10.6f);
  EXPECT_FLOAT_EQ(screen.calls[0].quad.corner[2].y, 30.6f);
  EXPECT_EQ(screen.calls[0].color.red, 255);
  EXPECT_EQ(screen.calls[0].color.alpha, 250);
  EXPECT_EQ(screen.calls[1].column, 1) << "hot row";
  EXPECT_FLOAT_EQ(screen.calls[1].quad.corner[0].y, 50.6f);
  const Rect& clip = font.strings[0].clip;
  EXPECT_EQ(clip.x, 0);
  EXPECT_EQ(clip.y, 10);
  EXPECT_EQ(clip.width, 200);
  EXPECT_EQ(clip.height, 100);

  list.RowAt(15);  // the selected row hot as well
  const std::vector<Drawn> rows = DrawnRows(list);
  EXPECT_EQ(rows.size(), 4u) << "only the selected look";
  EXPECT_EQ(screen.calls.size(), 1u);

  Fill(list, 7);
  list.mScroll = -5;
  list.Select(0);
  list.mScroll = -5;  // row 0 partly above the box
  list.mHot = -1;
  DrawnRows(list);
  EXPECT_TRUE(screen.calls.empty()) << "no selector behind a row not wholly inside";
  EXPECT_EQ(font.strings.back().color.red, 3) << "the selected colour still";
}

TEST_F(ListKind, AListWithoutAFontTakesMovesAndDrawsNothing) {
  for (const char* name : {"SOUND_FIND", "", "FONT_NOPE"}) {
    sObjList& list = List(name, "none");
    EXPECT_EQ(list.mFont, nullptr) << name;
    Fill(list, 3);
    list.MouseMove(50, 30);
    EXPECT_EQ(list.mHot, -1) << name;
    EXPECT_FALSE(list.MouseDown(50, 30, 1)) << name;
    EXPECT_EQ(list.ScrollNeeded(2), 0) << name;
    list.MouseWheel(0, 0, -1);
    EXPECT_TRUE(DrawnRows(list).empty()) << name;
    EXPECT_TRUE(listener.log.empty()) << name;
  }
}

TEST_F(ListKind, ARemovedHotRowIsForgotten) {
  sObjList& list = List();
  Fill(list, 3);
  list.mScroll = 0;
  list.RowAt(55);
  ASSERT_EQ(list.mHot, 2);
  list.RemoveItem(0);
  EXPECT_EQ(list.mHot, -1) << "row 2 is gone";
  EXPECT_EQ(DrawnRows(list).size(), 3u) << "two rows and the selected look";
  list.RowAt(15);
  list.RemoveItem(1);
  EXPECT_EQ(list.mHot, 0) << "a hot row that still exists stays";
  Fill(list, 2);
  list.RowAt(55);
  list.Clear();
  EXPECT_EQ(list.mHot, -1);
  EXPECT_TRUE(DrawnRows(list).empty());
}

TEST_F(ListKind, WorksWithoutAListener) {
  sObjList& list = List();
  list.SetListener(nullptr);
  Fill(list, 3);
  list.mScroll = 0;
  list.MouseMove(50, 15);
  EXPECT_TRUE(list.MouseDown(50, 15, 1));
  EXPECT_EQ(list.mSelected, 0);
}

TEST_F(ListKind, ReleaseGivesBackTheSelectorKeyThatWasLoaded) {
  sObjList& list = List();
  list.mProperties = PropertyList();
  list.mProperties.Add("_keyImgSelector", "none");
  list.ReleaseImages();
  EXPECT_FALSE(IsImageLoaded("selector")) << "released by its own key, whatever the properties say";
  EXPECT_EQ(list.mSelector.Get(), nullptr);
}

}  // namespace
}  // namespace kindstest
