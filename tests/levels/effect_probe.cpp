#include "tests/levels/effect_probe.h"

#include <cmath>

#include "engine/ObjectKinds.h"
#include "engine/ParticleSystem.h"

namespace leveltest {

namespace {

void MakeLongLived(ParticleEffect& effect) {
  effect.Resize(1);
  effect.Records()[0].mEmitter.mEmitterLife = 1000.0f;
  effect.Records()[0].mEmitter.mRate = 0;
}

std::vector<Vec2> ActiveStarts(ParticleSystem& system) {
  std::vector<Vec2> starts;
  for (int i = 0; i < system.SlotCount(); ++i) {
    EmitterSlot* slot = system.Slot(i);
    if (slot->IsActive()) starts.emplace_back(slot->mPositionArea.mX, slot->mPositionArea.mY);
  }
  return starts;
}

}  // namespace

FixedEffectProbe::FixedEffectProbe(int which) : mWhich(which) {
  gParticleSystem.Init(64, 64);
  MakeLongLived(gParticleEffectSets[which]);
}

FixedEffectProbe::~FixedEffectProbe() {
  gParticleSystem.Clear();
  gParticleEffectSets[mWhich].Clear();
}

std::vector<Vec2> FixedEffectProbe::Starts() const { return ActiveStarts(gParticleSystem); }

namespace {

std::vector<std::string> gObjectEvents;

std::string Rounded(float v) { return std::to_string(static_cast<long>(std::lround(v))); }

class LoggingEmitter : public sObjEmitter {
 public:
  void StartAt(Vec2 point) override {
    gObjectEvents.push_back("start " + mName + " " + Rounded(point.x) + " " + Rounded(point.y));
    sObjEmitter::StartAt(point);
  }
  void Start() override {
    gObjectEvents.push_back("start " + mName);
    sObjEmitter::Start();
  }
  void StartFollowing(const Vec2* point) override {
    gObjectEvents.push_back("follow " + mName);
    sObjEmitter::StartFollowing(point);
  }
  void Stop() override {
    gObjectEvents.push_back("stop " + mName);
    sObjEmitter::Stop();
  }
};

class LoggingSound : public sObjSound {
 public:
  void Play() override {
    gObjectEvents.push_back("play " + mName);
    sObjSound::Play();
  }
};

}  // namespace

ObjectEventLog::ObjectEventLog() {
  gObjectEvents.clear();
  mEmitterBefore = RegisterObjectKind(kEmitterTypeCode, [] { return new LoggingEmitter(); });
  mSoundBefore = RegisterObjectKind(kSoundTypeCode, [] { return new LoggingSound(); });
}

ObjectEventLog::~ObjectEventLog() {
  RegisterObjectKind(kEmitterTypeCode, mEmitterBefore);
  RegisterObjectKind(kSoundTypeCode, mSoundBefore);
  gObjectEvents.clear();
}

const std::vector<std::string>& ObjectEventLog::Events() const { return gObjectEvents; }

std::vector<std::string> ObjectEventLog::With(const std::string& prefix) const {
  std::vector<std::string> out;
  for (const std::string& event : gObjectEvents) {
    if (event.compare(0, prefix.size(), prefix) == 0) out.push_back(event);
  }
  return out;
}

void ObjectEventLog::Clear() { gObjectEvents.clear(); }

AnimDef StillAnim(const std::string& name, int frames, int rate) {
  AnimDef def;
  def.name = name;
  def.keys = frames;
  def.rate = static_cast<uint32_t>(rate);
  def.mode = kAnimOnce;
  Keyframe first;
  first.index = 0;
  Keyframe last;
  last.index = frames - 1;
  def.keyList = {first, last};
  return def;
}

void GlobalAnims::Add(const std::string& name, int frames, int rate) {
  gAnimDefs.push_back(StillAnim(name, frames, rate));
}

void RegisterLevelKinds() {
  RegisterDrawingKinds();
  RegisterSoundAndEmitterKinds();
}

void UpdateObjects(ObjectList& list, int updateCount) {
  for (sObj* object : list) object->Update(updateCount);
}

}  // namespace leveltest
