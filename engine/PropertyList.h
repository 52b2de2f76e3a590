// Property lists: the key/value text pairs every engine object carries from
// its scene record, and the one conversion per key prefix that every reader
// of those pairs shares.
//
// Nothing in a scene record is typed: every value is the file's bytes, and
// the key's prefix tells how to read it ("_i"/"_int" integer, "_f" float,
// "_s" text, "_b" flag, "_key" a key into another table, "_col" a colour).
// Keys match exactly (same bytes, case-sensitive, whole key). Duplicate keys
// stay in file order: GetProperty returns the first, a reader walking the
// list with ReadProperties ends with the last.
//
// Failures: a missing key reads as the empty string, which every conversion
// turns into its zero (0, 0.0f, false, black). Numbers are read without the
// process locale and without overflow: integers saturate at the 32-bit
// limits, floats beyond range become infinities.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>
#include <vector>

namespace Kivo {

struct ObjProperty {
  std::string key;
  std::string value;
};

class PropertyList {
 public:
  // Adds at the end; an existing pair with the same key stays in front of it.
  void Add(std::string key, std::string value);

  // The value of the first pair whose key equals key; "" when there is none.
  std::string GetProperty(const std::string& key) const;

  size_t Size() const { return mPairs.size(); }
  bool Empty() const { return mPairs.empty(); }
  const ObjProperty& operator[](size_t index) const { return mPairs[index]; }
  std::vector<ObjProperty>::const_iterator begin() const { return mPairs.begin(); }
  std::vector<ObjProperty>::const_iterator end() const { return mPairs.end(); }

 private:
  std::vector<ObjProperty> mPairs;
};

// Red, green and blue of a "_col" value, each 0..255.
struct PropertyColor {
  int32_t red = 0;
  int32_t green = 0;
  int32_t blue = 0;
};

// "_i" and "_int": the C library's atoi without its locale or overflow.
int32_t PropertyInt(const std::string& value);
// "_f": atof, kept as a 32-bit float.
float PropertyFloat(const std::string& value);
// "_b": any non-empty text is true, "0" included.
bool PropertyFlag(const std::string& value);
// "_col": atoi, then red from bits 0-7, green 8-15, blue 16-23; higher bits
// are dropped.
PropertyColor PropertyRgb(const std::string& value);
// "_sModeDraw": exactly "NORMAL" draws normally (0); anything else, an empty
// text included, draws additively (1).
int32_t PropertyDrawMode(const std::string& value);

// One key a reader knows and the field its value is converted into.
class PropertyField {
 public:
  static PropertyField Int(const char* key, int32_t* out);
  static PropertyField Float(const char* key, float* out);
  static PropertyField Text(const char* key, std::string* out);
  static PropertyField Flag(const char* key, bool* out);
  static PropertyField Rgb(const char* key, PropertyColor* out);
  static PropertyField DrawMode(const char* key, int32_t* out);

  const char* Key() const { return mKey; }
  void Assign(const std::string& value) const;

 private:
  enum class Kind { Int, Float, Text, Flag, Rgb, DrawMode };
  // The reader's field; which member is set follows mKind. Not owned.
  union Target {
    Target(int32_t* out) : integer(out) {}  // Int and DrawMode
    Target(float* out) : real(out) {}
    Target(std::string* out) : text(out) {}
    Target(bool* out) : flag(out) {}
    Target(PropertyColor* out) : rgb(out) {}
    int32_t* integer;
    float* real;
    std::string* text;
    bool* flag;
    PropertyColor* rgb;
  };
  PropertyField(const char* key, Kind kind, Target out) : mKey(key), mKind(kind), mOut(out) {}

  const char* mKey;
  Kind mKind;
  Target mOut;
};

// Walks the list in order and assigns every pair whose key a field names, so
// a later duplicate overwrites an earlier one. Fields whose key never occurs
// keep their value.
void ReadProperties(const PropertyList& list, std::initializer_list<PropertyField> fields);

}  // namespace Kivo
