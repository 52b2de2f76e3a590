#include "frontend/ControlsSetup.h"

#include <cstdint>
#include <string>
#include <vector>

#include "engine/ControlKinds.h"
#include "engine/ImageTable.h"
#include "platform/Environment.h"

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
      for (const wchar_t* name : {L"Anna", L"\u0411\u043E\u0440\u0438\u0441", L"Clara", L"\u0414\u0430\u0440\u044C\u044F",
                                  L"Emil", L"\u0415\u0432\u0430"}) {
        list->AddItem(name);
      }
    } else if (auto* carousel = dynamic_cast<sObjCarousel*>(object)) {
      for (const std::string& key : StageKeys()) carousel->AddPicture(key, key);
      carousel->mSelectableLimit = carousel->GetCount() - 2;
      carousel->Select(0);
    }
  }
}

std::string LogText(const std::wstring& text) {
  std::string out;
  for (wchar_t wc : text) {
    const uint32_t c = static_cast<uint32_t>(wc);
    if (c < 0x80) {
      out += static_cast<char>(c);
    } else if (c < 0x800) {
      out += static_cast<char>(0xC0 | (c >> 6));
      out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
      out += static_cast<char>(0xE0 | (c >> 12));
      out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
      out += '?';
    }
  }
  return out;
}

void LogEditTexts(const ObjectList& objects) {
  for (sObj* object : objects) {
    if (const auto* edit = dynamic_cast<const sObjEdit*>(object)) {
      Platform::Log("scene viewer: edit " + edit->mName + " text \"" + LogText(edit->GetText()) + "\"");
    }
  }
}

}  // namespace Kivo
