#include "frontend/KindScriptServices.h"

#include "audio/SoundInstance.h"
#include "audio/SoundManager.h"
#include "engine/ButtonKinds.h"
#include "engine/ResourceIds.h"
#include "engine/SpriteKinds.h"
#include "engine/TextKinds.h"
#include "image/MemoryImage.h"
#include "shell/KivoAppBase.h"

namespace Kivo {

void KindScriptServices::PlaySound(const std::string& soundId) {
  const int id = SoundIdByName(soundId);
  if (id < 0 || gAppBase == nullptr) return;
  SoundManager* manager = gAppBase->ResourceSoundManager();
  SoundInstance* instance = manager != nullptr ? manager->CreateInstance(id) : nullptr;
  if (instance != nullptr) instance->Play(false, true);
}

void KindScriptServices::SetText(sObj* object, const std::wstring& text) {
  if (auto* textObject = dynamic_cast<sObjText*>(object)) textObject->mText = text;
}

void KindScriptServices::ResetButton(sObj* object) {
  if (auto* button = dynamic_cast<sObjButton*>(object)) {
    button->mState = kButtonNormal;
    button->mFadeAlpha = 0;
  }
}

void KindScriptServices::ShowBubbleText(sObj* bubble, Vec2 point, const std::wstring& text) {
  if (auto* frame = dynamic_cast<sObjFrame*>(bubble)) frame->ShowText(point, text);
}

void KindScriptServices::HideBubble(sObj* bubble) {
  if (auto* frame = dynamic_cast<sObjFrame*>(bubble)) frame->Hide();
}

bool KindScriptServices::SetImage(sObj* sprite, const std::string& imageKey, bool keepWhenMissing, float* width,
                                  float* height) {
  auto* target = dynamic_cast<sObjSprite*>(sprite);
  if (target == nullptr) return false;
  ImageSlot found;
  if (!found.Load(imageKey)) {
    if (!keepWhenMissing) target->mImage.Release();
    return false;
  }
  target->mImage = found;
  const MemoryImage* image = found.Get();
  // A character's picture is drawn whole, whatever grid the table gives it.
  *width = static_cast<float>(image->GetWidth());
  *height = static_cast<float>(image->GetHeight());
  return true;
}

}  // namespace Kivo
