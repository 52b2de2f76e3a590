// Scene loading: one named scene of the scene database turned into live
// engine objects. The object factory makes each record's kind from its type
// code; each object reads its corners and properties, configures itself
// (ApplyProperties, then OnCreated) before any of its children exists, and
// is appended to the owner's ObjectList depth first, parents before
// children. Owners then resolve animation links (LinkAnimTargets), find
// objects by name and free them all with DeleteObjects.
//
// The first object of the scene "Main" is the game configuration record,
// sObjConfig: a lone type-0 top record whose children are never read.
//
// Limits: type codes outside 0..19, and codes whose kind has not been
// registered, make plain sObj objects. Scenes nest at most kMaxRecordDepth
// records deep.
// Failures: a scene not in the index, an unreadable file or a damaged block
// make LoadScene false with the list unchanged (objects built so far are
// released and deleted) and a log line naming the scene and the offset.
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

#include "engine/EngineObject.h"
#include "engine/SceneDatabase.h"

namespace Kivo {

// The objects of one owner, in load order. The list owns its objects: they
// are released and deleted by DeleteObjects or when the list goes away.
class ObjectList {
 public:
  ObjectList() = default;
  ~ObjectList();
  ObjectList(const ObjectList&) = delete;
  ObjectList& operator=(const ObjectList&) = delete;

  void Append(sObj* object) { mObjects.push_back(object); }
  std::size_t size() const { return mObjects.size(); }
  bool empty() const { return mObjects.empty(); }
  sObj* operator[](std::size_t index) const { return mObjects[index]; }
  std::vector<sObj*>::const_iterator begin() const { return mObjects.begin(); }
  std::vector<sObj*>::const_iterator end() const { return mObjects.end(); }
  // Moves every object of other to the end of this list.
  void Splice(ObjectList& other);
  // Hands the objects over without deleting them.
  std::vector<sObj*> Release();

 private:
  std::vector<sObj*> mObjects;
};

// The game configuration record: the first object of the scene "Main".
class sObjConfig : public sObj {
 public:
  // Reads its own keys only: no animations, no display quad.
  void ApplyProperties() override;

  std::string mGameName;  // "_sNameGame"
  std::string mVersion;   // "_sVersion"
  int mWidth = 0;         // "_iXRes"
  int mHeight = 0;        // "_iYRes"
  std::string mCompany;   // "_sCompany"
  std::string mDataPath;  // "_sPathData"
  int mCodePage = 0;      // "_iCodePage"
};

constexpr int kObjectTypeCount = 20;  // codes 0..19
constexpr int kConfigTypeCode = 0;

// Makes a new object of a kind; the factory sets nothing on it.
using ObjectKindCreator = std::function<sObj*()>;

// Registers the kind of a type code 1..19 (each kind's file adds its row);
// an empty creator gives the code back to plain objects. Returns the
// creator the code had before.
ObjectKindCreator RegisterObjectKind(int typeCode, ObjectKindCreator creator);

// The new object for a record: its kind by type code, plain sObj for codes
// without one.
sObj* CreateObjectByType(const DtmRecordHeader& header);

// Builds the record at `at` of block and its whole subtree into out, the
// record's object with the given parent; depth counts from 1 for a top
// record. The bytes consumed after the record's 64-byte header, or -1 when
// the block is damaged (objects built so far stay in out).
long BuildObjectTree(std::vector<sObj*>& out, sObj* parent, DtmBlock block, std::size_t at, int depth);

// Appends the named scene's objects to list; false (list unchanged) when
// the scene is not in the index, the file cannot be read or the block is
// damaged. The database file is opened anew for every load.
bool LoadScene(const std::string& name, ObjectList& list);

// The first object of the list whose name equals name exactly, or null.
sObj* FindObjectByName(const ObjectList& list, const std::string& name);

// Resolves the five links of every animation of every object by name
// (absent names leave the link empty). After each effect-while-playing link
// it resolves, the effect of the animation the object already plays (when
// known by then) is started following the object, so an object with several
// such links starts it several times.
void LinkAnimTargets(ObjectList& list);

// Gives every object one ReleaseImages, deletes it and empties the list.
void DeleteObjects(ObjectList& list);

}  // namespace Kivo
