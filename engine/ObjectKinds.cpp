#include "engine/ObjectKinds.h"

#include "engine/SceneLoader.h"

namespace Kivo {

namespace {

template <typename Kind>
void Register(int typeCode) {
  RegisterObjectKind(typeCode, [] { return new Kind(); });
}

}  // namespace

void RegisterDrawingKinds() {
  Register<sObjSprite>(3);
  Register<sObjButton>(4);
  Register<sObjText>(5);
  Register<sObjMesh>(7);
  Register<sObjMasked>(9);
  Register<sObjToggle>(11);
  Register<sObjMover>(13);
  Register<sObjSwing>(14);
  Register<sObjFrame>(16);
  Register<sObjRect>(18);
  Register<sObjCamera>(19);
}

}  // namespace Kivo
