// The sample particle effects: the five effects the screens start
// (magicrain, magicrain2, magicrain3, magicwand, platefly) and those the
// effects scene's emitters name, written as "data/effect/<name>.eff", plus
// the procedural soft-alpha particle pictures they draw
// ("data/images/fx/<stem>.png", in the image table under their stems,
// preloaded), and the effects scene "mnEffects" that shows them. Together
// the effects use every area shape, the rotate, scale, additive, toward and
// away flags, repeats, a delay and middle points 0 and 0.5. The same bytes on
// every run.
#pragma once

#include <string>
#include <vector>

#include "tools/sampledata/EffWriter.h"
#include "tools/sampledata/SceneDbWriter.h"

namespace Kivo {

struct SampleEffect {
  std::string name;  // file stem
  std::vector<EffRecordSpec> records;
};

std::vector<SampleEffect> SampleEffects();
// The scene of emitters, sound objects and a sprite linking them.
constexpr const char* kSampleEffectsScene = "mnEffects";

// Adds the particle pictures to the image table being written, and the
// effects scene.
bool AddSampleEffectScene(SceneDatabaseWriter& writer, std::string* error);
// Writes the effect files and the particle pictures under folder.
bool WriteSampleEffects(const std::string& folder, std::string* error);

}  // namespace Kivo
