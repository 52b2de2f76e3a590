// Reading resource manifests into records: ids, paths, groups, attributes,
// and the exact error texts with their line and file.
#include <gtest/gtest.h>

#include <chrono>
#include <future>
#include <string>
#include <vector>

#include "image/ImageHost.h"
#include "resources/PakInterface.h"
#include "resources/manifest/ResourceManager.h"

namespace {

using namespace Kivo;
using RM = ResourceManager;

const char* kManifest = "data/data.xml";

void PutFile(const std::string& name, const std::string& text) {
  ASSERT_NE(gPakInterface, nullptr);
  ASSERT_TRUE(gPakInterface->AddMemoryFile(name, std::vector<uint8_t>(text.begin(), text.end())));
}

// The manifest root around a body; the body starts on line 2.
std::string Wrap(const std::string& body) { return "<ResourceManifest>\n" + body + "\n</ResourceManifest>\n"; }

// Reads the text as a manifest file, which is taken back afterwards so it
// does not shadow a file of that name on disk for later tests.
struct Read {
  RM manager{nullptr};
  bool ok = false;
  std::string name;
  explicit Read(const std::string& text, const std::string& fileName = kManifest) : name(fileName) {
    PutFile(name, text);
    ok = manager.ReadManifest(name);
  }
  ~Read() { gPakInterface->RemoveMemoryFile(name); }
  const RM::ImageRes* Image(const std::string& id) const {
    auto it = manager.Images().find(id);
    return it == manager.Images().end() ? nullptr : static_cast<const RM::ImageRes*>(it->second);
  }
  const RM::SoundRes* Sound(const std::string& id) const {
    auto it = manager.Sounds().find(id);
    return it == manager.Sounds().end() ? nullptr : static_cast<const RM::SoundRes*>(it->second);
  }
  const RM::FontRes* Font(const std::string& id) const {
    auto it = manager.Fonts().find(id);
    return it == manager.Fonts().end() ? nullptr : static_cast<const RM::FontRes*>(it->second);
  }
  std::vector<std::string> GroupIds(const std::string& group) const {
    std::vector<std::string> ids;
    auto it = manager.Groups().find(group);
    if (it != manager.Groups().end())
      for (const RM::BaseRes* r : it->second) ids.push_back(r->id);
    return ids;
  }
};

// --- Records: ids, paths, groups -----------------------------------------

TEST(manifestRead, DefaultPathAndPrefixMakeIdsAndPaths) {
  Read r(Wrap(R"(<Resources id="Loading">
<SetDefaults path="data/images/" idprefix="IMAGE_"/>
<Image path="ui/button.png"/>
<Image id="logo" path="title/logo.jpg"/>
<Image path="!program"/>
<Image id="scratch" path="!blank"/>
</Resources>)"));
  ASSERT_TRUE(r.ok) << r.manager.ErrorText();

  struct Case {
    const char* id;
    const char* path;
    bool program;
  } cases[] = {
      {"IMAGE_button", "data/images/ui/button.png", false},
      {"IMAGE_logo", "data/images/title/logo.jpg", false},
      {"IMAGE_!program", "!program", true},
      {"IMAGE_scratch", "!blank", false},
  };
  for (const Case& c : cases) {
    const RM::ImageRes* image = r.Image(c.id);
    ASSERT_NE(image, nullptr) << c.id;
    EXPECT_EQ(image->type, RM::RESTYPE_IMAGE);
    EXPECT_EQ(image->path, c.path) << c.id;
    EXPECT_EQ(image->group, "Loading") << c.id;
    EXPECT_EQ(image->programSupplied, c.program) << c.id;
  }
  EXPECT_EQ(r.GroupIds("Loading"),
            (std::vector<std::string>{"IMAGE_button", "IMAGE_logo", "IMAGE_!program", "IMAGE_scratch"}));
  // The program-supplied record is not counted with a group name.
  EXPECT_EQ(r.manager.CountInGroup("Loading", r.manager.Images()), 3);
  EXPECT_EQ(r.manager.CountInGroup("", r.manager.Images()), 4);
}

TEST(manifestRead, SetDefaultsPathsAndPersistenceAcrossGroups) {
  struct Case {
    const char* defaults;
    const char* expectedPath;
    const char* expectedId;
  } cases[] = {
      {R"(path="data/sounds")", "data/sounds/a.ogg", "a"},   {R"(path="data/sounds/")", "data/sounds/a.ogg", "a"},
      {R"(path="data\sounds\")", "data\\sounds/a.ogg", "a"}, {R"(path="")", "/a.ogg", "a"},
      {R"(idprefix="SOUND_/")", "a.ogg", "SOUND_a"},         {R"(path="x//" idprefix="P\")", "x//a.ogg", "Pa"},
  };
  for (const Case& c : cases) {
    Read r(Wrap(std::string("<Resources id=\"A\"><SetDefaults ") + c.defaults +
                "/></Resources>\n<Resources id=\"B\"><Sound path=\"a.ogg\"/></Resources>"));
    ASSERT_TRUE(r.ok) << c.defaults << ": " << r.manager.ErrorText();
    const RM::SoundRes* sound = r.Sound(c.expectedId);
    ASSERT_NE(sound, nullptr) << c.defaults;
    EXPECT_EQ(sound->path, c.expectedPath) << c.defaults;
    EXPECT_EQ(sound->group, "B");
  }
}

TEST(manifestRead, IdsAreUniquePerKindAndGroupsContinue) {
  Read r(Wrap(R"(<Resources id="G">
<Image id="x" path="first.png"/>
<Sound id="x" path="x.wav"/>
<Font id="x" path="x.txt"/>
</Resources>
<Resources id="G">
<Image path="more.png"/>
</Resources>)"));
  ASSERT_TRUE(r.ok) << r.manager.ErrorText();
  EXPECT_EQ(r.GroupIds("G"), (std::vector<std::string>{"x", "x", "x", "more"}));
  EXPECT_EQ(r.manager.Groups().size(), 1u);

  Read dup(Wrap(R"(<Resources id="G">
<Image id="x" path="first.png"/>
</Resources>
<Resources id="H">
<Image id="x" path="second.png"/>
<Image id="y" path="never.png"/>
</Resources>)"));
  EXPECT_FALSE(dup.ok);
  EXPECT_EQ(dup.manager.ErrorText(), "Resource already defined. on Line 6 in File 'data/data.xml'");
  ASSERT_NE(dup.Image("x"), nullptr);
  EXPECT_EQ(dup.Image("x")->path, "first.png");
  EXPECT_EQ(dup.Image("y"), nullptr);  // reading stops at the first error
  EXPECT_EQ(dup.GroupIds("H"), std::vector<std::string>{});
}

// --- Image attributes -------------------------------------------------------

class Host3D : public NullImageHost {
 public:
  bool Is3DOn() override { return true; }
};

TEST(manifestRead, ImageAttributes) {
  // The XML reader takes a '/' right after a value-less attribute into its
  // name, so presence flags before "/>" keep a space.
  const std::string text = Wrap(R"(<Resources id="G">
<SetDefaults path="img"/>
<Image id="plain" path="p.png"/>
<Image id="flags" path="f.png" nopal a4r4g4b4 a8r8g8b8 minsubdivide ddsurface noalpha />
<Image id="only3d" path="a.png" nobits3d />
<Image id="only2d" path="b.png" nobits2d />
<Image id="nobits" path="c.png" nobits />
<Image id="alpha" path="d.png" alphaimage="d_a.png" alphagrid="grid.png" alphacolor="ff8000" variant="Big"/>
<Image id="badcolor" path="e.png" alphacolor="zz"/>
</Resources>)");
  for (bool is3D : {false, true}) {
    Host3D host3D;
    ImageHost* previous = is3D ? SetImageHost(&host3D) : nullptr;
    Read r(text);
    if (is3D) SetImageHost(previous);
    ASSERT_TRUE(r.ok) << r.manager.ErrorText();

    const RM::ImageRes* plain = r.Image("plain");
    ASSERT_NE(plain, nullptr);
    EXPECT_TRUE(plain->palettize);
    EXPECT_FALSE(plain->a4r4g4b4 || plain->a8r8g8b8 || plain->minsubdivide || plain->ddsurface || plain->nobits);
    EXPECT_EQ(plain->alphaColor, 0xFFFFFFu);
    EXPECT_EQ(plain->rows, 1);
    EXPECT_EQ(plain->cols, 1);
    EXPECT_EQ(plain->animation.type, AnimationInfo::kNone);
    EXPECT_EQ(plain->alphaImagePath, "");
    EXPECT_EQ(plain->variant, "");

    const RM::ImageRes* flags = r.Image("flags");
    EXPECT_FALSE(flags->palettize);
    EXPECT_TRUE(flags->a4r4g4b4 && flags->a8r8g8b8 && flags->minsubdivide && flags->ddsurface);
    EXPECT_FALSE(flags->nobits);

    EXPECT_EQ(r.Image("only3d")->nobits, is3D);
    EXPECT_EQ(r.Image("only2d")->nobits, !is3D);
    EXPECT_TRUE(r.Image("nobits")->nobits);

    const RM::ImageRes* alpha = r.Image("alpha");
    EXPECT_EQ(alpha->path, "img/d.png");
    EXPECT_EQ(alpha->alphaImagePath, "img/d_a.png");
    EXPECT_EQ(alpha->alphaGridPath, "img/grid.png");
    EXPECT_EQ(alpha->alphaColor, 0xFF8000u);
    EXPECT_EQ(alpha->variant, "Big");  // no default path
    EXPECT_EQ(r.Image("badcolor")->alphaColor, 0xFFFFFFu);
  }
}

TEST(manifestRead, AnimationsRowsAndColumns) {
  Read r(Wrap(R"(<Resources id="G">
<Image id="loop" path="a.png" rows=" 2" cols="4" anim="LOOP" framedelay="5" begindelay="7" enddelay="9"/>
<Image id="ignored" path="b.png" rows="3" framedelay="5" framemap="2,1"/>
<Image id="lists" path="c.png" cols="3" anim="once" perframedelay="4,,6" framemap="2,1,0"/>
<Image id="pingpong" path="d.png" rows="3" anim="PingPong"/>
<Image id="zero" path="e.png" rows="0" cols="-2"/>
<Image id="text" path="f.png" rows="abc" cols="" anim="none"/>
<Image id="huge" path="g.png" rows="2000000000" cols="70000" anim="pingpong"/>
</Resources>)"));
  ASSERT_TRUE(r.ok) << r.manager.ErrorText();

  const RM::ImageRes* loop = r.Image("loop");
  EXPECT_EQ(loop->rows, 2);
  EXPECT_EQ(loop->cols, 4);
  EXPECT_EQ(loop->animation.type, AnimationInfo::kLoop);
  EXPECT_EQ(loop->animation.frameCount, 4);
  EXPECT_EQ(loop->animation.frameDelay, 5);
  EXPECT_EQ(loop->animation.frameDelays, (std::vector<int32_t>{7, 5, 5, 9}));
  EXPECT_EQ(loop->animation.totalTime, 26);

  // Without an animation the five timing attributes are not read.
  const RM::ImageRes* ignored = r.Image("ignored");
  EXPECT_EQ(ignored->rows, 3);
  EXPECT_EQ(ignored->animation.frameDelay, 1);
  EXPECT_TRUE(ignored->animation.frameMap.empty());

  const RM::ImageRes* lists = r.Image("lists");
  EXPECT_EQ(lists->animation.type, AnimationInfo::kOnce);
  EXPECT_EQ(lists->animation.frameMap, (std::vector<int32_t>{2, 1, 0}));
  EXPECT_EQ(lists->animation.frameDelays, (std::vector<int32_t>{4, 1, 6}));  // 0 takes the frame delay

  EXPECT_EQ(r.Image("pingpong")->animation.type, AnimationInfo::kPingPong);
  EXPECT_EQ(r.Image("pingpong")->animation.frameMap, (std::vector<int32_t>{0, 1, 2, 1}));

  // More cells on a side than an image can have pixels are cut to that
  // limit, and so is the ping-pong frame list built from them.
  const RM::ImageRes* huge = r.Image("huge");
  EXPECT_EQ(huge->rows, 16384);
  EXPECT_EQ(huge->cols, 16384);
  EXPECT_EQ(huge->animation.frameMap.size(), 2u * 16384 - 2);

  // Fewer than one row or column is one: the cell size divides by them.
  for (const char* id : {"zero", "text"}) {
    EXPECT_EQ(r.Image(id)->rows, 1) << id;
    EXPECT_EQ(r.Image(id)->cols, 1) << id;
  }
}

TEST(manifestRead, InvalidAnimationKeepsTheRecord) {
  Read r(Wrap(R"(<Resources id="G">
<Image id="a" path="a.png" anim="blink"/>
<Image id="b" path="b.png"/>
</Resources>)"));
  EXPECT_FALSE(r.ok);
  EXPECT_EQ(r.manager.ErrorText(), "Invalid animation type. on Line 3 in File 'data/data.xml'");
  EXPECT_NE(r.Image("a"), nullptr);
  EXPECT_EQ(r.Image("b"), nullptr);
}

TEST(manifestRead, IntegerLists) {
  struct Case {
    const char* text;
    std::vector<int32_t> values;
  } cases[] = {
      {"", {0}},      {"1,,3", {1, 0, 3}},
      {"7", {7}},     {" -2, +4,x", {-2, 4, 0}},
      {"5,", {5, 0}}, {"99999999999,-99999999999", {INT32_MAX, INT32_MIN}},
  };
  for (const Case& c : cases) EXPECT_EQ(RM::ParseIntList(c.text), c.values) << '"' << c.text << '"';
}

// --- Sounds and fonts --------------------------------------------------------

TEST(manifestRead, SoundVolumeAndPan) {
  Read r(Wrap(R"(<Resources id="G">
<Sound id="plain" path="a.ogg"/>
<Sound id="set" path="b.ogg" volume=" 0.25" pan="-300"/>
<Sound id="odd" path="c.ogg" volume="1e-1x" pan="+12abc"/>
<Sound id="junk" path="d.ogg" volume="loud" pan="left"/>
</Resources>)"));
  ASSERT_TRUE(r.ok) << r.manager.ErrorText();
  struct Case {
    const char* id;
    double volume;
    int pan;
  } cases[] = {{"plain", -1.0, 0}, {"set", 0.25, -300}, {"odd", 0.1, 12}, {"junk", -1.0, 0}};
  for (const Case& c : cases) {
    const RM::SoundRes* sound = r.Sound(c.id);
    ASSERT_NE(sound, nullptr) << c.id;
    EXPECT_EQ(sound->type, RM::RESTYPE_SOUND);
    EXPECT_DOUBLE_EQ(sound->volume, c.volume) << c.id;
    EXPECT_EQ(sound->pan, c.pan) << c.id;
    EXPECT_EQ(sound->soundId, -1);
  }

  Read inner(Wrap(R"(<Resources id="G">
<Sound id="a" path="a.ogg">loud</Sound>
</Resources>)"));
  EXPECT_FALSE(inner.ok);
  EXPECT_EQ(inner.manager.ErrorText(), "Unexpected element found. on Line 3 in File 'data/data.xml'");
}

TEST(manifestRead, Fonts) {
  Read r(Wrap(R"(<Resources id="G">
<SetDefaults path="data/fonts/"/>
<Font id="sys" path="!sys:Sans" size="12" bold italic underline shadow />
<Font id="plainsys" path="!sys:DejaVu Serif" size="9"/>
<Font id="desc" path="big.txt" tags="red, outline"/>
<Font id="strip" path="legacy.dat" image="data/fonts/legacy.png"/>
<Font id="ref" path="!ref:desc"/>
</Resources>)"));
  ASSERT_TRUE(r.ok) << r.manager.ErrorText();
  const RM::FontRes* sys = r.Font("sys");
  ASSERT_NE(sys, nullptr);
  EXPECT_EQ(sys->type, RM::RESTYPE_FONT);
  EXPECT_TRUE(sys->sysFont);
  EXPECT_EQ(sys->path, "Sans");
  EXPECT_EQ(sys->size, 12);
  EXPECT_TRUE(sys->bold && sys->italic && sys->underline && sys->shadow);
  const RM::FontRes* plainsys = r.Font("plainsys");
  EXPECT_EQ(plainsys->path, "DejaVu Serif");
  EXPECT_FALSE(plainsys->bold || plainsys->italic || plainsys->underline || plainsys->shadow);

  const RM::FontRes* desc = r.Font("desc");
  EXPECT_FALSE(desc->sysFont);
  EXPECT_EQ(desc->path, "data/fonts/big.txt");
  EXPECT_EQ(desc->tags, "red, outline");
  EXPECT_EQ(r.Font("strip")->imagePath, "data/fonts/legacy.png");
  EXPECT_EQ(r.Font("strip")->path, "data/fonts/legacy.dat");
  EXPECT_EQ(r.Font("ref")->path, "!ref:desc");
  EXPECT_EQ(r.Font("ref")->font, nullptr);

  for (const char* size : {"", R"(size="0")", R"(size="-3")", R"(size="big")"}) {
    Read bad(Wrap(std::string("<Resources id=\"G\">\n<Font path=\"!sys:Sans\" ") + size + "/>\n</Resources>"));
    EXPECT_FALSE(bad.ok) << size;
    EXPECT_EQ(bad.manager.ErrorText(), "SysFont needs point size on Line 3 in File 'data/data.xml'") << size;
  }
}

// --- Errors ----------------------------------------------------------------

TEST(manifestRead, ErrorTexts) {
  struct Case {
    const char* name;
    std::string text;
    const char* error;
  } cases[] = {
      {"other root", "<?xml version=\"1.0\"?>\n<Manifest>\n</Manifest>\n",
       "Expecting ResourceManifest tag on Line 2 in File 'data/data.xml'"},
      {"section", Wrap("<Resources id=\"G\"/>\n<Images/>"),
       "Invalid Section 'Images' on Line 3 in File 'data/data.xml'"},
      {"child section", Wrap("<Resources id=\"G\">\n<Music path=\"a\"/>\n</Resources>"),
       "Invalid Section 'Music' on Line 3 in File 'data/data.xml'"},
      {"no id", Wrap("<Resources>\n</Resources>"), "No id specified. on Line 2 in File 'data/data.xml'"},
      {"empty id", Wrap("<Resources id=\"\">\n</Resources>"), "No id specified. on Line 2 in File 'data/data.xml'"},
      {"text", Wrap("hello there\n<Resources id=\"G\"/>"),
       "Element Not Expected 'hello there' on Line 3 in File 'data/data.xml'"},
      {"text in group", Wrap("<Resources id=\"G\">\nstray\n</Resources>"),
       "Element Not Expected 'stray' on Line 4 in File 'data/data.xml'"},
      {"no path", Wrap("<Resources id=\"G\">\n<Image id=\"a\"/>\n</Resources>"),
       "No path specified. on Line 3 in File 'data/data.xml'"},
      {"empty path", Wrap("<Resources id=\"G\">\n<Sound path=\"\"/>\n</Resources>"),
       "No path specified. on Line 3 in File 'data/data.xml'"},
      {"parser error on line 7",
       "<ResourceManifest>\n<Resources id=\"G\">\n<Image path=\"a.png\"/>\n\n\n<Image path=\"b.png\"/>\n</Image>\n"
       "</Resources>\n</ResourceManifest>\n",
       "End 'Image' Doesn't Match Start 'Resources' on Line 7 in File 'data/data.xml'"},
      {"parser error before the root", "\n>\n<ResourceManifest/>\n",
       "Unexpected '>' on Line 2 in File 'data/data.xml'"},
  };
  for (const Case& c : cases) {
    Read r(c.text);
    EXPECT_FALSE(r.ok) << c.name;
    EXPECT_TRUE(r.manager.HasFailed()) << c.name;
    EXPECT_EQ(r.manager.ErrorText(), c.error) << c.name;
  }
}

TEST(manifestRead, MissingFileHasNothingAppended) {
  RM manager(nullptr);
  EXPECT_FALSE(manager.ReadManifest("data/absent.xml"));
  EXPECT_EQ(manager.ErrorText(), "Resource file not found: data/absent.xml");
}

TEST(manifestRead, OnlyTheFirstErrorIsKept) {
  Read r(Wrap("<Resources id=\"G\">\n<Image path=\"\"/>\n</Resources>"));
  EXPECT_FALSE(r.ok);
  EXPECT_FALSE(r.manager.ReportError("later"));
  EXPECT_EQ(r.manager.ErrorText(), "No path specified. on Line 3 in File 'data/data.xml'");
  // After the read the parser is gone: nothing would be appended any more.
  r.manager.BeginGroupLoad("G");
  r.manager.ReportError("while loading");
  EXPECT_EQ(r.manager.ErrorText(), "while loading");
}

TEST(manifestRead, InputEndingEarlyStops) {
  struct Case {
    const char* name;
    std::string text;
    bool ok;
    const char* error;
  } cases[] = {
      // Nothing but the end of input before the first start element.
      {"empty", "", false, "Expecting ResourceManifest tag on Line 1 in File 'data/data.xml'"},
      {"comment only", "<!-- nothing -->\n", false, "Expecting ResourceManifest tag on Line 2 in File 'data/data.xml'"},
      // Ending inside a group keeps the records read so far.
      {"inside a group", "<ResourceManifest><Resources id=\"G\"><Image path=\"a.png\"/>", true, ""},
      {"after the root", "<ResourceManifest>", true, ""},
  };
  for (const Case& c : cases) {
    auto done = std::async(std::launch::async, [&c] {
      Read r(c.text);
      return std::make_pair(r.ok, r.manager.ErrorText());
    });
    ASSERT_EQ(done.wait_for(std::chrono::seconds(20)), std::future_status::ready) << c.name << " never ends";
    auto result = done.get();
    EXPECT_EQ(result.first, c.ok) << c.name;
    EXPECT_EQ(result.second, c.error) << c.name;
  }
}

}  // namespace
