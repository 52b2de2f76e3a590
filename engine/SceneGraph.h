// XML scene files: small keyframed entity trees that mini-games load from a
// path, bind engine objects to by name and play. The graph owns one root
// entity ("Root" until a file names it), passes its entities' playback
// events to one listener as codes, and advances the whole tree each update.
//
// Format: read through the file API (folder or archive) one byte per
// character, so a byte-order mark is read as text. "body" holds "object"
// elements; the first level applies to the root, nested "object"s inside
// "childs" become entities ("type" "dummy" makes an ObjEntity; "id",
// "slave"). Clips are "animation" elements ("id", "ftl" or
// "frame_time_length", "loop"), directly in the object or in "animations",
// holding "key" elements ("frame", "position", "center", "scale" as two
// numbers split by ';' or blanks, "angle" in radians, "interp", "acc").
// Numbers are strict: an optional '-', digits, one '.' (or 0x hex for
// integers); anything else is invalid and leaves the defaults.
//
// Limits: objects (attribute-less wrappers included) nest at most
// kMaxObjectDepth deep; deeper ones are read and dropped and Load reports
// false. A sibling whose id repeats an earlier
// one is read and dropped.
//
// Failures: a missing file leaves an empty root and Load returns false;
// malformed XML stops the reading, keeps what was built, logs the reader's
// message with its line and returns false.
#pragma once

#include <string>

#include "engine/SceneEntity.h"

namespace Kivo {

class XMLParser;
struct XmlElementRecord;

namespace Scene {

enum ListenerCode : int {
  kFirstStarted = 0,
  kLastStopped = 1,
  kEntityStarted = 2,
  kEntityStopped = 3,
  kEntityRestarted = 4,
  kEntityKeyReached = 5,
  kEntityEndReached = 6,
  kEntityStep = 7,
  kEntityPaused = 8,
  kEntityResumed = 9,
  kEntityTransformUpdated = 10,
};

class Listener {
 public:
  virtual void OnSceneEvent(SceneGraph* graph, Entity* entity, int code) = 0;

 protected:
  ~Listener() = default;
};

class SceneGraph {
 public:
  static constexpr int kMaxObjectDepth = 64;

  SceneGraph();
  SceneGraph(const SceneGraph&) = delete;
  SceneGraph& operator=(const SceneGraph&) = delete;
  virtual ~SceneGraph() = default;

  virtual void OnEntityEvent(Entity* entity, int event);
  virtual void Update(int milliseconds);
  // "dummy" gives an ObjEntity, any other type an Entity.
  virtual Entity* CreateEntity(const std::string& type);

  bool Load(const std::string& path);
  Entity* FindEntity(const std::string& name);
  void SetListener(Listener* listener) { mListener = listener; }
  Entity& Root() { return mRoot; }

  int PlayingCount() const { return mPlaying; }
  int PausedCount() const { return mPaused; }

 private:
  void ReadBody(XMLParser& reader, const XmlElementRecord& element);
  void ReadObject(XMLParser& reader, const XmlElementRecord& element, Entity* parent);
  void ReadWrapperObject(XMLParser& reader, Entity* around);
  void ReadChilds(XMLParser& reader, const XmlElementRecord& element, Entity* entity);
  void ReadAnimations(XMLParser& reader, const XmlElementRecord& element, Entity* entity);
  void ReadAnimation(XMLParser& reader, const XmlElementRecord& element, Entity* entity);
  void ReadKey(const XmlElementRecord& element, Entity* entity, AnimClip* clip);
  void SkipObject(XMLParser& reader);
  void Send(Entity* entity, int code);

  struct OpenObject;

  Entity mRoot;
  Listener* mListener = nullptr;  // not owned
  int mPlaying = 0;
  int mPaused = 0;
  bool mTooDeep = false;
  int mOpenObjects = 0;
};

}  // namespace Scene
}  // namespace Kivo
