// What the game dialogs use of their scenes' list, edit box and slider
// objects, as small interfaces, and the lookup of a required control (of
// any kind) by name. A missing control, or an object of another
// kind under its name, is logged once and yields null, so callers skip it
// rather than dereference it.
#pragma once

#include <string>

#include "engine/SceneLoader.h"
#include "platform/Environment.h"

namespace Kivo {

class ListControl {
 public:
  virtual void Clear() = 0;
  virtual void AddItem(const std::wstring& text) = 0;
  virtual void SelectByText(const std::wstring& text) = 0;
  virtual void ScrollUp(int pixels) = 0;
  virtual void ScrollDown(int pixels) = 0;

 protected:
  ~ListControl() = default;
};

class EditControl {
 public:
  virtual void SetText(const std::wstring& text) = 0;
  virtual std::wstring GetText() const = 0;

 protected:
  ~EditControl() = default;
};

class SliderControl {
 public:
  virtual void SetEnabled(bool on) = 0;
  // Sets the target the shown value glides to.
  virtual void SetValue(float value) = 0;
  // The shown value, not the target.
  virtual float GetValue() = 0;

 protected:
  ~SliderControl() = default;
};

// The control of that name in objects, or null (logged with the scene's
// name when required).
template <class Control>
Control* FindControl(const ObjectList& objects, const std::string& name, const std::string& scene,
                     bool required = true) {
  Control* control = dynamic_cast<Control*>(FindObjectByName(objects, name));
  if (control == nullptr && required)
    Platform::Log("scene \"" + scene + "\": object \"" + name + "\" is missing or of another kind");
  return control;
}

}  // namespace Kivo
