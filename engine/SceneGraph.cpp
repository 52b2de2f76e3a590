#include "engine/SceneGraph.h"

#include <memory>

#include "platform/Environment.h"
#include "resources/XMLParser.h"

namespace Kivo {
namespace Scene {

namespace {

// Scene files are read one byte per character, so narrowing is byte-wise.
std::string Bytes(const std::wstring& text) {
  std::string out;
  out.reserve(text.size());
  for (wchar_t c : text) out.push_back(static_cast<char>(c));
  return out;
}

bool IsStart(const XmlElementRecord& e, const wchar_t* name) {
  return e.type == XmlElementRecord::TYPE_START && e.name == name;
}

bool IsEnd(const XmlElementRecord& e, const wchar_t* name) {
  return e.type == XmlElementRecord::TYPE_END && e.name == name;
}

}  // namespace

SceneGraph::SceneGraph() { mRoot.mName = "Root"; }

Entity* SceneGraph::CreateEntity(const std::string& type) {
  if (type == "dummy") return new ObjEntity();
  return new Entity();
}

void SceneGraph::Update(int milliseconds) { mRoot.UpdateRecursive(static_cast<float>(milliseconds) * 0.001f); }

Entity* SceneGraph::FindEntity(const std::string& name) {
  if (mRoot.mName == name) return &mRoot;
  for (Entity* child : mRoot.Children())
    if (Entity* found = child->FindByName(name)) return found;
  return nullptr;
}

void SceneGraph::Send(Entity* entity, int code) {
  if (mListener) mListener->OnSceneEvent(this, entity, code);
}

void SceneGraph::OnEntityEvent(Entity* entity, int event) {
  switch (event) {
    case kClipStarted:
      if (mPlaying++ == 0) Send(entity, kFirstStarted);
      Send(entity, kEntityStarted);
      break;
    case kClipStopped:
      if (entity->mPlayer.IsPaused()) --mPaused;
      if (--mPlaying == 0) Send(entity, kLastStopped);
      Send(entity, kEntityStopped);
      break;
    case kClipRestarted: Send(entity, kEntityRestarted); break;
    case kClipEndReached: Send(entity, kEntityEndReached); break;
    case kKeyReached: Send(entity, kEntityKeyReached); break;
    case kClipStep: Send(entity, kEntityStep); break;
    case kClipPaused:
      ++mPaused;
      Send(entity, kEntityPaused);
      break;
    case kClipResumed:
      --mPaused;
      Send(entity, kEntityResumed);
      break;
    case kTransformUpdated: Send(entity, kEntityTransformUpdated); break;
    default: break;
  }
}

bool SceneGraph::Load(const std::string& path) {
  mRoot.ResetTransform();
  // The old tree is gone with its players, so nothing is playing any more.
  mPlaying = 0;
  mPaused = 0;
  mTooDeep = false;
  mOpenObjects = 0;

  XMLParser reader;
  reader.SelectEncoding(XMLParser::ENCODING_BYTES);
  if (!reader.OpenFile(path)) return false;
  XmlElementRecord element;
  while (reader.ReadNextElement(&element)) {
    if (element.type == XmlElementRecord::TYPE_START) ReadBody(reader, element);
  }
  mRoot.RewindRecursive();
  mRoot.SetGraphRecursive(this);
  if (reader.IsInError()) {
    Platform::Log("scene " + path + ": line " + std::to_string(reader.GetLineNumber()) + ": " +
                  Bytes(reader.GetErrorMessage()));
    return false;
  }
  if (mTooDeep) {
    Platform::Log("scene " + path + ": objects nested deeper than " + std::to_string(kMaxObjectDepth) +
                  " levels were dropped");
    return false;
  }
  return true;
}

void SceneGraph::ReadBody(XMLParser& reader, const XmlElementRecord& body) {
  if (!IsStart(body, L"body")) return;
  XmlElementRecord element;
  while (reader.ReadNextElement(&element) && !IsEnd(element, L"body")) {
    if (element.type == XmlElementRecord::TYPE_START) ReadObject(reader, element, nullptr);
  }
}

void SceneGraph::SkipObject(XMLParser& reader) {
  int open = 1;
  XmlElementRecord element;
  while (open > 0 && reader.ReadNextElement(&element)) {
    if (IsStart(element, L"object")) ++open;
    if (IsEnd(element, L"object")) --open;
  }
}

// Counts the object elements open in the file, wrappers included, so that
// no nesting of any kind recurses without bound.
struct SceneGraph::OpenObject {
  explicit OpenObject(int& count) : mCount(++count) {}
  ~OpenObject() { --mCount; }
  int& mCount;
};

void SceneGraph::ReadObject(XMLParser& reader, const XmlElementRecord& object, Entity* parent) {
  if (!IsStart(object, L"object")) return;
  OpenObject open(mOpenObjects);
  if (mOpenObjects > kMaxObjectDepth) {
    mTooDeep = true;
    SkipObject(reader);
    return;
  }
  // Entities made here and not (yet) in the tree are held so that an early
  // return never leaks them.
  std::unique_ptr<Entity> created;
  Entity* entity = &mRoot;
  if (parent) {
    auto type = object.attributes.find(L"type");
    created.reset(CreateEntity(type == object.attributes.end() ? std::string() : Bytes(type->second)));
    entity = created.get();
  }
  if (object.attributes.empty()) {
    ReadWrapperObject(reader, parent ? parent : &mRoot);
    return;
  }
  for (const auto& attribute : object.attributes) entity->SetAttribute(Bytes(attribute.first), Bytes(attribute.second));
  // A repeated id is read into the dropped entity, so its contents vanish
  // with it and the first sibling stays.
  if (parent && parent->AddChild(entity)) created.release();

  XmlElementRecord element;
  while (reader.ReadNextElement(&element) && !IsEnd(element, L"object")) {
    if (element.type != XmlElementRecord::TYPE_START) continue;
    ReadChilds(reader, element, entity);
    ReadAnimations(reader, element, entity);
    ReadAnimation(reader, element, entity);
  }
  entity->SelectClip(std::string());
}

// An object without attributes contributes nothing of its own; the objects
// in its "childs" join the entity around it. It is read to its own end tag,
// so its end tags cannot close the elements around it early.
void SceneGraph::ReadWrapperObject(XMLParser& reader, Entity* around) {
  XmlElementRecord element;
  while (reader.ReadNextElement(&element) && !IsEnd(element, L"object")) {
    if (element.type == XmlElementRecord::TYPE_START) ReadChilds(reader, element, around);
  }
}

void SceneGraph::ReadChilds(XMLParser& reader, const XmlElementRecord& childs, Entity* entity) {
  if (!IsStart(childs, L"childs")) return;
  XmlElementRecord element;
  while (reader.ReadNextElement(&element) && !IsEnd(element, L"childs")) {
    if (element.type == XmlElementRecord::TYPE_START) ReadObject(reader, element, entity);
  }
}

void SceneGraph::ReadAnimations(XMLParser& reader, const XmlElementRecord& animations, Entity* entity) {
  if (!IsStart(animations, L"animations")) return;
  XmlElementRecord element;
  while (reader.ReadNextElement(&element) && !IsEnd(element, L"animations")) {
    if (element.type == XmlElementRecord::TYPE_START) ReadAnimation(reader, element, entity);
  }
}

void SceneGraph::ReadAnimation(XMLParser& reader, const XmlElementRecord& animation, Entity* entity) {
  if (!IsStart(animation, L"animation")) return;
  AnimClip* clip = entity->GetOrCreateClip(std::string());
  if (animation.attributes.empty()) return;
  for (const auto& attribute : animation.attributes)
    clip->SetAttribute(Bytes(attribute.first), Bytes(attribute.second));
  XmlElementRecord element;
  while (reader.ReadNextElement(&element) && !IsEnd(element, L"animation")) {
    if (element.type == XmlElementRecord::TYPE_START) ReadKey(element, entity, clip);
  }
}

void SceneGraph::ReadKey(const XmlElementRecord& key, Entity* entity, AnimClip* clip) {
  if (!IsStart(key, L"key") || key.attributes.empty()) return;
  std::unique_ptr<AnimKey> scratch = entity->NewKey();
  for (const auto& attribute : key.attributes) scratch->SetAttribute(Bytes(attribute.first), Bytes(attribute.second));
  clip->InsertKey(scratch->mFrame);
  clip->KeyAt(scratch->mFrame)->CopyFrom(*scratch);
}

}  // namespace Scene
}  // namespace Kivo
