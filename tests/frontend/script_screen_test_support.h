// Fixtures shared by the scripted screens' tests: plain scene records and a
// services double that logs what the screens ask of the object kinds.
#pragma once

#include <string>
#include <vector>

#include "frontend/ScriptScreenServices.h"
#include "tools/sampledata/SceneDbWriter.h"

namespace Kivo {
namespace scripttest {

inline DtmRecord Plain(const std::string& name, float x, float y, float w, float h, int type = 1) {
  DtmRecord record;
  record.name = name;
  record.type = static_cast<uint32_t>(type);
  record.SetRect(x, y, w, h);
  return record;
}

// Logs sounds, texts, button resets and shown bubbles into the given log.
class LoggingServices : public ScriptScreenServices {
 public:
  explicit LoggingServices(std::vector<std::string>* log) : mLog(log) {}
  void PlaySound(const std::string& id) override { mLog->push_back("sound " + id); }
  void SetText(sObj* object, const std::wstring& text) override {
    if (object != nullptr) mLog->push_back("text " + object->mName + " " + std::to_string(text.size()));
  }
  void ResetButton(sObj* object) override {
    if (object != nullptr) mLog->push_back("reset " + object->mName);
  }
  void ShowBubbleText(sObj* bubble, Vec2 point, const std::wstring& text) override {
    if (bubble == nullptr) return;
    mLog->push_back("bubble " + bubble->mName + " " + std::to_string(static_cast<int>(point.x)) + "," +
                    std::to_string(static_cast<int>(point.y)) + " " + std::to_string(text.size()));
  }

 private:
  std::vector<std::string>* mLog;
};

}  // namespace scripttest
}  // namespace Kivo
