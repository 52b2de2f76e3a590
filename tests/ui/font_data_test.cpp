// The font descriptor commands, their messages and the edge cases of loading.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "platform/Platform.h"
#include "resources/ImageLib.h"
#include "shell/base/StringUtils.h"
#include "tests/support/temp_folder.h"
#include "tests/ui/font_test_support.h"
#include "ui/FontData.h"

namespace Kivo {
namespace {

using test::MemoryFontHost;

// A font data loaded from a memory descriptor "fd/desc.txt", whose folder
// holds the 20 by 10 image "img.png".
struct Loaded {
  MemoryFontHost host;
  FontData* data = new FontData();
  bool loadResult = false;

  explicit Loaded(const std::wstring& text) {
    data->AddRef();
    host.AddImage("fd/img.png", test::SolidImage(20, 10, 0xFFFFFFFF));
    test::MemoryDescriptor("fd/desc.txt", text);
    loadResult = data->LoadDescriptor(&host, "fd/desc.txt");
  }
  ~Loaded() { data->Release(); }
  const FontLayer& Layer(const wchar_t* name) const {
    const FontLayer* layer = data->FindLayer(name);
    EXPECT_NE(layer, nullptr) << Narrow(name);
    static const FontLayer none;
    return layer != nullptr ? *layer : none;
  }
};

const wchar_t* const kPreamble = L"CreateLayer Main; LayerSetImage Main 'img.png';\n";

TEST(FontData, EveryCommandByItsExactName) {
  Loaded f(std::wstring(kPreamble) +
           L"Define Chars ('a' 'b');\n"
           L"CreateHorzSpanRectList Rects (0 0 999 8) (3 4);\n"
           L"SetDefaultPointSize 12;\n"
           L"SetCharMap ('A' 'B') ('a' 'b');\n"
           L"LayerSetCharWidths Main Chars (5 6);\n"
           L"LayerSetImageMap Main Chars Rects;\n"
           L"LayerSetCharOffsets Main ('a') ((1 -2));\n"
           L"LayerSetKerningPairs Main ('ab' 'ba') (-1 2);\n"
           L"LayerSetCharOrders Main ('b') (3);\n"
           L"LayerPointRange Main 10 20;\n"
           L"LayerSetPointSize Main 12;\n"
           L"LayerSetHeight Main 9;\n"
           L"LayerSetDrawMode Main 1;\n"
           L"LayerSetColorMult Main 0x80FF0000;\n"
           L"LayerSetColorAdd Main (0 0.5 1 0);\n"
           L"LayerSetAscent Main 7;\n"
           L"LayerSetAscentPadding Main 2;\n"
           L"LayerSetLineSpacingOffset Main -1;\n"
           L"LayerSetOffset Main (4 5);\n"
           L"LayerSetSpacing Main 1;\n"
           L"LayerSetBaseOrder Main 2;\n"
           L"CreateLayerFrom Shadow Main;\n"
           L"LayerRequireTags Shadow ('shadow' \"Glow\");\n"
           L"LayerExcludeTags Shadow ('plain');\n");
  ASSERT_TRUE(f.loadResult);
  EXPECT_TRUE(f.data->IsInitialised());
  EXPECT_TRUE(f.host.messages.empty()) << f.host.messages.front();
  EXPECT_EQ(f.data->GetDefaultPointSize(), 12);
  EXPECT_EQ(f.data->MapChar(L'A'), L'a');
  EXPECT_EQ(f.data->MapChar(L'b'), L'b') << "widths map a character to itself";
  EXPECT_EQ(f.data->MapChar(L'z'), 0);

  const FontLayer& main = f.Layer(L"main");
  EXPECT_EQ(main.Glyph(L'a').width, 5);
  EXPECT_EQ(main.Glyph(L'b').width, 6);
  EXPECT_EQ(main.Glyph(L'a').imageRect, Rect(0, 0, 3, 8));
  EXPECT_EQ(main.Glyph(L'b').imageRect, Rect(3, 0, 4, 8));
  EXPECT_EQ(main.Glyph(L'a').offsetX, 1);
  EXPECT_EQ(main.Glyph(L'a').offsetY, -2);
  EXPECT_EQ(main.Glyph(L'a').GetKerning(L'b'), -1);
  EXPECT_EQ(main.Glyph(L'b').GetKerning(L'a'), 2);
  EXPECT_EQ(main.Glyph(L'b').GetKerning(L'b'), 0);
  EXPECT_EQ(main.Glyph(L'b').order, 3);
  EXPECT_EQ(main.defaultHeight, 8) << "the largest height plus offset when the map ran";
  EXPECT_EQ(main.minPointSize, 10);
  EXPECT_EQ(main.maxPointSize, 20);
  EXPECT_EQ(main.pointSize, 12);
  EXPECT_EQ(main.height, 9);
  EXPECT_EQ(main.drawMode, 1);
  EXPECT_EQ(main.colorMult, Color(255, 0, 0, 128));
  EXPECT_EQ(main.colorAdd, Color(0, 127, 255, 0));
  EXPECT_EQ(main.ascent, 7);
  EXPECT_EQ(main.ascentPadding, 2);
  EXPECT_EQ(main.lineSpacingOffset, -1);
  EXPECT_EQ(main.offsetX, 4);
  EXPECT_EQ(main.offsetY, 5);
  EXPECT_EQ(main.spacing, 1);
  EXPECT_EQ(main.baseOrder, 2);
  EXPECT_NE(main.image.GetMemoryImage(), nullptr);

  const FontLayer& shadow = f.Layer(L"SHADOW");
  EXPECT_EQ(shadow.requiredTags, (std::vector<std::wstring>{L"SHADOW", L"GLOW"}));
  EXPECT_EQ(shadow.excludedTags, (std::vector<std::wstring>{L"PLAIN"}));
  EXPECT_EQ(shadow.Glyph(L'b').imageRect, Rect(3, 0, 4, 8)) << "a copy carries the glyphs";
  EXPECT_EQ(shadow.image.GetMemoryImage(), main.image.GetMemoryImage()) << "and shares the image";
  EXPECT_TRUE(main.requiredTags.empty());
  EXPECT_EQ(f.data->Layers().size(), 2u);

  for (const auto& define : {L"CHARS", L"RECTS"})
    EXPECT_EQ(f.data->FindDefine(define), nullptr) << "defines end with the load";
}

TEST(FontData, MessagesOfFailingCommands) {
  struct Case {
    const wchar_t* command;
    std::vector<std::string> messages;
  };
  const std::string invalid = "Invalid Paramater Type";
  const Case cases[] = {
      {L"LayerSetAscent Main", {"Invalid Number of Parameters"}},
      {L"LayerSetAscent Main 1 2", {"Invalid Number of Parameters"}},
      {L"LayerSetAscent Main x", {invalid}},
      {L"LayerSetAscent Main '3'", {invalid}},
      {L"LayerSetAscent (Main) 3", {invalid}},
      {L"LayerSetAscent Nope 3", {"Undefined Layer", invalid}},
      {L"LayerSetDrawMode Main 2", {invalid}},
      {L"LayerSetColorMult Main (1 0.5 0)", {invalid}},
      {L"LayerSetColorMult Main Bogus", {invalid}},
      {L"LayerSetOffset Main (1 2 3)", {invalid}},
      {L"LayerSetCharWidths Main ('a' 'b') (1)", {"List Size Mismatch"}},
      {L"LayerSetCharWidths Main (Nope) (1)", {"Unable to Dereference \"Nope\"", invalid}},
      {L"LayerSetKerningPairs Main ('abc') (1)", {invalid}},
      {L"LayerSetCharOffsets Main ('a') ((1 2 3))", {invalid}},
      {L"SetCharMap ('a' 'b') ('c')", {"List Size Mismatch"}},
      {L"SetCharMap ('ab') ('c')", {invalid}},
      {L"CreateHorzSpanRectList R (1 2 3) (1)", {invalid}},
      {L"Define 1x 5", {invalid}},
      {L"Define A (Nope)", {"Unable to Dereference \"Nope\""}},
      {L"Define (A) 5", {invalid}},
      {L"LayerSetImage Main 'missing.png'", {"Failed to Load Image"}},
      {L"CreateLayer Bare; LayerSetImageMap Bare ('a') ((0 0 1 1))", {"Layer image not set"}},
      {L"LayerSetImageMap Main ('a') ((0 0 21 1))", {"Image rectangle out of bounds"}},
      {L"LayerSetImageMap Main ('a') ((0 5 1 6))", {"Image rectangle out of bounds"}},
      {L"LayerSetImageMap Main ('a') ((-1 0 1 1))", {"Image rectangle out of bounds"}},
      // A negative size, or one whose sum wraps in 32 bits, is no rectangle
      // inside the image either.
      {L"LayerSetImageMap Main ('a') ((5 0 -3 1))", {"Image rectangle out of bounds"}},
      {L"LayerSetImageMap Main ('a') ((0 5 1 -6))", {"Image rectangle out of bounds"}},
      {L"LayerSetImageMap Main ('a') ((1 0 2147483647 1))", {"Image rectangle out of bounds"}},
      {L"LayerSetImageMap Main ('a' 'b') ((0 0 1 1))", {"List Size Mismatch"}},
      {L"Bogus 1", {"Unknown Command"}},
      {L"createlayer X", {"Unknown Command"}},
  };
  for (const Case& c : cases) {
    Loaded f(std::wstring(kPreamble) + c.command + L";\nCreateLayer After");
    EXPECT_EQ(f.host.Messages(), c.messages) << Narrow(c.command);
    EXPECT_FALSE(f.data->IsInitialised()) << Narrow(c.command);
    EXPECT_TRUE(f.loadResult) << "the loader itself reports true; callers test the flag";
    EXPECT_EQ(f.data->FindLayer(L"After"), nullptr) << "the load stops at the failing command";
  }
}

TEST(FontData, EdgeCasesOfTheCommands) {
  {
    Loaded f(L"CreateLayer Main; CreateLayer main");
    EXPECT_EQ(f.host.Messages(), (std::vector<std::string>{"Layer Already Exists"}));
    EXPECT_TRUE(f.data->IsInitialised());
    EXPECT_EQ(f.data->Layers().size(), 2u);
    EXPECT_EQ(f.data->FindLayer(L"MAIN"), &f.data->Layers().front()) << "the second layer stays unnamed";
  }
  {
    Loaded f(
        L"CreateLayer A; LayerSetColorMult A (1 0.5 0 1); CreateLayer B; LayerSetColorMult B 0xFF0000;"
        L"CreateLayer C; LayerSetColorAdd C (1.5 -0.5 0 0)");
    EXPECT_EQ(f.Layer(L"A").colorMult, Color(255, 127, 0, 255));
    EXPECT_EQ(f.Layer(L"B").colorMult, Color(255, 0, 0, 255)) << "a zero top byte means opaque";
    EXPECT_EQ(f.Layer(L"C").colorAdd, Color(382, -127, 0, 0)) << "reals are stored unclamped";
  }
  {
    Loaded f(std::wstring(kPreamble) + L"LayerSetCharWidths Main (\"ab\" \"c\") (1 2)");
    EXPECT_EQ(f.host.Messages(), (std::vector<std::string>{"Invalid Paramater Type"}));
    EXPECT_EQ(f.Layer(L"Main").Glyph(L'c').width, 2) << "the valid entries are still entered";
    EXPECT_EQ(f.data->MapChar(L'c'), L'c');
  }
  {
    // The span list, kept by a second define that copies it.
    Loaded f(
        L"CreateHorzSpanRectList Spans (10 20 999 30) (5 7 9); Define Copy Spans;"
        L"Define V 1; Define V 2; Define Same V; CreateLayer Main");
    // Defines are dropped when the load ends, so probe before: load again
    // into a parser that keeps them.
    FontData keeper;
    ASSERT_TRUE(keeper.RunCommand(L"CreateHorzSpanRectList Spans (10 20 999 30) (5 7 9)"));
    EXPECT_EQ(DescParser::ElementToText(keeper.FindDefine(L"spans")),
              L"((10, 20, 5, 30), (15, 20, 7, 30), (22, 20, 9, 30))");
    ASSERT_TRUE(keeper.RunCommand(L"Define V 1"));
    ASSERT_TRUE(keeper.RunCommand(L"Define v 2"));
    EXPECT_EQ(DescParser::ElementToText(keeper.FindDefine(L"V")), L"2") << "a redefinition replaces";
    ASSERT_TRUE(keeper.RunCommand(L"Define W (v 'x' (v))"));
    EXPECT_EQ(DescParser::ElementToText(keeper.FindDefine(L"W")), L"(2, x, (2))");
    EXPECT_TRUE(f.host.messages.empty());
    EXPECT_TRUE(f.data->IsInitialised());
    EXPECT_EQ(f.data->FindDefine(L"Spans"), nullptr);
    EXPECT_EQ(f.data->FindDefine(L"Copy"), nullptr);
  }
  {
    // The right edge on the image's edge is inside.
    Loaded f(std::wstring(kPreamble) + L"LayerSetImageMap Main ('a' 'b') ((0 0 20 10) (19 9 1 1))");
    EXPECT_TRUE(f.host.messages.empty());
    EXPECT_EQ(f.Layer(L"Main").Glyph(L'a').imageRect, Rect(0, 0, 20, 10));
  }
}

TEST(FontData, DefinesCannotNestWithoutBound) {
  // A define is deleted before its new value is read, so the growth goes
  // through a second name.
  std::wstring text = L"Define A 1;\n";
  for (int i = 0; i < kMaxListDepth; ++i) text += L"Define B (A);\nDefine A (B);\n";
  Loaded f(text);
  EXPECT_EQ(f.host.Messages(), (std::vector<std::string>{"Unterminated List"}));
  EXPECT_FALSE(f.data->IsInitialised());
}

TEST(FontData, LoadsOnceAndWithoutHostShowsNothing) {
  Loaded f(L"CreateLayer Main");
  EXPECT_FALSE(f.data->LoadDescriptor(&f.host, "fd/desc.txt")) << "a second load changes nothing";
  EXPECT_EQ(f.data->Layers().size(), 1u);

  FontData* bare = new FontData();
  bare->AddRef();
  test::MemoryDescriptor("fd/bad.txt", L"Bogus");
  EXPECT_TRUE(bare->LoadDescriptor(nullptr, "fd/bad.txt"));
  EXPECT_FALSE(bare->IsInitialised());
  bare->Release();
}

// Through the application's own error box: headless, it is logged.
class FontDataFiles : public ::testing::Test {
 protected:
  void SetUp() override {
    Platform::SetMainThread();
    ASSERT_TRUE(Platform::StartBackend("headless"));
    ::setenv("GAME_LOG", (folder / "game.log").c_str(), 1);
  }
  void TearDown() override { ::unsetenv("GAME_LOG"); }

  std::string Log() {
    std::ifstream in(folder / "game.log", std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  }
  void Write(const std::string& name, const std::wstring& text) {
    std::filesystem::create_directories(std::filesystem::path(folder / name).parent_path());
    std::vector<uint8_t> bytes = test::Utf16Le(text);
    std::ofstream(folder / name, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), bytes.size());
  }

  TempFolder folder;
};

TEST_F(FontDataFiles, TheWholeBoxTextGoesToTheLog) {
  const std::string path = folder / "fonts/desc.txt";
  Write("fonts/desc.txt", L"# comment\nCreateLayer Main;\n\nLayerSetAscent Main\n   x;\nCreateLayer Later");
  StandaloneFontHost host;
  FontData* data = new FontData();
  data->AddRef();
  data->LoadDescriptor(&host, path);
  EXPECT_FALSE(data->IsInitialised());
  const std::string box =
      "Font Descriptor Error in " + path + "\r\nInvalid Paramater Type on Line 4:\r\n\r\nLayerSetAscent Main\nx";
  ASSERT_EQ(host.Messages(), (std::vector<std::string>{box}));
  // The headless log writes a line feed as \n and keeps carriage returns.
  std::string logged = "type=0x10 title=\"FATAL ERROR\" text=\"Font Descriptor Error in " + path +
                       "\r\\nInvalid Paramater Type on Line 4:\r\\n\r\\nLayerSetAscent Main\\nx\"";
  EXPECT_NE(Log().find(logged), std::string::npos) << Log();
  data->Release();
}

TEST_F(FontDataFiles, ImagePathsResolveAgainstTheDescriptorFolder) {
  ImageLib::Image strip(6, 4);
  for (size_t i = 0; i < strip.pixels.size(); ++i) strip.pixels[i] = i % 2 ? 0xFFFFFFFFu : 0x00000000u;
  std::filesystem::create_directories(folder / "fonts/img");
  ASSERT_TRUE(ImageLib::WritePngImage(folder / "fonts/img/strip.png", strip));
  Write("fonts/desc.txt", L"CreateLayer Main; LayerSetImage Main 'img/strip.png'; LayerSetImage Main 'img/none.png'");
  StandaloneFontHost host;
  FontData* data = new FontData();
  data->AddRef();
  data->LoadDescriptor(&host, folder / "fonts/desc.txt");
  ASSERT_EQ(host.Messages().size(), 1u);
  EXPECT_NE(host.Messages()[0].find("Failed to Load Image on Line 1"), std::string::npos) << host.Messages()[0];
  const MemoryImage* image = data->FindLayer(L"Main")->image.GetMemoryImage();
  ASSERT_NE(image, nullptr) << "the first image loaded from the descriptor's folder";
  EXPECT_EQ(image->width, 6);
  EXPECT_NE(image->palette, nullptr) << "a newly loaded glyph image goes to palette form";
  data->Release();
}

}  // namespace
}  // namespace Kivo
