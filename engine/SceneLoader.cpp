#include "engine/SceneLoader.h"

#include <cstdio>
#include <utility>

#include "engine/AnimDef.h"
#include "engine/PropertyList.h"
#include "platform/Environment.h"
#include "platform/Files.h"

namespace Kivo {

namespace {

ObjectKindCreator* KindCreators() {
  static ObjectKindCreator creators[kObjectTypeCount];
  return creators;
}

// What one scene build shares down its recursion.
struct TreeBuild {
  DtmBlock block;
  std::vector<sObj*>& out;
  std::size_t failedAt = 0;  // the record being read when the block proved damaged
};

long BuildRecord(TreeBuild& build, sObj* parent, std::size_t at, int depth) {
  DtmRecordHeader header;
  if (depth > kMaxRecordDepth || !ParseRecordHeader(build.block, at, header)) {
    build.failedAt = at;
    return -1;
  }
  sObj* object = CreateObjectByType(header);
  build.out.push_back(object);  // owned by the build from here on, whatever happens
  object->mName = header.name;
  object->mTypeCode = static_cast<int>(header.type);
  object->mParent = parent;
  object->mActiveChild = nullptr;
  long consumed = ReadObjectRecord(*object, header, build.block, at + kDtmRecordHeaderSize);
  if (consumed < 0) {
    build.failedAt = at;
    return -1;
  }
  object->ApplyProperties();
  object->OnCreated();
  for (uint32_t child = 0; child < header.childCount; ++child) {
    std::size_t childAt = at + kDtmRecordHeaderSize + static_cast<std::size_t>(consumed);
    long used = BuildRecord(build, object, childAt, depth + 1);
    if (used < 0) return -1;
    consumed += static_cast<long>(kDtmRecordHeaderSize) + used;
  }
  return consumed;
}

void ReleaseAndDelete(std::vector<sObj*>& objects) {
  for (sObj* object : objects) {
    object->ReleaseImages();
    delete object;
  }
  objects.clear();
}

// The configuration record: header and properties only, no name, no
// OnCreated, its children never read.
bool BuildConfigRecord(std::vector<sObj*>& out, const DtmRecordHeader& header, DtmBlock block) {
  sObj* object = CreateObjectByType(header);
  out.push_back(object);
  object->mTypeCode = static_cast<int>(header.type);
  object->mParent = nullptr;
  object->mActiveChild = nullptr;
  if (ReadObjectRecord(*object, header, block, kDtmRecordHeaderSize) < 0) return false;
  object->ApplyProperties();
  return true;
}

void LogDamagedScene(const std::string& name, uint64_t offset, const std::string& what) {
  Platform::Log("scene \"" + name + "\": " + what + " at offset " + std::to_string(offset));
}

}  // namespace

ObjectList::~ObjectList() { DeleteObjects(*this); }

void ObjectList::Splice(ObjectList& other) {
  mObjects.insert(mObjects.end(), other.mObjects.begin(), other.mObjects.end());
  other.mObjects.clear();
}

std::vector<sObj*> ObjectList::Release() {
  std::vector<sObj*> objects;
  objects.swap(mObjects);
  return objects;
}

void sObjConfig::ApplyProperties() {
  for (const ObjProperty& pair : mProperties) {
    if (pair.key == "_sNameGame") {
      mGameName = pair.value;
    } else if (pair.key == "_sVersion") {
      mVersion = pair.value;
    } else if (pair.key == "_iXRes") {
      mWidth = PropertyInt(pair.value);
    } else if (pair.key == "_iYRes") {
      mHeight = PropertyInt(pair.value);
    } else if (pair.key == "_sCompany") {
      mCompany = pair.value;
    } else if (pair.key == "_sPathData") {
      mDataPath = pair.value;
    } else if (pair.key == "_iCodePage") {
      mCodePage = PropertyInt(pair.value);
    }
  }
}

ObjectKindCreator RegisterObjectKind(int typeCode, ObjectKindCreator creator) {
  if (typeCode <= kConfigTypeCode || typeCode >= kObjectTypeCount) return ObjectKindCreator();
  std::swap(KindCreators()[typeCode], creator);
  return creator;
}

sObj* CreateObjectByType(const DtmRecordHeader& header) {
  if (header.type == kConfigTypeCode) return new sObjConfig();
  if (header.type < static_cast<uint32_t>(kObjectTypeCount)) {
    const ObjectKindCreator& creator = KindCreators()[header.type];
    if (creator) {
      if (sObj* object = creator()) return object;
    }
  }
  return new sObj();
}

long BuildObjectTree(std::vector<sObj*>& out, sObj* parent, DtmBlock block, std::size_t at, int depth) {
  TreeBuild build{block, out};
  return BuildRecord(build, parent, at, depth);
}

bool LoadScene(const std::string& name, ObjectList& list) {
  const DtmIndexEntry* entry = FindSceneEntry(name);
  if (entry == nullptr) return false;
  std::FILE* file = Platform::OpenFile(SceneDatabasePath(), "rb");
  if (file == nullptr) return false;
  std::vector<uint8_t> bytes(entry->size);
  bool read = ReadBlockAt(file, entry->offset, bytes.data(), bytes.size());
  std::fclose(file);
  if (!read) {
    LogDamagedScene(name, entry->offset, "block of " + std::to_string(entry->size) + " bytes cannot be read");
    return false;
  }
  DtmBlock block{bytes.data(), bytes.size()};
  DtmRecordHeader top;
  if (!ParseRecordHeader(block, 0, top)) {
    LogDamagedScene(name, entry->offset, "block shorter than a record");
    return false;
  }
  std::vector<sObj*> built;
  bool ok;
  uint64_t failedAt = entry->offset;
  if (top.type == kConfigTypeCode) {
    ok = BuildConfigRecord(built, top, block);
  } else {
    TreeBuild build{block, built};
    ok = BuildRecord(build, nullptr, 0, 1) >= 0;
    failedAt += build.failedAt;
  }
  if (!ok) {
    LogDamagedScene(name, failedAt, "damaged record");
    ReleaseAndDelete(built);
    return false;
  }
  for (sObj* object : built) list.Append(object);
  return true;
}

sObj* FindObjectByName(const ObjectList& list, const std::string& name) {
  for (sObj* object : list) {
    if (object->mName == name) return object;
  }
  return nullptr;
}

void LinkAnimTargets(ObjectList& list) {
  for (sObj* object : list) {
    for (AnimDef& def : object->mAnimations) {
      for (AnimLink* link : {&def.effBegin, &def.effPlayed, &def.effEnd, &def.soundBegin, &def.soundEnd}) {
        if (link->name.empty()) continue;
        link->target = FindObjectByName(list, link->name);
        // An animation started while the object configured itself could not
        // reach its effect then: every resolved effect-while-playing link
        // (re)starts the playing animation's effect, once it is known.
        if (link != &def.effPlayed) continue;
        const AnimDef* playing = object->CurrentAnimation();
        if (playing == nullptr) continue;
        if (auto* effect = dynamic_cast<AnimEffectTarget*>(playing->effPlayed.target)) {
          effect->StartFollowing(&object->mDisplayCentre);
        }
      }
    }
  }
}

void DeleteObjects(ObjectList& list) {
  std::vector<sObj*> objects = list.Release();
  ReleaseAndDelete(objects);
}

}  // namespace Kivo
