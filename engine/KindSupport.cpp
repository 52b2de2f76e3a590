#include "engine/KindSupport.h"

namespace Kivo {

bool ReadColourProperty(sObj& object, const ObjProperty& pair) {
  if (pair.key == "_colObj") {
    const PropertyColor colour = PropertyRgb(pair.value);
    object.mRed = colour.red;
    object.mGreen = colour.green;
    object.mBlue = colour.blue;
    return true;
  }
  if (pair.key == "_iAlph") {
    object.mAlpha = PropertyInt(pair.value);
    return true;
  }
  return false;
}

void SetObjectColour(Graphics& g, const sObj& object, int alpha) {
  g.SetColorARGB(static_cast<unsigned char>(alpha), static_cast<unsigned char>(object.mRed),
                 static_cast<unsigned char>(object.mGreen), static_cast<unsigned char>(object.mBlue));
}

const Quad& PoseQuad(sObj& object) {
  if (!object.IsPlaying()) return object.mBaseQuad;
  object.ApplyCurrentPose();
  return object.mDisplayQuad;
}

Quad RectQuad(float x, float y, float width, float height) {
  Quad quad;
  quad.corner[0] = Vector2(x, y);
  quad.corner[1] = Vector2(x + width, y);
  quad.corner[2] = Vector2(x + width, y + height);
  quad.corner[3] = Vector2(x, y + height);
  return quad;
}

}  // namespace Kivo
