#include "tests/engine/engine_object_support.h"

#include <cstdio>

namespace enginetest {

std::string PointText(float x, float y) {
  char text[64];
  std::snprintf(text, sizeof text, "(%g,%g)", x, y);
  return text;
}

void EngineObjectTest::SetUp() {
  Platform::SetMainThread();
  ASSERT_TRUE(Platform::StartBackend("headless"));
  app = std::make_unique<FakeApp>();
}

void EngineObjectTest::TearDown() { app.reset(); }

void SetRect(sObj& obj, float x0, float y0, float x1, float y1) {
  obj.mBaseQuad.corner[0] = Vector2(x0, y0);
  obj.mBaseQuad.corner[1] = Vector2(x1, y0);
  obj.mBaseQuad.corner[2] = Vector2(x1, y1);
  obj.mBaseQuad.corner[3] = Vector2(x0, y1);
  obj.UpdateCentre();
  obj.mDisplayQuad = obj.mBaseQuad;
  obj.UpdateDisplayCentre();
}

AnimDef Def(const std::string& name, const std::vector<std::string>& lines) {
  AnimDef def;
  def.name = name;
  ApplyAnimDefLines(def, lines);
  return def;
}

}  // namespace enginetest
