// The application's image registry: loading, region copies, the shared
// map with its purge, and the 2D/3D switch.
#include <algorithm>
#include <atomic>
#include <functional>
#include <future>
#include <thread>

#include "image/surface/DDImageRegistry.h"
#include "tests/image/surface/ddimage_fixture.h"

namespace {

using DDrawStandIn::Format;
using DDrawTest::SurfaceImageFixture;
using Kivo::Color;
using Kivo::DDImage;
using Kivo::DDInterface;
using Kivo::ImageRegistry;
using Kivo::Rect;
using Kivo::SharedImageHandle;

// Records what the registry asks of the application; decodes "red.png"
// (2 x 2 red) and "sprite.png" (transparent and opaque), nothing else.
class RecordingApp : public Kivo::ImageRegistryApp {
 public:
  DDInterface* display = nullptr;
  HWND window = nullptr;
  std::vector<std::string> decoded;
  std::vector<std::string> fatalA;
  std::vector<std::wstring> fatalW;
  int exitCode = -1;
  int prepared = 0;
  DDImage* screenGiven = nullptr;

  int32_t InitDisplay() override { return display->Init(window, true); }
  void ShowFatalErrorA(const std::string& text) override { fatalA.push_back(text); }
  void ShowFatalErrorW(const std::wstring& text) override { fatalW.push_back(text); }
  void ExitProgram(int32_t code) override { exitCode = code; }
  void PrepareImagesAfterDisplayChange() override { ++prepared; }
  void OnScreenImageChanged(DDImage* screen) override { screenGiven = screen; }
  // Called after a decode is recorded and before it is done.
  std::function<void(const std::string&)> onDecode;

  bool DecodeImageFile(const std::string& path, std::vector<uint32_t>& pixels, int32_t& w, int32_t& h) override {
    decoded.push_back(path);
    if (onDecode) onDecode(path);
    if (path == "red.png" || path == "RED.PNG" || path == "Red.png") {
      pixels.assign(4, 0xFFFF0000u);
      w = h = 2;
      return true;
    }
    if (path == "sprite.png") {
      pixels = {0x00000000u, 0xFF00FF00u};
      w = 2;
      h = 1;
      return true;
    }
    return false;
  }
};

class RegistryFixture : public SurfaceImageFixture {
 protected:
  RecordingApp recorder;
  std::unique_ptr<ImageRegistry> registry;
  Kivo::ImageHost* previousHost = nullptr;

  void StartRegistry(Format format) {
    StartDisplay(format);
    recorder.display = display.get();
    recorder.window = host.window;
    registry.reset(new ImageRegistry(&recorder, display.get()));
    previousHost = Kivo::SetImageHost(registry.get());
  }
  void TearDown() override {
    if (registry != nullptr) {
      registry->DeleteSharedImages();
      registry->SetDisplay(nullptr);
    }
    display.reset();
    registry.reset();
    Kivo::SetImageHost(previousHost);
    SurfaceImageFixture::TearDown();
  }
};

TEST_F(RegistryFixture, LoadsFilesIntoSurfaceImages) {
  StartRegistry(Format::kRGB565);
  std::unique_ptr<DDImage> image(registry->LoadImageFile("red.png", true));
  ASSERT_NE(image, nullptr);
  EXPECT_EQ(image->path, "red.png");
  EXPECT_EQ(image->display, display.get());
  EXPECT_EQ(image->bits[0], 0xFFFF0000u);
  EXPECT_EQ(registry->LoadImageFile("missing.png", true), nullptr);
  // Every memory image is registered while it lives.
  const auto live = registry->RegisteredImages();
  EXPECT_NE(std::find(live.begin(), live.end(), image.get()), live.end());
  Kivo::MemoryImage* raw = image.get();
  image.reset();
  const auto after = registry->RegisteredImages();
  EXPECT_EQ(std::find(after.begin(), after.end(), raw), after.end());
}

TEST_F(RegistryFixture, CopiesRegionsWithAttributes) {
  StartRegistry(Format::kRGB888);
  std::unique_ptr<DDImage> source(registry->LoadImageFile("sprite.png", true));
  source->rows = 1;
  source->columns = 2;
  std::unique_ptr<DDImage> copy(registry->CopyImageRegion(source.get(), Rect(1, 0, 1, 1)));
  ASSERT_NE(copy, nullptr);
  EXPECT_EQ(copy->width, 1);
  EXPECT_EQ(copy->columns, 2);
  EXPECT_EQ(copy->GetBits()[0] >> 24, 0xFFu);
  EXPECT_GE((copy->GetBits()[0] >> 8) & 0xFF, 0xFEu);
  std::unique_ptr<DDImage> whole(registry->CopyWholeImage(source.get()));
  EXPECT_EQ(whole->width, 2);
  EXPECT_EQ(whole->GetBits()[0] >> 24, 0u);
}

TEST_F(RegistryFixture, SharedImagesByCaseInsensitiveKey) {
  StartRegistry(Format::kRGB565);
  bool created = false;
  SharedImageHandle a = registry->FindOrCreateSharedImage("Red.png", "", &created);
  EXPECT_TRUE(created);
  SharedImageHandle b = registry->FindOrCreateSharedImage("RED.PNG", "", &created);
  EXPECT_FALSE(created);
  EXPECT_EQ(a.GetEntry(), b.GetEntry());
  // The file name is passed as written, not upper-cased.
  ASSERT_EQ(recorder.decoded.size(), 1u);
  EXPECT_EQ(recorder.decoded[0], "Red.png");
  SharedImageHandle c = registry->FindOrCreateSharedImage("red.png", "small", &created);
  EXPECT_TRUE(created);
  EXPECT_NE(c.GetEntry(), a.GetEntry());
  EXPECT_EQ(recorder.decoded.size(), 2u);
  // A "!" name makes an empty image and reads no file.
  SharedImageHandle d = registry->FindOrCreateSharedImage("!work", "", &created);
  EXPECT_TRUE(created);
  ASSERT_NE(d.GetDDImage(), nullptr);
  EXPECT_EQ(recorder.decoded.size(), 2u);
  // A file that does not decode keeps a null image and is not read again.
  SharedImageHandle e = registry->FindOrCreateSharedImage("missing.png", "");
  SharedImageHandle f = registry->FindOrCreateSharedImage("MISSING.png", "");
  EXPECT_EQ(e.GetDDImage(), nullptr);
  EXPECT_EQ(recorder.decoded.size(), 3u);
}

TEST_F(RegistryFixture, LastReleaseFreesAtTheNextPurge) {
  StartRegistry(Format::kRGB565);
  {
    SharedImageHandle a = registry->FindOrCreateSharedImage("red.png", "");
    SharedImageHandle copy = a;
    registry->PurgeSharedImages();
    EXPECT_EQ(registry->SharedEntryCount(), 1u);
    EXPECT_FALSE(registry->PurgeWanted());
  }
  // Released, but still there until the update's purge.
  EXPECT_TRUE(registry->PurgeWanted());
  EXPECT_EQ(registry->SharedEntryCount(), 1u);
  const size_t imagesBefore = registry->RegisteredImages().size();
  registry->PurgeSharedImages();
  EXPECT_EQ(registry->SharedEntryCount(), 0u);
  EXPECT_EQ(registry->RegisteredImages().size(), imagesBefore - 1);
  // Asked again, it is loaded again.
  bool created = false;
  SharedImageHandle again = registry->FindOrCreateSharedImage("red.png", "", &created);
  EXPECT_TRUE(created);
}

TEST_F(RegistryFixture, Switch3DFallsBackToWorking2D) {
  StartRegistry(Format::kRGB888);
  DDrawStandIn::GetFaults().querySurface7 = E_NOINTERFACE;  // the 3D device cannot start
  registry->Switch3D(true, true);
  DDrawStandIn::GetFaults().querySurface7 = 0;
  ASSERT_EQ(recorder.fatalA.size(), 1u);
  EXPECT_EQ(recorder.fatalA[0], "aResult != DDInterface::RESULT_OK");
  EXPECT_FALSE(display->is3D);
  EXPECT_TRUE(display->initialized);
  EXPECT_TRUE(registry->settingChanged3D);
  EXPECT_EQ(recorder.exitCode, -1);
  ASSERT_NE(recorder.screenGiven, nullptr);
  EXPECT_EQ(recorder.screenGiven, display->GetScreenImage());
  // The 2D screen really draws and presents.
  recorder.screenGiven->FillRect(Rect(0, 0, 640, 480), Color(0, 255, 0), 0);
  EXPECT_TRUE(display->Redraw(nullptr));
  EXPECT_EQ(host.lastFrame[0], 0xFF00FF00u);
}

TEST_F(RegistryFixture, Switch3DWithoutReinitialiseOnlySetsFlags) {
  StartRegistry(Format::kRGB888);
  registry->Switch3D(false, true);
  EXPECT_FALSE(registry->settingChanged3D);
  registry->Switch3D(true, false);
  EXPECT_TRUE(display->is3D);
  EXPECT_TRUE(registry->settingChanged3D);
  EXPECT_EQ(recorder.prepared, 0);
  EXPECT_TRUE(recorder.fatalA.empty());
  EXPECT_FALSE(registry->Is3DSupported());
  EXPECT_FALSE(registry->Is3DRecommended());
}

TEST_F(RegistryFixture, Failing2DStartIsFatal) {
  StartRegistry(Format::kRGB888);
  display->is3D = true;
  DDrawStandIn::GetFaults().createClipper = DDERR_OUTOFMEMORY;
  registry->Switch3D(false, true);
  EXPECT_EQ(recorder.exitCode, 1);
  ASSERT_EQ(recorder.fatalW.size(), 1u);
  EXPECT_EQ(recorder.fatalW[0], L"Failed to initialize DirectDraw: RESULT_FAIL CreateClipper Windowed: E_OUTOFMEMORY");
}

}  // namespace

namespace {

// A thread that finds a shared entry while another thread is still decoding
// its file must never be handed the entry without its image.
TEST_F(RegistryFixture, SharedEntryNeverSeenWithoutItsImage) {
  StartRegistry(Format::kRGB565);
  std::promise<void> firstInside;
  std::promise<void> release;
  std::shared_future<void> released = release.get_future().share();
  std::atomic<int> calls{0};
  recorder.onDecode = [&](const std::string&) {
    if (calls++ == 0) {
      firstInside.set_value();
      released.wait();
    }
  };
  SharedImageHandle loaderHandle;
  bool loaderCreated = true;
  std::thread loader([&] { loaderHandle = registry->FindOrCreateSharedImage("red.png", "", &loaderCreated); });
  firstInside.get_future().wait();

  bool created = false;
  SharedImageHandle handle = registry->FindOrCreateSharedImage("RED.PNG", "", &created);
  EXPECT_NE(handle.GetDDImage(), nullptr) << "an entry was found before its image was set";
  release.set_value();
  loader.join();

  ASSERT_NE(loaderHandle.GetDDImage(), nullptr);
  EXPECT_EQ(loaderHandle.GetEntry(), handle.GetEntry());
  EXPECT_NE(created, loaderCreated) << "exactly one caller made the entry";
  EXPECT_EQ(registry->SharedEntryCount(), 1u);
}

}  // namespace

namespace {

// Images read their pixels back from the renderer's texture through the
// registry, and give the texture up through it.
TEST_F(RegistryFixture, TextureReadBackAndReleaseGoThroughTheRenderer) {
  StartRegistry(Format::kRGB888);
  registry->Switch3D(true, true);
  ASSERT_TRUE(display->is3D);
  ASSERT_NE(display->renderer, nullptr);
  Kivo::MemoryImage image;
  std::vector<uint32_t> px(8 * 4);
  for (size_t i = 0; i < px.size(); ++i) px[i] = 0xFF000000u | static_cast<uint32_t>(i * 7919u);
  ASSERT_TRUE(image.SetBits(px.data(), 8, 4, true));
  image.textureFlags = Kivo::kTextureNever565;
  ASSERT_TRUE(display->renderer->EnsureTexture(&image));
  ASSERT_NE(image.textureData, nullptr);
  std::fill(image.bits.get(), image.bits.get() + px.size(), 0u);
  EXPECT_TRUE(registry->ReadTextureBits(&image));
  EXPECT_EQ(image.bits[13], px[13]);
  registry->ReleaseImageTexture(&image);
  EXPECT_EQ(image.textureData, nullptr);
}

}  // namespace
