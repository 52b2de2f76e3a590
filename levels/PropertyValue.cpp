#include "levels/PropertyValue.h"

#include "levels/MiniGame.h"
#include "shell/KivoAppBase.h"

namespace Kivo {

const std::string& FindPropertyValue(const sObj* object, const std::string& key) {
  static const std::string kEmpty;
  if (object == nullptr) return kEmpty;
  for (const ObjProperty& pair : object->mProperties) {
    if (pair.key == key) return pair.value;
  }
  return kEmpty;
}

int UpdateIntervalMs() {
  if (gAppBase == nullptr || gAppBase->mUpdateInterval <= 0) return 10;
  return gAppBase->mUpdateInterval;
}

}  // namespace Kivo
