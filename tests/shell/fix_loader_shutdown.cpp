// An application deleted while its loading thread is still at work: the
// loader must find every manager it uses alive until it has finished.
#include <chrono>

#include "tests/shell/app_support.h"

namespace apptest {
namespace {

// What the loader saw; kept outside the application, whose own members are
// gone by the time its base destructor runs.
struct LoaderProbe {
  std::atomic<bool> inside{false};
  std::atomic<bool> sawAll{false};
  ResourceManager* resources = nullptr;
  SoundManager* sounds = nullptr;
  WidgetManager* widgets = nullptr;
};
LoaderProbe* gProbe = nullptr;

class WatchingLoaderApp : public TestApp {
 public:
  void LoaderWork() override {
    gProbe->inside = true;
    // Held until shutdown has begun, then watched for a while: a teardown
    // that does not wait clears the pointers meanwhile.
    while (!mShuttingDown) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    bool same = true;
    for (int i = 0; i < 30 && same; ++i) {
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
      same =
          mResourceManager == gProbe->resources && mSoundManager == gProbe->sounds && mWidgetManager == gProbe->widgets;
    }
    gProbe->sawAll = same;
  }
};

TEST_F(AppFixture, DestructorWaitsForTheLoaderBeforeDeletingItsManagers) {
  LoaderProbe probe;
  gProbe = &probe;
  auto a = std::make_unique<WatchingLoaderApp>();
  a->mCommandLineRead = true;  // the test runner's own options are not ours
  a->Init();
  probe.resources = a->mResourceManager;
  probe.sounds = a->mSoundManager;
  probe.widgets = a->mWidgetManager;
  ASSERT_NE(probe.resources, nullptr);
  a->LaunchLoader();
  while (!probe.inside) std::this_thread::sleep_for(std::chrono::milliseconds(1));
  a.reset();
  EXPECT_TRUE(probe.sawAll) << "a manager went away while the loader was still running";
  gProbe = nullptr;
}

}  // namespace
}  // namespace apptest
