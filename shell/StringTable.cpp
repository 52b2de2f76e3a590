#include "shell/StringTable.h"

namespace Kivo {

const DefaultText kDefaultTexts[8] = {
    {"DIALOG_BUTTON_OK", L"OK"},
    {"DIALOG_BUTTON_CANCEL", L"CANCEL"},
    {"UPDATE_CHECK_TITLE", L"Update Check"},
    {"UPDATE_CHECK_BODY", L"Checking if there are any updates available for this product ..."},
    {"UP_TO_DATE_TITLE", L"Up to Date"},
    {"UP_TO_DATE_BODY", L"There are no updates available for this product at this time."},
    {"NEW_VERSION_TITLE", L"New Version"},
    {"NEW_VERSION_BODY",
     L"There is an update available for this product.  Would you like to visit the web site to download it?"},
};

std::wstring StringTable::Lookup(const std::string& id, const std::wstring& defaultText) const {
  auto it = mEntries.find(id);
  return it == mEntries.end() ? defaultText : it->second;
}

void StringTable::Define(const std::string& id, const std::wstring& text) {
  auto result = mEntries.insert({id, text});
  if (!result.second) result.first->second = text;
}

}  // namespace Kivo
