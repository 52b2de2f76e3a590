// Loading manifest records with the real image registry, fonts and a sound
// manager on a headless device: whole groups and one record per call,
// alpha merges, image options, sounds, fonts, getters, release, and a walk on
// a second thread while the main thread fetches.
#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "audio/DSoundManager.h"
#include "image/surface/DDImage.h"
#include "platform/Platform.h"
#include "resources/ImageLib.h"
#include "resources/manifest/ResourceManager.h"
#include "shell/KivoAppBase.h"
#include "tests/support/sound_fixtures.h"
#include "tests/ui/font_test_support.h"
#include "ui/ImageFont.h"
#include "ui/SysFont.h"

namespace {

using namespace Kivo;
using RM = ResourceManager;

// The application with a seam on its shared images: every request and every
// image actually loaded is counted.
class LoadApp : public KivoAppBase {
 public:
  SharedImageHandle FindOrCreateSharedImage(const std::string& file, const std::string& variant, bool* isNew) override {
    ++requests;
    SharedImageHandle handle = KivoAppBase::FindOrCreateSharedImage(file, variant, isNew);
    if (*isNew) ++loads;
    return handle;
  }
  std::atomic<int> requests{0};
  std::atomic<int> loads{0};
};

// The real sound manager, with the base volume and pan calls recorded.
class RecordingSounds : public DSoundManager {
 public:
  explicit RecordingSounds(void* window) : DSoundManager(window, false) {}
  bool SetSoundBaseVolume(int id, double volume) override {
    volumes.push_back({id, volume});
    return DSoundManager::SetSoundBaseVolume(id, volume);
  }
  bool SetSoundBasePan(int id, int pan) override {
    pans.push_back({id, pan});
    return DSoundManager::SetSoundBasePan(id, pan);
  }
  std::vector<std::pair<int, double>> volumes;
  std::vector<std::pair<int, int>> pans;
};

uint32_t Pixel(int x, int y) { return 0xFF000000u | uint32_t(x * 7 % 256) << 16 | uint32_t(y * 5 % 256) << 8 | 0x40u; }

void WriteImage(const std::string& name, int width, int height, uint32_t (*pixel)(int, int)) {
  ImageLib::Image image(width, height);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) image.pixels[size_t(y) * width + x] = pixel(x, y);
  std::filesystem::path folder = std::filesystem::path(name).parent_path();
  if (!folder.empty()) std::filesystem::create_directories(folder);
  bool ok = name.size() > 4 && name.substr(name.size() - 4) == ".jpg" ? ImageLib::WriteJpegImage(name, image)
                                                                      : ImageLib::WritePngImage(name, image);
  ASSERT_TRUE(ok) << name;
}

void WriteText(const std::string& name, const std::string& text) {
  soundtest::WriteFile(name, soundtest::Bytes(text.begin(), text.end()));
}

// A short 16-bit mono tone as WAV, and as 8-bit mu-law AU.
void WriteSounds() {
  soundtest::WriteFile("data/sounds/beep.wav",
                       soundtest::Wav(1, 22050, 16, soundtest::Pcm16(soundtest::Sine(22050, 800, 440, 8000))));
  soundtest::WriteFile("data/sounds/buzz.au", soundtest::Au(24, 400, 1, 8000, 1, soundtest::Bytes(400, 0x55)));
}

class resload : public ::testing::Test {
 protected:
  void SetUp() override {
    Platform::SetMainThread();
    ASSERT_TRUE(Platform::StartBackend("headless"));
    app = std::make_unique<LoadApp>();
    sounds = new RecordingSounds(&window);
    app->mSoundManager = sounds;
    ASSERT_TRUE(sounds->IsReady());
    manager = std::make_unique<RM>(app.get());
  }
  void TearDown() override {
    manager.reset();
    app.reset();
  }

  bool Read(const std::string& body) {
    WriteText("data/data.xml", "<ResourceManifest>\n" + body + "\n</ResourceManifest>\n");
    return manager->ReadManifest("data/data.xml");
  }
  MemoryImage* Image(const std::string& id) { return manager->ImageOrThrow(id).GetMemoryImage(); }
  std::string Thrown(const std::function<void()>& call) {
    try {
      call();
    } catch (const ResourceManagerException& e) {
      return e.what();
    }
    return "(nothing thrown)";
  }

  soundtest::ScratchFolder folder;  // the working folder for relative paths
  soundtest::HeadlessAudio audio;
  int window = 0;
  std::unique_ptr<LoadApp> app;
  RecordingSounds* sounds = nullptr;
  std::unique_ptr<RM> manager;
};

TEST_F(resload, GroupLoadsOnceAndUnknownGroupsAreEmpty) {
  WriteImage("data/images/a.png", 8, 4, Pixel);
  WriteImage("data/images/b.jpg", 8, 8, Pixel);
  WriteSounds();
  ASSERT_TRUE(Read(R"(<Resources id="Loading">
<Font id="FONT_SYS" path="!sys:Sans" size="12"/>
<SetDefaults path="data/images" idprefix="IMAGE_"/>
<Image path="a.png"/>
<Image path="b.jpg"/>
<Image path="!program"/>
<SetDefaults path="data/sounds" idprefix="SOUND_"/>
<Sound path="beep"/>
<Sound path="buzz"/>
</Resources>)"))
      << manager->ErrorText();

  EXPECT_TRUE(manager->LoadGroup("Loading")) << manager->ErrorText();
  EXPECT_TRUE(manager->IsGroupLoaded("Loading"));
  EXPECT_EQ(app->loads.load(), 2);
  EXPECT_EQ(Image("IMAGE_a")->width, 8);
  EXPECT_EQ(Image("IMAGE_b")->height, 8);
  EXPECT_EQ(manager->SoundOrThrow("SOUND_beep"), 0);  // the lowest free ids
  EXPECT_EQ(manager->SoundOrThrow("SOUND_buzz"), 1);
  EXPECT_NE(dynamic_cast<SysFont*>(manager->FontOrThrow("FONT_SYS")), nullptr);
  EXPECT_EQ(sounds->CountLoadedSounds(), 2);

  // Again: nothing is asked for, nothing reloaded.
  const int requests = app->requests.load();
  EXPECT_TRUE(manager->LoadGroup("Loading"));
  EXPECT_EQ(app->requests.load(), requests);
  EXPECT_EQ(sounds->CountLoadedSounds(), 2);

  EXPECT_TRUE(manager->LoadGroup("NotInTheManifest"));
  EXPECT_TRUE(manager->IsGroupLoaded("NotInTheManifest"));
  EXPECT_FALSE(manager->HasFailed());
}

TEST_F(resload, StepWiseWalkStopsAtTheFirstFailure) {
  WriteImage("a.png", 4, 4, Pixel);
  WriteImage("b.png", 4, 4, Pixel);
  WriteImage("d.png", 4, 4, Pixel);
  ASSERT_TRUE(Read(R"(<Resources id="Game">
<Image path="!program"/>
<Image path="a.png"/>
<Image path="b.png"/>
<Image path="missing.png"/>
<Image path="d.png"/>
</Resources>)"));
  EXPECT_EQ(manager->CountInGroup("Game", manager->Images()), 4);

  manager->BeginGroupLoad("Game");
  // Each call loads at most one record; the program's own is passed over.
  EXPECT_TRUE(manager->LoadNextOfGroup());
  EXPECT_EQ(app->requests.load(), 1);
  EXPECT_TRUE(manager->LoadNextOfGroup());
  EXPECT_EQ(app->requests.load(), 2);
  EXPECT_FALSE(manager->LoadNextOfGroup());
  EXPECT_EQ(app->requests.load(), 3);
  EXPECT_EQ(manager->ErrorText(), "Failed to load image: missing.png");
  EXPECT_FALSE(manager->LoadNextOfGroup());
  EXPECT_EQ(app->requests.load(), 3) << "the walk goes on after a failure";
  EXPECT_TRUE(manager->HasFailed());

  EXPECT_NE(Image("a"), nullptr);
  EXPECT_NE(Image("b"), nullptr);
  EXPECT_EQ(Thrown([&] { manager->ImageOrThrow("d"); }), "Failed to load image: missing.png");
  EXPECT_EQ(Thrown([&] { manager->ImageOrThrow("!program"); }), "Failed to load image: missing.png");

  manager->BeginGroupLoad("Game");
  EXPECT_FALSE(manager->HasFailed());
  EXPECT_EQ(manager->ErrorText(), "");
  // Loaded records are passed over without a request: straight to the failure.
  EXPECT_FALSE(manager->LoadNextOfGroup());
  EXPECT_EQ(app->requests.load(), 4);
  EXPECT_FALSE(manager->LoadGroup("Game"));
  EXPECT_FALSE(manager->IsGroupLoaded("Game"));
}

uint32_t Opaque(int x, int y) { return 0xFF000000u | uint32_t(x) << 16 | uint32_t(y) << 8 | 0x11u; }
uint32_t BlueRamp(int x, int y) { return 0xFF000000u | uint32_t((x + 3 * y) & 0xFF); }

TEST_F(resload, AlphaImagesAndGrids) {
  WriteImage("img/pic.png", 6, 5, Opaque);
  WriteImage("img/pic_alpha.png", 6, 5, BlueRamp);
  WriteImage("img/small_alpha.png", 5, 5, BlueRamp);
  WriteImage("img/sheet.png", 64, 32, Opaque);
  WriteImage("img/grid32.png", 32, 32, BlueRamp);
  WriteImage("img/grid30.png", 30, 30, BlueRamp);
  ASSERT_TRUE(Read(R"(<Resources id="G">
<SetDefaults path="img"/>
<Image id="pic" path="pic.png" alphaimage="pic_alpha.png" nopal />
<Image id="again" path="pic.png" alphaimage="small_alpha.png" nopal />
<Image id="sheet" path="sheet.png" rows="1" cols="2" alphagrid="grid32.png" nopal />
</Resources>
<Resources id="Bad1"><Image id="bad" path="pic.png" variant="v2" alphaimage="small_alpha.png"/></Resources>
<Resources id="Bad2"><Image id="badgrid" path="sheet.png" variant="v2" cols="2" alphagrid="grid30.png"/></Resources>
<Resources id="Bad3"><Image id="nogrid" path="sheet.png" variant="v3" alphagrid="none.png"/></Resources>)"))
      << manager->ErrorText();

  ASSERT_TRUE(manager->LoadGroup("G")) << manager->ErrorText();
  MemoryImage* pic = Image("pic");
  const uint32_t* bits = pic->GetBits();
  for (int y = 0; y < 5; ++y)
    for (int x = 0; x < 6; ++x)
      ASSERT_EQ(bits[y * 6 + x], (Opaque(x, y) & 0xFFFFFF) | (BlueRamp(x, y) & 0xFF) << 24) << x << "," << y;
  EXPECT_TRUE(pic->hasPartialAlpha);
  // The second record found the image in the shared map: no merge, so its
  // mismatching alpha image did not matter.
  EXPECT_EQ(Image("again"), pic);

  MemoryImage* sheet = Image("sheet");
  bits = sheet->GetBits();
  for (int y = 0; y < 32; ++y)
    for (int x = 0; x < 64; ++x) ASSERT_EQ(bits[y * 64 + x] >> 24, BlueRamp(x % 32, y) & 0xFF) << x << "," << y;

  EXPECT_FALSE(manager->LoadGroup("Bad1"));
  EXPECT_EQ(manager->ErrorText(), "AlphaImage size mismatch between img/pic.png and img/small_alpha.png");
  EXPECT_FALSE(manager->LoadGroup("Bad2"));
  EXPECT_EQ(manager->ErrorText(), "GridAlphaImage size mismatch between img/sheet.png and img/grid30.png");
  EXPECT_FALSE(manager->LoadGroup("Bad3"));
  EXPECT_EQ(manager->ErrorText(), "Failed to load image: img/none.png");
}

TEST_F(resload, AlphaOnlyImageTakesTheRecordsColourOnItsOwnThread) {
  // Only the alpha companion exists: the image is the record's colour.
  WriteImage("ghost/_shade.png", 4, 2, BlueRamp);
  ASSERT_TRUE(Read(R"(<Resources id="G">
<Image id="shade" path="ghost/shade.png" alphacolor="FF4000" nopal />
</Resources>)"));
  ImageLib::SetAlphaOnlyFillColor(0x123456);
  std::thread loader([&] { EXPECT_TRUE(manager->LoadGroup("G")) << manager->ErrorText(); });
  loader.join();
  EXPECT_EQ(ImageLib::GetAlphaOnlyFillColor(), 0x123456u) << "another thread's colour is left alone";
  const uint32_t* bits = Image("shade")->GetBits();
  for (int y = 0; y < 2; ++y)
    for (int x = 0; x < 4; ++x) EXPECT_EQ(bits[y * 4 + x], 0xFF4000u | (BlueRamp(x, y) & 0xFF) << 24) << x;
  ImageLib::SetAlphaOnlyFillColor(0xFFFFFF);
}

uint32_t Translucent(int x, int y) { return uint32_t(0x80 + (x & 1)) << 24 | uint32_t(y) << 8; }
uint32_t ManyColours(int x, int y) { return 0xFF000000u | uint32_t(x) << 8 | uint32_t(y); }

TEST_F(resload, OptionsReachTheImage) {
  WriteImage("o/opaque.png", 8, 8, Opaque);
  WriteImage("o/soft.png", 8, 8, Translucent);
  WriteImage("o/many.png", 32, 32, ManyColours);
  ASSERT_TRUE(Read(R"(<Resources id="G">
<SetDefaults path="o"/>
<Image id="plain" path="opaque.png"/>
<Image id="flags" path="soft.png" a4r4g4b4 a8r8g8b8 minsubdivide rows="2" cols="4" nopal ddsurface />
<Image id="anim" path="opaque.png" variant="anim" rows="2" anim="loop" framedelay="3"/>
<Image id="nobits" path="many.png" nobits />
<Image id="surface" path="opaque.png" variant="surface" ddsurface nopal />
<Image id="zero" path="opaque.png" variant="zero" rows="0" cols="-2" nopal />
</Resources>)"))
      << manager->ErrorText();
  ASSERT_TRUE(manager->LoadGroup("G")) << manager->ErrorText();

  MemoryImage* plain = Image("plain");
  EXPECT_FALSE(plain->hasTransparency);
  EXPECT_NE(plain->palette, nullptr);  // converted to a palette
  EXPECT_EQ(plain->textureFlags, 0u);
  EXPECT_EQ(plain->animation, nullptr);
  EXPECT_FALSE(plain->discardWanted);

  MemoryImage* flags = Image("flags");
  EXPECT_TRUE(flags->hasPartialAlpha);
  EXPECT_EQ(flags->textureFlags, 4u | 8u | 1u);
  EXPECT_EQ(flags->rows, 2);
  EXPECT_EQ(flags->columns, 4);
  EXPECT_EQ(flags->palette, nullptr);
  // Partial alpha keeps the image out of a display surface.
  EXPECT_FALSE(flags->discardWanted);
  EXPECT_FALSE(static_cast<DDImage*>(flags)->surfaceWanted);

  MemoryImage* anim = Image("anim");
  ASSERT_NE(anim->animation, nullptr);
  EXPECT_EQ(anim->animation->type, AnimationInfo::kLoop);
  EXPECT_EQ(anim->animation->frameCount, 2);
  EXPECT_EQ(anim->animation->frameDelay, 3);

  // More than 256 colours keep their 32-bit pixels; without a display the
  // discarded pixels stay as the only copy.
  MemoryImage* nobits = Image("nobits");
  EXPECT_TRUE(nobits->discardWanted);
  EXPECT_EQ(nobits->GetBits()[33], ManyColours(1, 1));

  MemoryImage* surface = Image("surface");
  EXPECT_TRUE(surface->discardWanted);
  EXPECT_TRUE(static_cast<DDImage*>(surface)->surfaceWanted);

  MemoryImage* zero = Image("zero");
  EXPECT_EQ(zero->rows, 1);
  EXPECT_EQ(zero->columns, 1);
  EXPECT_EQ(zero->GetCellWidth(), 8);
}

TEST_F(resload, SoundsTakeFreeIdsVolumeAndPan) {
  WriteSounds();
  ASSERT_TRUE(Read(R"(<Resources id="G">
<SetDefaults path="data/sounds"/>
<Sound id="plain" path="beep"/>
<Sound id="quiet" path="beep" volume="0.25" pan="-500"/>
<Sound id="zero" path="buzz" volume="0" pan="0"/>
</Resources>
<Resources id="Missing"><Sound path="nothing"/></Resources>
<Resources id="More"><Sound id="late" path="data/sounds/beep"/></Resources>)"))
      << manager->ErrorText();
  ASSERT_TRUE(manager->LoadGroup("G")) << manager->ErrorText();
  EXPECT_EQ(manager->SoundOrThrow("plain"), 0);
  EXPECT_EQ(manager->SoundOrThrow("quiet"), 1);
  EXPECT_EQ(manager->SoundOrThrow("zero"), 2);
  EXPECT_EQ(sounds->volumes, (std::vector<std::pair<int, double>>{{1, 0.25}, {2, 0.0}}));
  EXPECT_EQ(sounds->pans, (std::vector<std::pair<int, int>>{{1, -500}}));
  EXPECT_EQ(manager->CountSoundsInGroup("G"), 3);

  EXPECT_FALSE(manager->LoadGroup("Missing"));
  EXPECT_EQ(manager->ErrorText(), "Failed to load sound: data/sounds/nothing");

  for (int id = 3; id < kMaxSoundIds; ++id) ASSERT_TRUE(sounds->LoadSoundIntoId(id, "data/sounds/beep"));
  EXPECT_FALSE(manager->LoadGroup("More"));
  EXPECT_EQ(manager->ErrorText(), "Out of free sound ids");
}

TEST_F(resload, Fonts) {
  // A descriptor font over a 40 x 10 strip, a legacy strip with its widths
  // file, and references before and after their source.
  WriteImage("f/img.png", 40, 10, Opaque);
  WriteImage("f/strip.png", 12, 10, Opaque);
  soundtest::WriteFile("f/desc.txt", test::Utf16Le(L"CreateLayer Main; LayerSetImage Main 'img.png';\n"
                                                   L"LayerSetCharWidths Main ('A' 'B') (6 6);\n"
                                                   L"CreateHorzSpanRectList R (0 0 0 10) (5 5);\n"
                                                   L"LayerSetImageMap Main ('A' 'B') R;\nLayerSetAscent Main 8;\n"));
  soundtest::WriteFile("f/broken.txt", test::Utf16Le(L"CreateLayer Main; Nonsense"));
  WriteText("f/strip.dat", "4 8\nA 6\nB 6\n");
  ASSERT_TRUE(Read(R"(<Resources id="Early"><Font id="early" path="!ref:desc"/></Resources>
<Resources id="G">
<SetDefaults path="f"/>
<Font id="desc" path="desc.txt" tags="red, bold	big
x"/>
<Font id="late" path="!ref:desc"/>
<Font id="strip" path="strip.dat" image="f/strip.png"/>
<Font id="sys" path="!sys:Sans" size="14" shadow />
</Resources>
<Resources id="Broken"><Font id="broken" path="broken.txt"/></Resources>
<Resources id="NoStrip"><Font id="nostrip" path="strip.dat" image="f/nostrip.png"/></Resources>)"))
      << manager->ErrorText();

  // A reference loaded before its source fails; after it, it is a copy.
  EXPECT_FALSE(manager->LoadGroup("Early"));
  EXPECT_EQ(manager->ErrorText(), "Ref font not found: desc");
  ASSERT_TRUE(manager->LoadGroup("G")) << manager->ErrorText();
  EXPECT_TRUE(manager->LoadGroup("Early")) << manager->ErrorText();

  auto* desc = dynamic_cast<ImageFont*>(manager->FontOrThrow("desc"));
  ASSERT_NE(desc, nullptr);
  for (const wchar_t* tag : {L"red", L"bold", L"big", L"x"}) EXPECT_TRUE(desc->HasTag(tag)) << tag;
  EXPECT_FALSE(desc->HasTag(L""));
  EXPECT_EQ(desc->StringWidth(L"AB"), 12);
  Font* late = manager->FontOrThrow("late");
  EXPECT_NE(late, desc);
  EXPECT_NE(dynamic_cast<ImageFont*>(late), nullptr);
  EXPECT_EQ(late->StringWidth(L"AB"), 12);
  EXPECT_NE(manager->FontOrThrow("early"), desc);
  auto* strip = dynamic_cast<ImageFont*>(manager->FontOrThrow("strip"));
  ASSERT_NE(strip, nullptr);
  EXPECT_EQ(strip->StringWidth(L"AB"), 12);
  auto* sys = dynamic_cast<SysFont*>(manager->FontOrThrow("sys"));
  ASSERT_NE(sys, nullptr);
  EXPECT_TRUE(sys->mShadow);
  EXPECT_FALSE(sys->mDoubleStrike);

  EXPECT_FALSE(manager->LoadGroup("Broken"));
  EXPECT_EQ(manager->ErrorText(), "Failed to load font: f/broken.txt");
  EXPECT_FALSE(manager->LoadGroup("NoStrip"));
  EXPECT_EQ(manager->ErrorText(), "Failed to load image: f/nostrip.png");
}

TEST_F(resload, GettersReleaseAndLoadingAgain) {
  WriteImage("a.png", 4, 4, Opaque);
  WriteSounds();
  ASSERT_TRUE(Read(R"(<Resources id="G">
<Image path="a.png"/>
<Sound path="data/sounds/beep"/>
<Font id="sys" path="!sys:Sans" size="10"/>
</Resources>)"));

  // Not loaded yet: every getter throws with its own text.
  EXPECT_EQ(Thrown([&] { manager->ImageOrThrow("a"); }), "Image resource not found: a");
  manager->BeginGroupLoad("G");
  EXPECT_EQ(Thrown([&] { manager->SoundOrThrow("beep"); }), "Sound resource not found: beep");
  manager->BeginGroupLoad("G");
  EXPECT_EQ(Thrown([&] { manager->FontOrThrow("nope"); }), "Font resource not found: nope");
  // An earlier failure is the text every later throw carries.
  EXPECT_EQ(Thrown([&] { manager->ImageOrThrow("a"); }), "Font resource not found: nope");
  // FindFont neither throws nor records.
  manager->BeginGroupLoad("G");
  EXPECT_EQ(manager->FindFont("sys"), nullptr);
  EXPECT_EQ(manager->FindFont("nope"), nullptr);
  EXPECT_FALSE(manager->HasFailed());

  for (int round = 0; round < 2; ++round) {
    ASSERT_TRUE(manager->LoadGroup("G")) << manager->ErrorText();
    EXPECT_EQ(Image("a")->width, 4);
    EXPECT_EQ(manager->SoundOrThrow("beep"), 0);
    EXPECT_NE(manager->FindFont("sys"), nullptr);
    EXPECT_EQ(sounds->CountLoadedSounds(), 1);

    manager->ReleaseGroup("");
    EXPECT_FALSE(manager->IsGroupLoaded("G"));
    EXPECT_EQ(sounds->CountLoadedSounds(), 0);
    EXPECT_EQ(sounds->FindFreeSoundId(), 0);
    for (const auto& entry : manager->Groups().at("G")) EXPECT_FALSE(manager->IsLoaded(entry)) << entry->id;
    EXPECT_EQ(Thrown([&] { manager->ImageOrThrow("a"); }), "Image resource not found: a");
    EXPECT_EQ(manager->FindFont("sys"), nullptr);
  }
}

TEST_F(resload, LoadingThreadWalksWhileTheMainThreadFetches) {
  WriteSounds();
  std::string loading =
      "<Resources id=\"Loading\">\n<Font id=\"sys\" path=\"!sys:Sans\" size=\"10\"/>\n"
      "<Sound id=\"beep\" path=\"data/sounds/beep\"/>\n";
  std::string game = "<Resources id=\"Game\">\n";
  for (int i = 0; i < 12; ++i) {
    std::string name = "g/img" + std::to_string(i) + ".png";
    WriteImage(name, 16, 16, Opaque);
    game += "<Image path=\"" + name + "\"/>\n";
    if (i % 4 == 0) game += "<Sound id=\"s" + std::to_string(i) + "\" path=\"data/sounds/buzz\"/>\n";
  }
  WriteImage("l/title.png", 8, 8, Opaque);
  loading += "<Image id=\"title\" path=\"l/title.png\"/>\n</Resources>\n";
  ASSERT_TRUE(Read(loading + game + "</Resources>")) << manager->ErrorText();
  ASSERT_TRUE(manager->LoadGroup("Loading")) << manager->ErrorText();

  std::atomic<bool> done{false};
  int steps = 0;
  std::thread loader([&] {
    manager->BeginGroupLoad("Game");
    EXPECT_EQ(manager->CountSoundsInGroup("Game"), 3);
    while (manager->LoadNextOfGroup()) ++steps;
    EXPECT_FALSE(manager->HasFailed()) << manager->ErrorText();
    done = true;
  });
  int fetches = 0;
  while (!done.load() || fetches < 50) {
    EXPECT_NE(manager->FontOrThrow("sys"), nullptr);
    EXPECT_EQ(manager->SoundOrThrow("beep"), 0);
    EXPECT_NE(manager->ImageOrThrow("title").GetMemoryImage(), nullptr);
    EXPECT_FALSE(manager->HasFailed());
    EXPECT_EQ(manager->FindFont("missing"), nullptr);
    (void)manager->ErrorText();
    ++fetches;
  }
  loader.join();
  EXPECT_EQ(steps, 15);
  EXPECT_EQ(Image("img11")->width, 16);
}

}  // namespace
