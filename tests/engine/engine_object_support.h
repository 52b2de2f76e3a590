// Shared pieces of the engine-object tests: an application whose widget
// manager counts invalidations, a listener and link targets that log what
// they are told, and builders of quads and definitions.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "engine/EngineObject.h"
#include "platform/Platform.h"
#include "shell/KivoAppBase.h"
#include "ui/WidgetManager.h"

namespace enginetest {

using namespace Kivo;

class CountingWidgetManager : public WidgetManager {
 public:
  using WidgetManager::WidgetManager;
  void Invalidate() override {
    ++invalidations;
    WidgetManager::Invalidate();
  }
  int invalidations = 0;
};

// The application object playback reaches through gAppBase.
class FakeApp : public KivoAppBase {
 public:
  FakeApp() {
    delete mWidgetManager;
    manager = new CountingWidgetManager(this);
    mWidgetManager = manager;
  }
  CountingWidgetManager* manager;  // owned by the application
};

// One log of calls shared by the listener and the link targets, in order.
using CallLog = std::vector<std::string>;

class RecordingListener : public ObjEventListener {
 public:
  explicit RecordingListener(CallLog* log) : mLog(log) {}
  void OnAnimationEnd(std::string name, std::string animation) override {
    mLog->push_back("end(" + name + "," + animation + ")");
    if (onEnd) onEnd(name, animation);
  }
  std::function<void(const std::string&, const std::string&)> onEnd;

 private:
  CallLog* mLog;
};

std::string PointText(float x, float y);

class FakeEmitter : public sObj, public AnimEffectTarget {
 public:
  explicit FakeEmitter(CallLog* log) : mLog(log) { mName = "emitter"; }
  void StartAt(Vec2 point) override { mLog->push_back(mName + ".StartAt" + PointText(point.x, point.y)); }
  void StartFollowing(const Vec2* point) override {
    followed = point;
    mLog->push_back(mName + ".StartFollowing" + PointText(point->x, point->y));
  }
  void Stop() override { mLog->push_back(mName + ".Stop"); }
  const Vec2* followed = nullptr;

 private:
  CallLog* mLog;
};

class FakeSound : public sObj, public AnimSoundTarget {
 public:
  explicit FakeSound(CallLog* log) : mLog(log) { mName = "sound"; }
  void Play() override { mLog->push_back(mName + ".Play"); }

 private:
  CallLog* mLog;
};

// The headless platform and a fake application for every playback test.
class EngineObjectTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;
  int Invalidations() const { return app->manager->invalidations; }

  std::unique_ptr<FakeApp> app;
  CallLog log;
};

// A rectangle from (x0, y0) to (x1, y1) with centre and display quad set.
void SetRect(sObj& obj, float x0, float y0, float x1, float y1);
// A definition from .atxt lines, named name.
AnimDef Def(const std::string& name, const std::vector<std::string>& lines);

}  // namespace enginetest
