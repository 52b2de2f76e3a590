#include "engine/ControlKinds.h"

#include "engine/SceneLoader.h"

namespace Kivo {

void RegisterControlKinds() {
  RegisterObjectKind(6, [] { return new sObjSlider(); });
  RegisterObjectKind(8, [] { return new sObjEdit(); });
  RegisterObjectKind(10, [] { return new sObjList(); });
  RegisterObjectKind(12, [] { return new sObjCarousel(); });
}

}  // namespace Kivo
