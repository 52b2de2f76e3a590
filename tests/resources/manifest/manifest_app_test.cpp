// The application object's own resource manager: reading the definitions
// file, and a broken one reported as a fatal error before the exit.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "platform/Platform.h"
#include "resources/PakInterface.h"
#include "resources/manifest/ResourceManager.h"
#include "shell/KivoAppBase.h"

namespace {

using namespace Kivo;

class RecordingApp : public KivoAppBase {
 public:
  void ShowFatalErrorA(const std::string& text) override { fatal.push_back(text); }
  void ExitProgram(int32_t code) override { exits.push_back(code); }
  std::vector<std::string> fatal;
  std::vector<int32_t> exits;
};

void PutFile(const std::string& name, const std::string& text) {
  ASSERT_TRUE(gPakInterface->AddMemoryFile(name, std::vector<uint8_t>(text.begin(), text.end())));
}

TEST(manifestApp, DefinitionsFileFillsTheApplicationsManager) {
  Platform::SetMainThread();
  ASSERT_TRUE(Platform::StartBackend("headless"));
  auto app = std::make_unique<RecordingApp>();
  ASSERT_NE(app->mResourceManager, nullptr);

  PutFile("app/good.xml",
          "<ResourceManifest><Resources id=\"Loading\"><Image path=\"a.png\"/></Resources>"
          "</ResourceManifest>");
  app->LoadDefinitionsFile("app/good.xml");
  EXPECT_TRUE(app->fatal.empty());
  EXPECT_TRUE(app->exits.empty());
  EXPECT_EQ(app->mResourceManager->Images().count("a"), 1u);

  PutFile("app/empty.xml", "");
  app->LoadDefinitionsFile("app/empty.xml");
  EXPECT_EQ(app->fatal, std::vector<std::string>{"Expecting ResourceManifest tag on Line 1 in File 'app/empty.xml'"});
  EXPECT_EQ(app->exits, std::vector<int32_t>{0});

  // Without the exit flag the error is only shown.
  app->FailWithResourceError(false);
  EXPECT_EQ(app->fatal.size(), 2u);
  EXPECT_EQ(app->exits.size(), 1u);
}

}  // namespace
