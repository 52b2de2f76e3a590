// The image table: entries read from the image block, images loaded by key
// through a counting fake loader, the message boxes of failed loads (logged
// by the headless backend), preload with its progress, holders and release.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "engine/ImageTable.h"
#include "engine/PropertyList.h"
#include "image/MemoryImage.h"
#include "platform/Platform.h"
#include "tests/engine/scene_file_support.h"

namespace scenetest {
namespace {

std::atomic<int> gLiveImages{0};

class FakeImage : public MemoryImage {
 public:
  FakeImage() { ++gLiveImages; }
  ~FakeImage() override { --gLiveImages; }
  bool ConvertToPalette() override {
    converted = true;
    return false;
  }
  bool converted = false;
};

// Loads every path but those listed as failing, counting the calls per
// path; thread-safe.
class CountingLoader {
 public:
  MemoryImage* Load(const std::string& path) {
    std::lock_guard<std::mutex> guard(mLock);
    ++calls[path];
    if (failing.count(path) != 0) return nullptr;
    FakeImage* image = new FakeImage();
    image->path = path;
    return image;
  }
  int Calls(const std::string& path) {
    std::lock_guard<std::mutex> guard(mLock);
    return calls[path];
  }
  std::map<std::string, int> calls;
  std::map<std::string, bool> failing;

 private:
  std::mutex mLock;
};

class ImageTableTest : public SceneFileTest {
 protected:
  void SetUp() override {
    Platform::SetMainThread();
    ASSERT_TRUE(Platform::StartBackend("headless"));
    ::setenv("GAME_LOG", (mFolder / "game.log").c_str(), 1);
    previous = SetImageLoader([this](const std::string& path) { return loader.Load(path); });
  }
  void TearDown() override {
    SceneFileTest::TearDown();
    SetImageLoader(previous);
    ::unsetenv("GAME_LOG");
    EXPECT_EQ(gLiveImages, 0);
  }
  void OpenImages(const std::vector<DtmImage>& images) {
    SceneDatabaseWriter writer;
    std::string error;
    ASSERT_TRUE(writer.AddScene("Main", Record("Main", 0), &error));
    for (const DtmImage& image : images) ASSERT_TRUE(writer.AddImage(image, &error)) << error;
    ASSERT_TRUE(Open(writer));
  }
  std::string Log() {
    std::ifstream in(mFolder / "game.log", std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  }
  static int Count(const std::string& text, const std::string& part) {
    int n = 0;
    for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++n;
    return n;
  }

  CountingLoader loader;
  ImageLoader previous;
};

TEST(ImageEntryTest, OnlyZeroTurnsPreloadOff) {
  struct Case {
    const char* value;
    bool preload;
  } cases[] = {{"0", false}, {"1", true}, {"", true}, {"x", true}, {"00", true}};
  for (const Case& c : cases) {
    PropertyList pairs;
    pairs.Add("preload", c.value);
    ImageEntry entry;
    entry.preload = !c.preload;
    ReadImageEntry(pairs, entry);
    EXPECT_EQ(entry.preload, c.preload) << '"' << c.value << '"';
  }
}

TEST_F(ImageTableTest, ImagesLoadOnceByKeyWithoutTheirExtension) {
  OpenImages({{"dotted", "a.b/img", false, 4, 2},
              {"plain", "img/one.png", false, 0, 0},
              {"bare", "noext", false, 1, 1},
              {"dotted", "other.png", false, 1, 1}});
  MemoryImage* dotted = GetImageByKey("dotted");
  ASSERT_NE(dotted, nullptr);
  EXPECT_EQ(dotted->path, "a");
  EXPECT_EQ(dotted->columns, 4);
  EXPECT_EQ(dotted->rows, 2);
  EXPECT_TRUE(static_cast<FakeImage*>(dotted)->converted);
  EXPECT_EQ(GetImageByKey("dotted"), dotted);
  EXPECT_EQ(loader.Calls("a"), 1);
  EXPECT_EQ(loader.Calls("other"), 0);

  MemoryImage* plain = GetImageByKey("plain");
  ASSERT_NE(plain, nullptr);
  EXPECT_EQ(plain->path, "img/one");
  EXPECT_EQ(plain->columns, 1);  // a grid of 0 is one cell
  EXPECT_EQ(plain->rows, 1);
  ASSERT_NE(GetImageByKey("bare"), nullptr);
  EXPECT_EQ(loader.Calls("noext"), 1);

  EXPECT_EQ(GetImageByKey("unknown"), nullptr);
  EXPECT_EQ(Count(Log(), "MessageBox"), 0);
}

TEST_F(ImageTableTest, AFailedLoadIsReportedOnEveryRequestAndRetried) {
  OpenImages({{"broken", "img/broken.png", false, 1, 1}});
  loader.failing["img/broken"] = true;
  EXPECT_EQ(GetImageByKey("broken"), nullptr);
  EXPECT_EQ(GetImageByKey("broken"), nullptr);
  EXPECT_EQ(loader.Calls("img/broken"), 2);
  EXPECT_EQ(Count(Log(), "title=\"img/broken.png\" text=\"Not Found Item!\""), 2) << Log();

  loader.failing.clear();
  EXPECT_NE(GetImageByKey("broken"), nullptr);
  EXPECT_TRUE(IsImageLoaded("broken"));
}

TEST_F(ImageTableTest, ImagesLiveWhileTheyHaveHoldersAndPreloadImagesStay) {
  OpenImages({{"shared", "shared.png", false, 1, 1}, {"kept", "kept.png", true, 1, 1}});
  MemoryImage* first = GetImageByKey("shared");
  MemoryImage* second = GetImageByKey("shared");
  ASSERT_EQ(first, second);
  ReleaseImageByKey("shared");
  EXPECT_TRUE(IsImageLoaded("shared"));
  EXPECT_EQ(gLiveImages, 1);
  ReleaseImageByKey("shared");
  EXPECT_FALSE(IsImageLoaded("shared"));
  EXPECT_EQ(gLiveImages, 0);
  ReleaseImageByKey("shared");   // unloaded: nothing
  ReleaseImageByKey("unknown");  // not in the table: nothing

  ASSERT_NE(GetImageByKey("kept"), nullptr);
  ReleaseImageByKey("kept");
  ReleaseImageByKey("kept");
  EXPECT_TRUE(IsImageLoaded("kept"));
  EXPECT_NE(GetImageByKey("shared"), nullptr);
  FreeSceneDatabase();  // deletes preload and held images alike
  EXPECT_EQ(gLiveImages, 0);
}

TEST_F(ImageTableTest, PreloadStepsOverEveryEntryAndReportsFailures) {
  OpenImages({{"bad", "img/bad.png", true, 1, 1},
              {"lazy", "img/lazy.png", false, 1, 1},
              {"early", "img/early.png", true, 1, 1},
              {"good", "img/good.png", true, 3, 1}});
  loader.failing["img/bad"] = true;
  ASSERT_NE(GetImageByKey("early"), nullptr);
  std::vector<float> steps;
  auto before = SetPreloadStepObserver([&steps](float value) { steps.push_back(value); });
  PreloadImages(0.2f, 0.4f);
  SetPreloadStepObserver(before);

  ASSERT_EQ(steps.size(), 4u);
  const float expected[] = {0.25f, 0.3f, 0.35f, 0.4f};
  for (int i = 0; i < 4; ++i) EXPECT_NEAR(steps[i], expected[i], 1e-6) << i;
  EXPECT_NEAR(LoadingProgressValue(), 0.4f, 1e-6);
  EXPECT_EQ(loader.Calls("img/early"), 1);
  EXPECT_EQ(loader.Calls("img/lazy"), 0);
  EXPECT_TRUE(IsImageLoaded("good"));
  EXPECT_FALSE(IsImageLoaded("lazy"));
  EXPECT_EQ(Count(Log(), "MessageBox"), 1);
  EXPECT_EQ(Count(Log(), "title=\"Error\" text=\"bad - resource\\n img/bad.png - not found\""), 1) << Log();
}

TEST_F(ImageTableTest, ProgressOfTheLoadingThreadIsReadOnAnother) {
  OpenImages({{"one", "one.png", true, 1, 1}, {"two", "two.png", true, 1, 1}});
  std::thread loading([] { PreloadImages(0.0f, 1.0f); });
  loading.join();
  EXPECT_EQ(LoadingProgressValue(), 1.0f);
  OpenImages({});
  PreloadImages(0.0f, 1.0f);  // no entries: no progress at all
  EXPECT_EQ(LoadingProgressValue(), 0.0f);
}

// The loading thread preloads while the main thread takes and gives back
// images of the same table.
TEST_F(ImageTableTest, PreloadAndMainThreadRequestsShareTheTable) {
  std::vector<DtmImage> images;
  for (int i = 0; i < 40; ++i) {
    images.push_back(DtmImage{"k" + std::to_string(i), "img/" + std::to_string(i) + ".png", i % 2 == 0, 1, 1});
  }
  OpenImages(images);
  std::thread loading([] { PreloadImages(0.2f, 0.4f); });
  for (int round = 0; round < 20; ++round) {
    for (int i = 0; i < 40; ++i) {
      const std::string key = "k" + std::to_string(i);
      ASSERT_NE(GetImageByKey(key), nullptr);
      ReleaseImageByKey(key);
    }
  }
  loading.join();
  for (int i = 0; i < 40; ++i) EXPECT_EQ(IsImageLoaded("k" + std::to_string(i)), i % 2 == 0) << i;
  EXPECT_EQ(gLiveImages, 20);
}

}  // namespace
}  // namespace scenetest
