#include "game/ControlsSetup.h"

#include <string>
#include <vector>

#include "engine/ControlKinds.h"
#include "engine/ImageTable.h"
#include "platform/Environment.h"
#include "platform/Text.h"

namespace Kivo {

namespace {

// A stage whose picture is not in the image table.
constexpr const char* kLockedStage = "stage_locked";

std::vector<std::string> StageKeys() {
  std::vector<std::string> keys;
  for (const ImageEntry& entry : ImageEntries()) {
    if (entry.key.rfind("stage_", 0) == 0 && entry.key != kMissingPictureKey) keys.push_back(entry.key);
  }
  keys.push_back(kLockedStage);
  return keys;
}

}  // namespace

void PrepareControls(const ObjectList& objects) {
  for (sObj* object : objects) {
    if (auto* slider = dynamic_cast<sObjSlider*>(object)) {
      slider->SetEnabled(true);
    } else if (auto* list = dynamic_cast<sObjList*>(object)) {
      for (const wchar_t* name : {L"Anna", L"\u0411\u043E\u0440\u0438\u0441", L"Clara",
                                  L"\u0414\u0430\u0440\u044C\u044F", L"Emil", L"\u0415\u0432\u0430"}) {
        list->AddItem(name);
      }
    } else if (auto* carousel = dynamic_cast<sObjCarousel*>(object)) {
      for (const std::string& key : StageKeys()) carousel->AddPicture(key, key);
      carousel->mSelectableLimit = carousel->GetCount() - 2;
      carousel->Select(0);
    }
  }
}

std::string LogText(const std::wstring& text) { return Platform::WideToUtf8(text); }

void LogEditTexts(const ObjectList& objects) {
  for (sObj* object : objects) {
    if (const auto* edit = dynamic_cast<const sObjEdit*>(object)) {
      Platform::Log("scene viewer: edit " + edit->mName + " text \"" + LogText(edit->GetText()) + "\"");
    }
  }
}

}  // namespace Kivo
