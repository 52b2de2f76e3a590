#include "engine/PropertyList.h"

#include <cmath>
#include <cfloat>
#include <utility>

#include "shell/base/StringUtils.h"

namespace Kivo {

void PropertyList::Add(std::string key, std::string value) { mPairs.push_back({std::move(key), std::move(value)}); }

std::string PropertyList::GetProperty(const std::string& key) const {
  for (const ObjProperty& pair : mPairs) {
    if (pair.key == key) return pair.value;
  }
  return std::string();
}

int32_t PropertyInt(const std::string& value) { return LeadingInt(value.c_str()); }

float PropertyFloat(const std::string& value) {
  const double number = LeadingDouble(value.c_str());
  // Narrowing a finite double beyond the float range is undefined; give the
  // infinity the hardware would.
  if (number > FLT_MAX) return HUGE_VALF;
  if (number < -FLT_MAX) return -HUGE_VALF;
  return static_cast<float>(number);
}

bool PropertyFlag(const std::string& value) { return !value.empty(); }

PropertyColor PropertyRgb(const std::string& value) {
  const uint32_t bits = static_cast<uint32_t>(PropertyInt(value));
  PropertyColor color;
  color.red = static_cast<int32_t>(bits & 0xFFu);
  color.green = static_cast<int32_t>((bits >> 8) & 0xFFu);
  color.blue = static_cast<int32_t>((bits >> 16) & 0xFFu);
  return color;
}

int32_t PropertyDrawMode(const std::string& value) { return value == "NORMAL" ? 0 : 1; }

PropertyField PropertyField::Int(const char* key, int32_t* out) { return PropertyField(key, Kind::Int, out); }

PropertyField PropertyField::Float(const char* key, float* out) { return PropertyField(key, Kind::Float, out); }

PropertyField PropertyField::Text(const char* key, std::string* out) { return PropertyField(key, Kind::Text, out); }

PropertyField PropertyField::Flag(const char* key, bool* out) { return PropertyField(key, Kind::Flag, out); }

PropertyField PropertyField::Rgb(const char* key, PropertyColor* out) { return PropertyField(key, Kind::Rgb, out); }

PropertyField PropertyField::DrawMode(const char* key, int32_t* out) { return PropertyField(key, Kind::DrawMode, out); }

void PropertyField::Assign(const std::string& value) const {
  switch (mKind) {
    case Kind::Int: *mOut.integer = PropertyInt(value); break;
    case Kind::Float: *mOut.real = PropertyFloat(value); break;
    case Kind::Text: *mOut.text = value; break;
    case Kind::Flag: *mOut.flag = PropertyFlag(value); break;
    case Kind::Rgb: *mOut.rgb = PropertyRgb(value); break;
    case Kind::DrawMode: *mOut.integer = PropertyDrawMode(value); break;
  }
}

void ReadProperties(const PropertyList& list, std::initializer_list<PropertyField> fields) {
  for (const ObjProperty& pair : list) {
    for (const PropertyField& field : fields) {
      if (pair.key == field.Key()) field.Assign(pair.value);
    }
  }
}

}  // namespace Kivo
